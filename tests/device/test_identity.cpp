#include <gtest/gtest.h>

#include "device/identity.h"
#include "device/text_codec.h"

namespace orv {
namespace {

TDeviceInfo Dev(uint8_t mpu, uint8_t pcb) {
  TDeviceInfo d;
  d.MPU = mpu;
  d.PCB = pcb;
  return d;
}

TVersion Ver(uint8_t day, uint8_t month, uint8_t year, uint8_t version) {
  TVersion v;
  v.Day = day;
  v.Month = month;
  v.Year = year;
  v.Version = version;
  return v;
}

TEST(CreateCoreName, Examples) {
  struct Case {
    uint8_t mpu, pcb;
    TVersion v;
    std::string text, expected;
  } cases[] = {
      {0, 0x12, Ver(0x15, 0x03, 0x21, 5), "Release5", "core1.5 p18.R5.3052 (15.03.2021)"},
      {1, 0x12, Ver(0x15, 0x03, 0x21, 5), "Release", "core2.5 p18.R.3052 (15.03.2021)"},
      {2, 7, Ver(0x01, 0x01, 0x13, 1), "", "Core0.1 P7 0 (01.01.2013)"},
      {0, 3, Ver(0xFF, 0xFF, 0xFF, 9), "", "Core1.9 P3 0 (01.01.2013)"},
      {0, 3, Ver(0x31, 0x12, 0x99, 9), "", "Core1.9 P3 32363 (31.12.2099)"},
      {0, 3, Ver(0x00, 0x00, 0x00, 1), "", "Core1.1 P3 0 (00.00.2000)"},  // wrapped zero stamp
      {0, 18, Ver(0x15, 0x03, 0x21, 5), "Beta Release7x", "core1.5 p18.Beta R7x.3052 (15.03.2021)"},
  };
  for (const auto& c : cases) EXPECT_EQ(CreateCoreName(Dev(c.mpu, c.pcb), c.v, c.text), c.expected) << c.expected;
}

TEST(CreateCoreName, VersionHelpers) {
  const TVersion v = Ver(0x15, 0x03, 0x21, 5);
  EXPECT_EQ(ExtractVersionID(v), 0x05210315u);
  EXPECT_EQ(ExtractRevision(v), 0x00210315u);
}

TEST(Identity, ModelNames) {
  EXPECT_EQ(ModelName(0x21), "ORVANTIS 1");
  EXPECT_EQ(ModelName(0x24), "ORVANTIS 4");
  EXPECT_EQ(ModelName(0x25), "ORVANTIS ?");
  EXPECT_EQ(ModelName(0x20), "ORVANTIS ?");
}

TEST(Identity, FirmwareStateTexts) {
  EXPECT_FALSE(CoreFwStateText(0x00));
  EXPECT_FALSE(CanFwStateText(0x20));
  EXPECT_EQ(*CoreFwStateText(0x03), "Обновление Core прошло успешно");
  EXPECT_EQ(*CoreFwStateText(0x23), "Обновление Core прошло успешно");
  EXPECT_EQ(*CanFwStateText(0x23), "Обновление CAN-прошивки прошло успешно");
  EXPECT_EQ(*CanFwStateText(0x01), "Ошибка сохранения исходной CanFw прошивки");
  EXPECT_EQ(*CoreFwStateText(0x26), "Ошибка CRC32 Core, исходная прошивка восстановлена");
  EXPECT_EQ(*CoreFwStateText(0x80), "Ошибка целостности Core прошивки");
  EXPECT_EQ(*CanFwStateText(0x80), "Ошибка целостности CanFw прошивки");
  for (uint8_t code : {0x07, 0x1F, 0x27, 0x81, 0xFF}) EXPECT_EQ(*CoreFwStateText(code), "Неизвестный код ответа");
  EXPECT_TRUE(FwStateUpdateApplied(0x03));
  EXPECT_TRUE(FwStateUpdateApplied(0x23));
  EXPECT_FALSE(FwStateUpdateApplied(0x04));
  EXPECT_FALSE(Mpu2ErrorText(0));
  EXPECT_EQ(*Mpu2ErrorText(2), "Ошибка прошивки MPU2");
  EXPECT_EQ(*Mpu2ErrorText(3), "Ошибка целостности прошивки MPU2");
  EXPECT_EQ(*Mpu2ErrorText(0xFF), "Информация о прошивке MPU2 не доступна");
  EXPECT_EQ(*Mpu2ErrorText(9), "Неизвестный код ответа MPU2");
}

TEST(Identity, RecordsHaveTheirWireSizesAndRoundTrip) {
  TBootState bs;
  bs.DeviceInfo.Kind = 0x23;
  bs.DeviceInfo.PCB = 0x12;
  bs.SerialNumber = 0xD2040000u;  // 1234 big-endian
  bs.CanFwState = 0x23;
  const auto bytes = RecordBytes(bs);
  ASSERT_EQ(bytes.size(), 26u);
  EXPECT_EQ(bytes[4 + 8 + 3], 0x23);  // Kind after VersionInfo and ProcessorInfo
  EXPECT_EQ(bytes[25], 0x23);
  const auto back = ParseRecord<TBootState>(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(DisplaySerial(*back), 1234u);
  EXPECT_EQ(FormatSerial(DisplaySerial(*back)), "SN 0000001234");
  EXPECT_FALSE(ParseRecord<TBootState>(std::vector<uint8_t>(25)));

  EXPECT_EQ(RecordBytes(TOrvantisState{}).size(), 6u);
  EXPECT_EQ(RecordBytes(TCoreInfo{}).size(), 64u);
  EXPECT_EQ(RecordBytes(TCanFwInfo{}).size(), 128u);
  EXPECT_EQ(RecordBytes(TBoot2Rec{}).size(), 64u);
  EXPECT_EQ(RecordBytes(TCore2Info{}).size(), 64u);
  EXPECT_EQ(RecordBytes(TVersionDevices{}).size(), 64u);

  TCoreInfo ci;
  TextToBytes("Release5", ci.TextInfo, sizeof ci.TextInfo);
  ci.DeviceInfo.PCB = 18;
  const auto ciBack = ParseRecord<TCoreInfo>(RecordBytes(ci));
  ASSERT_TRUE(ciBack);
  EXPECT_EQ(TextOf(ciBack->TextInfo, 32), "Release5");
  EXPECT_EQ(ciBack->DeviceInfo.PCB, 18);
}

TEST(Identity, BootInfoLabel) {
  EXPECT_EQ(FormatBootInfo(Ver(0x12, 0x01, 0x21, 3)), "Boot v3: 12.01.21");
  TBoot2Rec none;
  none.BootInfo.VersionInfo.Version = 0xFF;
  EXPECT_FALSE(none.HasAuxiliary());
}

}  // namespace
}  // namespace orv
