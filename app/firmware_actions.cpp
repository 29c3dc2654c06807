#include "app/firmware_actions.h"

#include "device/orvantis.h"
#include "update/fw_texts.h"

namespace orv {

FirmwareActions::FirmwareActions(MainCore& core, TOrvantis& link, Prompts& prompts,
                                 std::function<std::string(bool)> fetch, UpdateTiming timing)
    : core_(core), link_(link), tasks_([&] {
        FirmwareHost h;
        h.link = &link;
        h.status = &core.StatusPanel();
        h.prompts = &prompts;
        h.FReboot = &core.FReboot;
        h.FRebootOK = &core.FRebootOK;
        h.FCoreUpdatesChecked = &core.FCoreUpdatesChecked;
        h.fetchPackage = std::move(fetch);
        h.queueTail = [&core](uint8_t t) { core.QueueTail(t); };  // a queued number keeps its place
        h.deviceChange = [&core] { core.OnDeviceChange(); };
        h.setWriteEnabled = [this](bool on) {
          if (setWriteEnabled) setWriteEnabled(on);
        };
        h.showInfo = [this](const FWInfo& info) {
          SetEnabled(!disabled_ && info.needUpdate);
          if (onInfoChanged) onInfoChanged(info);
        };
        h.showUpdatePage = [this] {
          if (onShowUpdatePage) onShowUpdatePage();
        };
        h.timing = timing;
        return h;
      }()) {
  core_.Table().Set(fwtask::kCheck, {fwtext::kCheckTitle, fwtext::kCheckProgress, [this] {
                                       tasks_.Check();
                                       core_.Tasks().Next();
                                     }});
  core_.Table().Set(fwtask::kUpdate, {fwtext::kUpdateTitle, fwtext::kUpdateProgress, [this] {
                                        tasks_.Update();
                                        core_.Tasks().Next();
                                      }});
  core_.onUnitRefresh = [this](bool online) {
    if (online) tasks_.RefreshFromUnit();
    else SetEnabled(true);  // offline the action stays usable and explains itself
  };
  core_.onDisableButtons = [this](bool disable) {
    disabled_ = disable;
    SetEnabled(!disable && tasks_.FWNeedUpdate());
  };
}

FirmwareActions::~FirmwareActions() {
  core_.onUnitRefresh = nullptr;
  core_.onDisableButtons = nullptr;
  core_.Table().Remove(fwtask::kCheck);
  core_.Table().Remove(fwtask::kUpdate);
}

void FirmwareActions::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (onEnabledChanged) onEnabledChanged(enabled);
}

void FirmwareActions::CoreUpdate() {
  if (link_.OnLine()) {
    core_.QueueTail(fwtask::kUpdate);
    return;
  }
  core_.StatusPanel().Log(fwtext::kNoConnection);
  core_.StatusPanel().FinishAction(kResError, fwtext::kNotConnected);
}

}  // namespace orv
