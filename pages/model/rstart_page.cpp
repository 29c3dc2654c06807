#include "pages/model/rstart_page.h"

#include "device/orvantis.h"
#include "pages/model/page_models.h"

namespace orv {

namespace {

const char* kNoCheckHint =
    "Данная настройка предназначена ТОЛЬКО для автомобилей\r\nс кнопкой старт/стоп и АКПП. Если эта опция "
    "включена,\r\nперед включением стартера не будет проверки состояния\r\nзажигания, датчика парк и педали тормоза";

}  // namespace

TRStartPageModel::TRStartPageModel(TPageEnv& env) : TPageModel(env) {
  using K = ControlKind;
  auto add = [&](const char* name, K kind, const char* caption, int sub, int min = 0, int max = 1) -> TControl& {
    controls_.push_back(MakeControl(name, kind, caption, sub, min, max));
    return controls_.back();
  };
  auto radio = [&](const char* name, const char* caption, const char* group, const char* heading = "") {
    TControl& c = add(name, K::kRadio, caption, kSettings);
    c.group = group;
    c.heading = heading;
  };
  radio("rbKey", "Ключ зажигания", "cartype", "Тип автомобиля");
  radio("rbSSB", "Кнопка Старт/Стоп", "cartype");
  add("tbTimeAfterKeyIn", K::kSlider, "Задержка перед включением стартера", kSettings, 2, 40);
  add("cbIgn2OffOnCrank", K::kCheck, "Отключать \"Зажигание 2\" при работе стартера", kSettings);
  add("tbStarterTime", K::kSlider, "Максимальное время работы стартера", kSettings, 1, 80);
  add("cbWakeupImpulse", K::kCheck, "Импульс пробуждения автомобиля", kSettings);
  add("cbNoCheckState", K::kCheck, "Не проверять статусы автомобиля ", kSettings).hint = kNoCheckHint;
  radio("rbSSBonS", "Одиночный", "ssbon", "Тип импульса включения зажигания");
  radio("rbSSBOnD", "Двойной", "ssbon");
  radio("rbSSBOnT", "Тройной", "ssbon");
  radio("rbSSBOnA", "Автоматически", "ssbon");
  radio("rbSSBOffS", "Одиночный", "ssboff", "Тип импульса выключения зажигания");
  radio("rbSSBOffDouble", "Двойной", "ssboff");
  radio("rbSSBOffAuto", "Автоматически", "ssboff");
  add("tbSSBTime", K::kSlider, "Максимальное время нажатия кнопки запуска", kSettings, 1, 80);
  add("tbTurbo", K::kSlider, "Турбо-таймер", kSettings, 3, 18).heading = "Параметры резервирования";
  add("tbIgnSuppTime", K::kSlider, "Время поддержки зажигания, не более", kSettings, 1, 8);
  add("cbImmoBypassMode", K::kCheck, "Включать обходчик только во время автозапуска", kSettings);
  add("cbImmoOffAfterStart", K::kCheck, "Отключать обходчик после успешного запуска двигателя", kSettings);
  add("tbEngineStartRPM", K::kSlider, "Двигатель завелся", kExtra, 4, 10);
  add("tbEngineRunRPM", K::kSlider, "Двигатель работает", kExtra, 3, 8);
  add("tbTurboRPM", K::kSlider, "Турбина работает", kExtra, 15, 35);
}

void TRStartPageModel::LoadData(TMemItems& items) {
  const TMemItem& item = items[kRegionRStart];
  const std::span<const uint8_t> data(item.FData.data(), std::min<size_t>(item.FData.size(), TRSConfig::kSize));
  if (model_.LoadData(data, UnitInfo ? UnitInfo() : TRStartUnit{}, env_.prompts)) env_.forceSave = true;
  Changed();
}

void TRStartPageModel::StoreData(TMemItems& items) { model_.StoreData(items); }

void TRStartPageModel::SetExpertMode(bool value) {
  expert_ = value;
  if (!value) subPage_ = kSettings;
  Changed();
}

std::vector<std::string> TRStartPageModel::SubPages() const {
  return {"Настройки", "Входы", "Выходы", "Импульсы", "Доп. настройки", "Диагностика"};
}

bool TRStartPageModel::SubPageEnabled(int index) const {
  return index == kSettings || (expert_ && index > kSettings && index <= kDiagnostics);
}

std::string TRStartPageModel::SelectSubPage(int index) {
  subPage_ = SubPageEnabled(index) ? index : kSettings;
  Changed();
  return {};
}

TControlState TRStartPageModel::State(size_t index) const {
  TControlState s;
  const TRStartModel& m = model_;
  const bool ssb = m.IsSSB();
  auto slider = [&](TRStartModel::Slider sl) {
    s.value = m.GetSlider(sl).pos;
    s.text = m.SliderText(sl);
  };
  switch (static_cast<Row>(index)) {
    case rbKey: s.value = !ssb; break;
    case rbSSB: s.value = ssb; break;
    case tbTimeAfterKeyIn: slider(TRStartModel::kTimeAfterKeyIn); break;
    case cbIgn2OffOnCrank: s.value = m.Ign2OffOnCrank(); s.visible = !ssb; break;
    case tbStarterTime: slider(TRStartModel::kStarterTime); s.visible = !ssb; break;
    case cbWakeupImpulse: s.value = m.WakeupImpulse(); s.visible = ssb; break;
    case cbNoCheckState: s.value = m.NoCheckState(); s.visible = ssb; break;
    case rbSSBonS: case rbSSBOnD: case rbSSBOnT: case rbSSBOnA:
      s.value = static_cast<int>(m.SSBOn()) == static_cast<int>(index - rbSSBonS);
      s.visible = ssb;
      break;
    case rbSSBOffS: case rbSSBOffDouble: case rbSSBOffAuto:
      s.value = static_cast<int>(m.SSBOff()) == static_cast<int>(index - rbSSBOffS);
      s.visible = ssb;
      break;
    case tbSSBTime: slider(TRStartModel::kSSBTime); s.visible = ssb; break;
    case tbTurbo: slider(TRStartModel::kTurbo); break;
    case tbIgnSuppTime: slider(TRStartModel::kIgnSuppTime); break;
    case cbImmoBypassMode: s.value = m.ImmoBypassMode(); break;
    case cbImmoOffAfterStart: s.value = m.ImmoOffAfterStart(); break;
    case tbEngineStartRPM: slider(TRStartModel::kEngineStartRPM); break;
    case tbEngineRunRPM: slider(TRStartModel::kEngineRunRPM); break;
    case tbTurboRPM: slider(TRStartModel::kTurboRPM); break;
    default: s.visible = false; break;
  }
  if (index < controls_.size() && controls_[index].subPage != kSettings && !expert_) s.enabled = false;
  return s;
}

void TRStartPageModel::Apply(size_t index, int value, const std::string&) {
  TRStartModel& m = model_;
  const bool on = value != 0;
  switch (static_cast<Row>(index)) {
    case rbKey: if (on) m.SetCarType(false); break;
    case rbSSB: if (on) m.SetCarType(true); break;
    case tbTimeAfterKeyIn: m.SetSlider(TRStartModel::kTimeAfterKeyIn, value); break;
    case cbIgn2OffOnCrank: m.SetIgn2OffOnCrank(on); break;
    case tbStarterTime: m.SetSlider(TRStartModel::kStarterTime, value); break;
    case cbWakeupImpulse: m.SetWakeupImpulse(on); break;
    case cbNoCheckState: m.SetNoCheckState(on); break;
    case rbSSBonS: case rbSSBOnD: case rbSSBOnT: case rbSSBOnA:
      if (on) m.SetSSBOn(static_cast<TSSBOnType>(index - rbSSBonS));
      break;
    case rbSSBOffS: case rbSSBOffDouble: case rbSSBOffAuto:
      if (on) m.SetSSBOff(static_cast<TSSBOffType>(index - rbSSBOffS));
      break;
    case tbSSBTime: m.SetSlider(TRStartModel::kSSBTime, value); break;
    case tbTurbo: m.SetSlider(TRStartModel::kTurbo, value); break;
    case tbIgnSuppTime: m.SetSlider(TRStartModel::kIgnSuppTime, value); break;
    case cbImmoBypassMode: m.SetImmoBypassMode(on); break;
    case cbImmoOffAfterStart: m.SetImmoOffAfterStart(on); break;
    case tbEngineStartRPM: m.SetSlider(TRStartModel::kEngineStartRPM, value); break;
    case tbEngineRunRPM: m.SetSlider(TRStartModel::kEngineRunRPM, value); break;
    case tbTurboRPM: m.SetSlider(TRStartModel::kTurboRPM, value); break;
    default: break;
  }
}

std::vector<std::string> TRStartPageModel::Show() const {
  std::vector<std::string> lines;
  for (const TRStartReportSection& s : model_.Report()) {
    lines.push_back("  " + s.caption);
    for (const std::string& l : s.lines) lines.push_back("    " + l);
  }
  return lines;
}

std::unique_ptr<TPageModel> CreateRStartModel(TPageEnv& env) { return std::make_unique<TRStartPageModel>(env); }

void AttachRStartUnit(TPageModels& pages, TOrvantis& link) {
  if (auto* rs = pages.ModelAs<TRStartPageModel>("RStartFrame"))
    rs->UnitInfo = [&link] {
      // A tool that never asked the unit who it is asks now: the questions
      // of loading depend on the model.
      if (link.OnLine() && link.BootState.DeviceInfo.Kind == 0) link.GetInfo();
      return TRStartUnit{link.OnLine(), link.BootState.DeviceInfo.Kind};
    };
}

}  // namespace orv
