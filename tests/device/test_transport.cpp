// The link's framing, report reassembly and waits, against a scripted device.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/checksums.h"
#include "support/test_link.h"

namespace orv {
namespace {

using test::LogRecorder;
using test::Reply;
using test::ScriptedDevice;

constexpr uint16_t kIn = 9;   // 8 data bytes per input report
constexpr uint16_t kOut = 9;  // 8 packet bytes per output report

class Transport : public ::testing::Test {
 protected:
  void SetUp() override { Attach(kIn, kOut); }
  void Attach(uint16_t in, uint16_t out) {
    link.reset();
    state = std::make_shared<ScriptedDevice::State>();
    link = std::make_unique<TOrvantis>(nullptr, nullptr, nullptr, log.Callback());
    link->SetUseSync(false);
    link->SetHidDev(std::make_unique<ScriptedDevice>(in, out, state));
  }
  // Answers every request whose last report was written with `packet`.
  void AnswerWith(std::vector<uint8_t> packet) {
    state->onWrite = [this, packet](const std::vector<uint8_t>&) {
      ScriptedDevice::InjectPacket(*state, packet, kIn - 1u);
    };
  }
  std::vector<std::vector<uint8_t>> Written() {
    std::lock_guard<std::mutex> g(state->mutex);
    return state->written;
  }

  LogRecorder log;
  std::shared_ptr<ScriptedDevice::State> state;
  std::unique_ptr<TOrvantis> link;
};

TEST_F(Transport, EmptyRequestIsFourBytesInOneReport) {
  std::vector<uint8_t> rx;
  EXPECT_FALSE(link->ReadData(0xDB, {}, rx, 20));
  const auto w = Written();
  ASSERT_EQ(w.size(), 1u);
  const uint8_t head[3] = {0xDB, 0x00, 0x03};
  const std::vector<uint8_t> expected = {0, 0xDB, 0x00, 0x03, Crc8(head, 3), 0, 0, 0, 0};
  EXPECT_EQ(w[0], expected);
}

TEST_F(Transport, RequestSplitsOverReportsAndPadsTheLastWithZeros) {
  struct Case {
    size_t payload;
    size_t reports;
  } cases[] = {{4, 1}, {5, 2}, {12, 2}, {13, 3}};
  for (const auto& c : cases) {
    {
      std::lock_guard<std::mutex> g(state->mutex);
      state->written.clear();
    }
    std::vector<uint8_t> payload(c.payload, 0x77), rx;
    link->ReadData(0x55, payload, rx, 5);
    const auto w = Written();
    ASSERT_EQ(w.size(), c.reports) << c.payload;
    const auto pkt = TOrvantis::FramePacket(0x55, payload);
    std::vector<uint8_t> joined;
    for (const auto& r : w) {
      EXPECT_EQ(r.size(), kOut);
      EXPECT_EQ(r[0], 0);
      joined.insert(joined.end(), r.begin() + 1, r.end());
    }
    ASSERT_GE(joined.size(), pkt.size());
    EXPECT_TRUE(std::equal(pkt.begin(), pkt.end(), joined.begin()));
    for (size_t i = pkt.size(); i < joined.size(); ++i) EXPECT_EQ(joined[i], 0) << c.payload;
  }
}

TEST_F(Transport, ReplySpanningReportsIsReassembledAndSurplusIgnored) {
  std::vector<uint8_t> data(20);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i + 1);
  const auto pkt = Reply(0xC0, data);  // 23 bytes: three reports, the last with 1 spare byte
  state->onWrite = [&](const std::vector<uint8_t>&) {
    auto reports = sim::SplitIntoReports(pkt, kIn - 1u);
    reports.back().back() = 0xAA;  // surplus after the packet's end
    for (const auto& r : reports) ScriptedDevice::Inject(*state, r);
  };
  std::vector<uint8_t> rx;
  ASSERT_TRUE(link->ReadData(0xC0, {}, rx, 1000));
  EXPECT_EQ(rx, data);
  EXPECT_EQ(log.CountPrefix("Rx=20\t"), 1u);
}

TEST_F(Transport, LengthZeroIsIgnoredAndLengthTwoCarriesNoData) {
  state->onWrite = [&](const std::vector<uint8_t>&) {
    ScriptedDevice::Inject(*state, {0x95, 0x00, 1, 2, 3, 4, 5, 6});
    ScriptedDevice::InjectPacket(*state, Reply(0x95, {}), kIn - 1u);
  };
  std::vector<uint8_t> rx;
  ASSERT_TRUE(link->ReadData(0x95, {}, rx, 1000));
  EXPECT_TRUE(rx.empty());
}

TEST_F(Transport, PresizedWaitSkipsAndConsumesOtherLengths) {
  state->onWrite = [&](const std::vector<uint8_t>&) {
    ScriptedDevice::InjectPacket(*state, Reply(0xDB, std::vector<uint8_t>(10, 1)), kIn - 1u);
    ScriptedDevice::InjectPacket(*state, Reply(0xDB, std::vector<uint8_t>(26, 2)), kIn - 1u);
  };
  std::vector<uint8_t> rx(26);
  ASSERT_TRUE(link->ReadData(0xDB, {}, rx, 1000));
  EXPECT_EQ(rx, std::vector<uint8_t>(26, 2));
  std::vector<uint8_t> any;
  EXPECT_FALSE(link->WaitData(0xDB, any, 20)) << "the short reply was consumed by the first wait";

  state->onWrite = [&](const std::vector<uint8_t>&) {
    ScriptedDevice::InjectPacket(*state, Reply(0xDB, std::vector<uint8_t>(10, 1)), kIn - 1u);
  };
  std::vector<uint8_t> presized(26);
  EXPECT_FALSE(link->ReadData(0xDB, {}, presized, 50));
  EXPECT_EQ(presized, std::vector<uint8_t>(26, 0));
}

TEST_F(Transport, PacketCompletedBeforeTheSendIsNotItsReply) {
  ScriptedDevice::InjectPacket(*state, Reply(0xDB, std::vector<uint8_t>(26, 9)), kIn - 1u);
  std::vector<uint8_t> peek;
  EXPECT_TRUE(link->GetPacket(0, peek));
  std::vector<uint8_t> rx(26);
  EXPECT_FALSE(link->ReadData(0xDB, {}, rx, 50));
}

TEST_F(Transport, WrongChecksumTimesOutWithoutAnErrorLine) {
  auto pkt = Reply(0xDB, std::vector<uint8_t>(26, 3));
  pkt.back() ^= 0x01;
  AnswerWith(pkt);
  std::vector<uint8_t> rx(26);
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(link->ReadData(0xDB, {}, rx, 100));
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(100));
  for (const auto& line : log.Lines()) {
    EXPECT_EQ(line.find("DataEvent"), std::string::npos) << line;
    EXPECT_EQ(line.find("Ошибка"), std::string::npos) << line;
  }
}

