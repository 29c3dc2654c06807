// The unit's side of the virtual HID bus (see device/vbus_protocol.h): serves
// one simulated unit on a Unix socket in the bus folder. The socket exists
// while the unit is plugged in; a restart removes it for the restart time and
// the unplug fault removes it until Plug() is called.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "sim/report_codec.h"
#include "sim/sim_unit.h"

namespace orv::sim {

struct VbusUnitOptions {
  std::string busDir;  // created when missing
  std::string name;    // socket file name without ".sock"; empty: "orvantis-<serial>"
  std::chrono::microseconds reportPeriod{0};  // USB timing model
  uint16_t inputLength = kSimReportLength;
  uint16_t outputLength = kSimReportLength;
};

class VbusUnit {
 public:
  VbusUnit(std::shared_ptr<SimUnit> unit, VbusUnitOptions options);
  ~VbusUnit();
  VbusUnit(const VbusUnit&) = delete;
  VbusUnit& operator=(const VbusUnit&) = delete;

  // Plugs the unit into the bus. False, with `error`, when the bus folder or
  // the socket cannot be made or a live unit of the same name is plugged in.
  // A socket of the same name left by a killed unit is removed.
  bool Start(std::string& error);
  // Plugs it back in after an unplug (nothing happens while it is plugged).
  void Plug();
  // Pulls the cable: the socket goes and every connection is closed.
  void Unplug();
  // Unplugs the unit and stops serving; called by the destructor.
  void Stop();

  bool Plugged() const;
  std::string SocketPath() const;
  // Receives one line per change of state (plugged, unplugged, restarting).
  void SetEventLog(std::function<void(const std::string&)> log);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace orv::sim
