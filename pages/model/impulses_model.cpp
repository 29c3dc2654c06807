#include "pages/model/impulses_model.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "pages/model/connections_json.h"
#include "pages/model/connections_model.h"

namespace orv {
namespace {

constexpr uint16_t kOnBit = 0x8000;
constexpr uint16_t kCyclicBit = 0x80;

// A pulse of the tables: positive = on for that many ms, negative = off; on
// and off "until cancelled" are written kOn0 and kOff0.
constexpr int kOn0 = 1 << 20;
constexpr int kOff0 = -(1 << 20);

TImpSeq Make(const char* caption, bool cyclic, std::initializer_list<int> pulses) {
  TImpSeq s;
  s.Caption = caption;
  int n = 0;
  for (int p : pulses) {
    uint16_t w = 0;
    if (p == kOn0) w = kOnBit;
    else if (p == kOff0) w = 0;
    else if (p > 0) w = static_cast<uint16_t>(kOnBit | p);
    else w = static_cast<uint16_t>(-p);
    s.Data[static_cast<size_t>(n++)] = w;
  }
  s.Header = static_cast<uint16_t>(n | (cyclic ? kCyclicBit : 0));
  return s;
}

const std::initializer_list<int> kGuard = {300, -100, 300, -100, 100, -100, 100, -100, 300, -100, 300, -300};
const char* const kSirenGuard = "Сирена: В режиме \"Защита от Захвата\"";
const char* const kHornGuard = "Клаксон: В режиме \"Защита от Захвата\"";

std::array<TImpSeq, TImpulsesModel::kPatterns> MakeBuiltIn() {
  std::array<TImpSeq, TImpulsesModel::kPatterns> t;
  t[0] = Make("Свет: постановка", false, {800});
  t[1] = Make("Свет: снятие", false, {});
  t[2] = Make("Свет: снятие после тревоги", false, {800, -500, 800});
  t[3] = Make("Свет: сервисный режим", false, {800, -500, 800, -300, 800, -300, 800, -300, 800});
  t[4] = Make("Свет: неисправность", false, {1000});
  t[5] = Make("Свет: тревога", true, {500, -500});
  t[6] = Make("Блокировка №1 НО: включение", false, {kOn0});
  t[7] = Make("Блокировка №1 НО: выключение", false, {kOff0});
  t[8] = Make("Блокировка №2 НЗ: включение", false, {-500, kOn0});
  t[9] = Make("Блокировка №2 НЗ: выключение", false, {500, kOff0});
  t[10] = Make("Двери: запирание", false, {500});
  t[11] = Make("Двери: запирание полное", false, {1500});
  t[12] = Make("Двери: отпирание двери водителя", false, {500});
  t[13] = Make("Двери: отпирание всех дверей", false, {500});
  t[14] = Make("Багажник: отпирание", false, {500});
  t[15] = Make("Капот: запирание", false, {800});
  t[16] = Make("Капот: отпирание", false, {800});
  t[17] = Make("Капот: отпирание в сервисном режиме", false, {-3000, 800});
  t[18] = Make("Стекла: поднятие", false, {20000, 20000});
  t[19] = Make("Сирена: постановка на охрану", false, {100});
  t[20] = Make("Сирена: снятие с охраны", false, {50, -100, 50});
  t[21] = Make("Сирена: обнаружение неисправности", false, {50, -200, 50, -200, 50});
  t[22] = Make("Сирена: сигнал тревоги", false, {kOn0});
  t[23] = Make("Сирена: сигнал предупреждения", false, {50});
  for (int i = 0; i < 8; ++i) {
    const std::string c = "Программа: №" + std::to_string(i + 1);
    t[static_cast<size_t>(24 + i)] = Make(c.c_str(), false, {});
  }
  t[32] = Make(kSirenGuard, true, kGuard);
  t[33] = Make("Свет: Нет регистрации в ЛК", false,
               {500, -500, 500, -500, 500, -500, 500, -500, 500, -500, 500, -500, 500, kOff0});
  t[34] = Make("Багажник: запирание", false, {500});
  t[35] = Make("Клаксон: постановка на охрану", false, {20});
  t[36] = Make("Клаксон: снятие с охраны", false, {20, -100, 20});
  t[37] = Make("Клаксон: обнаружение неисправности", false, {20, -200, 20, -200, 20});
  t[38] = Make("Клаксон: сигнал тревоги", false, {kOn0});
  t[39] = Make("Клаксон: сигнал предупреждения", false, {20, -100, 20, -100, 20});
  t[40] = Make(kHornGuard, true, kGuard);
  t[41] = Make("Сигнал имитации открытия двери (трев. по дв. блокир. до конца циклограммы) ", false, {-100, 500});
  t[42] = Make("Свет: во время автозапуска", true, {500, -4500});
  t[43] = Make("Включение предпускового подогревателя", false, {500});
  t[44] = Make("Выключение предпускового подогревателя", false, {-500, 500});
  for (int i = 45; i < 48; ++i) {
    const std::string c = "Резерв [" + std::to_string(i) + "]";
    t[static_cast<size_t>(i)] = Make(c.c_str(), false, {});
  }
  return t;
}

std::array<TImpSeq, TImpulsesModel::kPatterns> MakeStandard() {
  auto t = MakeBuiltIn();
  t[35] = Make("Клаксон: постановка на охрану", false, {30});
  t[36] = Make("Клаксон: снятие с охраны", false, {30, -100, 30});
  t[37] = Make("Клаксон: обнаружение неисправности", false, {30, -200, 30, -200, 30});
  t[38] = Make("Клаксон: сигнал тревоги", true, {50, -500});
  t[39] = Make("Клаксон: сигнал предупреждения", false, {30});
  t[40] = Make(kHornGuard, true, {50, -100, 50, -100, 20, -100, 20, -100, 50, -100, 50, -300});
  t[41] = Make("Сигнал имитации открытия двери", false, {500, -1000});
  return t;
}

std::string Printf1(const char* fmt, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

}  // namespace

const std::array<TImpSeq, TImpulsesModel::kPatterns>& TImpulsesModel::BuiltIn() {
  static const auto t = MakeBuiltIn();
  return t;
}
const std::array<TImpSeq, TImpulsesModel::kPatterns>& TImpulsesModel::Standard() {
  static const auto t = MakeStandard();
  return t;
}

TImpulsesModel::TImpulsesModel() : seqs_(BuiltIn()) {}

void TImpulsesModel::LoadData(const TMemItems& items, Prompts& prompts, bool& forceSave, TConnectionsModel* conn) {
  const auto& d = items[kRegionImpulses].FData;
  auto word = [&](size_t k, size_t w) {
    const size_t at = k * kRecordSize + 2 * w;
    return static_cast<uint16_t>((d[at] << 8) | d[at + 1]);
  };
  for (size_t k = 0; k < kPatterns; ++k) {
    TImpSeq& s = seqs_[k];
    s.Header = word(k, 0);
    // The words after the count stay as the working table had them.
    for (int p = 0; p < s.Count(); ++p) s.Data[static_cast<size_t>(p)] = word(k, static_cast<size_t>(p) + 1);
  }
  zeroed_.fill(0);

  if (MissingCount() > 0 &&
      prompts.WarningDialog(imp_text::kMissingQuestion, {"Да", "Нет"}) == Prompts::Answer::kYes) {
    forceSave = true;
    if (conn && !conn->OutIsAssigned(TConnectionsModel::kHornOutput) && conn->HorOutIsFree()) conn->SetHornDef();
    for (size_t k = 0; k < kPatterns; ++k)
      if (seqs_[k].Count() == 0 && Standard()[k].Count() != 0) seqs_[k] = Standard()[k];
  }
  CANFWChanged = false;
}

int TImpulsesModel::MissingCount() const {
  int n = 0;
  for (size_t k = 0; k < kPatterns; ++k) n += seqs_[k].Count() == 0 && Standard()[k].Count() != 0;
  return n;
}

void TImpulsesModel::StoreData(TMemItems& items) const {
  auto& d = items[kRegionImpulses].FData;
  auto put = [&](size_t k, size_t w, uint16_t v) {
    const size_t at = k * kRecordSize + 2 * w;
    d[at] = static_cast<uint8_t>(v >> 8);
    d[at + 1] = static_cast<uint8_t>(v);
  };
  for (size_t k = 0; k < kPatterns; ++k) {
    const TImpSeq& s = seqs_[k];
    put(k, 0, s.Header);
    for (int p = 0; p < kMaxPulses; ++p) {
      if (p < s.Count()) put(k, static_cast<size_t>(p) + 1, s.Data[static_cast<size_t>(p)]);
      else if (zeroed_[k] & (1u << p)) put(k, static_cast<size_t>(p) + 1, 0);
    }
  }
}

void TImpulsesModel::ToggleCyclic(int k) {
  TImpSeq& s = seqs_.at(static_cast<size_t>(k));
  s.Header ^= kCyclicBit;
  if (!s.Cyclic()) s.Header &= 0x00FF;
}

bool TImpulsesModel::AddPulse(int k, int p) {
  if (!CanAdd(k, p)) return false;
  TImpSeq& s = seqs_[static_cast<size_t>(k)];
  s.Header = static_cast<uint16_t>((s.Header & 0xF0) | (s.Count() + 1));
  s.Data[static_cast<size_t>(p)] = 0;
  zeroed_[static_cast<size_t>(k)] &= static_cast<uint16_t>(~(1u << p));
  return true;
}

bool TImpulsesModel::DeletePulse(int k, int p) {
  if (!CanDelete(k, p)) return false;
  TImpSeq& s = seqs_[static_cast<size_t>(k)];
  s.Header = static_cast<uint16_t>((s.Header & 0xF0) | (s.Count() - 1));
  s.Data[static_cast<size_t>(p)] = 0;
  zeroed_[static_cast<size_t>(k)] |= static_cast<uint16_t>(1u << p);
  return true;
}

void TImpulsesModel::SetPulse(int k, int p, uint16_t word) {
  seqs_.at(static_cast<size_t>(k)).Data.at(static_cast<size_t>(p)) = word;
}

std::optional<uint16_t> TImpulsesModel::EditorWord(bool on, bool permanent, std::string& text) {
  uint16_t ms = 0;
  if (!permanent) {
    std::string t = text;
    for (char& c : t)
      if (c == ',') c = '.';
    double sec = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), sec, std::chars_format::fixed);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size() || !std::isfinite(sec) || sec < 0)
      return std::nullopt;
    if (sec > kMaxSeconds) {
      sec = kMaxSeconds;
      text = "30";
    }
    ms = static_cast<uint16_t>(std::nearbyint(sec * 1000));
  }
  return static_cast<uint16_t>(ms | (on ? kOnBit : 0));
}

