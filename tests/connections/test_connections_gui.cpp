// The connections and impulses pages in the window, drawn off-screen, against
// simulated units: edits written to a unit on the virtual bus, the poller's
// requests counted at an in-process unit, printing to PDF, screenshots.
#include <gtest/gtest.h>
#include <signal.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QSlider>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPdfWriter>
#include <QRadioButton>
#include <QSettings>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <memory>

#include "app/controller_choice.h"
#include "app/gui_support.h"
#include "device/orvantis.h"
#include "device/vbus_client.h"
#include "pages/connections_frame.h"
#include "pages/impulses_frame.h"
#include "settings/mem_items.h"
#include "sim/sim_hid.h"
#include "support/process.h"

namespace orv::test {
namespace {

constexpr const char* kRead = "Настройки прочитаны.";

// Chooses items of the next popup menus by their texts: a submenu is opened,
// the last item is activated.
class MenuPicker {
 public:
  explicit MenuPicker(QStringList path) : path_(std::move(path)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Step(); });
    timer_.start();
  }
  bool Done() const { return path_.isEmpty(); }

 private:
  void Step() {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || path_.isEmpty()) return;
    for (QAction* a : menu->actions()) {
      if (a->text() != path_.front()) continue;
      menu->setActiveAction(a);
      path_.pop_front();
      QTest::keyClick(menu, a->menu() ? Qt::Key_Right : Qt::Key_Return);
      return;
    }
  }
  QStringList path_;
  QTimer timer_;
};

void Screenshot(QWidget* w, const QString& name) { SaveShot(w, name); }

class ConnectionsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(tmp_.Path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(tmp_.Path()));
  }
  void TearDown() override { window.reset(); }

  void Show(std::unique_ptr<HidController> controller) {
    ConfiguratorOptions options;
    window = std::make_unique<ScriptedForm>(options, std::move(controller));
    window->resize(1280, 860);
    window->show();
  }
  void Expert() {
    DialogAnswer yes("Да");
    window->findChild<QCheckBox*>("cbExpertMode")->click();
    ASSERT_TRUE(window->ExpertMode());
  }
  void Select(const char* action) {
    QAction* a = window->findChild<QAction*>(action);
    ASSERT_NE(a, nullptr) << action;
    a->trigger();
  }
  TConnectionsFrame* Conn() { return window->findChild<TConnectionsFrame*>("ConnectionsFrame"); }
  TImpulsesFrame* Imp() { return window->findChild<TImpulsesFrame*>("ImpulsesFrame"); }
  bool WaitForLog(const std::string& line, int times = 1, int ms = 8000) {
    return WaitFor(
        [&] {
          const auto& lines = window->StatusOps().LogLines();
          return std::count(lines.begin(), lines.end(), line) >= times;
        },
        ms);
  }
  void ClickCell(QTableWidget* grid, int row, int column, Qt::MouseButton button = Qt::LeftButton) {
    grid->scrollTo(grid->model()->index(row, column));
    const QRect r = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), button, {}, r.center());
  }

  TempDir tmp_;
  std::unique_ptr<ScriptedForm> window;
};

// --- edits written to a unit on the bus --------------------------------------

