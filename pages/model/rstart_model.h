// TRStartModel: the remote-start page without its widgets. It holds a copy of
// the TRSConfig block of region 14 and the state of every control of the page
// (car type, Start/Stop pulse types, check boxes, sliders, the selected pulse)
// and carries out every rule that keeps the two consistent: the repairs and
// questions of loading, storing with a fresh header, the defaults, the
// Start/Stop templates, the input and output assignment rules, the sliders
// tied to steps 8 and 10, the speed-threshold coupling and the pulse editor.
// The Qt page and the command-line tool both drive it; it runs on the caller's
// thread and reaches the user only through Prompts (questions) and Status
// (one log line).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/seams.h"
#include "settings/mem_items.h"
#include "settings/rs_config.h"

namespace orv {

// A slider of the page: its range and position.
struct TRSSlider {
  int min, max, pos;
  // The position nearest to `v` inside the range.
  int Clamp(long v) const { return v < min ? min : (v > max ? max : static_cast<int>(v)); }
};

// Switch-on pulse types (the order of the radio buttons and of Bits[0] bits 1 + 2 * bit 7).
enum class TSSBOnType : uint8_t { kSingle = 0, kDouble = 1, kTriple = 2, kAuto = 3 };
enum class TSSBOffType : uint8_t { kSingle = 0, kDouble = 1, kAuto = 2 };

// What LoadData needs to know about the connected unit.
struct TRStartUnit {
  bool online = false;
  uint8_t kind = 0;  // model code of the device information, 0x21..0x24
};

// One sub-page of the report: its caption and its "caption: value" lines.
struct TRStartReportSection {
  std::string caption;
  std::vector<std::string> lines;
};

class TRStartModel {
 public:
  TRStartModel();

  // ---- Load and store ----
  // Copies the first 448 bytes into the record and repairs it; questions go
  // to `prompts` (nullptr answers "Нет"). Returns true when an answer "Да"
  // changed the record so that the settings must be written back at once
  // (FForceSaveSettings). A block shorter than 448 bytes is padded with FF and
  // so loads as defaults.
  bool LoadData(std::span<const uint8_t> data, const TRStartUnit& unit, Prompts* prompts);
  // Rebuilds bits, times and header and writes the block into region 14; the
  // rest of the region's buffer becomes FF. Throws std::runtime_error with
  // rstext::kSizeError when the region is smaller than the block.
  void StoreData(TMemItems& items);
  // The record as StoreData would write it.
  TRSConfig Completed() const;

  void LoadLocalDefaults();
  void RestoreDefaults();
  bool AlreadyDefault() const;
  void RegenerateSSBSequences();

  bool ChangeDefaults = false;
  bool AnalogConnection = false;
  // Where the "Восстановлены стандартные импульсы" line goes (may be null).
  Status* Log = nullptr;

  const TRSConfig& Config() const { return cfg_; }
  TRSConfig& MutableConfig() { return cfg_; }

  // ---- "Настройки" ----
  bool IsSSB() const { return ssb_; }
  void SetCarType(bool ssb);
  TSSBOnType SSBOn() const { return on_; }
  TSSBOffType SSBOff() const { return off_; }
  void SetSSBOn(TSSBOnType t);
  void SetSSBOff(TSSBOffType t);
  bool Ign2OffOnCrank() const { return ign2Off_; }
  void SetIgn2OffOnCrank(bool v) { ign2Off_ = v; }
  bool WakeupImpulse() const { return wakeup_; }
  void SetWakeupImpulse(bool v);
  bool NoCheckState() const { return noCheck_; }
  void SetNoCheckState(bool v);
  bool ImmoBypassMode() const { return bypassMode_; }
  void SetImmoBypassMode(bool v) { bypassMode_ = v; }
  bool ImmoOffAfterStart() const { return bypassOff_; }
  void SetImmoOffAfterStart(bool v) { bypassOff_ = v; }

  // Sliders (positions); setting one applies its rule.
  enum Slider { kTimeAfterKeyIn, kStarterTime, kSSBTime, kTurbo, kIgnSuppTime, kEngineStartRPM, kEngineRunRPM, kTurboRPM, kSliderCount };
  const TRSSlider& GetSlider(Slider s) const { return sliders_[s]; }
  void SetSlider(Slider s, int pos);
  // The label of a slider ("5.0 c", "120 сек", "5 мин", "70% обротов ХХ").
  std::string SliderText(Slider s) const;

  // ---- Steps ----
  bool StepVisible(int step) const;
  std::vector<int> VisibleSteps() const;  // the rows of the pulse grid
  bool Printing = false;                  // hidden steps count as visible

  // ---- Inputs and outputs ----
  // Input menu choices: 0 "Не назначен", 1 "Главный модуль", 2 + w wire w.
  // Returns false (nothing changes) for a choice the menu disables.
  bool ChooseInputSource(int input, int choice);
  bool InputWireEnabled(int input, int wire) const;
  // Toggles the polarity of an input on a wire and of every input on it.
  bool TogglePolarity(int input);
  // Output menu: code 0 (unassigned) or function + 1. False when not offered.
  bool ChooseOutput(int output, uint8_t code);
  bool OutputChoiceEnabled(int output, uint8_t code) const;
  // The function index of output row-1 (rows 1..10), 255 when unassigned,
  // out of range or not a known function.
  uint8_t OutputNum(int row) const;
  std::string OutputText(int output) const;
  std::string InputText(int input) const { return InputSourceText(cfg_.Ins[static_cast<size_t>(input)]); }

  // ---- Pulse editor ----
  struct PulseView {
    bool on = false;
    bool impulse = false;  // "Импульс" (a duration) rather than "Постоянно"
    std::string time;      // the duration as shown
  };
  // Selects pulse `pulse` of `step`. Returns the pulse to show when it exists.
  std::optional<PulseView> SelectPulse(int step, int pulse);
  int CurSeq() const { return curSeq_; }
  int CurPulse() const { return curPulse_; }
  bool AddEnabled() const;
  bool RemoveEnabled() const;
  bool AddPulse();
  bool RemovePulse();
  // An edit in the pulse editor. `time` may be replaced by "30". Returns true
  // when the selected pulse changed.
  bool EditPulse(bool on, bool impulse, std::string& time);

  // The text of a duration in ms as the grid shows it ("0.60", "3.0", "12").
  static std::string DurationText(uint16_t ms);

  // ---- Export and report ----
  std::string ToJSON() const;
  std::vector<TRStartReportSection> Report() const;

 private:
  void ShowRecord();            // load step 6: controls from bits and times
  void RecordFromControls(TRSConfig& c) const;
  void ApplyTimeSlider(Slider s);
  void SyncSliderFromStep(Slider s);
  int TimeStep(Slider s) const { return s == kStarterTime ? 8 : 10; }
  void SpreadPolarity(int input);
  bool InputsOnWire0() const;
  static int FirstOnPulse(const TRSSeq& seq);

  TRSConfig cfg_{};
  bool ssb_ = false;
  TSSBOnType on_ = TSSBOnType::kAuto;
  TSSBOffType off_ = TSSBOffType::kSingle;
  bool ign2Off_ = false, wakeup_ = false, noCheck_ = false, bypassMode_ = false, bypassOff_ = false;
  std::array<TRSSlider, kSliderCount> sliders_;
  bool pendingKey_ = false, pendingSSB_ = false;
  int curSeq_ = -1, curPulse_ = -1;
  uint16_t shownWord_ = 0;
};

}  // namespace orv
