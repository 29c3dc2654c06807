// Which HID controller a program's device link works on: an in-process
// simulated unit (--sim MODEL), the units that orvantis-sim processes serve on
// the virtual HID bus (--bus DIR or ORVANTIS_BUS), or else the units plugged
// in by USB (hidraw). The window and orvantis-cli both choose here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "device/hid.h"

namespace orv {

struct BackendOptions {
  int simModel = 0;        // 1..4: a simulated unit inside the process
  int pcb = 18;            // its board revision
  uint32_t serial = 1234;  // its serial number
  std::string faults;      // its fault rules (see FaultPlan)
  unsigned timingUs = 0;   // its USB report period
  std::string bus;         // the virtual HID bus folder
  std::string simSettings; // a settings file the simulated unit starts from
  std::string coreDate;    // its core stamp, DD.MM.YYYY (empty: the simulator's own)
  std::string diagFile;    // a file with its fixed diagnostic record (empty: none)
};

struct ControllerChoice {
  std::unique_ptr<HidController> controller;  // null when no backend is usable
  std::string error;                          // why there is none
};

// Never throws for an unusable bus or an unreadable simSettings file (see `error`); a bad fault rule raises
// std::invalid_argument, as FaultPlan::Parse does.
ControllerChoice CreateController(const BackendOptions& options);

// `handler` receives, at most once per controller and on the thread that
// checks units out, the text to show when a unit's node refuses access (the
// udev rule is missing). Returns false when the backend has no such refusal.
bool SetUnitRefusedHandler(HidController& controller, std::function<void(const std::string& text)> handler);

}  // namespace orv
