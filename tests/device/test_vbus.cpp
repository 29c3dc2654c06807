// The virtual HID bus inside one process: a unit served on a socket folder and
// links that find it, see it come and go, and share it.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <optional>
#include <thread>

#include "device/vbus_client.h"
#include "sim/vbus_unit.h"
#include "support/process.h"
#include "support/test_link.h"

namespace orv {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// A bus folder with the link lock files kept inside the test's own folder.
class VbusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) oldRuntime_ = old;
    ::setenv("XDG_RUNTIME_DIR", tmp_.Path().c_str(), 1);
    bus_ = tmp_.File("bus");
  }
  void TearDown() override {
    if (oldRuntime_) ::setenv("XDG_RUNTIME_DIR", oldRuntime_->c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
  }

  std::unique_ptr<sim::VbusUnit> StartUnit(uint32_t serial, const std::string& faults = {}, int model = 3) {
    sim::SimConfig cfg;
    cfg.serial = serial;
    cfg.model = model;
    auto unit = std::make_shared<sim::SimUnit>(cfg);
    if (!faults.empty()) unit->Faults() = sim::FaultPlan::Parse(faults);
    units_.push_back(unit);
    sim::VbusUnitOptions opt;
    opt.busDir = bus_;
    auto server = std::make_unique<sim::VbusUnit>(unit, opt);
    std::string error;
    EXPECT_TRUE(server->Start(error)) << error;
    return server;
  }

  using Link = test::ControllerLink<VbusController>;

  test::TempDir tmp_;
  std::string bus_;
  std::optional<std::string> oldRuntime_;
  std::vector<std::shared_ptr<sim::SimUnit>> units_;
};

TEST_F(VbusTest, PluggedUnitIsAttachedAndAnswers) {
  auto unit = StartUnit(4321);
  Link l(bus_);
  ASSERT_TRUE(l.controller.Error().empty()) << l.controller.Error();
  ASSERT_TRUE(l.link->OnLine());
  EXPECT_EQ(l.plugs, 1);
  EXPECT_EQ(l.link->InputReportLength(), 64);
  EXPECT_EQ(l.link->OutputReportLength(), 65);
  ASSERT_TRUE(l.link->GetInfo());
  EXPECT_EQ(DisplaySerial(l.link->BootState), 4321u);
}

TEST_F(VbusTest, ArrivalAndRemovalAreSeenPromptly) {
  Link l(bus_);
  EXPECT_FALSE(l.link->OnLine());
  auto unit = StartUnit(1);
  ASSERT_TRUE(l.Until([&] { return l.plugs == 1; }));
  EXPECT_TRUE(l.link->OnLine());
  ASSERT_TRUE(l.link->GetInfo());

  const auto pulled = SteadyClock::now();
  unit->Stop();
  ASSERT_TRUE(l.Until([&] { return l.unplugs == 1; }));
  EXPECT_LT(SteadyClock::now() - pulled, 500ms);
  EXPECT_FALSE(l.link->OnLine());
}

TEST_F(VbusTest, FolderOthersMayWriteToIsRefused) {
  ASSERT_TRUE(std::filesystem::create_directories(bus_));
  ::chmod(bus_.c_str(), 0777);
  VbusController c(bus_);
  EXPECT_NE(c.Error().find("открыта для записи другим"), std::string::npos) << c.Error();
  EXPECT_TRUE(c.Enumerate().empty());
  sim::VbusUnitOptions opt;
  opt.busDir = bus_;
  sim::VbusUnit unit(std::make_shared<sim::SimUnit>(), opt);
  std::string error;
  EXPECT_FALSE(unit.Start(error));
  EXPECT_NE(error.find("открыта для записи другим"), std::string::npos) << error;
}

TEST_F(VbusTest, SecondUnitReplacesTheFirst) {
  auto first = StartUnit(1);
  Link l(bus_);
  ASSERT_TRUE(l.link->OnLine());
  auto second = StartUnit(2, {}, 2);
  ASSERT_TRUE(l.Until([&] { return l.plugs == 2; }));
  ASSERT_TRUE(l.link->GetInfo());
  EXPECT_EQ(DisplaySerial(l.link->BootState), 2u);
  first->Stop();  // no longer attached: nothing happens to the link
  l.Until([] { return false; }, 200ms);
  EXPECT_EQ(l.unplugs, 0);
  EXPECT_TRUE(l.link->OnLine());
}

