#include "pages/model/can_model.h"

#include <algorithm>
#include <charconv>

#include "device/text_codec.h"
#include "settings/json_writer.h"

namespace orv {

const std::array<TCanLamp, 9> kCanLamps = {{
    {0, "ledOdometer", "Одометр", "Прошивка обеспечивает передачу значения одометра", "can_odometer"},
    {2, "ledFuelLevel", "Уровень топлива", "Прошивка обеспечивает передачу информации об уровне топлива в баке",
     "can_fuellevel"},
    {9, "ledFuelMeasured", "Уровень топлива в литрах", "Уровень топлива не требует калибровки и передается в литрах",
     "can_fuelmeasured"},
    {7, "ledFuelConsumption", "Расход топлива", "Прошивка обеспечивает передачу данных о мгновенном расходе топлива",
     "can_fuelconsumption"},
    {3, "ledRPM", "Обороты двигателя", "Прошивка обеспечивает передачу данных об оборотах двигателя", "can_RPM"},
    {4, "ledCoolantTemp", "Тепература охлаждающей жидкости",
     "Прошивка обеспечивает передачу данных о температуре охлаждающей жидкости", "can_coolanttemp"},
    {5, "ledAccelerator", "Нажатие на акселератор",
     "Прошивка обеспечивает передачу данных о степени нажатия на педаль акселератора", "can_Accelerator"},
    {6, "ledWheelAngle", "Угол поворота руля",
     "Прошивка обеспечивает передачу данных об угле поворота рулевого колеса", "can_wheelangle"},
    {8, "ledBrakeForce", "Степень нажатия на тормоз",
     "Прошивка обеспечивает передачу данных о степени нажатия на педаль тормоза", "can_brakeforce"},
}};

const std::array<int, 9> kCanLampReportOrder = {0, 1, 2, 3, 4, 5, 7, 6, 8};

namespace {

std::string Numbered(int n) { return std::string(can_text::kNumberSign) + std::to_string(n); }

}  // namespace

std::string DecodeCanNames(std::span<const uint8_t> names) {
  return BytesToText(names.data(), std::min(names.size(), TCanConfig::kNamesSize));
}

std::string TCanNames::TakeItem() {
  const size_t open = text_.find('[');
  const size_t close = open == std::string::npos ? std::string::npos : text_.find(']', open + 1);
  std::string item;
  if (close == std::string::npos) {
    item.swap(text_);
  } else {
    item = text_.substr(open + 1, close - open - 1);
    text_.erase(open, close - open + 1);
  }
  return item;
}

std::string TakePart(std::string& item) {
  const size_t bar = item.find('|');
  std::string part;
  if (bar == std::string::npos || bar == 0) {
    part.swap(item);
  } else {
    part = item.substr(0, bar);
    item.erase(0, bar + 1);
  }
  return part;
}

namespace {

// A whole number as a field holds it: an optional sign and decimal digits,
// within the 32-bit range.
std::optional<int32_t> WholeNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  int32_t v = 0;
  const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || p != text.data() + text.size()) return std::nullopt;
  return v;
}

}  // namespace

std::array<uint16_t, 4> StoreWords(const std::array<std::string, 4>& texts) {
  std::array<uint16_t, 4> words{};
  for (size_t j = 0; j < texts.size(); ++j) {
    const auto v = WholeNumber(texts[j]);
    if (!v) break;
    words[j] = static_cast<uint16_t>(static_cast<uint32_t>(*v) & 0xFFFFu);
  }
  return words;
}

bool ValidWordText(std::string_view text) {
  if (text.empty() || text.size() > 5) return false;
  unsigned v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
  }
  return v <= 0xFFFF;
}

TCanModel::TCanModel(TPageEnv& env) : TPageModel(env) { Build(); }

void TCanModel::Add(TControl row, RowInfo info) {
  controls_.push_back(std::move(row));
  info_.push_back(info);
}

