// The vehicle page's rules without a window: the firmware label, the manual
// buttons and the manual's name over a real CAN list; which buttons may
// start work; the installed CAN firmware's text; the service fields and the
// forced update's exception boxes (their ticks reaching the catalogue's
// decisions); the sections; what the report's vehicle section gets.
#include <gtest/gtest.h>

#include "pages/model/auto_model.h"
#include "server/can_choice.h"
#include "server/can_list.h"

namespace orv {
namespace {

using can::choice_text::kChooseFirmware;
using can::choice_text::kOneFirmware;

// One period with one firmware (with a manual address), one with two (the
// second with one), and one simple-form firmware.
constexpr const char* kList = R"([
 {"b": "Kiravo", "m": "Sorenta", "y": "2012-2015",
  "c": [{"1017": {"t": "Kiravo Sorenta", "h": "KIR-17", "d": "Замок по CAN. https://x/m.pdf Разъем B2."}}]},
 {"b": "Ardena", "m": "Q5", "y": "2016-",
  "c": [{"2041": {"t": "Ardena Q5", "h": "ARD-41", "d": "Цифровое подключение"}},
        {"2040": {"t": "Ardena Q5 analog", "h": "ARD-40", "d": "Аналоговое HTTP://x/a.pdf"}}]},
 {"b": "Ardena", "m": "Q5", "y": "2008-2015", "c": [{"17": "Simple 17"}]}
])";

class AutoModelTest : public testing::Test {
 protected:
  void SetUp() override {
    tree = can::ParseCanList(kList);
    choice.SetTree(&tree);
    model.SetChoice(&choice);
  }
  void Choose(const std::string& make, const std::string& mdl, const std::string& period, int fw = 0) {
    ASSERT_TRUE(can::ChooseByNames(choice, make, mdl, period));
    ASSERT_TRUE(choice.ChooseFirmware(fw));
    model.UpdateCANFWInfo();
  }
  can::CanTree tree;
  can::CanChoice choice;
  AutoModel model;
};

TEST(AutoModelAlone, WithoutAListNothingIsChosen) {
  AutoModel model;
  EXPECT_EQ(model.PDFName(), "tech_manual_add");
  EXPECT_EQ(model.Label8(), auto_text::kLabel8Initial) << "the text the page starts with";
  EXPECT_FALSE(model.ManualVisible());
  EXPECT_FALSE(model.ReportData().makeSelected) << "no make list: the section is its caption alone";
  can::CanChoice empty;
  model.SetChoice(&empty);
  EXPECT_FALSE(model.ReportData().makeSelected);
}

TEST_F(AutoModelTest, FirmwareLabelManualAndDocumentName) {
  struct Case {
    const char* make;
    const char* mdl;
    const char* period;
    int fw;
    const char* label;
    bool listEnabled;
    bool manual;
    const char* pdf;
  };
  const Case cases[] = {
      {"Kiravo", "Sorenta", "2012-2015", 0, kOneFirmware, false, true, "Техкарта Kiravo Sorenta [KIR-17]"},
      {"Ardena", "Q5", "2016-", 0, kChooseFirmware, true, false, "Техкарта Ardena Q5 [ARD-41]"},
      {"Ardena", "Q5", "2016-", 1, kChooseFirmware, true, true, "Техкарта Ardena Q5 analog [ARD-40]"},
      {"Ardena", "Q5", "2008-2015", 0, kOneFirmware, false, false, "Техкарта Simple 17"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.make) + " " + c.period + " #" + std::to_string(c.fw));
    Choose(c.make, c.mdl, c.period, c.fw);
    EXPECT_EQ(model.Label8(), c.label);
    EXPECT_EQ(model.FirmwareListEnabled(), c.listEnabled);
    EXPECT_EQ(model.ManualVisible(), c.manual);
    EXPECT_EQ(model.PDFName(), c.pdf);
  }
}

TEST_F(AutoModelTest, ThePlaceholderMakeNamesTheGeneralManualAndHidesTheButtons) {
  EXPECT_EQ(choice.MakeIndex(), 0) << "a new list selects \"-\"";
  EXPECT_EQ(model.PDFName(), "tech_manual_add");
  EXPECT_TRUE(model.ReportData().makeSelected) << "\"-\" is a selection";
  Choose("Kiravo", "Sorenta", "2012-2015");
  ASSERT_TRUE(model.ManualVisible());
  choice.ChooseMake(0);
  model.UpdateCANFWInfo();
  EXPECT_EQ(model.PDFName(), "tech_manual_add");
  EXPECT_FALSE(model.ManualVisible());
  EXPECT_EQ(model.Label8(), kOneFirmware) << "an empty list cannot be changed either";
  EXPECT_FALSE(model.FirmwareListEnabled());
}

TEST(AutoModelAlone, ButtonsFollowTheUnitAndTheRunningWork) {
  struct Case {
    bool online, allowed, running, serverNamed;
    bool getCanFw, unitButtons, checkFW, infoShown;
  };
  const Case cases[] = {
      {false, false, false, true, false, false, false, false},  // no unit
      {true, false, false, true, false, false, false, true},    // unit busy (settings being read)
      {true, true, false, true, true, true, true, true},        // online and idle
      {true, true, true, true, false, false, false, true},      // a workflow runs
      {true, true, false, false, true, true, false, true},      // no server: no firmware check
  };
  for (const Case& c : cases) {
    AutoModel model;
    model.SetServerNamed(c.serverNamed);
    model.SetUnitState(c.online, c.allowed, c.running);
    SCOPED_TRACE(::testing::Message() << c.online << c.allowed << c.running << c.serverNamed);
    EXPECT_EQ(model.GetCanFwEnabled(), c.getCanFw);
    EXPECT_EQ(model.UnitButtonsEnabled(), c.unitButtons);
    EXPECT_EQ(model.CheckFWEnabled(), c.checkFW);
    EXPECT_EQ(model.CanFwInfoVisible(), c.infoShown);
    EXPECT_EQ(model.CheckSelfEnabled(), c.serverNamed);
  }
}

