#include "pages/model/rstart_diag.h"

#include "diag/diag_values.h"

namespace orv {

const std::array<TRStartLampGroup, 3> RStartLampGroups = {{
    {"Состояние",
     {{"Связь с модулем", 32}, {"Запрет запуска", 23}, {"Пит-стоп", 24}, {"Двигатель работает", 25},
      {"Резервирование", 26}, {"Таймер поддержки активен", 27}, {"Турбо-таймер активен", 28}}},
    {"Входы",
     {{"МКПП", 0}, {"Двигатель работает", 1}, {"Зажигание", 2}, {"Педаль тормоза", 3}, {"Ручной тормоз", 4},
      {"Положение \"парк\"", 5}, {"Подогрев свечей", 6}, {"Дверь водителя", 7}, {"Двери", 8}, {"Капот", 9},
      {"Багажник", 10}, {"Аксессуары", 11}}},
    {"Выходы",
     {{"Обход иммобилайзера", 12}, {"Кнопка Старт/Стоп", 13}, {"Имитация ключа в замке", 14}, {"Аксессуары", 15},
      {"Зажигание 1", 16}, {"Зажигание 2", 17}, {"Стартер", 18}, {"Блокировка стартера", 19},
      {"Педаль тормоза", 20}, {"Педаль тормоза 2", 21}, {"Контроль педали тормоза", -1}}},
}};

const std::array<TRStartPeriod, 3> RStartPeriods = {{{"0,2 с", 200}, {"0,5 с", 500}, {"1 с", 1000}}};

TRStartDiagView TRStartDiagView::From(const TDiagBytes& record) {
  TRStartDiagView v;
  const TRStartValues rs(record);
  const bool block = rs.DiagKind() >= dkAutoStart;
  for (size_t g = 0; g < RStartLampGroups.size(); ++g)
    for (const TRStartLamp& lamp : RStartLampGroups[g].lamps)
      v.lit[g].push_back(block && (lamp.bit < 0 ? !rs.BrakeControl() : DiagInState(record, 2, lamp.bit)));
  v.stage = rs.RStartStage();
  v.state = rs.RStartState();
  v.sysState = rs.RStartSysState();
  v.cabinTemp = rs.CabinTemp();
  v.engineTemp = rs.EngineTemp();
  v.tacho = rs.TachoPercent();
  v.radioVisible = block && DiagInState(record, 2, 25) && rs.RStartOnline();
  v.radio = RadioLink(rs.RSRSSIValue(), rs.RSLinkQualityValue());
  return v;
}

std::vector<std::string> TRStartDiagView::LitCaptions(int group) const {
  std::vector<std::string> out;
  if (group < 0 || group >= static_cast<int>(lit.size())) return out;
  const auto& lamps = RStartLampGroups[static_cast<size_t>(group)].lamps;
  for (size_t i = 0; i < lamps.size(); ++i)
    if (lit[static_cast<size_t>(group)][i]) out.push_back(lamps[i].caption);
  return out;
}

}  // namespace orv
