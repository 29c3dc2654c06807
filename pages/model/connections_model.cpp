#include "pages/model/connections_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "pages/model/connections_json.h"

namespace orv {
namespace {

constexpr std::array<const char*, TConnectionsModel::kInputs> kInputNames = {
    "Датчик ручного тормоза",
    "Датчик парк",
    "Датчик открытия дверей",
    "Вход постановки/снятия",
    "Датчик открытия багажника",
    "Датчик педали тормоза",
    "Датчик открытия капота",
    "Датчик включения зажигания",
    "Вход датчика уровня топлива",
    "Габариты/фары",
    "Тревога от внешнего датчика",
    "Предупреждение от внешнего датчика",
    "Датчик открытия передней левой двери",
    "Датчик открытия передней правой двери",
    "Датчик открытия задней левой двери",
    "Датчик открытия задней правой двери",
    "CAN-прошивка: служебный датчик #1",
    "CAN-прошивка: служебный датчик #2",
    "CAN-прошивка: служебный датчик #3",
    "CAN-прошивка: служебный датчик #4",
    "CAN-прошивка: служебный датчик #5",
    "CAN-прошивка: служебный датчик #6",
    "CAN-прошивка: служебный датчик #7",
    "CAN-прошивка: служебный датчик #8",
    "Датчик левого указателя поворота",
    "Датчик правого указателя поворота",
    "Двигатель работает",
    "Внешний модуль запуска",
    "Подогреватель работает",
};

constexpr std::array<const char*, TConnectionsModel::kOutputs> kOutputNames = {
    "Поворотники",
    "Фары",
    "Блокировка НР",
    "Блокировка НЗ",
    "Запирание замков дверей",
    "Отпирание двери водителя",
    "Отпирание остальных дверей",
    "Отпирание замка багажника",
    "Запирание замка капота",
    "Отпирание замка капота",
    "Стеклоподъемники",
    "Поддержка зажигания",
    "Приглушение магнитолы",
    "Блокировка при движении",
    "Сирена",
    "Запирание замка багажника",
    "Программа 1",
    "Программа 2",
    "Программа 3",
    "Программа 4",
    "Программа 5",
    "Программа 6",
    "Программа 7",
    "Программа 8",
    "Клаксон",
    "Имитация открытия двери",
    "Включение подогревателя",
    "Выключение подогревателя",
};

struct WireNames {
  const char* other;
  const char* board12;
};

constexpr std::array<WireNames, TConnectionsModel::kInputWires> kInputWireNames = {{
    {"CN10.1, желтый/черный \"-\"", "CN1.1, желтый/черный \"-\""},
    {"CN10.2, желтый/красный \"-\"", "CN1.3, желтый/красный \"-\""},
    {"CN10.3, белый/синий \"-\"", "CN1.6, белый/синий \"-\""},
    {"CN10.4, белый/черный \"+\"", "CN1.5, белый/черный \"+\""},
    {"CN10.5, белый/зеленый \"+\"", "CN1.7, белый/зеленый \"+\""},
    {"CN10.6, серый/черный \"-\"", "CN1.8, серый/черный \"-\""},
    {"CN10.7, оранжевый \"-\"", "CN1.2, оранжевый \"-\""},
    {"CN10.8, желтый/зеленый \"-\"", "CN1.4, желтый/зеленый \"-\" "},
    {"CN10.4, белый/черный (импульсный) \"+\"", "CN1.5, белый/черный (импульсный)"},
    {"CN10.5, белый/зеленый (импульсный) \"+\"", "CN1.7, белый/зеленый (импульсный)"},
}};

constexpr std::array<WireNames, TConnectionsModel::kOutputWires> kOutputWireNames = {{
    {"CN9.1, зеленый", "CN1.11, зеленый"},
    {"CN9.2, желтый", "CN1.9, желтый"},
    {"CN9.3, белый", "CN1.10, белый"},
    {"CN9.4, серый", "CN1.13, серый"},
    {"CN9.5, желтый/белый", "CN1.12, желтый/белый"},
    {"CN9.6, синий", "CN1.14, синий"},
    {"CN9.7, фиолетовый", "CN2.4, фиолетовый"},
    {"CN9.8, коричневый", "CN2.10, коричневый"},
}};

// Input wires: table order -> unit order for 0..7.
constexpr std::array<uint8_t, 8> kInToUnit = {0, 2, 4, 6, 7, 5, 3, 1};
constexpr std::array<uint8_t, 8> kInFromUnit = {0, 7, 1, 6, 2, 5, 3, 4};

template <size_t N>
std::string Name(const std::array<WireNames, N>& table, int wire, bool connected, bool board12) {
  if (!connected || wire < 0 || static_cast<size_t>(wire) >= N) return conn_text::kNA;
  return board12 ? table[static_cast<size_t>(wire)].board12 : table[static_cast<size_t>(wire)].other;
}

std::string Hex2(const TConnEntry& e) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%.2X %.2X", e.b0, e.b1);
  return buf;
}

}  // namespace