std::string TImpulsesModel::DurationText(uint16_t ms) {
  const double sec = (ms & 0x7FFF) / 1000.0;
  const unsigned d = ms & 0x7FFFu;
  if (d < 1000) return Printf1("%4.2f", sec);
  if (d > 9999) return Printf1("%2.0f", sec);
  return Printf1("%3.1f", sec);
}

std::string TImpulsesModel::SeqToString(int k) const {
  const TImpSeq& s = Seq(k);
  if (s.Count() == 0) return {};
  std::string out = "| ";
  for (int p = 0; p < s.Count(); ++p) {
    const uint16_t w = s.Data[static_cast<size_t>(p)];
    const bool on = (w & kOnBit) != 0;
    if ((w & 0x7FFF) == 0) out += on ? "ВКЛ | " : "выкл | ";
    else out += (on ? "импульс " : "пауза ") + DurationText(w) + " c | ";
  }
  return out;
}

std::string TImpulsesModel::PulseHint(int k, int p) const {
  const TImpSeq& s = Seq(k);
  if (p < 0 || p >= s.Count()) return {};
  const uint16_t w = s.Data[static_cast<size_t>(p)];
  const int d = w & 0x7FFF;
  const bool on = (w & kOnBit) != 0;
  char buf[160];
  const char* fmt = on ? (d ? imp_text::kHintOnFor : imp_text::kHintOnUntil)
                       : (d ? imp_text::kHintOffFor : imp_text::kHintOffUntil);
  std::snprintf(buf, sizeof buf, fmt, s.Count(), p + 1, d);
  return buf;
}

std::string TImpulsesModel::ToJSON() const {
  std::string j = "[";
  for (int k = 0; k < kPatterns; ++k) {
    const TImpSeq& s = Seq(k);
    if (k) j += ',';
    j += "{\"seq" + std::to_string(k) + "\":{\"len\":" + std::to_string(s.Count()) +
         ",\"cycle\":" + (s.Cyclic() ? "true" : "false");
    if (s.Count() > 0) {
      std::string items, onoff;
      for (int p = 0; p < s.Count(); ++p) {
        const uint16_t w = s.Data[static_cast<size_t>(p)];
        if (p) items += ',', onoff += ',';
        items += std::to_string(w & 0x7FFF);
        onoff += (w & kOnBit) ? "true" : "false";
      }
      j += ",\"items\":[" + items + "],\"onoff\":[" + onoff + "]";
    }
    j += "}}";
  }
  return j + "]";
}

}  // namespace orv
