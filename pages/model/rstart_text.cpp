#include "pages/model/rstart_text.h"

#include <charconv>
#include <cstdio>

namespace orv::rsfmt {

std::string Fixed(double v, int width, int precision) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
  std::string s(buf, res.ptr);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), ' ');
  return s;
}

std::optional<double> ParseSeconds(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  bool digits = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') digits = true;
    else if (!(c == '.' || (c == '-' && i == 0) || (c == '+' && i == 0))) return std::nullopt;
  }
  if (!digits) return std::nullopt;
  if (text.front() == '+') text.remove_prefix(1);
  double v = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size()) return std::nullopt;
  return v;
}

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '/': out += "\\/"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04X", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}

}  // namespace orv::rsfmt
