#include "pages/model/options_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "device/text_codec.h"
#include "settings/json_writer.h"
#include "settings/option_flags.h"

namespace orv {

namespace {

#define FIELD(f)                                                  \
  [](const TConfigData& c) { return static_cast<int>(c.f); },     \
  [](TConfigData& c, int v) { c.f = static_cast<decltype(c.f)>(v); }

using R = BindRule;
using L = LabelRule;

std::string Fmt(const char* fmt, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, v + 0.0);  // + 0.0: no "-0.0"
  return buf;
}

std::string Fmt(const char* fmt, int v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

// A decimal number with "." as separator and nothing else around it.
std::optional<double> ParseDecimal(const std::string& s) {
  size_t i = 0, digits = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0 || i != s.size()) return std::nullopt;
  return std::strtod(s.c_str(), nullptr);
}

// Hints that OnShow sets.
const std::map<std::string, std::string>& ShowHints() {
  static const std::map<std::string, std::string> hints = {
      {"tbRStartTime", "Время, в течение которого двигатель будет работать при автозапуске"},
      {"tbPitTime", "Время, в течение которого двигатель будет работать в режиме пит-стоп"},
      {"bit37", "Задержка выключения двигателя после поездки для охлаждения турбины"},
      {"bit45", "Разрешить дополнительные голосовые подсказки (используется динамик системы)"},
      {"bit48", "Во время работы двигателя при автозапуске периодически будет включаться световая индикация"},
      {"bit46",
       "Опция может использоваться для автомобилей с кнопкой Старт/Стоп\r\nдля передачи управления владельцу. "
       "Если опция выключена, передача управления\r\nпроисходит при нажатии педали тормоза или выключении "
       "стояночного тормоза."},
      {"bit50",
       "Если опция выключена, датчик удара отключается на время работы автозапуска.\r\nЕсли опция включена, то "
       "зона предупреждения отключается на все время автозапуска,\r\nа зона тревоги - на время работы стартера"},
      {"bit38",
       "Поддержка зажигания включится при включении стояночного тормоза (\"ручника\"),\r\nили при отпускании "
       "педали тормоза, если она была нажата в это время.\r\nДля машин с АККП также требуется, чтобы селектор "
       "АКПП находился в положении \"парк\""},
      {"bit49",
       "Если автомобиль с МКПП, поддержка зажигания включится, если открыть дверь при включенном стояночном "
       "тормозе.\r\nЕсли автомобиль с АКПП, поддержка зажигания включится, если открыть дверь в то время, когда "
       "селектор АКПП находится в положении \"парк\""},
  };
  return hints;
}

constexpr int kFirstExpertCategory = 6;

struct RadioRow {
  const char* name;
  const char* caption;
  const char* group;
  int category;
  int value;
  const char* heading;
};

const RadioRow kRadios[] = {
    {"rbBtn2Cmd0", "Нет действия", "Btn2Cmd", 2, 0, "Действие при удержании кнопки \"#\" брелка"},
    {"rbBtn2Cmd1", "Управление центральным замком", "Btn2Cmd", 2, 1, ""},
    {"rbBtn2Cmd2", "Отпирание багажника", "Btn2Cmd", 2, 2, ""},
    {"rbBtn2Cmd3", "Управление автозапуском", "Btn2Cmd", 2, 3, ""},
    {"rbSVN0", "3", "SVN", 10, 3, "Минимальное число спутников"},
    {"rbSVN1", "5", "SVN", 10, 5, ""},
    {"rbSVN2", "7", "SVN", 10, 7, ""},
    {"rbRoute0", "Подробно", "Route", 10, 0, "Детализация маршрута"},
    {"rbRoute1", "Норма", "Route", 10, 1, ""},
    {"rbRoute2", "Черновик", "Route", 10, 2, ""},
};

// Design-time radio choices.
int DesignRadio(const std::string& group) { return group == "SVN" ? 5 : group == "Route" ? 1 : 0; }

}  // namespace

