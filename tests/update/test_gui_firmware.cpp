// The window against a simulated unit and the simulated server: the check at
// connection asks the question, "Да" runs the update with a progress bar that
// moves from 0 to 100, and the check that follows finds nothing to update.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSettings>
#include <QApplication>
#include <QTimer>
#include <QDialog>

#include "app/firmware_actions.h"
#include "app/main_form.h"
#include "../app/gui_support.h"
#include "sim/sim_hid.h"
#include "sim/sim_server.h"
#include "support/process.h"
#include "update/fw_texts.h"

namespace orv {
namespace {

class GuiFirmware : public testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.Path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(dir.Path()));
    server = std::make_unique<sim::SimServer>(sim::ServerConfig{});
    std::string error;
    ASSERT_TRUE(server->Start(error)) << error;
  }
  void Open() {
    sim::SimConfig cfg;
    cfg.model = 4;
    cfg.loaderRestartMs = 300;
    cfg.auxUpdateMs = 800;
    unit = std::make_shared<sim::SimUnit>(cfg);
    ConfiguratorOptions options;
    options.simModel = 4;
    options.server = server->Url();
    options.caFile = server->CaFile();
    // The start-up release check offers the simulated server's newer
    // configurator; that question is not these tests' subject and is declined.
    releaseQuestion.setInterval(20);
    QObject::connect(&releaseQuestion, &QTimer::timeout, [] {
      auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (d && d->objectName() == "UpdateMsg") d->reject();
    });
    releaseQuestion.start();
    window = std::make_unique<TMainForm>(options, std::make_unique<sim::SimHidController>(unit));
    window->resize(1200, 800);
    window->show();
  }
  void TearDown() override { window.reset(); }
  bool Logged(const std::string& text) const {
    for (const QString& l : window->findChild<QPlainTextEdit*>("DisplayMemo")->toPlainText().split('\n'))
      if (l.toStdString() == text) return true;
    return false;
  }

  test::TempDir dir;
  std::unique_ptr<sim::SimServer> server;
  QTimer releaseQuestion;
  std::shared_ptr<sim::SimUnit> unit;
  std::unique_ptr<TMainForm> window;
};

TEST_F(GuiFirmware, QuestionUpdateAndProgressBar) {
  test::DialogAnswer yes("Да");
  Open();
  ASSERT_NE(window->Firmware(), nullptr);
  auto* bar = window->findChild<QProgressBar*>("pbProgress");
  auto* label = window->findChild<QLabel*>("lbProgress1");
  std::vector<int> seen;
  // Every change of the bar, not samples of it: a fast machine passes the
  // last stages between two samples. The window sets the caption first.
  QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
    // Only the update's own figure (the settings read has one too).
    static const std::vector<std::string> stages = {fwtext::kClearing, fwtext::kWriting, fwtext::kLoaderStart,
                                                    fwtext::kUpdateRunning, fwtext::kFlashWriting, fwtext::kAuxStarted,
                                                    "В памяти системы сохраняется ПО", fwtext::kUpdateDone};
    const std::string text = label->text().toStdString();
    if (std::none_of(stages.begin(), stages.end(), [&](const std::string& s) { return text.rfind(s, 0) == 0; }))
      return;
    if (seen.empty() || seen.back() != value) seen.push_back(value);
  });
  ASSERT_TRUE(test::WaitFor([&] { return yes.count >= 1; }, 10000));
  EXPECT_EQ(yes.title, "Внимание!");
  EXPECT_TRUE(yes.text.startsWith("Рекомендуется обновить программное обеспечение устройства."));
  EXPECT_EQ(yes.buttons, (QStringList{"Да", "Нет"}));
  ASSERT_TRUE(test::WaitFor([&] { return Logged(fwtext::kUpToDate); }, 40000));
  EXPECT_TRUE(Logged("Обновление Core прошло успешно"));
  EXPECT_TRUE(Logged(fwtext::kAuxStarted));
  EXPECT_EQ(yes.count, 1) << "the check after the update asks nothing";
  EXPECT_FALSE(Logged("Orvantis отключен.")) << "the restarts of an update are no disconnection";
  ASSERT_GE(seen.size(), 5u) << "the bar moves in steps";
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << testing::PrintToString(seen);
  EXPECT_GE(seen.back(), 90) << testing::PrintToString(seen);
  EXPECT_FALSE(window->findChild<QAction*>("aCoreUpdate")->isEnabled()) << "nothing left to update";
  EXPECT_EQ(unit->Identity().versionDevices.RStart, 8);

  const QString shots = QStringLiteral(ORVANTIS_SCREENSHOT_DIR);
  QDir().mkpath(shots);
  EXPECT_TRUE(window->grab().save(shots + "/firmware_updated.png", "PNG"));
}

TEST_F(GuiFirmware, DeclinedThenTheActionStartsTheUpdate) {
  test::DialogAnswer no("Нет");
  Open();
  ASSERT_TRUE(test::WaitFor([&] { return Logged(fwtext::kDeclined); }, 10000));
  QAction* action = window->findChild<QAction*>("aCoreUpdate");
  ASSERT_TRUE(test::WaitFor([&] { return action->isEnabled(); }, 5000));
  const QString shots = QStringLiteral(ORVANTIS_SCREENSHOT_DIR);
  QDir().mkpath(shots);
  EXPECT_TRUE(window->grab().save(shots + "/firmware_available.png", "PNG"));
  action->trigger();
  ASSERT_TRUE(test::WaitFor([&] { return Logged(fwtext::kUpdateDone); }, 40000));
}

}  // namespace
}  // namespace orv