std::string ConnFormat(const char* fmt, const std::string& arg) {
  const int n = std::snprintf(nullptr, 0, fmt, arg.c_str());
  std::string out(static_cast<size_t>(std::max(n, 0)) + 1, '\0');
  std::snprintf(out.data(), out.size(), fmt, arg.c_str());
  out.resize(static_cast<size_t>(std::max(n, 0)));
  return out;
}

std::span<const char* const> TConnectionsModel::InputNames() { return kInputNames; }
std::span<const char* const> TConnectionsModel::OutputNames() { return kOutputNames; }

std::string TConnectionsModel::InputWireName(int wire, const TConnUnit& unit) {
  return Name(kInputWireNames, wire, unit.connected, unit.pcb == 0x12);
}
std::string TConnectionsModel::OutputWireName(int wire, const TConnUnit& unit) {
  return Name(kOutputWireNames, wire, unit.connected, unit.pcb == 0x12);
}
std::string TConnectionsModel::CaptionInputWireName(int wire, const TConnUnit& unit) {
  return Name(kInputWireNames, wire, unit.connected, unit.pcb > 0x11);
}
std::string TConnectionsModel::CaptionOutputWireName(int wire, const TConnUnit& unit) {
  return Name(kOutputWireNames, wire, unit.connected, unit.pcb > 0x11);
}

uint8_t TConnectionsModel::InputWireToUnit(uint8_t page) { return page < 8 ? kInToUnit[page] : page; }
uint8_t TConnectionsModel::InputWireFromUnit(uint8_t stored) { return stored < 8 ? kInFromUnit[stored] : stored; }
uint8_t TConnectionsModel::OutputWireToUnit(uint8_t page) {
  return page < 7 ? static_cast<uint8_t>(6 - page) : page;
}

std::vector<int> TConnectionsModel::InputMenuWires(int input) {
  if (input == kFuelInput) return {3, 4, 8, 9};
  return {0, 1, 2, 3, 4, 5, 6, 7};
}
std::vector<int> TConnectionsModel::OutputMenuWires() { return {0, 1, 2, 3, 4, 5, 6, 7}; }

