// The configurator's window against an in-process simulated unit, rendered
// off-screen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <thread>

#include "app/hidden_keys.h"
#include "app/instance_slots.h"
#include "app/main_form.h"
#include "pages/model/internet_model.h"
#include "pages/model/page_models.h"
#include "device/hid_hidapi.h"
#include "device/orvantis.h"
#include "device/owner_call.h"
#include "pages/cl_frame.h"
#include "pages/page_container.h"
#include "pages/plug_message.h"
#include "sim/sim_hid.h"
#include "gui_support.h"
#include "support/process.h"

namespace orv {
namespace {

using test::DialogAnswer;
using test::WaitFor;

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.Path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(dir.Path()));
  }
  void TearDown() override { window.reset(); }

  void Open(bool plugged = true, uint32_t serial = 1234) {
    sim::SimConfig cfg;
    cfg.serial = serial;
    auto ctrl = std::make_unique<sim::SimHidController>(std::make_shared<sim::SimUnit>(cfg),
                                                        sim::SimTransportOptions{}, plugged);
    controller = ctrl.get();
    ConfiguratorOptions options;
    options.simModel = 3;
    window = std::make_unique<TMainForm>(options, std::move(ctrl));
    window->show();
  }
  template <typename T = QWidget>
  T* Find(const char* name) {
    T* w = window->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QString Text(const char* label) { return Find<QLabel>(label)->text(); }
  bool Logged(const QString& line) { return LogCount(line) > 0; }
  int LogCount(const QString& line) {
    int n = 0;
    for (const auto& l : window->StatusOps().LogLines()) n += QString::fromStdString(l) == line;
    return n;
  }
  // Position of the first log line equal to `line`; -1 when there is none.
  int LogIndex(const QString& line) {
    const auto& lines = window->StatusOps().LogLines();
    for (size_t i = 0; i < lines.size(); ++i)
      if (QString::fromStdString(lines[i]) == line) return static_cast<int>(i);
    return -1;
  }
  QAction* Action(const char* name) { return window->findChild<QAction*>(name); }
  // The started tasks without those that only ask the maker's server.
  static std::vector<int> UnitTasks(const QSignalSpy& started) {
    std::vector<int> out;
    for (const auto& args : started)
      if (args[0].toInt() != 2 && args[0].toInt() != 24) out.push_back(args[0].toInt());
    return out;
  }

  test::TempDir dir;
  sim::SimHidController* controller = nullptr;
  std::unique_ptr<TMainForm> window;
};

TEST_F(MainFormTest, StartUpRunsTheConnectionTaskThenReadsThePresentUnit) {
  Open();
  QSignalSpy started(window.get(), &TMainForm::taskStarted);
  EXPECT_EQ(window->windowTitle(), "Конфигуратор Orvantis");
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; })) << Text("lbStatus").toStdString();
  // The server's tasks (release check 24, CAN list 2) run too; the unit's are 1 then 3.
  EXPECT_EQ(UnitTasks(started), (std::vector<int>{1, 3}));
  EXPECT_EQ(Text("lbOp"), "Подключение");
  EXPECT_EQ(Text("lbRes"), "OK");
  EXPECT_NE(Find<QLabel>("lbRes")->styleSheet().indexOf("rgb(0,128,0)"), -1);
  EXPECT_LT(LogIndex("Orvantis подключен."), LogIndex("Чтение настроек устройства..."));
  EXPECT_LT(LogIndex("Чтение настроек устройства..."), LogIndex("Настройки прочитаны."));
  EXPECT_TRUE(window->Session().FOptionsRead);
  EXPECT_TRUE(Find<QLabel>("lbSN")->isVisible());
  EXPECT_EQ(Text("lbSN"), "SN 0000001234");
  EXPECT_TRUE(Text("lbBootInfo").startsWith("Boot v")) << Text("lbBootInfo").toStdString();
  EXPECT_EQ(Text("lbVer1").toStdString(), VersionText(OwnVersion()));
  EXPECT_FALSE(Find<QPlainTextEdit>("DisplayMemo")->isVisible()) << "the log is for expert mode";
  EXPECT_FALSE(Find<QLabel>("lbProgress1")->isVisible()) << "the progress is hidden again";
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainFormTest, UnpluggingAndReplugging) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; }));
  controller->Unplug();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Orvantis отключен."; }));
  EXPECT_EQ(Text("lbOp"), "Подключение");
  EXPECT_EQ(Text("lbRes"), "...");
  EXPECT_FALSE(Find<QLabel>("lbSN")->isVisible());
  EXPECT_FALSE(Find<QLabel>("lbBootInfo")->isVisible());
  EXPECT_FALSE(Find("btnDef")->isEnabled());
  EXPECT_FALSE(Find("btnBtnUp")->isEnabled());

  controller->Plug();
  ASSERT_TRUE(WaitFor([&] { return LogCount("Настройки прочитаны.") == 2; })) << "read again";
  EXPECT_EQ(LogCount("Orvantis подключен."), 2);
  EXPECT_TRUE(Find<QLabel>("lbSN")->isVisible());
  EXPECT_EQ(Text("lbSN"), "SN 0000001234");
  EXPECT_TRUE(Find("btnBtnUp")->isEnabled());
}

