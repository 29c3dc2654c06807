#include <chrono>
#include <cstdio>
#include <iostream>

#include "app/controller_choice.h"
#include "cli/cli.h"

namespace orv::cli {

struct Context::Impl {
  std::unique_ptr<HidController> controller;
  bool controllerTried = false;
  std::unique_ptr<TOrvantis> link;
  std::function<void()> onPlug, onUnplug;
  std::unique_ptr<server::HttpClient> http;
};

Context::Context(GlobalOptions options) : options_(std::move(options)), impl_(std::make_unique<Impl>()) {}

Context::~Context() {
  impl_->http.reset();
  impl_->link.reset();  // the link gives its device back before the controller goes
  impl_->controller.reset();
}

HidController* Context::Controller() {
  if (impl_->controllerTried) return impl_->controller.get();
  impl_->controllerTried = true;
  BackendOptions backend;
  backend.simModel = options_.simModel;
  backend.pcb = options_.pcb;
  backend.serial = options_.serial;
  backend.faults = options_.faults;
  backend.timingUs = options_.timingUs;
  backend.bus = options_.bus;
  ControllerChoice choice = CreateController(backend);
  if (!choice.controller) {
    std::cerr << choice.error << "\n";
    return nullptr;
  }
  SetUnitRefusedHandler(*choice.controller, [](const std::string& text) { std::cerr << text; });
  impl_->controller = std::move(choice.controller);
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

server::HttpClient& Context::Http() {
  if (!impl_->http)
    impl_->http = std::make_unique<server::HttpClient>(server::ResolveServerOptions(options_.server, options_.ca));
  return *impl_->http;
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