const std::array<OptionBinding, 22> kOptionBindings = {{
    {"tbAnswerTimeout", "Ожидание ответа абонента", 7, 30, 120, R::kDirect, L::kSeconds, 120, false, FIELD(gsmWaitAnswerTimeout)},
    {"tbCallTimeout", "Завершение звонка при отсутствии активности", 7, 20, 120, R::kDirect, L::kSeconds, 30, false, FIELD(gsmHangUpTimeout)},
    {"tbTripEndTimeout", "Окончание поездки", 10, 1, 15, R::kMinutes, L::kMinutes, 5, false, FIELD(InRoadTimeout)},
    {"tbAutoArmTime", "Задержка автопостановки", 3, 0, 10, R::kDirect, L::kSeconds, 0, false, FIELD(SelfArmTime)},
    {"tbSelfArmRemindTime", "Напоминание о невозможности автопостановки", 3, 0, 15, R::kMinutes, L::kRemind, 0, false, FIELD(SelfArmRemindTime)},
    {"tbAlarmTime", "Длительность цикла тревоги", 4, 5, 30, R::kDirect, L::kSeconds, 20, false, FIELD(alarmTime)},
    {"tbAlarmPower", "Тревога при напряжении ниже", 4, 70, 255, R::kDirect, L::kVolts, 115, false, FIELD(AlarmPowerLevel)},
    {"tbShockNotify", "Датчик удара, зона предупреждения", 1, 0, 10, R::kInverted, L::kSensitivity, 5, false, FIELD(shockNSensivity)},
    {"tbShockAlarm", "Датчик удара, зона тревоги", 1, 0, 10, R::kInverted, L::kSensitivity, 5, false, FIELD(shockASensivity)},
    {"tbMotion", "Датчик движения и наклона", 1, 0, 10, R::kInverted, L::kSensitivity, 5, false, FIELD(motionSensivity)},
    {"tbShockOffTime", "Успокоение датчика удара", 1, 0, 250, R::kDirect, L::kSeconds, 40, false, FIELD(ShockDisableTime)},
    {"tbMic", "Чувствительность микрофона", 6, 0, 6, R::kLevel, L::kLevel, 3, false, FIELD(Mic)},
    {"tbSpeaker", "Громкость динамика", 6, 0, 6, R::kLevel, L::kLevel, 3, false, FIELD(FromGSM)},
    {"tbSpeakerOut", "Усиление сигнала GSM-модема", 6, 0, 31, R::kDirect, L::kGain15, 0, true, FIELD(Speaker)},
    {"tbAutoinfIn", "Усиление голосовых сообщений", 6, 0, 63, R::kDirect, L::kDac, 0, true, FIELD(DAC)},
    {"tbPhoneOut", "Усиление выхода на GSM-модем", 6, 0, 31, R::kDirect, L::kGain15, 0, true, FIELD(ToGSM)},
    {"tbDiagDataTimer", "Период запроса данных диагностики", 9, 10, 120, R::kDirect, L::kSeconds, 30, false, FIELD(diagTime)},
    {"tbRStartTime", "Работа двигателя при автозапуске", 11, 10, 45, R::kDirect, L::kMinutes, 25, false, FIELD(timeRStart)},
    {"tbPitTime", "Работа двигателя в режиме пит-стоп", 11, 10, 46, R::kPit, L::kPit, 25, false, FIELD(timePit)},
    {"tbTempEngine", "Температура двигателя ниже", 11, -30, 0, R::kDirect, L::kDegrees, -15, false, FIELD(TempEngine)},
    {"tbTempCabinLow", "Температура салона ниже", 11, -20, 20, R::kDirect, L::kDegrees, 0, false, FIELD(TempCabinLow)},
    {"tbTempCabinHigh", "Температура салона выше", 11, 30, 65, R::kDirect, L::kDegrees, 50, false, FIELD(TempCabinHigh)},
}};

