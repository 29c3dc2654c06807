#include "update/fw_update.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "device/orvantis.h"
#include "update/fw_hex.h"
#include "update/fw_texts.h"

namespace orv {

namespace {

// Longest slice of a wait before the window gets its events.
constexpr uint32_t kWaitSliceMs = 50;

// Weights of the slots in the overall progress, and of the stages inside a
// core update (stage image, enter loader, update command, restart).
constexpr double kCoreWeight = 100, kAuxWeight = 100, kModuleWeight = 30;
constexpr double kCoreErased = 0.05, kCoreStaged = 0.45, kCoreInLoader = 0.65, kCoreUpdated = 0.80;
constexpr double kAuxErased = 0.05, kAuxStaged = 0.50, kAuxDone = 0.90;
constexpr double kModuleErased = 0.10;

std::string Fmt(const char* fmt, int a, int b = 0) {
  char buf[256];
  std::snprintf(buf, sizeof buf, fmt, a, b);
  return buf;
}

std::string FmtS(const char* fmt, const std::string& s) {
  char buf[512];
  std::snprintf(buf, sizeof buf, fmt, s.c_str());
  return buf;
}

// Clears a flag on every path out of a scope.
struct ClearOnExit {
  bool& flag;
  ~ClearOnExit() { flag = false; }
};

}  // namespace

FirmwareUpdater::FirmwareUpdater(UpdateEnv env, UpdateTiming timing) : env_(std::move(env)), timing_(timing) {}

bool FirmwareUpdater::WaitFor(const std::function<bool()>& done, uint32_t ms, const std::function<void(uint32_t)>& tick) {
  const uint32_t start = env_.clock.Ticks();
  for (;;) {
    env_.link.ProcessHIDMessages();
    if (done()) return true;
    const uint32_t elapsed = TicksSince(env_.clock.Ticks(), start);
    if (elapsed >= ms) return false;
    env_.link.WaitForNotice(std::min(ms - elapsed, kWaitSliceMs));
    if (tick) tick(TicksSince(env_.clock.Ticks(), start));
    else env_.status.Progress(progressText_, true, totalWeight_ > 0 ? percent_ : -1);
  }
}

// A procedure run on its own (the CAN firmware, tests) has a figure of its own.
struct FirmwareUpdater::Standalone {
  FirmwareUpdater& u;
  bool own;
  explicit Standalone(FirmwareUpdater& up) : u(up), own(up.totalWeight_ <= 0) {
    if (!own) return;
    u.doneWeight_ = 0;
    u.slotWeight_ = u.totalWeight_ = 1;
    u.percent_ = 0;
  }
  ~Standalone() {
    if (own) u.slotWeight_ = u.totalWeight_ = 0;
  }
};

void FirmwareUpdater::Step(double fraction, const std::string& text) {
  if (!text.empty()) progressText_ = text;
  if (totalWeight_ <= 0) {
    env_.status.Progress(progressText_, true, -1);  // the window stays alive all the same
    return;
  }
  const double f = std::clamp(fraction, 0.0, 1.0);
  const int p = static_cast<int>(std::floor(100.0 * (doneWeight_ + f * slotWeight_) / totalWeight_));
  percent_ = std::max(percent_, std::min(p, 100));
  env_.status.Progress(progressText_, true, percent_);
}

bool FirmwareUpdater::EraseBlocks(uint32_t addr, uint32_t size, double from, double to) {
  // One erase request per 128 KiB step, as EraseFlash sends them.
  const uint32_t steps = (size + memlimits::kEraseStep - 1) / memlimits::kEraseStep;
  for (uint32_t i = 0; i < steps; ++i) {
    const uint32_t left = size - i * memlimits::kEraseStep;
    if (!env_.link.EraseFlash(addr + i * memlimits::kEraseStep, std::min(left, memlimits::kEraseStep))) return false;
    Step(from + (to - from) * (i + 1) / steps);
  }
  return true;
}

bool FirmwareUpdater::WriteChunks(const std::vector<uint8_t>& image, uint32_t addr, double from, double to) {
  // One write request per 2048 bytes, as WriteFlash sends them.
  const size_t size = image.size();
  for (size_t off = 0; off < size; off += memlimits::kWriteFlashChunk) {
    const auto n = static_cast<uint32_t>(std::min<size_t>(memlimits::kWriteFlashChunk, size - off));
    if (!env_.link.WriteFlash(image.data() + off, addr + static_cast<uint32_t>(off), n)) return false;
    Step(from + (to - from) * static_cast<double>(off + n) / static_cast<double>(size));
  }
  return true;
}

void FirmwareUpdater::WaitConfirmation(uint32_t ms, double from, double to) {
  env_.FRebootOK = false;
  WaitFor([this] { return env_.FRebootOK; }, ms,
          [&](uint32_t elapsed) { Step(from + (to - from) * std::min(1.0, static_cast<double>(elapsed) / ms)); });
}

bool FirmwareUpdater::UploadFW(uint8_t updateCmd, const std::vector<uint8_t>& image) {
  Standalone standalone(*this);
  env_.FReboot = true;
  ClearOnExit clear{env_.FReboot};
  const auto size = static_cast<uint32_t>(image.size());
  Status& st = env_.status;

  st.Display(fwtext::kClearing, true);
  Step(0, fwtext::kClearing);
  if (!EraseBlocks(fwupdate::kCoreStaging, size, 0, kCoreErased)) {
    st.Log(fwtext::kEraseError);
    return false;
  }
  st.Replace("", fwtext::kWriting, true);
  Step(kCoreErased, fwtext::kWriting);
  if (!WriteChunks(image, fwupdate::kCoreStaging, kCoreErased, kCoreStaged)) {
    st.Log(fwtext::kWriteError);
    return false;
  }
  st.Replace("", fwtext::kWritten, true);
  Step(kCoreStaged, fwtext::kLoaderStart);
  if (!SetBootMode()) {
    st.Log(fwtext::kLoaderNotStarted);
    return false;
  }
  st.Display(fwtext::kUpdateRunning, true);
  Step(kCoreInLoader, fwtext::kUpdateRunning);
  const uint8_t code = env_.link.UpDateFirmWare(updateCmd, size, fwupdate::kUpdateTicks);
  Step(kCoreUpdated);
  switch (code) {
    case 0: st.Log(fwtext::kCode0); return false;
    case 1: st.Log(fwtext::kCode1); return false;
    case 2: st.Log(fwtext::kCode2); return false;
    case fwupdate::kUpdateDone: st.Replace("", fwtext::kCode3, true); return true;
    case 4: st.Log(fwtext::kCode4); return false;
    case fwupdate::kUpdateNoReply: st.Log(fwtext::kCode254); return false;
    case 255: st.Log(fwtext::kCode255); return false;
    default: st.Log(Fmt(fwtext::kCodeOther, code)); return false;
  }
}

bool FirmwareUpdater::SetBootMode() {
  const uint8_t reply = env_.link.UnLockROM(fwupdate::kLoaderUnlock);
  if (reply == 1) return true;
  if (reply != 2) return false;
  env_.status.Log(fwtext::kLoaderStart);
  if (!WaitReBoot()) return false;
  return env_.link.UnLockROM(fwupdate::kLoaderUnlock) == 1;
}

bool FirmwareUpdater::WaitReBoot() {
  struct ButtonBack {
    const std::function<void(bool)>& set;
    ~ButtonBack() {
      if (set) set(true);
    }
  } back{env_.setWriteEnabled};
  if (env_.setWriteEnabled) env_.setWriteEnabled(false);
  Status& st = env_.status;
  TOrvantis& link = env_.link;
  const double base = kCoreStaged, span = kCoreInLoader - kCoreStaged;
  auto progress = [&](double from, double to, uint32_t limit) {
    return [=, this](uint32_t elapsed) { Step(base + span * (from + (to - from) * std::min(1.0, double(elapsed) / limit))); };
  };

  st.Replace("", fwtext::kRebooting, true);
  bool online = !WaitFor([&] { return !link.OnLine(); }, timing_.dropOffMs, progress(0, 0.3, timing_.dropOffMs));
  if (!online) {
    st.Replace("", fwtext::kRestarting, true);
  } else {
    st.Log(fwtext::kNotDisconnected);
    st.Log(fwtext::kSwitchingOff);
    link.SetOnLine(false);
    WaitFor([] { return false; }, timing_.holdOfflineMs, progress(0.3, 0.5, timing_.holdOfflineMs));
    online = link.OnLine();
    if (online) st.Log(fwtext::kNotDisconnected);
    st.Log(fwtext::kSwitchingOn);
    link.SetOnLine(true);
    if (WaitFor([&] { return link.OnLine(); }, timing_.backOnlineMs, progress(0.5, 0.6, timing_.backOnlineMs)))
      st.Log(fwtext::kSwitchedOn);
  }
  if (!online) {
    st.Replace("", fwtext::kWaitingConnection, true);
    online = WaitFor([&] { return link.OnLine(); }, timing_.reconnectMs, progress(0.6, 1.0, timing_.reconnectMs));
    if (online) st.Replace("", fwtext::kRebootDone, true);
  }
  return online;
}

bool FirmwareUpdater::UploadFW2(uint8_t updateCmd, const std::vector<uint8_t>& image) {
  Standalone standalone(*this);
  env_.FReboot = true;
  ClearOnExit clear{env_.FReboot};
  Status& st = env_.status;
  TOrvantis& link = env_.link;
  if (link.State.InBootLoader()) {
    st.Log(fwtext::kInLoader);
    return false;
  }
  const auto size = static_cast<uint32_t>(image.size());
  st.Display(fwtext::kFlashWriting, true);
  Step(0, fwtext::kFlashWriting);
  if (!EraseBlocks(fwupdate::kAuxStaging, size, 0, kAuxErased)) {
    st.Log(fwtext::kAuxEraseError);
    return false;
  }
  if (!WriteChunks(image, fwupdate::kAuxStaging, kAuxErased, kAuxStaged)) {
    st.Log(fwtext::kAuxWriteError);
    return false;
  }
  st.Replace("", fwtext::kAuxSaved, true);
  Step(kAuxStaged, fwtext::kAuxStarted);

  std::vector<uint8_t> rx(fwupdate::kAuxStartReply);
  if (!link.ReadDataStr(updateCmd, "", rx, fwupdate::kAuxReplyTimeout)) {
    st.Log(fwtext::kAuxNoReply);
    return false;
  }
  if (rx[0] == 0) {
    st.Log(Fmt(fwtext::kAuxStartError, rx[9]));
    return false;
  }
  st.Log(fwtext::kAuxStarted);
  // The unit gives no duration: each answered poll closes a share of the
  // remaining distance, so the figure keeps moving and never runs ahead.
  double fraction = 0;
  int tries = fwupdate::kAuxPollTries;
  for (;;) {
    --tries;
    WaitFor([] { return false; }, timing_.auxPollPauseMs);
    std::vector<uint8_t> p(fwupdate::kAuxProgressReply);
    if (!link.ReadDataStr(fwupdate::kAuxProgressCmd, "", p, fwupdate::kAuxReplyTimeout)) {
      st.Log(fwtext::kAuxPollNoReply);
      if (tries <= 0) return false;
      continue;
    }
    tries = fwupdate::kAuxPollTries;
    if (p[16] != 0) {
      fraction += (1 - fraction) * 0.15;
      Step(kAuxStaged + (kAuxDone - kAuxStaged) * fraction);
      continue;
    }
    if (p[9] == 0) return true;
    st.Log(p[9] < 10 ? Fmt(fwtext::kAuxResultSub, p[9], p[8]) : Fmt(fwtext::kAuxResult, p[9]));
    return false;
  }
}

bool FirmwareUpdater::StageModuleFirmware(TFW& slot) {
  if (!slot.NeedUpdate) return false;
  Standalone standalone(*this);
  Status& st = env_.status;
  st.SetStatus(fwupdate::kReqModule);
  const std::vector<uint8_t> image = LoadFWFromString(slot.Last.Data, st);
  if (image.empty()) return false;
  st.Log(FmtS(fwtext::kModuleSaving, slot.ModuleName));
  Step(0, FmtS(fwtext::kModuleSaving, slot.ModuleName));
  const auto addr = static_cast<uint32_t>(slot.Addr);
  const auto size = static_cast<uint32_t>(image.size());
  if (!EraseBlocks(addr, size, 0, kModuleErased)) {
    st.Log(fwtext::kModuleEraseError);
    st.FinishAction(kResError, fwtext::kNotFinished);
    st.SetStatus(fwupdate::kReqFailed);
    failed_ = true;
    return false;
  }
  if (!WriteChunks(image, addr, kModuleErased, 1.0)) {
    st.Log(fwtext::kModuleWriteError);
    // Only logged, but the run must not end as a success.
    failed_ = true;
    return false;
  }
  st.Log(fwtext::kModuleWritten);
  return true;
}

void FirmwareUpdater::UpdateCore(TCoreFW& fw) {
  Status& st = env_.status;
  static constexpr Slot kModules[] = {Slot::CoreValetRF, Slot::CoreRS, Slot::CoreImmo, Slot::CoreRFTag};
  doneWeight_ = 0;
  percent_ = 0;
  failed_ = false;
  totalWeight_ = (fw[Slot::Core1].NeedUpdate ? kCoreWeight : 0) + (fw[Slot::Core2].NeedUpdate ? kAuxWeight : 0);
  for (Slot s : kModules) totalWeight_ += fw[s].NeedUpdate ? kModuleWeight : 0;
  auto beginSlot = [&](double weight) { slotWeight_ = weight; };
  auto endSlot = [&] {
    doneWeight_ += slotWeight_;
    slotWeight_ = 0;
    Step(0);
  };

  if (fw[Slot::Core1].NeedUpdate) {
    beginSlot(kCoreWeight);
    st.SetStatus(fwupdate::kReqCore);
    const std::vector<uint8_t> image = LoadFWFromString(fw[Slot::Core1].Last.Data, st);
    st.Log(FmtS(fwtext::kUpdating, fw[Slot::Core1].ModuleName));
    if (UploadFW(fwupdate::kCoreCmd, image)) {
      WaitConfirmation(timing_.rebootConfirmMs, kCoreUpdated, 1.0);
    } else {
      st.FinishAction(kResError, fwtext::kNotFinished);
      st.SetStatus(fwupdate::kReqFailed);
      failed_ = true;
    }
    endSlot();
  }
  if (fw[Slot::Core2].NeedUpdate) {
    beginSlot(kAuxWeight);
    st.SetStatus(fwupdate::kReqAux);
    const std::vector<uint8_t> image = LoadFWFromString(fw[Slot::Core2].Last.Data, st);
    st.Log(FmtS(fwtext::kUpdating, fw[Slot::Core2].ModuleName));
    if (UploadFW2(fwupdate::kAuxStartCmd, image)) {
      WaitConfirmation(timing_.auxConfirmMs, kAuxDone, 1.0);
    } else {
      st.FinishAction(kResError, fwtext::kNotFinished);
      st.SetStatus(fwupdate::kReqFailed);
      failed_ = true;
    }
    endSlot();
  }
  bool staged = false;
  for (Slot s : kModules) {
    if (!fw[s].NeedUpdate) continue;
    beginSlot(kModuleWeight);
    staged = StageModuleFirmware(fw[s]) || staged;
    endSlot();
  }
  if (staged && !env_.link.SendCmd(fwupdate::kModulesCmd)) st.Log(fwtext::kModuleSendError);
  // A later slot's request state must not hide an earlier failure.
  if (failed_) st.SetStatus(fwupdate::kReqFailed);
}

}  // namespace orv
