// The JSON writer of the settings export: the configuration object, every
// page export and the synchronisation document are written by these rules:
// members in insertion order; no blanks between tokens; strings quoted with
// '"', '\' and '/' escaped by a backslash, 0x08 0x09 0x0A 0x0C 0x0D as \b \t
// \n \f \r, other bytes below 0x20 as \u00XX with upper-case hex digits, and
// every other character (UTF-8, Cyrillic included) unchanged; integers in
// decimal, other numbers in the shortest form that reads back the same, with
// "." as separator; true, false, null.
//
// Parsing is nlohmann::ordered_json's (RFC 8259, member order kept); a page's
// export is parsed and written again before it joins the object.
#pragma once

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orv {

class JsonError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

namespace json {

using Value = nlohmann::ordered_json;

// `text` as a JSON string, quotes included.
std::string Quote(std::string_view text);
// `v` by the rules above.
std::string Write(const Value& v);
// Parses `text` (one JSON value; JsonError when it is not) and writes it again.
std::string Rewrite(std::string_view text);
Value Parse(std::string_view text);

}  // namespace json
}  // namespace orv
