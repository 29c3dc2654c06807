// The window as a user meets it, against orvantis-sim unit processes: unit
// actions only with a unit, a result after every outcome, the expert-mode
// question, closing during a write, Qt's dialogs in Russian and the keyboard.
// Each test saves screenshots of the states it reaches.
#include <gtest/gtest.h>
#include <signal.h>

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/action_rules.h"
#include "app/qt_translation.h"
#include "bus_window_fixture.h"
#include "pages/cl_frame.h"
#include "pages/page_container.h"

namespace orv::test {
namespace {

constexpr const char* kUnplugged = "Orvantis отключен.";

class UserWindowTest : public BusWindowTest {
 protected:
  template <typename T = QWidget>
  T* Find(const char* name) {
    T* w = window->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QAction* Action(const char* name) { return window->findChild<QAction*>(name); }
  bool Enabled(const char* name) { return Find(name)->isEnabled(); }
  QString Tip(const char* name) { return Find(name)->toolTip(); }
  std::string Page() { return window->Pages()->CurrentFrame()->objectName().toStdString(); }
  void Shot(const QString& name, QWidget* w = nullptr) {
    QCoreApplication::processEvents();
    const QString dir = QStringLiteral(ORVANTIS_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    EXPECT_TRUE((w ? w : window.get())->grab().save(dir + "/" + name + ".png", "PNG")) << name.toStdString();
  }
  // Lines "request CC[.SS] [ADDR]" the unit printed.
  static int Requests(Background& unit, const std::string& prefix = "request ") {
    const std::string& out = unit.Out();
    int n = 0;
    for (size_t at = out.find(prefix); at != std::string::npos; at = out.find(prefix, at + 1)) ++n;
    return n;
  }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
    if (!window->isActiveWindow()) Activate();  // a dialog closed meanwhile
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
    QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
  }
  void Activate() {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
};

TEST_F(UserWindowTest, UnitActionsNeedAUnitAndAForcedClickSendsNothing) {
  Background& unit = StartUnit(2468, 3, {"--log-requests"});
  unit.Signal(SIGUSR2);  // the cable is pulled before the window starts
  ASSERT_TRUE(unit.WaitForOutput("unplugged", 3000));
  Open();
  QSignalSpy started(window.get(), &TMainForm::taskStarted);
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == "Orvantis не подключен."; }));
  for (const char* b : {"btnBtnDn", "btnBtnUp", "btnDef"}) {
    EXPECT_FALSE(Enabled(b)) << b;
    EXPECT_TRUE(Tip(b).endsWith(QString("\n") + action_text::kOffline)) << b << ": " << Tip(b).toStdString();
  }
  EXPECT_FALSE(Action("aApply")->isEnabled());
  EXPECT_FALSE(Action("aReadFromDev")->isEnabled());
  Shot("no_unit");

  // A trigger that still gets through is refused at once.
  Action("aApply")->setEnabled(true);
  Action("aApply")->trigger();
  EXPECT_EQ(Text("lbRes"), "ОШИБКА");
  EXPECT_EQ(Text("lbStatus"), action_text::kOffline);
  auto* read = Find<QAbstractButton>("btnBtnUp");
  read->setEnabled(true);
  QTest::mouseClick(read, Qt::LeftButton);
  EXPECT_EQ(LogCount(action_text::kNoConnectionLog), 2);
  Shot("no_unit_forced_apply");
  QTest::qWait(200);
  EXPECT_EQ(Requests(unit), 0) << unit.Out();

