#include "sim/sim_options.h"

#include <fstream>
#include <iterator>

#include "diag/diag_record.h"

namespace orv::sim {
namespace {

uint8_t Bcd(int v) { return static_cast<uint8_t>(((v / 10) << 4) | (v % 10)); }

}  // namespace

std::optional<TVersion> ParseCoreDate(const std::string& text) {
  if (text.size() != 10 || text[2] != '.' || text[5] != '.') return std::nullopt;
  for (size_t i : {0, 1, 3, 4, 6, 7, 8, 9})
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  const int day = std::stoi(text.substr(0, 2)), month = std::stoi(text.substr(3, 2)), year = std::stoi(text.substr(6));
  static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 2000 || year > 2099 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return std::nullopt;
  if (month == 2 && day == 29 && year % 4 != 0) return std::nullopt;
  TVersion v;
  v.Day = Bcd(day);
  v.Month = Bcd(month);
  v.Year = Bcd(year - 2000);
  return v;
}

bool LoadDiagReply(const std::string& path, std::vector<uint8_t>& reply, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  std::vector<uint8_t> bytes;
  char c;
  while (bytes.size() <= TExtendDiagRec::kSize && in.get(c)) bytes.push_back(static_cast<uint8_t>(c));
  if (bytes.size() < TDiagRec::kSize || bytes.size() > TExtendDiagRec::kSize) {
    error = path + ": a diagnostic record has 93 to 113 bytes";
    return false;
  }
  reply = std::move(bytes);
  return true;
}

}  // namespace orv::sim
