// The vehicle page in the window against an in-process simulated unit and
// the simulated server: the start-up tasks (release check with the update
// question, CAN list, firmware check) fill it; its lists drive the CAN
// firmware choice; each button queues its task or runs its workflow;
// btnGetCanFW only online and idle; the service words uncover the server
// address and the forced update; a CAN firmware written from the page brings
// the CAN settings notice and the CAN page. Screenshots of the question and
// of both sections.
#include <gtest/gtest.h>

// The core headers before Qt: the firmware catalogue names a member "slots".
#include "server/can_firmware.h"
#include "server/release_update.h"
#include "update/fw_tasks.h"
#include "update/voice_upload.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <fstream>

#include "app/content_actions.h"
#include "app/firmware_actions.h"
#include "gui_support.h"
#include "pages/auto_frame.h"
#include "sim/sim_hid.h"
#include "sim/sim_server.h"
#include "support/process.h"

namespace orv {
namespace {

QString Shots() {
  QDir().mkpath(ORVANTIS_SCREENSHOT_DIR);
  return ORVANTIS_SCREENSHOT_DIR;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Answers the configurator's update question with "Отмена", once per question.
struct DeclineSelfUpdate {
  DeclineSelfUpdate() {
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      auto* dlg = dynamic_cast<TUpdateMsg*>(QApplication::activeModalWidget());
      if (!dlg || !dlg->isVisible()) return;
      ++asked;
      version = dlg->findChild<QLabel*>("lbVer")->text();
      if (!shot.isEmpty()) dlg->grab().save(shot, "PNG");
      shot.clear();
      dlg->findChild<QPushButton*>("Button2")->click();
    });
    timer.start();
  }
  QTimer timer;
  int asked = 0;
  QString version, shot;
};

class VehiclePage : public testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.Path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(dir.Path()));
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
  }
  void TearDown() override { window.reset(); }

  // `withServer` false: no server is named (only the CA the simulated one
  // needs), so the window runs no server task by itself.
  void Open(bool checkSelfAtStart, bool withServer = true) {
    {
      QSettings s("OrvantisConfigurator", "OrvantisConfigurator");
      s.setValue("CheckForUpdates", checkSelfAtStart ? "TRUE" : "FALSE");
      s.setValue("PDFOpen", "FALSE");  // no viewer is started from a test
    }
    sim::SimConfig cfg;
    cfg.model = 3;
    cfg.loaderRestartMs = 200;
    auto unit = std::make_shared<sim::SimUnit>(cfg);
    auto ctrl = std::make_unique<sim::SimHidController>(unit, sim::SimTransportOptions{}, true);
    cable = ctrl.get();
    ConfiguratorOptions options;
    options.simModel = 3;
    if (withServer) options.server = server.Url();
    options.caFile = server.CaFile();
    window = std::make_unique<test::ScriptedForm>(options, std::move(ctrl));
    window->resize(1200, 760);
    window->show();
    page = window->findChild<TAutoFrame*>("AutoFrame");
    ASSERT_NE(page, nullptr);
  }
  bool Logged(const std::string& line) const {
    for (const auto& l : window->StatusOps().LogLines())
      if (l == line) return true;
    return false;
  }
  // The start-up and connection tasks have all run.
  bool Idle() const {
    return window->Core().FCanListRcvd && Logged("Настройки прочитаны.") && window->Core().Tasks().Empty() &&
           !window->Core().Idler().Busy();
  }
  template <class T = QWidget>
  T* Find(const char* name) const {
    auto* w = page->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  // Shown on its page (whichever section is in front).
  bool Shown(const char* name) const { return !page->findChild<QWidget*>(name)->isHidden(); }
  void ChooseMake(const QString& make, const QString& model = {}, const QString& period = {}) {
    auto pick = [](QComboBox* box, const QString& text) {
      const int i = box->findText(text);
      ASSERT_GE(i, 0) << text.toStdString();
      box->setCurrentIndex(i);
    };
    pick(Find<QComboBox>("cbCarBrend"), make);
    if (!model.isEmpty()) pick(Find<QComboBox>("cbCarModel"), model);
    if (!period.isEmpty()) pick(Find<QComboBox>("cbYear"), period);
  }
  void Section(int row) {
    Find<QListWidget>("AutoFrameList")->setCurrentRow(row);
    QCoreApplication::processEvents();
  }

  test::TempDir dir;
  sim::SimServer server{sim::ServerConfig{}};
  sim::SimHidController* cable = nullptr;
  std::unique_ptr<test::ScriptedForm> window;
  TAutoFrame* page = nullptr;
};