  // The unit comes: it is read, and no write the refused click left behind follows.
  unit.Signal(SIGUSR1);
  ASSERT_TRUE(WaitForLog(kRead));
  QTest::qWait(200);
  EXPECT_GT(Requests(unit, "request 55.05"), 0) << "read";
  EXPECT_EQ(Requests(unit, "request 55.04"), 0) << "nothing written";
  EXPECT_EQ(Requests(unit, "request 95"), 0);
  for (const auto& args : started) EXPECT_NE(args[0].toInt(), 9);
  for (const char* b : {"btnBtnDn", "btnBtnUp", "btnDef"}) {
    EXPECT_TRUE(Enabled(b)) << b;
    EXPECT_FALSE(Tip(b).contains(action_text::kOffline)) << b;
  }
}

TEST_F(UserWindowTest, AReplugAndItsReadEndWithOK) {
  Background& unit = StartUnit(1357);
  Open();
  ASSERT_TRUE(WaitForLog(kRead));
  EXPECT_EQ(Text("lbRes"), "OK");
  unit.Signal(SIGUSR2);
  ASSERT_TRUE(WaitFor([&] { return Text("lbStatus") == kUnplugged; }));
  EXPECT_EQ(Text("lbRes"), "...");
  EXPECT_EQ(LogCount(kUnplugged), 1) << "one unplug, one line";
  unit.Signal(SIGUSR1);
  ASSERT_TRUE(WaitForLog(kRead, 2));
  ASSERT_TRUE(WaitFor([&] { return Text("lbRes") == "OK"; })) << Text("lbRes").toStdString();
  EXPECT_EQ(Text("lbOp"), "Подключение");
  EXPECT_EQ(Text("lbStatus"), kRead);
  Shot("replugged");
}

// Kills the unit while the window is busy with it: the interrupted action
// ends as failed with its own text, on the panel, and the removal is logged once.
TEST_F(UserWindowTest, AReadCutShortByAnUnplugEndsAsFailed) {
  Background& unit = StartUnit(8642, 3, {"--timing-ms", "10"});
  Open();
  QSignalSpy started(window.get(), &TMainForm::taskStarted);
  bool applyDisabled = false, killed = false;
  QString applyTip;
  QTimer probe;
  probe.setInterval(20);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (killed || !Text("lbProgress1").startsWith("Чтение настроек")) return;
    if (Text("lbProgress1") == "Чтение настроек 0%") return;
    applyDisabled = !Enabled("btnBtnDn") && !Enabled("btnToFile") && !Enabled("cbExpertMode");
    applyTip = Tip("btnBtnDn");
    // A click that reaches the apply button during the read runs neither now nor afterwards.
    auto* apply = Find<QAbstractButton>("btnBtnDn");
    apply->setEnabled(true);
    QTest::mouseClick(apply, Qt::LeftButton);
    Shot("slow_read");
    unit.Signal(SIGKILL);
    killed = true;
  });
  probe.start();
  ASSERT_TRUE(WaitFor([&] { return killed; }, 10000));
  ASSERT_TRUE(WaitFor([&] { return !LabelShown("lbSN") && !Find("btnBtnUp")->isEnabled(); }, 8000));
  QTest::qWait(300);
  probe.stop();
  EXPECT_TRUE(applyDisabled) << "the apply, file and expert controls wait for the read";
  EXPECT_TRUE(applyTip.endsWith(action_text::kBusy)) << applyTip.toStdString();
  EXPECT_EQ(LogCount(action_text::kBusyLog), 1);
  EXPECT_EQ(Text("lbRes"), "ОШИБКА");
  EXPECT_EQ(Text("lbStatus"), settings_text::kNotRead);
  EXPECT_TRUE(Find("lbStatus")->isVisible());
  EXPECT_FALSE(Find("lbProgress1")->isVisible());
  EXPECT_EQ(LogCount(kUnplugged), 1);
  for (const auto& args : started) EXPECT_NE(args[0].toInt(), 9) << "the click was not queued";
  Shot("read_cut_short");
}

TEST_F(UserWindowTest, AWriteCutShortByAnUnplugEndsAsFailed) {
  Background& unit = StartUnit(8643, 3, {"--timing-ms", "10"});
  Open();
  ASSERT_TRUE(WaitForLog(kRead, 1, 15000));
  DialogAnswer ok{QString()};  // the error box is closed, whatever its button says
  bool killed = false;
  QTimer probe;
  probe.setInterval(20);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (killed || !Text("lbProgress1").startsWith("Сохранение настроек") || Text("lbProgress1").endsWith(" 0%")) return;
    unit.Signal(SIGKILL);
    killed = true;
  });
  probe.start();
  QTest::mouseClick(Find("btnBtnDn"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return killed && ok.count == 1; }, 15000));
  ASSERT_TRUE(WaitFor([&] { return !LabelShown("lbSN"); }, 8000));
  QTest::qWait(300);
  probe.stop();
  EXPECT_EQ(ok.text, settings_text::kWriteError);
  EXPECT_EQ(Text("lbOp"), "Синхронизация настроек");
  EXPECT_EQ(Text("lbRes"), "ОШИБКА");
  EXPECT_EQ(Text("lbStatus"), settings_text::kWriteError);
  EXPECT_EQ(LogCount(kUnplugged), 1);
  Shot("write_cut_short");
}

