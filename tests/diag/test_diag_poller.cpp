// The diagnostics poller against a simulated unit: the test thread is the
// link's owner thread and runs its notices the way the window's loop does.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "diag/orv_diag.h"
#include "sim/sim_diag.h"
#include "support/test_link.h"

namespace orv {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Answers 0x91 with a reply the test chooses and notes when each poll came.
struct DiagServer {
  std::mutex mutex;
  std::vector<uint8_t> reply;
  std::vector<Clock::time_point> polls;

  void Install(sim::SimUnit& unit) {
    unit.SetHandler(0x91, [this](const sim::SimRequest&, const std::vector<sim::ActiveFault>&)
                              -> std::optional<std::vector<uint8_t>> {
      std::lock_guard<std::mutex> g(mutex);
      polls.push_back(Clock::now());
      return reply;
    });
  }
  void Set(std::vector<uint8_t> r) {
    std::lock_guard<std::mutex> g(mutex);
    reply = std::move(r);
  }
  size_t Polls() {
    std::lock_guard<std::mutex> g(mutex);
    return polls.size();
  }
  Clock::time_point Poll(size_t i) {
    std::lock_guard<std::mutex> g(mutex);
    return polls.at(i);
  }
};

std::vector<uint8_t> Filled(size_t length, uint8_t value, uint8_t kind) {
  std::vector<uint8_t> r(length, value);
  if (length > TExtendDiagRec::kKindOffset) r[TExtendDiagRec::kKindOffset] = kind;
  return r;
}

class Poller : public ::testing::Test {
 protected:
  explicit Poller(sim::SimTransportOptions transport = {}) : sl(sim::SimConfig{}, transport) {
    server.Install(*sl.unit);
    server.Set(Filled(113, 0x5A, 3));
    diag = sl.link->Diag();
    diag->SetDiagProc([this](TOrvDiag* d) {
      std::lock_guard<std::mutex> g(recMutex);
      records.push_back(d->RawData());
      threads.push_back(std::this_thread::get_id());
    });
  }
  // Runs the owner thread's notices until `done` holds or `ms` passed.
  template <typename Pred>
  bool PumpUntil(Pred done, int ms = 3000) {
    const auto end = Clock::now() + milliseconds(ms);
    while (!done()) {
      if (Clock::now() >= end) return false;
      sl.link->ProcessHIDMessages();
      sl.link->WaitForNotice(20);
    }
    return true;
  }
  void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
  }
  size_t Records() {
    std::lock_guard<std::mutex> g(recMutex);
    return records.size();
  }

  // Declared before the link, so they outlive its threads.
  DiagServer server;
  std::mutex recMutex;
  std::vector<TDiagBytes> records;
  std::vector<std::thread::id> threads;
  test::SimLink sl;
  TOrvDiag* diag = nullptr;
};

TEST_F(Poller, TheLinkOwnsAStoppedPoller) {
  ASSERT_NE(diag, nullptr);
  EXPECT_EQ(diag->DiagMode(), dmStop);
  EXPECT_EQ(diag->DiagInterval(), 500u);
  EXPECT_EQ(diag->DiagKind(), dkBase);
  PumpFor(300);
  EXPECT_EQ(server.Polls(), 0u) << "nothing is polled until a page asks";
}

TEST_F(Poller, FirstPollComesOneIntervalAfterTheStartEvent) {
  diag->SetDiagInterval(600);
  const auto start = Clock::now();
  diag->SetDiagMode(dmRepeat);
  ASSERT_TRUE(PumpUntil([&] { return Records() >= 2; }));
  EXPECT_GE(server.Poll(0) - start, milliseconds(590)) << "not at once";
  EXPECT_LT(server.Poll(0) - start, milliseconds(2000));
  EXPECT_GE(server.Poll(1) - server.Poll(0), milliseconds(590)) << "then every interval";
  for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id()) << "repeat hand-over runs on the owner thread";
  EXPECT_EQ(diag->DiagKind(), dkAutoStart3);
  EXPECT_EQ(diag->RawData()[0], 0x5A);
}

