// The "Диагностика" sub-page of the remote-start page without widgets: which
// lamps of the module's state, inputs and outputs are lit, the state texts,
// the sensors and the radio-link panel, all from one diagnostic record. A
// record of kind 0 (no remote-start block, or the cleared record after a stop)
// lights nothing.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "diag/diag_record.h"
#include "diag/diag_texts.h"

namespace orv {

struct TRStartLamp {
  const char* caption;
  int bit;  // state bit of location 2; -1: lit while the brake control is off
};
struct TRStartLampGroup {
  const char* caption;
  std::vector<TRStartLamp> lamps;
};
// "Состояние", "Входы", "Выходы".
extern const std::array<TRStartLampGroup, 3> RStartLampGroups;

// The refresh periods of the sub-page: "0,2 с", "0,5 с" (default), "1 с".
struct TRStartPeriod {
  const char* caption;
  unsigned ms;
};
extern const std::array<TRStartPeriod, 3> RStartPeriods;
constexpr int kRStartDefaultPeriod = 1;
constexpr unsigned kRStartLampMs = 100;  // the refresh lamp stays lit this long

inline constexpr const char* kRStartRadioNote =
    "Для оценки качества радиосвязи с модулем запуска  и уровня сигнала заведите двигатель автомобиля";

struct TRStartDiagView {
  std::array<std::vector<bool>, 3> lit;  // per group, per lamp
  std::string stage, state, sysState;    // "Режим…", "Состояние модуля…", "Состояние автозапуска:"
  std::string cabinTemp, engineTemp, tacho;
  bool radioVisible = false;             // else the note is shown
  TRadioLink radio;

  static TRStartDiagView From(const TDiagBytes& record);
  // Captions of the lit lamps of a group.
  std::vector<std::string> LitCaptions(int group) const;
};

}  // namespace orv
