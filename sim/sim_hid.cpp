#include "sim/sim_hid.h"

#include "sim/unit_responder.h"

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <mutex>
#include <thread>

namespace orv::sim {

namespace {
class DeviceCore;
}

struct SimHidController::Shared : std::enable_shared_from_this<SimHidController::Shared> {
  std::shared_ptr<SimUnit> unit;
  SimTransportOptions options;
  UsbTiming timing;
  HidDeviceInfo info;

  std::mutex mutex;  // guards the fields below
  bool plugged = false;
  bool checkedOut = false;
  std::vector<std::weak_ptr<DeviceCore>> devices;

  std::mutex arrivalMutex;  // held while the arrival handler runs
  HidController::ArrivalHandler arrival;

  // Timed events (arrival notices, plugging back after a restart) run on one thread.
  std::mutex eventMutex;
  std::condition_variable eventCond;
  std::multimap<std::chrono::steady_clock::time_point, std::function<void()>> events;
  bool stopping = false;
  std::thread eventThread;

  void Post(std::chrono::milliseconds delay, std::function<void()> fn) {
    {
      std::lock_guard<std::mutex> g(eventMutex);
      if (stopping) return;
      events.emplace(std::chrono::steady_clock::now() + delay, std::move(fn));
    }
    eventCond.notify_all();
  }

  void EventLoop() {
    std::unique_lock<std::mutex> lk(eventMutex);
    while (!stopping) {
      if (events.empty()) {
        eventCond.wait(lk);
        continue;
      }
      auto first = events.begin();
      if (eventCond.wait_until(lk, first->first) == std::cv_status::no_timeout) continue;
      if (events.empty() || events.begin()->first > std::chrono::steady_clock::now()) continue;
      auto fn = std::move(events.begin()->second);
      events.erase(events.begin());
      lk.unlock();
      fn();
      lk.lock();
    }
  }

  void NotifyArrival() {
    std::lock_guard<std::mutex> g(arrivalMutex);
    if (arrival) arrival(info);
  }

  void Plug();
  void Unplug();
  void Restart(int ms) {
    Unplug();
    std::weak_ptr<Shared> weak = weak_from_this();
    Post(std::chrono::milliseconds(ms), [weak] {
      if (auto self = weak.lock()) {
        self->unit->Restarted();
        self->Plug();
      }
    });
  }
};

namespace {

class DeviceCore final : public UnitResponder::Sink {
 public:
  explicit DeviceCore(std::shared_ptr<SimHidController::Shared> bus)
      : bus_(std::move(bus)), responder_(bus_->unit, bus_->timing, bus_->options.inputLength - 1u, *this) {}

  void Shutdown() {
    responder_.Stop();
    std::lock_guard<std::mutex> g(bus_->mutex);
    if (plugged_) bus_->checkedOut = false;
  }

  bool Plugged() const { return plugged_.load(); }

  void MarkUnplugged() {
    if (!plugged_.exchange(false)) return;
    responder_.Cancel();
    std::lock_guard<std::mutex> g(handlerMutex_);
    if (onUnplug_) onUnplug_();
  }

  bool Write(const uint8_t* report, size_t size, int& error) {
    if (!plugged_) {
      error = ENODEV;
      return false;
    }
    if (size != bus_->options.outputLength || size == 0) {
      error = EINVAL;
      return false;
    }
    bus_->timing.Transfer();
    std::optional<std::vector<uint8_t>> pkt;
    {
      std::lock_guard<std::mutex> g(mutex_);
      pkt = assembler_.Feed(report + 1, size - 1);
    }
    if (pkt) responder_.Submit(std::move(*pkt));
    return true;
  }

  void SetHandlers(HidDevice::InputHandler in, HidDevice::UnplugHandler un) {
    std::lock_guard<std::mutex> g(handlerMutex_);
    onInput_ = std::move(in);
    onUnplug_ = std::move(un);
  }

  // UnitResponder::Sink
  void Deliver(const std::vector<uint8_t>& data, uint64_t) override {
    if (!plugged_) return;
    std::lock_guard<std::mutex> g(handlerMutex_);
    if (onInput_) onInput_(0, data.data(), data.size());
  }
  void Unplug() override { bus_->Unplug(); }
  void Restart(int restartMs, uint32_t delayMs) override {
    if (delayMs == 0) {
      bus_->Restart(restartMs);
      return;
    }
    std::weak_ptr<SimHidController::Shared> weak = bus_;
    bus_->Post(std::chrono::milliseconds(delayMs), [weak, restartMs] {
      if (auto bus = weak.lock()) bus->Restart(restartMs);
    });
  }

