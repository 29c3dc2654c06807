// The firmware catalogue of the connected unit and the two tasks built on it:
// the update check (task 22: package "core/get", decisions, the question) and
// the update (task 10: package "core/set" with the images, UpdateCore, a fresh
// look at the unit, a new check queued). Also the unit-side steps of every
// connection: the "burned" names, the auxiliary processor's error, the radio
// modules' versions.
//
// Qt-free: the window and the CLI give it their link, Status, Prompts, queue
// and package source through FirmwareHost. Runs on the link's owner thread.
// Each task body returns normally on every path (failures are reported through
// Status and Prompts); the caller releases the queue.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/seams.h"
#include "update/fw_catalogue.h"
#include "update/fw_update.h"

namespace orv {

class TOrvantis;

namespace fwtask {
constexpr uint8_t kCheck = 22;
constexpr uint8_t kUpdate = 10;
}  // namespace fwtask

struct FirmwareHost {
  TOrvantis* link = nullptr;
  Status* status = nullptr;
  Prompts* prompts = nullptr;
  bool* FReboot = nullptr;
  bool* FRebootOK = nullptr;
  bool* FCoreUpdatesChecked = nullptr;
  // The package text: "core/get" (withImages false) or "core/set". Throws on
  // any failure (network, HTTP status) with a message for the user.
  std::function<std::string(bool withImages)> fetchPackage;
  // Appends a task unless it is queued already.
  std::function<void(uint8_t task)> queueTail;
  // Runs the window's device-change handling once, as on an arrival.
  std::function<void()> deviceChange;
  // Summaries changed; aCoreUpdate follows info.needUpdate.
  std::function<void(const FWInfo& info)> showInfo;
  // The vehicle page shows its updates section.
  std::function<void()> showUpdatePage;
  std::function<void(bool enabled)> setWriteEnabled;
  UpdateTiming timing{};
};

class FirmwareTasks {
 public:
  explicit FirmwareTasks(FirmwareHost host);

  TCoreFW& Catalogue() { return FCoreFW; }
  ForceUpdate& Force() { return force_; }
  const FWInfo& Info() const { return info_; }
  bool FWNeedUpdate() const { return info_.needUpdate; }
  // lbCanFwInfo: the CAN firmware's text, "?" while unknown.
  const std::string& CanFwInfo() const { return canFwInfo_; }

  // Unit side of a connection, after the identity query: Burned names,
  // Core2.Corrupted (with the MPU2 text logged), module versions, UpdateFWInfo.
  void RefreshFromUnit();
  // The radio modules' versions; unchanged when the unit does not answer.
  void GetExtDevicesOnlineState();
  void UpdateFWInfo();

  // Task bodies (the task table shows the titles first). A check with `ask`
  // false only reports (the question is neither asked nor declined).
  void Check(bool ask = true);
  void Update();

  // Overall progress of the update run, 0..100.
  int UpdatePercent() const { return percent_; }

 private:
  FirmwareHost host_;
  TCoreFW FCoreFW;
  ForceUpdate force_;
  FWInfo info_;
  std::string canFwInfo_ = "?";
  int percent_ = 0;
};

// Parses the --force list: any of core, aux, rs, hestor, comma-separated.
// Throws std::invalid_argument on an unknown name.
ForceUpdate ParseForceList(const std::string& list);

}  // namespace orv
