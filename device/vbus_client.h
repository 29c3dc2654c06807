// The configurator's side of the virtual HID bus (see vbus_protocol.h): finds
// the units plugged into a bus folder, watches the folder for arrivals with
// inotify and connects to a unit to check it out. A unit's removal is its
// connection closing, so a killed unit process is seen at once.
#pragma once

#include <memory>
#include <string>

#include "device/hid.h"

namespace orv {

class VbusController final : public HidController {
 public:
  // Watches `dir`, creating it when missing. Check Error() afterwards.
  explicit VbusController(const std::string& dir);
  ~VbusController() override;
  VbusController(const VbusController&) = delete;
  VbusController& operator=(const VbusController&) = delete;

  // Empty when the bus is usable; otherwise why it is not.
  const std::string& Error() const;
  // The bus folder as an absolute path.
  const std::string& Dir() const;

  std::vector<HidDeviceInfo> Enumerate() override;
  std::unique_ptr<HidDevice> CheckOut(const HidDeviceInfo& info) override;
  void SetArrivalHandler(ArrivalHandler handler) override;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace orv
