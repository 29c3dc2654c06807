// The firmware tasks in the window's core: the action's enabled state and its
// answer without a unit.
#include <gtest/gtest.h>

#include "app/firmware_actions.h"
#include "app/main_core_fixture.h"
#include "settings/settings_fixtures.h"
#include "update/fw_texts.h"

namespace orv {
namespace {

TEST(FirmwareActions, ActionWithoutUnitAndTaskTable) {
  test::Fixture f(false);
  test::ScriptedPrompts prompts;
  {
    FirmwareActions fa(f.core, *f.link, prompts, [](bool) -> std::string { throw std::runtime_error("offline"); });
    EXPECT_TRUE(f.core.Table().Has(22));
    EXPECT_TRUE(f.core.Table().Has(10));
    fa.CoreUpdate();
    EXPECT_FALSE(f.core.Tasks().Exist(10));
    EXPECT_EQ(f.core.StatusPanel().Panel().res, "ОШИБКА");
    f.core.OnDeviceChange();  // offline: the action stays usable and explains itself
    EXPECT_TRUE(fa.CoreUpdateEnabled());
    f.core.DisableButtons(true);
    EXPECT_FALSE(fa.CoreUpdateEnabled());
  }
  EXPECT_FALSE(f.core.Table().Has(22)) << "removed with the actions";
}

}  // namespace
}  // namespace orv
