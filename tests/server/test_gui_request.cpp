// The window's client: --server/--ca and the stored proxy reach it, and a
// slow request from the GUI thread leaves the event loop running.
#include <gtest/gtest.h>

#include <QSettings>
#include <QTimer>

#include "app/main_form.h"
#include "server/api.h"
#include "server_fixture.h"
#include "sim/sim_hid.h"

namespace orv {
namespace {

class GuiRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.Path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(dir.Path()));
    test::MakeServerData(dir.File("data"));
  }
  void Open(const sim::SimServer& server) {
    auto ctrl = std::make_unique<sim::SimHidController>(std::make_shared<sim::SimUnit>(sim::SimConfig{}),
                                                        sim::SimTransportOptions{}, false);
    ConfiguratorOptions options;
    options.simModel = 3;
    options.server = server.Url();
    options.caFile = server.CaFile();
    window = std::make_unique<TMainForm>(options, std::move(ctrl));
    window->show();
  }
  void TearDown() override { window.reset(); }

  test::TempDir dir;
  std::unique_ptr<TMainForm> window;
};

TEST_F(GuiRequestTest, ServerOptionsAndStoredProxyReachTheClient) {
  {
    QSettings s;
    s.setValue("ProxyAddr", "10.0.0.9");
    s.setValue("ProxyPort", "eighty");
    s.setValue("ProxyLogin", "inst");
  }
  auto server = test::StartSimServer(dir.File("data"));
  Open(*server);
  EXPECT_EQ(window->Http().Options().baseUrl, server->Url());
  EXPECT_EQ(window->Http().Options().caFile, server->CaFile());
  const server::ProxySettings proxy = window->Http().Proxy();
  EXPECT_EQ(proxy.host, "10.0.0.9");
  EXPECT_EQ(proxy.port, 8080);
  EXPECT_EQ(proxy.login, "inst");
}

TEST_F(GuiRequestTest, SlowRequestKeepsTheEventLoopRunning) {
  auto server = test::StartSimServer(dir.File("data"), "slow", {}, 1);
  Open(*server);
  int ticks = 0;
  QTimer timer;
  timer.setInterval(5);
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start();
  server::HttpResult r =
      window->Http().PostForm(server::ApiUrl(window->Http().Options().baseUrl, server::kCoreGet), server::UnitFields(1234));
  timer.stop();
  ASSERT_TRUE(r.ok) << r.errorText;
  // About one second of waiting: the timer fired all along.
  EXPECT_GT(ticks, 20);
}

}  // namespace
}  // namespace orv
