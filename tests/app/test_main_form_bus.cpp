// The configurator's window against simulated units in orvantis-sim
// processes on a private virtual HID bus: the way the run command starts it.
#include <gtest/gtest.h>
#include <signal.h>

#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

#include "app/controller_choice.h"
#include "bus_window_fixture.h"
#include "device/orvantis.h"
#include "device/vbus_client.h"
#include "gui_support.h"
#include "settings/mem_items.h"
#include "settings/settings_stream.h"
#include "support/process.h"

namespace orv::test {
namespace {

// The started tasks without those that only ask the maker's server.
std::vector<int> UnitTasks(const QSignalSpy& started) {
  std::vector<int> out;
  for (const auto& args : started)
    if (args[0].toInt() != 2 && args[0].toInt() != 24) out.push_back(args[0].toInt());
  return out;
}

TEST_F(BusWindowTest, APresentUnitIsReportedIdentifiedAndRead) {
  StartUnit(1234);
  Open();
  QSignalSpy started(window.get(), &TMainForm::taskStarted);
  ASSERT_TRUE(WaitForLog(kRead)) << Text("lbStatus").toStdString();
  // Besides the server's tasks (24, 2): the start-up queue's 1, then the read the arrival queued.
  EXPECT_EQ(UnitTasks(started), (std::vector<int>{1, 3}));
  EXPECT_EQ(LogCount("Orvantis подключен."), 1);
  EXPECT_EQ(Text("lbSN"), "SN 0000001234");
  EXPECT_TRUE(LabelShown("lbSN"));
  EXPECT_TRUE(LabelShown("lbBootInfo"));
  EXPECT_TRUE(window->Session().FOptionsRead);
  const TMemItems unit = UnitMemory();
  EXPECT_TRUE(SameRegions(window->Session().MemItems, unit, regionmask::kRead));
  for (uint8_t b : window->Session().MemItems[kRegionSms].FData) ASSERT_EQ(b, 0) << "region 8 is never read";
}

TEST_F(BusWindowTest, TheSameUnitShowsTheSameIdentityAsTheCommandLineTool) {
  StartUnit(987654, 2);
  const RunResult cli = RunCli({"--bus", bus_, "info"});
  ASSERT_EQ(cli.exitCode, 0) << cli.err;
  Open();
  ASSERT_TRUE(WaitForLog(kRead));
  const std::string out = cli.out;
  EXPECT_NE(out.find(Text("lbSN").toStdString() + "\n"), std::string::npos) << out;
  EXPECT_NE(out.find(Text("lbBootInfo").toStdString() + "\n"), std::string::npos) << out;
  EXPECT_EQ(Text("lbSN"), "SN 0000987654");
  EXPECT_TRUE(Text("lbBootInfo").startsWith("Boot v"));
}

TEST_F(BusWindowTest, WithoutAUnitOnlyTheConnectionTaskRunsUntilOneIsPlugged) {
  Open();
  QSignalSpy started(window.get(), &TMainForm::taskStarted);
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Orvantis не подключен."; }));
  EXPECT_FALSE(LabelShown("lbSN"));
  StartUnit(4321);
  ASSERT_TRUE(WaitForLog(kRead));
  EXPECT_EQ(UnitTasks(started), (std::vector<int>{1, 3}));
  EXPECT_EQ(Text("lbSN"), "SN 0000004321");
}

TEST_F(BusWindowTest, AKilledUnitIsReportedAndANewUnitIsReadAgain) {
  Background& first = StartUnit(1234, 3);
  Open();
  ASSERT_TRUE(WaitForLog(kRead));
  const TMemItems firstImage = window->Session().MemItems;

  first.Signal(SIGKILL);
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Orvantis отключен."; }, 3000));
  EXPECT_EQ(Text("lbOp"), "Подключение");
  EXPECT_FALSE(LabelShown("lbSN"));
  EXPECT_FALSE(window->findChild<QWidget*>("btnBtnUp")->isEnabled());
  EXPECT_FALSE(window->findChild<QWidget*>("btnDef")->isEnabled());

  StartUnit(5678, 1);
  ASSERT_TRUE(WaitForLog(kRead, 2));
  EXPECT_EQ(Text("lbSN"), "SN 0000005678");
  EXPECT_TRUE(LabelShown("lbSN"));
  EXPECT_EQ(LogCount("Orvantis подключен."), 2);
  EXPECT_TRUE(SameRegions(window->Session().MemItems, UnitMemory(), regionmask::kRead));
  EXPECT_FALSE(SameRegions(window->Session().MemItems, firstImage, regionmask::kRead))
      << "a model 1 unit holds other factory settings than a model 3 unit";
}

TEST_F(BusWindowTest, ApplyWritesTheSettingsAndTheUnitHoldsThem) {
  StartUnit(1234);
  Open();
  ASSERT_TRUE(WaitForLog(kRead));
  TMemItems& items = window->Session().MemItems;
  items[kRegionInternet].FData[200] = 'W';  // reserved: no page edits it
  items[kRegionConfig].FData[300] ^= 0xFF;  // beyond the main block: kept as it is
  const TMemItems edited = items;

  Click("btnBtnDn");
  ASSERT_TRUE(WaitForLog("Настройки сохранены.")) << Text("lbStatus").toStdString();
  EXPECT_EQ(Text("lbRes"), "OK");
  EXPECT_EQ(Text("lbStatus"), "Настройки синхронизированы");
  const TMemItems unit = UnitMemory();
  EXPECT_TRUE(SameRegions(unit, edited, regionmask::kWrite)) << "the unit holds what the window wrote";
  EXPECT_EQ(unit[kRegionInternet].FData[200], 'W');

  // Read back by the read button: the same settings.
  Click("btnBtnUp");
  EXPECT_EQ(Text("lbStatus"), "Настройки прочитаны");
  EXPECT_TRUE(SameRegions(window->Session().MemItems, edited, regionmask::kWrite));
}

TEST_F(BusWindowTest, AFileSavedFromTheWindowLoadsBackIdentically) {
  StartUnit(1234);
  Open();
  ASSERT_TRUE(WaitForLog(kRead));
  TMemItems& items = window->Session().MemItems;
  items[kRegionImpulses].FData[10] = 0x42;  // an edit that exists only in the window
  const TMemItems saved = items;

  window->saveAnswer = tmp_.File("my settings");  // typed without an extension
  Click("btnToFile");
  ASSERT_EQ(window->asked.size(), 1u);
  EXPECT_EQ(window->asked[0], "save:Сохранение настроек в файле:файлы настроек |*.vesnar|все файлы|*.*:");
  const std::string file = tmp_.File("my settings.vesnar");
  std::ifstream in(file, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 3692u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4), (std::vector<uint8_t>{0x7f, 0x40, 0x00, 0x04}));
  EXPECT_EQ(Text("lbStatus"), settings_text::kSavedToFile);

