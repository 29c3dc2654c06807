// The window's CAN firmware and self-update actions against an in-process
// simulated unit and the simulated server: the start-up tasks (release check
// with the update question, CAN list), the chooser dialog, a CAN firmware
// written with the unit's restart, the settings read again and the CAN
// options notice. Screenshots of the question and the chooser.
#include <gtest/gtest.h>

// The core headers before Qt: the firmware catalogue names a member "slots".
#include "server/can_firmware.h"
#include "server/release_update.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>

#include "app/content_actions.h"
#include "gui_support.h"
#include "sim/sim_hid.h"
#include "sim/sim_server.h"
#include "support/process.h"

namespace orv {
namespace {

QString Shots() {
  QDir().mkpath(ORVANTIS_SCREENSHOT_DIR);
  return ORVANTIS_SCREENSHOT_DIR;
}

TEST(ContentGui, StartUpQuestionChooserAndCanWrite) {
  test::TempDir dir;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.Path()));
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(dir.Path()));
  sim::SimServer server(sim::ServerConfig{});
  std::string error;
  ASSERT_TRUE(server.Start(error)) << error;

  sim::SimConfig cfg;
  cfg.model = 3;
  cfg.loaderRestartMs = 200;
  auto unit = std::make_shared<sim::SimUnit>(cfg);
  auto ctrl = std::make_unique<sim::SimHidController>(unit, sim::SimTransportOptions{}, true);
  ConfiguratorOptions options;
  options.simModel = 3;
  options.server = server.Url();
  options.caFile = server.CaFile();

  // The update question of the start-up check: looked at, then declined.
  bool asked = false;
  QString version;
  QTimer answer;
  answer.setInterval(20);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* dlg = dynamic_cast<TUpdateMsg*>(QApplication::activeModalWidget());
    if (!dlg || asked) return;
    asked = true;
    version = dlg->findChild<QLabel*>("lbVer")->text();
    dlg->grab().save(Shots() + "/update_question.png", "PNG");
    dlg->findChild<QPushButton*>("Button2")->click();
  });
  answer.start();
  test::DialogAnswer notice("Закрыть");

  auto window = std::make_unique<TMainForm>(options, std::move(ctrl));
  window->resize(1100, 760);
  window->show();
  auto logged = [&](const std::string& line) {
    for (const auto& l : window->StatusOps().LogLines())
      if (l == line) return true;
    return false;
  };
  ASSERT_TRUE(test::WaitFor([&] { return asked && window->Core().FCanListRcvd; }, 20000));
  EXPECT_EQ(version, "1.1");
  EXPECT_TRUE(test::WaitFor([&] { return logged(release_text::kNotUpdated); }));

  window->grab().save(Shots() + "/vehicle_page_updates.png", "PNG");
  window->Content().OpenCanChooser();
  auto* chooser = window->Content().Chooser();
  ASSERT_NE(chooser, nullptr);
  auto* make = chooser->findChild<QComboBox*>("cbMake");
  ASSERT_GE(make->count(), 4);
  EXPECT_EQ(make->itemText(0), "-");
  make->setCurrentIndex(make->findText("Kiravo"));
  auto* model = chooser->findChild<QComboBox*>("cbModel");
  model->setCurrentIndex(model->findText("Sorenta"));
  EXPECT_EQ(window->Content().Can().Choice().FCanId, "1017");
  EXPECT_TRUE(chooser->findChild<QPushButton*>("btnManual")->isVisible());
  chooser->grab().save(Shots() + "/can_chooser.png", "PNG");

  chooser->findChild<QPushButton*>("aGetCanFW")->click();
  // Other questions (the firmware check of the connection) are declined.
  auto noticed = [&] {
    for (const QString& t : notice.texts)
      if (t.startsWith("Загруженная CAN-прошивка содержит дополнительные настройки.")) return true;
    return false;
  };
  ASSERT_TRUE(test::WaitFor(noticed, 30000)) << "the CAN options notice; boxes: " << notice.texts.join(" | ").toStdString();
  // Then the CAN page is shown.
  EXPECT_TRUE(test::WaitFor([&] { return window->findChild<QAction*>("aCANFrame")->isChecked(); }));
  window.reset();
}

}  // namespace
}  // namespace orv
