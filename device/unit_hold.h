// Holding the unit for a whole workflow, across processes.
//
// A single exchange is guarded by the link lock; a workflow that writes to the
// unit (settings, factory reset, SMS texts, firmware, voice prompts) needs the
// unit for its whole run, or two writers leave it holding a mix of both, and a
// reader may see half of a write. A UnitHold is that guard:
//   - kExclusive for workflows that write: no other process's workflow runs
//     meanwhile;
//   - kShared for workflows that read a consistent image (the settings read):
//     readers run side by side, never during a write.
// Single exchanges outside workflows (identity queries, the diagnostics
// poller) take no hold and may fall between a holder's exchanges.
//
// Waiting for another process's workflow has the link's limit
// (TOrvantis::BusyWaitLimit); the owner thread's notices and pump keep running
// meanwhile. Holds nest within a process: a workflow may call another that
// holds the unit too (a shared hold inside an exclusive one costs nothing; an
// exclusive one inside a shared one waits for the other readers to finish).
// The hold file is removed when its last user is done. Units reachable only
// from this process (the in-process simulator) need no file: the hold is
// granted at once.
#pragma once

#include <memory>
#include <string>

namespace orv {

class TOrvantis;

class UnitHold {
 public:
  enum class Mode { kShared, kExclusive };

  // Takes the hold for the unit attached to `link`, waiting up to the link's
  // busy limit. Check Held(); when it failed, Message() says why in Russian:
  // "Устройство занято другой программой (PID N)", or an unsafe lock file.
  UnitHold(TOrvantis& link, Mode mode);
  ~UnitHold();
  UnitHold(const UnitHold&) = delete;
  UnitHold& operator=(const UnitHold&) = delete;

  bool Held() const { return held_; }
  // Why the latest hold of this process was refused (empty after a granted
  // one), and whether that was another program holding the unit.
  static std::string LastRefusal();
  static bool LastRefusalBusy();
  int BusyPid() const { return busyPid_; }
  const std::string& Message() const { return message_; }

 private:
  std::string path_;
  bool held_ = false;
  bool exclusive_ = false;
  bool upgraded_ = false;  // this hold turned the process's shared hold exclusive
  int busyPid_ = 0;
  std::string message_;
};

}  // namespace orv
