// TPageModel: the Qt-free half of a settings page. It holds the page's state
// (its private copy of its records and the values of its controls), converts
// between that state and the settings regions (LoadData/StoreData), exports it
// as JSON for the settings synchronisation, and describes its controls as one
// table of rows. The Qt view, the CLI's show/set and the tests all walk that
// table, so a control is declared once.
//
// How a new page plugs in:
//   1. A model: derive from TPageModel, fill `controls_` in the constructor,
//      override LoadData/StoreData, State and Apply (and ToJSON when the page
//      has an export member, SubPages when it has sub-pages).
//   2. A view: a TModelFrame (pages/model_frame.h) over the model; the generic
//      binder (pages/control_binder.h) builds and fills the controls from the
//      table. A view adds its own widgets only for what a row cannot express.
//   3. One row in the page table (pages/model/page_table.cpp): name, menu
//      caption, export member, load, store and export positions, and the
//      function that creates the model.
// `show` then prints the page's section, `set` accepts its control names and
// `export` carries its member, with no change to the CLI.
//
// Threads: GUI thread (or the CLI's loop) only. Models never throw from State
// or Set; LoadData/StoreData may throw on a region that is too short.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/seams.h"
#include "pages/model/report.h"
#include "settings/config_data.h"
#include "settings/mem_items.h"

namespace orv {

// Raised by an operation that a page model does not provide.
class EAbstractModelError : public std::logic_error {
 public:
  EAbstractModelError() : std::logic_error("Abstract Error") {}
};

// Texts shared by the pages.
namespace page_text {
inline constexpr const char* kExpertOnly = "Доступно в режиме Эксперта";
inline constexpr const char* kYes = "Да";
inline constexpr const char* kNo = "Нет";
}  // namespace page_text

// What a control is. The binder makes a check box, a radio button, a slider
// with its value label, or a line edit with its caption label.
enum class ControlKind : uint8_t {
  kCheck,   // value 0/1
  kRadio,   // value 0/1; exactly one row of a group is on; setting one on clears the others
  kSlider,  // value = position in [min, max]; the state's text is the label text
  kEdit,    // text of at most `max` characters
  kNote,    // a fixed text (the caption); no value, never changed
};

// One control of a page: a row of the page's control table.
struct TControl {
  std::string name;       // as the page names it: "bit47", "tbPitTime", "rbSVN2", "eAPN", "msg10.4"
  ControlKind kind = ControlKind::kCheck;
  std::string caption;    // check box / radio text; slider's or edit's caption label
  int subPage = 0;        // index in SubPages() (0 for a page without sub-pages)
  int min = 0;            // slider range
  int max = 1;            // slider range; edit: maximum length in characters
  std::string group;      // radio rows: the name of their group
  std::string hint;       // tool tip; empty for none
  std::string heading;    // a caption line shown above this row (a radio group's title); empty for none
};

// A row with the common fields; set group, hint and heading afterwards.
inline TControl MakeControl(std::string name, ControlKind kind, std::string caption, int subPage, int min = 0,
                            int max = 1) {
  TControl c;
  c.name = std::move(name);
  c.kind = kind;
  c.caption = std::move(caption);
  c.subPage = subPage;
  c.min = min;
  c.max = max;
  return c;
}

// What a control shows now. Models compute it from their state, so the view
// and `show` agree.
struct TControlState {
  int value = 0;          // check/radio: 0 or 1; slider: position
  std::string text;       // edit: its text; slider: its label ("25 мин"); else empty
  bool enabled = true;
  bool visible = true;
  std::string hint;       // overrides the row's hint when not empty (hints set on show)
};

// What the pages need from the application while they load, store and are
// shown. One instance is shared by all models of a TPageModels.
struct TPageEnv {
  // Questions of LoadData (the Internet page's server check); null answers "Нет".
  Prompts* prompts = nullptr;
  // Set by a page that restored factory values while loading: the settings
  // are to be written back at once. TPageModels reports and clears it.
  bool forceSave = false;
  // The window applies the proxy fields (Internet page, OnHide).
  std::function<void()> proxyUpdate;
  // The firmware catalogue has data for the Hestor remote slot.
  std::function<bool()> hestorData;
};

class TPageModel {
 public:
  explicit TPageModel(TPageEnv& env) : env_(env) {}
  virtual ~TPageModel() = default;
  TPageModel(const TPageModel&) = delete;
  TPageModel& operator=(const TPageModel&) = delete;

