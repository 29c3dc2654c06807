// When the header's actions may run and what their tooltips say; which page
// the keyboard shows next.
#include <gtest/gtest.h>

#include "app/action_rules.h"
#include "app/page_cycle.h"

namespace orv {
namespace {

TEST(ActionRules, VerdictsAndReasons) {
  const ActionRule local, unit{true, {}}, print{false, action_text::kPrintMissing};
  struct Case {
    const char* what;
    ActionRule rule;
    ActionContext ctx;  // hasHandler, online, workflowRunning, allowed
    bool enabled;
    std::string reason;
  };
  const Case cases[] = {
      {"unit action, unit here", unit, {true, true, false, true}, true, ""},
      {"unit action, no unit", unit, {true, false, false, true}, false, action_text::kOffline},
      {"unit action during a workflow", unit, {true, true, true, true}, false, action_text::kBusy},
      {"busy wins over offline", unit, {true, false, true, true}, false, action_text::kBusy},
      {"switched off, unit here", unit, {true, true, false, false}, false, action_text::kBusy},
      {"file action without a unit", local, {true, false, false, true}, true, ""},
      {"file action during a workflow", local, {true, true, true, true}, false, action_text::kBusy},
      {"no handler names its reason", print, {false, true, false, true}, false, action_text::kPrintMissing},
      {"no handler, generic", local, {false, true, false, true}, false, action_text::kUnavailable},
  };
  for (const Case& c : cases) {
    const ActionVerdict v = JudgeAction(c.rule, c.ctx);
    EXPECT_EQ(v.enabled, c.enabled) << c.what;
    EXPECT_EQ(v.reason, c.reason) << c.what;
  }
}

TEST(ActionRules, ToolTipShowsHintShortcutAndReason) {
  EXPECT_EQ(ActionToolTip("Прочитать настройки", "Ctrl+R", {true, {}}), "Прочитать настройки (Ctrl+R)");
  EXPECT_EQ(ActionToolTip("Сохранить настройки  ", "", {false, action_text::kOffline}),
            std::string("Сохранить настройки\n") + action_text::kOffline);
  EXPECT_EQ(ActionToolTip("Печать", "", {false, {}}), "Печать");
}

TEST(PageCycle, SkipsDisabledPagesAndWraps) {
  const std::vector<PageEntry> menu{{"aAuto"}, {"aOptions"}, {"aImpulses", false}, {"aCAN", false}, {"aInternet"}};
  struct Case {
    std::string current;
    int step;
    std::string next;
  };
  const Case cases[] = {
      {"aAuto", 1, "aOptions"},    {"aOptions", 1, "aInternet"}, {"aInternet", 1, "aAuto"},
      {"aAuto", -1, "aInternet"},  {"aInternet", -1, "aOptions"}, {"aMessages", 1, "aAuto"},
      {"aMessages", -1, "aInternet"}, {"aCAN", 1, "aInternet"},  {"aCAN", -1, "aOptions"},
  };
  for (const Case& c : cases) EXPECT_EQ(NextPage(menu, c.current, c.step), c.next) << c.current << " " << c.step;
  EXPECT_EQ(NextPage({{"aAuto"}, {"aCAN", false}}, "aAuto", 1), "") << "nowhere else to go";
  EXPECT_EQ(NextPage({}, "aAuto", 1), "");
}

}  // namespace
}  // namespace orv
