#include "app/controller_choice.h"

#include <chrono>

#include "device/hid_hidapi.h"
#include "device/vbus_client.h"
#include "sim/fault_plan.h"
#include "sim/sim_hid.h"
#include "sim/sim_settings.h"
#include "sim/sim_options.h"

namespace orv {

ControllerChoice CreateController(const BackendOptions& options) {
  ControllerChoice choice;
  if (options.simModel) {
    sim::SimConfig cfg;
    cfg.model = options.simModel;
    cfg.pcb = static_cast<uint8_t>(options.pcb);
    cfg.serial = options.serial;
    if (!options.coreDate.empty()) cfg.coreDate = sim::ParseCoreDate(options.coreDate);
    if (std::string error; !options.diagFile.empty()) sim::LoadDiagReply(options.diagFile, cfg.diagReply, error);
    auto unit = std::make_shared<sim::SimUnit>(cfg);
    if (!options.faults.empty()) unit->Faults() = sim::FaultPlan::Parse(options.faults);
    if (std::string why; !options.simSettings.empty() && !sim::LoadSettingsFile(*unit, options.simSettings, why)) {
      choice.error = "--sim-settings " + options.simSettings + ": " + why;
      return choice;
    }
    sim::SimTransportOptions transport;
    transport.reportPeriod = std::chrono::microseconds(options.timingUs);
    choice.controller = std::make_unique<sim::SimHidController>(std::move(unit), transport);
  } else if (!options.bus.empty()) {
    auto bus = std::make_unique<VbusController>(options.bus);
    if (bus->Error().empty())
      choice.controller = std::move(bus);
    else
      choice.error = "Виртуальная шина HID недоступна: " + bus->Error();
  } else {
    choice.controller = std::make_unique<HidapiController>();
  }
  return choice;
}

bool SetUnitRefusedHandler(HidController& controller, std::function<void(const std::string& text)> handler) {
  auto* hid = dynamic_cast<HidapiController*>(&controller);
  if (!hid) return false;
  // The most common reason a unit "is not seen": its node is not ours to open.
  hid->SetAccessDeniedHandler([handler = std::move(handler)](const std::string& devnode) {
    if (handler) handler(UdevRuleMissingText(devnode));
  });
  return true;
}

}  // namespace orv
