// "Применить изменения" in the window against an orvantis-sim unit and the
// simulated server: an edit made on a page just before the click is in the
// request, and each reply decides whether the unit is written. Screenshots
// of the window after an accepted and after a refused synchronisation.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>
#include <QSlider>

#include "bus_window_fixture.h"
#include "server/api.h"
#include "server/sync_request.h"
#include "server/server_fixture.h"
#include "settings/settings_session.h"
#include "sim/sim_server.h"

namespace orv {
namespace {

class SyncWindowTest : public test::BusWindowTest {
 protected:
  void SetUp() override {
    BusWindowTest::SetUp();
    Save("ORVANTIS_SERVER");
    Save("ORVANTIS_CA_FILE");
    Save("XDG_CACHE_HOME");
    ::setenv("XDG_CACHE_HOME", tmp_.File("cache").c_str(), 1);
  }
  void TearDown() override {
    BusWindowTest::TearDown();
    server_.reset();
  }
  // The window's client reaches the server through the environment, as no
  // server is named on its command line: the start-up requests (CAN list,
  // firmware and release checks) are not made, only the synchronisation.
  void StartServer(std::optional<std::string> reply, int status = 200) {
    window.reset();
    server_.reset();
    sim::ServerConfig cfg;
    cfg.recordDir = tmp_.File("rec" + std::to_string(++servers_));
    cfg.cfgReply = std::move(reply);
    cfg.cfgStatus = status;
    server_ = std::make_unique<sim::SimServer>(cfg);
    std::string error;
    ASSERT_TRUE(server_->Start(error)) << error;
    ::setenv("ORVANTIS_SERVER", server_->Url().c_str(), 1);
    ::setenv("ORVANTIS_CA_FILE", server_->CaFile().c_str(), 1);
  }
  std::string Body() const {
    return test::ReadText(tmp_.File("rec" + std::to_string(servers_) + "/0001-cfg-set.body"));
  }
  // Opens the window, waits for the settings read, moves the alarm time
  // slider to 30 s as the user would, and clicks "Применить изменения".
  void EditAndApply() {
    Open();
    window->resize(1200, 720);
    ASSERT_TRUE(WaitForLog(test::kRead)) << "the settings read after the connection";
    window->SelectFrame("aOptionsFrame");
    // The alarm section, where the slider is.
    if (auto* list = window->findChild<QListWidget*>("OptionsFrameList")) {
      const auto items = list->findItems("Тревога", Qt::MatchExactly);
      if (!items.isEmpty()) list->setCurrentItem(items.front());
    }
    auto* slider = window->findChild<QSlider*>("tbAlarmTime");
    ASSERT_NE(slider, nullptr);
    ASSERT_NE(slider->value(), 30);
    slider->setValue(30);
    Click("btnBtnDn");
  }
  const StatusPanel& Panel() { return window->StatusOps().Panel(); }
  static QString Shots() {
    QDir().mkpath(ORVANTIS_SCREENSHOT_DIR);
    return ORVANTIS_SCREENSHOT_DIR;
  }

  std::unique_ptr<sim::SimServer> server_;
  int servers_ = 0;
};

TEST_F(SyncWindowTest, AcceptedEditIsSentThenWritten) {
  StartUnit(1234);
  StartServer(std::nullopt);
  const TMemItems before = UnitMemory();
  EditAndApply();
  ASSERT_TRUE(WaitForLog(settings_text::kSaved)) << Panel().status;
  EXPECT_EQ(LogCount(sync_text::kSynced), 1);
  EXPECT_EQ(Panel().res, "OK");

  const std::string body = Body();
  EXPECT_EQ(body.compare(0, SyncFormPart(1234).size(), SyncFormPart(1234)), 0) << body.substr(0, 300);
  EXPECT_NE(body.find("\"alarmtime\":30,"), std::string::npos) << "the edit made just before the click";
  EXPECT_EQ(test::ReadText(tmp_.File("cache/OrvantisConfigurator/json_req.txt")), body);
  EXPECT_FALSE(SameRegions(before, UnitMemory(), 1u << kRegionConfig)) << "then written into the unit";
  window->grab().save(Shots() + "/sync_accepted.png", "PNG");
}

TEST_F(SyncWindowTest, RefusalWritesNothingAndShowsNoBox) {
  StartUnit(1234);
  const TMemItems before = UnitMemory();
  for (const char* reply : {R"({"ok":0})", R"({"ok":"1"})"}) {
    SCOPED_TRACE(reply);
    StartServer(reply);
    test::DialogAnswer boxes("OK");
    EditAndApply();
    ASSERT_TRUE(test::WaitFor([&] { return Panel().res == "ОШИБКА"; }, 8000)) << Panel().status;
    EXPECT_EQ(Panel().status, sync_text::kNotSynced);
    EXPECT_EQ(LogCount(sync_text::kRefused), 1);
    EXPECT_NE(Body().find("\"alarmtime\":30,"), std::string::npos);
    // Whatever else the queue held has run by now; the write was not among it.
    QTest::qWait(300);
    EXPECT_EQ(LogCount("Сохранение настроек в устройстве..."), 0);
    EXPECT_EQ(boxes.count, 0);
    EXPECT_TRUE(window->findChild<QWidget*>("btnBtnDn")->isEnabled());
    EXPECT_TRUE(SameRegions(before, UnitMemory(), regionmask::kWrite)) << "the unit keeps its settings";
    window->grab().save(Shots() + "/sync_refused.png", "PNG");
  }
}

TEST_F(SyncWindowTest, UnreadableReplyOrHttpErrorStillWrites) {
  StartUnit(1234);
  const std::string orig = tmp_.File("orig.vesnar");
  ASSERT_EQ(test::RunCli({"--bus", bus_, "read", "-o", orig}).exitCode, 0);
  struct Case {
    std::string reply;
    int status;
    std::string box;  // empty: no message box
    std::string logged;
  } cases[] = {
      {"<html>Сервис недоступен</html>", 200, "<html>Сервис недоступен</html>", ""},
      {R"({"ok":1})", 500, "", server::ErrorReportLine(500, "Internal Server Error")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply + " " + std::to_string(c.status));
    // Each row starts from the unit's old settings.
    window.reset();
    ASSERT_EQ(test::RunCli({"--bus", bus_, "write", orig}).exitCode, 0);
    const TMemItems before = UnitMemory();
    StartServer(c.reply, c.status);
    // The reply's box is looked at, kept as a picture and closed.
    QStringList boxes;
    bool plain = true;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      boxes << box->text();
      plain = plain && box->textFormat() == Qt::PlainText;  // a reply page is not rendered
      box->grab().save(Shots() + "/sync_reply_box.png", "PNG");
      box->accept();
    });
    answer.start();
    EditAndApply();
    ASSERT_TRUE(WaitForLog(settings_text::kSaved)) << Panel().status;
    if (c.box.empty()) EXPECT_TRUE(boxes.isEmpty());
    else EXPECT_EQ(boxes, QStringList{QString::fromStdString(c.box)});
    EXPECT_TRUE(plain);
    if (!c.logged.empty()) EXPECT_EQ(LogCount(c.logged), 1);
    EXPECT_EQ(LogCount(sync_text::kSynced), 0);
    EXPECT_FALSE(SameRegions(before, UnitMemory(), 1u << kRegionConfig));
  }
}

}  // namespace
}  // namespace orv
