// Number texts of the remote-start page and a small JSON writer for its
// export. Numbers are formatted without the process locale (the window's
// locale may use ","), and the JSON strings escape "/" and write \u escapes
// with upper-case digits, as the settings export does everywhere.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orv::rsfmt {

// printf "%W.Pf" in the C locale.
std::string Fixed(double v, int width, int precision);
// A number of seconds as typed: optional blanks, digits with "." as the
// decimal separator. nullopt for anything else (also "," and exponents).
std::optional<double> ParseSeconds(std::string_view text);
// A JSON string literal, quotes included.
std::string JsonString(std::string_view s);

}  // namespace orv::rsfmt