TEST_F(Transport, LengthOnePacketIsNeverAReply) {
  // L = 1: the checksum sits where the length byte is; CRC-8 of the code byte must equal 1.
  uint8_t code = 0;
  for (unsigned c = 0; c < 256; ++c) {
    const uint8_t b = static_cast<uint8_t>(c);
    if (Crc8(&b, 1) == 1) code = b;
  }
  ASSERT_EQ(Crc8(&code, 1), 1);
  state->onWrite = [&](const std::vector<uint8_t>&) {
    ScriptedDevice::Inject(*state, {code, 0x01, 0, 0, 0, 0, 0, 0});
  };
  std::vector<uint8_t> rx;
  EXPECT_FALSE(link->ReadData(code, {}, rx, 50));
  EXPECT_TRUE(rx.empty());
}

TEST_F(Transport, ReportsOfAnotherIdOrSizeAreIgnored) {
  state->onWrite = [&](const std::vector<uint8_t>&) {
    const auto reports = sim::SplitIntoReports(Reply(0xDB, std::vector<uint8_t>(4, 5)), kIn - 1u);
    ScriptedDevice::Inject(*state, reports[0], 1);               // wrong report ID
    ScriptedDevice::Inject(*state, {0xDB, 0x06, 1});              // short report
    ScriptedDevice::Inject(*state, std::vector<uint8_t>(64, 0xDB));  // long report
    for (const auto& r : reports) ScriptedDevice::Inject(*state, r);
  };
  std::vector<uint8_t> rx;
  ASSERT_TRUE(link->ReadData(0xDB, {}, rx, 1000));
  EXPECT_EQ(rx, std::vector<uint8_t>(4, 5));
}

