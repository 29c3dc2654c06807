// The settings stream reader and writer: small fixtures of each format version
// made here, byte by byte.
#include <gtest/gtest.h>

#include "device/byte_io.h"
#include "device/text_codec.h"
#include "settings/factory_images.h"
#include "settings/settings_stream.h"
#include "settings/sms_text.h"

namespace orv::test {
namespace {

constexpr uint8_t kOld = 0x5A;  // what every region holds before a read

TMemItems Filled() {
  TMemItems items = CreateMemItems();
  for (auto& item : items) item.FData.fill(kOld);
  return items;
}

uint32_t Header(int version, std::initializer_list<int> regions, bool sms = false) {
  uint32_t h = static_cast<uint32_t>(version) << 24;
  for (int k : regions) h |= 1u << k;
  if (sms) h |= streamhdr::kSmsFlag;
  return h;
}

struct Stream {
  ByteWriter w;
  explicit Stream(uint32_t h) { w.U32LE(h); }
  Stream& Fill(size_t n, uint8_t b) {
    for (size_t i = 0; i < n; ++i) w.U8(b);
    return *this;
  }
  Stream& Bytes(const std::vector<uint8_t>& b) {
    w.Bytes(b);
    return *this;
  }
  std::vector<uint8_t> Data() const { return w.Data(); }
};

bool RegionIs(const TMemItem& item, uint8_t b, size_t from = 0, size_t to = kMaxSection) {
  for (size_t i = from; i < to; ++i)
    if (item.FData[i] != b) return false;
  return true;
}

TEST(SettingsStream, Version4ReadsTheNamedRegionsOnly) {
  TMemItems items = Filled();
  const auto s = Stream(Header(4, {5, 14})).Fill(512, 0x05).Fill(1024, 0x0E).Data();
  EXPECT_EQ(s.size(), 4u + 512 + 1024);
  const StreamReadResult r = ReadOptionsFromStream(s, nullptr, items);
  EXPECT_TRUE(r.Ok());
  EXPECT_EQ(r.mask, (1u << 5) | (1u << 14));
  EXPECT_TRUE(RegionIs(items[5], 0x05, 0, 512));
  EXPECT_TRUE(RegionIs(items[5], kOld, 512)) << "beyond the region's size nothing changes";
  EXPECT_TRUE(RegionIs(items[14], 0x0E, 0, 1024));
  for (int k : {0, 1, 2, 3, 4, 6, 7, 9, 13}) EXPECT_TRUE(RegionIs(items[k], kOld)) << k;
}

TEST(SettingsStream, Region8ConsumesNothing) {
  // Bytes meant for region 8 are read as the next region present.
  TMemItems items = Filled();
  const auto s = Stream(Header(4, {8, 9})).Fill(1024, 0x88).Fill(512, 0x99).Data();
  const StreamReadResult r = ReadOptionsFromStream(s, nullptr, items);
  EXPECT_EQ(r.mask, 1u << 9);
  EXPECT_TRUE(RegionIs(items[9], 0x88, 0, 512));
  EXPECT_TRUE(RegionIs(items[8], kOld));
}

TEST(SettingsStream, Version1ConvertsTheOldMainBlockAndCanBlock) {
  std::vector<uint8_t> old5(512);
  for (size_t i = 0; i < old5.size(); ++i) old5[i] = static_cast<uint8_t>(i);
  const char* phones[7] = {"+7900111223", "89001112233", "", "112", "+7495777260", "+7495777260", "12345"};
  for (int j = 0; j < 7; ++j) {
    std::fill_n(old5.begin() + 69 + 11 * j, 11, 0);
    std::copy_n(phones[j], std::strlen(phones[j]), old5.begin() + 69 + 11 * j);
  }
  old5[146] = 10;
  old5[147] = 115;
  std::vector<uint8_t> old6(256);
  for (size_t i = 0; i < old6.size(); ++i) old6[i] = static_cast<uint8_t>(0xFF - i);

  // Bits 1..4 are ignored in version 1: nothing is consumed for them.
  TMemItems items = Filled();
  const auto s = Stream(Header(1, {1, 2, 5, 6})).Bytes(old5).Bytes(old6).Data();
  const StreamReadResult r = ReadOptionsFromStream(s, nullptr, items);
  EXPECT_TRUE(r.Ok()) << r.message;
  EXPECT_EQ(r.mask, (1u << 5) | (1u << 6));
  EXPECT_TRUE(RegionIs(items[1], kOld));
  EXPECT_TRUE(RegionIs(items[2], kOld));

  const TMemItem& c = items[5];
  for (size_t i = 0; i < 69; ++i) ASSERT_EQ(c.FData[i], i);
  for (int j = 0; j < 7; ++j) {
    const size_t at = 69 + 16 * static_cast<size_t>(j);
    EXPECT_EQ(BytesToText(&c.FData[at], 16), phones[j]) << j;
    for (size_t i = std::strlen(phones[j]); i < 16; ++i) EXPECT_EQ(c.FData[at + i], 0) << "phone " << j << " is zero-padded";
  }
  EXPECT_EQ(c.FData[181], 10);
  EXPECT_EQ(c.FData[182], 115);
  EXPECT_EQ(c.FData[183], kOld) << "ShockDisableTime keeps its value";
  for (size_t i = 184; i < 512; ++i) ASSERT_EQ(c.FData[i], old5[i - 36]) << i;

  const TMemItem& can = items[6];
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(can.FData[i], 0) << "DataConfig becomes 0";
  for (size_t i = 4; i < 256; ++i) ASSERT_EQ(can.FData[i], old6[i - 4]);
}

TEST(SettingsStream, Version0SplitsRegion9IntoRegions9And13) {
  std::vector<uint8_t> pairs(1024, 0xEE);
  for (int i = 0; i < 61; ++i) {
    pairs[4 * i] = 0x01;
    pairs[4 * i + 1] = static_cast<uint8_t>(i);
    pairs[4 * i + 2] = 0x02;
    pairs[4 * i + 3] = static_cast<uint8_t>(i);
  }
  TMemItems items = Filled();
  // Bit 13 is ignored in version 0; bits 8 consumes nothing.
  const auto s = Stream(Header(0, {8, 9, 13})).Bytes(pairs).Data();
  const StreamReadResult r = ReadOptionsFromStream(s, nullptr, items);
  EXPECT_TRUE(r.Ok());
  EXPECT_EQ(r.mask, (1u << 9) | (1u << 13));
  for (int i = 0; i < 61; ++i) {
    EXPECT_EQ(items[9].FData[2 * i], 0x01);
    EXPECT_EQ(items[9].FData[2 * i + 1], i);
    EXPECT_EQ(items[13].FData[2 * i], 0x02);
    EXPECT_EQ(items[13].FData[2 * i + 1], i);
  }
  EXPECT_EQ(items[9].FData[122], kOld) << "words after message 60 keep their contents";
  EXPECT_EQ(items[13].FData[122], kOld);
}

TEST(SettingsStream, OlderStreamsLongerThanTheirRegionsCarryRegion14) {
  // Version 3, region 0 named: the regions of version 3 make 8204 bytes; a
  // stream 128 bytes longer holds region 14 after the named regions.
  ByteWriter w;
  w.U32LE(Header(3, {0}));
  for (int i = 0; i < 224; ++i) w.U8(0x00);
  for (int i = 0; i < 1024; ++i) w.U8(0x14);
  while (w.Size() < 8204 + 128) w.U8(0x77);
  TMemItems items = Filled();
  StreamReadResult r = ReadOptionsFromStream(w.Data(), nullptr, items);
  EXPECT_EQ(r.mask, (1u << 0) | (1u << 14));
  EXPECT_TRUE(RegionIs(items[14], 0x14, 0, 1024));

  // 127 bytes too few: no region 14.
  auto shorter = w.Data();
  shorter.resize(8204 + 127);
  items = Filled();
  r = ReadOptionsFromStream(shorter, nullptr, items);
  EXPECT_EQ(r.mask, 1u);
  EXPECT_TRUE(RegionIs(items[14], kOld));
}

TEST(SettingsStream, UnsupportedVersionChangesNothing) {
  TMemItems items = Filled();
  std::vector<std::string> list{"kept"};
  const auto s = Stream(Header(5, {0, 5}, true)).Fill(224 + 512 + 7808, 0x11).Data();
  const StreamReadResult r = ReadOptionsFromStream(s, &list, items);
  EXPECT_TRUE(r.unsupported);
  EXPECT_EQ(r.mask, 0u);
  EXPECT_EQ(r.message, "Версия формата настроек (v5) не поддерживается. Необходимо обновить Конфигуратор Orvantis");
  for (auto& item : items) EXPECT_TRUE(RegionIs(item, kOld));
  EXPECT_EQ(list, std::vector<std::string>{"kept"});
}

TEST(SettingsStream, ShortStreamsFillWhatTheyHaveAndSaySo) {
  TMemItems items = Filled();
  const auto s = Stream(Header(4, {5, 6})).Fill(100, 0x01).Data();
  StreamReadResult r = ReadOptionsFromStream(s, nullptr, items);
  EXPECT_TRUE(r.truncated);
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(r.mask, 0u) << "no region was filled completely";
  EXPECT_TRUE(RegionIs(items[5], 0x01, 0, 100));
  EXPECT_TRUE(RegionIs(items[5], kOld, 100));
  EXPECT_TRUE(RegionIs(items[6], kOld));
  EXPECT_NE(r.message.find("короче"), std::string::npos);

  for (size_t n = 0; n < 4; ++n) {
    r = ReadOptionsFromStream(std::vector<uint8_t>(n, 0), nullptr, items);
    EXPECT_EQ(r.version, -1);
    EXPECT_FALSE(r.message.empty());
  }
}

TEST(SettingsStream, SmsTextsAreAppendedWhenAskedFor) {
  std::vector<std::string> texts(61);
  texts[10] = "Тревога! Дверь";
  texts[60] = "Последнее";
  const auto s = Stream(Header(4, {2}, true)).Fill(8, 0x02).Bytes(BuildSmsArea(texts)).Data();
  TMemItems items = Filled();
  std::vector<std::string> list{"earlier"};
  const StreamReadResult r = ReadOptionsFromStream(s, &list, items);
  EXPECT_TRUE(r.Ok());
  ASSERT_EQ(list.size(), 62u);
  EXPECT_EQ(list[0], "earlier");
  EXPECT_EQ(list[11], "Тревога! Дверь");
  EXPECT_EQ(list[61], "Последнее");
  EXPECT_EQ(list[1], "");
  // Without a list the texts are not read at all.
  EXPECT_TRUE(ReadOptionsFromStream(s, nullptr, items).Ok());
}

TEST(SettingsStream, SavedStreamIsTheVersion4FileLayout) {
  TMemItems items = CreateMemItems();
  for (int k = 0; k < kRegionCount; ++k) items[k].FData.fill(static_cast<uint8_t>(k + 1));
  const auto s = BuildOptionsStream(items, streamhdr::kSaveHeader);
  ASSERT_EQ(s.size(), kSavedFileSize);
  EXPECT_EQ(std::vector<uint8_t>(s.begin(), s.begin() + 4), (std::vector<uint8_t>{0x7f, 0x40, 0x00, 0x04}));
  TMemItems back = Filled();
  const StreamReadResult r = ReadOptionsFromStream(s, nullptr, back);
  EXPECT_EQ(r.mask, regionmask::kWrite);
  for (int k = 0; k < kRegionCount; ++k) {
    const uint8_t expected = regionmask::Has(regionmask::kWrite, k) ? static_cast<uint8_t>(k + 1) : kOld;
    EXPECT_TRUE(RegionIs(back[k], expected, 0, back[k].Size())) << k;
  }
  EXPECT_THROW(BuildOptionsStream(items, 0x0300407F), std::invalid_argument);
}

TEST(SettingsStream, LayoutCheckTakesOnlyFilesTheirHeaderDescribes) {
  const std::vector<uint8_t> saved = BuildOptionsStream(CreateMemItems(), streamhdr::kSaveHeader);
  auto with = [&](auto change) {
    auto s = saved;
    change(s);
    return s;
  };
  const auto factory = FactoryImage(3);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool fits;
  };
  const Case cases[] = {
      {"saved file", saved, true},
      {"factory image with its SMS area", {factory.begin(), factory.end()}, true},
      {"one byte more", with([](auto& s) { s.push_back(0); }), false},
      {"one byte less", with([](auto& s) { s.pop_back(); }), false},
      {"SMS area promised, absent", with([](auto& s) { s[2] |= 0x80; }), false},
      {"version 0", with([](auto& s) { s[3] = 0; }), false},
      {"version 1", with([](auto& s) { s[3] = 1; }), false},
      {"version 2", with([](auto& s) { s[3] = 2; }), false},
      {"version 3", with([](auto& s) { s[3] = 3; }), false},
      {"unused header bit", with([](auto& s) { s[1] |= 0x80; }), false},
      {"region 8 named, its bytes added", Stream(Header(4, {5, 8})).Fill(512 + 1024, 0).Data(), false},
      {"version 1 main and CAN blocks", Stream(Header(1, {0, 5, 6})).Fill(224 + 512 + 256, 0).Data(), true},
      {"version 1 with ignored regions 1..4", Stream(Header(1, {1, 2, 5})).Fill(512, 0).Data(), true},
      {"header only", Stream(Header(4, {})).Data(), true},
      {"no header", {0x7f, 0x40}, false},
      {"version 5 left to the reader", {0x7f, 0x40, 0x00, 0x05, 1}, true},
  };
  for (const auto& c : cases) EXPECT_EQ(StreamLayoutFits(c.bytes), c.fits) << c.name;
}

}  // namespace
}  // namespace orv::test
