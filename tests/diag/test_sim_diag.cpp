// The simulated unit's diagnostic records: kinds by model and setting, and a
// car whose values move like a real one's over its simulated day.
#include <gtest/gtest.h>

#include <set>

#include "diag/diag_values.h"
#include "diag/orv_diag.h"
#include "sim/sim_diag.h"
#include "support/test_link.h"

namespace orv {
namespace {

TEST(SimDiag, KindsByModelAndBySetting) {
  for (int model = 1; model <= 4; ++model) {
    sim::SimConfig cfg;
    cfg.model = model;
    const int expected[] = {0, 2, 1, 3};
    EXPECT_EQ(sim::SimDiagKind(cfg), expected[model - 1]) << model;
    test::SimLink sl(cfg);
    ASSERT_TRUE(sl.link->Diag()->GetDiagData()) << model;
    EXPECT_EQ(sl.link->Diag()->DiagKind(), expected[model - 1]) << model;
  }
  sim::SimConfig cfg;
  cfg.model = 1;
  cfg.diagKind = 4;
  test::SimLink sl(cfg);
  ASSERT_TRUE(sl.link->Diag()->GetDiagData());
  EXPECT_EQ(sl.link->Diag()->DiagKind(), dkFuture);
  EXPECT_EQ(sim::SimDiagReplyLength(0), 93u);
  EXPECT_EQ(sim::SimDiagReplyLength(1), 103u);
  EXPECT_EQ(sim::SimDiagReplyLength(2), 107u);
  EXPECT_EQ(sim::SimDiagReplyLength(3), 113u);
}

TEST(SimDiag, RequestsWithAPayloadAndInjectedFaultsGetNoReply) {
  sim::SimConfig cfg;
  cfg.model = 4;
  auto unit = std::make_shared<sim::SimUnit>(cfg);
  const auto ok = unit->Handle(TOrvantis::FramePacket(0x91, {}));
  ASSERT_EQ(ok.packets.size(), 1u);
  EXPECT_EQ(ok.packets[0].size(), 113u + 3u);
  const uint8_t payload[] = {1};
  EXPECT_TRUE(unit->Handle(TOrvantis::FramePacket(0x91, payload)).packets.empty());
  unit->Faults() = sim::FaultPlan::Parse("drop/91");
  EXPECT_TRUE(unit->Handle(TOrvantis::FramePacket(0x91, {})).packets.empty());
}

// Everything a live view can show turns up within a few simulated days.
TEST(SimDiag, TheCarGoesThroughItsDay) {
  sim::SimConfig cfg;
  cfg.model = 4;
  std::set<int> stages, states, ids;
  std::set<std::string> sentences;
  std::set<int> params[4];
  bool ignitionOn = false, ignitionOff = false, rpm = false, moving = false, doorOpen = false, noSignal = false,
       signal = false, fix = false, noFix = false, tagNear = false, relay2 = false, noReading = false;
  int minEngine = 1000, maxEngine = -1000;
  for (uint32_t ms = 0; ms < 45 * sim::kSimDiagCycleMs; ms += 250) {
    const TExtendDiagRec r = sim::SimDiagRecord(cfg, 3, ms);
    const TRStartValues v(r);
    ASSERT_TRUE(v.RStartOnline());
    stages.insert(v.RStartStageValue());
    states.insert(v.RStartStateValue());
    ids.insert(v.RStartMsgId());
    sentences.insert(v.RStartSysState());
    const int p = v.RStartMsgParam();
    if (p >= 64 && p <= 95) params[0].insert(p);
    if (p >= 128 && p <= 169) params[1].insert(p);
    if (p >= 256 && p <= 271) params[2].insert(p);
    if (p >= 512 && p <= 516) params[3].insert(p);
    const bool ign = (r.Diag.MainData.inActive >> 7) & 1u;
    (ign ? ignitionOn : ignitionOff) = true;
    rpm |= r.Diag.CANData.RPM > 0;
    moving |= r.Diag.CANData.Speed > 30;
    doorOpen |= (r.Diag.MainData.inActive >> 2) & 1u;
    (r.Diag.HILOrssi > 31 ? noSignal : signal) = true;
    ((r.Diag.SysBits[1] >> 13) & 1u ? fix : noFix) = true;
    tagNear |= r.StateDevices.Active & 1u;
    relay2 |= (r.StateDevices.ImmLinked >> 1) & 1u;
    if (v.EngineTempValue() == TRStartValues::kNoReading) noReading = true;
    else {
      minEngine = std::min(minEngine, v.EngineTempValue());
      maxEngine = std::max(maxEngine, v.EngineTempValue());
    }
  }
  EXPECT_EQ(stages.size(), 8u);
  EXPECT_GE(states.size(), 15u);
  for (int id : {46, 47, 48, 49, 50}) EXPECT_TRUE(ids.count(id)) << id;
  EXPECT_EQ(params[0].size(), 32u) << "every start reason, entries without a text included";
  EXPECT_EQ(params[1].size(), 42u);
  EXPECT_EQ(params[2].size(), 16u);
  EXPECT_EQ(params[3].size(), 5u);
  EXPECT_TRUE(sentences.count("Отказ автозапуска: неожиданная стадия модуля Автозапуск"));
  EXPECT_TRUE(sentences.count("Автозапуск 75"));
  EXPECT_TRUE(sentences.count("?"));
  EXPECT_TRUE(ignitionOn && ignitionOff && rpm && moving && doorOpen);
  EXPECT_TRUE(noSignal && signal) << noSignal << signal;
  EXPECT_TRUE(fix && noFix) << fix << noFix;
  EXPECT_TRUE(tagNear && relay2 && noReading) << tagNear << relay2 << noReading;
  EXPECT_GT(maxEngine - minEngine, 40) << "the engine warms up and cools down";
}

TEST(SimDiag, AUnitWithoutStartModuleReportsItOffline) {
  sim::SimConfig cfg;
  cfg.model = 3;
  for (uint32_t ms = 0; ms < sim::kSimDiagCycleMs; ms += 1000) {
    const TRStartValues v(sim::SimDiagRecord(cfg, 1, ms));
    EXPECT_FALSE(v.RStartOnline());
    EXPECT_EQ(v.RStartStage(), "?");
  }
}

}  // namespace
}  // namespace orv