TEST_F(MainFormTest, WithoutAUnitTheWindowSaysSo) {
  Open(false);
  QSignalSpy started(window.get(), &TMainForm::taskStarted);
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Orvantis не подключен."; }));
  EXPECT_EQ(Text("lbOp"), "Подключение");
  EXPECT_FALSE(Find<QLabel>("lbSN")->isVisible());
  for (const char* b : {"btnBtnUp", "btnDef", "btnBtnDn"}) EXPECT_FALSE(Find(b)->isEnabled()) << b;
  // Files can be loaded, saved and printed at any time; the workflows say what is missing.
  for (const char* b : {"btnFromFile", "btnToFile", "BtnPrint"}) EXPECT_TRUE(Find(b)->isEnabled()) << b;
  controller->Plug();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; }));
  EXPECT_EQ(Text("lbSN"), "SN 0000001234");
  EXPECT_TRUE(Find<QLabel>("lbSN")->isVisible());
  EXPECT_TRUE(Logged("Orvantis подключен."));
  EXPECT_EQ(UnitTasks(started), (std::vector<int>{1, 3})) << "the arrival queued the read";
}

TEST_F(MainFormTest, AButtonWorksOnceItHasAHandlerAndTheUnitAllowsIt) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; }));
  window->SetButtonHandler("BtnPrint", {});
  EXPECT_FALSE(Find("BtnPrint")->isEnabled()) << "nothing to do";
  int clicks = 0;
  window->SetButtonHandler("BtnPrint", [&] { ++clicks; });
  EXPECT_TRUE(Find("BtnPrint")->isEnabled());
  QTest::mouseClick(Find("BtnPrint"), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  window->SetButtonHandler("BtnPrint", [] { throw std::runtime_error("Ошибка записи данных"); });
  {
    DialogAnswer ok("OK");
    QTest::mouseClick(Find("BtnPrint"), Qt::LeftButton);
    EXPECT_EQ(ok.text, "Ошибка записи данных") << "the error reached the message box";
  }
  EXPECT_TRUE(Find("btnBtnUp")->isEnabled());
  EXPECT_TRUE(Find("btnDef")->isEnabled());
  window->Core().DisableButtons(true);
  EXPECT_FALSE(Find("btnBtnUp")->isEnabled());
  EXPECT_FALSE(Find("btnDef")->isEnabled());
}

TEST_F(MainFormTest, AGovernedActionFollowsTheUnitAndRunningWork) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; }));
  QAction unitAction("Обновление ПО ядра системы"), localAction("Проверить");
  window->GovernAction(&unitAction, true);
  window->GovernAction(&localAction, false);
  EXPECT_TRUE(unitAction.isEnabled());
  bool enabledInside = true, nestedRan = false, nestedAccepted = true;
  window->RunWorkflow([&] {
    enabledInside = unitAction.isEnabled() || localAction.isEnabled();
    nestedAccepted = window->RunWorkflow([&] { nestedRan = true; });
  });
  EXPECT_FALSE(enabledInside) << "disabled while a workflow runs";
  EXPECT_FALSE(nestedAccepted);
  EXPECT_FALSE(nestedRan) << "no workflow starts inside another";
  EXPECT_TRUE(unitAction.isEnabled());
  controller->Unplug();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Orvantis отключен."; }));
  EXPECT_FALSE(unitAction.isEnabled());
  EXPECT_TRUE(localAction.isEnabled());
}

