#include "settings/json_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>

namespace orv::json {

namespace {

void QuoteTo(std::string& out, std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  out += '"';
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
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
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

std::string Shortest(double v) {
  if (!std::isfinite(v)) return "null";  // cannot come from a parse; keep the output valid
  if (v == 0) return "0";                // no "-0"
  char buf[40];
  int precision = 1;
  for (; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*g", precision, v);
    if (std::strtod(buf, nullptr) == v) break;
  }
  // "1e+03" is longer than "1000": moderate exponents print in full.
  if (const char* e = std::strchr(buf, 'e')) {
    const int exponent = std::atoi(e + 1);
    if (exponent >= 0 && exponent < 17) std::snprintf(buf, sizeof buf, "%.*g", std::max(precision, exponent + 1), v);
  }
  return buf;
}

void WriteTo(std::string& out, const Value& v) {
  switch (v.type()) {
    case Value::value_t::null: out += "null"; break;
    case Value::value_t::boolean: out += v.get<bool>() ? "true" : "false"; break;
    case Value::value_t::number_integer: out += std::to_string(v.get<int64_t>()); break;
    case Value::value_t::number_unsigned: out += std::to_string(v.get<uint64_t>()); break;
    case Value::value_t::number_float: out += Shortest(v.get<double>()); break;
    case Value::value_t::string: QuoteTo(out, v.get_ref<const std::string&>()); break;
    case Value::value_t::array: {
      out += '[';
      bool first = true;
      for (const auto& e : v) {
        if (!first) out += ',';
        first = false;
        WriteTo(out, e);
      }
      out += ']';
      break;
    }
    case Value::value_t::object: {
      out += '{';
      bool first = true;
      for (const auto& [key, e] : v.items()) {
        if (!first) out += ',';
        first = false;
        QuoteTo(out, key);
        out += ':';
        WriteTo(out, e);
      }
      out += '}';
      break;
    }
    case Value::value_t::binary:
    case Value::value_t::discarded:
      out += "null";
      break;
  }
}

}  // namespace

std::string Quote(std::string_view text) {
  std::string out;
  QuoteTo(out, text);
  return out;
}

std::string Write(const Value& v) {
  std::string out;
  WriteTo(out, v);
  return out;
}

Value Parse(std::string_view text) {
  try {
    return Value::parse(text.begin(), text.end());
  } catch (const nlohmann::json::exception& e) {
    throw JsonError(std::string("invalid JSON: ") + e.what());
  }
}

std::string Rewrite(std::string_view text) { return Write(Parse(text)); }

}  // namespace orv::json
