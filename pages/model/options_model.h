// TOptionsModel: the general options page (region 5, the main settings block
// TConfigData). Its controls are 48 option-flag boxes (from kOptionFlags), the
// sliders of the field-binding table (kOptionBindings: field, range, load and
// store rule, label), three radio groups and two edits, spread over twelve
// categories. It keeps its own copy CFG of the block: zero before the first
// load, replaced only by LoadData; StoreData starts from it, so fields without
// a control keep what was loaded, and writes only the block's 257 bytes.
// It also supplies the options' members of the synchronisation document and
// the PIN that the factory reset keeps.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pages/model/page_model.h"
#include "settings/config_data.h"

namespace orv {

namespace options_text {
inline constexpr const char* kDefaultVoltage = "11,3";
inline constexpr uint8_t kVoltageNotANumber = 113;
}  // namespace options_text

// How a slider's position maps to its field.
enum class BindRule : uint8_t {
  kDirect,    // p = value, value = p
  kMinutes,   // p = value div 60, value = p * 60
  kInverted,  // p = 10 - value, value = 10 - p
  kLevel,     // level codes: p from the code table, value = 7 + p
  kPit,       // p = value or 46 for 0; value = p or 0 for 46
};

// How a slider's label shows its position.
enum class LabelRule : uint8_t {
  kSeconds,      // "%d c"
  kMinutes,      // "%d мин"
  kRemind,       // "выкл" for p <= 0, else "%d мин"
  kVolts,        // "%4.1f В" with p / 10
  kSensitivity,  // "+%d" 5 - p for p <= 4, "норма" at 5, "%d" 5 - p above
  kLevel,        // "+%d" 3 - p for p <= 2, "норма" at 3, "%d" 3 - p above
  kGain15,       // "%5.1f dB" with -1.5 p
  kDac,          // "%6.2f dB" with 12 - 0.75 p
  kPit,          // "без ограничения" for p > 45, else "%d мин"
  kDegrees,      // "%d °С"
};

struct OptionBinding {
  const char* control;  // slider name
  const char* caption;  // its caption label
  int category;
  int min, max;
  BindRule rule;
  LabelRule label;
  int design;           // position before the first load
  bool hidden;
  int (*get)(const TConfigData&);
  void (*set)(TConfigData&, int);
};

extern const std::array<OptionBinding, 22> kOptionBindings;

// Label text of a slider position.
std::string SliderLabel(LabelRule rule, int p);
// Position of a stored value, clamped to the slider's range.
int LoadPosition(const OptionBinding& b, int value);
// Stored value of a position.
int StoreValue(const OptionBinding& b, int p);

class TOptionsModel final : public TPageModel {
 public:
  explicit TOptionsModel(TPageEnv& env);

  void LoadData(TMemItems& items) override;
  void StoreData(TMemItems& items) override;
  void SetExpertMode(bool value) override;
  void OnShow() override;
  std::string SyncMembers() const override;
  std::optional<TPIN> PIN() const override;
  void SetPIN(const TPIN& pin) override;
  // Per category: its name at 300, a line per flag box ("ВКЛ"/"выкл", or the
  // start threshold for bit41..bit44 when on), then its value lines, hidden
  // gain sliders included.
  void Print(report::TCursor& cursor, const std::string& caption) const override;

  std::vector<std::string> SubPages() const override;
  bool SubPageEnabled(int index) const override;
  std::string SelectSubPage(int index) override;

  TControlState State(size_t index) const override;

  const TConfigData& Config() const { return CFG; }
  bool Loaded() const { return loaded_; }
  // Position of a slider, state of a box or radio button, text of an edit, by name.
  int Value(std::string_view name) const;
  std::string Text(std::string_view name) const;

 protected:
  void Apply(size_t index, int value, const std::string& text) override;
  std::string Refuse(size_t index, int value, const std::string& text) const override;

 private:
  enum class RowKind : uint8_t { kFlag, kSlider, kRadio, kUssd, kVoltage };
  struct RowInfo {
    RowKind kind;
    int ref;  // flag number, binding index, or radio value
  };
  void Add(TControl row, RowInfo info);
  // The battery voltage edit as tenths of a volt; nullopt when not a number.
  std::optional<double> Voltage() const;
  bool AutoStartControl(size_t index) const;
  bool ArmingControl(size_t index) const;
  int RadioValue(const std::string& group) const;
  // "heading: caption of the chosen radio button", or "не определено".
  std::string RadioLine(const std::string& group) const;
  // "caption: label" of a slider.
  std::string SliderLine(std::string_view name) const;
  void SetRadio(const std::string& group, int value);

  TConfigData CFG{};
  bool loaded_ = false;
  bool hintsSet_ = false;
  std::vector<RowInfo> info_;
  std::vector<int> value_;         // per row: box/radio state, slider position
  std::vector<std::string> text_;  // per row: edit text
};

std::unique_ptr<TPageModel> CreateOptionsModel(TPageEnv& env);

}  // namespace orv