  // --- the page operations (TCLFrame's virtual operations, Qt-free) ---
  virtual void AfterCreate() {}
  // Copies the page's records out of the regions. Default: abstract.
  virtual void LoadData(TMemItems& items);
  // Writes the page's records into the regions. Default: abstract.
  virtual void StoreData(TMemItems& items);
  // One JSON value as text; "{}" for a page without an export.
  virtual std::string ToJSON() const { return "{}"; }
  virtual void SetExpertMode(bool value);
  bool ExpertMode() const { return expert_; }
  virtual void OnShow() {}
  virtual void OnHide() {}
  // The page's section of the settings report, under `caption`, as the page
  // shows it now. Default: nothing.
  virtual void Print(report::TCursor& /*cursor*/, const std::string& /*caption*/) const {}
  // Regions, as a mask (bit k = region k), that the last StoreData changed
  // compared with the last LoadData and that the write mask does not cover.
  virtual uint32_t ChangedRegions() const { return 0; }
  // Members this page sends one by one in the synchronisation document (the
  // options page), as JSON text without the braces: "\"a\":1,\"b\":true".
  virtual std::string SyncMembers() const { return {}; }
  // The PIN of the page's copy of the main settings block (options page only).
  virtual std::optional<TPIN> PIN() const { return std::nullopt; }
  virtual void SetPIN(const TPIN& /*pin*/) {}

  // --- sub-pages chosen in a list on the page ---
  virtual std::vector<std::string> SubPages() const { return {}; }
  // Whether the list shows the item enabled.
  virtual bool SubPageEnabled(int index) const;
  // Selects a sub-page as a click in the list does. Returns the message to
  // show (and then the selection went back to the first item) or empty.
  virtual std::string SelectSubPage(int index);
  int CurrentSubPage() const { return subPage_; }

  // --- the control table ---
  const std::vector<TControl>& Controls() const { return controls_; }
  // Index of the row of that name, or -1.
  int Find(std::string_view name) const;
  virtual TControlState State(size_t index) const = 0;
  // Changes one control as the user would through the view (value already
  // within the control's limits): the binder's entry. Returns the page's
  // refusal (then nothing changed and the view shows the old state) or empty.
  std::string Change(size_t index, int value, const std::string& text = {});
  // Changes one control from text as `set NAME=VALUE` does: check boxes and
  // radio buttons take 0/1 (a radio button only 1), sliders a number within
  // their range, edits a text within their length. Hidden or disabled
  // controls and texts the page refuses give the reason; nothing changes then.
  // Returns the reason, or empty on success.
  std::string Set(std::string_view name, std::string_view value);
  // The page's lines for `show`: by default "  NAME: SHOWN" for every visible
  // row ("[x] caption" for boxes and radio buttons, the label for sliders, the
  // text for edits).
  virtual std::vector<std::string> Show() const;

  // Called after the model changed its state (loaded, a control changed, a
  // rule ran): the view refreshes its controls.
  std::function<void()> OnChanged;

 protected:
  // Applies a validated change of control `index`; the model updates its
  // state (and runs its rules).
  virtual void Apply(size_t index, int value, const std::string& text) = 0;
  // Page-specific refusal of a value (e.g. characters a field cannot store);
  // empty when acceptable.
  virtual std::string Refuse(size_t /*index*/, int /*value*/, const std::string& /*text*/) const { return {}; }
  void Changed() {
    if (OnChanged) OnChanged();
  }

  TPageEnv& env_;
  std::vector<TControl> controls_;
  bool expert_ = false;
  int subPage_ = 0;
};

// Text fields of the unit store one byte per character: only printable ASCII
// survives. The refusal when `after` brings a character that is not and that
// `before` did not hold already (so a loaded text can still be shortened), or
// empty.
std::string RefuseNonAscii(const std::string& before, const std::string& after);

// Writes `text` into a unit text field of n bytes, cut or zero-padded, so that
// it reads back as it was loaded: the letters a loaded field showed for bytes
// above 0x7F go back to those bytes (the plain low byte of each character
// would turn an untouched "я" into "O").
void PutUnitText(const std::string& text, uint8_t* dest, size_t n);

// Shown form of one row for `show`: "[x] caption", a label or a text.
std::string ShownValue(const TControl& row, const TControlState& state);

}  // namespace orv