TEST_F(MainFormTest, TheReadButtonReadsAtOnceWithTheButtonsDisabledMeanwhile) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; }));
  QSignalSpy started(window.get(), &TMainForm::taskStarted);
  // A region of the unit changes behind the window's back; a slow unit lets
  // the test look at the buttons during the read.
  const uint8_t mark[4] = {0xA5, 0x5A, 0x01, 0x02};
  controller->Unit().WriteRom(kRegionAddr[kRegionConfig] + 200, mark, 4);
  controller->SetReportPeriod(std::chrono::microseconds(300));
  bool sawBusy = false;
  QTimer probe;
  probe.setInterval(20);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    auto* read = Find<QAbstractButton>("btnBtnUp");
    if (Find<QLabel>("lbProgress1")->isVisible() && !read->isEnabled() && read->isDown() && !Find("btnDef")->isEnabled())
      sawBusy = true;
  });
  probe.start();
  QTest::mouseClick(Find("btnBtnUp"), Qt::LeftButton);
  probe.stop();
  EXPECT_TRUE(sawBusy) << "pressed and disabled during the read, the factory button too";
  EXPECT_EQ(started.count(), 0) << "not queued";
  EXPECT_EQ(Text("lbOp"), "Чтение настроек");
  EXPECT_EQ(Text("lbRes"), "OK");
  EXPECT_EQ(Text("lbStatus"), "Настройки прочитаны");
  EXPECT_TRUE(std::equal(mark, mark + 4, window->Session().MemItems[kRegionConfig].FData.begin() + 200));
  EXPECT_TRUE(Find("btnBtnUp")->isEnabled());
  EXPECT_FALSE(Find<QAbstractButton>("btnBtnUp")->isDown());
  EXPECT_TRUE(Find("btnDef")->isEnabled());

  controller->SetReportPeriod(std::chrono::microseconds(0));
  controller->Unit().Faults() = sim::FaultPlan::Parse("drop/55.05 x*");
  window->Link()->SetTimeoutScale(5);
  QTest::mouseClick(Find("btnBtnUp"), Qt::LeftButton);
  EXPECT_EQ(Text("lbRes"), "ОШИБКА");
  EXPECT_EQ(Text("lbStatus"), "Ошибка чтения");
  EXPECT_TRUE(Logged("Чтение настроек устройства...Ошибка"));
  EXPECT_FALSE(window->Session().FOptionsRead);
  EXPECT_TRUE(Find("btnBtnUp")->isEnabled()) << "free again after a failed read";
}

TEST_F(MainFormTest, ApplyWritesTheSettingsIntoTheUnit) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; }));
  QSignalSpy started(window.get(), &TMainForm::taskStarted);
  // Reserved bytes of region 0: no page edits them, so they go out as they are.
  TMemItem& internet = window->Session().MemItems[kRegionInternet];
  internet.FData[200] = 'Z';
  internet.FData[201] = 'Q';
  const int saves = controller->Unit().SaveCommands();
  QTest::mouseClick(Find("btnBtnDn"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки синхронизированы"; })) << Text("lbStatus").toStdString();
  ASSERT_EQ(started.count(), 2);
  EXPECT_EQ(started[0][0].toInt(), 8) << "first the online account";
  EXPECT_EQ(started[1][0].toInt(), 9);
  // The tests' server address refuses: the failed request is logged and the
  // write goes on.
  bool reported = false;
  for (const auto& line : window->StatusOps().LogLines())
    reported |= line.rfind("Ошибка при выполнении запроса #111: ", 0) == 0;
  EXPECT_TRUE(reported);
  EXPECT_EQ(Text("lbOp"), "Синхронизация настроек");
  EXPECT_EQ(Text("lbRes"), "OK");
  EXPECT_TRUE(Logged("Сохранение настроек в устройстве..."));
  EXPECT_TRUE(Logged("Настройки сохранены."));
  EXPECT_EQ(window->StatusOps().Request(), 9);
  EXPECT_TRUE(window->Session().FCFGsaved);
  EXPECT_EQ(controller->Unit().SaveCommands(), saves + 1);
  uint8_t unit[2] = {};
  controller->Unit().ReadRom(kRegionAddr[kRegionInternet] + 200, unit, 2);
  EXPECT_EQ(unit[0], 'Z');
  EXPECT_EQ(unit[1], 'Q');
  EXPECT_TRUE(Find("btnBtnDn")->isEnabled());
}

TEST_F(MainFormTest, AFailedWriteEndsInTheErrorBoxAndReleasesTheQueue) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; }));
  controller->Unit().Faults() = sim::FaultPlan::Parse("drop/55.04 x*");
  window->Link()->SetTimeoutScale(5);
  DialogAnswer ok("OK");
  QTest::mouseClick(Find("btnBtnDn"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return ok.count == 1; }));
  EXPECT_EQ(ok.text, "Ошибка записи данных");
  EXPECT_EQ(Text("lbRes"), "ОШИБКА");
  EXPECT_TRUE(window->Core().Tasks().Ready()) << "the queue is released";
  EXPECT_TRUE(WaitFor([&] { return Find("btnBtnDn")->isEnabled(); }));
}