TEST_F(Poller, GetDiagDataDuringRepeatPollsOnceAndRepeatResumes) {
  diag->SetDiagInterval(1000);
  diag->SetDiagMode(dmRepeat);
  server.Set(Filled(113, 0x33, 2));
  const auto t0 = Clock::now();
  ASSERT_TRUE(diag->GetDiagData());
  EXPECT_LT(Clock::now() - t0, milliseconds(900)) << "an immediate poll, not the next repeat one";
  EXPECT_EQ(server.Polls(), 1u);
  EXPECT_EQ(Records(), 0u) << "the page routine is not called for the one-shot record";
  EXPECT_EQ(diag->RawData()[10], 0x33);
  EXPECT_EQ(diag->DiagKind(), dkAutoStart2);
  EXPECT_EQ(diag->DiagMode(), dmRepeat);

  ASSERT_TRUE(PumpUntil([&] { return Records() >= 1; }));
  EXPECT_EQ(server.Polls(), 2u);
  EXPECT_GE(server.Poll(1) - server.Poll(0), milliseconds(900)) << "repeat polling restarted with its interval";
}

TEST_F(Poller, GetDiagDataWhileStoppedLeavesItStoppedAndFailsOnASilentUnit) {
  ASSERT_TRUE(diag->GetDiagData());
  EXPECT_EQ(diag->DiagMode(), dmStop);
  const TDiagBytes first = diag->RawData();
  sl.unit->Faults() = sim::FaultPlan::Parse("drop/91 x*");
  server.Set(Filled(113, 0x77, 1));
  const auto t0 = Clock::now();
  EXPECT_FALSE(diag->GetDiagData());
  EXPECT_LT(Clock::now() - t0, milliseconds(1500));
  EXPECT_EQ(diag->RawData(), first) << "the previous record stays";
  PumpFor(300);
  EXPECT_EQ(Records(), 0u);
}

TEST_F(Poller, ShortRepliesLeaveTheRestOfTheRecordUnchanged) {
  ASSERT_TRUE(diag->GetDiagData());  // 113 bytes of 0x5A, kind 3
  server.Set(Filled(103, 0x21, 1));
  ASSERT_TRUE(diag->GetDiagData());
  TDiagBytes r = diag->RawData();
  for (size_t i = 0; i < 103; ++i) EXPECT_EQ(r[i], i == 93 ? 1 : 0x21) << i;
  for (size_t i = 103; i < 113; ++i) EXPECT_EQ(r[i], 0x5A) << i;
  EXPECT_EQ(diag->DiagKind(), dkAutoStart);

  server.Set(Filled(93, 0x44, 0));
  ASSERT_TRUE(diag->GetDiagData());
  r = diag->RawData();
  EXPECT_EQ(r[92], 0x44);
  EXPECT_EQ(diag->DiagKind(), dkBase);
  EXPECT_EQ(r[94], 0x21);
  EXPECT_EQ(diag->CabinTemp(), "н/д");
}

TEST_F(Poller, FaultyRepliesAreSkipped) {
  struct Case {
    const char* faults;
    bool ok;
  } cases[] = {{"drop/91", false}, {"crc/91", false}, {"code/91", false}, {"delay=500/91", false},
               {"len/91", true}};
  uint8_t fill = 1;
  for (const auto& c : cases) {
    sl.unit->Faults() = sim::FaultPlan::Parse(c.faults);
    server.Set(Filled(113, ++fill, 3));
    EXPECT_EQ(diag->GetDiagData(), c.ok) << c.faults;
    EXPECT_EQ(diag->RawData()[0] == fill, c.ok) << c.faults;
  }
}

TEST_F(Poller, UnplugHandsOverOneEmptyRecordAndStopsPolling) {
  diag->SetDiagInterval(50);
  diag->SetDiagMode(dmRepeat);
  ASSERT_TRUE(PumpUntil([&] { return Records() >= 2; }));
  sl.controller->Unplug();
  const size_t before = Records();
  ASSERT_TRUE(PumpUntil([&] {
    std::lock_guard<std::mutex> g(recMutex);
    return sl.unplugs == 1 && records.back() == TDiagBytes{};
  }));
  PumpFor(400);
  {
    std::lock_guard<std::mutex> g(recMutex);
    size_t zeros = 0;
    for (size_t i = before; i < records.size(); ++i) zeros += records[i] == TDiagBytes{};
    EXPECT_EQ(zeros, 1u);
    EXPECT_EQ(records.back(), TDiagBytes{}) << "nothing after the empty record";
  }
  EXPECT_EQ(diag->RawData(), TDiagBytes{});
  EXPECT_EQ(diag->DiagMode(), dmRepeat) << "the page sets the mode; the removal only stops";

  // Back again: still quiet until a page starts polling.
  sl.controller->Plug();
  ASSERT_TRUE(PumpUntil([&] { return sl.plugs == 2; }));
  const size_t polls = server.Polls(), records0 = Records();
  PumpFor(1300);
  EXPECT_EQ(server.Polls(), polls);
  EXPECT_EQ(Records(), records0);
  diag->SetDiagMode(dmRepeat);
  ASSERT_TRUE(PumpUntil([&] { return Records() > records0; }));
  EXPECT_EQ(diag->RawData()[0], 0x5A);
}

