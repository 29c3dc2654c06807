// The JSON text of the connections and impulses exports: strings escaped the
// way the settings document writes them ("\"", "\\" and "/" escaped; \b \t \n
// \f \r; other controls as \u00XX with upper-case digits; everything else,
// non-ASCII included, unchanged).
#pragma once

#include <string>

namespace orv {

inline std::string JsonQuoted(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '/': out += "\\/"; break;
      case 0x08: out += "\\b"; break;
      case 0x09: out += "\\t"; break;
      case 0x0A: out += "\\n"; break;
      case 0x0C: out += "\\f"; break;
      case 0x0D: out += "\\r"; break;
      default:
        if (c < 0x20) {
          static const char* hex = "0123456789ABCDEF";
          out += "\\u00";
          out += hex[c >> 4];
          out += hex[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

// The text without its double quote characters.
inline std::string WithoutQuotes(std::string s) {
  std::erase(s, '"');
  return s;
}

}  // namespace orv
