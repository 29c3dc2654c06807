#include "server/can_firmware.h"

#include <cstdio>

#include "device/clock.h"
#include "device/orvantis.h"
#include "server/api.h"
#include "server/http_client.h"
#include "settings/can_config.h"
#include "update/fw_hex.h"

namespace orv {

std::string UnquoteFirmwareBody(const std::string& body) {
  if (body.size() >= 2 && body.front() == '"' && body.back() == '"') return body.substr(1, body.size() - 2);
  return body;
}

CanFirmware::CanFirmware(CanHost host) : host_(std::move(host)), tree_(std::make_unique<can::CanTree>()) {
  choice_.SetTree(tree_.get());
}

bool CanFirmware::HttpGetCanList() {
  Status& st = *host_.status;
  const auto result = host_.http->Get(server::ApiUrl(host_.http->Options().baseUrl, server::kCanList));
  if (!result.ok) {
    server::ReportFailure(result, true, st, *host_.prompts);
    return false;
  }
  try {
    auto tree = std::make_unique<can::CanTree>(can::ParseCanList(result.body));
    choice_.SetTree(nullptr);
    tree_ = std::move(tree);
    choice_.SetTree(tree_.get());
    if (host_.listChanged) host_.listChanged();
    st.Replace("", can_text::kListReceived, true);
    FCanListRcvd = true;
    return true;
  } catch (const can::CanListError& e) {
    st.Display(can_text::kListFailed, true);
    st.Log(e.what());
    host_.prompts->MessageBox(can_text::kBadReply);
    st.FinishAction(kResError, can_text::kBadReply);
    return false;
  }
}

void CanFirmware::Task2() {
  HttpGetCanList();
  host_.status->SetStatus(cantask::kReqDone);
  if (host_.next) host_.next();
}

bool CanFirmware::Task4() {
  Status& st = *host_.status;
  auto fail = [&](const char* result) {
    st.FinishAction(kResError, result);
    if (host_.next) host_.next();
    return false;
  };
  if (!choice_.MakeChosen() || choice_.FCanId.empty()) {
    st.Display(can_text::kChooseFirst, true);
    return fail(can_text::kChooseFirst);
  }
  st.SetStatus(cantask::kReqChecking);
  if (!host_.link || !host_.link->OnLine()) {
    st.Log(can_text::kNoUnit);
    return fail(can_text::kNoUnitResult);
  }
  long httpStatus = 0;
  try {
    const uint32_t serial = host_.serial ? host_.serial() : 0;
    const auto result = host_.http->PostForm(server::CanFirmwareUrl(host_.http->Options().baseUrl),
                                             server::UnitFields(serial, {{"id", choice_.FCanId}}));
    httpStatus = result.status;
    if (!result.ok) {
      server::ReportFailure(result, false, st, *host_.prompts);
      throw std::runtime_error(result.errorText);
    }
    const std::string text = UnquoteFirmwareBody(result.body);
    if (text.empty()) {
      st.Display(can_text::kEmptyBody, true);
      return fail(can_text::kFetchFailed);
    }
    st.Replace("", can_text::kReceived, true);
    st.Log(can_text::kUpdating);
    st.SetStatus(cantask::kReqWriting);
    const auto image = LoadFWFromStream(text, st);
    UpdateEnv env{*host_.link, st, *host_.FReboot, *host_.FRebootOK, host_.setWriteEnabled};
    FirmwareUpdater updater(env, host_.timing);
    if (!updater.UploadFW(fwupdate::kCanCmd, image)) {
      st.FinishAction(kResError, can_text::kNotWritten);
      st.SetStatus(cantask::kReqFailed);
      if (host_.next) host_.next();
      return false;
    }
    *host_.FRebootOK = false;
    if (host_.firmwareWritten) host_.firmwareWritten(choice_.AnalogFWSelected);
    st.SetStatus(cantask::kReqRestarting);
    // The unit restarts into the new firmware; its return is handled by the
    // connection handling, which finishes this task.
    Clock& clock = SystemClock();
    const uint32_t start = clock.Ticks();
    for (;;) {
      host_.link->ProcessHIDMessages();
      if (*host_.FRebootOK || st.Request() != cantask::kReqRestarting) break;
      const uint32_t elapsed = clock.Ticks() - start;
      if (elapsed > cantask::kRestartWaitMs) break;
      host_.link->WaitForNotice(std::min<uint32_t>(cantask::kRestartWaitMs + 1 - elapsed, 100));
    }
    return true;
  } catch (const std::exception& e) {
    if (httpStatus != 200 && httpStatus != 0) {
      char buf[128];
      std::snprintf(buf, sizeof buf, can_text::kHttpError, static_cast<int>(httpStatus));
      st.Display(buf, true);
    } else if (httpStatus == 0) {
      st.Log(e.what());
    }
    return fail(can_text::kFetchFailed);
  }
}

bool CanFirmware::FinishAfterRestart() {
  Status& st = *host_.status;
  if (st.Request() != cantask::kReqRestarting) return false;
  st.FinishAction(kResOk, can_text::kDone);
  if (host_.next) host_.next();
  st.SetStatus(0);
  return true;
}

bool CanFirmware::DoCheckCanOptions(const TCanConfig& can) {
  const bool notEmpty = !can.Empty();
  if (notEmpty) host_.prompts->WarningDialog(can_text::kOptionsNotice, {can_text::kClose});
  if (host_.next) host_.next();
  return notEmpty;
}

}  // namespace orv
