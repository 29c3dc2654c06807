#include "server/release_list.h"

#include <nlohmann/json.hpp>

namespace orv::selfupdate {
namespace {

using Json = nlohmann::ordered_json;

uint16_t Number(const Json& rel, const char* name) {
  auto it = rel.find(name);
  if (it != rel.end()) {
    if (it->is_number_unsigned() && it->get<uint64_t>() <= 0xFFFF) return static_cast<uint16_t>(it->get<uint64_t>());
    // Numbers written as text are read too.
    if (it->is_string()) {
      const std::string s = it->get<std::string>();
      if (!s.empty() && s.size() <= 5 && s.find_first_not_of("0123456789") == std::string::npos && std::stoul(s) <= 0xFFFF)
        return static_cast<uint16_t>(std::stoul(s));
    }
  }
  throw ReleaseListError(std::string("поле \"") + name + "\" не число 0..65535");
}

std::string Text(const Json& rel, const char* name) {
  auto it = rel.find(name);
  if (it == rel.end() || !it->is_string()) throw ReleaseListError(std::string("поле \"") + name + "\" не текст");
  return it->get<std::string>();
}

}  // namespace

std::string VersionText(uint16_t high, uint16_t mid, uint16_t low) {
  std::string s = std::to_string(high) + "." + std::to_string(mid);
  if (low != 0) s += "." + std::to_string(low);
  return s;
}

bool TSelfVersion::UpdateAvailable(uint16_t v1, uint16_t v2, uint16_t v3) const {
  // Each part weighs 256 times the next, as the releases have always been
  // compared; 64-bit so that no value can overflow.
  const int64_t mine = int64_t{v1} * 65536 + int64_t{v2} * 256 + v3;
  const int64_t theirs = int64_t{H} * 65536 + int64_t{M} * 256 + L;
  return theirs > mine;
}

TSelfVersion ParseUpdateInfo(const std::string& text) {
  Json doc = Json::parse(text, nullptr, false);
  if (doc.is_discarded() || !doc.is_object() || doc.empty()) throw ReleaseListError("список выпусков не объект");
  TSelfVersion v;
  for (size_t i = 0; i < doc.size(); ++i) {
    auto it = doc.find(std::to_string(i));
    if (it == doc.end() || !it->is_object()) throw ReleaseListError("нет выпуска " + std::to_string(i));
    const Json& rel = *it;
    const uint16_t low = Number(rel, "verlow"), mid = Number(rel, "vermid"), high = Number(rel, "varhigh");
    const std::string file = Text(rel, "file"), desc = Text(rel, "desc"), date = Text(rel, "date");
    if (i == 0) {
      v.L = low;
      v.M = mid;
      v.H = high;
      v.Link = file;
      v.Desc = desc;
      v.Date = date;
    }
    v.History += VersionText(high, mid, low) + " (" + date + "):\r\n" + desc + "\r\n";
    if (i == 0) v.History += "\r\nИстория изменений:\r\n";
  }
  if (v.Link.empty()) throw ReleaseListError("нет адреса файла");
  return v;
}

}  // namespace orv::selfupdate
