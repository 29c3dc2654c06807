// The settings tasks and buttons of the window, without the toolkit: tasks 3,
// 9 and 28, the read, apply and factory buttons, the file buttons and the
// start-up timer, against an in-process simulated unit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "app/settings_actions.h"
#include "server/http_client.h"
#include "sim/sim_server.h"
#include "main_core_fixture.h"
#include "support/process.h"

namespace orv {
namespace {

using test::Fixture;
using Busy = std::pair<PagesHook::Button, bool>;

class ScriptedPrompts : public Prompts {
 public:
  Answer WarningDialog(const std::string& msg, const std::vector<std::string>&) override {
    questions.push_back(msg);
    return answer;
  }
  void MessageBox(const std::string& msg) override { boxes.push_back(msg); }
  std::string ChooseOpenFile(const std::string& title, const std::string& filter) override {
    asked.push_back(title + "|" + filter);
    return openFile;
  }
  std::string ChooseSaveFile(const std::string& title, const std::string& filter, const std::string& name) override {
    asked.push_back(title + "|" + filter + "|" + name);
    return saveFile;
  }
  Answer answer = Answer::kYes;
  std::string openFile, saveFile;
  std::vector<std::string> questions, boxes, asked;
};

// Records the calls in the load and store orders' place.
class CountingPages : public PagesHook {
 public:
  void LoadData(TMemItems&) override { ++loads; }
  void StoreData(TMemItems&) override { ++stores; }
  std::optional<TPIN> OptionsPIN() const override { return std::nullopt; }
  void SetOptionsPIN(const TPIN&) override {}
  int loads = 0, stores = 0;
};

struct ActionsFixture : Fixture {
  explicit ActionsFixture(bool plugged = true, sim::SimConfig cfg = {})
      : Fixture(plugged, cfg), actions(core, *link, prompts, pages) {}
  TSettingsSession& Session() { return actions.Session(); }
  std::vector<uint8_t> UnitBytes(int region) {
    std::vector<uint8_t> b(kRegionSize[static_cast<size_t>(region)]);
    unit->ReadRom(kRegionAddr[static_cast<size_t>(region)], b.data(), static_cast<uint32_t>(b.size()));
    return b;
  }
  std::vector<uint8_t> ImageBytes(int region) {
    auto b = Session().MemItems[static_cast<size_t>(region)].Bytes();
    return {b.begin(), b.end()};
  }
  // Connects: the start-up queue and the read the arrival queues.
  void Connect() {
    core.StartQueue(false);
    RunIdle();
  }

