// The CAN firmware list: the tree's rules, unreadable lists, the choice of a
// firmware from the vehicle page's lists, and the manual address.
#include <gtest/gtest.h>

#include "server/can_choice.h"
#include "server/can_firmware.h"
#include "server/can_list.h"

namespace orv::can {
namespace {

std::vector<std::string> Names(const std::vector<Make>& v) {
  std::vector<std::string> out;
  for (const auto& x : v) out.push_back(x.name);
  return out;
}

TEST(CanList, TreeRules) {
  const CanTree t = ParseCanList(R"([
    {"b":" bmw ","m":"X5","y":"0","c":[{"17":"Simple"}]},
    {"b":"Audi","m":"A4","y":"2010","c":[{"5":{"t":"First","h":"F","d":""}},{"6":{"t":"Rem","h":"R","d":"[REM] old"}},
                                       {"7":{"t":"Later","h":"L","d":"note [REM] inside"}}]},
    {"b":"audi","m":"A4","y":"2010","c":[{"8":{"t":"Second","h":"S","d":""}}]},
    {"b":"Zeta","m":"Z","y":"1","c":[]},
    {"b":"Ёлка","m":"b","y":"1","c":[{"9":"x"}]},
    {"b":"ель","m":"b","y":"1","c":[{"9":"x"}]},
    {"b":"Audi","m":"a3","y":"2","c":[{"1":"x"}]}
  ])");
  // "-" first, then case-insensitive order; the entry with an empty "c" adds no make.
  EXPECT_EQ(Names(t.makes), (std::vector<std::string>{"-", "Audi", "bmw", "ель", "Ёлка"}));
  EXPECT_TRUE(t.makes[0].models.empty());
  ASSERT_EQ(t.makes[1].models.size(), 2u);
  EXPECT_EQ(t.makes[1].models[0].name, "a3");
  // The repeated make/model/period keeps the first entry's firmware; [REM] only at the start hides one.
  const Period* p = t.FindPeriod("AUDI", "a4", "2010");
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(p->firmware.size(), 2u);
  EXPECT_EQ(p->firmware[0].caption, "First [F]");
  EXPECT_EQ(p->firmware[1].caption, "Later [L]");
  // Period "0" is shown as "-"; the simple form carries its number.
  const Period* s = t.FindPeriod("bmw", "X5", "-");
  ASSERT_NE(s, nullptr);
  EXPECT_FALSE(s->firmware[0].full);
  EXPECT_EQ(s->firmware[0].id, 17);
}

TEST(CanList, ObjectOfEntriesReadLikeAnArray) {
  const CanTree t = ParseCanList(R"({"a":{"b":"B","m":"M","y":"Y","c":[{"1":"x"}]},"z":{"b":"A","m":"M","y":"Y","c":[{"2":"y"}]}})");
  EXPECT_EQ(Names(t.makes), (std::vector<std::string>{"-", "A", "B"}));
}

TEST(CanList, UnreadableListsFail) {
  for (const char* body : {"", "not json", "17", "\"text\"", "[1]", R"([{"b":"B","m":"M","y":"Y"}])",
                           R"([{"b":"B","m":"M","y":"Y","c":{}}])", R"([{"m":"M","y":"Y","c":[{"1":"x"}]}])",
                           R"([{"b":"B","m":"M","y":"Y","c":[{"abc":"caption"}]}])",
                           R"([{"b":"B","m":"M","y":"Y","c":[5]}])", R"([{"b":[],"m":"M","y":"Y","c":[{"1":"x"}]}])",
                           R"([{"b":"B","m":"M","y":"Y","c":[{"1":{"t":5.5}}]}])"})
    EXPECT_THROW(ParseCanList(body), CanListError) << body;
  // An empty list is a list.
  EXPECT_TRUE(ParseCanList("[]").makes.empty());
}

TEST(CanChoice, ManualAddressCutOut) {
  struct Case {
    const char* d;
    const char* link;
    const char* text;
  } cases[] = {
      {"Before HTTPS://x.ru/a.pdf after words", "HTTPS://x.ru/a.pdf", "Before after words"},
      {"http://x/y.pdf", "http://x/y.pdf", ""},
      {"Only text", "", "Only text"},
      {"Tail http://x/y.pdf", "http://x/y.pdf", "Tail"},
  };
  for (const auto& c : cases) {
    const auto s = CutManualLink(c.d);
    EXPECT_EQ(s.link, c.link) << c.d;
    EXPECT_EQ(s.text, c.text) << c.d;
  }
}

TEST(CanChoice, ListsLabelsAndIds) {
  const CanTree t = ParseCanList(R"([
    {"b":"Audi","m":"A4","y":"2010","c":[{"5":{"t":"Q analog","h":"A","d":"Desc http://m/a.pdf end"}},{"6":{"t":"Z","h":"B","d":"plain"}}]},
    {"b":"Audi","m":"A6","y":"2011","c":[{"17":"Seventeen"}]}
  ])");
  CanChoice c;
  c.SetTree(&t);
  EXPECT_EQ(c.MakeIndex(), 0);
  EXPECT_TRUE(c.Models().empty());
  EXPECT_TRUE(c.FCanId.empty());
  c.ChooseMake(1);  // selects the first model, period and firmware
  EXPECT_EQ(c.Models(), (std::vector<std::string>{"A4", "A6"}));
  EXPECT_TRUE(c.ModelsEnabled());
  EXPECT_FALSE(c.PeriodsEnabled());
  EXPECT_TRUE(c.FirmwareEnabled());
  EXPECT_STREQ(c.FirmwareLabel(), choice_text::kChooseFirmware);
  EXPECT_EQ(c.FCanId, "5");
  EXPECT_EQ(c.FTechManuallLink, "http://m/a.pdf");
  EXPECT_EQ(c.FCANDescription, "Desc end");
  EXPECT_TRUE(c.AnalogFWSelected);
  EXPECT_EQ(c.Firmware()[0].second, "Desc end");
  c.ChooseFirmware(1);
  EXPECT_EQ(c.FCanId, "6");
  EXPECT_TRUE(c.FTechManuallLink.empty());
  EXPECT_FALSE(c.AnalogFWSelected);
  c.ChooseModel(1);
  EXPECT_EQ(c.FCanId, "17");
  EXPECT_FALSE(c.FirmwareEnabled());
  EXPECT_STREQ(c.FirmwareLabel(), choice_text::kOneFirmware);
  EXPECT_FALSE(c.ChooseFirmware(5));
  EXPECT_EQ(c.Error(), choice_text::kBadId);
  c.ChooseMake(0);
  EXPECT_TRUE(c.FCanId.empty());
  EXPECT_TRUE(c.Periods().empty());
}

TEST(CanFirmwareBody, QuotesRemovedOnlyInPairs) {
  EXPECT_EQ(UnquoteFirmwareBody("\"0A0B\""), "0A0B");
  EXPECT_EQ(UnquoteFirmwareBody("0A0B"), "0A0B");
  EXPECT_EQ(UnquoteFirmwareBody("\"0A0B"), "\"0A0B");
  EXPECT_EQ(UnquoteFirmwareBody("\""), "\"");
  EXPECT_EQ(UnquoteFirmwareBody("\"\""), "");
}

}  // namespace
}  // namespace orv::can
