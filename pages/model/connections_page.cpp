#include "pages/model/connections_page.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <mutex>
#include <vector>

#include "device/orvantis.h"
#include "pages/model/page_models.h"
#include "settings/config_data.h"

namespace orv {
namespace {

// Pages by the environment they share, so the impulses page finds this one.
std::mutex gRegistryMutex;
std::vector<std::pair<const TPageEnv*, TConnectionsPageModel*>> gRegistry;

std::optional<int> ParseWire(std::string_view text) {
  int v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

// "none", "can", "doors", "start" or "main:<W>" as a source and a wire.
std::optional<std::pair<uint8_t, int>> ParseSource(const std::string& text) {
  if (text == "none") return std::pair<uint8_t, int>{csNone, 0};
  if (text == "can") return std::pair<uint8_t, int>{csCan, 0};
  // Outputs refuse these two with the page's own reason.
  if (text == "doors") return std::pair<uint8_t, int>{csDoors, 0};
  if (text == "start") return std::pair<uint8_t, int>{csStart, 0};
  if (text.rfind("main:", 0) == 0)
    if (auto w = ParseWire(std::string_view(text).substr(5)); w && *w >= 0 && *w <= 255)
      return std::pair<uint8_t, int>{csMain, *w};
  return std::nullopt;
}

std::string Hex(const TConnEntry& e) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%.2X %.2X", e.b0, e.b1);
  return buf;
}

}  // namespace

TConnectionsPageModel::TConnectionsPageModel(TPageEnv& env) : TPageModel(env) {
  const auto in = TConnectionsModel::InputNames();
  const auto out = TConnectionsModel::OutputNames();
  inputsAt_ = controls_.size();
  for (size_t i = 0; i < in.size(); ++i)
    controls_.push_back(MakeControl("in" + std::to_string(i), ControlKind::kEdit, in[i], kInputsPage, 0, 16));
  invAt_ = controls_.size();
  for (size_t i = 0; i < in.size(); ++i) {
    TControl c = MakeControl("inv" + std::to_string(i), ControlKind::kCheck, in[i], kInputsPage);
    c.hint = ConnFormat(conn_page_text::kInvertHintFmt, in[i]);
    controls_.push_back(c);
  }
  outputsAt_ = controls_.size();
  for (size_t o = 0; o < out.size(); ++o)
    controls_.push_back(MakeControl("out" + std::to_string(o), ControlKind::kEdit, out[o], kOutputsPage, 0, 16));
  thrAt_ = controls_.size();
  for (int a : {4, 5})
    controls_.push_back(MakeControl("thr" + std::to_string(a), ControlKind::kEdit, "", kThresholdsPage, 0, 24));
  std::lock_guard lock(gRegistryMutex);
  gRegistry.emplace_back(&env_, this);
}

TConnectionsPageModel::~TConnectionsPageModel() {
  std::lock_guard lock(gRegistryMutex);
  std::erase_if(gRegistry, [this](const auto& e) { return e.second == this; });
}

TConnectionsPageModel* TConnectionsPageModel::Of(const TPageEnv& env) {
  std::lock_guard lock(gRegistryMutex);
  for (const auto& [e, m] : gRegistry)
    if (e == &env) return m;
  return nullptr;
}

TConnUnit TConnectionsPageModel::Unit() const {
  if (!link_ || !link_->OnLine()) return {};
  return {true, link_->BootState.DeviceInfo.Kind, link_->BootState.DeviceInfo.PCB};
}

TConnectionsLive::Context TConnectionsPageModel::LiveContext() const {
  TConnectionsLive::Context c;
  c.unit = Unit();
  if (link_) c.coreId = link_->CoreInfo.CoreID;
  c.alarmPowerLevel = alarmPowerLevel_;
  return c;
}

void TConnectionsPageModel::Sync() const { conn_.SetUnit(Unit()); }

void TConnectionsPageModel::LoadData(TMemItems& items) {
  Sync();
  FixedPrompts no;
  conn_.LoadData(items, env_.prompts ? *env_.prompts : no, env_.forceSave);
  alarmPowerLevel_ = UpdateConfig(items[kRegionConfig].Bytes()).AlarmPowerLevel;
  live_.SetContext(LiveContext());
  Changed();
}

void TConnectionsPageModel::StoreData(TMemItems& items) { conn_.StoreData(items); }

std::string TConnectionsPageModel::ToJSON() const { return Conn().ToJSON(); }

std::vector<std::string> TConnectionsPageModel::SubPages() const {
  return {conn_page_text::kInputs, conn_page_text::kOutputs, conn_page_text::kThresholds,
          conn_page_text::kDiagnostics, conn_page_text::kTags};
}

bool TConnectionsPageModel::SubPageEnabled(int index) const {
  return index >= 0 && index <= kTagsPage && (index < kDiagPage || ExpertMode());
}

std::string TConnectionsPageModel::SelectSubPage(int index) {
  if (index < 0 || index > kTagsPage) return {};
  if (!SubPageEnabled(index)) {
    subPage_ = kInputsPage;
    Changed();
    return page_text::kExpertOnly;
  }
  subPage_ = index;
  Changed();
  return {};
}

TControlState TConnectionsPageModel::State(size_t index) const {
  TControlState st;
  if (index >= controls_.size()) return st;
  const TConnectionsModel& m = Conn();
  if (index < invAt_) {
    st.text = m.InputGridText(static_cast<int>(index - inputsAt_));
  } else if (index < outputsAt_) {
    const int i = static_cast<int>(index - invAt_);
    st.value = m.Input(i).Inverted();
    st.visible = ExpertMode();  // the inversion column exists in expert mode only
  } else if (index < thrAt_) {
    st.text = m.OutputGridText(static_cast<int>(index - outputsAt_));
  } else {
    const int a = static_cast<int>(index - thrAt_);
    st.text = TConnectionsModel::ThresholdText(m.OffThreshold(a)) + " : " + TConnectionsModel::ThresholdText(m.OnThreshold(a));
  }
  return st;
}

std::string TConnectionsPageModel::Run(TConnectionsModel& m, size_t index, int value, const std::string& text) const {
  if (index < invAt_) {
    const auto src = ParseSource(text);
    if (!src) return conn_page_text::kBadSource;
    return m.ChooseInput(static_cast<int>(index - inputsAt_), src->first, src->second).message;
  }
  if (index < outputsAt_) {
    const int i = static_cast<int>(index - invAt_);
    if (m.Input(i).Inverted() == (value != 0)) return {};
    return m.ToggleInvert(i).message;
  }
  if (index < thrAt_) {
    const auto src = ParseSource(text);
    if (!src) return conn_page_text::kBadOutSource;
    return m.ChooseOutput(static_cast<int>(index - outputsAt_), src->first, src->second).message;
  }
  const int a = static_cast<int>(index - thrAt_);
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return conn_page_text::kBadThresholds;
  const auto off = TConnectionsModel::ThresholdFromText(text.substr(0, colon));
  const auto on = TConnectionsModel::ThresholdFromText(text.substr(colon + 1));
  if (!off || !on) return conn_page_text::kBadThresholds;
  // As leaving each edit box in turn: every move keeps the pair ordered.
  m.SetOffThreshold(a, *off);
  m.SetOnThreshold(a, *on);
  return {};
}

std::string TConnectionsPageModel::Refuse(size_t index, int value, const std::string& text) const {
  TConnectionsModel trial = Conn();
  return Run(trial, index, value, text);
}

void TConnectionsPageModel::Apply(size_t index, int value, const std::string& text) {
  Sync();
  (void)Run(conn_, index, value, text);
}

std::vector<std::string> TConnectionsPageModel::Show() const {
  const TConnectionsModel& m = Conn();
  std::vector<std::string> lines;
  lines.push_back("  " + std::string(conn_page_text::kInputs));
  for (int i = 0; i < TConnectionsModel::kInputs; ++i) {
    const TConnEntry& e = m.Input(i);
    std::string marks;
    if (e.Inverted()) marks += " [инв.]";
    if (e.Fixed()) marks += " [фикс.]";
    lines.push_back("    in" + std::to_string(i) + " " + TConnectionsModel::InputNames()[static_cast<size_t>(i)] + ": " +
                    m.InputGridText(i) + marks + " (" + Hex(m.StoredInput(i)) + ")");
  }
  lines.push_back("  " + std::string(conn_page_text::kOutputs));
  for (int o = 0; o < TConnectionsModel::kOutputs; ++o) {
    const TConnEntry& e = m.Output(o);
    lines.push_back("    out" + std::to_string(o) + " " + TConnectionsModel::OutputNames()[static_cast<size_t>(o)] +
                    ": " + m.OutputGridText(o) + (e.Fixed() ? " [фикс.]" : "") + " (" + Hex(m.StoredOutput(o)) + ")");
  }
  lines.push_back("  " + std::string(conn_page_text::kThresholds));
  for (int a = 0; a < 2; ++a) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%.2X %.2X", m.OffThreshold(a), m.OnThreshold(a));
    lines.push_back("    thr" + std::to_string(a + 4) + " " + m.ThresholdCaption(a) + ": выключен ниже " +
                    TConnectionsModel::ThresholdText(m.OffThreshold(a)) + ", включен выше " +
                    TConnectionsModel::ThresholdText(m.OnThreshold(a)) + " (" + hex + ")");
  }
  return lines;
}

void AttachLink(TPageModels& pages, const TOrvantis* link) {
  if (auto* conn = pages.ModelAs<TConnectionsPageModel>("ConnectionsFrame")) conn->SetLink(link);
}

std::unique_ptr<TPageModel> CreateConnectionsModel(TPageEnv& env) {
  return std::make_unique<TConnectionsPageModel>(env);
}

}  // namespace orv