TEST_F(Transport, PartialPacketIsAbandonedAfterHalfASecond) {
  const auto stale = sim::SplitIntoReports(Reply(0xDB, std::vector<uint8_t>(26, 1)), kIn - 1u);
  ScriptedDevice::Inject(*state, stale[0]);
  std::this_thread::sleep_for(std::chrono::milliseconds(550));
  AnswerWith(Reply(0xDB, std::vector<uint8_t>(26, 7)));
  std::vector<uint8_t> rx(26);
  ASSERT_TRUE(link->ReadData(0xDB, {}, rx, 1000));
  EXPECT_EQ(rx, std::vector<uint8_t>(26, 7));
  EXPECT_EQ(log.Count("DataEvent TimeOut!"), 1u);
}

TEST_F(Transport, FullRingDropsTheOldestPackets) {
  for (int i = 0; i < 300; ++i)
    ScriptedDevice::InjectPacket(*state, Reply(0x91, {static_cast<uint8_t>(i)}), kIn - 1u);
  std::vector<uint8_t> rx;
  ASSERT_TRUE(link->WaitData(0x91, rx, 0));
  EXPECT_EQ(rx[0], 300 - 255);
  int count = 1;
  for (;; ++count) {
    std::vector<uint8_t> more;
    if (!link->WaitData(0x91, more, 0)) break;
  }
  EXPECT_EQ(count, 255);
}

TEST_F(Transport, SendingWhileDetachedFailsAfterItsRetryWindow) {
  link->SetOnLine(false);
  EXPECT_FALSE(link->OnLine());
  const auto t0 = std::chrono::steady_clock::now();
  std::vector<uint8_t> rx;
  EXPECT_FALSE(link->ReadData(0xDB, {}, rx, 1000));
  const auto took = std::chrono::steady_clock::now() - t0;
  EXPECT_GE(took, std::chrono::milliseconds(500));
  EXPECT_LT(took, std::chrono::milliseconds(900)) << "no wait after a failed send";
  EXPECT_GE(log.CountPrefix("WriteFile Error = "), 10u);
}

TEST_F(Transport, WriteFailureWhileAttachedIsRetriedThenReported) {
  state->failWrites = true;
  std::thread heal([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    state->failWrites = false;
  });
  AnswerWith(Reply(0xDB, std::vector<uint8_t>(26, 1)));
  std::vector<uint8_t> rx(26);
  EXPECT_TRUE(link->ReadData(0xDB, {}, rx, 1000)) << "a write that recovers within 500 ms succeeds";
  heal.join();
  EXPECT_GE(log.CountPrefix("WriteFile Error = 19"), 2u);
}

TEST_F(Transport, DeviceTooShortForPacketsIsRefused) {
  Attach(2, 9);
  EXPECT_FALSE(link->OnLine());
  bool refused = false;
  for (const auto& l : log.Lines()) refused |= l.find("Device refused") != std::string::npos;
  EXPECT_TRUE(refused);
}

TEST_F(Transport, NestedExchangeFromThePumpFailsInsteadOfDeadlocking) {
  bool nestedResult = true;
  int pumps = 0;
  link->SetPump([&] {
    if (pumps++ == 0) {
      std::vector<uint8_t> rx;
      nestedResult = link->ReadData(0xDB, {}, rx, 1000);
    }
  });
  std::vector<uint8_t> rx;
  EXPECT_FALSE(link->ReadData(0xC0, {}, rx, 100));
  EXPECT_GE(pumps, 1);
  EXPECT_FALSE(nestedResult);
  EXPECT_EQ(log.Count("Вложенный обмен с устройством отклонен"), 1u);
}

TEST_F(Transport, TraceLinesOfAnExchange) {
  AnswerWith(Reply(0xDB, std::vector<uint8_t>(26, 1)));
  std::vector<uint8_t> rx(26);
  ASSERT_TRUE(link->ReadData(0xDB, {}, rx, 1000));
  EXPECT_EQ(log.CountPrefix("Rx=26\tT="), 1u);
  size_t tx = 0, ok = 0, data = 0;
  for (const auto& l : log.Lines()) {
    tx += l.find("] TxData=4") != std::string::npos;
    ok += l.find("] TxOK=") != std::string::npos;
    data += l.find("] OnData: ID=0x00; Size=0x0008") != std::string::npos;
  }
  EXPECT_EQ(tx, 1u);
  EXPECT_EQ(ok, 1u);
  EXPECT_EQ(data, 4u);  // 29 bytes in reports of 8
}

}  // namespace
}  // namespace orv
