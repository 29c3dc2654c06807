// The simulated unit's own rules: framing, settings memory, flash semantics.
#include <gtest/gtest.h>

#include "device/orvantis.h"
#include "sim/report_codec.h"
#include "sim/sim_unit.h"
#include "sim/sparse_flash.h"

namespace orv::sim {
namespace {

TEST(SimUnit, IgnoresMalformedRequests) {
  SimUnit u;
  auto pkt = TOrvantis::FramePacket(0xDB, {});
  pkt.back() ^= 1;
  EXPECT_TRUE(u.Handle(pkt).packets.empty());
  EXPECT_TRUE(u.Handle({0xDB, 0x00}).packets.empty());
  EXPECT_TRUE(u.Handle({0xDB, 0x00, 0x09, 0x00}).packets.empty());
  EXPECT_EQ(u.Handle(TOrvantis::FramePacket(0xDB, {})).packets.size(), 1u);
  EXPECT_TRUE(u.Handle(TOrvantis::FramePacket(0x42, {})).packets.empty()) << "unknown command";
}

TEST(SimUnit, SettingsWritesNeedTheUnlockAndStayInsideTheSettingsMemory) {
  SimUnit u;
  const uint8_t byte = 0x42;
  EXPECT_FALSE(u.WriteRom(0x1D7FF, &byte, 1));
  EXPECT_FALSE(u.WriteRom(0x1F9FF, reinterpret_cast<const uint8_t*>("ab"), 2));
  EXPECT_TRUE(u.WriteRom(0x1F9FF, &byte, 1));
  std::vector<uint8_t> write = {0x04, 0x00, 0x01, 0xD8, 0x00, 0x11};
  auto r = u.Handle(TOrvantis::FramePacket(0x55, write));
  ASSERT_EQ(r.packets.size(), 1u);
  EXPECT_EQ(r.packets[0][3], 0) << "locked";
  const std::vector<uint8_t> unlock = {0x01, 0x5B, 0xE1, 0x3D, 0x94, 0x00, 0x01};
  u.Handle(TOrvantis::FramePacket(0x55, unlock));
  r = u.Handle(TOrvantis::FramePacket(0x55, write));
  EXPECT_EQ(r.packets[0][3], 1);
  uint8_t back = 0;
  EXPECT_TRUE(u.ReadRom(0x1D800, &back, 1));
  EXPECT_EQ(back, 0x11);
}

TEST(SparseFlash, EraseBeforeWrite) {
  SparseFlash f;
  uint8_t b = 0;
  ASSERT_TRUE(f.Read(0x6AE0000, &b, 1));
  EXPECT_EQ(b, 0xFF);
  const uint8_t first = 0xF0, second = 0x0F;
  f.Write(0x6AE0010, &first, 1);
  f.Write(0x6AE0010, &second, 1);
  f.Read(0x6AE0010, &b, 1);
  EXPECT_EQ(b, 0x00) << "bits only clear without an erase";
  f.EraseBlock(0x6AFFFFF);
  f.Read(0x6AE0010, &b, 1);
  EXPECT_EQ(b, 0xFF);
  EXPECT_FALSE(f.Read(SparseFlash::kSize - 1, reinterpret_cast<uint8_t*>(&b), 2));
  EXPECT_EQ(f.StoredBytes(), 0u);
}

TEST(ReportCodec, AssemblesRequestsAcrossReports) {
  RequestAssembler a;
  const auto pkt = TOrvantis::FramePacket(0x55, std::vector<uint8_t>(100, 3));
  const auto reports = SplitIntoReports(pkt, 64);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_FALSE(a.Feed(reports[0].data(), 64));
  auto got = a.Feed(reports[1].data(), 64);
  ASSERT_TRUE(got);
  EXPECT_EQ(*got, pkt);
  const uint8_t junk[3] = {1, 0, 0};
  EXPECT_FALSE(a.Feed(junk, 3));
}

}  // namespace
}  // namespace orv::sim