TEST_F(MainFormTest, FactoryButtonRestoresTheModelsSettingsAndReadsThemBack) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; }));
  const uint8_t junk[4] = {1, 2, 3, 4};
  controller->Unit().WriteRom(kRegionAddr[kRegionInternet], junk, 4);
  QSignalSpy started(window.get(), &TMainForm::taskStarted);
  DialogAnswer yes("Да");
  QTest::mouseClick(Find("btnDef"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return started.count() == 2 && Text("lbStatus") == "Настройки прочитаны."; }, 8000))
      << Text("lbStatus").toStdString();
  EXPECT_EQ(yes.count, 2) << "a model 3 unit asks twice";
  EXPECT_EQ(started[0][0].toInt(), 28);
  EXPECT_EQ(started[1][0].toInt(), 3) << "then everything is read back";
  EXPECT_TRUE(Logged("Заводские настройки ORVANTIS 3 установлены."));
  uint8_t unit[4] = {};
  controller->Unit().ReadRom(kRegionAddr[kRegionInternet], unit, 4);
  EXPECT_FALSE(std::equal(junk, junk + 4, unit)) << "region 0 is restored";
  EXPECT_TRUE(std::equal(unit, unit + 4, window->Session().MemItems[kRegionInternet].FData.begin()));
}

TEST_F(MainFormTest, TheStartUpTimerRepeatsAWriteThatTask9Began) {
  auto ctrl = std::make_unique<sim::SimHidController>(std::make_shared<sim::SimUnit>(), sim::SimTransportOptions{});
  controller = ctrl.get();
  window = std::make_unique<TMainForm>(ConfiguratorOptions{}, std::move(ctrl));
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; }));
  window->Session().MemItems[kRegionInternet].FData[200] = 'T';  // reserved: no page edits it
  window->Session().FCFGsaved = true;
  window->StatusOps().SetStatus(9);
  const int saves = controller->Unit().SaveCommands();
  window->show();
  EXPECT_FALSE(WaitFor([&] { return controller->Unit().SaveCommands() > saves; }, 300)) << "not before 500 ms";
  ASSERT_TRUE(WaitFor([&] { return controller->Unit().SaveCommands() > saves; }, 3000));
  uint8_t unit = 0;
  controller->Unit().ReadRom(kRegionAddr[kRegionInternet] + 200, &unit, 1);
  EXPECT_EQ(unit, 'T');
  window->hide();
  window->show();
  EXPECT_FALSE(WaitFor([&] { return controller->Unit().SaveCommands() > saves + 1; }, 1000)) << "only at the first show";
}

TEST_F(MainFormTest, TheStartUpTimerWritesNothingForAnyOtherOperation) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; }));
  window->Session().FCFGsaved = true;  // the status code is not 9
  QTest::qWait(800);
  EXPECT_EQ(controller->Unit().SaveCommands(), 0);
}