TEST_F(VehiclePage, ListsLabelsAndManualFollowTheChoice) {
  DeclineSelfUpdate question;
  question.shot = Shots() + "/update_question.png";
  test::DialogAnswer boxes("Нет");  // the firmware update question of the connection
  Open(true);
  ASSERT_TRUE(test::WaitFor([&] { return question.asked == 1 && Idle(); }, 30000));
  EXPECT_EQ(question.version, "1.1");
  EXPECT_TRUE(Logged(release_text::kNotUpdated));

  // The catalogue offered an update: the updates section is in front, with
  // both summaries; the installed CAN firmware has been read.
  EXPECT_EQ(Find<QListWidget>("AutoFrameList")->currentRow(), 1);
  EXPECT_FALSE(Find<QLabel>("lbAv")->text().isEmpty());
  EXPECT_FALSE(Find<QLabel>("lbSet")->text().isEmpty());
  EXPECT_TRUE(Find<QPushButton>("btnGetCore")->isEnabled());
  EXPECT_TRUE(Shown("lbCanFwInfo"));
  EXPECT_NE(Find<QLabel>("lbCanFwInfo")->text(), "?");
  EXPECT_EQ(Find<QLabel>("lbCanFwInfo")->text().toStdString(), window->Firmware()->Tasks().CanFwInfo());

  auto* make = Find<QComboBox>("cbCarBrend");
  ASSERT_GE(make->count(), 4);
  EXPECT_EQ(make->itemText(0), "-");
  EXPECT_EQ(make->currentIndex(), 0);
  EXPECT_EQ(make->maxVisibleItems(), 24);
  EXPECT_EQ(page->PDFName(), "tech_manual_add");
  EXPECT_TRUE(page->ReportData().makeSelected);

  auto* Label8 = Find<QLabel>("Label8");
  auto* cbFW = Find<QComboBox>("cbFW");
  // One firmware for the period, with a manual address in its description.
  ChooseMake("Kiravo", "Sorenta");
  EXPECT_EQ(Label8->text(), "Доступна CAN-прошивка:");
  EXPECT_FALSE(cbFW->isEnabled());
  EXPECT_EQ(cbFW->currentText(), "Kiravo Sorenta [KIR-17]");
  EXPECT_EQ(cbFW->currentData(Qt::UserRole + 1).toString(), "Штатная сигнализация, замок по CAN. Подключение к разъему B2.")
      << "the description without the manual address";
  EXPECT_TRUE(Shown("btnLoadManual"));
  EXPECT_TRUE(Shown("cbOpenPDF"));
  EXPECT_EQ(page->PDFName(), "Техкарта Kiravo Sorenta [KIR-17]");

  // Two firmware: a choice; the manual buttons follow the chosen one's "http".
  ChooseMake("Ardena", "Q5", "2016-");
  EXPECT_TRUE(Find<QComboBox>("cbYear")->isEnabled());
  EXPECT_EQ(Label8->text(), "Выберите CAN-прошивку:");
  EXPECT_TRUE(cbFW->isEnabled());
  EXPECT_FALSE(Shown("btnLoadManual"));
  cbFW->setCurrentIndex(1);
  EXPECT_EQ(window->Content().Can().Choice().FCanId, "2040");
  EXPECT_TRUE(Shown("btnLoadManual"));
  EXPECT_TRUE(Shown("cbOpenPDF"));
  Section(0);
  cbFW->showPopup();
  QCoreApplication::processEvents();
  cbFW->view()->window()->grab().save(Shots() + "/vehicle_page_firmware_list.png", "PNG");
  cbFW->hidePopup();
  window->grab().save(Shots() + "/vehicle_page_can.png", "PNG");

  ChooseMake("-");
  EXPECT_EQ(page->PDFName(), "tech_manual_add");
  EXPECT_FALSE(Shown("btnLoadManual"));
  EXPECT_EQ(Find<QComboBox>("cbCarModel")->count(), 0);
}