TEST_F(VbusTest, StaleSocketOfAKilledUnitIsNotAUnit) {
  ASSERT_TRUE(std::filesystem::create_directories(bus_));
  // What a killed unit leaves behind: a socket file nobody listens on.
  const std::string stale = bus_ + "/orvantis-7.sock";
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strcpy(addr.sun_path, stale.c_str());
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ::close(fd);

  VbusController c(bus_);
  EXPECT_TRUE(c.Enumerate().empty());
  EXPECT_EQ(c.CheckOut({stale, kOrvantisVendorId, kOrvantisProductId, ""}), nullptr);

  auto unit = StartUnit(7);  // takes the name over
  ASSERT_EQ(c.Enumerate().size(), 1u);
  EXPECT_EQ(c.Enumerate()[0].vendorId, kOrvantisVendorId);

  sim::VbusUnitOptions opt;
  opt.busDir = bus_;
  sim::VbusUnit twin(std::make_shared<sim::SimUnit>(sim::SimConfig{3, 18, 7, 1}), opt);
  std::string error;
  EXPECT_FALSE(twin.Start(error)) << "a live unit of the same name stays";
  EXPECT_NE(error.find("plugged in already"), std::string::npos) << error;
}

TEST_F(VbusTest, UnitBackUnderItsOldNameCanBeCheckedOutBeforeTheDeadHandleIsGone) {
  auto unit = StartUnit(9);
  VbusController c(bus_);
  const auto info = c.Enumerate().at(0);
  auto dead = c.CheckOut(info);
  ASSERT_NE(dead, nullptr);
  EXPECT_EQ(c.CheckOut(info), nullptr) << "one holder at a time";
  std::promise<void> gone;
  dead->SetHandlers({}, [&] { gone.set_value(); });
  unit->Stop();
  ASSERT_EQ(gone.get_future().wait_for(1s), std::future_status::ready);
  ASSERT_FALSE(dead->Plugged());

  unit = StartUnit(9);
  auto fresh = c.CheckOut(info);
  ASSERT_NE(fresh, nullptr);
  dead.reset();  // letting go of the dead handle leaves the new one checked out
  EXPECT_EQ(c.CheckOut(info), nullptr);
  EXPECT_TRUE(fresh->Plugged());
}

TEST_F(VbusTest, RestartTakesTheUnitAwayAndBringsItBack) {
  auto unit = StartUnit(5, "restart=300/c0");
  Link l(bus_);
  ASSERT_TRUE(l.link->OnLine());
  EXPECT_TRUE(l.link->GetCoreInfo()) << "the reply comes before the restart";
  ASSERT_TRUE(l.Until([&] { return l.unplugs == 1; }));
  EXPECT_FALSE(unit->Plugged());
  ASSERT_TRUE(l.Until([&] { return l.plugs == 2; }));
  EXPECT_TRUE(l.link->GetInfo());
}

TEST_F(VbusTest, UnplugFaultEndsTheExchangeAndPlugBringsTheUnitBack) {
  auto unit = StartUnit(6, "unplug/b3");
  Link l(bus_);
  ASSERT_TRUE(l.link->OnLine());
  l.link->SetTimeoutScale(20);
  EXPECT_FALSE(l.link->GetVersionDevices());
  EXPECT_EQ(l.unplugs, 1) << "the removal was delivered during the wait";
  EXPECT_FALSE(unit->Plugged());
  unit->Plug();
  ASSERT_TRUE(l.Until([&] { return l.plugs == 2; }));
  EXPECT_TRUE(l.link->GetVersionDevices());
}

// Two links on one unit are what two configurator processes are: every
// handle sees every reply, and the lock plus the flush before each send keep
// one from taking the other's reply (a memory reply does not name its address).
TEST_F(VbusTest, TwoLinksOnOneUnitNeverTakeEachOthersReplies) {
  auto unit = StartUnit(8);
  std::vector<uint8_t> rom(sim::SimUnit::kRomEnd - sim::SimUnit::kRomBase);
  for (size_t i = 0; i < rom.size(); ++i) rom[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
  ASSERT_TRUE(units_[0]->WriteRom(sim::SimUnit::kRomBase, rom.data(), static_cast<uint32_t>(rom.size())));

  Link a(bus_), b(bus_);
  ASSERT_TRUE(a.link->OnLine() && b.link->OnLine());
  auto reader = [&](Link& l, uint32_t offset, int& bad) {
    l.link->SetOwnerThread(std::this_thread::get_id());
    for (int round = 0; round < 60; ++round) {
      std::vector<uint8_t> got(370);
      if (!l.link->ReadROM(got.data(), sim::SimUnit::kRomBase + offset, 370) ||
          !std::equal(got.begin(), got.end(), rom.begin() + offset))
        ++bad;
    }
  };
  int badA = 0, badB = 0;
  std::thread ta(reader, std::ref(a), 0u, std::ref(badA));
  std::thread tb(reader, std::ref(b), 4000u, std::ref(badB));
  ta.join();
  tb.join();
  EXPECT_EQ(badA, 0);
  EXPECT_EQ(badB, 0);
}

}  // namespace
}  // namespace orv