#undef FIELD

std::string SliderLabel(LabelRule rule, int p) {
  switch (rule) {
    case L::kSeconds: return Fmt("%d c", p);
    case L::kMinutes: return Fmt("%d мин", p);
    case L::kRemind: return p <= 0 ? "выкл" : Fmt("%d мин", p);
    case L::kVolts: return Fmt("%4.1f В", p / 10.0);
    case L::kSensitivity: return p <= 4 ? Fmt("+%d", 5 - p) : p == 5 ? "норма" : Fmt("%d", 5 - p);
    case L::kLevel: return p <= 2 ? Fmt("+%d", 3 - p) : p == 3 ? "норма" : Fmt("%d", 3 - p);
    case L::kGain15: return Fmt("%5.1f dB", -1.5 * p);
    case L::kDac: return Fmt("%6.2f dB", 12 - 0.75 * p);
    case L::kPit: return p > 45 ? "без ограничения" : Fmt("%d мин", p);
    case L::kDegrees: return Fmt("%d °С", p);
  }
  return {};
}

int LoadPosition(const OptionBinding& b, int value) {
  int p = value;
  switch (b.rule) {
    case R::kDirect: break;
    case R::kMinutes: p = value / 60; break;
    case R::kInverted: p = 10 - value; break;
    case R::kLevel: p = LevelCodeToPosition(static_cast<uint8_t>(std::clamp(value, 0, 255))); break;
    case R::kPit: p = value == 0 ? 46 : value; break;
  }
  return std::clamp(p, b.min, b.max);
}

int StoreValue(const OptionBinding& b, int p) {
  switch (b.rule) {
    case R::kDirect: return p;
    case R::kMinutes: return p * 60;
    case R::kInverted: return 10 - p;
    case R::kLevel: return PositionToLevelCode(p);
    case R::kPit: return p == 46 ? 0 : p;
  }
  return p;
}

TOptionsModel::TOptionsModel(TPageEnv& env) : TPageModel(env) {
  for (int cat = 0; cat < static_cast<int>(kOptionCategories.size()); ++cat) {
    for (const OptionFlag& f : kOptionFlags) {
      if (static_cast<int>(f.group) != cat) continue;
      TControl row = MakeControl("bit" + std::to_string(f.flag), ControlKind::kCheck, std::string(f.caption), cat);
      Add(row, {RowKind::kFlag, f.flag});
    }
    for (const RadioRow& r : kRadios) {
      if (r.category != cat) continue;
      TControl row = MakeControl(r.name, ControlKind::kRadio, r.caption, cat);
      row.group = r.group;
      row.heading = r.heading;
      Add(row, {RowKind::kRadio, r.value});
      value_.back() = r.value == DesignRadio(r.group) ? 1 : 0;
    }
    for (size_t b = 0; b < kOptionBindings.size(); ++b) {
      const OptionBinding& ob = kOptionBindings[b];
      if (ob.category != cat) continue;
      TControl row = MakeControl(ob.control, ControlKind::kSlider, ob.caption, cat, ob.min, ob.max);
      Add(row, {RowKind::kSlider, static_cast<int>(b)});
      value_.back() = ob.design;
    }
    if (cat == 5) Add(MakeControl("eUSSD", ControlKind::kEdit, "USSD-запрос баланса", cat, 0, 15), {RowKind::kUssd, 0});
    if (cat == 11) {
      Add(MakeControl("eEngineVoltage", ControlKind::kEdit, "Напряжение аккумулятора, В", cat, 0, 5), {RowKind::kVoltage, 0});
      text_.back() = options_text::kDefaultVoltage;
    }
  }
}

void TOptionsModel::Add(TControl row, RowInfo info) {
  controls_.push_back(std::move(row));
  info_.push_back(info);
  value_.push_back(0);
  text_.emplace_back();
}