TEST_F(UserWindowTest, ExpertModeIsTickedOnlyAfterYesAndItsPagesCloseWithIt) {
  StartUnit(1122);
  Open();
  ASSERT_TRUE(WaitForLog(kRead));
  auto* cb = Find<QCheckBox>("cbExpertMode");
  // Looks at the check box while the question is on screen, then answers "Да".
  std::vector<bool> tickedWhileAsked;
  QTimer answer;
  answer.setInterval(10);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    tickedWhileAsked.push_back(cb->isChecked());
    for (QAbstractButton* b : box->buttons())
      if (b->text() == "Да") b->click();
  });
  answer.start();
  cb->click();
  answer.stop();
  ASSERT_FALSE(tickedWhileAsked.empty());
  for (bool ticked : tickedWhileAsked) EXPECT_FALSE(ticked) << "ticked before the answer";
  EXPECT_TRUE(cb->isChecked());
  Action("aCANFrame")->trigger();
  EXPECT_EQ(Page(), "CANFrame");
  Shot("expert_can_page");

  cb->click();  // off: asks nothing
  EXPECT_FALSE(cb->isChecked());
  EXPECT_EQ(Page(), "OptionsFrame") << "an engineering page does not stay without expert mode";
  EXPECT_TRUE(window->Pages()->CurrentFrame()->isVisible());
  EXPECT_TRUE(Action("aOptionsFrame")->isChecked());
  EXPECT_FALSE(Enabled("btnCANFrame"));
  Shot("expert_off_options_page");

  // Off on a page everyone may see: the page stays.
  {
    DialogAnswer yes("Да");
    cb->click();
  }
  Action("aRStartFrame")->trigger();
  cb->click();
  EXPECT_EQ(Page(), "RStartFrame");
}

TEST_F(UserWindowTest, ClosingDuringAWriteClosesWhenTheWriteHasEnded) {
  StartUnit(5566, 3, {"--timing-ms", "10"});
  Open();
  ASSERT_TRUE(WaitForLog(kRead, 1, 15000));
  TMemItems& items = window->Session().MemItems;
  // Reserved bytes that no page stores over: they go out as edited.
  items[kRegionInternet].FData[200] ^= 0x77;
  const uint8_t editedByte = items[kRegionInternet].FData[200];
  bool asked = false, stayedOpen = false;
  QString statusAfterClose;
  QTimer probe;
  probe.setInterval(20);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (asked || !Text("lbProgress1").startsWith("Сохранение настроек") || Text("lbProgress1").endsWith(" 0%")) return;
    asked = true;
    window->close();
    stayedOpen = window->isVisible();
    statusAfterClose = Text("lbStatus");
    Shot("closing_during_write");
  });
  probe.start();
  QTest::mouseClick(Find("btnBtnDn"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return asked && !window->isVisible(); }, 20000));
  probe.stop();
  EXPECT_TRUE(stayedOpen) << "the write is not interrupted";
  EXPECT_EQ(statusAfterClose, "Идёт запись настроек: окно закроется после её окончания");
  EXPECT_EQ(LogCount(settings_text::kSaved), 1) << "the write ended first";
  EXPECT_EQ(Text("lbRes"), "OK");
  // What the pages stored and the write sent is what the unit holds, whole.
  const TMemItems unit = UnitMemory();
  EXPECT_TRUE(SameRegions(unit, window->Session().MemItems, regionmask::kWrite))
      << "the unit holds the complete new settings";
  EXPECT_EQ(unit[kRegionInternet].FData[200], editedByte);
}

TEST_F(UserWindowTest, QtsOwnDialogsSpeakRussian) {
  if (!QFile::exists(QtTranslationFile()))
    GTEST_SKIP() << "Qt's Russian translation " << QtTranslationFile().toStdString()
                 << " is not installed (package qt6-translations-l10n)";
  QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel |
                       QDialogButtonBox::Save);
  EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "Отмена");
  EXPECT_EQ(box.button(QDialogButtonBox::Save)->text(), "Сохранить");
  EXPECT_EQ(box.button(QDialogButtonBox::Yes)->text().remove('&'), "Да");
}