TEST_F(MainFormTest, TheSaveDialogOffersSettingsFilesAndAddsTheirExtension) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; }));
  QStringList filters;
  QString suffix;
  int tries = 0;
  QTimer driver;
  driver.setInterval(10);
  QObject::connect(&driver, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    if (++tries > 200) {  // the dialog refuses the name: fail, do not hang
      dialog->reject();
      return;
    }
    filters = dialog->nameFilters();
    suffix = dialog->defaultSuffix();
    dialog->setDirectory(QString::fromStdString(dir.Path()));
    // Typed by the user: the name field keeps what is typed while it has focus.
    if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
      name->setText("unit");
    else
      dialog->selectFile("unit");
    static_cast<QDialog*>(dialog)->accept();
  });
  driver.start();
  QTest::mouseClick(Find("btnToFile"), Qt::LeftButton);
  driver.stop();
  EXPECT_EQ(filters, (QStringList{"файлы настроек (*.vesnar)", "все файлы (*)"}));
  EXPECT_EQ(suffix, "vesnar");
  EXPECT_EQ(QFileInfo(QString::fromStdString(dir.File("unit.vesnar"))).size(), 3692);
  EXPECT_EQ(Text("lbRes"), "OK");
  EXPECT_EQ(Text("lbStatus"), settings_text::kSavedToFile);

  // A cancelled dialog does nothing.
  driver.disconnect();
  QObject::connect(&driver, &QTimer::timeout, [&] {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      driver.stop();
      dialog->reject();
    }
  });
  driver.start();
  const size_t lines = window->StatusOps().LogLines().size();
  QTest::mouseClick(Find("btnFromFile"), Qt::LeftButton);
  EXPECT_EQ(window->StatusOps().LogLines().size(), lines);
  EXPECT_EQ(Text("lbStatus"), settings_text::kSavedToFile);
}

TEST_F(MainFormTest, AUnitTheBackendMayNotOpenIsExplainedOnce) {
  HidapiController::Options o;
  o.monitor = false;
  o.permissionRetry = std::chrono::milliseconds(20);
  o.open = [](const std::string&, int) {
    errno = EACCES;
    return -1;
  };
  auto ctrl = std::make_unique<HidapiController>(o);
  HidapiController* hid = ctrl.get();
  window = std::make_unique<TMainForm>(ConfiguratorOptions{}, std::move(ctrl));
  window->show();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Orvantis не подключен."; }));
  const HidDeviceInfo unit{"/dev/hidraw7", kOrvantisVendorId, kOrvantisProductId, "unit"};
  EXPECT_EQ(hid->CheckOut(unit), nullptr);
  EXPECT_EQ(hid->CheckOut(unit), nullptr);
  const std::string text = UdevRuleMissingText("/dev/hidraw7");
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus").toStdString() == text; })) << Text("lbStatus").toStdString();
  QTest::qWait(100);
  const std::string first = text.substr(0, text.find('\n'));
  EXPECT_EQ(LogCount(QString::fromStdString(first)), 1);
}

TEST_F(MainFormTest, AnsweringNoToTheExpertModeQuestionKeepsItOff) {
  Open();
  auto* cb = Find<QCheckBox>("cbExpertMode");
  {
    DialogAnswer no("Нет");
    cb->click();
    EXPECT_EQ(no.title, "Внимание!");
    EXPECT_EQ(no.buttons, (QStringList{"Да", "Нет"}));
    EXPECT_TRUE(no.text.startsWith("Режим эксперта открывает доступ к инженерным позициям меню."));
  }
  EXPECT_FALSE(cb->isChecked());
  EXPECT_FALSE(window->ExpertMode());
  EXPECT_FALSE(Action("aImpulsesFrame")->isEnabled());
  EXPECT_FALSE(Action("aCANFrame")->isEnabled());
  EXPECT_FALSE(Find("btnCANFrame")->isEnabled());
  EXPECT_FALSE(Find("DisplayMemo")->isVisible());
  {
    DialogAnswer yes("Да");
    cb->click();
    EXPECT_EQ(yes.title, "Внимание!");
  }
  EXPECT_TRUE(window->ExpertMode());
  EXPECT_TRUE(Find("btnImpulsesFrame")->isEnabled());
  EXPECT_TRUE(Find("btnCANFrame")->isEnabled());
  EXPECT_TRUE(Find("DisplayMemo")->isVisible());
  Action("aCANFrame")->trigger();
  EXPECT_EQ(window->Pages()->CurrentFrame()->objectName(), "CANFrame");
  cb->click();  // switching off asks nothing
  EXPECT_FALSE(window->ExpertMode());
  EXPECT_FALSE(Find("btnCANFrame")->isEnabled());
}

