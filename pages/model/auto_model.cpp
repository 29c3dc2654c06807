#include "pages/model/auto_model.h"

#include "server/can_choice.h"
#include "server/release_update.h"

namespace orv {

const std::array<TSkipBox, 4>& SkipBoxes() {
  static const std::array<TSkipBox, 4> boxes = {{
      {"cbSkipCore1", auto_text::kSkipCore1, auto_text::kSkipCore1Hint, &ForceUpdate::cbSkipCore1},
      {"cbSkipCore2", auto_text::kSkipCore2, auto_text::kSkipCore2Hint, &ForceUpdate::cbSkipCore2},
      {"cbSkipRS", auto_text::kSkipRS, auto_text::kSkipCore1Hint, &ForceUpdate::cbSkipRS},
      {"cbSkipValet", auto_text::kSkipValet, auto_text::kSkipCore1Hint, &ForceUpdate::cbSkipValet},
  }};
  return boxes;
}

TVehicleReport VehicleReport(const can::CanChoice* choice, const std::string& canFwInfo, const FWInfo& info) {
  TVehicleReport r;
  r.makeSelected = choice && choice->MakeIndex() >= 0;
  r.canFwInfo = canFwInfo;
  r.installed = info.installed;
  return r;
}

std::string AutoModel::PDFName() const {
  if (!choice_ || !choice_->MakeChosen()) return release_text::kManualName;
  const can::Firmware* fw = choice_->Chosen();
  return std::string(release_text::kManualPrefix) + (fw ? fw->caption : std::string());
}

void AutoModel::UpdateCANFWInfo() {
  fwEnabled_ = choice_ && choice_->FirmwareEnabled();
  label8_ = fwEnabled_ ? can::choice_text::kChooseFirmware : can::choice_text::kOneFirmware;
}

bool AutoModel::ManualVisible() const { return choice_ && !choice_->FTechManuallLink.empty(); }

void AutoModel::SetUnitState(bool online, bool allowed, bool running) {
  if (online && !online_) canFwInfo_ = auto_text::kUnknown;
  online_ = online;
  allowed_ = allowed;
  running_ = running;
}

void AutoModel::SetSkip(size_t box, bool on) {
  if (box < SkipBoxes().size()) force_.*(SkipBoxes()[box].tick) = on;
}

bool AutoModel::Skip(size_t box) const { return box < SkipBoxes().size() && force_.*(SkipBoxes()[box].tick); }

void AutoModel::Select(int section) {
  if (section == kCanSection || section == kUpdatesSection) section_ = static_cast<Section>(section);
}

void AutoModel::OnShow() {
  if (section_ == kNoSection) section_ = kCanSection;
}

}  // namespace orv
