// The udev rule shipped with the package: it must give the seat's user access
// to the unit's hidraw node and to nothing else, and never through a mode
// that lets every local user write to the node.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Term {
  std::string key, op, value;
};

// One rule line as udev reads it: comma-separated KEY OP "VALUE" terms.
std::vector<Term> ParseRule(const std::string& line) {
  static const std::regex term(R"re(\s*([A-Za-z_]+(?:\{[^}]*\})?)\s*(==|!=|\+=|-=|:=|=)\s*"([^"]*)"\s*(,|$))re");
  std::vector<Term> out;
  auto it = line.cbegin();
  std::smatch m;
  while (it != line.cend() && std::regex_search(it, line.cend(), m, term, std::regex_constants::match_continuous)) {
    out.push_back({m[1], m[2], m[3]});
    it = m[0].second;
  }
  if (it != line.cend()) ADD_FAILURE() << "unparsed rule text: " << std::string(it, line.cend());
  return out;
}

std::vector<std::vector<Term>> Rules() {
  std::ifstream in(ORVANTIS_UDEV_RULE);
  EXPECT_TRUE(in) << ORVANTIS_UDEV_RULE;
  std::vector<std::vector<Term>> rules;
  std::string line;
  while (std::getline(in, line)) {
    if (line.find_first_not_of(" \t") == std::string::npos || line[line.find_first_not_of(" \t")] == '#') continue;
    rules.push_back(ParseRule(line));
  }
  return rules;
}

TEST(UdevRule, MatchesOnlyTheUnitsHidrawNodeAndGrantsSeatAccess) {
  auto rules = Rules();
  ASSERT_EQ(rules.size(), 1u);
  std::map<std::string, Term> byKey;
  for (const auto& t : rules[0]) byKey[t.key] = t;

  ASSERT_TRUE(byKey.count("SUBSYSTEM"));
  EXPECT_EQ(byKey["SUBSYSTEM"].op, "==");
  EXPECT_EQ(byKey["SUBSYSTEM"].value, "hidraw");
  ASSERT_TRUE(byKey.count("ATTRS{idVendor}"));
  EXPECT_EQ(byKey["ATTRS{idVendor}"].op, "==");
  EXPECT_EQ(byKey["ATTRS{idVendor}"].value, "c1ca");
  ASSERT_TRUE(byKey.count("ATTRS{idProduct}"));
  EXPECT_EQ(byKey["ATTRS{idProduct}"].op, "==");
  EXPECT_EQ(byKey["ATTRS{idProduct}"].value, "0003");
  ASSERT_TRUE(byKey.count("TAG"));
  EXPECT_EQ(byKey["TAG"].op, "+=");
  EXPECT_EQ(byKey["TAG"].value, "uaccess");

  // Only matches and the tag: no mode, owner or group of its own.
  for (const auto& t : rules[0]) {
    const bool match = t.op == "==";
    EXPECT_TRUE(match || t.key == "TAG") << t.key << t.op << t.value;
  }
}

TEST(UdevRule, ParserSeesModesAndAssignments) {
  // The check above relies on the parser reading every term.
  auto t = ParseRule(R"(SUBSYSTEM=="hidraw", MODE="0666", GROUP="plugdev")");
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[1].key, "MODE");
  EXPECT_EQ(t[1].op, "=");
  EXPECT_EQ(t[1].value, "0666");
}

}  // namespace