std::vector<std::string> TOptionsModel::SubPages() const {
  return {kOptionCategories.begin(), kOptionCategories.end()};
}

bool TOptionsModel::SubPageEnabled(int index) const {
  return index >= 0 && index < static_cast<int>(kOptionCategories.size()) &&
         (index < kFirstExpertCategory || expert_);
}

std::string TOptionsModel::SelectSubPage(int index) {
  if (index < 0 || index >= static_cast<int>(kOptionCategories.size())) return {};
  if (!SubPageEnabled(index)) {
    subPage_ = 0;
    Changed();
    return page_text::kExpertOnly;
  }
  subPage_ = index;
  Changed();
  return {};
}

void TOptionsModel::SetExpertMode(bool value) {
  expert_ = value;
  Changed();
}

void TOptionsModel::OnShow() {
  hintsSet_ = true;
  Changed();
}

int TOptionsModel::RadioValue(const std::string& group) const {
  for (size_t i = 0; i < controls_.size(); ++i)
    if (info_[i].kind == RowKind::kRadio && controls_[i].group == group && value_[i]) return info_[i].ref;
  return DesignRadio(group);
}

void TOptionsModel::SetRadio(const std::string& group, int value) {
  for (size_t i = 0; i < controls_.size(); ++i)
    if (info_[i].kind == RowKind::kRadio && controls_[i].group == group) value_[i] = info_[i].ref == value ? 1 : 0;
}

void TOptionsModel::LoadData(TMemItems& items) {
  CFG = UpdateConfig(items[kRegionConfig].Bytes());
  loaded_ = true;
  for (size_t i = 0; i < controls_.size(); ++i) {
    switch (info_[i].kind) {
      case RowKind::kFlag: value_[i] = CFG.Flag(info_[i].ref) ? 1 : 0; break;
      case RowKind::kSlider: {
        const OptionBinding& b = kOptionBindings[static_cast<size_t>(info_[i].ref)];
        value_[i] = LoadPosition(b, b.get(CFG));
        break;
      }
      case RowKind::kUssd: text_[i] = BytesToText(CFG.USSD.data(), CFG.USSD.size()); break;
      case RowKind::kVoltage: text_[i] = Fmt("%4.1f", CFG.BatteryCharge / 10.0); break;
      case RowKind::kRadio: break;
    }
  }
  SetRadio("SVN", CFG.gpsNavType >= 7 ? 7 : CFG.gpsNavType < 5 ? 3 : 5);
  SetRadio("Route", std::min<int>(CFG.gpsResolution, 2));
  SetRadio("Btn2Cmd", std::min<int>(CFG.Button2Cmd, 3));
  Changed();
}

std::optional<double> TOptionsModel::Voltage() const {
  return ParseDecimal(Text("eEngineVoltage"));
}

void TOptionsModel::StoreData(TMemItems& items) {
  TConfigData c = CFG;
  for (size_t i = 0; i < controls_.size(); ++i) {
    switch (info_[i].kind) {
      case RowKind::kFlag: c.SetFlag(info_[i].ref, value_[i] != 0); break;
      case RowKind::kSlider: {
        const OptionBinding& b = kOptionBindings[static_cast<size_t>(info_[i].ref)];
        b.set(c, StoreValue(b, value_[i]));
        break;
      }
      case RowKind::kUssd: {
        // The first 15 characters, zero-padded; byte 15 keeps its value.
        std::array<uint8_t, 15> bytes{};
        PutUnitText(text_[i], bytes.data(), bytes.size());
        std::copy(bytes.begin(), bytes.end(), c.USSD.begin());
        break;
      }
      case RowKind::kVoltage: {
        const std::optional<double> v = Voltage();
        c.BatteryCharge = v && *v >= 0 && *v <= 25.5 ? static_cast<uint8_t>(std::lround(*v * 10))
                                                     : options_text::kVoltageNotANumber;
        break;
      }
      case RowKind::kRadio: break;
    }
  }
  c.gpsNavType = static_cast<uint8_t>(RadioValue("SVN"));
  c.gpsResolution = static_cast<uint8_t>(RadioValue("Route"));
  c.Button2Cmd = static_cast<uint8_t>(RadioValue("Btn2Cmd"));
  c.Singature = TConfigData::kSignature;
  UpdateDevMem(c, items[kRegionConfig].Bytes());
}

