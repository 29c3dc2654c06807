#include <gtest/gtest.h>

#include "pages/model/connections_live.h"

namespace orv {
namespace {

TVersion Stamp(uint8_t day, uint8_t month, uint8_t year) {
  TVersion v;
  v.Day = day, v.Month = month, v.Year = year, v.Version = 5;
  return v;
}

TConnectionsLive::Context Ctx(bool connected, uint8_t pcb, TVersion core = Stamp(0x27, 0x07, 0x13), uint8_t level = 110) {
  TConnectionsLive::Context c;
  c.unit = {connected, 0x23, pcb};
  c.coreId = core;
  c.alarmPowerLevel = level;
  return c;
}

std::vector<std::string> Lit(const std::vector<TLiveLamp>& lamps) {
  std::vector<std::string> out;
  for (const auto& l : lamps)
    if (l.lit) out.push_back(l.name);
  return out;
}

TEST(ConnectionsLive, CaptionsByBoardAboveSeventeen) {
  struct Case {
    bool connected;
    uint8_t pcb;
    const char* analog0;
    const char* analog1;
    const char* load;
  };
  const Case cases[] = {
      {true, 17, "CN10.4, белый/черный \"+\"", "CN10.5, белый/зеленый \"+\"", "Нагрузка выхода CN9.8, коричневый"},
      {true, 18, "CN1.5, белый/черный \"+\"", "CN1.7, белый/зеленый \"+\"", "Нагрузка выхода CN2.10, коричневый"},
      {true, 19, "CN1.5, белый/черный \"+\"", "CN1.7, белый/зеленый \"+\"", "Нагрузка выхода CN2.10, коричневый"},
      {false, 18, "n/a", "n/a", "n/a"},
  };
  for (const auto& c : cases) {
    TConnectionsLive live;
    live.SetContext(Ctx(c.connected, c.pcb));
    EXPECT_EQ(live.AnalogCaption(0), c.analog0) << int{c.pcb};
    EXPECT_EQ(live.AnalogCaption(1), c.analog1);
    EXPECT_EQ(live.OutputLoadCaption(), c.load);
    const auto m = live.Measurements();
    ASSERT_EQ(m.size(), 6u);
    EXPECT_EQ(m[0].caption, c.analog0);
    EXPECT_EQ(m[5].caption, c.load);
  }
}

TEST(ConnectionsLive, ValuesAndColours) {
  TExtendDiagRec rec;
  rec.Diag.ADC.Input7 = 123;
  rec.Diag.ADC.Power = 126;
  rec.Diag.ADC.Iouts = 350;
  rec.Diag.ADC.dUout8 = 1200;
  rec.Diag.MainData.outActive = 1;
  rec.Diag.MainData.inActive = 0x81;
  rec.Diag.CANData.State = 1u << 23;
  rec.Diag.HILOrssi = 10;
  rec.Diag.CANData.Odometer = 123456;
  TConnectionsLive live;
  live.SetContext(Ctx(true, 18));
  live.Show(DiagBytes(rec));
  auto m = live.Measurements();
  EXPECT_EQ(m[0].text, "12.3 В");
  EXPECT_EQ(m[2].text, "12.6 В");
  EXPECT_EQ(m[3].hint, "Значение валидно при отсутствии внешнего питания");
  EXPECT_EQ(m[4].text, "350 мА");
  EXPECT_EQ(m[4].colour, TLiveColour::kTeal);
  EXPECT_EQ(m[5].text, "25%");
  EXPECT_EQ(live.CanValues()[0].text, "12345.6");
  EXPECT_EQ(live.GsmSignal().text, "Хороший 32%");
  EXPECT_EQ(Lit(live.InputLamps()), (std::vector<std::string>{"Ручной тормоз", "Зажигание"}));
  EXPECT_EQ(Lit(live.CanLamps()), (std::vector<std::string>{"Водитель пристёгнут"}));

  rec.Diag.SysBits[3] = (1u << 9) | (1u << 6);
  rec.Diag.HILOrssi = 32;
  live.Show(DiagBytes(rec));
  m = live.Measurements();
  EXPECT_EQ(m[4].text, "<!>");
  EXPECT_EQ(m[4].colour, TLiveColour::kRed);
  EXPECT_EQ(m[5].colour, TLiveColour::kRed);
  EXPECT_EQ(live.GsmSignal().text, "Нет сигнала");

  // Without a unit the output load shows nothing.
  live.SetContext(Ctx(false, 18));
  EXPECT_EQ(live.Measurements()[5].text, "");
}

TEST(ConnectionsLive, GpsValuesOnlyFromCoresAfterBuild211) {
  EXPECT_EQ(CoreBuildNumber(Stamp(0x26, 0x07, 0x13)), 211u);
  TExtendDiagRec rec;
  rec.Diag.GPSSVN = 7;
  rec.Diag.GPSHDOP = 9;
  TConnectionsLive live;
  live.SetContext(Ctx(true, 18, Stamp(0x26, 0x07, 0x13)));
  live.Show(DiagBytes(rec));
  EXPECT_EQ(live.Satellites().text, "n/a");
  EXPECT_EQ(live.Hdop().text, "n/a");
  live.SetContext(Ctx(true, 18, Stamp(0x27, 0x07, 0x13)));
  EXPECT_EQ(live.Satellites().text, "7");
  EXPECT_EQ(live.Hdop().text, "14 м");  // 13.5 to even
}

TEST(ConnectionsLive, SupplyAtTheAlarmLevelHidesTheGsmBlock) {
  TConnectionsLive live;
  live.SetContext(Ctx(true, 18, Stamp(0x27, 0x07, 0x13), 115));
  EXPECT_FALSE(live.GsmBlockVisible());
  EXPECT_FALSE(live.LowSupplyVisible());
  TExtendDiagRec rec;
  rec.Diag.ADC.Power = 115;
  live.Show(DiagBytes(rec));
  EXPECT_FALSE(live.GsmBlockVisible());
  EXPECT_TRUE(live.LowSupplyVisible());
  const auto lines = live.Lines(false);
  EXPECT_EQ(lines.back(), "  Напряжение питания системы ниже нормы, GSM и GPS отключены. ");
  rec.Diag.ADC.Power = 116;
  live.Show(DiagBytes(rec));
  EXPECT_TRUE(live.GsmBlockVisible());
  EXPECT_FALSE(live.LowSupplyVisible());
  live.ResetShown();
  EXPECT_FALSE(live.GsmBlockVisible());
}

TEST(ConnectionsLive, TagLampsChangeOnlyWithRecordsOfKindThreeAndUp) {
  TExtendDiagRec rec;
  rec.Kind = 3;
  rec.StateDevices.Active = 0x03;
  rec.StateDevices.LowBattery = 0x02;
  rec.StateDevices.ImmLinked = 0x05;
  TConnectionsLive live;
  live.SetContext(Ctx(true, 18));
  live.Show(DiagBytes(rec));
  const auto tag1 = Lit(live.TagLamps(1));
  const auto tag2 = Lit(live.TagLamps(2));
  EXPECT_EQ(tag1, (std::vector<std::string>{"на связи"}));
  EXPECT_EQ(tag2, (std::vector<std::string>{"на связи", "разряжена"}));
  EXPECT_EQ(Lit(live.RelayLamps()), (std::vector<std::string>{"1 на связи", "3 на связи"}));

  rec.Kind = 2;
  rec.StateDevices = {};
  rec.Diag.MainData.inActive = 1;
  live.Show(DiagBytes(rec));
  EXPECT_EQ(Lit(live.TagLamps(1)), tag1);
  EXPECT_EQ(Lit(live.TagLamps(2)), tag2);
  EXPECT_EQ(Lit(live.InputLamps()), (std::vector<std::string>{"Ручной тормоз"}));

  rec.Kind = 9;  // a newer kind carries them too
  live.Show(DiagBytes(rec));
  EXPECT_TRUE(Lit(live.TagLamps(2)).empty());
  EXPECT_TRUE(Lit(live.RelayLamps()).empty());
}

}  // namespace
}  // namespace orv