TEST_F(MainFormTest, PagesAreSelectedByTheirActions) {
  Open();
  EXPECT_EQ(window->Pages()->CurrentFrame()->objectName(), "AutoFrame");
  for (const char* name : {"aOptionsFrame", "aConnectionsFrame", "aRStartFrame", "aInternetFrame", "aMessagesFrame"}) {
    Action(name)->trigger();
    EXPECT_EQ(window->Pages()->CurrentFrame()->objectName(), QString(name).mid(1));
    EXPECT_TRUE(window->Pages()->CurrentFrame()->isVisible());
    EXPECT_TRUE(Action(name)->isChecked());
  }
  EXPECT_NE(window->findChild<QToolButton*>("btnMessagesFrame"), nullptr) << "the messages page has its menu button";
}

TEST_F(MainFormTest, ServiceWordsTypedInTheWindow) {
  Open();
  QSignalSpy words(window.get(), &TMainForm::serviceWordTyped);
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
  QTest::keyClicks(target, "abgrimzax");
  ASSERT_EQ(words.count(), 1);
  EXPECT_EQ(words[0][0].toInt(), static_cast<int>(ServiceWord::kServerAddress));
  QTest::keyClicks(target, "quintXabrel");
  EXPECT_EQ(words.count(), 1);
  QTest::keyClicks(target, "quintabrel");
  ASSERT_EQ(words.count(), 2);
  EXPECT_EQ(words[1][0].toInt(), static_cast<int>(ServiceWord::kForceUpdate));
}

TEST_F(MainFormTest, ProgressShowsABarWhenThePercentageIsKnown) {
  Open();
  auto* text = Find<QLabel>("lbProgress1");
  auto* bar = Find<QProgressBar>("pbProgress");
  EXPECT_FALSE(text->isVisible());
  window->StatusOps().Progress("Чтение настроек: 40%", false, 40);
  EXPECT_TRUE(text->isVisible());
  EXPECT_EQ(text->text(), "Чтение настроек: 40%");
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->value(), 40);
  window->StatusOps().Progress("Ожидание устройства", false);
  EXPECT_TRUE(text->isVisible());
  EXPECT_FALSE(bar->isVisible());
  window->StatusOps().Progress("", false);
  EXPECT_FALSE(text->isVisible());
}

TEST_F(MainFormTest, TheWindowStaysAliveWhileTheLinkWaitsAndANestedExchangeIsRefused) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; }));
  auto* unit = &controller->Unit();
  unit->Faults() = sim::FaultPlan::Parse("delay=400/db");
  bool timerRan = false, nestedResult = true;
  QTimer::singleShot(50, [&] {
    timerRan = true;
    nestedResult = window->Link()->GetInfo();  // from inside the wait
  });
  bool outer = false;
  window->RunWorkflow([&] { outer = window->Link()->GetInfo(); });
  EXPECT_TRUE(timerRan) << "events were processed during the wait";
  EXPECT_FALSE(nestedResult);
  EXPECT_TRUE(outer);
}

TEST_F(MainFormTest, OwnerCallsOfOtherThreadsRunOnTheWindowsThread) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; }));
  std::atomic<bool> finished{false}, ran{false}, onGuiThread{false};
  std::thread poster([&] {
    auto call = window->Link()->PostOwnerCall([&] {
      ran = true;
      onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    });
    finished = call->Wait(3000);
  });
  const bool done = WaitFor([&] { return ran.load(); }, 3000);
  poster.join();
  EXPECT_TRUE(done);
  EXPECT_TRUE(finished) << "the poster saw its call run";
  EXPECT_TRUE(onGuiThread);
}