TEST_F(Poller, StopModeHandsOverOneEmptyRecord) {
  diag->SetDiagInterval(50);
  diag->SetDiagMode(dmRepeat);
  ASSERT_TRUE(PumpUntil([&] { return Records() >= 1; }));
  diag->SetDiagMode(dmStop);
  ASSERT_TRUE(PumpUntil([&] {
    std::lock_guard<std::mutex> g(recMutex);
    return records.back() == TDiagBytes{};
  }));
  const size_t polls = server.Polls();
  PumpFor(400);
  EXPECT_LE(server.Polls(), polls + 1) << "at most a poll that was under way";
  EXPECT_EQ(diag->RawData(), TDiagBytes{});
}

TEST_F(Poller, PollsCarryNoTraceLines) {
  sl.log.Clear();
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(diag->GetDiagData());
  EXPECT_TRUE(sl.log.Lines().empty()) << sl.log.Lines().front();
  ASSERT_TRUE(sl.link->GetInfo());
  EXPECT_GE(sl.log.CountPrefix("["), 2u) << "the link's own exchanges are still traced";
}

TEST_F(Poller, DestroyingTheLinkDoesNotWaitForAnIdleOwnerThread) {
  diag->SetDiagInterval(20);
  diag->SetDiagMode(dmRepeat);
  // The owner thread runs no loop: the poller's hand-over waits for it.
  std::this_thread::sleep_for(milliseconds(200));
  ASSERT_GE(server.Polls(), 1u);
  const auto t0 = Clock::now();
  sl.link.reset();
  EXPECT_LT(Clock::now() - t0, milliseconds(1500));
  EXPECT_EQ(Records(), 0u) << "a cancelled hand-over never runs";
}

// Polling at 200 ms while the owner thread reads every readable settings
// region: the reads succeed with the right contents, and the records are
// handed over during the reads' waits.
class PollerWithUsbTiming : public Poller {
 protected:
  static sim::SimTransportOptions Timing() {
    sim::SimTransportOptions t;
    t.reportPeriod = std::chrono::microseconds(1000);
    return t;
  }
  PollerWithUsbTiming() : Poller(Timing()) {}
};

TEST_F(PollerWithUsbTiming, PollingWhileTheOwnerReadsAllSettings) {
  struct Region {
    uint32_t addr, size;
  };
  const Region regions[] = {{0x1E020, 224}, {0x1D900, 64},  {0x1D940, 8},    {0x1D948, 64},  {0x1D988, 1536},
                            {0x1E788, 512}, {0x1D800, 256}, {0x1EA88, 1440}, {0x1F2F8, 512}, {0x1F6F8, 256},
                            {0x1F7F8, 512}, {0x1E988, 256}, {0x1F4F8, 512},  {0x1E388, 1024}};
  std::vector<uint8_t> rom(sim::SimUnit::kRomEnd - sim::SimUnit::kRomBase);
  for (size_t i = 0; i < rom.size(); ++i) rom[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
  ASSERT_TRUE(sl.unit->WriteRom(sim::SimUnit::kRomBase, rom.data(), static_cast<uint32_t>(rom.size())));

  diag->SetDiagInterval(200);
  diag->SetDiagMode(dmRepeat);
  size_t bytes = 0;
  for (int round = 0; round < 3; ++round) {
    for (const auto& r : regions) {
      std::vector<uint8_t> buf(r.size);
      ASSERT_TRUE(sl.link->ReadROM(buf.data(), r.addr, r.size)) << std::hex << r.addr;
      ASSERT_TRUE(std::equal(buf.begin(), buf.end(), rom.begin() + (r.addr - sim::SimUnit::kRomBase)))
          << std::hex << r.addr;
      bytes += r.size;
    }
  }
  EXPECT_EQ(bytes, 3u * 7176u);
  EXPECT_EQ(sl.log.Count("Таймаут ожидания ответа"), 0u) << "the polls never took a reply of the reads";
  EXPECT_GE(Records(), 2u) << "records were handed over while the owner thread was reading; polls " << server.Polls();
  for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_GE(server.Polls(), Records());
  diag->SetDiagMode(dmStop);
}

}  // namespace
}  // namespace orv
