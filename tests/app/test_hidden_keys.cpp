// Service words typed in the window, and the expert-mode question.
#include <gtest/gtest.h>

#include "app/expert_mode.h"
#include "app/hidden_keys.h"

namespace orv {
namespace {

ServiceWord TypeAll(HiddenKeys& k, const std::u32string& text) {
  ServiceWord last = ServiceWord::kNone;
  for (char32_t c : text)
    if (auto w = k.Type(c); w != ServiceWord::kNone) last = w;
  return last;
}

TEST(HiddenKeys, WordsAreFoundInTheLastTenCharactersOnly) {
  struct Case {
    std::u32string typed;
    ServiceWord word;
  };
  const Case cases[] = {
      {U"abgrimzax", ServiceWord::kServerAddress},
      {U"0123456789abcgrimzax", ServiceWord::kServerAddress},
      {U"quintabrel", ServiceWord::kForceUpdate},
      {U"xyzquintabrel", ServiceWord::kForceUpdate},
      {U"quintXabrel", ServiceWord::kNone},  // an eleventh character in between
      {U"GRIMZAX", ServiceWord::kNone},      // case-sensitive
      {U"Quintabrel", ServiceWord::kNone},
      {U"grimza", ServiceWord::kNone},
      {U"ключgrimzax", ServiceWord::kServerAddress},
  };
  for (const auto& c : cases) {
    HiddenKeys k;
    EXPECT_EQ(TypeAll(k, c.typed), c.word) << std::string(c.typed.begin(), c.typed.end());
    EXPECT_LE(k.Keys().size(), HiddenKeys::kKeep);
  }
}

TEST(HiddenKeys, AFoundWordIsForgotten) {
  HiddenKeys k;
  EXPECT_EQ(TypeAll(k, U"grimzax"), ServiceWord::kServerAddress);
  EXPECT_TRUE(k.Keys().empty());
  EXPECT_EQ(k.Type(U'x'), ServiceWord::kNone) << "the word is not found a second time";
}

class ScriptedPrompts : public Prompts {
 public:
  explicit ScriptedPrompts(Answer a) : answer(a) {}
  Answer WarningDialog(const std::string& msg, const std::vector<std::string>& caps) override {
    asked.push_back(msg);
    captions = caps;
    return answer;
  }
  void MessageBox(const std::string&) override {}
  std::string ChooseOpenFile(const std::string&, const std::string&) override { return {}; }
  std::string ChooseSaveFile(const std::string&, const std::string&, const std::string&) override { return {}; }
  Answer answer;
  std::vector<std::string> asked;
  std::vector<std::string> captions;
};

TEST(ExpertMode, OnlyYesSwitchesItOnAndSwitchingOffAsksNothing) {
  ScriptedPrompts no(Prompts::Answer::kNo), yes(Prompts::Answer::kYes), cancel(Prompts::Answer::kCancel);
  EXPECT_FALSE(ConfirmExpertMode(true, no));
  EXPECT_TRUE(ConfirmExpertMode(true, yes));
  EXPECT_FALSE(ConfirmExpertMode(true, cancel));
  ASSERT_EQ(yes.asked.size(), 1u);
  EXPECT_EQ(yes.asked[0].rfind("Режим эксперта открывает доступ к инженерным позициям меню. \r\n", 0), 0u);
  EXPECT_EQ(yes.captions, (std::vector<std::string>{"Да", "Нет"}));
  ScriptedPrompts off(Prompts::Answer::kYes);
  EXPECT_FALSE(ConfirmExpertMode(false, off));
  EXPECT_TRUE(off.asked.empty());
  EXPECT_TRUE(PageNeedsExpertMode("aCANFrame"));
  EXPECT_TRUE(PageNeedsExpertMode("aImpulsesFrame"));
  EXPECT_FALSE(PageNeedsExpertMode("aRStartFrame"));
}

}  // namespace
}  // namespace orv