void TConnectionsModel::LoadData(const TMemItems& items, Prompts& prompts, bool& forceSave) {
  const auto& in = items[kRegionInputs].FData;
  const auto& out = items[kRegionOutputs].FData;
  const auto& thr = items[kRegionThresholds].FData;
  for (int i = 0; i < kInputs; ++i) {
    TConnEntry e{in[2 * static_cast<size_t>(i)], in[2 * static_cast<size_t>(i) + 1]};
    const uint8_t s = e.Source();
    if (s == csMain) e.b1 = InputWireFromUnit(e.b1);
    else if (s == csCan || s == csStart || s == csOther) e.b1 = 0;
    Ins[static_cast<size_t>(i)] = e;
  }
  for (int o = 0; o < kOutputs; ++o) {
    TConnEntry e{out[2 * static_cast<size_t>(o)], out[2 * static_cast<size_t>(o) + 1]};
    if (e.Source() == csMain) e.b1 = OutputWireFromUnit(e.b1);
    Outs[static_cast<size_t>(o)] = e;
  }

  const std::vector<std::string> yesNo = {"Да", "Нет"};
  // Models 3 and 4 take the parking and hand-brake signals from the start module.
  if (unit_.kind > 0x22 && (Ins[0].Zero() || Ins[1].Zero())) {
    if (prompts.WarningDialog(conn_text::kParkQuestion, yesNo) == Prompts::Answer::kYes) {
      for (int i : {0, 1})
        if (Ins[static_cast<size_t>(i)].Zero()) Ins[static_cast<size_t>(i)].b0 = csStart;
      forceSave = true;
    }
  }
  if (Ins[24].Zero() || Ins[25].Zero()) {
    if (prompts.WarningDialog(conn_text::kTurnQuestion, yesNo) == Prompts::Answer::kYes) {
      for (int i : {24, 25})
        if (Ins[static_cast<size_t>(i)].Zero()) Ins[static_cast<size_t>(i)].b0 = csCan;
      forceSave = true;
    }
  }
  // Thresholds are shown as stored, even when a pair is out of order.
  for (size_t k = 0; k < 4; ++k) thr_[k] = thr[k];
}

TConnEntry TConnectionsModel::StoredInput(int i) const {
  TConnEntry e = Ins.at(static_cast<size_t>(i));
  if (e.Source() == csMain) e.b1 = InputWireToUnit(e.b1);
  else if (e.Source() == csCan || e.Source() == csOther) e.b1 = 0;
  return e;
}

TConnEntry TConnectionsModel::StoredOutput(int o) const {
  TConnEntry e = Outs.at(static_cast<size_t>(o));
  if (e.Source() == csMain) e.b1 = OutputWireToUnit(e.b1);
  return e;
}

void TConnectionsModel::StoreData(TMemItems& items) const {
  auto& in = items[kRegionInputs].FData;
  auto& out = items[kRegionOutputs].FData;
  auto& thr = items[kRegionThresholds].FData;
  for (int i = 0; i < kInputs; ++i) {
    const TConnEntry e = StoredInput(i);
    in[2 * static_cast<size_t>(i)] = e.b0;
    in[2 * static_cast<size_t>(i) + 1] = e.b1;
  }
  for (int o = 0; o < kOutputs; ++o) {
    const TConnEntry e = StoredOutput(o);
    out[2 * static_cast<size_t>(o)] = e.b0;
    out[2 * static_cast<size_t>(o) + 1] = e.b1;
  }
  for (size_t k = 0; k < 4; ++k) thr[k] = thr_[k];
}

std::string TConnectionsModel::SourceText(const TConnEntry& e, bool input) const {
  switch (e.Source()) {
    case csNone: return conn_text::kNotAssigned;
    case csCan: return conn_text::kCan;
    case csMain:
      return ConnFormat(conn_text::kMainFmt, input ? InputWireName(e.b1, unit_) : OutputWireName(e.b1, unit_));
    case csStart: return conn_text::kStart;
    case csDoors: return input ? conn_text::kDoors : std::string();
    default: return {};
  }
}

std::string TConnectionsModel::InputSourceText(int i) const { return SourceText(Input(i), true); }
std::string TConnectionsModel::OutputSourceText(int o) const { return SourceText(Output(o), false); }

std::string TConnectionsModel::InputGridText(int i) const {
  std::string t = InputSourceText(i);
  return t.empty() ? Hex2(StoredInput(i)) : t;
}
std::string TConnectionsModel::OutputGridText(int o) const {
  std::string t = OutputSourceText(o);
  return t.empty() ? Hex2(StoredOutput(o)) : t;
}

bool TConnectionsModel::UnassignEntry(TConnEntry& e) {
  if (e.Fixed()) return false;
  e.b0 &= 0xC0;
  e.b1 = 0;
  return true;
}

TConnEdit TConnectionsModel::UnassignInput(int i) {
  if (!UnassignEntry(Ins.at(static_cast<size_t>(i))))
    return TConnEdit::Refused(ConnFormat(conn_text::kFixedInput, kInputNames[static_cast<size_t>(i)]));
  return {};
}