TEST_F(UserWindowTest, TheKeyboardReachesEveryControlAndSwitchesPages) {
  StartUnit(7788);
  Open();
  ASSERT_TRUE(WaitForLog(kRead));
  Activate();

  // Tab goes through the header, the menu and the expert check box in order.
  Find("btnFromFile")->setFocus();
  QStringList order{QApplication::focusWidget()->objectName()};
  for (int i = 0; i < 12; ++i) {
    Key(Qt::Key_Tab, Qt::NoModifier);
    order << QApplication::focusWidget()->objectName();
  }
  EXPECT_EQ(order, (QStringList{"btnFromFile", "btnToFile", "BtnPrint", "btnDef", "btnBtnUp", "btnBtnDn", "btnAutoFrame",
                                "btnOptionsFrame", "btnConnectionsFrame", "btnRStartFrame", "btnInternetFrame",
                                "btnMessagesFrame", "cbExpertMode"}))
      << order.join(' ').toStdString();
  Find("btnBtnUp")->setFocus();
  Shot("keyboard_focus_header");
  Find("btnOptionsFrame")->setFocus();
  Shot("keyboard_focus_menu");

  // The header's tooltips: the hints and the shortcuts.
  EXPECT_TRUE(Tip("btnBtnDn").startsWith("Сохранить настройки в личном кабинете пользователя и на устройстве"));
  EXPECT_TRUE(Tip("btnBtnUp").contains("Ctrl+R"));
  EXPECT_TRUE(Tip("btnToFile").contains("Ctrl+S"));
  EXPECT_TRUE(Tip("btnFromFile").contains("Ctrl+O"));
  EXPECT_TRUE(Enabled("BtnPrint"));
  EXPECT_TRUE(Tip("BtnPrint").contains("Ctrl+P")) << Tip("BtnPrint").toStdString();

  // Pages: forward in menu order past the disabled engineering pages, around, and back.
  window->SelectFrame("aAutoFrame");
  std::vector<std::string> pages;
  for (int i = 0; i < 5; ++i) {
    Key(Qt::Key_PageDown);
    pages.push_back(Page());
  }
  EXPECT_EQ(pages, (std::vector<std::string>{"OptionsFrame", "ConnectionsFrame", "RStartFrame", "InternetFrame",
                                             "AutoFrame"}));
  Key(Qt::Key_PageUp);
  EXPECT_EQ(Page(), "InternetFrame");
  Key(Qt::Key_Tab);
  EXPECT_EQ(Page(), "AutoFrame");
  Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Page(), "InternetFrame");
  {
    DialogAnswer yes("Да");
    Find<QCheckBox>("cbExpertMode")->click();
  }
  window->SelectFrame("aConnectionsFrame");
  Key(Qt::Key_PageDown);
  EXPECT_EQ(Page(), "ImpulsesFrame") << "enabled in expert mode";
  Key(Qt::Key_PageDown);
  EXPECT_EQ(Page(), "CANFrame");

  // Ctrl+R reads at once.
  const int reads = LogCount(kRead);
  Key(Qt::Key_R);
  EXPECT_EQ(Text("lbOp"), "Чтение настроек");
  EXPECT_EQ(Text("lbStatus"), "Настройки прочитаны");
  EXPECT_EQ(LogCount(kRead), reads + 1);

  // Ctrl+S and Ctrl+O open the real file dialogs (closed again unanswered).
  QStringList dialogs, buttons;
  QTimer driver;
  driver.setInterval(10);
  QObject::connect(&driver, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    dialogs << dialog->objectName() + ":" + dialog->windowTitle();
    for (auto* b : dialog->findChildren<QPushButton*>())
      if (b->isVisible()) buttons << b->text().remove('&');
    Shot(dialog->objectName() == "SaveDialog" ? "save_dialog" : "open_dialog", dialog);
    dialog->reject();
  });
  driver.start();
  auto* plain = new TMainForm(window->Options(), nullptr);  // the real dialogs, not the scripted ones
  std::unique_ptr<TMainForm> real(plain);
  real->show();
  real->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(real.get()));
  QTest::keyClick(real.get(), Qt::Key_S, Qt::ControlModifier);
  real->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(real.get()));
  QTest::keyClick(real.get(), Qt::Key_O, Qt::ControlModifier);
  driver.stop();
  EXPECT_EQ(dialogs, (QStringList{"SaveDialog:Сохранение настроек в файле", "OpenDialog:Загрузка настроек из файла"}));
  if (QFile::exists(QtTranslationFile())) {
    EXPECT_TRUE(buttons.contains("Сохранить")) << buttons.join(',').toStdString();
    EXPECT_TRUE(buttons.contains("Отмена")) << buttons.join(',').toStdString();
  }
}

}  // namespace
}  // namespace orv::test
