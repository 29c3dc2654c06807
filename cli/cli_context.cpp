#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "app/controller_choice.h"
#include "cli/cli.h"
#include "device/lock_file.h"
#include "device/unit_hold.h"

namespace orv::cli {

struct Context::Impl {
  std::unique_ptr<HidController> controller;
  bool controllerTried = false;
  std::unique_ptr<TOrvantis> link;
  std::function<void()> onPlug, onUnplug;
  bool busyReported = false;
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
  backend.simSettings = options_.simSettings;
  backend.coreDate = options_.coreDate;
  backend.diagFile = options_.diagFile;
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
    impl_->link->SetBusyWaitLimit(std::chrono::milliseconds(options_.busyWaitMs));
  }
  return *impl_->link;
}

server::HttpClient& Context::Http() {
  if (!impl_->http) {
    impl_->http = std::make_unique<server::HttpClient>(server::ResolveServerOptions(options_.server, options_.ca));
    impl_->http->SetProxy(ResolveProxy(options_.proxy, options_.proxyUser));
  }
  return *impl_->http;
}

server::ProxySettings ResolveProxy(const std::string& option, const std::string& user) {
  std::string address = option;
  if (address.empty())
    if (const char* env = std::getenv("ORVANTIS_PROXY")) address = env;
  if (address.empty()) return {};
  // HOST:PORT, and [v6]:PORT; a port that is not a number falls back to 8080
  // as the window's proxy field does.
  std::string host = address;
  std::string port;
  const size_t colon = address.rfind(':');
  if (colon != std::string::npos && address.find(']', colon) == std::string::npos &&
      (address.front() == '[' || address.find(':') == colon)) {
    host = address.substr(0, colon);
    port = address.substr(colon + 1);
  }
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  const char* password = std::getenv("ORVANTIS_PROXY_PASSWORD");
  return server::ProxySettings::FromFields(host, port, user, password ? password : "");
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

int Context::Conclude(int rc) {
  if (rc == kExitOk || rc == kExitUsage || rc == kExitCancelled) return rc;
  // A refused hold was shown by the workflow already.
  if (!UnitHold::LastRefusal().empty()) {
    impl_->busyReported = true;
    return UnitHold::LastRefusalBusy() ? kExitBusy : kExitFailed;
  }
  if (!impl_->link) return rc;
  const std::string error = impl_->link->LinkError();
  if (error.empty()) return rc;
  const bool busy = impl_->link->BusyPid() != 0 || error.rfind(UnitBusyMessage(0), 0) == 0;
  if (!impl_->busyReported) std::cerr << error << "\n";
  impl_->busyReported = true;
  return busy ? kExitBusy : kExitFailed;
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
