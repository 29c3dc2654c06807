// Memory replies carry no address: a reply that comes after its exchange
// gave up must never be taken for the reply of the next request.
#include <gtest/gtest.h>

#include "device/byte_io.h"
#include "support/test_link.h"

namespace orv {
namespace {

using sim::FaultPlan;
using test::SimLink;

constexpr uint32_t kAddrA = 0x1D800, kAddrB = 0x1E020, kSize = 16;

std::vector<uint8_t> ReadRequest(uint32_t addr, uint32_t size) {
  ByteWriter w;
  w.U8(cmd::kReadROM);
  w.U32BE(addr);
  w.U32BE(size);
  return w.Take();
}

struct Rig {
  Rig() {
    const std::vector<uint8_t> a(kSize, 0xAA), b(kSize, 0xBB);
    s.unit->WriteRom(kAddrA, a.data(), kSize);
    s.unit->WriteRom(kAddrB, b.data(), kSize);
    s.link->SetTimeoutScale(30);  // 1000 ms exchanges give up after 300 ms
  }
  SimLink s;
};

TEST(StaleReplies, AReplyDelayedPastItsTimeOutIsNotTheNextRequestsReply) {
  Rig rig;
  // The reply to A comes 100 ms after A gave up: while B waits, if B is sent
  // at once.
  rig.s.unit->Faults() = FaultPlan::Parse("delay=400/55.05");
  std::vector<uint8_t> rx(kSize + 1);
  EXPECT_FALSE(rig.s.link->ReadData(cmd::kMemory, ReadRequest(kAddrA, kSize), rx, memlimits::kTimeout));

  rx.assign(kSize + 1, 0);
  ASSERT_TRUE(rig.s.link->ReadData(cmd::kMemory, ReadRequest(kAddrB, kSize), rx, memlimits::kTimeout));
  EXPECT_EQ(std::vector<uint8_t>(rx.begin() + 1, rx.end()), std::vector<uint8_t>(kSize, 0xBB))
      << "the late reply to A was taken for B";

  // Nothing is left over for the exchange after.
  rx.assign(kSize + 1, 0);
  ASSERT_TRUE(rig.s.link->ReadData(cmd::kMemory, ReadRequest(kAddrA, kSize), rx, memlimits::kTimeout));
  EXPECT_EQ(std::vector<uint8_t>(rx.begin() + 1, rx.end()), std::vector<uint8_t>(kSize, 0xAA));
}

TEST(StaleReplies, ARetryOfTheSameRequestMayTakeTheLateReplyButTheNextRequestMayNot) {
  Rig rig;
  rig.s.unit->Faults() = FaultPlan::Parse("delay=400/55.05");
  std::vector<uint8_t> a(kSize), b(kSize);
  // First attempt times out, the retry gets A's data either way.
  ASSERT_TRUE(rig.s.link->ReadROM(a.data(), kAddrA, kSize));
  EXPECT_EQ(a, std::vector<uint8_t>(kSize, 0xAA));
  // The retry's own reply is still on its way when B goes out.
  ASSERT_TRUE(rig.s.link->ReadROM(b.data(), kAddrB, kSize));
  EXPECT_EQ(b, std::vector<uint8_t>(kSize, 0xBB));
}

}  // namespace
}  // namespace orv
