// In-process HID backend around a simulated unit: the unit can be plugged and
// unplugged, restarts itself when its replies say so, and moves its reports
// with the USB timing model.
#pragma once

#include <chrono>
#include <memory>

#include "device/hid.h"
#include "sim/report_codec.h"
#include "sim/sim_unit.h"

namespace orv::sim {

struct SimTransportOptions {
  std::chrono::microseconds reportPeriod{0};  // 1000 us for full-speed HID, 0 for fast tests
  uint16_t inputLength = kSimReportLength;
  uint16_t outputLength = kSimReportLength;
};

class SimHidController final : public HidController {
 public:
  explicit SimHidController(std::shared_ptr<SimUnit> unit, SimTransportOptions options = {}, bool plugged = true);
  ~SimHidController() override;
  SimHidController(const SimHidController&) = delete;
  SimHidController& operator=(const SimHidController&) = delete;

  std::vector<HidDeviceInfo> Enumerate() override;
  std::unique_ptr<HidDevice> CheckOut(const HidDeviceInfo& info) override;
  void SetArrivalHandler(ArrivalHandler handler) override;

  // Simulated cable: arrival and removal notices follow.
  void Plug();
  void Unplug();
  bool UnitPlugged() const;
  SimUnit& Unit();
  std::shared_ptr<SimUnit> UnitPtr();
  void SetReportPeriod(std::chrono::microseconds period);

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace orv::sim
