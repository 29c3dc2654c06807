#include "settings/rs_config.h"

#include <algorithm>

#include "device/byte_io.h"

namespace orv {

namespace {

constexpr uint32_t kPink = 0xFF8FC0, kYellow = 0xFFE000, kRed = 0xE02020, kLightBlue = 0x60B0FF,
                   kBlack = 0x202020, kWhite = 0xF4F4F4, kOrange = 0xFF8C00, kBlue = 0x2050D0,
                   kViolet = 0x8040C0, kGrey = 0x909090, kGreen = 0x20A040, kNone = 0xFFFFFFFF;

using P = std::vector<uint16_t>;
constexpr uint16_t On(uint32_t ms) { return pulse::Make(true, ms); }
constexpr uint16_t Off(uint32_t ms) { return pulse::Make(false, ms); }

}  // namespace

uint16_t TRSSeq::TotalTime() const {
  uint16_t sum = 0;
  for (int i = 0; i < Len(); ++i) sum = static_cast<uint16_t>(sum + pulse::Duration(Pulses[static_cast<size_t>(i)]));
  return sum;
}

bool TRSSeq::SamePulses(const TRSSeq& o) const {
  if (Count != o.Count) return false;
  for (int i = 0; i < Len(); ++i)
    if (Pulses[static_cast<size_t>(i)] != o.Pulses[static_cast<size_t>(i)]) return false;
  return true;
}

TRSConfig TRSConfig::Parse(std::span<const uint8_t> bytes) {
  ByteReader r(bytes);
  TRSConfig c;
  r.Bytes(c.Header.data(), c.Header.size());
  r.Bytes(c.Ins.data(), c.Ins.size());
  r.Bytes(c.Outs.data(), c.Outs.size());
  for (auto& s : c.Seqs) {
    s.Count = r.U8();
    s.Res = r.U8();
    for (auto& w : s.Pulses) w = r.U16LE();
  }
  r.Bytes(c.Bits.data(), c.Bits.size());
  c.StarterDelay = r.U16LE();
  c.IgnSupportTime = r.U16LE();
  c.TurboTime = r.U16LE();
  c.EngineStartRPM = r.U8();
  c.EngineRunRPM = r.U8();
  c.TurboRPM = r.U8();
  r.Bytes(c.filling.data(), c.filling.size());
  return c;
}

std::array<uint8_t, TRSConfig::kSize> TRSConfig::Serialize() const {
  ByteWriter w(kSize);
  w.Bytes(Header);
  w.Bytes(Ins);
  w.Bytes(Outs);
  for (const auto& s : Seqs) {
    w.U8(s.Count);
    w.U8(s.Res);
    for (uint16_t p : s.Pulses) w.U16LE(p);
  }
  w.Bytes(Bits);
  w.U16LE(StarterDelay);
  w.U16LE(IgnSupportTime);
  w.U16LE(TurboTime);
  w.U8(EngineStartRPM);
  w.U8(EngineRunRPM);
  w.U8(TurboRPM);
  w.Bytes(filling);
  std::array<uint8_t, kSize> out{};
  std::copy(w.Data().begin(), w.Data().end(), out.begin());
  return out;
}

uint32_t TRSConfig::HeaderHash() const {
  return ByteReader(Header.data() + 4, 4).U32LE();
}

void TRSConfig::SealHeader() {
  Header.fill(0xFF);
  Header[8] = static_cast<uint8_t>(kRSConfigBodyLen & 0xFF);
  Header[9] = static_cast<uint8_t>(kRSConfigBodyLen >> 8);
  const auto bytes = Serialize();
  const uint32_t h = OneAtATimeHash(bytes.data() + kHestorHeaderSize, kRSConfigBodyLen);
  for (int i = 0; i < 4; ++i) Header[static_cast<size_t>(4 + i)] = static_cast<uint8_t>(h >> (8 * i));
}

bool TRSConfig::IsConfigValid() const {
  for (uint8_t c : Ins)
    if (c > 16) return false;
  for (uint8_t c : Outs)
    if (c > 18) return false;
  for (int i = 0; i < kRSSteps; ++i)
    if (Seqs[static_cast<size_t>(i)].Count > kRSMaxPulses) return false;
  return true;
}

const std::array<TRSInputDef, kRSInputs> RSInputs = {{
    {"Тахометр", "Частота вращения двигателя", 1, 10, false},
    {"Двигатель работает",
     "Признак того, что двигатель завелся и работает. Источником может служить лампа генератора или давления "
     "масла, признак Ready для гибридных автомобилей",
     1, 1, false},
    {"Зажигание", "Датчик включения зажигания", 1, 1, true},
    {"Педаль тормоза", "Датчик нажатия на педаль тормоза", 1, 9, false},
    {"Ручной тормоз", "Датчик активации ручного (стояночного) тормоза", 1, 6, false},
    {"Положение \"парк\"", "Датчик положения \"парк\" АКПП", 1, 1, false},
    {"Прогрев свечей", "Датчик работы подогрева свечей (дизель)", 1, 1, false},
    {"Дверь водителя", "Датчик открытия двери водителя", 1, 1, false},
    {"Двери", "Датчик открытия дверей", 1, 1, true},
    {"Капот", "Датчик открытия капота", 1, 1, true},
    {"Багажник", "Датчик открытия багажника", 1, 1, true},
    {"Аксессуары", "Датчик включения аксессуаров", 1, 0, false},
    {"", "", 0, 0, true},
    {"", "", 0, 0, true},
    {"", "", 0, 0, true},
    {"Петля АКПП", "Разрезать петлю, если автомобиль с АКПП", 0, 0, true},
}};

const std::array<int, 8> RSVisibleInputs = {0, 1, 3, 4, 5, 6, 7, 11};

const std::array<TRSWireDef, kRSInputWires> RSInputWires = {{
    {"X2.1, розовый/желтый", kPink, kYellow},
    {"X2.2, розовый/красный", kPink, kRed},
    {"X2.3, голубой/черный", kLightBlue, kBlack},
    {"X2.4, черный/белый", kBlack, kWhite},
    {"X2.5, желтый/черный", kYellow, kBlack},
}};

const std::array<TRSWireDef, kRSOutputs> RSOutputWires = {{
    {"X1.4/2/1, оранжевые (реле 1 А)", kOrange, kNone},
    {"X1.3, белый/синий (\"-\" 200 мА)", kWhite, kBlue},
    {"X1.9/10/8, фиолетовые (реле 1 А)", kViolet, kNone},
    {"X2.1, розовый/желтый (\"-\" 200 мА)", kPink, kYellow},
    {"X2.6/8/7, серые (реле 1 А)", kGrey, kNone},
    {"Релейный блок, белый (+25А)", kWhite, kNone},
    {"Релейный блок, зеленый (+25А)", kGreen, kNone},
    {"Релейный блок, желтый (+25А)", kYellow, kNone},
    {"Релейный блок, желтый/черный (+25А)", kYellow, kBlack},
    {"Релейный блок, зеленый/черный (+25А)", kGreen, kBlack},
}};

const std::array<const char*, kRSFunctions> RSOutputFunctions = {
    "Обход иммобилайзера", "Кнопка Старт/Стоп", "Имитация ключа в замке", "Аксессуары", "Зажигание 1",
    "Зажигание 2",         "Стартер",           "Блокировка стартера",    "Педаль тормоза", "Педаль тормоза 2"};

const std::array<TRSStepDef, kRSSteps> RSSteps = {{
    {"Обходчик иммобилайзера: включить", true, true, 0, rsfn::kImmoBypass, P{Off(200), On(0)}},
    {"Ключ в замке: включить", true, true, 0, rsfn::kKey, P{Off(300), On(0)}},
    {"Аксесуары: включить", true, false, 0, rsfn::kAccessories, P{Off(400), On(0)}},
    {"Зажигание 1: включить", true, false, 0, rsfn::kIgn1, P{Off(500), On(0)}},
    {"Зажигание 2: включить", true, false, 0, rsfn::kIgn2, P{Off(500), On(0)}},
    {"Педаль тормоза: нажать", true, true, 1, rsfn::kBrake, P{Off(500), On(0)}},
    {"Педаль тормоза 2: нажать", true, true, 1, rsfn::kBrake2, P{Off(600), On(0)}},
    {"Блокировка стартера: включить", true, false, 0, rsfn::kStarterLock, P{On(0)}},
    {"Стартер: включить", true, false, 1, rsfn::kStarter, P{Off(1000), On(3000)}},
    {"SSB: включить зажигание", false, true, 0, rsfn::kSSB, P{Off(1000), On(600)}},
    {"SSB: запуск двигателя", false, true, 1, rsfn::kSSB, P{Off(2500), On(3000)}},
    {"SSB: выключить зажигание", false, true, 3, rsfn::kSSB, P{Off(2100), On(600)}},
    {"Педаль тормоза 2: отпустить", true, true, 2, rsfn::kBrake2, P{On(100), Off(0)}},
    {"Педаль тормоза: отпустить", true, true, 2, rsfn::kBrake, P{On(200), Off(0)}},
    {"Блокировка стартера: выключить", true, false, 3, rsfn::kStarterLock, P{On(700)}},
    {"Зажигание 2: выключить", true, false, 3, rsfn::kIgn2, P{On(300), Off(0)}},
    {"Зажигание 1: выключить", true, false, 3, rsfn::kIgn1, P{On(300), Off(0)}},
    {"Аксесуары: выключить", true, false, 3, rsfn::kAccessories, P{On(400), Off(0)}},
    {"Ключ в замке: выключить", true, true, 3, rsfn::kKey, P{On(500), Off(0)}},
    {"Обходчик иммобилайзера: выключить", true, true, 3, rsfn::kImmoBypass, P{On(600), Off(0)}},
}};

const std::array<std::array<TRSSSBTemplate, 4>, 2> RSSSBTemplates = {{
    {{
        {P{Off(200), On(0)}, P{Off(1000), On(600)}},
        {P{Off(200), On(0)}, P{Off(1000), On(600), Off(1000), On(600)}},
        {P{Off(200), On(0)}, P{Off(1000), On(600), Off(1000), On(600), Off(1000), On(600)}},
        {P{Off(200), On(0)}, P{Off(1000), On(600)}},
    }},
    {{
        {P{Off(2100), On(0)}, P{On(600), Off(2400), On(600)}},
        {P{Off(2100), On(0)}, P{On(600), Off(2400), On(600), Off(1000), On(600)}},
        {P{Off(2100), On(0)}, P{On(600), Off(2400), On(600), Off(1000), On(600), Off(1000), On(600)}},
        {P{Off(2100), On(0)}, P{On(600)}},
    }},
}};

const std::vector<uint16_t> RSSSBOffDouble = {Off(100), On(600), Off(1000), On(600)};
const std::vector<uint16_t> RSSSBOffAuto = {Off(1000), On(600)};

TRSSeq MakeSeq(const std::vector<uint16_t>& pulses) {
  TRSSeq s;
  s.Count = static_cast<uint8_t>(std::min<size_t>(pulses.size(), kRSMaxPulses));
  for (size_t i = 0; i < s.Count; ++i) s.Pulses[i] = pulses[i];
  return s;
}

TRSSeq DefaultSeq(int step) { return MakeSeq(RSSteps.at(static_cast<size_t>(step)).pulses); }

bool FindSeq(uint8_t f, uint8_t p, int& s) {
  if (s < 0 || s >= kRSSteps) return false;
  for (int i = s; i < kRSSteps; ++i) {
    const auto& st = RSSteps[static_cast<size_t>(i)];
    if (st.function == f && st.phase == p) {
      s = i;
      return true;
    }
  }
  return false;
}

std::string InputSourceText(uint8_t code) {
  if (code == 1) return rstext::kMainUnit;
  if (code >= 2 && code < 2 + 2 * kRSInputWires)
    return std::string("Модуль запуска, ") + RSInputWires[static_cast<size_t>((code - 2) / 2)].name;
  return rstext::kNotAssigned;
}

}  // namespace orv
