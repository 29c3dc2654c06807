#include "update/fw_tasks.h"

#include <sstream>
#include <stdexcept>

#include "device/identity.h"
#include "device/orvantis.h"
#include "update/fw_hex.h"
#include "update/fw_texts.h"

namespace orv {

FirmwareTasks::FirmwareTasks(FirmwareHost host) : host_(std::move(host)) { InitFirmwareCatalogue(FCoreFW); }

void FirmwareTasks::RefreshFromUnit() {
  TOrvantis& link = *host_.link;
  for (TFW& s : FCoreFW.all) s.Burned = "?";
  FCoreFW[Slot::Core2].Corrupted = false;
  canFwInfo_ = "?";
  if (link.GetCoreInfo())
    FCoreFW[Slot::Core1].Burned = CreateCoreName(link.CoreInfo.DeviceInfo, link.CoreInfo.CoreID,
                                                 TextOf(link.CoreInfo.TextInfo, sizeof link.CoreInfo.TextInfo));
  if (link.GetBoot2Rec() && link.Boot2Rec.HasAuxiliary()) {
    if (link.GetCore2Info())
      FCoreFW[Slot::Core2].Burned =
          CreateCoreName(link.Core2Info.FirmwareInfo.DeviceInfo, link.Core2Info.FirmwareInfo.VersionInfo,
                         TextOf(link.Core2Info.TextInfo, sizeof link.Core2Info.TextInfo));
    if (link.Boot2Rec.FwError != 0) {
      if (auto text = Mpu2ErrorText(link.Boot2Rec.FwError)) host_.status->Log(*text);
      FCoreFW[Slot::Core2].Corrupted = true;
    }
  }
  if (link.GetCanFwInfo()) canFwInfo_ = TextOf(link.CanFwInfo.TextInfo, sizeof link.CanFwInfo.TextInfo);
  GetExtDevicesOnlineState();
  UpdateFWInfo();
}

void FirmwareTasks::GetExtDevicesOnlineState() {
  TOrvantis& link = *host_.link;
  if (!link.OnLine() || !link.GetVersionDevices()) return;
  ApplyModuleVersions(FCoreFW, link.VersionDevices.Hestor, link.VersionDevices.RStart);
}

void FirmwareTasks::UpdateFWInfo() {
  info_ = orv::UpdateFWInfo(FCoreFW, force_);
  if (host_.showInfo) host_.showInfo(info_);
}

void FirmwareTasks::Check(bool ask) {
  Status& st = *host_.status;
  try {
    const std::string package = host_.fetchPackage(false);
    ParseFWPacket(package, FCoreFW, [&st](const std::string& line) { st.Log(line); });
    UpdateFWInfo();
  } catch (const std::exception& e) {
    st.Display(fwtext::kCheckError, true);
    st.FinishAction(kResError, fwtext::kCheckErrorResult);
    if (host_.prompts) host_.prompts->MessageBox(e.what());
    return;
  }
  if (info_.needUpdate) {
    st.Replace("", fwtext::kHasUpdate, true);
    st.FinishAction(kResOk, fwtext::kNeedsUpdateResult);
    if (host_.showUpdatePage) host_.showUpdatePage();
    if (!ask) return;
    const auto answer = host_.prompts ? host_.prompts->WarningDialog(UpdateQuestion(FCoreFW), {"Да", "Нет"})
                                      : Prompts::Answer::kNo;
    if (answer == Prompts::Answer::kYes) {
      if (host_.queueTail) host_.queueTail(fwtask::kUpdate);
      *host_.FCoreUpdatesChecked = true;
    } else {
      st.Log(fwtext::kDeclined);
    }
  } else {
    *host_.FCoreUpdatesChecked = true;
    st.Replace("", fwtext::kUpToDate, true);
    st.FinishAction(kResOk, fwtext::kUpToDateResult);
  }
}

void FirmwareTasks::Update() {
  Status& st = *host_.status;
  UpdateEnv env{*host_.link, st, *host_.FReboot, *host_.FRebootOK, host_.setWriteEnabled};
  FirmwareUpdater updater(env, host_.timing);
  percent_ = 0;
  try {
    const std::string package = host_.fetchPackage(true);
    st.Replace("", fwtext::kFilesReceived, true);
    ParseFWPacket(package, FCoreFW, [&st](const std::string& line) { st.Log(line); });
    UpdateFWInfo();
    st.SetStatus(0);
    updater.UpdateCore(FCoreFW);
    percent_ = updater.Percent();
    if (host_.deviceChange) host_.deviceChange();
    UpdateFWInfo();
  } catch (const std::exception& e) {
    percent_ = updater.Percent();
    st.Display(fwtext::kUpdateError, true);
    st.FinishAction(kResError, fwtext::kUpdateErrorResult);
    st.Display(fwtext::kCheckError, true);
    st.FinishAction(kResError, fwtext::kCheckErrorResult);
    if (host_.queueTail) host_.queueTail(fwtask::kCheck);
    if (host_.prompts) host_.prompts->MessageBox(e.what());
    return;
  }
  if (host_.queueTail) host_.queueTail(fwtask::kCheck);
  if (st.Request() == fwupdate::kReqFailed) {
    st.Display(fwtext::kUpdateError, true);
    st.FinishAction(kResError, fwtext::kUpdateErrorResult);
  } else {
    st.Progress(fwtext::kUpdateDone, true, 100);
    st.Display(fwtext::kUpdateDone, true);
    st.FinishAction(kResOk, fwtext::kUpdateDoneResult);
  }
  st.SetStatus(0);
}

ForceUpdate ParseForceList(const std::string& list) {
  ForceUpdate f;
  f.cbForceUpdate = true;
  std::stringstream in(list);
  std::string name;
  while (std::getline(in, name, ',')) {
    if (name == "core") f.cbSkipCore1 = false;
    else if (name == "aux") f.cbSkipCore2 = false;
    else if (name == "rs") f.cbSkipRS = false;
    else if (name == "hestor") f.cbSkipValet = false;
    else throw std::invalid_argument("--force: unknown slot '" + name + "' (core, aux, rs, hestor)");
  }
  return f;
}

}  // namespace orv
