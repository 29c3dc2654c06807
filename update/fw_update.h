// Firmware updates through the unit: the system core through its boot loader,
// the auxiliary firmware of the second processor with progress polling, and
// the radio modules' images staged in the external flash for the unit to
// deliver (command 149).
//
// A core update is a fixed sequence of named stages (stage the image, enter
// the loader, send the update command, follow the restart), each with a weight
// so one progress figure moves from 0 to 100 over the whole UpdateCore run;
// Status::Progress carries it, with the window kept alive on every call.
// Every wait for the unit blocks on the link's notices with a deadline (the
// time limits are named constants); plug and unplug notices are delivered while
// waiting, so the window's plug callback can set FRebootOK.
//
// Runs on the link's owner thread. FReboot is cleared on every path out of
// UploadFW and UploadFW2; the write-settings button comes back after every
// WaitReBoot, also when it is left by an exception.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/seams.h"
#include "device/clock.h"
#include "update/fw_catalogue.h"

namespace orv {

class TOrvantis;

namespace fwupdate {
constexpr uint32_t kCoreStaging = 0x40000;
constexpr uint32_t kAuxStaging = 0x100000;
constexpr uint8_t kCoreCmd = 8;
constexpr uint8_t kCanCmd = 7;
constexpr uint8_t kLoaderUnlock = 100;
constexpr uint16_t kUpdateTicks = 500;
constexpr uint8_t kAuxStartCmd = 188;
constexpr uint8_t kAuxProgressCmd = 186;
constexpr uint8_t kModulesCmd = 149;
constexpr size_t kAuxStartReply = 21;
constexpr size_t kAuxProgressReply = 20;
constexpr uint32_t kAuxReplyTimeout = 200;
constexpr int kAuxPollTries = 3;

// Request states (FRequest).
constexpr int kReqCore = 11;
constexpr int kReqAux = 14;
constexpr int kReqModule = 30;
constexpr int kReqFailed = 21;

// Reply codes of the update command.
constexpr uint8_t kUpdateDone = 3;
constexpr uint8_t kUpdateNoReply = 0xFE;
}  // namespace fwupdate

// The waits, as the unit's firmware expects them; tests may shorten them.
struct UpdateTiming {
  uint32_t rebootConfirmMs = 9999;    // restart confirmation after a core update
  uint32_t dropOffMs = 10000;         // the unit drops off USB when its loader starts
  uint32_t holdOfflineMs = 10000;     // link held offline when it did not
  uint32_t backOnlineMs = 5000;       // link back after it was forced offline
  uint32_t reconnectMs = 10000;       // the unit back after the loader restart
  uint32_t auxConfirmMs = 14999;      // restart confirmation after the auxiliary update
  uint32_t auxPollPauseMs = 1000;     // before each progress request
};

// What the procedures share with the window.
struct UpdateEnv {
  TOrvantis& link;
  Status& status;
  bool& FReboot;    // an image is being written; the unit will restart
  bool& FRebootOK;  // set by the plug handling when the unit is back with a finished update
  // btnBtnDn, disabled while a restart is followed; may be empty.
  std::function<void(bool enabled)> setWriteEnabled;
  Clock& clock = SystemClock();
};

class FirmwareUpdater {
 public:
  explicit FirmwareUpdater(UpdateEnv env, UpdateTiming timing = {});

  // The whole sequence: core, auxiliary firmware, module images, command 149.
  // Throws FirmwareIntegrityError when an image fails its check (the slots
  // after it are not processed).
  void UpdateCore(TCoreFW& fw);

  bool UploadFW(uint8_t updateCmd, const std::vector<uint8_t>& image);
  bool SetBootMode();
  bool WaitReBoot();
  bool UploadFW2(uint8_t updateCmd, const std::vector<uint8_t>& image);
  // True when the image was staged. Throws FirmwareIntegrityError.
  bool StageModuleFirmware(TFW& slot);

  // Overall progress of the last UpdateCore run, 0..100.
  int Percent() const { return percent_; }

 private:
  // Delivers notices until `done` holds or `ms` passed; `tick` sees the
  // elapsed time after each slice.
  bool WaitFor(const std::function<bool()>& done, uint32_t ms, const std::function<void(uint32_t)>& tick = {});
  bool EraseBlocks(uint32_t addr, uint32_t size, double from, double to);
  bool WriteChunks(const std::vector<uint8_t>& image, uint32_t addr, double from, double to);
  // Progress inside the current slot: `fraction` of its weight.
  void Step(double fraction, const std::string& text = {});
  void WaitConfirmation(uint32_t ms, double from, double to);
  struct Standalone;

  UpdateEnv env_;
  UpdateTiming timing_;
  // Progress: the weight of the slots already done, of the current one, and of all.
  double doneWeight_ = 0, slotWeight_ = 0, totalWeight_ = 0;
  int percent_ = 0;
  std::string progressText_;
  bool failed_ = false;  // a slot failed in this UpdateCore run
};

}  // namespace orv
