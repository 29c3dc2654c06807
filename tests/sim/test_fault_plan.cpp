#include <gtest/gtest.h>

#include "sim/fault_plan.h"

namespace orv::sim {
namespace {

TEST(FaultPlan, RulesApplyFromStartForCount) {
  FaultPlan p = FaultPlan::Parse("drop/55.05@2x2, crc/db x*");
  std::vector<bool> drops;
  for (int i = 0; i < 5; ++i) drops.push_back(FindFault(p.Match(0x55, 0x05), FaultKind::kDrop).has_value());
  EXPECT_EQ(drops, (std::vector<bool>{false, true, true, false, false}));
  EXPECT_FALSE(FindFault(p.Match(0x55, 0x09), FaultKind::kDrop));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(FindFault(p.Match(0xDB, -1), FaultKind::kCrc));
}

TEST(FaultPlan, ValuesAndDefaults) {
  FaultPlan p = FaultPlan::Parse("delay=250/c0,update-code=6,unplug@3");
  const auto f = p.Match(0xC0, -1);
  EXPECT_EQ(FindFault(f, FaultKind::kDelay), 250);
  EXPECT_EQ(FindFault(f, FaultKind::kUpdateCode), 6);
  EXPECT_FALSE(FindFault(f, FaultKind::kUnplug));
  p.Match(0x01, -1);
  EXPECT_TRUE(FindFault(p.Match(0x02, -1), FaultKind::kUnplug));
  EXPECT_EQ(FindFault(FaultPlan::Parse("restart").Match(1, -1), FaultKind::kRestart), -1);
}

TEST(FaultPlan, BadSpecsAreRejectedWithAMessage) {
  for (const char* bad : {"explode", "drop/zz", "drop/100", "drop@0", "drop x0", "drop=abc", "drop@"}) {
    EXPECT_THROW(FaultPlan::Parse(bad), std::invalid_argument) << bad;
  }
  EXPECT_TRUE(FaultPlan::Parse("").Empty());
}

}  // namespace
}  // namespace orv::sim