TEST(AutoModelAlone, InstalledCanFirmwareIsUnknownUntilReadOnEachConnection) {
  AutoModel model;
  EXPECT_EQ(model.CanFwInfo(), "?");
  model.SetUnitState(true, true, false);
  model.SetCanFwInfo("CAN KIR-17 v3");
  model.SetUnitState(true, true, true);  // still the same unit
  EXPECT_EQ(model.CanFwInfo(), "CAN KIR-17 v3");
  model.SetUnitState(false, false, false);
  EXPECT_FALSE(model.CanFwInfoVisible());
  EXPECT_EQ(model.CanFwInfo(), "CAN KIR-17 v3") << "hidden, not forgotten";
  model.SetUnitState(true, false, false);
  EXPECT_EQ(model.CanFwInfo(), "?") << "the next unit's firmware is not known yet";
}

TEST(AutoModelAlone, ServiceWordsUncoverTheFieldsAndTheBoxesKeepTheirTicks) {
  AutoModel model;
  EXPECT_FALSE(model.URLEditVisible());
  EXPECT_FALSE(model.ForceUpdateVisible());
  model.SetForceUpdate(true);
  EXPECT_FALSE(model.SkipBoxesVisible()) << "the boxes come only with their check box";
  model.SetForceUpdate(false);
  model.ShowURLEdit();
  EXPECT_TRUE(model.URLEditVisible());
  EXPECT_FALSE(model.ForceUpdateVisible()) << "each word uncovers its own field";
  model.ShowForceUpdate();
  EXPECT_TRUE(model.ForceUpdateVisible());
  EXPECT_FALSE(model.SkipBoxesVisible());
  for (size_t i = 0; i < SkipBoxes().size(); ++i) EXPECT_TRUE(model.Skip(i)) << "ticked at first: " << SkipBoxes()[i].name;

  model.SetForceUpdate(true);
  EXPECT_TRUE(model.SkipBoxesVisible());
  model.SetSkip(1, false);
  model.SetSkip(3, false);
  model.SetSkip(99, false);  // no such box
  model.SetForceUpdate(false);
  EXPECT_FALSE(model.SkipBoxesVisible());
  EXPECT_FALSE(model.Force().cbForceUpdate);
  EXPECT_EQ((std::vector<bool>{model.Skip(0), model.Skip(1), model.Skip(2), model.Skip(3)}),
            (std::vector<bool>{true, false, true, false}));
  model.SetForceUpdate(true);
  EXPECT_TRUE(model.SkipBoxesVisible());
  EXPECT_FALSE(model.Skip(1)) << "ticks come back as they were left";
}

// Each box spares its own slot from the forced update, and no other.
TEST(AutoModelAlone, EachExceptionBoxSparesItsSlot) {
  const Slot spared[] = {Slot::Core1, Slot::Core2, Slot::CoreRS, Slot::CoreValetRF};
  ASSERT_EQ(SkipBoxes().size(), std::size(spared));
  for (size_t box = 0; box < SkipBoxes().size(); ++box) {
    SCOPED_TRACE(SkipBoxes()[box].name);
    TCoreFW fw;
    InitFirmwareCatalogue(fw);
    fw[Slot::Core1].Panel.Code = 1;
    fw[Slot::Core2].Panel.Code = 2;
    fw[Slot::CoreRS].Panel.Code = 13;
    fw[Slot::CoreValetRF].Panel.Code = 10;
    AutoModel model;
    model.ShowForceUpdate();
    model.SetForceUpdate(true);
    for (size_t i = 0; i < SkipBoxes().size(); ++i) model.SetSkip(i, i == box);
    UpdateFWInfo(fw, model.Force());
    for (Slot s : spared) EXPECT_EQ(fw[s].NeedUpdate, s != spared[box]) << InfoOf(s).moduleName;
  }
}

TEST(AutoModelAlone, SectionsFirstOnShowAndUpdatesWhenOffered) {
  AutoModel model;
  EXPECT_EQ(model.Current(), AutoModel::kNoSection);
  model.OnShow();
  EXPECT_EQ(model.Current(), AutoModel::kCanSection);
  model.ShowUpdatePage();
  model.OnShow();
  EXPECT_EQ(model.Current(), AutoModel::kUpdatesSection) << "a chosen section stays";
  model.Select(5);
  EXPECT_EQ(model.Current(), AutoModel::kUpdatesSection);
  model.Select(0);
  EXPECT_EQ(model.Current(), AutoModel::kCanSection);
}

TEST(AutoModelAlone, ReportDataCarriesTheLabelsAndTheSummary) {
  can::CanTree tree = can::ParseCanList(kList);
  can::CanChoice choice;
  choice.SetTree(&tree);
  FWInfo info;
  info.installed = "Ядро системы: core1.6 p18.R6\r\nХестор: hestor R12 [онлайн: R12]\r\n";
  AutoModel model;
  model.SetChoice(&choice);
  model.SetCanFwInfo("KIR-17");
  model.SetFWInfo(info);
  const TVehicleReport r = model.ReportData();
  EXPECT_TRUE(r.makeSelected);
  EXPECT_EQ(r.canFwInfo, "KIR-17");
  EXPECT_EQ(r.installed, info.installed);
  EXPECT_EQ(model.Installed(), info.installed);
}

}  // namespace
}  // namespace orv
