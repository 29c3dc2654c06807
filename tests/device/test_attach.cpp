// Attaching and detaching units, and the delivery of plug and unplug notices.
#include <gtest/gtest.h>

#include <thread>

#include "support/test_link.h"

namespace orv {
namespace {

using test::LogRecorder;

struct Fixture {
  explicit Fixture(bool plugged) : unit(std::make_shared<sim::SimUnit>()),
                                   controller(std::make_unique<sim::SimHidController>(unit, sim::SimTransportOptions{}, plugged)) {
    link = std::make_unique<TOrvantis>(
        controller.get(), [this](TOrvantis*) { ++plugs; }, [this](TOrvantis*) { ++unplugs; }, log.Callback());
    link->SetUseSync(false);
    link->SetNoticeWakeup([this] { ++wakeups; });
  }
  ~Fixture() {
    link.reset();
    controller.reset();
  }
  // Delivers notices until `done` holds or a second has passed.
  template <typename Pred>
  bool Pump(Pred done) {
    for (int i = 0; i < 100 && !done(); ++i) {
      link->ProcessHIDMessages();
      link->WaitForNotice(10);
    }
    return done();
  }
  std::shared_ptr<sim::SimUnit> unit;
  std::unique_ptr<sim::SimHidController> controller;
  LogRecorder log;
  std::unique_ptr<TOrvantis> link;
  int plugs = 0, unplugs = 0;
  std::atomic<int> wakeups{0};
};

TEST(Attach, UnitPresentAtConstructionIsAttachedAtOnce) {
  Fixture f(true);
  EXPECT_TRUE(f.link->OnLine());
  EXPECT_EQ(f.plugs, 1);
  EXPECT_EQ(f.link->InputReportLength(), 64);
  EXPECT_EQ(f.link->OutputReportLength(), 65);
  EXPECT_EQ(f.log.CountPrefix("["), 1u);
  EXPECT_NE(f.log.Lines()[0].find("InputReportByteLength = 65; OutputReportByteLength = 65"), std::string::npos);
}

TEST(Attach, ArrivalAndRemovalAreDeliveredOnTheOwnerThreadOnly) {
  Fixture f(false);
  EXPECT_FALSE(f.link->OnLine());
  EXPECT_EQ(f.plugs, 0);
  f.controller->Plug();
  ASSERT_TRUE(f.link->WaitForNotice(1000));
  std::thread([&] { f.link->ProcessHIDMessages(); }).join();
  EXPECT_EQ(f.plugs, 0) << "another thread does not receive notices";
  ASSERT_TRUE(f.Pump([&] { return f.plugs == 1; }));
  EXPECT_TRUE(f.link->OnLine());
  EXPECT_GE(f.wakeups.load(), 1) << "the event loop was woken for the notice";
  ASSERT_TRUE(f.link->GetInfo());

  f.controller->Unplug();
  EXPECT_FALSE(f.link->OnLine()) << "offline as soon as the unit is gone";
  EXPECT_EQ(f.unplugs, 0);
  ASSERT_TRUE(f.Pump([&] { return f.unplugs == 1; }));
  EXPECT_EQ(f.log.CountPrefix("[") >= 2, true);
  bool detachedLine = false;
  for (const auto& l : f.log.Lines()) detachedLine |= l.find("] Device is UnPlugged") != std::string::npos;
  EXPECT_TRUE(detachedLine);
  EXPECT_EQ(f.link->InputReportLength(), 0);
}

TEST(Attach, OnLinePropertyAttachesAndDetachesWithoutUnplugCallback) {
  Fixture f(true);
  f.link->SetOnLine(false);
  EXPECT_FALSE(f.link->OnLine());
  EXPECT_EQ(f.unplugs, 0);
  f.link->SetOnLine(true);
  EXPECT_TRUE(f.link->OnLine());
  EXPECT_EQ(f.plugs, 2);
  f.link->SetOnLine(true);  // already attached: nothing happens
  EXPECT_EQ(f.plugs, 2);
}

TEST(Attach, HidDevCallsThePlugCallbackInEveryCase) {
  Fixture f(true);
  f.link->SetHidDev(nullptr);
  EXPECT_FALSE(f.link->OnLine());
  EXPECT_EQ(f.plugs, 2);
}

TEST(Attach, RemovalDuringALongReadEndsTheReadAndIsDelivered) {
  Fixture f(true);
  f.controller->SetReportPeriod(std::chrono::microseconds(1000));
  f.link->SetTimeoutScale(20);
  std::thread pull([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    f.controller->Unplug();
  });
  std::vector<uint8_t> buf(4000);
  EXPECT_FALSE(f.link->ReadROM(buf.data(), 0x1D800, 4000));
  pull.join();
  EXPECT_EQ(f.unplugs, 1) << "the wait delivered the removal";
  EXPECT_FALSE(f.link->OnLine());
}

}  // namespace
}  // namespace orv
