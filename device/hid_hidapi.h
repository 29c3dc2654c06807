// The backend for real units. hidapi lists the hidraw nodes with their vendor
// and product ids; a checked-out node is then read and written through its own
// file descriptor (hidapi's handles share error state between the reading and
// the writing thread, and the descriptor is needed anyway for the report
// descriptor and for waiting on input with a time-out). A libudev monitor
// reports arrivals and removals.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "device/hid.h"

namespace orv {

class HidapiController final : public HidController {
 public:
  struct Options {
    // A unit's node that refuses access is retried this long: udev applies
    // the access rights just after the node appears.
    std::chrono::milliseconds permissionRetry{500};
    bool monitor = true;  // watch udev for arrivals and removals
    // Opens a node (tests replace it); returns a descriptor or -1 with errno.
    std::function<int(const std::string& path, int flags)> open;
  };

  HidapiController();
  explicit HidapiController(Options options);
  ~HidapiController() override;
  HidapiController(const HidapiController&) = delete;
  HidapiController& operator=(const HidapiController&) = delete;

  std::vector<HidDeviceInfo> Enumerate() override;
  std::unique_ptr<HidDevice> CheckOut(const HidDeviceInfo& info) override;
  void SetArrivalHandler(ArrivalHandler handler) override;

  // Called once per controller, on the checking-out thread, the first time a
  // unit's node stays closed for lack of permission (the udev rule is missing).
  void SetAccessDeniedHandler(std::function<void(const std::string& devnode)> handler);
  // Empty while the udev monitor works; otherwise why arrivals go unseen.
  std::string MonitorError() const;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

// What the programs tell the user when the unit's node refuses access.
std::string UdevRuleMissingText(const std::string& devnode);

}  // namespace orv