bool TOptionsModel::AutoStartControl(size_t index) const {
  static const char* const names[] = {"bit41", "bit42", "bit43", "bit44", "tbTempEngine",
                                      "tbTempCabinLow", "tbTempCabinHigh", "eEngineVoltage"};
  for (const char* n : names)
    if (controls_[index].name == n) return true;
  return false;
}

bool TOptionsModel::ArmingControl(size_t index) const {
  for (const char* n : {"bit17", "bit18", "bit1", "bit14", "bit19"})
    if (controls_[index].name == n) return true;
  return false;
}

TControlState TOptionsModel::State(size_t index) const {
  TControlState st;
  if (index >= controls_.size()) return st;
  const TControl& row = controls_[index];
  st.value = value_[index];
  st.text = text_[index];
  if (info_[index].kind == RowKind::kSlider) {
    const OptionBinding& b = kOptionBindings[static_cast<size_t>(info_[index].ref)];
    st.text = SliderLabel(b.label, value_[index]);
    st.visible = !b.hidden;
  } else if (info_[index].kind == RowKind::kFlag) {
    const OptionFlag* f = FindOptionFlag(info_[index].ref);
    st.visible = !f->hidden;
    st.enabled = !f->disabled;
  }
  if (row.subPage >= kFirstExpertCategory && !expert_) st.enabled = false;
  if (AutoStartControl(index) && Value("bit47")) st.enabled = false;
  if (ArmingControl(index) && !(env_.hestorData && env_.hestorData())) st.enabled = false;
  if (hintsSet_) {
    if (auto it = ShowHints().find(row.name); it != ShowHints().end()) st.hint = it->second;
  }
  return st;
}

int TOptionsModel::Value(std::string_view name) const {
  const int i = Find(name);
  return i < 0 ? 0 : value_[static_cast<size_t>(i)];
}

std::string TOptionsModel::Text(std::string_view name) const {
  const int i = Find(name);
  return i < 0 ? std::string() : text_[static_cast<size_t>(i)];
}

void TOptionsModel::Apply(size_t index, int value, const std::string& text) {
  const TControl& row = controls_[index];
  switch (row.kind) {
    case ControlKind::kRadio: SetRadio(row.group, info_[index].ref); break;
    case ControlKind::kEdit: text_[index] = text; break;
    case ControlKind::kNote: break;
    case ControlKind::kCheck:
    case ControlKind::kSlider: value_[index] = std::clamp(value, row.min, row.kind == ControlKind::kCheck ? 1 : row.max); break;
  }
}

std::string TOptionsModel::Refuse(size_t index, int, const std::string& text) const {
  if (info_[index].kind == RowKind::kUssd && !RefuseNonAscii(text_[index], text).empty())
    return RefuseNonAscii(text_[index], text);
  if (info_[index].kind == RowKind::kVoltage) {
    const std::optional<double> v = ParseDecimal(text);
    if (v && (*v < 0 || *v > 25.5)) return "допустимый диапазон: 0.0..25.5";
  }
  return {};
}

std::optional<TPIN> TOptionsModel::PIN() const {
  if (!loaded_) return std::nullopt;
  return CFG.PIN;
}

void TOptionsModel::SetPIN(const TPIN& pin) { CFG.PIN = pin; }

