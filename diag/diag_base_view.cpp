#include "diag/diag_base_view.h"

#include <cstdio>
#include <cstdlib>

namespace orv {

namespace {

constexpr TDiagLamp kInputLamps[] = {
    {0, 0, "Ручной тормоз"},
    {0, 1, "Парк"},
    {0, 2, "Двери"},
    {0, 3, "Постановка/снятие"},
    {0, 4, "Багажник"},
    {0, 5, "Педаль тормоза"},
    {0, 6, "Капот"},
    {0, 7, "Зажигание"},
    {0, 8, "Вход уровень топлива"},
    {0, 9, "Фары"},
    {0, 10, "Тревога МВ датчика"},
    {0, 11, "Предупр. МВ датчика"},
    {0, 12, "Передняя левая дверь"},
    {0, 13, "Передняя правая дверь"},
    {0, 14, "Задняя левая дверь"},
    {0, 15, "Задняя правая дверь"},
    {0, 16, "Вход #1"},
    {0, 17, "Вход #2"},
    {0, 18, "Вход #3"},
    {0, 19, "Вход #4"},
    {0, 20, "Вход #5"},
    {0, 21, "Вход #6"},
    {0, 22, "Вход #7"},
    {0, 23, "Вход #8"},
};

constexpr TDiagLamp kCanLamps[] = {
    {0, 0, "Парк"},
    {0, 1, "Штатная тревога"},
    {0, 2, "Штатная охрана"},
    {0, 3, "Замки дверей"},
    {0, 4, "Ключ в замке"},
    {0, 5, "Фары"},
    {0, 6, "Багажник"},
    {0, 7, "Капот"},
    {0, 8, "Задняя правая дверь"},
    {0, 9, "Задняя левая дверь"},
    {0, 10, "Передняя правая дверь"},
    {0, 11, "Передняя левая дверь"},
    {0, 12, "Педаль тормоза"},
    {0, 13, "Ручной тормоз"},
    {0, 14, "Аксессуары"},
    {0, 15, "Зажигание"},
    {0, 16, "Нейтраль КПП"},
    {0, 17, "Задняя передача"},
    {0, 18, "Левый \"поворотник\""},
    {0, 19, "Правый \"поворотник\""},
    {0, 20, "Низкий уровень топлива"},
    {0, 21, "Двигатель работает"},
    {0, 22, "Подогреватель работает"},
    {0, 23, "Водитель пристёгнут"},
};

constexpr TDiagLamp kModemLamps[] = {
    {0, 2, "Регистрация GSM"},
    {0, 4, "Регистрация GPRS"},
    {0, 6, "Связь с сервером"},
};

constexpr TDiagLamp kGpsLamps[] = {
    {1, 10, "GPS"},
    {1, 13, "Спутники:"},
};

constexpr const char* kTagLamps[] = {"на связи", "в зоне иммо", "в зоне автоснятия", "разряжена",
                                     "полностью разряжена"};

bool Bit(uint32_t word, int bit) { return (word >> bit) & 1u; }

}  // namespace

std::span<const TDiagLamp> InputLamps() { return kInputLamps; }
std::span<const TDiagLamp> CanLamps() { return kCanLamps; }
std::span<const TDiagLamp> ModemLamps() { return kModemLamps; }
std::span<const TDiagLamp> GpsLamps() { return kGpsLamps; }
std::span<const char* const> TagLampNames() { return kTagLamps; }

std::vector<std::string> LitLamps(std::span<const TDiagLamp> table, std::span<const uint32_t> words) {
  std::vector<std::string> lit;
  for (const auto& lamp : table)
    if (lamp.word >= 0 && static_cast<size_t>(lamp.word) < words.size() && Bit(words[lamp.word], lamp.bit))
      lit.emplace_back(lamp.name);
  return lit;
}

std::vector<std::string> LitInputLamps(const TDiagRec& d) {
  const uint32_t w[] = {d.MainData.inActive};
  return LitLamps(kInputLamps, w);
}
std::vector<std::string> LitCanLamps(const TDiagRec& d) {
  const uint32_t w[] = {d.CANData.State};
  return LitLamps(kCanLamps, w);
}
std::vector<std::string> LitModemLamps(const TDiagRec& d) {
  const uint32_t w[] = {d.HILO};
  return LitLamps(kModemLamps, w);
}
std::vector<std::string> LitGpsLamps(const TDiagRec& d) { return LitLamps(kGpsLamps, d.SysBits); }

std::vector<std::string> LitTagLamps(const TStateDevicesRec& s, int tag) {
  std::vector<std::string> lit;
  if (tag < 1 || tag > 2) return lit;
  const uint8_t bytes[] = {s.Active, s.ImmZone, s.NearZone, s.LowBattery, s.NoBattery};
  for (size_t i = 0; i < std::size(bytes); ++i)
    if (Bit(bytes[i], tag - 1)) lit.emplace_back(kTagLamps[i]);
  return lit;
}

std::vector<std::string> LinkedRelays(const TStateDevicesRec& s) {
  std::vector<std::string> lit;
  for (int relay = 1; relay <= 4; ++relay)
    if (Bit(s.ImmLinked, relay - 1)) lit.push_back(std::to_string(relay) + " на связи");
  return lit;
}

long long RoundHalfEven(long long num, long long den) {
  const bool negative = num < 0;
  const long long n = negative ? -num : num;
  long long q = n / den;
  const long long twice = 2 * (n % den);
  if (twice > den || (twice == den && (q & 1))) ++q;
  return negative ? -q : q;
}

std::string OdometerText(uint32_t tenths) { return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10); }

std::string Padded(long long value, int digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*lld", digits, value);
  return buf;
}

std::string RpmText(uint8_t rpm) { return Padded(rpm * 32, 5); }
std::string CoolantText(uint8_t coolant) { return Padded(coolant - 40, 3); }

std::string VoltageText(uint8_t tenths) {
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " В";
}

std::string OutputCurrentText(const TDiagRec& d) {
  if (Bit(d.SysBits[3], 9)) return "<!>";
  return std::to_string(d.ADC.Iouts) + " мА";
}

std::string OutputLoadText(const TDiagRec& d) {
  if (Bit(d.SysBits[3], 6)) return "<!>";
  if (d.MainData.outActive == 0) return "---";
  // abs(dUout8 - 800) / 1600 × 100
  return std::to_string(RoundHalfEven(std::abs(static_cast<long long>(d.ADC.dUout8) - 800), 16)) + "%";
}

std::string GsmSignalText(uint8_t rssi) {
  if (rssi > 31) return "Нет сигнала";
  const long long p = RoundHalfEven(rssi * 100LL, 31);
  const char* word = rssi <= 4 ? "Слабый" : rssi <= 9 ? "Удовл." : rssi <= 14 ? "Хороший" : "Отличный";
  return std::string(word) + " " + std::to_string(p) + "%";
}

std::string HdopText(uint8_t hdop) { return std::to_string(RoundHalfEven(hdop * 15LL, 10)) + " м"; }

}  // namespace orv
