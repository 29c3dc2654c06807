// TCanModel: the CAN page (region 6, the CAN settings block TCanConfig).
//
// The installed CAN firmware describes its own settings inside the block: how
// many on/off options, choice groups and numeric values it offers, and their
// names as 8-bit text. So the page's controls are not fixed: every LoadData
// throws the previous control table away and builds a new one from the block
// (never adding to the old one), and the view rebuilds its widgets from it.
//
// Controls, in building order (the names `set` takes and the export uses):
//   cbcan<i>   check box i (i < min(bits_count, 32)): bit i of `Bits`
//   lbcan<j>   label of choice group j (j < min(values_count, 16)), a note
//   rbcan<n>   choice k of group j, n = 4j + k; only for a non-empty caption;
//              one choice per group, stored in the two bits of group j
//   secan<n>   the four value fields, n = 0..3, visible when n < words_count;
//              only whole numbers 0..65535 are accepted
//   led<...>   the nine read-only lamps of `DataConfig`
// The name text is consumed in that order: one item per box, one "|"-split
// item per group, one item per visible value label (DecodeCanNames,
// TCanNames).
//
// Guarantees: StoreData keeps `DataConfig`, the three counts, `pad` and
// `names` as loaded and rewrites only `Bits`, `Values` and `Words`; nothing
// read from the block is trusted (counts are capped, the name text ends at
// its 232 bytes), so any block loads, stores and exports without a fault.
// Show and Print walk one list of lines (ReportLines), so the CLI's `show`
// and the printed report say the same.
//
// Threads: GUI thread or the CLI's loop, like every page model.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pages/model/page_model.h"
#include "settings/can_config.h"

namespace orv {

namespace can_text {
// The four sections, in the order of the list on the left.
inline constexpr const char* kSettings = "Настройки";
inline constexpr const char* kFunctions = "Функции";
inline constexpr const char* kValues = "Значения";
inline constexpr const char* kOptions = "Опции";
// `set` of a value field with anything but a whole number 0..65535.
inline constexpr const char* kBadValue = "допустимы целые числа 0..65535";
// Caption of box i or value label j when the firmware gives none: "№" + (n + 1).
inline constexpr const char* kNumberSign = "№";
}  // namespace can_text

// One lamp of the "Опции" section: a bit of `DataConfig`.
struct TCanLamp {
  int bit;
  const char* name;     // "ledOdometer"
  const char* caption;  // "Одометр"
  const char* hint;
  const char* json;     // member of "can_opt"
};

// The nine lamps in the order of the section (and of "can_opt").
extern const std::array<TCanLamp, 9> kCanLamps;
// The lamps in the order of the printed report: steering angle before the
// accelerator. Indices into kCanLamps.
extern const std::array<int, 9> kCanLampReportOrder;

// The name text of the block as UTF-8: bytes up to the first byte below 0x20
// (or all 232); 0x20..0x80 are the characters of those codes, a byte b above
// 0x80 is the character b + 0x350 (0xC0..0xFF: "А".."я").
std::string DecodeCanNames(std::span<const uint8_t> names);

// The decoded name text, consumed from the front item by item.
class TCanNames {
 public:
  explicit TCanNames(std::string text) : text_(std::move(text)) {}
  bool Empty() const { return text_.empty(); }
  // The text between the first "[" and the first "]" after it, removed with
  // its brackets (text before the "[" stays for later items); without such a
  // pair the whole remaining text.
  std::string TakeItem();
  const std::string& Rest() const { return text_; }