TConnEdit TConnectionsModel::UnassignOutput(int o) {
  if (!UnassignEntry(Outs.at(static_cast<size_t>(o))))
    return TConnEdit::Refused(ConnFormat(conn_text::kFixedOutput, kOutputNames[static_cast<size_t>(o)]));
  return {};
}

TConnEdit TConnectionsModel::AssignInput(int i, uint8_t source, int wire) {
  TConnEntry& target = Ins.at(static_cast<size_t>(i));
  if (source == csMain) {
    // A wire feeds one input at a time: free it first.
    for (size_t j = 0; j < Ins.size(); ++j) {
      if (Ins[j].Source() != csMain || Ins[j].b1 != wire) continue;
      if (!UnassignEntry(Ins[j])) return TConnEdit::Refused(ConnFormat(conn_text::kFixedInputTouched, kInputNames[j]));
    }
  }
  if (!UnassignEntry(target))
    return TConnEdit::Refused(ConnFormat(conn_text::kFixedInput, kInputNames[static_cast<size_t>(i)]));
  target.b0 = static_cast<uint8_t>((target.b0 & 0xF0) | (source & 0x0F));
  target.b1 = source == csMain ? static_cast<uint8_t>(wire) : 0;
  return {};
}

TConnEdit TConnectionsModel::AssignOutput(int o, uint8_t source, int wire) {
  TConnEntry& target = Outs.at(static_cast<size_t>(o));
  if (source == csMain) {
    for (size_t j = 0; j < Outs.size(); ++j) {
      if (Outs[j].Source() != csMain || Outs[j].b1 != wire) continue;
      if (!UnassignEntry(Outs[j]))
        return TConnEdit::Refused(ConnFormat(conn_text::kFixedOutputTouched, kOutputNames[j]));
    }
  }
  if (!UnassignEntry(target))
    return TConnEdit::Refused(ConnFormat(conn_text::kFixedOutput, kOutputNames[static_cast<size_t>(o)]));
  target.b0 = static_cast<uint8_t>((target.b0 & 0xF0) | (source & 0x0F));
  target.b1 = source == csMain ? static_cast<uint8_t>(wire) : 0;
  return {};
}

TConnEdit TConnectionsModel::ChooseInput(int i, uint8_t source, int wire) {
  const std::string name = kInputNames.at(static_cast<size_t>(i));
  switch (source) {
    case csNone: return UnassignInput(i);
    case csCan:
    case csDoors: return AssignInput(i, source);
    case csStart:
      if (!StartOffered(i)) return TConnEdit::Refused(ConnFormat(conn_text::kStartNotOffered, name));
      return AssignInput(i, source);
    case csMain: {
      const auto wires = InputMenuWires(i);
      if (std::find(wires.begin(), wires.end(), wire) == wires.end()) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%d", wire);
        std::string text = conn_text::kWireNotOffered;
        text.replace(text.find("%d"), 2, buf);
        return TConnEdit::Refused(ConnFormat(text.c_str(), name));
      }
      return AssignInput(i, source, wire);
    }
    default: return TConnEdit::Refused(ConnFormat(conn_text::kFixedInput, name));
  }
}

TConnEdit TConnectionsModel::ChooseOutput(int o, uint8_t source, int wire) {
  const std::string name = kOutputNames.at(static_cast<size_t>(o));
  switch (source) {
    case csNone: return UnassignOutput(o);
    case csCan: return AssignOutput(o, source);
    case csMain:
      if (wire < 0 || wire >= kOutputWires) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%d", wire);
        std::string text = conn_text::kWireNotOffered;
        text.replace(text.find("%d"), 2, buf);
        return TConnEdit::Refused(ConnFormat(text.c_str(), name));
      }
      return AssignOutput(o, source, wire);
    case csStart: return TConnEdit::Refused(ConnFormat(conn_text::kStartNotOffered, name));
    default: return TConnEdit::Refused(conn_text::kDoorsNotOffered);
  }
}

