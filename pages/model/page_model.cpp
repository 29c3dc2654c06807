#include "pages/model/page_model.h"

#include <algorithm>
#include <charconv>

#include "settings/sms_text.h"

namespace orv {

void TPageModel::LoadData(TMemItems&) { throw EAbstractModelError(); }
void TPageModel::StoreData(TMemItems&) { throw EAbstractModelError(); }

void TPageModel::SetExpertMode(bool value) {
  expert_ = value;
  Changed();
}

bool TPageModel::SubPageEnabled(int index) const {
  return index >= 0 && index < static_cast<int>(SubPages().size());
}

std::string TPageModel::SelectSubPage(int index) {
  if (index < 0 || index >= static_cast<int>(SubPages().size())) return {};
  subPage_ = index;
  Changed();
  return {};
}

int TPageModel::Find(std::string_view name) const {
  for (size_t i = 0; i < controls_.size(); ++i)
    if (controls_[i].name == name) return static_cast<int>(i);
  return -1;
}

std::string TPageModel::Change(size_t index, int value, const std::string& text) {
  if (index >= controls_.size()) return "нет такого элемента";
  if (std::string why = Refuse(index, value, text); !why.empty()) {
    Changed();
    return why;
  }
  Apply(index, value, text);
  Changed();
  return {};
}

namespace {

std::optional<int> ParseNumber(std::string_view text) {
  int v = 0;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || p != end || text.empty()) return std::nullopt;
  return v;
}

// Length in characters of UTF-8 text.
size_t Characters(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

}  // namespace

std::string TPageModel::Set(std::string_view name, std::string_view value) {
  const int i = Find(name);
  if (i < 0) return "нет такого элемента";
  const auto index = static_cast<size_t>(i);
  const TControl& row = controls_[index];
  const TControlState st = State(index);
  if (!st.visible) return "элемент скрыт";
  if (!st.enabled) return "элемент недоступен";
  int number = 0;
  std::string text;
  switch (row.kind) {
    case ControlKind::kCheck: {
      auto v = ParseNumber(value);
      if (!v || (*v != 0 && *v != 1)) return "допустимые значения: 0 или 1";
      number = *v;
      break;
    }
    case ControlKind::kRadio: {
      auto v = ParseNumber(value);
      if (!v || *v != 1) return "переключатель можно только включить: 1";
      number = 1;
      break;
    }
    case ControlKind::kSlider: {
      auto v = ParseNumber(value);
      if (!v || *v < row.min || *v > row.max)
        return "допустимый диапазон: " + std::to_string(row.min) + ".." + std::to_string(row.max);
      number = *v;
      break;
    }
    case ControlKind::kNote:
      return "элемент нельзя изменить";
    case ControlKind::kEdit:
      if (Characters(value) > static_cast<size_t>(row.max))
        return "не более " + std::to_string(row.max) + " символов";
      text = std::string(value);
      break;
  }
  return Change(index, number, text);
}

std::string ShownValue(const TControl& row, const TControlState& state) {
  switch (row.kind) {
    case ControlKind::kCheck:
    case ControlKind::kRadio:
      return std::string(state.value ? "[x] " : "[ ] ") + row.caption;
    case ControlKind::kSlider:
    case ControlKind::kEdit:
      return state.text;
    case ControlKind::kNote:
      return row.caption;
  }
  return {};
}

std::vector<std::string> TPageModel::Show() const {
  std::vector<std::string> lines;
  for (size_t i = 0; i < controls_.size(); ++i) {
    const TControlState st = State(i);
    if (!st.visible || controls_[i].kind == ControlKind::kNote) continue;
    lines.push_back("  " + controls_[i].name + ": " + ShownValue(controls_[i], st));
  }
  return lines;
}

std::string RefuseNonAscii(const std::string& before, const std::string& after) {
  for (size_t i = 0; i < after.size();) {
    const auto c = static_cast<unsigned char>(after[i]);
    size_t n = 1;
    if (c >= 0xF0) n = 4;
    else if (c >= 0xE0) n = 3;
    else if (c >= 0xC0) n = 2;
    const std::string ch = after.substr(i, n);
    i += n;
    if (c >= 0x20 && c <= 0x7E) continue;
    if (before.find(ch) == std::string::npos) return "допустимы только латинские буквы, цифры и знаки ASCII";
  }
  return {};
}

void PutUnitText(const std::string& text, uint8_t* dest, size_t n) {
  const std::vector<uint8_t> bytes = EncodeSmsText(text);
  for (size_t i = 0; i < n; ++i) dest[i] = i < bytes.size() ? bytes[i] : 0;
}

}  // namespace orv
