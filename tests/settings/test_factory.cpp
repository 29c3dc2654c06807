// The factory images built from data/factory: their format, the values every
// image holds, the differences between the model families, and CreateOptStream.
#include <gtest/gtest.h>

#include <set>

#include "device/byte_io.h"
#include "settings/config_data.h"
#include "settings/event_messages.h"
#include "settings/factory_images.h"
#include "settings/hestor_header.h"
#include "settings/internet_fields.h"
#include "settings/settings_stream.h"

namespace orv::test {
namespace {

struct Image {
  TMemItems items = CreateMemItems();
  std::vector<std::string> sms;
  StreamReadResult result;
  explicit Image(std::span<const uint8_t> stream) { result = ReadOptionsFromStream(stream, &sms, items); }
  TConfigData Config() const { return UpdateConfig(items[kRegionConfig].Bytes()); }
};

// Offset of region k's first byte in a factory stream.
size_t StreamOffset(int k) {
  size_t p = 4;
  for (int i = 0; i < k; ++i)
    if (i != kRegionSms) p += kRegionSize[i];
  return p;
}

std::set<size_t> Differences(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  std::set<size_t> out;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) out.insert(i);
  return out;
}

TEST(FactoryImages, FormatAndCommonValues) {
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE("image " + std::to_string(n));
    const auto raw = FactoryImage(n);
    ASSERT_EQ(raw.size(), kFactoryImageSize);
    EXPECT_EQ(std::vector<uint8_t>(raw.begin(), raw.begin() + 4), (std::vector<uint8_t>{0xff, 0x7e, 0x80, 0x04}));
    const Image img(raw);
    ASSERT_TRUE(img.result.Ok()) << img.result.message;
    EXPECT_EQ(img.result.mask, 0x7EFFu) << "regions 0..7 and 9..14";
    ASSERT_EQ(img.sms.size(), 61u);

    const TConfigData c = img.Config();
    for (int f : {2, 3, 4, 5, 19, 20, 22, 24, 25, 26, 30, 31}) EXPECT_TRUE(c.Flag(f)) << f;
    for (int f = 0; f < 256; ++f)
      if (!std::set<int>{2, 3, 4, 5, 7, 15, 19, 20, 22, 24, 25, 26, 30, 31}.count(f)) EXPECT_FALSE(c.Flag(f)) << f;
    EXPECT_EQ(c.SelfArmTime, 10);
    EXPECT_EQ(c.SelfArmRemindTime, 300);
    EXPECT_EQ(c.InRoadTimeout, 60);
    EXPECT_EQ(c.RES3, 7200);
    EXPECT_EQ(c.RES4, 10800);
    EXPECT_EQ(c.gpsNavType, 3);
    EXPECT_EQ(c.alarmTime, 20);
    EXPECT_EQ(c.RES1, 2000);
    EXPECT_EQ(c.RES2, 5000);
    EXPECT_EQ(c.gsmWaitAnswerTimeout, 120);
    EXPECT_EQ(c.gsmHangUpTimeout, 20);
    EXPECT_EQ(c.commonSensivity, 0);
    EXPECT_EQ(c.shockNSensivity, 5);
    EXPECT_EQ(c.shockASensivity, 5);
    EXPECT_EQ(c.motionSensivity, 5);
    EXPECT_EQ(c.Speaker, 0);
    for (const auto& p : c.Phones) EXPECT_EQ(FieldText(p), "");
    EXPECT_EQ(FieldText(c.phoneSelf), "");
    EXPECT_EQ(FieldText(c.phoneSC).size(), 12u);
    EXPECT_EQ(FieldText(c.phoneSC)[0], '+');
    EXPECT_EQ(FieldText(c.phoneERA), FieldText(c.phoneSC));
    EXPECT_EQ(c.skipFirstDigits, 10);
    EXPECT_EQ(c.AlarmPowerLevel, 115);
    EXPECT_EQ(c.ShockDisableTime, 40);
    EXPECT_EQ(c.diagTime, 10);
    EXPECT_EQ(c.gpsResolution, 1);
    for (uint8_t d : c.PIN) EXPECT_LE(d, 9) << "one digit per byte";
    EXPECT_EQ(FieldText(c.USSD), "#100#");
    EXPECT_EQ(c.Singature, 195);
    EXPECT_EQ(c.timeRStart, 25);
    EXPECT_EQ(c.timePit, 25);
    EXPECT_EQ(c.TempEngine, -10);
    EXPECT_EQ(c.TempCabinLow, 0);
    EXPECT_EQ(c.TempCabinHigh, 50);
    EXPECT_EQ(c.BatteryCharge, 113);
    for (uint8_t b : c.RSTimers) EXPECT_EQ(b, 0);

    // Region 0: operator access, the maker's server, port "5665" then zeros
    // and 0xFF, a 10-character and a 6-digit server code.
    const TInternetSettings inet = ReadInternetSettings(img.items[kRegionInternet].Bytes());
    EXPECT_FALSE(inet.apn.empty());
    EXPECT_EQ(inet.login.size(), 3u);
    EXPECT_EQ(inet.password.size(), 3u);
    EXPECT_FALSE(inet.server.host.empty());
    EXPECT_EQ(inet.server.port, "5665");
    const auto& r0 = img.items[kRegionInternet].FData;
    EXPECT_EQ(r0[100], 0);
    EXPECT_EQ(r0[101], 0);
    for (size_t i = 102; i < 128; ++i) EXPECT_EQ(r0[i], 0xFF) << i;
    EXPECT_EQ(inet.server.code1.size(), 10u);
    EXPECT_EQ(inet.server.code2.size(), 6u);
    EXPECT_EQ(inet.server.code2.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(inet.server, FactoryServerFields());

    // Region 6 is an empty CAN block.
    for (size_t i = 20; i < 23; ++i) EXPECT_EQ(img.items[kRegionCan].FData[i], 0);
  }
}

TEST(FactoryImages, EventMessagesVoicePhrasesAndSmsTexts) {
  const Image one(FactoryImage(1));
  for (int n = 2; n <= 3; ++n) EXPECT_EQ(Image(FactoryImage(n)).sms, one.sms) << "SMS texts equal in the three images";
  int bit8 = 0;
  size_t next = 0;  // phrases follow each other from offset 0
  for (int i = 0; i < 61; ++i) {
    SCOPED_TRACE("message " + std::to_string(i));
    if (DeliveryWord(one.items, i) & 0x0100) ++bit8;
    if (i < 10) {
      EXPECT_EQ(one.sms[i], "");
      EXPECT_EQ(VoiceIndexWord(one.items, i), kNoVoicePhrase);
      continue;
    }
    EXPECT_FALSE(one.sms[i].empty());
    EXPECT_LE(EncodeSmsText(one.sms[i]).size(), kSmsTextMax);
    EXPECT_EQ(VoiceIndexWord(one.items, i), next);
    const auto phrase = VoicePhrase(one.items, i);
    EXPECT_FALSE(phrase.empty());
    next += phrase.size() + 1;
  }
  EXPECT_GT(bit8, 30) << "bit 8 is set in most words";
  EXPECT_LE(next, kRegionSize[kRegionVoice]);
  for (size_t w = 61; w < 256; ++w) {
    EXPECT_EQ(one.items[kRegionVoiceIndex].FData[2 * w], 0xFF);
    EXPECT_EQ(one.items[kRegionVoiceIndex].FData[2 * w + 1], 0xFF);
  }
}

TEST(FactoryImages, RemoteStartBlockIsConsistent) {
  const Image img(FactoryImage(3));
  const TMemItem& r = img.items[kRegionRStart];
  ByteReader h(r.Bytes());
  EXPECT_EQ(h.U32LE(), 0xFFFFFFFFu);
  EXPECT_EQ(h.U32LE(), OneAtATimeHash(r.FData.data() + 16, 432));
  EXPECT_EQ(h.U16LE(), 432);
  EXPECT_EQ(h.U16LE(), 0xFFFF);
  EXPECT_EQ(h.U32LE(), 0xFFFFFFFFu);
  for (size_t i = 16; i < 32; ++i) EXPECT_LE(r.FData[i], 16) << "input code";
  const uint8_t outs[10] = {1, 2, 3, 4, 5, 6, 7, 8, 0, 10};
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(r.FData[32 + i], outs[i]);
  for (size_t s = 0; s < 24; ++s) EXPECT_LE(r.FData[48 + 16 * s], s < 20 ? 7 : 0) << "sequence " << s;
  // Step 8, the starter: off 1000; on 3000 (little-endian pulse words).
  EXPECT_EQ(r.FData[48 + 16 * 8], 2);
  EXPECT_EQ(r.FData[48 + 16 * 8 + 2] | (r.FData[48 + 16 * 8 + 3] << 8), 1000);
  EXPECT_EQ(r.FData[48 + 16 * 8 + 4] | (r.FData[48 + 16 * 8 + 5] << 8), 0x8000 | 3000);
  for (size_t i = 448; i < 1024; ++i) ASSERT_EQ(r.FData[i], 0xFF);
}

TEST(FactoryImages, ImpulsePatterns) {
  const Image img(FactoryImage(2));
  auto word = [&](int k, int w) {
    const auto& d = img.items[kRegionImpulses].FData;
    return (d[32 * k + 2 * w] << 8) | d[32 * k + 2 * w + 1];
  };
  EXPECT_EQ(word(5, 0), 0x0082) << "light alarm: two pulses, cyclic";
  EXPECT_EQ(word(5, 1), 0x8000 | 500);
  EXPECT_EQ(word(5, 2), 500);
  EXPECT_EQ(word(33, 0), 14);
  EXPECT_EQ(word(1, 0), 0);
  for (int k = 24; k < 32; ++k) EXPECT_EQ(word(k, 0), 0);
}

TEST(FactoryImages, ModelFamiliesDifferOnlyWhereTheyShould) {
  const auto u1 = FactoryImage(1), u2 = FactoryImage(2), u3 = FactoryImage(3);
  const size_t r1 = StreamOffset(1), r5 = StreamOffset(5), r12 = StreamOffset(12);
  ASSERT_EQ(r5, 1900u);
  const std::set<size_t> flags{r5 + FlagByte(7), r5 + FlagByte(15)};

  std::set<size_t> expected12{r1 + 6, r1 + 7, r1 + 22, r1 + 23, r12 + 10, r12 + 12, r12 + 13};
  expected12.insert(flags.begin(), flags.end());
  EXPECT_EQ(Differences(u1, u2), expected12);

  std::set<size_t> in12;
  for (size_t d : Differences(u1, u3)) {
    if (d >= r12 && d < r12 + 256) in12.insert(d);
    else EXPECT_TRUE(d == r1 + 6 || d == r1 + 7 || d == r1 + 22 || d == r1 + 23 || flags.count(d) ||
                     (d >= r5 + 65 && d <= r5 + 68) || d == r5 + 187)
        << "unexpected difference at " << d;
  }
  EXPECT_EQ(in12.size(), 10u);

  const Image i1(u1), i2(u2), i3(u3);
  EXPECT_FALSE(i1.Config().Flag(7));
  EXPECT_FALSE(i1.Config().Flag(15));
  EXPECT_TRUE(i2.Config().Flag(7));
  EXPECT_TRUE(i3.Config().Flag(15));
  EXPECT_EQ(i1.items[1].FData[6], 0x02);
  EXPECT_EQ(i1.items[1].FData[7], 0x05);
  EXPECT_EQ(i2.items[1].FData[22], 0x02);
  EXPECT_EQ(i2.items[1].FData[23], 0x05);
  EXPECT_EQ(i2.items[1].FData[6], 0x00);
  EXPECT_EQ(i1.Config().Button2Cmd, 0);
  EXPECT_EQ(i3.Config().Button2Cmd, 3);
}

TEST(FactoryImages, CreateOptStreamAdjustsTheAudioOfBoard18) {
  struct Case {
    uint8_t kind, pcb;
    int image;
    uint8_t dac, toGsm, mic, fromGsm;
  };
  for (const Case& c : {Case{0x21, 18, 1, 32, 0, 8, 8}, Case{0x21, 17, 1, 16, 26, 10, 10}, Case{0x21, 7, 1, 16, 26, 10, 10},
                        Case{0x22, 18, 2, 32, 0, 8, 8}, Case{0x22, 19, 2, 16, 26, 10, 10}, Case{0x23, 18, 3, 32, 0, 8, 8},
                        Case{0x24, 7, 3, 32, 0, 8, 8}, Case{0x00, 18, 3, 32, 0, 8, 8}}) {
    SCOPED_TRACE(testing::Message() << "kind " << int(c.kind) << " pcb " << int(c.pcb));
    const auto stream = CreateOptStream(c.kind, c.pcb);
    const Image img(stream);
    const TConfigData cfg = img.Config();
    EXPECT_EQ(cfg.DAC, c.dac);
    EXPECT_EQ(cfg.ToGSM, c.toGsm);
    EXPECT_EQ(cfg.Mic, c.mic);
    EXPECT_EQ(cfg.FromGSM, c.fromGsm);
    EXPECT_EQ(cfg.Speaker, 0);
    // Nothing else changes.
    const auto d = Differences(stream, FactoryImage(c.image));
    for (size_t off : d) EXPECT_TRUE(off >= 1900 + 64 && off <= 1900 + 68) << off;
  }
}

}  // namespace
}  // namespace orv::test