TEST_F(VehiclePage, EachButtonStartsItsWork) {
  DeclineSelfUpdate question;
  // The CAN settings notice is closed; every other box (the firmware update
  // question) is declined.
  test::DialogAnswer boxes("Закрыть");
  Open(false);
  ASSERT_TRUE(test::WaitFor([&] { return Idle(); }, 30000));
  EXPECT_EQ(question.asked, 0) << "no check at start when the box is clear";
  EXPECT_FALSE(Find<QCheckBox>("cbCheckForSelfUpdate")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("cbOpenPDF")->isChecked());
  QSignalSpy started(window.get(), &TMainForm::taskStarted);
  auto ran = [&](int task) {
    for (const auto& args : started)
      if (args[0].toInt() == task) return true;
    return false;
  };

  Find<QPushButton>("btnCheckFWUpdates")->click();
  EXPECT_TRUE(test::WaitFor([&] { return ran(fwtask::kCheck) && Idle(); }, 20000));
  Find<QPushButton>("Button2")->click();
  EXPECT_TRUE(test::WaitFor([&] { return ran(selftask::kCheck) && question.asked == 1 && Idle(); }, 20000));
  Find<QCheckBox>("cbCheckForSelfUpdate")->click();
  EXPECT_TRUE(window->Settings().CheckForUpdates) << "stored with the application settings";

  Find<QPushButton>("btnCheckSoundFiles")->click();
  EXPECT_EQ(window->StatusOps().Panel().op, voice_text::kTitle);

  // The manual: the proposed name, the document saved where the user said.
  ChooseMake("Kiravo", "Sorenta");
  window->saveAnswer = dir.File("manual.pdf");
  Find<QPushButton>("btnLoadManual")->click();
  ASSERT_EQ(window->asked.size(), 1u);
  EXPECT_NE(window->asked[0].find("Техкарта Kiravo Sorenta [KIR-17].pdf"), std::string::npos) << window->asked[0];
  EXPECT_EQ(Slurp(dir.File("manual.pdf")).substr(0, 5), "%PDF-");

  ASSERT_TRUE(Find<QPushButton>("btnGetCore")->isEnabled()) << "the simulated catalogue offers an update";
  Find<QPushButton>("btnGetCore")->click();
  EXPECT_TRUE(test::WaitFor([&] { return ran(fwtask::kUpdate) && Idle(); }, 60000));
  // btnGetCanFW is the last: task 4 is followed by the unit's restart.
  ASSERT_TRUE(test::WaitFor([&] { return Find<QPushButton>("btnGetCanFW")->isEnabled(); }, 20000));
  Find<QPushButton>("btnGetCanFW")->click();
  EXPECT_TRUE(test::WaitFor([&] { return ran(cantask::kWrite); }, 20000));
  // A firmware with settings of its own: the notice, then the CAN page.
  EXPECT_TRUE(test::WaitFor(
      [&] {
        for (const QString& t : boxes.texts)
          if (t.startsWith("Загруженная CAN-прошивка содержит дополнительные настройки.")) return true;
        return false;
      },
      30000))
      << boxes.texts.join(" | ").toStdString();
  EXPECT_EQ(boxes.buttons, QStringList{"Закрыть"}) << "the notice's single button";
  EXPECT_TRUE(test::WaitFor([&] { return window->findChild<QAction*>("aCANFrame")->isChecked(); }));
}

TEST_F(VehiclePage, GetCanFwOnlyOnlineAndIdle) {
  DeclineSelfUpdate question;
  test::DialogAnswer boxes("Нет");
  Open(false);
  ASSERT_TRUE(test::WaitFor([&] { return Idle(); }, 30000));
  auto* get = Find<QPushButton>("btnGetCanFW");
  EXPECT_TRUE(get->isEnabled());
  bool duringWork = true, soundsDuringWork = true;
  window->RunWorkflow([&] {
    duringWork = get->isEnabled();
    soundsDuringWork = Find<QPushButton>("btnCheckSoundFiles")->isEnabled();
  });
  EXPECT_FALSE(duringWork);
  EXPECT_FALSE(soundsDuringWork);
  EXPECT_TRUE(get->isEnabled());

  cable->Unplug();
  ASSERT_TRUE(test::WaitFor([&] { return !Shown("lbCanFwInfo"); }));
  EXPECT_FALSE(get->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("btnCheckFWUpdates")->isEnabled());
  cable->Plug();
  ASSERT_TRUE(test::WaitFor([&] { return Shown("lbCanFwInfo") && Idle() && get->isEnabled(); }, 20000));
  EXPECT_NE(Find<QLabel>("lbCanFwInfo")->text(), "?");
}