TEST_F(MainFormTest, SettingsAreRestoredAtStartAndSavedAtClose) {
  {
    QSettings s("OrvantisConfigurator", "OrvantisConfigurator");
    s.setValue("ExpertMode", "Y");
    s.setValue("ProxyAddr", "proxy.example");
  }
  DialogAnswer guard("Нет");  // the stored expert mode is restored without asking
  Open();
  EXPECT_TRUE(guard.title.isEmpty());
  EXPECT_TRUE(window->ExpertMode());
  EXPECT_TRUE(Find("DisplayMemo")->isVisible());
  EXPECT_TRUE(Find("btnCANFrame")->isEnabled());
  EXPECT_EQ(window->Settings().ProxyAddr, "proxy.example");
  EXPECT_TRUE(window->Settings().CheckForUpdates);
  // The Internet page holds the proxy fields while the window is open.
  auto* inet = window->PageModels().ModelAs<TInternetModel>("InternetFrame");
  ASSERT_NE(inet, nullptr);
  EXPECT_EQ(inet->Proxy().addr, "proxy.example");
  inet->SetProxy({"proxy.example", "", "", "0123456789abcdefg"});
  window.reset();

  QSettings s("OrvantisConfigurator", "OrvantisConfigurator");
  EXPECT_EQ(s.value("ExpertMode").toString(), "TRUE");
  EXPECT_EQ(s.value("CheckForUpdates").toString(), "TRUE");
  EXPECT_EQ(s.value("PDFOpen").toString(), "TRUE");
  EXPECT_EQ(s.value("ProxyPassword").toString().size(), 44);
  EXPECT_EQ(s.value("InstancesAllowed").toInt(), 1);
  s.setValue("ExpertMode", "NO");
  s.setValue("PDFOpen", "1");
  s.sync();

  Open();
  EXPECT_FALSE(window->ExpertMode());
  EXPECT_EQ(window->Settings().ProxyPassword, "0123456789abcdefg");
  EXPECT_TRUE(window->Settings().PDFOpen);
}

TEST_F(MainFormTest, WarningDialogWithASingleCaption) {
  Open();
  DialogAnswer close("Закрыть");
  EXPECT_EQ(window->WarningDialog("Загруженная CAN-прошивка содержит дополнительные настройки.", {"Закрыть"}),
            Prompts::Answer::kOk);
  EXPECT_EQ(close.title, "Внимание!");
  EXPECT_EQ(close.buttons, QStringList{"Закрыть"});
}

TEST_F(MainFormTest, TopBarButtonsKeepTheirDistanceFromTheRightEdge) {
  Open();
  for (int width : {1200, 1500}) {
    window->resize(width, 720);
    QCoreApplication::processEvents();
    QWidget* header = Find("Header");
    for (auto [name, distance] : {std::pair{"BtnPrint", 401}, {"btnDef", 276}, {"btnBtnUp", 156}, {"btnBtnDn", 48}})
      EXPECT_EQ(header->width() - (Find(name)->geometry().right() + 1), distance) << name;
  }
}

TEST_F(MainFormTest, ScreenshotOfTheMainWindow) {
  Open();
  window->resize(1200, 720);
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Настройки прочитаны."; }));
  window->StatusOps().Progress("Чтение настроек: 40%", false, 40);
  QCoreApplication::processEvents();
  const QPixmap shot = window->grab();
  ASSERT_FALSE(shot.isNull());
  const QString dirPath = QStringLiteral(ORVANTIS_SCREENSHOT_DIR);
  QDir().mkpath(dirPath);
  const QString file = dirPath + "/main_window.png";
  ASSERT_TRUE(shot.save(file, "PNG")) << file.toStdString();
  EXPECT_TRUE(QFileInfo(file).size() > 1000);
  {
    DialogAnswer yes("Да");
    Find<QCheckBox>("cbExpertMode")->click();
  }
  ASSERT_TRUE(window->ExpertMode());
  QCoreApplication::processEvents();
  EXPECT_TRUE(window->grab().save(dirPath + "/main_window_expert.png", "PNG"));
}

// --- page container ------------------------------------------------------------

class RecordingFrame : public TCLFrame {
 public:
  RecordingFrame(QWidget* parent, const QString& name, std::vector<std::string>& calls, bool failShow = false)
      : TCLFrame(parent, name), calls_(calls), failShow_(failShow) {}
  void AfterCreate() override { calls_.push_back(objectName().toStdString() + ".AfterCreate"); }
  void OnShow() override {
    calls_.push_back(objectName().toStdString() + ".OnShow");
    if (failShow_) throw std::runtime_error("refresh failed");
  }
  void OnHide() override { calls_.push_back(objectName().toStdString() + ".OnHide"); }
  void SetExpertMode(bool v) override { calls_.push_back(objectName().toStdString() + ".SetExpertMode" + (v ? "1" : "0")); }
  void DoOnPlug() override { calls_.push_back(objectName().toStdString() + ".Plug"); }
  void DoOnUnPlug() override { calls_.push_back(objectName().toStdString() + ".UnPlug"); }

