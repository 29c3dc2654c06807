#include "server/can_list.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace orv::can {
namespace {

using Json = nlohmann::ordered_json;

// Code points of UTF-8 text with Latin and Cyrillic capitals folded to small
// letters; a malformed byte stands for itself.
std::u32string Fold(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<uint8_t>(s[i]);
    char32_t cp = c;
    size_t len = 1;
    if (c >= 0xC0 && c < 0xE0 && i + 1 < s.size()) {
      cp = ((c & 0x1Fu) << 6) | (static_cast<uint8_t>(s[i + 1]) & 0x3Fu);
      len = 2;
    } else if (c >= 0xE0 && c < 0xF0 && i + 2 < s.size()) {
      cp = ((c & 0x0Fu) << 12) | ((static_cast<uint8_t>(s[i + 1]) & 0x3Fu) << 6) | (static_cast<uint8_t>(s[i + 2]) & 0x3Fu);
      len = 3;
    }
    if (cp >= U'A' && cp <= U'Z') cp += 0x20;
    else if (cp >= 0x410 && cp <= 0x42F) cp += 0x20;
    else if (cp == 0x401) cp = 0x451;
    out.push_back(cp);
    i += len;
  }
  return out;
}

std::string Trim(const std::string& s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t a = 0, b = s.size();
  while (a < b && blank(s[a])) ++a;
  while (b > a && blank(s[b - 1])) --b;
  return s.substr(a, b - a);
}

// A member as text: strings as they are, numbers in decimal.
std::optional<std::string> AsText(const Json& v) {
  if (v.is_string()) return v.get<std::string>();
  if (v.is_number_integer()) return v.dump();
  return std::nullopt;
}

std::string Member(const Json& entry, const char* name) {
  auto it = entry.find(name);
  if (it == entry.end()) throw CanListError(std::string("нет поля \"") + name + "\"");
  auto text = AsText(*it);
  if (!text) throw CanListError(std::string("поле \"") + name + "\" не текст");
  return Trim(*text);
}

std::optional<int64_t> WholeNumber(const std::string& s) {
  if (s.empty() || s.size() > 10) return std::nullopt;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  if (v > INT32_MAX) return std::nullopt;
  return v;
}

std::string TextOf(const Json& obj, const char* name) {
  auto it = obj.find(name);
  if (it == obj.end() || it->is_null()) return {};
  auto t = AsText(*it);
  if (!t) throw CanListError(std::string("поле \"") + name + "\" не текст");
  return *t;
}

std::vector<Firmware> ReadFirmware(const Json& list) {
  std::vector<Firmware> out;
  for (const auto& fw : list) {
    if (!fw.is_object() || fw.empty()) throw CanListError("прошивка не объект");
    for (auto it = fw.begin(); it != fw.end(); ++it) {
      const std::string id = it.key();
      if (auto number = WholeNumber(Trim(id)); number && AsText(it.value())) {
        out.push_back({*AsText(it.value()), std::nullopt, *number});
        continue;
      }
      if (!it.value().is_object()) throw CanListError("прошивка \"" + id + "\" не объект");
      TCanFW f{Trim(id), TextOf(it.value(), "h"), TextOf(it.value(), "t"), TextOf(it.value(), "d")};
      if (f.FDescription.rfind("[REM]", 0) == 0) continue;
      out.push_back({f.Caption(), f, 0});
    }
  }
  std::stable_sort(out.begin(), out.end(), [](const Firmware& a, const Firmware& b) { return LessNoCase(a.caption, b.caption); });
  return out;
}

// The item named `name` in a sorted list, inserted in order when absent.
template <class T>
T& FindOrInsert(std::vector<T>& list, const std::string& name, bool& added, size_t from = 0) {
  auto pos = std::lower_bound(list.begin() + static_cast<std::ptrdiff_t>(from), list.end(), name,
                              [](const T& item, const std::string& n) { return LessNoCase(item.name, n); });
  added = pos == list.end() || !EqualNoCase(pos->name, name);
  if (added) {
    T item;
    item.name = name;
    pos = list.insert(pos, std::move(item));
  }
  return *pos;
}

}  // namespace

std::string TCanFW::Caption() const { return FAlias + " [" + FInternalName + "]"; }

bool LessNoCase(const std::string& a, const std::string& b) { return Fold(a) < Fold(b); }
bool EqualNoCase(const std::string& a, const std::string& b) { return Fold(a) == Fold(b); }

const Make* CanTree::FindMake(const std::string& name) const {
  for (const auto& m : makes)
    if (EqualNoCase(m.name, name)) return &m;
  return nullptr;
}
const Model* CanTree::FindModel(const std::string& make, const std::string& model) const {
  if (const Make* mk = FindMake(make))
    for (const auto& m : mk->models)
      if (EqualNoCase(m.name, model)) return &m;
  return nullptr;
}
const Period* CanTree::FindPeriod(const std::string& make, const std::string& model, const std::string& period) const {
  if (const Model* md = FindModel(make, model))
    for (const auto& p : md->periods)
      if (EqualNoCase(p.name, period)) return &p;
  return nullptr;
}

CanTree ParseCanList(const std::string& body) {
  Json doc = Json::parse(body, nullptr, false);
  if (doc.is_discarded()) throw CanListError("не JSON");
  if (!doc.is_array() && !doc.is_object()) throw CanListError("не список");
  CanTree tree;
  for (const auto& entry : doc) {
    if (!entry.is_object()) throw CanListError("запись не объект");
    auto c = entry.find("c");
    if (c == entry.end() || !c->is_array()) throw CanListError("нет списка прошивок \"c\"");
    if (c->empty()) continue;
    auto firmware = ReadFirmware(*c);
    const std::string makeName = Member(entry, "b");
    const std::string modelName = Member(entry, "m");
    std::string periodName = Member(entry, "y");
    if (periodName == "0") periodName = kPlaceholder;
    if (tree.makes.empty()) tree.makes.push_back({kPlaceholder, {}});
    bool added = false;
    // The placeholder stays first whatever the names sort like.
    Make& make = FindOrInsert(tree.makes, makeName, added, 1);
    Model& model = FindOrInsert(make.models, modelName, added);
    Period& period = FindOrInsert(model.periods, periodName, added);
    if (added) period.firmware = std::move(firmware);
  }
  return tree;
}

}  // namespace orv::can