void TCanModel::Build() {
  controls_.clear();
  info_.clear();
  boxes_.clear();
  groups_.clear();
  isEmpty_ = config_.Empty();
  ++generation_;

  TCanNames names(DecodeCanNames(config_.names));
  const int boxes = std::min<int>(config_.bits_count, kMaxBoxes);
  for (int i = 0; i < boxes; ++i) {
    Box b;
    b.caption = names.Empty() ? Numbered(i + 1) : names.TakeItem();
    b.checked = config_.Flag(i);
    Add(MakeControl("cbcan" + std::to_string(i), ControlKind::kCheck, b.caption, 0), {RowKind::kBox, i});
    boxes_.push_back(std::move(b));
  }

  const int groups = std::min<int>(config_.values_count, kMaxGroups);
  for (int j = 0; j < groups; ++j) {
    std::string item = names.TakeItem();
    Group g;
    g.label = TakePart(item);
    const std::string label = "lbcan" + std::to_string(j);
    Add(MakeControl(label, ControlKind::kNote, g.label, 1), {RowKind::kLabel, j});
    for (int k = 0; k < kChoices; ++k) {
      std::string part = TakePart(item);
      if (part.empty()) continue;  // no button for an empty part
      const int n = kChoices * j + k;
      TControl row = MakeControl("rbcan" + std::to_string(n), ControlKind::kRadio, part, 1);
      row.group = label;
      Add(std::move(row), {RowKind::kChoice, n});
      if (config_.Value(j) == k) g.selected = k;
      g.choices.push_back({k, std::move(part)});
    }
    groups_.push_back(std::move(g));
  }

  const int visible = std::min<int>(config_.words_count, kFields);
  for (int n = 0; n < kFields; ++n) {
    Field& f = fields_[static_cast<size_t>(n)];
    f.visible = n < visible;
    f.caption = f.visible ? names.TakeItem() : std::string();
    if (f.caption.empty()) f.caption = Numbered(n + 1);
    f.text = std::to_string(config_.Words[static_cast<size_t>(n)]);
    Add(MakeControl("secan" + std::to_string(n), ControlKind::kEdit, f.caption, 2, 0, 5), {RowKind::kField, n});
  }

  for (size_t l = 0; l < kCanLamps.size(); ++l) {
    TControl row = MakeControl(kCanLamps[l].name, ControlKind::kCheck, kCanLamps[l].caption, 3);
    row.hint = kCanLamps[l].hint;
    Add(std::move(row), {RowKind::kLamp, static_cast<int>(l)});
  }
}

void TCanModel::AfterCreate() {
  if (subPage_ < 0) subPage_ = 0;
}

void TCanModel::LoadData(TMemItems& items) {
  config_ = ReadCanConfig(items[kRegionCan].Bytes());
  Build();
  Changed();
}

TCanConfig TCanModel::Stored() const {
  TCanConfig c = config_;  // DataConfig, the counts, pad and names as loaded
  c.Bits = 0;
  for (size_t i = 0; i < boxes_.size(); ++i)
    if (boxes_[i].checked) c.Bits |= 1u << i;
  c.Values = {};
  for (size_t j = 0; j < groups_.size(); ++j) {
    if (groups_[j].selected < 0) continue;
    const size_t n = kChoices * j + static_cast<size_t>(groups_[j].selected);
    c.Values[n / 16] = static_cast<uint8_t>(c.Values[n / 16] | ((n % 4) << (2 * ((n / 4) % 4))));
  }
  std::array<std::string, 4> texts;
  for (size_t n = 0; n < texts.size(); ++n) texts[n] = fields_[n].text;
  c.Words = StoreWords(texts);
  return c;
}

void TCanModel::StoreData(TMemItems& items) { WriteCanConfig(Stored(), items[kRegionCan].Bytes()); }

const TCanModel::Choice* TCanModel::Selected(const Group& g) const {
  for (const Choice& c : g.choices)
    if (c.k == g.selected) return &c;
  return nullptr;
}

std::string TCanModel::ToJSON() const {
  json::Value user = json::Value::object();
  for (size_t i = 0; i < boxes_.size(); ++i) {
    json::Value v = json::Value::object();
    v["key"] = boxes_[i].caption;
    v["value"] = boxes_[i].checked;
    user["cbcan" + std::to_string(i)] = std::move(v);
  }
  for (size_t j = 0; j < groups_.size(); ++j) {
    const Choice* c = Selected(groups_[j]);
    if (!c) continue;
    json::Value v = json::Value::object();
    v["key"] = groups_[j].label;
    v["value"] = c->caption;
    user["lbcan" + std::to_string(j)] = std::move(v);
  }
  json::Value opt = json::Value::object();
  for (const TCanLamp& l : kCanLamps) opt[l.json] = ((config_.DataConfig >> l.bit) & 1u) != 0;
  json::Value page = json::Value::object();
  page["can_user"] = std::move(user);
  page["can_opt"] = std::move(opt);
  return json::Write(page);
}

std::vector<TCanLine> TCanModel::ReportLines() const {
  std::vector<TCanLine> lines;
  lines.push_back({true, can_text::kOptions});
  for (int l : kCanLampReportOrder) {
    const TCanLamp& lamp = kCanLamps[static_cast<size_t>(l)];
    lines.push_back({false, std::string(lamp.caption) + ": " + report::OnOff((config_.DataConfig >> lamp.bit) & 1u)});
  }
  lines.push_back({true, can_text::kSettings});
  for (const Box& b : boxes_) lines.push_back({false, b.caption + ": " + report::OnOff(b.checked)});
  lines.push_back({true, can_text::kFunctions});
  for (const Group& g : groups_) {
    const Choice* c = Selected(g);
    lines.push_back({false, c ? g.label + ": " + c->caption : g.label});
  }
  lines.push_back({true, can_text::kValues});
  for (const Field& f : fields_)
    if (f.visible) lines.push_back({false, f.caption + ": " + f.text});
  return lines;
}

std::vector<std::string> TCanModel::Show() const {
  std::vector<std::string> out;
  for (const TCanLine& l : ReportLines()) out.push_back((l.group ? "  " : "    ") + l.text);
  return out;
}

void TCanModel::Print(report::TCursor& cursor, const std::string& caption) const {
  cursor.Caption(caption);
  for (const TCanLine& l : ReportLines()) {
    if (l.group) cursor.Group(l.text);
    else cursor.Item(l.text);
  }
}

