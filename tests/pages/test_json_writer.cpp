// The JSON writer of the settings export.
#include <gtest/gtest.h>

#include "settings/json_writer.h"

namespace orv {
namespace {

TEST(JsonWriter, StringsAreEscapedByTheExportRules) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"a/b", R"("a\/b")"},
      {"say \"hi\"", R"("say \"hi\"")"},
      {"back\\slash", R"("back\\slash")"},
      {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
      {std::string("\x01\x1F", 2), R"("\u0001\u001F")"},
      {"Привет", "\"Привет\""},
      {"", "\"\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(json::Quote(c.in), c.out) << c.in;
    // What the writer escapes, a parser reads back unchanged.
    EXPECT_EQ(json::Parse(c.out).get<std::string>(), c.in);
  }
}

TEST(JsonWriter, RewritesValuesCompactlyInMemberOrder) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {R"({ "z" : 1, "a" : [ true, false, null ] })", R"({"z":1,"a":[true,false,null]})"},
      {"[0.1, 2.5, -3, 1e3, 18446744073709551615, -0.0]", "[0.1,2.5,-3,1000,18446744073709551615,0]"},
      {R"({"s":"x\/y","e":{},"l":[]})", R"({"s":"x\/y","e":{},"l":[]})"},
      {"12.75", "12.75"},
  };
  for (const auto& c : cases) EXPECT_EQ(json::Rewrite(c.in), c.out) << c.in;
}

TEST(JsonWriter, InvalidTextIsAnError) {
  for (const char* bad : {"", "{", "{\"a\":}", "[1,]", "{} x", "\"\xff\""}) EXPECT_THROW(json::Rewrite(bad), JsonError) << bad;
}

}  // namespace
}  // namespace orv
