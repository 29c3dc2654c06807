#include <chrono>
#include <cstdio>
#include <iostream>

#include "cli/cli.h"
#include "device/hid_hidapi.h"
#include "device/vbus_client.h"
#include "sim/sim_hid.h"

namespace orv::cli {

struct Context::Impl {
  std::unique_ptr<HidController> controller;
  bool controllerTried = false;
  std::unique_ptr<TOrvantis> link;
  std::function<void()> onPlug, onUnplug;
};

Context::Context(GlobalOptions options) : options_(std::move(options)), impl_(std::make_unique<Impl>()) {}

Context::~Context() {
  impl_->link.reset();  // the link gives its device back before the controller goes
  impl_->controller.reset();
}

HidController* Context::Controller() {
  if (impl_->controllerTried) return impl_->controller.get();
  impl_->controllerTried = true;
  if (options_.simModel) {
    sim::SimConfig cfg;
    cfg.model = options_.simModel;
    cfg.pcb = static_cast<uint8_t>(options_.pcb);
    cfg.serial = options_.serial;
    auto unit = std::make_shared<sim::SimUnit>(cfg);
    if (!options_.faults.empty()) unit->Faults() = sim::FaultPlan::Parse(options_.faults);
    sim::SimTransportOptions transport;
    transport.reportPeriod = std::chrono::microseconds(options_.timingUs);
    impl_->controller = std::make_unique<sim::SimHidController>(std::move(unit), transport);
  } else if (!options_.bus.empty()) {
    auto bus = std::make_unique<VbusController>(options_.bus);
    if (!bus->Error().empty()) {
      std::cerr << "Виртуальная шина HID недоступна: " << bus->Error() << "\n";
      return nullptr;
    }
    impl_->controller = std::move(bus);
  } else {
    auto hid = std::make_unique<HidapiController>();
    // The most common reason a unit "is not seen": its node is not ours to open.
    hid->SetAccessDeniedHandler([](const std::string& devnode) { std::cerr << UdevRuleMissingText(devnode); });
    impl_->controller = std::move(hid);
  }
  return impl_->controller.get();
}

void Context::SetPlugCallbacks(std::function<void()> plug, std::function<void()> unplug) {
  impl_->onPlug = std::move(plug);
  impl_->onUnplug = std::move(unplug);
}

TOrvantis& Context::Link() {
  if (!impl_->link) {
    TOrvantisOnLogEvent log;
    if (options_.trace) {
      log = [](const std::string& text, const uint8_t* buf, int count) {
        std::string line = text;
        for (int i = 0; i < count && buf; ++i) {
          char hex[4];
          std::snprintf(hex, sizeof hex, " %.2x", buf[i]);
          line += hex;
        }
        std::fprintf(stderr, "%s\n", line.c_str());
      };
    }
    Impl* impl = impl_.get();
    impl_->link = std::make_unique<TOrvantis>(
        Controller(), [impl](TOrvantis*) { if (impl->onPlug) impl->onPlug(); },
        [impl](TOrvantis*) { if (impl->onUnplug) impl->onUnplug(); }, std::move(log));
    impl_->link->SetUseSync(false);
  }
  return *impl_->link;
}

TOrvantis* Context::RequireUnit() {
  if (!Controller()) return nullptr;  // the reason was printed
  TOrvantis& link = Link();
  if (!link.OnLine()) {
    ProcessNotices(200);  // a unit announced just now
    if (!link.OnLine()) {
      std::cerr << "Блок Orvantis не найден: подключите блок к USB\n";
      return nullptr;
    }
  }
  return &link;
}

void Context::ProcessNotices(uint32_t ms) {
  TOrvantis& link = Link();
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    link.ProcessHIDMessages();
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) break;
    link.WaitForNotice(static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count()));
  }
}

}  // namespace orv::cli
