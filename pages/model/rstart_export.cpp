// The export and the report lines of the remote-start page.
#include <string>

#include "pages/model/rstart_model.h"
#include "pages/model/rstart_text.h"

namespace orv {

namespace {

const char* kCarKey = "Ключ зажигания";
const char* kCarSSB = "Кнопка Старт/Стоп";
const char* kOnTypes[] = {"Одиночный", "Двойной", "Тройной", "Автоматически"};
const char* kOffTypes[] = {"Одиночный", "Двойной", "Автоматически"};
const char* kRPMCaptions[] = {"Двигатель завелся", "Двигатель работает", "Турбина работает"};
const TRStartModel::Slider kRPMSliders[] = {TRStartModel::kEngineStartRPM, TRStartModel::kEngineRunRPM,
                                            TRStartModel::kTurboRPM};

std::string Bool(bool v) { return v ? "true" : "false"; }
std::string Check(bool v) { return v ? "ВКЛ" : "выкл"; }
std::string Member(const std::string& key, const std::string& value) { return rsfmt::JsonString(key) + ":" + value; }

std::string PulseText(uint16_t w) {
  std::string s = pulse::On(w) ? "ВКЛ" : "выкл";
  if (pulse::Duration(w) != 0) s += "(" + TRStartModel::DurationText(pulse::Duration(w)) + ")";
  return s;
}

}  // namespace

std::string TRStartModel::ToJSON() const {
  const bool ssb = IsSSB();
  std::string o = "{" + Member("cartype", rsfmt::JsonString(ssb ? kCarSSB : kCarKey));
  o += "," + Member("rs_wakeupimpulse", Bool(WakeupImpulse()));
  o += "," + Member("rs_TimeAfterKeyIn", rsfmt::JsonString(SliderText(kTimeAfterKeyIn)));
  if (!ssb) {
    o += "," + Member("rs_Ign2OffOnCrank", Bool(Ign2OffOnCrank()));
    o += "," + Member("rs_StarterTime", rsfmt::JsonString(SliderText(kStarterTime)));
  } else {
    o += "," + Member("rs_SSBon", rsfmt::JsonString(kOnTypes[static_cast<int>(SSBOn())]));
    o += "," + Member("rs_SSBoff", rsfmt::JsonString(kOffTypes[static_cast<int>(SSBOff())]));
    o += "," + Member("rs_SSBTime", rsfmt::JsonString(SliderText(kSSBTime)));
  }
  o += "," + Member("rs_Turbo", rsfmt::JsonString(SliderText(kTurbo)));
  o += "," + Member("rs_IgnSuppTime", rsfmt::JsonString(SliderText(kIgnSuppTime)));
  o += "," + Member("rs_ImmoBypassMode", Bool(ImmoBypassMode())) + "}";

  std::string ins = "[";
  for (int i : RSVisibleInputs) {
    if (ins.size() > 1) ins += ",";
    const uint8_t code = Config().Ins[static_cast<size_t>(i)];
    ins += "{" + Member("rs_i" + std::to_string(i), rsfmt::JsonString(InputSourceText(code))) + "," +
           Member("positive", Bool((code & 1u) != 0)) + "}";
  }
  ins += "]";

  std::string outs = "[";
  for (int i = 0; i < kRSOutputs; ++i) {
    if (i) outs += ",";
    outs += "{" + Member("rs_o" + std::to_string(i), rsfmt::JsonString(OutputText(i))) + "}";
  }
  outs += "]";

  std::string seqs = "[";
  for (int i : VisibleSteps()) {
    if (seqs.size() > 1) seqs += ",";
    const TRSSeq& s = Config().Seqs[static_cast<size_t>(i)];
    std::string v = "{" + Member("len", std::to_string(s.Count));
    if (s.Count > 0) {
      std::string items = "[", onoff = "[";
      for (int k = 0; k < s.Len(); ++k) {
        if (k) items += ",", onoff += ",";
        items += std::to_string(pulse::Duration(s.Pulses[static_cast<size_t>(k)]));
        onoff += Bool(pulse::On(s.Pulses[static_cast<size_t>(k)]));
      }
      v += "," + Member("items", items + "]") + "," + Member("onoff", onoff + "]");
    }
    seqs += "{" + Member("rs_s" + std::to_string(i), v + "}") + "}";
  }
  seqs += "]";

  std::string extra = "{";
  for (int k = 0; k < 3; ++k) {
    if (k) extra += ",";
    extra += Member(kRPMCaptions[k], rsfmt::JsonString(SliderText(kRPMSliders[k])));
  }
  extra += "}";

  return "{" + Member("rs_opt", o) + "," + Member("rs_ins", ins) + "," + Member("rs_outs", outs) + "," +
         Member("rs_seqs", seqs) + "," + Member("Доп. параметры", extra) + "}";
}

std::vector<TRStartReportSection> TRStartModel::Report() const {
  std::vector<TRStartReportSection> r;
  auto line = [](const std::string& caption, const std::string& value) { return caption + ": " + value; };

  TRStartReportSection s{"Настройки", {}};
  s.lines.push_back(line("Тип автомобиля", IsSSB() ? kCarSSB : kCarKey));
  if (!IsSSB()) {
    s.lines.push_back(line("Максимальное время работы стартера", SliderText(kStarterTime)));
    s.lines.push_back(line("Отключать \"Зажигание 2\" при работе стартера", Check(Ign2OffOnCrank())));
  } else {
    s.lines.push_back(line("Максимальное время нажатия кнопки запуска", SliderText(kSSBTime)));
    s.lines.push_back(line("Тип импульса включения зажигания", kOnTypes[static_cast<int>(SSBOn())]));
    s.lines.push_back(line("Тип импульса выключения зажигания", kOffTypes[static_cast<int>(SSBOff())]));
  }
  s.lines.push_back(line("Импульс пробуждения автомобиля", Check(WakeupImpulse())));
  s.lines.push_back(line("Включать обходчик только во время автозапуска", Check(ImmoBypassMode())));
  s.lines.push_back(line("Задержка перед включением стартера", SliderText(kTimeAfterKeyIn)));
  s.lines.push_back(line("Турбо-таймер", SliderText(kTurbo)));
  s.lines.push_back(line("Время поддержки зажигания, не более", SliderText(kIgnSuppTime)));
  r.push_back(std::move(s));

  TRStartReportSection in{"Входы", {}};
  for (int i : RSVisibleInputs) {
    const uint8_t code = Config().Ins[static_cast<size_t>(i)];
    std::string v = InputSourceText(code);
    if (code >= 2 && code < 2 + 2 * kRSInputWires) v += (code & 1u) ? " (+)" : " (-)";
    in.lines.push_back(line(RSInputs[static_cast<size_t>(i)].name, v));
  }
  r.push_back(std::move(in));

  TRStartReportSection out{"Выходы", {}};
  for (int i = 0; i < kRSOutputs; ++i) out.lines.push_back(line(RSOutputWires[static_cast<size_t>(i)].name, OutputText(i)));
  r.push_back(std::move(out));

  TRStartReportSection imp{"Импульсы", {}};
  for (int i : VisibleSteps()) {
    const TRSSeq& seq = Config().Seqs[static_cast<size_t>(i)];
    std::string v;
    for (int k = 0; k < seq.Len(); ++k) v += (k ? ", " : "") + PulseText(seq.Pulses[static_cast<size_t>(k)]);
    imp.lines.push_back(v.empty() ? std::string(RSSteps[static_cast<size_t>(i)].name) + ":"
                                  : line(RSSteps[static_cast<size_t>(i)].name, v));
  }
  r.push_back(std::move(imp));

  TRStartReportSection extra{"Доп. настройки", {}};
  for (int k = 0; k < 3; ++k) extra.lines.push_back(line(kRPMCaptions[k], SliderText(kRPMSliders[k])));
  r.push_back(std::move(extra));
  return r;
}

}  // namespace orv
