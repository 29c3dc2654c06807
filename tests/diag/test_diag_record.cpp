// The diagnostic record's layout, the merging of replies of any length, the
// bit reader, and robustness against whatever a unit sends.
#include <gtest/gtest.h>

#include <random>

#include "diag/diag_base_view.h"
#include "diag/diag_record.h"
#include "diag/diag_values.h"

namespace orv {
namespace {

TExtendDiagRec Sample() {
  TExtendDiagRec r;
  r.Diag.CanFlags = 0x11;
  r.Diag.OBDFlag = 0x12;
  r.Diag.CANData.State = 0x01020304;
  r.Diag.CANData.Odometer = 0x05060708;
  r.Diag.CANData.RPM = 0x09;
  r.Diag.CANData.WheelAngle = -2;
  r.Diag.CANData.FuelConsumption = 0x1314;
  r.Diag.CANData.CANTXERR = 0x19;
  r.Diag.MainData.outActive = 0x21222324;
  r.Diag.MainData.inActive = 0x31323334;
  r.Diag.MainData.State = 0x4142;
  r.Diag.HILO = 0x51525354;
  r.Diag.HILOrssi = 0x56;
  r.Diag.SysBits[0] = 0x61626364;
  r.Diag.SysBits[4] = 0x71727374;
  r.Diag.TCPResultCode = 0x7778;
  r.Diag.TmWakeUp = 0x797A;
  r.Diag.GPSSVN = 0x81;
  r.Diag.GPSHDOP = 0x82;
  r.Diag.ADC.Iouts = 0x8384;
  r.Diag.ADC.dUout8 = 0x8586;
  r.Diag.ADC.Input7 = 0x87;
  r.Diag.ADC.Supply = 0x8A;
  r.Diag.ADC.Temperature = -5;
  r.Diag.AccTemp = -6;
  r.Kind = 3;
  r.AutoStart.Tcab = -128;
  r.AutoStart.Tengine = 0x5F;
  r.AutoStart.Flags0 = 0xA0;
  r.AutoStart.Flags3 = 0xA3;
  r.AutoStart.StateID = 0xA4;
  r.AutoStart.TahoPercent = 0xA5;
  r.AutoStart.Flags4 = 0xA6;
  r.LastMsg.msgIdHi = 0xB0;
  r.LastMsg.msgParamLo = 0xB3;
  r.StateDevices.Active = 0xC0;
  r.StateDevices.ImmLinked = 0xC5;
  return r;
}

TEST(DiagRecord, FieldsSitAtTheirOffsetsBigEndian) {
  const TDiagBytes b = DiagBytes(Sample());
  struct {
    size_t offset;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {0, {0x11, 0x12, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09}},
      {14, {0xFF, 0xFE}},  // WheelAngle, signed
      {18, {0x13, 0x14}},
      {25, {0x19, 0x21, 0x22, 0x23, 0x24}},
      {34, {0x31, 0x32, 0x33, 0x34}},
      {42, {0x41, 0x42}},
      {50, {0x51, 0x52, 0x53, 0x54}},
      {56, {0x56, 0x61, 0x62, 0x63, 0x64}},
      {73, {0x71, 0x72, 0x73, 0x74, 0x77, 0x78, 0x79, 0x7A, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87}},
      {90, {0x8A, 0xFB, 0xFA, 0x03, 0x80, 0x5F, 0xA0}},
      {99, {0xA3, 0xA4, 0xA5, 0xA6, 0xB0}},
      {106, {0xB3, 0xC0}},
      {112, {0xC5}},
  };
  for (const auto& c : cases)
    for (size_t i = 0; i < c.bytes.size(); ++i) EXPECT_EQ(b[c.offset + i], c.bytes[i]) << "offset " << c.offset + i;

  const TExtendDiagRec back = ParseDiag(b);
  EXPECT_EQ(DiagBytes(back), b);
  EXPECT_EQ(back.Diag.CANData.WheelAngle, -2);
  EXPECT_EQ(back.Diag.ADC.Temperature, -5);
  EXPECT_EQ(back.AutoStart.Tcab, -128);
  EXPECT_EQ(back.Diag.SysBits[4], 0x71727374u);
}

TEST(DiagRecord, RepliesOfAnyLengthReplaceOnlyWhatTheyCarry) {
  struct Case {
    size_t length;
    bool kindZeroed;
  } cases[] = {{0, true}, {50, true}, {93, true}, {94, false}, {103, false}, {107, false}, {113, false}, {253, false}};
  for (const auto& c : cases) {
    TDiagBytes rec;
    rec.fill(0xAA);
    std::vector<uint8_t> reply(c.length);
    for (size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<uint8_t>(i < 93 ? 0x11 : (i == 93 ? 2 : 0x22));
    ApplyDiagReply(rec, reply);
    for (size_t i = 0; i < rec.size(); ++i) {
      if (i == TExtendDiagRec::kKindOffset && c.kindZeroed) {
        EXPECT_EQ(rec[i], 0) << c.length;
      } else if (i < c.length) {
        EXPECT_EQ(rec[i], reply[i]) << c.length << " at " << i;
      } else {
        EXPECT_EQ(rec[i], 0xAA) << c.length << " at " << i << " must keep the previous value";
      }
    }
  }
}

TEST(DiagRecord, KindByteMapsToKinds) {
  EXPECT_EQ(DiagKindOf(0), dkBase);
  EXPECT_EQ(DiagKindOf(3), dkAutoStart3);
  EXPECT_EQ(DiagKindOf(4), dkFuture);
  EXPECT_EQ(DiagKindOf(0xFF), dkFuture);
}

TEST(DiagRecord, InStateReadsStoredBytesPerLocation) {
  TDiagBytes b{};
  b[34] = 0x01;  // inActive, first stored byte: bit 0 when read little-endian
  b[37] = 0x80;  // last stored byte: bit 31
  b[2] = 0x00;
  b[3] = 0x02;   // CAN State second byte: bit 9
  b[96] = 0x01;  // Flags0 bit 0 → index 0
  b[99] = 0x80;  // Flags3 bit 7 → index 31
  b[100] = 0xFF;  // StateID is not part of the bit array
  b[102] = 0x01;  // Flags4 bit 0 → index 32
  struct Case {
    int location, index;
    bool expected;
  } cases[] = {
      {0, 0, true}, {0, 31, true}, {0, 1, false}, {0, 32, false}, {0, 255, false},
      {1, 9, true}, {1, 8, false}, {1, 31, false},
      {2, 0, true}, {2, 31, true}, {2, 32, true}, {2, 33, false}, {2, 39, false}, {2, 40, false},
      {2, 255, false}, {2, 1000, false}, {2, -1, false}, {3, 0, false}, {-1, 0, false},
  };
  for (const auto& c : cases) EXPECT_EQ(DiagInState(b, c.location, c.index), c.expected) << c.location << "/" << c.index;
  // Location 2 never reads StateID or TahoPercent.
  for (int i = 0; i < 40; ++i) EXPECT_EQ(DiagInState(b, 2, i), i == 0 || i == 31 || i == 32) << i;
}

// Whatever a unit sends, merging and decoding stay inside the record and every
// text is produced.
TEST(DiagRecord, AnyReplyDecodesSafely) {
  std::mt19937 rng(7);
  TDiagBytes rec{};
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> reply(rng() % 300);
    for (auto& b : reply) b = static_cast<uint8_t>(rng());
    ApplyDiagReply(rec, reply);
    const TExtendDiagRec r = ParseDiag(rec);
    const TRStartValues v(r);
    for (const std::string& text : {v.CabinTemp(), v.EngineTemp(), v.TachoPercent(), v.RSLinkQuality(), v.RSRSSI(),
                                    v.RStartStage(), v.RStartState(), v.RStartSysState()})
      ASSERT_FALSE(text.empty());
    EXPECT_GE(v.RStartStageValue(), 0);
    EXPECT_LE(v.RStartStageValue(), 7);
    EXPECT_LE(v.RStartStateValue(), 63);
    EXPECT_FALSE(GsmSignalText(r.Diag.HILOrssi).empty());
    EXPECT_FALSE(OutputLoadText(r.Diag).empty());
    LitInputLamps(r.Diag);
    LitCanLamps(r.Diag);
    LitGpsLamps(r.Diag);
    LitTagLamps(r.StateDevices, 2);
    for (int loc = -1; loc < 4; ++loc)
      for (int idx : {-1, 0, 31, 39, 40, 254, 255}) DiagInState(rec, loc, idx);
  }
}

}  // namespace
}  // namespace orv