 private:
  std::string text_;
};

// Takes the next "|" part of a group item: the text before the first "|"
// when that "|" is not the first character, else the whole remaining text.
std::string TakePart(std::string& item);

// The value fields as StoreData reads them: each field a whole number (sign
// allowed) stored as its low 16 bits; the first field that is not a number
// ends the list, it and the later words stay 0.
std::array<uint16_t, 4> StoreWords(const std::array<std::string, 4>& texts);

// Whether `text` is what a value field accepts: decimal digits, 0..65535.
bool ValidWordText(std::string_view text);

// One line of the page's report section and of `show`: a group caption
// ("Опции", "Настройки", "Функции", "Значения") or an item under it.
struct TCanLine {
  bool group;
  std::string text;
};

// Where the view puts a control, in pixels of its section.
struct TCanRect {
  int x = 0, y = 0, w = 0, h = 0;
};

// A choice group laid out: its label and its buttons (in building order).
struct TCanGroupPlace {
  TCanRect label;
  std::vector<TCanRect> buttons;
};

class TCanModel final : public TPageModel {
 public:
  static constexpr int kMaxBoxes = 32;
  static constexpr int kMaxGroups = 16;
  static constexpr int kChoices = 4;
  static constexpr int kFields = 4;

  // Layout of the check boxes and the choice groups.
  static constexpr int kLeft = 12, kTop = 12;  // first control
  static constexpr int kColumn = 64;           // grid columns every 64 px from kLeft
  static constexpr int kLastColumn = 652;      // a control starting beyond this opens a new row
  static constexpr int kRowStep = 36;          // rows of boxes, choice buttons under a label
  static constexpr int kBoxHeight = 20, kLabelHeight = 25, kExtraWidth = 24;

  explicit TCanModel(TPageEnv& env);

  void AfterCreate() override;
  void LoadData(TMemItems& items) override;
  void StoreData(TMemItems& items) override;
  std::string ToJSON() const override;
  void Print(report::TCursor& cursor, const std::string& caption) const override;
  std::vector<std::string> Show() const override;

  std::vector<std::string> SubPages() const override;
  bool SubPageEnabled(int index) const override;
  TControlState State(size_t index) const override;

  // No firmware-specific settings: the three counts of the loaded block are 0.
  bool FIsEmpty() const { return isEmpty_; }
  // The page's copy of the block as last loaded (controls not yet applied).
  const TCanConfig& FConfig() const { return config_; }
  // The block as StoreData would write it now.
  TCanConfig Stored() const;

  // The report section's lines, as the page shows them now.
  std::vector<TCanLine> ReportLines() const;

  // What the view builds. Counts of the current build.
  int Boxes() const { return static_cast<int>(boxes_.size()); }
  int Groups() const { return static_cast<int>(groups_.size()); }
  // Positions of the boxes (one per box) and of the groups (one per group),
  // from the width of each caption in pixels as the view measures it.
  std::vector<TCanRect> BoxLayout(const std::function<int(const std::string&)>& width) const;
  std::vector<TCanGroupPlace> GroupLayout(const std::function<int(const std::string&)>& width) const;
  // Counts the builds (a view rebuilds its widgets when this changes).
  unsigned Generation() const { return generation_; }

 protected:
  void Apply(size_t index, int value, const std::string& text) override;
  std::string Refuse(size_t index, int value, const std::string& text) const override;

 private:
  enum class RowKind : uint8_t { kBox, kLabel, kChoice, kField, kLamp };
  struct RowInfo {
    RowKind kind;
    int ref;  // box i, group j, button n = 4j + k, field n, lamp index
  };
  struct Box {
    std::string caption;
    bool checked = false;
  };
  struct Choice {
    int k;  // 0..3
    std::string caption;
  };
  struct Group {
    std::string label;
    std::vector<Choice> choices;
    int selected = -1;  // k of the selected button, -1 for none
  };
  struct Field {
    std::string caption;  // of Label<n>
    bool visible = false;
    std::string text;
  };

  void Build();
  void Add(TControl row, RowInfo info);
  const Choice* Selected(const Group& g) const;

  TCanConfig config_{};
  bool isEmpty_ = true;
  unsigned generation_ = 0;
  std::vector<RowInfo> info_;
  std::vector<Box> boxes_;
  std::vector<Group> groups_;
  std::array<Field, kFields> fields_{};
};

std::unique_ptr<TPageModel> CreateCanModel(TPageEnv& env);

}  // namespace orv