class ConnectionsOnBus : public ConnectionsWindow {
 protected:
  void SetUp() override {
    ConnectionsWindow::SetUp();
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    savedXdg_ = xdg ? std::optional<std::string>(xdg) : std::nullopt;
    ::setenv("XDG_RUNTIME_DIR", tmp_.Path().c_str(), 1);
    bus_ = tmp_.File("bus");
    unit_ = std::make_unique<Background>(
        SimPath(), std::vector<std::string>{"unit", "--bus", bus_, "--model", "3", "--pcb", "17"});
    ASSERT_TRUE(unit_->WaitForOutput("plugged: ", 5000)) << unit_->Err();
    BackendOptions backend;
    backend.bus = bus_;
    ControllerChoice choice = CreateController(backend);
    ASSERT_NE(choice.controller, nullptr) << choice.error;
    Show(std::move(choice.controller));
    ASSERT_TRUE(WaitForLog(kRead));
  }
  void TearDown() override {
    ConnectionsWindow::TearDown();
    unit_.reset();
    if (savedXdg_) ::setenv("XDG_RUNTIME_DIR", savedXdg_->c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
  }
  // The unit's regions, read through a second link.
  TMemItems UnitMemory() {
    VbusController bus(bus_);
    TOrvantis link(&bus, nullptr, nullptr, nullptr);
    link.SetUseSync(false);
    TMemItems items = CreateMemItems();
    for (int k : {kRegionInputs, kRegionThresholds, kRegionOutputs, kRegionImpulses}) {
      TMemItem& item = items[static_cast<size_t>(k)];
      EXPECT_TRUE(link.ReadROM(item.FData.data(), item.Addr(), item.Size())) << "region " << k;
    }
    return items;
  }

  std::string bus_;
  std::optional<std::string> savedXdg_;
  std::unique_ptr<Background> unit_;
};

TEST_F(ConnectionsOnBus, EditsOnBothPagesReachTheUnit) {
  Expert();
  Select("aConnectionsFrame");
  TConnectionsFrame* conn = Conn();
  ASSERT_NE(conn, nullptr);
  auto* inputs = conn->findChild<QTableWidget*>("dgInputs");
  EXPECT_EQ(inputs->item(6, 1)->text(), "Главный модуль, CN10.7, оранжевый \"-\"");
  {
    MenuPicker pick({"Главный модуль", "CN10.7, оранжевый \"-\""});
    ClickCell(inputs, 5, 1);
    ASSERT_TRUE(WaitFor([&] { return pick.Done(); }));
  }
  EXPECT_EQ(inputs->item(5, 1)->text(), "Главный модуль, CN10.7, оранжевый \"-\"");
  EXPECT_EQ(inputs->item(6, 1)->text(), "Не назначен");
  Screenshot(window.get(), "connections_inputs");

  Select("aImpulsesFrame");
  auto* cycles = Imp()->findChild<QTableWidget*>("dgCycles");
  ASSERT_EQ(cycles->item(5, 0)->text(), "Свет: тревога");
  EXPECT_EQ(cycles->item(5, 1)->text(), "⟳");
  ClickCell(cycles, 5, 1);
  EXPECT_EQ(cycles->item(5, 1)->text(), "");
  // The cell after the last pulse offers "Добавить"; the new pulse is off until cancelled.
  {
    MenuPicker pick({"Добавить"});
    ClickCell(cycles, 0, 3);
    ASSERT_TRUE(WaitFor([&] { return pick.Done(); }));
  }
  EXPECT_EQ(Imp()->Model().Imp().SeqToString(0), "| импульс 0.80 c | выкл | ");
  // The editor turns it into an on-pulse of 1.5 s.
  Imp()->findChild<QRadioButton*>("rbOn")->click();
  Imp()->findChild<QRadioButton*>("rbTimed")->click();
  auto* duration = Imp()->findChild<QLineEdit*>("eDuration");
  duration->clear();
  QTest::keyClicks(duration, "1,5");
  EXPECT_EQ(duration->text(), "1.5");
  EXPECT_EQ(Imp()->Model().Imp().SeqToString(0), "| импульс 0.80 c | импульс 1.5 c | ");
  Screenshot(window.get(), "impulses");

  window->findChild<QWidget*>("btnBtnDn")->setFocus();
  QTest::mouseClick(window->findChild<QWidget*>("btnBtnDn"), Qt::LeftButton);
  ASSERT_TRUE(WaitForLog("Настройки сохранены.")) << window->StatusOps().LogLines().back();
  const TMemItems unit = UnitMemory();
  const auto& in = unit[kRegionInputs].FData;
  EXPECT_EQ((std::vector<uint8_t>{in[10], in[11], in[12], in[13]}), (std::vector<uint8_t>{0x02, 0x03, 0x00, 0x00}));
  const auto& imp = unit[kRegionImpulses].FData;
  EXPECT_EQ((std::vector<uint8_t>{imp[5 * 32], imp[5 * 32 + 1]}), (std::vector<uint8_t>{0x00, 0x02}));
  EXPECT_EQ((std::vector<uint8_t>{imp[0], imp[1], imp[4], imp[5]}), (std::vector<uint8_t>{0x00, 0x02, 0x85, 0xDC}));
}

TEST_F(ConnectionsOnBus, BothPagesPrintToPdf) {
  const QString pdf = QString::fromStdString(tmp_.File("report.pdf"));
  {
    QPdfWriter writer(pdf);
    QPainter painter(&writer);
    int y = 100;
    Conn()->Print(painter, y, "Подключение");
    Imp()->Print(painter, y, "Импульсы");
  }
  const RunResult text = test::Run("/usr/bin/pdftotext", {"-layout", pdf.toStdString(), "-"});
  ASSERT_EQ(text.exitCode, 0) << text.err;
  for (const char* s : {"Подключение", "Входные сигналы", "Датчик ручного тормоза", "Выходные сигналы",
                        "Главный модуль, CN10.7, оранжевый \"-\"", "Выключение подогревателя", "Импульсы",
                        "Свет: тревога | импульс 0.50 c | пауза 0.50 c |", "Резерв [47]"})
    EXPECT_NE(text.out.find(s), std::string::npos) << s << "\n" << text.out;
}

// --- the poller, counted at an in-process unit -------------------------------

class ConnectionsPolling : public ConnectionsWindow {
 protected:
  void SetUp() override {
    ConnectionsWindow::SetUp();
    sim::SimConfig cfg;
    cfg.model = 4;
    unit = std::make_shared<sim::SimUnit>(cfg);
    auto ctrl = std::make_unique<sim::SimHidController>(unit, sim::SimTransportOptions{}, true);
    controller = ctrl.get();
    Show(std::move(ctrl));
    ASSERT_TRUE(WaitForLog(kRead));
  }
  // Requests 0x91 the unit receives during `ms` milliseconds from now.
  size_t PollsDuring(int ms) {
    QTest::qWait(100);  // a stop or start just made settles
    unit->ClearRequests();
    QTest::qWait(ms);
    return unit->CountRequests(0x91);
  }
  void Sub(int index) { Conn()->findChild<QListWidget*>("lbConnections")->setCurrentRow(index); }