TEST_F(VehiclePage, ServiceWordsUncoverTheAddressAndTheForcedUpdate) {
  DeclineSelfUpdate question;
  test::DialogAnswer boxes("Нет");
  Open(false);
  ASSERT_TRUE(test::WaitFor([&] { return Idle(); }, 30000));
  EXPECT_FALSE(Shown("URLEdit"));
  EXPECT_FALSE(Shown("cbForceUpdate"));
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
  QTest::keyClicks(target, "quintabrel");
  ASSERT_TRUE(Shown("cbForceUpdate"));
  EXPECT_FALSE(Shown("URLEdit"));
  const char* boxes4[] = {"cbSkipCore1", "cbSkipCore2", "cbSkipRS", "cbSkipValet"};
  for (const char* b : boxes4) EXPECT_FALSE(Shown(b)) << b;

  auto* force = Find<QCheckBox>("cbForceUpdate");
  force->click();
  ForceUpdate& decisions = window->Firmware()->Tasks().Force();
  EXPECT_TRUE(decisions.cbForceUpdate);
  for (const char* b : boxes4) {
    EXPECT_TRUE(Shown(b)) << b;
    EXPECT_TRUE(Find<QCheckBox>(b)->isChecked()) << b;
  }
  Find<QCheckBox>("cbSkipRS")->click();
  EXPECT_FALSE(decisions.cbSkipRS) << "the update decisions follow the box";
  EXPECT_TRUE(window->Firmware()->Tasks().Catalogue()[Slot::CoreRS].NeedUpdate) << "the start module is forced";
  Section(1);
  window->grab().save(Shots() + "/vehicle_page_updates.png", "PNG");

  force->click();
  EXPECT_FALSE(decisions.cbForceUpdate);
  for (const char* b : boxes4) EXPECT_FALSE(Shown(b)) << b;
  EXPECT_FALSE(Find<QCheckBox>("cbSkipRS")->isChecked()) << "cleared stays cleared while hidden";
  EXPECT_TRUE(Find<QCheckBox>("cbSkipCore1")->isChecked());
  EXPECT_FALSE(decisions.cbSkipRS);

  // The server address: shown with the window's server; every change is the
  // client's address; leaving the field reads the CAN list again.
  QTest::keyClicks(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), "grimzax");
  ASSERT_TRUE(Shown("URLEdit"));
  auto* url = Find<QLineEdit>("URLEdit");
  EXPECT_EQ(url->text().toStdString(), server.Url());
  Section(0);
  window->activateWindow();
  QApplication::setActiveWindow(window.get());
  url->setFocus(Qt::OtherFocusReason);
  ASSERT_TRUE(test::WaitFor([&] { return url->hasFocus(); }));
  QTest::keyClicks(url, "/");
  EXPECT_EQ(window->Http().Options().baseUrl, server.Url()) << "a trailing / is dropped";
  QTest::keyClick(url, Qt::Key_Backspace);
  QTest::keyClicks(url, "9");
  EXPECT_EQ(window->Http().Options().baseUrl, server.Url() + "9");
  QTest::keyClick(url, Qt::Key_Backspace);
  const int before = server.Requests();
  Find<QComboBox>("cbCarBrend")->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(test::WaitFor([&] { return server.Requests() > before; }));
  EXPECT_EQ(Find<QComboBox>("cbCarBrend")->itemText(0), "-");
  window->grab().save(Shots() + "/vehicle_page_can_service.png", "PNG");
}

TEST_F(VehiclePage, WithoutAServerTheUnitIsStillShownAndTheAddressFieldReadsTheList) {
  test::DialogAnswer boxes("Нет");
  Open(false, false);
  ASSERT_TRUE(test::WaitFor([&] { return Logged("Настройки прочитаны.") && !window->Core().Idler().Busy(); }, 30000));
  EXPECT_FALSE(window->Core().FCanListRcvd);
  EXPECT_EQ(server.Requests(), 0) << "a window without a server asks none by itself";
  EXPECT_TRUE(Shown("lbCanFwInfo"));
  EXPECT_NE(Find<QLabel>("lbCanFwInfo")->text(), "?") << "the unit's CAN firmware needs no server";
  EXPECT_FALSE(Find<QLabel>("lbCanFwInfo")->text().isEmpty());
  EXPECT_TRUE(Find<QPushButton>("btnGetCanFW")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("btnCheckFWUpdates")->isEnabled()) << "no firmware check without a server";
  EXPECT_FALSE(Find<QPushButton>("Button2")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("btnCheckSoundFiles")->isEnabled());
  EXPECT_EQ(Find<QComboBox>("cbCarBrend")->count(), 0);

  QTest::keyClicks(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), "grimzax");
  auto* url = Find<QLineEdit>("URLEdit");
  ASSERT_TRUE(Shown("URLEdit"));
  window->activateWindow();
  QApplication::setActiveWindow(window.get());
  url->setFocus(Qt::OtherFocusReason);
  ASSERT_TRUE(test::WaitFor([&] { return url->hasFocus(); }));
  url->selectAll();
  QTest::keyClicks(url, QString::fromStdString(server.Url()));
  EXPECT_EQ(window->Http().Options().baseUrl, server.Url());
  Find<QPushButton>("btnGetCanFW")->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(test::WaitFor([&] { return window->Core().FCanListRcvd; }));
  auto* make = Find<QComboBox>("cbCarBrend");
  ASSERT_GE(make->count(), 4);
  EXPECT_EQ(make->itemText(0), "-");
  EXPECT_EQ(Find<QLabel>("Label8")->text(), "Доступна CAN-прошивка:");
}

}  // namespace
}  // namespace orv