  ScriptedPrompts prompts;
  CountingPages pages;
  SettingsActions actions;
};

TEST(SettingsActions, TheTasksExistWhileTheActionsDo) {
  Fixture f;
  {
    ScriptedPrompts prompts;
    CountingPages pages;
    SettingsActions actions(f.core, *f.link, prompts, pages);
    for (uint8_t t : {3, 9, 28}) EXPECT_TRUE(f.core.Table().Has(t)) << int(t);
    EXPECT_FALSE(f.core.Table().Has(8)) << "the synchronisation comes with its own task";
  }
  for (uint8_t t : {3, 9, 28}) EXPECT_FALSE(f.core.Table().Has(t)) << int(t);
}

TEST(SettingsActions, AConnectedUnitIsReadByTask3WithTheButtonsBusyMeanwhile) {
  ActionsFixture f;
  f.Connect();
  EXPECT_EQ(f.view.started, (std::vector<int>{1, 3}));
  EXPECT_TRUE(f.Session().FOptionsRead);
  EXPECT_EQ(f.pages.loads, 1);
  for (int k = 0; k < kRegionCount; ++k)
    if (regionmask::Has(regionmask::kRead, k)) EXPECT_EQ(f.ImageBytes(k), f.UnitBytes(k)) << "region " << k;
  EXPECT_EQ(f.view.busyCalls, (std::vector<Busy>{{PagesHook::Button::kRead, true}, {PagesHook::Button::kRead, false}}));
  ASSERT_GE(f.view.buttonHistory.size(), 2u);
  EXPECT_FALSE(f.view.buttonHistory[f.view.buttonHistory.size() - 2].read) << "disabled during the read";
  EXPECT_TRUE(f.view.buttons.read);
  EXPECT_TRUE(f.view.buttons.factory);
  const auto& p = f.core.StatusPanel().Panel();
  EXPECT_EQ(p.status, "Настройки прочитаны.");
  EXPECT_TRUE(f.core.Tasks().Ready());
}

TEST(SettingsActions, TheReadButtonRunsAtOnceAndReportsItsOutcome) {
  ActionsFixture f;
  f.Connect();
  f.view.started.clear();
  EXPECT_TRUE(f.actions.ReadFromDev());
  EXPECT_TRUE(f.view.started.empty());
  EXPECT_EQ(f.core.StatusPanel().Panel().op, "Чтение настроек");
  EXPECT_EQ(f.core.StatusPanel().Panel().res, "OK");
  EXPECT_EQ(f.core.StatusPanel().Panel().status, "Настройки прочитаны");

  f.unit->Faults() = sim::FaultPlan::Parse("drop/55.05 x*");
  f.link->SetTimeoutScale(5);
  EXPECT_FALSE(f.actions.ReadFromDev());
  EXPECT_EQ(f.core.StatusPanel().Panel().res, "ОШИБКА");
  EXPECT_EQ(f.core.StatusPanel().Panel().status, "Ошибка чтения");
  EXPECT_TRUE(f.view.buttons.read) << "free again";
}

TEST(SettingsActions, ApplyQueuesTheWriteOnlyAndTheUnitHoldsTheSettings) {
  ActionsFixture f;
  f.Connect();
  f.view.started.clear();
  f.Session().MemItems[kRegionCan].FData[5] ^= 0x3C;
  const auto edited = f.ImageBytes(kRegionCan);
  {
    IdleHandler::BusyScope click(f.core.Idler());  // as the window runs a button's handler
    f.actions.Apply();
  }
  EXPECT_EQ(f.Pending(), (std::vector<int>{9}));
  f.RunIdle();
  EXPECT_EQ(f.view.started, (std::vector<int>{9}));
  EXPECT_EQ(f.core.StatusPanel().Request(), 9);
  EXPECT_TRUE(f.Session().FCFGsaved);
  EXPECT_EQ(f.pages.stores, 1);
  EXPECT_EQ(f.UnitBytes(kRegionCan), edited);
  EXPECT_EQ(f.unit->SaveCommands(), 1);
  const auto& p = f.core.StatusPanel().Panel();
  EXPECT_EQ(p.op, "Синхронизация настроек");
  EXPECT_EQ(p.res, "OK");
  EXPECT_EQ(p.status, "Настройки синхронизированы");
  EXPECT_EQ(f.view.busyCalls.back(), (Busy{PagesHook::Button::kApply, false}));
  EXPECT_TRUE(f.view.buttons.read) << "the buttons follow the unit again";
  EXPECT_TRUE(f.core.Tasks().Ready());
}

TEST(SettingsActions, UnitActionsWithoutAUnitAreRefusedAtOnceAndSendNothing) {
  ActionsFixture f(false);
  f.core.StartQueue(false);
  f.RunIdle();
  f.view.started.clear();
  using Action = bool (SettingsActions::*)();
  for (Action action : {&SettingsActions::Apply, &SettingsActions::ReadFromDev, &SettingsActions::FactoryDefaults}) {
    f.core.StatusPanel().StartAction("Подключение");
    EXPECT_FALSE((f.actions.*action)());
    f.RunIdle();
    const auto& p = f.core.StatusPanel().Panel();
    EXPECT_EQ(p.res, "ОШИБКА");
    EXPECT_EQ(p.status, "Orvantis не подключен");
  }
  EXPECT_TRUE(f.view.started.empty()) << "nothing queued";
  EXPECT_TRUE(f.Pending().empty());
  const auto& log = f.core.StatusPanel().LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Нет соединения с Orvantis"), 3);
  EXPECT_TRUE(f.unit->Requests().empty()) << "nothing reached the unit";
  EXPECT_TRUE(f.prompts.boxes.empty());
  EXPECT_TRUE(f.prompts.questions.empty());
}

TEST(SettingsActions, ApplyBeforeAnyReadIsRefusedAndReleasesTheQueue) {
  ActionsFixture f;
  f.actions.Apply();  // before the arrival's read has run
  f.RunIdle();
  ASSERT_FALSE(f.view.started.empty());
  EXPECT_EQ(f.view.started[0], 9);
  ASSERT_EQ(f.prompts.boxes.size(), 1u);
  EXPECT_EQ(f.prompts.boxes[0], settings_text::kImageIncomplete);
  EXPECT_EQ(f.unit->SaveCommands(), 0);
  EXPECT_TRUE(f.core.Tasks().Ready());
}

TEST(SettingsActions, FactoryButtonQueuesTheResetAndThenTheReadBack) {
  sim::SimConfig cfg;
  cfg.model = 2;
  ActionsFixture f(true, cfg);
  f.Connect();
  f.view.started.clear();
  const uint8_t junk[3] = {9, 9, 9};
  f.unit->WriteRom(kRegionAddr[kRegionConfig], junk, 3);
  {
    IdleHandler::BusyScope click(f.core.Idler());
    f.actions.FactoryDefaults();
  }
  EXPECT_EQ(f.Pending(), (std::vector<int>{28}));
  f.RunIdle();
  EXPECT_EQ(f.view.started, (std::vector<int>{28, 3})) << "8 is not queued while it has no task";
  EXPECT_EQ(f.prompts.questions.size(), 1u) << "a model 2 unit is asked once";
  EXPECT_NE(f.UnitBytes(kRegionConfig), std::vector<uint8_t>(junk, junk + 3));
  EXPECT_EQ(f.ImageBytes(kRegionConfig), f.UnitBytes(kRegionConfig)) << "read back";

  f.view.started.clear();
  f.prompts.answer = Prompts::Answer::kNo;
  const size_t writes = f.unit->CountRequests(0x55, 0x04);
  f.actions.FactoryDefaults();
  f.RunIdle();
  EXPECT_EQ(f.view.started, (std::vector<int>{28}));
  EXPECT_EQ(f.unit->CountRequests(0x55, 0x04), writes) << "declined: nothing written";
  EXPECT_TRUE(f.core.Tasks().Ready());
}

// With the synchronisation set up, a finished reset reads the unit back
// before it sends: the pages hold the reset settings when the request is made.
TEST(SettingsActions, FactoryResetReadsBackThenSendsToTheAccount) {
  test::TempDir dir;
  const char* oldCache = std::getenv("XDG_CACHE_HOME");
  const std::string savedCache = oldCache ? oldCache : "";
  ::setenv("XDG_CACHE_HOME", dir.Path().c_str(), 1);
  sim::ServerConfig scfg;
  scfg.recordDir = dir.File("rec");
  sim::SimServer server(scfg);
  std::string error;
  ASSERT_TRUE(server.Start(error)) << error;
  server::HttpClient http({server.Url(), server.CaFile()});

  ActionsFixture f;
  int loadsWhenSent = -1;
  f.actions.SetUpSync(
      http, [] { return 1234u; },
      [&] {
        loadsWhenSent = f.pages.loads;
        return std::string("{}");
      },
      {});
  f.Connect();
  f.view.started.clear();
  {
    IdleHandler::BusyScope click(f.core.Idler());
    f.actions.FactoryDefaults();
  }
  f.RunIdle();
  EXPECT_EQ(f.view.started, (std::vector<int>{28, 3, 8}));
  EXPECT_EQ(loadsWhenSent, f.pages.loads) << "sent after the read loaded the pages";
  EXPECT_EQ(f.actions.LastSync(), SyncResult::kAccepted);
  EXPECT_EQ(server.Requests(), 1);
  EXPECT_TRUE(f.core.Tasks().Ready());
  if (oldCache) ::setenv("XDG_CACHE_HOME", savedCache.c_str(), 1);
  else ::unsetenv("XDG_CACHE_HOME");
}

TEST(SettingsActions, TheStartUpTimerWritesOnlyWhileTask9sWriteIsTheOperation) {
  ActionsFixture f;
  f.Connect();
  EXPECT_FALSE(f.actions.StartUpTimer()) << "status 1 after start-up";
  f.core.StatusPanel().SetStatus(9);
  EXPECT_FALSE(f.actions.StartUpTimer()) << "not handed to the unit by task 9";
  f.Session().FCFGsaved = true;
  f.Session().MemItems[kRegionInternet].FData[3] = 'x';
  EXPECT_TRUE(f.actions.StartUpTimer());
  EXPECT_EQ(f.UnitBytes(kRegionInternet)[3], 'x');
  EXPECT_EQ(f.unit->SaveCommands(), 1);
}

TEST(SettingsActions, SettingsFilesThroughTheFileDialog) {
  test::TempDir dir;
  ActionsFixture f;
  f.Connect();
  // Cancelled dialogs do nothing.
  EXPECT_FALSE(f.actions.SaveToFile());
  EXPECT_FALSE(f.actions.LoadFromFile());
  EXPECT_EQ(f.prompts.asked, (std::vector<std::string>{
                                 "Сохранение настроек в файле|файлы настроек |*.vesnar|все файлы|*.*|",
                                 "Загрузка настроек из файла|файлы настроек |*.vesnar|все файлы|*.*"}));
  EXPECT_EQ(f.core.StatusPanel().Panel().status, "Настройки прочитаны.");

  f.Session().MemItems[kRegionOutputs].FData[1] = 0x77;
  const auto edited = f.ImageBytes(kRegionOutputs);
  f.prompts.saveFile = dir.File("unit");
  ASSERT_TRUE(f.actions.SaveToFile());
  EXPECT_EQ(f.core.StatusPanel().Panel().op, "Сохранение настроек в файле");
  std::ifstream saved(dir.File("unit.vesnar"), std::ios::binary | std::ios::ate);
  EXPECT_EQ(saved.tellg(), 3692) << "the extension was added";

  f.Session().MemItems[kRegionOutputs].Clear();
  f.prompts.openFile = dir.File("unit.vesnar");
  const int loads = f.pages.loads;
  ASSERT_TRUE(f.actions.LoadFromFile());
  EXPECT_EQ(f.ImageBytes(kRegionOutputs), edited);
  EXPECT_EQ(f.pages.loads, loads + 1);
  EXPECT_EQ(f.core.StatusPanel().Panel().status, "Настройки загружены");
  EXPECT_EQ(f.unit->CountRequests(0x55, 0x04), 0u) << "loading writes nothing to the unit";

  f.prompts.saveFile = dir.File("no such folder/unit.vesnar");
  EXPECT_FALSE(f.actions.SaveToFile());
  EXPECT_EQ(f.core.StatusPanel().Panel().res, "ОШИБКА");
  EXPECT_EQ(f.core.StatusPanel().Panel().status, "Настройки не сохранены");
  EXPECT_FALSE(f.prompts.boxes.empty());
}

}  // namespace
}  // namespace orv
