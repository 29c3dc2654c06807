#include "pages/model/impulses_page.h"

#include <cstdio>

#include "pages/model/connections_page.h"

namespace orv {
namespace {

std::string Format(const char* fmt, int v) {
  char buf[128];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

}  // namespace

TImpulsesPageModel::TImpulsesPageModel(TPageEnv& env) : TPageModel(env) {
  for (int k = 0; k < TImpulsesModel::kPatterns; ++k) {
    const std::string seq = "seq" + std::to_string(k);
    const std::string caption = TImpulsesModel::BuiltIn()[static_cast<size_t>(k)].Caption;
    controls_.push_back(MakeControl(seq + ".cycle", ControlKind::kCheck, caption, 0));
    controls_.push_back(MakeControl(seq + ".len", ControlKind::kSlider, caption, 0, 0, TImpulsesModel::kMaxPulses));
    for (int p = 1; p <= TImpulsesModel::kMaxPulses; ++p)
      controls_.push_back(MakeControl(seq + ".p" + std::to_string(p), ControlKind::kEdit, caption, 0, 0, 16));
  }
}

void TImpulsesPageModel::LoadData(TMemItems& items) {
  FixedPrompts no;
  imp_.LoadData(items, env_.prompts ? *env_.prompts : no, env_.forceSave, [&]() -> TConnectionsModel* {
    TConnectionsPageModel* conn = TConnectionsPageModel::Of(env_);
    return conn ? &conn->Conn() : nullptr;
  }());
  // The horn may have got its default wire: the connections page redraws.
  if (TConnectionsPageModel* conn = TConnectionsPageModel::Of(env_); conn && conn->OnChanged) conn->OnChanged();
  Changed();
}

void TImpulsesPageModel::StoreData(TMemItems& items) { imp_.StoreData(items); }

TControlState TImpulsesPageModel::State(size_t index) const {
  TControlState st;
  if (index >= controls_.size()) return st;
  const int k = static_cast<int>(index / kRowsPerSeq);
  const size_t row = index % kRowsPerSeq;
  const TImpSeq& s = imp_.Seq(k);
  if (row == 0) {
    st.value = s.Cyclic();
  } else if (row == 1) {
    st.value = s.Count();
    st.text = std::to_string(s.Count());
  } else {
    // Pulses after the count stay listed, so `set` names them with the page's refusal.
    const int p = static_cast<int>(row) - 2;
    if (p < s.Count()) {
      const uint16_t w = s.Data[static_cast<size_t>(p)];
      st.text = std::string((w & 0x8000) ? "on:" : "off:") + ((w & 0x7FFF) ? TImpulsesModel::DurationText(w) : "0");
    }
  }
  return st;
}

std::string TImpulsesPageModel::Run(TImpulsesModel& m, size_t index, int value, const std::string& text) const {
  const int k = static_cast<int>(index / kRowsPerSeq);
  const size_t row = index % kRowsPerSeq;
  if (row == 0) {
    if (m.Seq(k).Cyclic() != (value != 0)) m.ToggleCyclic(k);
    return {};
  }
  if (row == 1) {
    while (m.Seq(k).Count() < value)
      if (!m.AddPulse(k, m.Seq(k).Count())) return imp_text::kTooMany;
    while (m.Seq(k).Count() > value)
      if (!m.DeletePulse(k, m.Seq(k).Count() - 1)) return imp_text::kDeleteRefused;
    return {};
  }
  const int p = static_cast<int>(row) - 2;
  if (p >= m.Seq(k).Count()) return Format(imp_text::kNoPulse, p + 1);
  bool on = false;
  std::string sec;
  if (text.rfind("on:", 0) == 0) on = true, sec = text.substr(3);
  else if (text.rfind("off:", 0) == 0) sec = text.substr(4);
  else return imp_page_text::kBadPulse;
  // The editor: "Постоянно" for 0, else "Импульс" with the typed seconds.
  std::string typed = sec;
  for (char& c : typed)
    if (c == ',') c = '.';
  const bool permanent = typed == "0" || typed == "0.0" || typed == "0.00";
  const auto word = TImpulsesModel::EditorWord(on, permanent, sec);
  if (!word) return imp_page_text::kBadPulse;
  m.SetPulse(k, p, *word);
  return {};
}

std::string TImpulsesPageModel::Refuse(size_t index, int value, const std::string& text) const {
  TImpulsesModel trial = imp_;
  return Run(trial, index, value, text);
}

void TImpulsesPageModel::Apply(size_t index, int value, const std::string& text) { (void)Run(imp_, index, value, text); }

void TImpulsesPageModel::ToggleCyclic(int k) {
  imp_.ToggleCyclic(k);
  Changed();
}
bool TImpulsesPageModel::AddPulse(int k, int p) {
  const bool ok = imp_.AddPulse(k, p);
  Changed();
  return ok;
}
bool TImpulsesPageModel::DeletePulse(int k, int p) {
  const bool ok = imp_.DeletePulse(k, p);
  Changed();
  return ok;
}
void TImpulsesPageModel::SetPulse(int k, int p, uint16_t word) {
  imp_.SetPulse(k, p, word);
  Changed();
}

std::vector<std::string> TImpulsesPageModel::Show() const {
  std::vector<std::string> lines;
  for (int k = 0; k < TImpulsesModel::kPatterns; ++k) {
    const TImpSeq& s = imp_.Seq(k);
    char head[16];
    std::snprintf(head, sizeof head, "%.4X", s.Header);
    std::string line = "  seq" + std::to_string(k) + " " + s.Caption + " [" + head + "]";
    const std::string pulses = imp_.SeqToString(k);
    if (!pulses.empty()) line += " " + pulses;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::unique_ptr<TPageModel> CreateImpulsesModel(TPageEnv& env) { return std::make_unique<TImpulsesPageModel>(env); }

}  // namespace orv