std::vector<std::string> TCanModel::SubPages() const {
  return {can_text::kSettings, can_text::kFunctions, can_text::kValues, can_text::kOptions};
}

// Every section is open whatever the mode.
bool TCanModel::SubPageEnabled(int index) const { return index >= 0 && index < 4; }

TControlState TCanModel::State(size_t index) const {
  TControlState st;
  if (index >= info_.size()) return st;
  const RowInfo& r = info_[index];
  switch (r.kind) {
    case RowKind::kBox:
      st.value = boxes_[static_cast<size_t>(r.ref)].checked;
      break;
    case RowKind::kLabel:
      break;
    case RowKind::kChoice:
      st.value = groups_[static_cast<size_t>(r.ref / kChoices)].selected == r.ref % kChoices;
      break;
    case RowKind::kField: {
      const Field& f = fields_[static_cast<size_t>(r.ref)];
      st.text = f.text;
      st.visible = f.visible;
      break;
    }
    case RowKind::kLamp:
      st.value = (config_.DataConfig >> kCanLamps[static_cast<size_t>(r.ref)].bit) & 1u;
      st.enabled = false;  // an indicator: the firmware says what it delivers
      break;
  }
  return st;
}

std::string TCanModel::Refuse(size_t index, int, const std::string& text) const {
  if (index < info_.size() && info_[index].kind == RowKind::kField && !ValidWordText(text))
    return can_text::kBadValue;
  return {};
}

void TCanModel::Apply(size_t index, int value, const std::string& text) {
  if (index >= info_.size()) return;
  const RowInfo& r = info_[index];
  switch (r.kind) {
    case RowKind::kBox:
      boxes_[static_cast<size_t>(r.ref)].checked = value != 0;
      break;
    case RowKind::kChoice:
      // Selecting a button clears the others of its group; a button is never cleared alone.
      if (value) groups_[static_cast<size_t>(r.ref / kChoices)].selected = r.ref % kChoices;
      break;
    case RowKind::kField:
      fields_[static_cast<size_t>(r.ref)].text = text;
      break;
    case RowKind::kLabel:
    case RowKind::kLamp:
      break;
  }
}

namespace {

// Places controls of the given sizes left to right on the page's grid: each
// starts at the first grid column at or past the right edge of the one
// before; a control whose column would lie beyond the last one opens a new
// row at the left. Rows are kRowStep apart, or further when a control of the
// row (a choice group with its buttons) is taller.
std::vector<TCanRect> Flow(const std::vector<std::pair<int, int>>& sizes) {
  std::vector<TCanRect> out;
  int x = TCanModel::kLeft, y = TCanModel::kTop, rowHeight = 0;
  for (size_t i = 0; i < sizes.size(); ++i) {
    const auto [w, h] = sizes[i];
    if (i > 0) {
      const int right = out.back().x + out.back().w;
      const int columns = std::max(0, right - TCanModel::kLeft + TCanModel::kColumn - 1) / TCanModel::kColumn;
      x = TCanModel::kLeft + columns * TCanModel::kColumn;
      if (x > TCanModel::kLastColumn) {
        x = TCanModel::kLeft;
        y += std::max(TCanModel::kRowStep, rowHeight + TCanModel::kRowStep - TCanModel::kBoxHeight);
        rowHeight = 0;
      }
    }
    out.push_back({x, y, w, h});
    rowHeight = std::max(rowHeight, h);
  }
  return out;
}

}  // namespace

std::vector<TCanRect> TCanModel::BoxLayout(const std::function<int(const std::string&)>& width) const {
  std::vector<std::pair<int, int>> sizes;
  for (const Box& b : boxes_) sizes.emplace_back(std::max(0, width(b.caption)) + kExtraWidth, kBoxHeight);
  return Flow(sizes);
}

std::vector<TCanGroupPlace> TCanModel::GroupLayout(const std::function<int(const std::string&)>& width) const {
  std::vector<std::pair<int, int>> sizes;
  for (const Group& g : groups_) {
    int w = std::max(0, width(g.label));
    for (const Choice& c : g.choices) w = std::max(w, width(c.caption));
    const int n = static_cast<int>(g.choices.size());
    sizes.emplace_back(w + kExtraWidth, n ? kRowStep * n + kBoxHeight : kLabelHeight);
  }
  const std::vector<TCanRect> at = Flow(sizes);
  std::vector<TCanGroupPlace> out;
  for (size_t j = 0; j < groups_.size(); ++j) {
    TCanGroupPlace p;
    p.label = {at[j].x, at[j].y, at[j].w, kLabelHeight};
    for (size_t k = 0; k < groups_[j].choices.size(); ++k)
      p.buttons.push_back({at[j].x, at[j].y + kRowStep * static_cast<int>(k + 1), at[j].w, kBoxHeight});
    out.push_back(std::move(p));
  }
  return out;
}

std::unique_ptr<TPageModel> CreateCanModel(TPageEnv& env) { return std::make_unique<TCanModel>(env); }

}  // namespace orv