  std::shared_ptr<sim::SimUnit> unit;
  sim::SimHidController* controller = nullptr;
};

TEST_F(ConnectionsPolling, PollsOnlyWhileALiveSubPageOfTheCurrentPageShowsAConnectedUnit) {
  Expert();
  Select("aConnectionsFrame");
  EXPECT_EQ(PollsDuring(600), 0u) << "the inputs sub-page shows nothing live";
  Sub(3);
  ASSERT_TRUE(Conn()->Polling());
  EXPECT_EQ(Conn()->RefreshInterval(), 500u) << "\"0,5 с\" at start";
  Conn()->findChild<QRadioButton*>("rbInterval0")->click();
  const size_t fast = PollsDuring(2000);
  EXPECT_GE(fast, 7u);
  EXPECT_LE(fast, 12u);
  EXPECT_TRUE(WaitFor([&] { return Conn()->findChild<QWidget*>("lbGsm")->isVisible() ||
                                   Conn()->findChild<QWidget*>("lbLowSupply")->isVisible(); }));
  Screenshot(window.get(), "connections_diagnostics");
  Sub(4);
  Screenshot(window.get(), "connections_tags");

  Sub(2);
  // The factory thresholds: off below 3.0 V, on above 8.0 V.
  EXPECT_EQ(Conn()->findChild<QLineEdit*>("eThreshold0")->text(), " 3.0 В");
  EXPECT_EQ(Conn()->findChild<QSlider*>("tbThreshold3")->value(), 80);
  EXPECT_EQ(Conn()->findChild<QGroupBox*>("gbThreshold4")->title(), "Вход CN1.5, белый/черный \"+\"");
  Screenshot(window.get(), "connections_thresholds");
  // An on threshold typed below the off threshold pulls it down.
  auto* on4 = Conn()->findChild<QLineEdit*>("eThreshold1");
  on4->setFocus();
  on4->selectAll();
  QTest::keyClicks(on4, "2,5");
  EXPECT_EQ(on4->text(), "2.5");
  QTest::keyClick(on4, Qt::Key_Return);
  EXPECT_EQ(Conn()->findChild<QSlider*>("tbThreshold1")->value(), 25);
  EXPECT_EQ(Conn()->findChild<QSlider*>("tbThreshold0")->value(), 24);
  EXPECT_EQ(on4->text(), " 2.5 В");
  Sub(0);
  EXPECT_EQ(PollsDuring(800), 0u) << "left the live sub-pages";
  Sub(3);
  EXPECT_GE(PollsDuring(1000), 3u);
  Select("aOptionsFrame");
  EXPECT_EQ(PollsDuring(800), 0u) << "another page is shown";
  Select("aConnectionsFrame");
  EXPECT_GE(PollsDuring(1000), 3u) << "shown again";

  controller->Unplug();
  ASSERT_TRUE(WaitFor([&] { return !Conn()->Polling(); }));
  EXPECT_EQ(PollsDuring(800), 0u) << "unplugged";
  controller->Plug();
  ASSERT_TRUE(WaitForLog(kRead, 2));
  ASSERT_TRUE(WaitFor([&] { return Conn()->Polling(); }));
  EXPECT_GE(PollsDuring(1000), 3u) << "plugged again";
}

TEST_F(ConnectionsPolling, LiveSubPagesNeedExpertMode) {
  Select("aConnectionsFrame");
  DialogAnswer ok("OK");
  Sub(4);
  ASSERT_TRUE(WaitFor([&] { return ok.count == 1; }));
  EXPECT_EQ(ok.text, "Доступно в режиме Эксперта");
  EXPECT_EQ(Conn()->findChild<QListWidget*>("lbConnections")->currentRow(), 0);
  EXPECT_FALSE(Conn()->Polling());
  EXPECT_EQ(PollsDuring(600), 0u);
}

TEST_F(ConnectionsPolling, FixedEntriesAreRefusedWithTheLogLineAndOutsideExpertModeABox) {
  // Input 7 ("Датчик включения зажигания") fixed on CAN, read again.
  const uint8_t fixed[2] = {0x81, 0x00};
  unit->WriteRom(kRegionAddr[kRegionInputs] + 14, fixed, 2);
  QTest::mouseClick(window->findChild<QWidget*>("btnBtnUp"), Qt::LeftButton);
  ASSERT_TRUE(WaitForLog(kRead, 2));
  Select("aConnectionsFrame");
  auto* inputs = Conn()->findChild<QTableWidget*>("dgInputs");
  const std::string refusal = "Назначение входа \"Датчик включения зажигания\" не может быть изменено";
  {
    DialogAnswer ok("OK");
    MenuPicker pick({"Не назначен"});
    ClickCell(inputs, 7, 1);
    ASSERT_TRUE(WaitFor([&] { return pick.Done() && ok.count == 1; }));
    EXPECT_EQ(ok.text.toStdString(), refusal);
  }
  EXPECT_TRUE(WaitForLog(refusal));
  EXPECT_EQ(inputs->item(7, 1)->text(), "CAN");
  // In expert mode the log line alone.
  Expert();
  DialogAnswer none("OK");
  MenuPicker pick({"Не назначен"});
  ClickCell(inputs, 7, 1);
  ASSERT_TRUE(WaitFor([&] { return pick.Done(); }));
  EXPECT_TRUE(WaitForLog(refusal, 2));
  QTest::qWait(100);
  EXPECT_EQ(none.count, 0);
}

}  // namespace
}  // namespace orv::test