std::string TOptionsModel::SyncMembers() const {
  std::string out;
  auto add = [&](const char* name, const std::string& value) {
    if (!out.empty()) out += ',';
    out += json::Quote(name) + ":" + value;
  };
  auto num = [&](const char* name, int v) { add(name, std::to_string(v)); };
  auto flag = [&](const char* name, int n) { add(name, Value("bit" + std::to_string(n)) ? "true" : "false"); };
  auto quoted = [&](const char* name, const char* fmt, double v) { add(name, json::Quote(Fmt(fmt, v))); };

  num("shockdisabletime", Value("tbShockOffTime"));
  num("selfarmtime", Value("tbAutoArmTime"));
  num("selfarmremindtime", Value("tbSelfArmRemindTime") * 60);
  num("inroadtimeout", Value("tbTripEndTimeout") * 60);
  num("gpsresolution", RadioValue("Route"));
  num("alarmtime", Value("tbAlarmTime"));
  num("gpsnavtype", RadioValue("SVN"));
  num("gsmwaitanswertimeout", Value("tbAnswerTimeout"));
  num("gsmhanguptimeout", Value("tbCallTimeout"));
  num("commonsensivity", 0);
  num("shocksensivity_notify", 5 - Value("tbShockNotify"));
  num("shocksensivity_alarm", 5 - Value("tbShockAlarm"));
  num("motionsensivity", 5 - Value("tbMotion"));
  flag("cbextremote", 28);
  flag("cbdiagenable", 21);
  flag("cbselfarm", 18);
  flag("cbselfdisarm", 17);
  flag("cbahj", 15);
  flag("cbservicehoodopen", 13);
  flag("cblockaftertrunk", 12);
  flag("cbsequnlock", 11);
  flag("cbunlockondooropen", 10);
  flag("cblockonmove", 9);
  flag("cblockonengine", 8);
  flag("cbsoundonimpact", 6);
  flag("cbsoundonarm", 5);
  flag("cblightsonarm", 4);
  flag("cbsoundonalarm", 3);
  flag("cblightsonalarm", 2);
  quoted("batteryalarmlevel", "%4.1f", Value("tbAlarmPower") * 0.1);
  num("diagtime", Value("tbDiagDataTimer"));
  quoted("mic", "%4.1f", 1.5 - 1.5 * Value("tbMic"));
  quoted("fromgsm", "%5.1f", 1.5 - 1.5 * Value("tbSpeaker"));
  quoted("dac", "%6.2f", 12 - 0.75 * CFG.DAC);
  quoted("togsm", "%5.1f", -1.5 * CFG.ToGSM);
  quoted("speaker", "%4.1f", -1.5 * CFG.Speaker);
  num("button2cmd", RadioValue("Btn2Cmd"));
  add("USSD", json::Quote(Text("eUSSD")));
  flag("cbimmobilizer", 7);
  flag("cbpingenable", 22);
  flag("cbsmscoordenable", 29);
  flag("cbsmsroamenable", 31);
  flag("cbcallroamenable", 30);
  flag("cbgprsroamenable", 20);
  flag("cbshocknotifydisable", 32);
  flag("cbshockalarmdisable", 33);
  flag("cbmotionalarmdisable", 34);
  flag("cbnoiselessfuelsensor", 36);
  flag("cbfuelsensorabsolute", 35);
  flag("cbignsuppondooropen", 49);
  flag("cblightsinrstartmode", 48);
  flag("cbautostartdisable", 47);
  flag("cbstopengineondisarm", 46);
  flag("cballowvoicehints", 45);
  flag("cbstartonlowbattery", 44);
  flag("cbstartonhightempcabin", 43);
  flag("cbstartonlowtempcabin", 42);
  flag("cbstartonlowtemp", 41);
  add("cbrstartindisarm", "false");
  flag("cbenginestopdoor", 39);
  flag("cbignsupphbrake", 38);
  flag("cbturbotimer", 37);
  flag("cbignonshockenable", 50);
  flag("cbdoorlockafterrstart", 51);
  flag("cbselfdisarmautostart", 14);
  flag("cbslavewithtagonly", 1);
  flag("cbselfarmsound", 19);
  flag("cbslavestartstop", 53);
  flag("cbdrivedoorsautostart", 52);
  num("timerstart", Value("tbRStartTime"));
  num("timepit", Value("tbPitTime") == 46 ? 0 : Value("tbPitTime"));
  num("tempengine", Value("tbTempEngine"));
  num("tempcabinlow", Value("tbTempCabinLow"));
  num("tempcabinhigh", Value("tbTempCabinHigh"));
  const std::optional<double> v = Voltage();
  quoted("batterycharge", "%4.1f", v ? *v : 11.3);
  return out;
}

