// The region table, TMemItem, TConfigData, TCanConfig, the option flag table
// and the SMS text encoding.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <set>

#include "device/byte_io.h"
#include "settings/can_config.h"
#include "settings/config_data.h"
#include "settings/event_messages.h"
#include "settings/mem_items.h"
#include "settings/option_flags.h"
#include "settings/settings_stream.h"
#include "settings/sms_text.h"

namespace orv::test {
namespace {

TEST(RegionTable, RegionsLieInTheSettingsMemoryWithoutOverlapping) {
  std::vector<std::pair<uint32_t, uint32_t>> spans;
  for (int k = 0; k < kRegionCount; ++k) {
    EXPECT_LE(kRegionSize[k], kMaxSection);
    if (k == kRegionSms) continue;
    EXPECT_GE(kRegionAddr[k], 0x1D800u);
    EXPECT_LE(kRegionAddr[k] + kRegionSize[k], 0x1F9F8u + 8) << k;
    spans.emplace_back(kRegionAddr[k], kRegionAddr[k] + kRegionSize[k]);
  }
  std::sort(spans.begin(), spans.end());
  for (size_t i = 1; i < spans.size(); ++i) EXPECT_LE(spans[i - 1].second, spans[i].first);
  // The masks of the workflows.
  EXPECT_FALSE(regionmask::Has(regionmask::kRead, kRegionSms));
  for (int k : {0, 1, 2, 3, 4, 5, 6, 14}) EXPECT_TRUE(regionmask::Has(regionmask::kWrite, k));
  EXPECT_EQ(regionmask::kWrite & ~regionmask::kNotRestored, 0x4021u);
  // A saved file: header and regions 0..6 and 14.
  uint32_t saved = 4;
  for (int k = 0; k < kRegionCount; ++k)
    if (regionmask::Has(regionmask::kWrite, k)) saved += kRegionSize[k];
  EXPECT_EQ(saved, kSavedFileSize);
}

TEST(MemItem, CreateClearAndAsInt) {
  TMemItems items = CreateMemItems();
  EXPECT_EQ(items[14].MemKind(), 14);
  EXPECT_EQ(items[14].Addr(), 0x1E388u);
  EXPECT_EQ(items[14].Size(), 1024u);
  TMemItem& m = items[0];
  m.FData[4] = 1;
  EXPECT_EQ(m.AsInt(1), 1);  // bytes 4..7 = 01 00 00 00, host order
  m.SetAsInt(511, -2);
  EXPECT_EQ(m.FData[2044], 0xFE);
  EXPECT_EQ(m.FData[2047], 0xFF);
  EXPECT_THROW(m.AsInt(512), ByteRangeError);
  EXPECT_THROW(m.SetAsInt(512, 0), ByteRangeError);
  m.Clear();
  EXPECT_EQ(std::accumulate(m.FData.begin(), m.FData.end(), 0), 0);
}

TEST(ConfigData, FlagsSitInTheirBigEndianWords) {
  struct Case {
    int flag;
    size_t byte;
    uint8_t mask;
  };
  for (const Case& c : {Case{0, 3, 0x01}, Case{8, 2, 0x01}, Case{31, 0, 0x80}, Case{32, 7, 0x01}, Case{255, 28, 0x80}}) {
    std::vector<uint8_t> region(512, 0);
    region[c.byte] = c.mask;
    const TConfigData cfg = UpdateConfig(region);
    for (int n = 0; n < 256; ++n) EXPECT_EQ(cfg.Flag(n), n == c.flag) << "flag " << c.flag << " bit " << n;
    TConfigData set;
    set.SetFlag(c.flag, true);
    std::vector<uint8_t> out(512, 0);
    UpdateDevMem(set, out);
    EXPECT_EQ(out[c.byte], c.mask);
  }
}

TEST(ConfigData, FieldTableAndRecordAgree) {
  // Every byte distinct: a parse and write round trip is exact, and each
  // numeric field reads from the offset the table names.
  std::vector<uint8_t> region(512);
  for (size_t i = 0; i < region.size(); ++i) region[i] = static_cast<uint8_t>(i * 7 + 3);
  const TConfigData c = UpdateConfig(region);
  std::vector<uint8_t> back(512, 0xEE);
  UpdateDevMem(c, back);
  EXPECT_TRUE(std::equal(region.begin(), region.begin() + 257, back.begin()));
  EXPECT_EQ(back[257], 0xEE) << "bytes after the block are not touched";

  const std::map<std::string_view, std::function<long long(const TConfigData&)>> numeric = {
      {"devID", [](auto& x) { return x.devID; }},
      {"SelfArmTime", [](auto& x) { return x.SelfArmTime; }},
      {"SelfArmRemindTime", [](auto& x) { return x.SelfArmRemindTime; }},
      {"InRoadTimeout", [](auto& x) { return x.InRoadTimeout; }},
      {"RES3", [](auto& x) { return x.RES3; }},
      {"RES4", [](auto& x) { return x.RES4; }},
      {"gpsNavType", [](auto& x) { return x.gpsNavType; }},
      {"alarmTime", [](auto& x) { return x.alarmTime; }},
      {"RES1", [](auto& x) { return x.RES1; }},
      {"RES2", [](auto& x) { return x.RES2; }},
      {"gsmWaitAnswerTimeout", [](auto& x) { return x.gsmWaitAnswerTimeout; }},
      {"gsmHangUpTimeout", [](auto& x) { return x.gsmHangUpTimeout; }},
      {"commonSensivity", [](auto& x) { return x.commonSensivity; }},
      {"shockNSensivity", [](auto& x) { return x.shockNSensivity; }},
      {"shockASensivity", [](auto& x) { return x.shockASensivity; }},
      {"motionSensivity", [](auto& x) { return x.motionSensivity; }},
      {"Speaker", [](auto& x) { return x.Speaker; }},
      {"DAC", [](auto& x) { return x.DAC; }},
      {"ToGSM", [](auto& x) { return x.ToGSM; }},
      {"Mic", [](auto& x) { return x.Mic; }},
      {"FromGSM", [](auto& x) { return x.FromGSM; }},
      {"skipFirstDigits", [](auto& x) { return x.skipFirstDigits; }},
      {"AlarmPowerLevel", [](auto& x) { return x.AlarmPowerLevel; }},
      {"ShockDisableTime", [](auto& x) { return x.ShockDisableTime; }},
      {"diagTime", [](auto& x) { return x.diagTime; }},
      {"gpsResolution", [](auto& x) { return x.gpsResolution; }},
      {"Button2Cmd", [](auto& x) { return x.Button2Cmd; }},
      {"Singature", [](auto& x) { return x.Singature; }},
      {"timeRStart", [](auto& x) { return x.timeRStart; }},
      {"timePit", [](auto& x) { return x.timePit; }},
      {"TempEngine", [](auto& x) { return x.TempEngine; }},
      {"TempCabinLow", [](auto& x) { return x.TempCabinLow; }},
      {"TempCabinHigh", [](auto& x) { return x.TempCabinHigh; }},
      {"BatteryCharge", [](auto& x) { return x.BatteryCharge; }},
  };
  size_t end = 0;
  for (const ConfigField& f : kConfigFields) {
    EXPECT_EQ(f.offset, end) << f.name << ": the table has no gaps";
    end = f.offset + f.size;
    auto it = numeric.find(f.name);
    if (it == numeric.end()) continue;
    ByteReader r(region);
    r.Seek(f.offset);
    long long expected = 0;
    switch (f.kind) {
      case ConfigFieldKind::kU8: expected = r.U8(); break;
      case ConfigFieldKind::kI8: expected = static_cast<int8_t>(r.U8()); break;
      case ConfigFieldKind::kU16: expected = r.U16BE(); break;
      case ConfigFieldKind::kU32: expected = r.U32BE(); break;
      default: FAIL() << f.name;
    }
    EXPECT_EQ(it->second(c), expected) << f.name;
  }
  EXPECT_EQ(end, TConfigData::kSize);
  EXPECT_EQ(FindConfigField("PIN")->offset, TConfigData::kPinOffset);
  EXPECT_THROW(UpdateConfig(std::vector<uint8_t>(256)), ByteRangeError);
}

TEST(ConfigData, LevelCodes) {
  EXPECT_EQ(LevelCodeToPosition(7), 0);
  EXPECT_EQ(PositionToLevelCode(0), 7);
  EXPECT_EQ(LevelCodeToPosition(20), 6);
  EXPECT_EQ(PositionToLevelCode(6), 13);
  const int positions[] = {0, 0, 1, 2, 3, 4, 5, 6, 6};  // codes 6..14
  for (int code = 6; code <= 14; ++code) EXPECT_EQ(LevelCodeToPosition(static_cast<uint8_t>(code)), positions[code - 6]);
  for (int p = 0; p <= 6; ++p) EXPECT_EQ(LevelCodeToPosition(PositionToLevelCode(p)), p);
}

TEST(CanConfig, EmptinessSelectorsAndByteOrder) {
  std::vector<uint8_t> region(256, 0);
  region[4] = 0x12;  // Bits, big-endian
  region[7] = 0x01;
  region[8] = 0b11100100;  // selectors 0..3 = 0, 1, 2, 3
  TCanConfig c = ReadCanConfig(region);
  EXPECT_TRUE(c.Empty()) << "counts 0, 0, 0 make the block empty whatever Bits holds";
  EXPECT_EQ(c.Bits, 0x12000001u);
  EXPECT_TRUE(c.Flag(0));
  for (int g = 0; g < 4; ++g) EXPECT_EQ(c.Value(g), g);
  c.SetValue(5, 2);
  c.words_count = 1;
  EXPECT_FALSE(c.Empty());
  std::vector<uint8_t> out(256, 0xAA);
  WriteCanConfig(c, out);
  EXPECT_EQ(out[9], 0b1000);
  EXPECT_EQ(out[22], 1);
  EXPECT_EQ(out[4], 0x12);
}

TEST(OptionFlags, TableMatchesThePage) {
  std::set<int> flags;
  for (const auto& f : kOptionFlags) {
    EXPECT_TRUE(flags.insert(f.flag).second) << f.flag;
    EXPECT_FALSE(f.caption.empty());
    EXPECT_FALSE(OptionGroupCaption(f.group).empty());
  }
  for (int n : {0, 16, 23, 24, 25, 26, 27, 40, 54, 57, 255}) EXPECT_EQ(FindOptionFlag(n), nullptr) << n;
  EXPECT_EQ(FindOptionFlag(7)->caption, "Иммобилайзер");
  EXPECT_EQ(OptionGroupCaption(FindOptionFlag(7)->group), "Блокировка двигателя");
  EXPECT_TRUE(FindOptionFlag(8)->disabled);
  EXPECT_TRUE(FindOptionFlag(28)->hidden);
  EXPECT_EQ(OptionGroupCaption(FindOptionFlag(20)->group), "Роуминг");
  EXPECT_EQ(OptionGroupCaption(FindOptionFlag(53)->group), "Автозапуск");
}

TEST(SmsText, EncodingAndSlots) {
  // Cyrillic letters land at 0xC0..0xFF, Latin text is unchanged.
  EXPECT_EQ(EncodeSmsText("Аяz"), (std::vector<uint8_t>{0xC0, 0xFF, 'z'}));
  EXPECT_EQ(EncodeSmsText("\u0350"), std::vector<uint8_t>{0x50}) << "848 is stored as its low byte";
  EXPECT_EQ(DecodeSmsText(EncodeSmsText("Тревога! Дверь")), "Тревога! Дверь");

  std::vector<std::string> texts(61);
  texts[0] = std::string(127, 'a');
  texts[1] = std::string(130, 'b');
  texts[60] = "Привет";
  const auto area = BuildSmsArea(texts);
  ASSERT_EQ(area.size(), kSmsAreaSize);
  EXPECT_EQ(area[126], 'a');
  EXPECT_EQ(area[127], 0) << "127 characters fill the slot up to its zero";
  EXPECT_EQ(area[128 + 126], 'b');
  EXPECT_EQ(area[128 + 127], 0) << "a longer text is cut to 127 bytes";
  const auto back = ParseSmsArea(area);
  ASSERT_EQ(back.size(), 61u);
  EXPECT_EQ(back[1], std::string(127, 'b'));
  EXPECT_EQ(back[60], "Привет");
  EXPECT_EQ(ParseSmsArea(std::vector<uint8_t>(200, 'x'))[1], std::string(72, 'x')) << "a short area";
}

}  // namespace
}  // namespace orv::test