TConnEdit TConnectionsModel::ToggleInvert(int i) {
  TConnEntry& e = Ins.at(static_cast<size_t>(i));
  if (e.Fixed()) return TConnEdit::Refused(ConnFormat(conn_text::kFixedInput, kInputNames[static_cast<size_t>(i)]));
  e.b0 ^= 0x40;
  return {};
}

bool TConnectionsModel::OutIsAssigned(int o) const { return Outs.at(static_cast<size_t>(o)).b0 != 0; }

bool TConnectionsModel::HorOutIsFree() const {
  return std::none_of(Outs.begin(), Outs.end(),
                      [](const TConnEntry& e) { return e.Source() == csMain && e.b1 == kHornWire; });
}

void TConnectionsModel::SetHornDef() { Outs[kHornOutput] = {csMain, kHornWire}; }

void TConnectionsModel::SetOffThreshold(int a, int pos) {
  const size_t off = 2 * static_cast<size_t>(a), on = off + 1;
  thr_.at(off) = static_cast<uint8_t>(std::clamp(pos, 0, 255));
  if (thr_[off] > thr_[on]) thr_[on] = static_cast<uint8_t>(std::min(thr_[off] + 1, 255));
}

void TConnectionsModel::SetOnThreshold(int a, int pos) {
  const size_t off = 2 * static_cast<size_t>(a), on = off + 1;
  thr_.at(on) = static_cast<uint8_t>(std::clamp(pos, 0, 255));
  if (thr_[on] < thr_[off]) thr_[off] = static_cast<uint8_t>(std::max(thr_[on] - 1, 0));
}

std::string TConnectionsModel::ThresholdText(int pos) {
  char buf[32];
  std::snprintf(buf, sizeof buf, conn_text::kThresholdEditFmt, pos / 10.0);
  return buf;
}

std::optional<int> TConnectionsModel::ThresholdFromText(const std::string& text) {
  std::string t;
  for (char c : text) {
    if (c == ',') c = '.';
    if ((c >= '0' && c <= '9') || c == '.') t += c;
  }
  if (t.empty()) return std::nullopt;
  double volts = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), volts, std::chars_format::fixed);
  if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(volts)) return std::nullopt;
  // Halves go to even, as the platform's rounding does.
  const double tenths = std::nearbyint(volts * 10);
  return static_cast<int>(std::clamp(tenths, 0.0, 255.0));
}

std::string TConnectionsModel::ThresholdCaption(int a) const {
  return ConnFormat(conn_text::kThresholdCaptionFmt, CaptionInputWireName(a == 0 ? 3 : 4, unit_));
}

std::string TConnectionsModel::ToJSON() const {
  std::string j = "{\"conn_ins\":[";
  for (int i = 0; i < kInputs; ++i) {
    if (i) j += ',';
    j += "{" + JsonQuoted("conn_i" + std::to_string(i)) + ":" + JsonQuoted(WithoutQuotes(InputSourceText(i))) +
         ",\"inv\":" + (Input(i).Inverted() ? "true" : "false") + "}";
  }
  j += "],\"conn_outs\":[";
  for (int o = 0; o < kOutputs; ++o) {
    if (o) j += ',';
    j += "{" + JsonQuoted("conn_o" + std::to_string(o)) + ":" + JsonQuoted(WithoutQuotes(OutputSourceText(o))) + "}";
  }
  j += "],\"conn_threshold\":{";
  const char* names[4] = {"conn_a1off", "conn_a1on", "conn_a2off", "conn_a2on"};
  for (int k = 0; k < 4; ++k) {
    const int a = k / 2;
    const bool on = k % 2 == 1;
    const std::string label =
        WithoutQuotes(ConnFormat(on ? conn_text::kOnLabelFmt : conn_text::kOffLabelFmt, ThresholdCaption(a)));
    const std::string value = WithoutQuotes(ThresholdText(on ? OnThreshold(a) : OffThreshold(a)));
    if (k) j += ',';
    j += JsonQuoted(names[k]) + ":{" + JsonQuoted(label) + ":" + JsonQuoted(value) + ",\"key\":" + JsonQuoted(label) +
         ",\"value\":" + JsonQuoted(value) + "}";
  }
  return j + "}}";
}

}  // namespace orv