std::string TOptionsModel::SliderLine(std::string_view name) const {
  const int i = Find(name);
  if (i < 0) return {};
  return controls_[static_cast<size_t>(i)].caption + ": " + State(static_cast<size_t>(i)).text;
}

std::string TOptionsModel::RadioLine(const std::string& group) const {
  std::string heading, chosen;
  for (size_t i = 0; i < controls_.size(); ++i) {
    if (info_[i].kind != RowKind::kRadio || controls_[i].group != group) continue;
    if (heading.empty()) heading = controls_[i].heading;
    if (value_[i] && chosen.empty()) chosen = controls_[i].caption;
  }
  return heading + ": " + (chosen.empty() ? std::string("не определено") : chosen);
}

void TOptionsModel::Print(report::TCursor& cursor, const std::string& caption) const {
  // The value lines of each category after its boxes: sliders by name,
  // radio groups by their group, "eUSSD" for the balance request.
  static const std::vector<std::vector<const char*>> kValueLines = {
      {},
      {"tbShockNotify", "tbShockAlarm", "tbMotion"},
      {"Btn2Cmd"},
      {"tbAutoArmTime", "tbSelfArmRemindTime"},
      {"tbAlarmTime", "tbAlarmPower"},
      {"eUSSD"},
      {"tbMic", "tbSpeaker", "tbSpeakerOut", "tbAutoinfIn", "tbPhoneOut"},
      {"tbAnswerTimeout", "tbCallTimeout"},
      {},
      {"tbDiagDataTimer"},
      {"SVN", "Route", "tbTripEndTimeout"},
      {"tbRStartTime", "tbPitTime"},
  };
  cursor.Caption(caption);
  for (size_t cat = 0; cat < kOptionCategories.size(); ++cat) {
    cursor.Group(kOptionCategories[cat]);
    for (size_t i = 0; i < controls_.size(); ++i) {
      if (info_[i].kind != RowKind::kFlag || controls_[i].subPage != static_cast<int>(cat)) continue;
      const std::string& text = controls_[i].caption;
      const bool on = value_[i] != 0;
      // An enabled start condition shows its threshold instead of "ВКЛ".
      switch (on ? info_[i].ref : 0) {
        case 41: cursor.Item(text + ": <" + State(static_cast<size_t>(Find("tbTempEngine"))).text); break;
        case 42: cursor.Item(text + ": <" + State(static_cast<size_t>(Find("tbTempCabinLow"))).text); break;
        case 43: cursor.Item(text + ": >" + State(static_cast<size_t>(Find("tbTempCabinHigh"))).text); break;
        case 44: cursor.Item(text + ": <" + Text("eEngineVoltage") + " В"); break;
        default: cursor.Item(text + ": " + report::OnOff(on)); break;
      }
    }
    for (const char* v : kValueLines[cat]) {
      const std::string name = v;
      if (name.rfind("tb", 0) == 0) cursor.Item(SliderLine(name));
      else if (name == "eUSSD") cursor.Item(controls_[static_cast<size_t>(Find(name))].caption + ": " + Text(name));
      else cursor.Item(RadioLine(name));
    }
  }
}

std::unique_ptr<TPageModel> CreateOptionsModel(TPageEnv& env) { return std::make_unique<TOptionsModel>(env); }

}  // namespace orv