  for (auto& item : items) item.Clear();
  window->openAnswer = file;
  Click("btnFromFile");
  ASSERT_EQ(window->asked.size(), 2u);
  EXPECT_EQ(window->asked[1], "open:Загрузка настроек из файла:файлы настроек |*.vesnar|все файлы|*.*");
  EXPECT_EQ(Text("lbOp"), "Загрузка настроек из файла");
  EXPECT_EQ(Text("lbRes"), "OK");
  EXPECT_EQ(Text("lbStatus"), "Настройки загружены");
  EXPECT_TRUE(SameRegions(window->Session().MemItems, saved, regionmask::kWrite));

  // Saved again, the file is the same byte for byte.
  window->saveAnswer = tmp_.File("again.vesnar");
  Click("btnToFile");
  std::ifstream again(tmp_.File("again.vesnar"), std::ios::binary);
  EXPECT_EQ(std::vector<uint8_t>((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>()), bytes);

  // A file that is not there: the error box, and the image stays.
  DialogAnswer ok("OK");
  window->openAnswer = tmp_.File("missing.vesnar");
  Click("btnFromFile");
  EXPECT_EQ(ok.count, 1);
  EXPECT_EQ(Text("lbRes"), "ОШИБКА");
  EXPECT_EQ(Text("lbStatus"), "Настройки не загружены");
  EXPECT_TRUE(SameRegions(window->Session().MemItems, saved, regionmask::kWrite));
}

}  // namespace
}  // namespace orv::test
