#include "app/controller_choice.h"

#include <chrono>

#include "sim/fault_plan.h"
#include "sim/sim_hid.h"

namespace orv {

std::unique_ptr<HidController> CreateController(const ConfiguratorOptions& options, std::string& note) {
  note.clear();
  if (options.simModel) {
    sim::SimConfig cfg;
    cfg.model = options.simModel;
    cfg.pcb = static_cast<uint8_t>(options.pcb);
    cfg.serial = options.serial;
    auto unit = std::make_shared<sim::SimUnit>(cfg);
    if (!options.faults.empty()) unit->Faults() = sim::FaultPlan::Parse(options.faults);
    sim::SimTransportOptions transport;
    transport.reportPeriod = std::chrono::microseconds(options.timingUs);
    return std::make_unique<sim::SimHidController>(std::move(unit), transport);
  }
  if (!options.bus.empty()) {
    note = "Виртуальная шина HID (" + options.bus + ") в этой сборке не поддерживается: блок не будет найден";
    return nullptr;
  }
  note = "Нет доступа к USB-устройствам: укажите --sim МОДЕЛЬ для работы с имитатором блока";
  return nullptr;
}

}  // namespace orv
