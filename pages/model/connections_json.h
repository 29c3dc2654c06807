// The JSON text of the connections and impulses exports: strings escaped the
// way the settings document writes them ("\"", "\\" and "/" escaped; \b \t \n
// \f \r; other controls as \u00XX with upper-case digits; everything else,
// non-ASCII included, unchanged).
#pragma once

#include <string>

#include "settings/json_writer.h"

namespace orv {

// The settings export's one writer quotes the strings of these pages too.
inline std::string JsonQuoted(const std::string& s) { return json::Quote(s); }

// The text without its double quote characters.
inline std::string WithoutQuotes(std::string s) {
  std::erase(s, '"');
  return s;
}

}  // namespace orv