 private:
  std::vector<std::string>& calls_;
  bool failShow_;
};

TEST(PageContainer, SelectionHidesTheOldPageAndShowsTheNewOneIgnoringItsErrors) {
  std::vector<std::string> calls;
  TPageContainer c;
  c.AddPage(new RecordingFrame(&c, "AutoFrame", calls));
  c.AddPage(new RecordingFrame(&c, "CANFrame", calls, true));
  EXPECT_EQ(calls, (std::vector<std::string>{"AutoFrame.AfterCreate", "CANFrame.AfterCreate"}));
  EXPECT_EQ(c.CurrentFrame(), nullptr);
  calls.clear();
  EXPECT_TRUE(c.SelectFrame("aAutoFrame", false));
  EXPECT_TRUE(c.SelectFrame("aCANFrame", true));
  EXPECT_EQ(calls, (std::vector<std::string>{"AutoFrame.OnShow", "AutoFrame.SetExpertMode0", "AutoFrame.OnHide",
                                             "CANFrame.OnShow", "CANFrame.SetExpertMode1"}));
  EXPECT_EQ(c.CurrentFrame()->objectName(), "CANFrame");
  EXPECT_FALSE(c.SelectFrame("aNoSuchFrame", true));
  c.SetExpertMode(false);
  EXPECT_EQ(calls.back(), "CANFrame.SetExpertMode0") << "only the current page hears of it";
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the cursor is restored";

  calls.clear();
  PostPlugMessage(c.Page("AutoFrame"), PlugMsg::kPlugged);
  PostPlugMessage(c.Page("AutoFrame"), PlugMsg::kUnplugged);
  QCoreApplication::processEvents();
  EXPECT_EQ(calls, (std::vector<std::string>{"AutoFrame.Plug", "AutoFrame.UnPlug"}));
}

TEST(PageContainer, BaseFrameDefaults) {
  TCLFrame f(nullptr, "InternetFrame");
  EXPECT_EQ(f.ToJSON(), "{}");
  int shown = 0;
  f.OnShowFrame = [&](TCLFrame*) { ++shown; };
  f.OnShow();
  EXPECT_EQ(shown, 1);
  uint8_t buf[4] = {};
  EXPECT_THROW(f.LoadData(buf, 4), EAbstractError);
  EXPECT_THROW(f.StoreData(buf, 4), EAbstractError);
}

// --- running copies ---------------------------------------------------------------

TEST(InstanceSlots, AtMostTwoCopiesHoldASlot) {
  test::TempDir dir;
  const QString d = QString::fromStdString(dir.Path());
  InstanceSlots a(d), c(d);
  auto b = std::make_unique<InstanceSlots>(d);
  EXPECT_TRUE(a.Acquire());
  EXPECT_TRUE(b->Acquire());
  EXPECT_NE(a.Slot(), b->Slot());
  EXPECT_FALSE(c.Acquire());
  b.reset();
  EXPECT_TRUE(c.Acquire()) << "a slot is free again when its copy ended";
}

TEST(InstanceSlots, AThirdCopyEndsAtOnceAndRaisesARunningOne) {
  test::TempDir dir;
  const QString d = QString::fromStdString(dir.Path());
  InstanceSlots a(d), b(d);
  ASSERT_TRUE(a.Acquire());
  ASSERT_TRUE(b.Acquire());
  int raised = 0;
  a.Listen([&] { ++raised; });

  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_RUNTIME_DIR", d);
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("XDG_CONFIG_HOME", d);
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(ORVANTIS_CONFIGURATOR_PATH), {"--sim", "3"});
  ASSERT_TRUE(p.waitForStarted());
  ASSERT_TRUE(WaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000));
  EXPECT_EQ(p.exitCode(), 3);
  EXPECT_NE(QString::fromUtf8(p.readAllStandardError()).indexOf("уже запущен в двух копиях"), -1);
  EXPECT_TRUE(WaitFor([&] { return raised == 1; }));
}

}  // namespace
}  // namespace orv
