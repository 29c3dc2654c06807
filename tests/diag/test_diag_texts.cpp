// Remote-start texts, the system-state sentence, the decoded values by record
// kind, and the formatting of the base record's values.
#include <gtest/gtest.h>

#include <set>

#include "diag/diag_base_view.h"
#include "diag/diag_texts.h"
#include "diag/diag_values.h"

namespace orv {
namespace {

TEST(DiagTexts, StageTableCoversEveryStageValue) {
  EXPECT_EQ(RStartStageText(0), "Дежурный режим");
  EXPECT_EQ(RStartStageText(1), "Подготовка к резервированию и питстоп");
  EXPECT_EQ(RStartStageText(3), "Запуск двигателя (стартер)");
  EXPECT_EQ(RStartStageText(6), "Выключение поддержки зажигания");
  // Stage 7 has a text of its own, not a bare number.
  EXPECT_EQ(RStartStageText(7), "Неизвестный режим модуля запуска");
  EXPECT_EQ(RStartStageTable().size(), 8u);
}

TEST(DiagTexts, StateTableHasTextsAndShowsNumbersForItsGaps) {
  const std::set<int> gaps = {13, 14, 15, 26, 27, 28, 29, 30, 31, 52};
  for (int v = 0; v < 64; ++v) {
    const std::string t = RStartStateText(v);
    if (gaps.count(v)) EXPECT_EQ(t, std::to_string(v));
    else EXPECT_NE(t, std::to_string(v)) << v;
  }
  EXPECT_EQ(RStartStateTable().size(), 64u - gaps.size());
  EXPECT_EQ(RStartStateText(0), "неизвестное событие");
  EXPECT_EQ(RStartStateText(7), "команда не выполнена - режим \"автосервис\"");
  EXPECT_EQ(RStartStateText(10), "включен режим \"питстоп\"");
  EXPECT_EQ(RStartStateText(25), "поддержка зажигания выключена по нажатию на педаль газа вне охраны");
  EXPECT_EQ(RStartStateText(32), "нет радиосвязи с хестором");
  EXPECT_EQ(RStartStateText(44), "нет положения PARK");
  EXPECT_EQ(RStartStateText(51), "двигатель остановлен по нажатию на педаль газа");
  EXPECT_EQ(RStartStateText(53), "зажигание не выключилось");
  EXPECT_EQ(RStartStateText(55), "предупреждение - источник тактирования TCO");
  EXPECT_EQ(RStartStateText(63), "сброс блока автозапуска по питанию, замене прошивки или настроек");
}

TEST(DiagTexts, ParameterRangesEntriesAndEmptyEntries) {
  std::set<int> empty;
  for (int v = 72; v <= 79; ++v) empty.insert(v);
  empty.insert(95);
  for (int v = 137; v <= 159; ++v) empty.insert(v);
  for (int v = 163; v <= 169; ++v) empty.insert(v);
  auto inRange = [](int v) {
    return (v >= 64 && v <= 95) || (v >= 128 && v <= 169) || (v >= 256 && v <= 271) || (v >= 512 && v <= 516);
  };
  for (int v = -1; v <= 1100; ++v) {
    const std::string t = RStartParamText(v);
    if (v < 64) EXPECT_EQ(t, "?") << v;
    else if (!inRange(v)) EXPECT_EQ(t, "неожиданная стадия модуля Автозапуск") << v;
    else if (empty.count(v)) EXPECT_EQ(t, std::to_string(v)) << v;
    else EXPECT_NE(t, std::to_string(v)) << v;
  }
  EXPECT_EQ(RStartParamText(65535), "неожиданная стадия модуля Автозапуск");
  const std::pair<int, const char*> entries[] = {
      {64, "по команде с модуля Хестор"}, {67, "по напряжению АКБ"}, {71, "периодический"},
      {80, "Событие0"}, {94, "Событие14"}, {128, "по команде с модуля Хестор"},
      {131, "по окончанию времени работы"}, {133, "по датчику Скорости (по CAN-шине)"}, {136, "резерв"},
      {160, "двигатель не запустился (попытка #1)"}, {162, "двигатель не запустился (попытка #3)"},
      {256, "неизвестная причина"}, {261, "тревога штатной ОхрСистемы"}, {263, "тревога по датчику Перемешения"},
      {269, "нодуль автозапуска не готов к процессу запуска?"}, {271, "нет связи с модулем автозапуска"},
      {512, "пропала связь с модулем Автозапуск"}, {514, "не удалось отправить команду по SPI на остановку двигателя"},
      {516, "вышло время ожидания запуска двигателя"},
  };
  for (const auto& [v, text] : entries) EXPECT_EQ(RStartParamText(v), text) << v;
}

TEST(DiagTexts, SystemStateSentence) {
  struct Case {
    int kind, id, param;
    const char* expected;
  } cases[] = {
      {2, 47, 131, "Автозапуск завершен по окончанию времени работы"},
      {2, 48, 300, "Отказ автозапуска: неожиданная стадия модуля Автозапуск"},
      {2, 46, 75, "Автозапуск 75"},
      {2, 46, 64, "Автозапуск по команде с модуля Хестор"},
      {3, 46, 40, "Автозапуск ?"},
      {4, 49, 512, "Автозапуск запрещен до запуска двигателя владельцем: пропала связь с модулем Автозапуск"},
      // The range decides the table, not the message id.
      {2, 46, 271, "Автозапуск нет связи с модулем автозапуска"},
      {2, 47, 66, "Автозапуск завершен по команде с Сервера"},
      {3, 48, 160, "Отказ автозапуска: двигатель не запустился (попытка #1)"},
      {2, 49, 145, "Автозапуск запрещен до запуска двигателя владельцем: 145"},
      {2, 50, 131, "?"},
      {2, 45, 131, "?"},
      {2, 0xFFFF, 0xFFFF, "?"},
      {1, 46, 64, "н/д"},
      {0, 47, 131, "н/д"},
  };
  for (const auto& c : cases) EXPECT_EQ(RStartSysStateText(c.kind, c.id, c.param), c.expected) << c.id << "/" << c.param;
}

TEST(DiagTexts, RadioLinkQualityWords) {
  EXPECT_EQ(RadioLink(5, 6).word, "плохое");  // 30
  EXPECT_EQ(RadioLink(7, 5).word, "среднее");  // 35
  EXPECT_EQ(RadioLink(10, 7).word, "среднее");  // 70
  EXPECT_EQ(RadioLink(15, 5).word, "хорошее");  // 75
  EXPECT_EQ(RadioLink(15, 5).q, 75);
  EXPECT_EQ(RadioLink(15, 5).pair, "15/5");
}

TExtendDiagRec Rec(uint8_t kind) {
  TExtendDiagRec r;
  r.Kind = kind;
  return r;
}

TEST(DiagValues, KindZeroReadsAsNotAvailable) {
  TExtendDiagRec r = Rec(0);
  r.AutoStart.Flags4 = 0xFF;  // stale bytes of an earlier record do not count
  r.AutoStart.Tcab = 20;
  r.LastMsg.msgIdLo = 46;
  const TRStartValues v(r);
  EXPECT_FALSE(v.RStartOnline());
  EXPECT_EQ(v.CabinTempValue(), 0);
  EXPECT_EQ(v.RSRSSIValue(), 0);
  EXPECT_EQ(v.RStartMsgId(), 0xFFFF);
  EXPECT_EQ(v.RStartMsgParam(), 0xFFFF);
  for (const std::string& t : {v.CabinTemp(), v.EngineTemp(), v.TachoPercent(), v.RStartStage(), v.RStartState(),
                               v.RStartSysState()})
    EXPECT_EQ(t, "н/д");
  EXPECT_EQ(v.RSLinkQuality(), "?");
  EXPECT_EQ(v.RSRSSI(), "?");
}

TEST(DiagValues, ModuleNotConnectedReadsAsUnknown) {
  TExtendDiagRec r = Rec(2);
  r.AutoStart.Flags4 = 0xFE;  // everything but the connected bit
  r.AutoStart.Tcab = 20;
  r.LastMsg.msgIdLo = 47;
  r.LastMsg.msgParamLo = 131;
  const TRStartValues v(r);
  for (const std::string& t : {v.CabinTemp(), v.EngineTemp(), v.TachoPercent(), v.RSLinkQuality(), v.RSRSSI(),
                               v.RStartStage(), v.RStartState()})
    EXPECT_EQ(t, "?");
  // The sentence does not depend on the module's link.
  EXPECT_EQ(v.RStartSysState(), "Автозапуск завершен по окончанию времени работы");
}

TEST(DiagValues, ConnectedModuleDecodesEveryField) {
  TExtendDiagRec r = Rec(1);
  r.AutoStart.Flags4 = 0x01;
  {
    const TRStartValues v(r);
    EXPECT_EQ(v.RSLinkQuality(), "0");
    EXPECT_EQ(v.RSRSSI(), "0");
    EXPECT_EQ(v.RStartSysState(), "н/д");
    EXPECT_EQ(v.RStartMsgId(), 0xFFFF) << "kind 1 has no last message";
  }
  r.AutoStart.Flags4 = 0xB7;  // connected, quality 3, level 11
  r.AutoStart.Flags3 = 0xA5;  // stage 5
  r.AutoStart.Flags2 = 0x40;
  r.AutoStart.StateID = 0xC8;  // bits 0..5: 8
  r.AutoStart.Tcab = static_cast<int8_t>(0x80);
  r.AutoStart.Tengine = -20;
  r.AutoStart.TahoPercent = 7;
  const TRStartValues v(r);
  EXPECT_TRUE(v.RStartOnline());
  EXPECT_EQ(v.RSLinkQualityValue(), 3);
  EXPECT_EQ(v.RSRSSIValue(), 11);
  EXPECT_TRUE(v.BrakeControl());
  EXPECT_EQ(v.RStartStage(), "Остановка двигателя");
  EXPECT_EQ(v.RStartState(), "автозапуск двигателя прошел успешно");
  EXPECT_EQ(v.CabinTemp(), "?");
  EXPECT_EQ(v.EngineTemp(), "-20°C");
  EXPECT_EQ(v.TachoPercent(), " 70 %");
  EXPECT_EQ(v.TachoPercentValue(), 70);

  TExtendDiagRec f = r;
  f.Kind = 9;  // a newer kind carries the message too
  f.LastMsg = {0x00, 46, 0x02, 0x04};
  EXPECT_EQ(TRStartValues(f).DiagKind(), dkFuture);
  EXPECT_EQ(TRStartValues(f).RStartMsgParam(), 516);
  EXPECT_EQ(TRStartValues(f).RStartSysState(), "Автозапуск вышло время ожидания запуска двигателя");
}

TEST(DiagBaseView, GsmSignalLevels) {
  const std::pair<int, const char*> cases[] = {
      {0, "Слабый 0%"}, {4, "Слабый 13%"}, {5, "Удовл. 16%"}, {9, "Удовл. 29%"}, {10, "Хороший 32%"},
      {14, "Хороший 45%"}, {15, "Отличный 48%"}, {31, "Отличный 100%"}, {32, "Нет сигнала"}, {99, "Нет сигнала"},
  };
  for (const auto& [rssi, text] : cases) EXPECT_EQ(GsmSignalText(static_cast<uint8_t>(rssi)), text) << rssi;
}

TEST(DiagBaseView, NumbersAndRoundingHalfToEven) {
  EXPECT_EQ(OdometerText(1234567), "123456.7");
  EXPECT_EQ(OdometerText(5), "0.5");
  EXPECT_EQ(RpmText(25), "00800");
  EXPECT_EQ(Padded(-12, 5), "-00012");
  EXPECT_EQ(CoolantText(125), "085");
  EXPECT_EQ(VoltageText(142), "14.2 В");
  EXPECT_EQ(VoltageText(5), "0.5 В");
  EXPECT_EQ(HdopText(3), "4 м");  // 4.5 → 4
  EXPECT_EQ(HdopText(5), "8 м");  // 7.5 → 8
  TDiagRec d;
  d.MainData.outActive = 1;
  d.ADC.dUout8 = 808;  // 0.5 % → 0
  EXPECT_EQ(OutputLoadText(d), "0%");
  d.ADC.dUout8 = 776;  // 1.5 % → 2
  EXPECT_EQ(OutputLoadText(d), "2%");
  d.ADC.dUout8 = 2400;
  EXPECT_EQ(OutputLoadText(d), "100%");
  d.SysBits[3] = 1u << 6;
  EXPECT_EQ(OutputLoadText(d), "<!>");
  d.MainData.outActive = 0;
  d.SysBits[3] = 0;
  EXPECT_EQ(OutputLoadText(d), "---");
  d.ADC.Iouts = 420;
  EXPECT_EQ(OutputCurrentText(d), "420 мА");
  d.SysBits[3] = 1u << 9;
  EXPECT_EQ(OutputCurrentText(d), "<!>");
}

TEST(DiagBaseView, LitLampsFollowTheirBits) {
  TDiagRec d;
  d.MainData.inActive = (1u << 0) | (1u << 7) | (1u << 23) | (1u << 24);
  d.CANData.State = (1u << 18) | (1u << 23);
  d.HILO = (1u << 2) | (1u << 6);
  d.SysBits[1] = 1u << 13;
  EXPECT_EQ(LitInputLamps(d), (std::vector<std::string>{"Ручной тормоз", "Зажигание", "Вход #8"}));
  EXPECT_EQ(LitCanLamps(d), (std::vector<std::string>{"Левый \"поворотник\"", "Водитель пристёгнут"}));
  EXPECT_EQ(LitModemLamps(d), (std::vector<std::string>{"Регистрация GSM", "Связь с сервером"}));
  EXPECT_EQ(LitGpsLamps(d), (std::vector<std::string>{"Спутники:"}));
  TStateDevicesRec s;
  s.Active = 0x03;
  s.LowBattery = 0x02;
  s.ImmLinked = 0x09;
  EXPECT_EQ(LitTagLamps(s, 1), (std::vector<std::string>{"на связи"}));
  EXPECT_EQ(LitTagLamps(s, 2), (std::vector<std::string>{"на связи", "разряжена"}));
  EXPECT_EQ(LinkedRelays(s), (std::vector<std::string>{"1 на связи", "4 на связи"}));
}

}  // namespace
}  // namespace orv
