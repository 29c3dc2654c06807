// The virtual HID bus across processes: simulated units run as orvantis-sim
// processes on a temporary bus; orvantis-cli and the link find them there.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>

#include "device/orvantis.h"
#include "device/vbus_client.h"
#include "support/process.h"
#include "support/test_link.h"

namespace orv::test {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

class BusE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    // Lock files of the units go to the test's folder; a bus of the caller's
    // environment must not leak in.
    Save("XDG_RUNTIME_DIR");
    Save("ORVANTIS_BUS");
    ::setenv("XDG_RUNTIME_DIR", tmp_.Path().c_str(), 1);
    ::unsetenv("ORVANTIS_BUS");
    bus_ = tmp_.File("bus");
  }
  void TearDown() override {
    for (auto& [name, value] : saved_) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }
  void Save(const char* name) {
    const char* v = std::getenv(name);
    saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
  }

  // Starts `orvantis-sim unit` and waits until its socket is in place.
  std::unique_ptr<Background> StartUnit(uint32_t serial, int model = 3, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"unit", "--bus", bus_, "--model", std::to_string(model), "--serial",
                                     std::to_string(serial)};
    args.insert(args.end(), extra.begin(), extra.end());
    auto p = std::make_unique<Background>(SimPath(), args);
    EXPECT_TRUE(p->WaitForOutput("plugged: ", 5000)) << p->Err();
    return p;
  }

  TempDir tmp_;
  std::string bus_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(BusE2E, WatchSeesUnitsComeReplaceEachOtherAndGo) {
  Background watch(CliPath(), {"--bus", bus_, "watch", "--count", "3"});
  auto first = StartUnit(1001, 3);
  ASSERT_TRUE(watch.WaitForOutput("plugged: ORVANTIS 3, SN 0000001001\n", 3000)) << watch.Out() << watch.Err();

  auto second = StartUnit(1002, 2);
  ASSERT_TRUE(watch.WaitForOutput("plugged: ORVANTIS 2, SN 0000001002\n", 3000)) << watch.Out() << watch.Err();

  // The first unit is no longer attached: its death goes unnoticed.
  first->Signal(SIGKILL);
  EXPECT_FALSE(watch.WaitForOutput("unplugged", 700)) << watch.Out();

  const auto killed = SteadyClock::now();
  second->Signal(SIGKILL);
  ASSERT_TRUE(watch.WaitForOutput("unplugged\n", 1000)) << watch.Out() << watch.Err();
  EXPECT_LT(SteadyClock::now() - killed, 1000ms);
  EXPECT_EQ(watch.Wait(3000), 0) << "three events were asked for";
  EXPECT_EQ(watch.Out(),
            "plugged: ORVANTIS 3, SN 0000001001\nplugged: ORVANTIS 2, SN 0000001002\nunplugged\n");
}

TEST_F(BusE2E, WatchReportsAUnitPresentAtStartAndStopsOnInterrupt) {
  auto unit = StartUnit(55, 4);
  Background watch(CliPath(), {"--bus", bus_, "watch"});
  ASSERT_TRUE(watch.WaitForOutput("plugged: ORVANTIS 4, SN 0000000055\n", 3000)) << watch.Err();
  watch.Signal(SIGINT);
  EXPECT_NE(watch.Wait(3000), -1);
}

TEST_F(BusE2E, InfoOverTheBusPrintsWhatItPrintsWithSim) {
  for (const auto& [model, pcb, serial] : {std::tuple{3, 18, 1234u}, std::tuple{1, 7, 99u}}) {
    auto unit = StartUnit(serial, model, {"--pcb", std::to_string(pcb)});
    const auto sim = RunCli({"--sim", std::to_string(model), "--pcb", std::to_string(pcb), "--serial",
                             std::to_string(serial), "info"});
    ASSERT_EQ(sim.exitCode, 0) << sim.err;
    const auto bus = RunCli({"--bus", bus_, "info"});
    EXPECT_EQ(bus.exitCode, 0) << bus.err;
    EXPECT_EQ(bus.out, sim.out);

    ::setenv("ORVANTIS_BUS", bus_.c_str(), 1);
    const auto env = RunCli({"info"});
    ::unsetenv("ORVANTIS_BUS");
    EXPECT_EQ(env.exitCode, 0) << env.err;
    EXPECT_EQ(env.out, sim.out);
    unit->Signal(SIGTERM);
    EXPECT_EQ(unit->Wait(3000), 0);
  }
}

TEST_F(BusE2E, InfoWithoutAUnitOnTheBusSaysSo) {
  const auto r = RunCli({"--bus", bus_, "info"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("Блок Orvantis не найден"), std::string::npos) << r.err;
}

TEST_F(BusE2E, FiftyInfosInParallelAllSucceed) {
  // Every report costs a millisecond, so the runs really overlap.
  auto unit = StartUnit(4242, 3, {"--timing-ms", "1"});
  const auto expected = RunCli({"--bus", bus_, "info"});
  ASSERT_EQ(expected.exitCode, 0) << expected.err;
  std::vector<std::unique_ptr<Background>> runs;
  for (int i = 0; i < 50; ++i) runs.push_back(std::make_unique<Background>(CliPath(), std::vector<std::string>{"--bus", bus_, "info"}));
  int ok = 0;
  for (auto& r : runs) {
    const int rc = r->Wait(60000);
    EXPECT_EQ(rc, 0) << r->Err();
    EXPECT_EQ(r->Out(), expected.out);
    ok += rc == 0 && r->Out() == expected.out;
  }
  EXPECT_EQ(ok, 50);
}

TEST_F(BusE2E, UnitKilledDuringALongReadFailsTheReadWithinItsTimeouts) {
  auto unit = StartUnit(77, 3, {"--timing-ms", "1"});
  VbusController controller(bus_);
  LogRecorder log;
  int unplugs = 0;
  TOrvantis link(&controller, nullptr, [&](TOrvantis*) { ++unplugs; }, log.Callback());
  link.SetUseSync(false);
  ASSERT_TRUE(link.OnLine());

  std::thread killer([&] {
    std::this_thread::sleep_for(300ms);
    unit->Signal(SIGKILL);
  });
  std::vector<uint8_t> data(256 * 1024, 0xA5);
  const auto start = SteadyClock::now();
  const bool ok = link.ReadFlash(data.data(), 0, static_cast<uint32_t>(data.size()));
  const auto took = SteadyClock::now() - start;
  killer.join();

  EXPECT_FALSE(ok);
  EXPECT_EQ(data, std::vector<uint8_t>(data.size(), 0xA5)) << "a failed read leaves the buffer alone";
  // The wait in progress runs out (1 s); every later attempt fails its send
  // within the 500 ms retry window.
  EXPECT_LT(took, 300ms + 1000ms + 5 * 600ms);
  EXPECT_EQ(log.Count("Таймаут ожидания ответа"), 5u);
  EXPECT_EQ(unplugs, 1);
  EXPECT_FALSE(link.OnLine());
}

}  // namespace
}  // namespace orv::test