 private:
  std::shared_ptr<SimHidController::Shared> bus_;
  std::atomic<bool> plugged_{true};
  std::mutex mutex_;  // guards the assembler
  RequestAssembler assembler_;
  std::mutex handlerMutex_;
  HidDevice::InputHandler onInput_;
  HidDevice::UnplugHandler onUnplug_;
  UnitResponder responder_;  // last: its thread stops before the members above go
};

class SimHidDevice final : public HidDevice {
 public:
  SimHidDevice(std::shared_ptr<DeviceCore> core, std::shared_ptr<SimHidController::Shared> bus)
      : core_(std::move(core)), bus_(std::move(bus)) {}
  ~SimHidDevice() override { core_->Shutdown(); }
  const HidDeviceInfo& Info() const override { return bus_->info; }
  uint16_t InputReportByteLength() const override { return bus_->options.inputLength; }
  uint16_t OutputReportByteLength() const override { return bus_->options.outputLength; }
  bool WriteReport(const uint8_t* report, size_t size, int& error) override { return core_->Write(report, size, error); }
  void SetHandlers(InputHandler onInput, UnplugHandler onUnplug) override {
    core_->SetHandlers(std::move(onInput), std::move(onUnplug));
  }
  bool Plugged() const override { return core_->Plugged(); }
  std::string LockName() const override { return {}; }  // in-process only

 private:
  std::shared_ptr<DeviceCore> core_;
  std::shared_ptr<SimHidController::Shared> bus_;
};

}  // namespace

void SimHidController::Shared::Plug() {
  {
    std::lock_guard<std::mutex> g(mutex);
    if (plugged) return;
    plugged = true;
  }
  Post(std::chrono::milliseconds(0), [weak = weak_from_this()] {
    if (auto self = weak.lock()) self->NotifyArrival();
  });
}

void SimHidController::Shared::Unplug() {
  std::vector<std::shared_ptr<DeviceCore>> live;
  {
    std::lock_guard<std::mutex> g(mutex);
    if (!plugged) return;
    plugged = false;
    checkedOut = false;
    for (auto& w : devices)
      if (auto d = w.lock()) live.push_back(std::move(d));
    devices.clear();
  }
  for (auto& d : live) d->MarkUnplugged();
}

SimHidController::SimHidController(std::shared_ptr<SimUnit> unit, SimTransportOptions options, bool plugged)
    : shared_(std::make_shared<Shared>()) {
  shared_->unit = std::move(unit);
  shared_->options = options;
  shared_->timing.SetPeriod(options.reportPeriod);
  shared_->info.path = "sim:" + std::to_string(shared_->unit->Config().serial);
  shared_->info.vendorId = kOrvantisVendorId;
  shared_->info.productId = kOrvantisProductId;
  shared_->info.description = "simulated ORVANTIS " + std::to_string(shared_->unit->Config().model);
  shared_->plugged = plugged;
  shared_->eventThread = std::thread([s = shared_.get()] { s->EventLoop(); });
}

SimHidController::~SimHidController() {
  {
    std::lock_guard<std::mutex> g(shared_->eventMutex);
    shared_->stopping = true;
  }
  shared_->eventCond.notify_all();
  shared_->eventThread.join();
  std::lock_guard<std::mutex> g(shared_->arrivalMutex);
  shared_->arrival = nullptr;
}

std::vector<HidDeviceInfo> SimHidController::Enumerate() {
  std::lock_guard<std::mutex> g(shared_->mutex);
  if (!shared_->plugged) return {};
  return {shared_->info};
}

std::unique_ptr<HidDevice> SimHidController::CheckOut(const HidDeviceInfo& info) {
  std::shared_ptr<DeviceCore> core;
  {
    std::lock_guard<std::mutex> g(shared_->mutex);
    if (!shared_->plugged || shared_->checkedOut || info.path != shared_->info.path) return nullptr;
    shared_->checkedOut = true;
    core = std::make_shared<DeviceCore>(shared_);
    shared_->devices.push_back(core);
  }
  return std::make_unique<SimHidDevice>(std::move(core), shared_);
}

void SimHidController::SetArrivalHandler(ArrivalHandler handler) {
  std::lock_guard<std::mutex> g(shared_->arrivalMutex);
  shared_->arrival = std::move(handler);
}

void SimHidController::Plug() {
  shared_->unit->Restarted();
  shared_->Plug();
}
void SimHidController::Unplug() { shared_->Unplug(); }
bool SimHidController::UnitPlugged() const {
  std::lock_guard<std::mutex> g(shared_->mutex);
  return shared_->plugged;
}
SimUnit& SimHidController::Unit() { return *shared_->unit; }
std::shared_ptr<SimUnit> SimHidController::UnitPtr() { return shared_->unit; }
void SimHidController::SetReportPeriod(std::chrono::microseconds period) { shared_->timing.SetPeriod(period); }

}  // namespace orv::sim
