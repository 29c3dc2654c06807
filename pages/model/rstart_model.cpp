#include "pages/model/rstart_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "pages/model/rstart_text.h"

namespace orv {

namespace {

constexpr uint8_t kModel3 = 0x23;

bool Bit(uint8_t b, int n) { return ((b >> n) & 1u) != 0; }

}  // namespace

TRStartModel::TRStartModel() {
  sliders_[kTimeAfterKeyIn] = {2, 40, 10};
  sliders_[kStarterTime] = {1, 80, 30};
  sliders_[kSSBTime] = {1, 80, 20};
  sliders_[kTurbo] = {3, 18, 12};
  sliders_[kIgnSuppTime] = {1, 8, 5};
  sliders_[kEngineStartRPM] = {4, 10, 7};
  sliders_[kEngineRunRPM] = {3, 8, 5};
  sliders_[kTurboRPM] = {15, 35, 25};
  // Sensible data before the first load.
  for (int i = 0; i < kRSSteps; ++i) cfg_.Seqs[static_cast<size_t>(i)] = DefaultSeq(i);
}

// ---------------------------------------------------------------- load/store

bool TRStartModel::LoadData(std::span<const uint8_t> data, const TRStartUnit& unit, Prompts* prompts) {
  std::array<uint8_t, TRSConfig::kSize> block;
  block.fill(0xFF);
  std::copy_n(data.begin(), std::min(data.size(), block.size()), block.begin());
  cfg_ = TRSConfig::Parse(block);
  pendingKey_ = pendingSSB_ = false;
  curSeq_ = curPulse_ = -1;
  bool force = false;
  auto ask = [&](const char* question) {
    return prompts && prompts->WarningDialog(question, {"Да", "Нет"}) == Prompts::Answer::kYes;
  };

  if (!cfg_.IsConfigValid()) LoadLocalDefaults();

  const bool model3 = unit.online && unit.kind >= kModel3;
  if (model3) {
    const bool starterOnYellow = cfg_.Outs[7] == rsfn::kStarter + 1;
    const uint8_t o8 = cfg_.Outs[8];
    if ((starterOnYellow && o8 != 0 && o8 != rsfn::kStarterLock + 1) || (!starterOnYellow && o8 != 0)) {
      if (ask(rstext::kRelayQuestion)) {
        cfg_.Outs[8] = 0;
        force = true;
      }
    }
  }
  if (ChangeDefaults && !AlreadyDefault() && model3) {
    if (ask(rstext::kDefaultsQuestion)) {
      RestoreDefaults();
      force = true;
    }
  }
  ChangeDefaults = false;

  ShowRecord();

  for (auto& c : cfg_.Ins)
    if (c > 2 && c / 2 > 5) c = 0;

  if (std::any_of(cfg_.Seqs.begin(), cfg_.Seqs.end(), [](const TRSSeq& s) { return s.Count == 255; }))
    LoadLocalDefaults();

  SetCarType(ssb_);
  return force;
}

void TRStartModel::ShowRecord() {
  const uint8_t b0 = cfg_.Bits[0], b1 = cfg_.Bits[1];
  ssb_ = Bit(b0, 0);
  on_ = static_cast<TSSBOnType>((Bit(b0, 1) ? 1 : 0) + (Bit(b0, 7) ? 2 : 0));
  off_ = Bit(b0, 2) ? TSSBOffType::kDouble : (Bit(b1, 1) ? TSSBOffType::kAuto : TSSBOffType::kSingle);
  ign2Off_ = Bit(b0, 3);
  wakeup_ = Bit(b0, 4);
  bypassMode_ = Bit(b0, 5);
  bypassOff_ = Bit(b1, 0);
  noCheck_ = Bit(b1, 2);

  auto place = [&](Slider s, long v) { sliders_[s].pos = sliders_[s].Clamp(v); };
  place(kTimeAfterKeyIn, cfg_.StarterDelay / 500);
  place(kIgnSuppTime, cfg_.IgnSupportTime / 60);
  place(kTurbo, cfg_.TurboTime / 10);
  place(kEngineStartRPM, cfg_.EngineStartRPM);
  place(kEngineRunRPM, cfg_.EngineRunRPM);
  place(kTurboRPM, cfg_.TurboRPM);
  if (sliders_[kEngineRunRPM].pos >= sliders_[kEngineStartRPM].pos)
    sliders_[kEngineStartRPM].pos = sliders_[kEngineRunRPM].pos + 1;
  SyncSliderFromStep(kStarterTime);
  SyncSliderFromStep(kSSBTime);
}

void TRStartModel::RecordFromControls(TRSConfig& c) const {
  const auto on = static_cast<uint8_t>(on_);
  uint8_t b0 = 0, b1 = 0;
  if (ssb_) b0 |= 1u;
  if (on & 1u) b0 |= 1u << 1;
  if (off_ == TSSBOffType::kDouble) b0 |= 1u << 2;
  if (ign2Off_) b0 |= 1u << 3;
  if (wakeup_) b0 |= 1u << 4;
  if (bypassMode_) b0 |= 1u << 5;
  if (on_ == TSSBOnType::kAuto) b0 |= 1u << 6;
  if (on & 2u) b0 |= 1u << 7;
  if (bypassOff_) b1 |= 1u;
  if (off_ == TSSBOffType::kAuto) b1 |= 1u << 1;
  if (noCheck_) b1 |= 1u << 2;
  c.Bits = {b0, b1};
  c.StarterDelay = static_cast<uint16_t>(sliders_[kTimeAfterKeyIn].pos * 500);
  c.IgnSupportTime = static_cast<uint16_t>(sliders_[kIgnSuppTime].pos * 60);
  c.TurboTime = static_cast<uint16_t>(sliders_[kTurbo].pos * 10);
  c.EngineStartRPM = static_cast<uint8_t>(sliders_[kEngineStartRPM].pos);
  c.EngineRunRPM = static_cast<uint8_t>(sliders_[kEngineRunRPM].pos);
  c.TurboRPM = static_cast<uint8_t>(sliders_[kTurboRPM].pos);
}

TRSConfig TRStartModel::Completed() const {
  TRSConfig c = cfg_;
  RecordFromControls(c);
  c.SealHeader();
  return c;
}

void TRStartModel::StoreData(TMemItems& items) {
  TMemItem& item = items[kRegionRStart];
  if (item.Size() < TRSConfig::kSize) throw std::runtime_error(rstext::kSizeError);
  const TRSConfig c = Completed();
  const auto bytes = c.Serialize();
  item.FData.fill(0xFF);
  std::copy(bytes.begin(), bytes.end(), item.FData.begin());
  cfg_ = c;
}

void TRStartModel::LoadLocalDefaults() {
  ssb_ = false;
  for (int i = 0; i < kRSSteps; ++i) cfg_.Seqs[static_cast<size_t>(i)] = DefaultSeq(i);
  // Erased slots past the steps would bring the defaults back at every load.
  for (int i = kRSSteps; i < kRSSeqSlots; ++i)
    if (cfg_.Seqs[static_cast<size_t>(i)].Count == 255) cfg_.Seqs[static_cast<size_t>(i)] = TRSSeq{};
  for (int i = 0; i < kRSOutputs; ++i) cfg_.Outs[static_cast<size_t>(i)] = i == 8 ? 0 : static_cast<uint8_t>(i + 1);
  // Likewise unused output codes that fail the validity test (erased: FF).
  for (size_t i = kRSOutputs; i < cfg_.Outs.size(); ++i)
    if (cfg_.Outs[i] > 18) cfg_.Outs[i] = 0;
  for (int i = 0; i < kRSInputs; ++i) cfg_.Ins[static_cast<size_t>(i)] = RSInputs[static_cast<size_t>(i)].digitalDefault;
  if (on_ == TSSBOnType::kDouble) on_ = TSSBOnType::kSingle;
  if (off_ == TSSBOffType::kAuto) off_ = TSSBOffType::kSingle;
  ign2Off_ = wakeup_ = noCheck_ = bypassMode_ = bypassOff_ = false;
  sliders_[kStarterTime].pos = 30;
  sliders_[kSSBTime].pos = 30;
  sliders_[kTimeAfterKeyIn].pos = 10;
  sliders_[kIgnSuppTime].pos = 5;
  sliders_[kTurbo].pos = 12;
  sliders_[kEngineRunRPM].pos = 5;
  sliders_[kEngineStartRPM].pos = 7;
  sliders_[kTurboRPM].pos = 25;
  ApplyTimeSlider(kStarterTime);
  ApplyTimeSlider(kSSBTime);
  // Nothing of a broken block survives: the bits and times follow the controls.
  RecordFromControls(cfg_);
}

void TRStartModel::RestoreDefaults() {
  for (int i = 0; i < kRSInputs; ++i) {
    const auto& def = RSInputs[static_cast<size_t>(i)];
    if (!def.hidden) cfg_.Ins[static_cast<size_t>(i)] = AnalogConnection ? def.analogDefault : def.digitalDefault;
  }
}

bool TRStartModel::AlreadyDefault() const {
  for (int i = 0; i < kRSInputs; ++i) {
    const auto& def = RSInputs[static_cast<size_t>(i)];
    if (!def.hidden && cfg_.Ins[static_cast<size_t>(i)] != (AnalogConnection ? def.analogDefault : def.digitalDefault))
      return false;
  }
  return true;
}

void TRStartModel::RegenerateSSBSequences() {
  std::array<TRSSeq, kRSSteps> t;
  for (int i = 0; i < kRSSteps; ++i) t[static_cast<size_t>(i)] = DefaultSeq(i);
  const auto& tpl = RSSSBTemplates[wakeup_ ? 1 : 0][static_cast<size_t>(on_)];
  t[0] = MakeSeq(tpl.step0);
  t[9] = MakeSeq(tpl.step9);
  if (off_ == TSSBOffType::kDouble) t[11] = MakeSeq(RSSSBOffDouble);
  if (off_ == TSSBOffType::kAuto) t[11] = MakeSeq(RSSSBOffAuto);
  if ((!t[9].SamePulses(cfg_.Seqs[9]) || !t[0].SamePulses(cfg_.Seqs[0])) && Log) Log->Log(rstext::kRestoredPulses);
  for (int i : {0, 1, 2, 3, 4, 9, 11}) cfg_.Seqs[static_cast<size_t>(i)] = t[static_cast<size_t>(i)];
}

// ---------------------------------------------------------------- options

void TRStartModel::SetCarType(bool ssb) {
  ssb_ = ssb;
  if (ssb && pendingSSB_) {
    pendingSSB_ = false;
    RegenerateSSBSequences();
  }
  // No template exists for the key car: its pending mark changes nothing.
  if (!ssb) pendingKey_ = false;
  if (curSeq_ >= 0 && !StepVisible(curSeq_)) curSeq_ = curPulse_ = -1;
}

void TRStartModel::SetSSBOn(TSSBOnType t) {
  on_ = t;
  if (on_ == TSSBOnType::kAuto) noCheck_ = false;
  if (ssb_) RegenerateSSBSequences();
}

void TRStartModel::SetSSBOff(TSSBOffType t) {
  off_ = t;
  if (on_ == TSSBOnType::kAuto) noCheck_ = false;
  if (ssb_) RegenerateSSBSequences();
}

void TRStartModel::SetNoCheckState(bool v) {
  noCheck_ = v;
  if (v && on_ == TSSBOnType::kAuto) {
    SetSSBOn(TSSBOnType::kSingle);
    noCheck_ = true;
  }
}

void TRStartModel::SetWakeupImpulse(bool v) {
  wakeup_ = v;
  pendingKey_ = pendingSSB_ = true;
  if (ssb_) {
    pendingSSB_ = false;
    RegenerateSSBSequences();
  }
}

void TRStartModel::SetSlider(Slider s, int pos) {
  TRSSlider& sl = sliders_[s];
  sl.pos = sl.Clamp(pos);
  switch (s) {
    case kStarterTime:
    case kSSBTime:
      ApplyTimeSlider(s);
      break;
    case kEngineRunRPM:
      if (sl.pos >= sliders_[kEngineStartRPM].pos)
        sliders_[kEngineStartRPM].pos = sliders_[kEngineStartRPM].Clamp(sl.pos + 1);
      break;
    case kEngineStartRPM:
      if (sl.pos <= sliders_[kEngineRunRPM].pos)
        sliders_[kEngineRunRPM].pos = sliders_[kEngineRunRPM].Clamp(sl.pos - 1);
      break;
    default:
      break;
  }
}

std::string TRStartModel::SliderText(Slider s) const {
  const int p = sliders_[s].pos;
  switch (s) {
    case kTimeAfterKeyIn:
      return rsfmt::Fixed(p / 2.0, 3, 1) + " c";
    case kStarterTime:
    case kSSBTime:
      return rsfmt::Fixed(p / 10.0, 3, 1) + " c";
    case kTurbo:
      return std::to_string(p * 10) + " сек";
    case kIgnSuppTime:
      return std::to_string(p) + " мин";
    default:
      return std::to_string(p * 10) + "% обротов ХХ";
  }
}

int TRStartModel::FirstOnPulse(const TRSSeq& seq) {
  for (int i = 0; i < seq.Len(); ++i)
    if (pulse::On(seq.Pulses[static_cast<size_t>(i)])) return i;
  return -1;
}

void TRStartModel::ApplyTimeSlider(Slider s) {
  TRSSeq& seq = cfg_.Seqs[static_cast<size_t>(TimeStep(s))];
  const int i = FirstOnPulse(seq);
  if (i >= 0) seq.Pulses[static_cast<size_t>(i)] = pulse::Make(true, static_cast<uint32_t>(sliders_[s].pos * 100));
}

void TRStartModel::SyncSliderFromStep(Slider s) {
  const TRSSeq& seq = cfg_.Seqs[static_cast<size_t>(TimeStep(s))];
  const int i = FirstOnPulse(seq);
  if (i < 0) return;
  sliders_[s].pos = sliders_[s].Clamp(pulse::Duration(seq.Pulses[static_cast<size_t>(i)]) / 100);
  ApplyTimeSlider(s);
}

// ---------------------------------------------------------------- steps

bool TRStartModel::StepVisible(int step) const {
  if (step < 0 || step >= kRSSteps) return false;
  const auto& st = RSSteps[static_cast<size_t>(step)];
  // Steps 9 and 11 also need a pulse type; one of each group is always selected.
  return ssb_ ? st.ssb : st.key;
}

std::vector<int> TRStartModel::VisibleSteps() const {
  std::vector<int> v;
  for (int i = 0; i < kRSSteps; ++i)
    if (StepVisible(i)) v.push_back(i);
  return v;
}

// ---------------------------------------------------------------- inputs/outputs

bool TRStartModel::InputWireEnabled(int input, int wire) const {
  return wire >= 0 && wire < kRSInputWires && (input != 0 || wire == kRSInputWires - 1);
}

bool TRStartModel::ChooseInputSource(int input, int choice) {
  if (input < 0 || input >= kRSInputs || choice < 0 || choice > 1 + kRSInputWires) return false;
  uint8_t& code = cfg_.Ins[static_cast<size_t>(input)];
  if (choice < 2) {
    code = static_cast<uint8_t>(choice);
    return true;
  }
  const int wire = choice - 2;
  if (!InputWireEnabled(input, wire)) return false;
  code = static_cast<uint8_t>(2 + 2 * wire);
  if (wire == 0) cfg_.Outs[3] = 0;
  SpreadPolarity(input);
  return true;
}

bool TRStartModel::TogglePolarity(int input) {
  if (input < 0 || input >= kRSInputs) return false;
  uint8_t& code = cfg_.Ins[static_cast<size_t>(input)];
  if (code < 2 || code >= 2 + 2 * kRSInputWires) return false;
  code ^= 1u;
  SpreadPolarity(input);
  return true;
}

void TRStartModel::SpreadPolarity(int input) {
  const uint8_t code = cfg_.Ins[static_cast<size_t>(input)];
  if (code < 2) return;
  for (int j = 0; j <= 12; ++j) {
    uint8_t& c = cfg_.Ins[static_cast<size_t>(j)];
    if (j != input && c >= 2 && (c - 2) / 2 == (code - 2) / 2) c = code;
  }
}

bool TRStartModel::InputsOnWire0() const {
  return std::any_of(cfg_.Ins.begin(), cfg_.Ins.end(), [](uint8_t c) { return c == 2 || c == 3; });
}

bool TRStartModel::OutputChoiceEnabled(int output, uint8_t code) const {
  if (output < 0 || output >= kRSOutputs || code > kRSFunctions) return false;
  if (output == 8) return code == 0 || (code == rsfn::kStarterLock + 1 && cfg_.Outs[7] == rsfn::kStarter + 1);
  return true;
}

bool TRStartModel::ChooseOutput(int output, uint8_t code) {
  if (!OutputChoiceEnabled(output, code)) return false;
  cfg_.Outs[static_cast<size_t>(output)] = code;
  if (output == 3 && code != 0)
    for (auto& c : cfg_.Ins)
      if (c == 2 || c == 3) c = 0;
  if (output == 7) cfg_.Outs[8] = code == rsfn::kStarter + 1 ? static_cast<uint8_t>(rsfn::kStarterLock + 1) : 0;
  return true;
}

uint8_t TRStartModel::OutputNum(int row) const {
  if (row < 1 || row > kRSOutputs) return rsfn::kNone;
  const uint8_t code = cfg_.Outs[static_cast<size_t>(row - 1)];
  return code >= 1 && code <= kRSFunctions ? static_cast<uint8_t>(code - 1) : rsfn::kNone;
}

std::string TRStartModel::OutputText(int output) const {
  const uint8_t f = OutputNum(output + 1);
  if (f != rsfn::kNone) return RSOutputFunctions[f];
  if (output == 3 && cfg_.Outs[3] == 0 && InputsOnWire0()) return rstext::kUsedAsInput;
  return rstext::kNotAssigned;
}

// ---------------------------------------------------------------- pulse editor

std::string TRStartModel::DurationText(uint16_t ms) {
  const double s = ms / 1000.0;
  if (ms < 1000) return rsfmt::Fixed(s, 4, 2);
  if (ms > 9999) return rsfmt::Fixed(s, 2, 0);
  return rsfmt::Fixed(s, 3, 1);
}

std::optional<TRStartModel::PulseView> TRStartModel::SelectPulse(int step, int pulseIndex) {
  if (step < 0 || step >= kRSSteps || pulseIndex < 0 || pulseIndex >= kRSMaxPulses) {
    curSeq_ = curPulse_ = -1;
    return std::nullopt;
  }
  curSeq_ = step;
  curPulse_ = pulseIndex;
  const TRSSeq& seq = cfg_.Seqs[static_cast<size_t>(step)];
  if (pulseIndex >= seq.Len()) return std::nullopt;
  const uint16_t w = seq.Pulses[static_cast<size_t>(pulseIndex)];
  shownWord_ = w;
  return PulseView{pulse::On(w), pulse::Duration(w) != 0, DurationText(pulse::Duration(w))};
}

bool TRStartModel::AddEnabled() const {
  if (curSeq_ < 0) return false;
  const TRSSeq& seq = cfg_.Seqs[static_cast<size_t>(curSeq_)];
  return curPulse_ == seq.Count && seq.Count < kRSMaxPulses;
}

bool TRStartModel::RemoveEnabled() const {
  if (curSeq_ < 0) return false;
  const TRSSeq& seq = cfg_.Seqs[static_cast<size_t>(curSeq_)];
  return seq.Count > 0 && seq.Count <= kRSMaxPulses && curPulse_ == seq.Count - 1;
}

bool TRStartModel::AddPulse() {
  if (!AddEnabled()) return false;
  TRSSeq& seq = cfg_.Seqs[static_cast<size_t>(curSeq_)];
  seq.Pulses[static_cast<size_t>(curPulse_)] = 0;
  ++seq.Count;
  shownWord_ = 0;
  return true;
}

bool TRStartModel::RemovePulse() {
  if (!RemoveEnabled()) return false;
  --cfg_.Seqs[static_cast<size_t>(curSeq_)].Count;
  return true;
}

bool TRStartModel::EditPulse(bool on, bool impulse, std::string& time) {
  uint32_t ms = 0;
  if (impulse) {
    const auto value = rsfmt::ParseSeconds(time);
    if (!value) return false;
    double v = *value;
    if (v > 30) {
      time = "30";
      v = 30;
    }
    if (v < 0) return false;
    ms = static_cast<uint32_t>(std::lround(v * 1000));
    if (ms == 0) return false;
  }
  const uint16_t word = pulse::Make(on, ms);
  if (word == shownWord_ || curSeq_ < 0 || curPulse_ < 0) return false;
  TRSSeq& seq = cfg_.Seqs[static_cast<size_t>(curSeq_)];
  if (curPulse_ >= seq.Count) {
    for (int k = seq.Count; k < curPulse_; ++k) seq.Pulses[static_cast<size_t>(k)] = 0;
    seq.Count = static_cast<uint8_t>(curPulse_ + 1);
  }
  seq.Pulses[static_cast<size_t>(curPulse_)] = word;
  shownWord_ = word;
  if ((curSeq_ == 8 || curSeq_ == 10) && FirstOnPulse(seq) == curPulse_) {
    const Slider s = curSeq_ == 8 ? kStarterTime : kSSBTime;
    const int pos = sliders_[s].Clamp(pulse::Duration(word) / 100);
    if (pos != sliders_[s].pos) {
      sliders_[s].pos = pos;
      ApplyTimeSlider(s);
      shownWord_ = seq.Pulses[static_cast<size_t>(curPulse_)];
    }
  }
  return true;
}

}  // namespace orv
