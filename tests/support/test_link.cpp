#include "support/test_link.h"

#include <algorithm>

namespace orv::test {

TOrvantisOnLogEvent LogRecorder::Callback() {
  return [this](const std::string& text, const uint8_t*, int) {
    std::lock_guard<std::mutex> g(mutex_);
    lines_.push_back(text);
  };
}

std::vector<std::string> LogRecorder::Lines() const {
  std::lock_guard<std::mutex> g(mutex_);
  return lines_;
}

size_t LogRecorder::Count(const std::string& text) const {
  std::lock_guard<std::mutex> g(mutex_);
  return static_cast<size_t>(std::count(lines_.begin(), lines_.end(), text));
}

size_t LogRecorder::CountPrefix(const std::string& prefix) const {
  std::lock_guard<std::mutex> g(mutex_);
  return static_cast<size_t>(
      std::count_if(lines_.begin(), lines_.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

void LogRecorder::Clear() {
  std::lock_guard<std::mutex> g(mutex_);
  lines_.clear();
}

ScriptedDevice::ScriptedDevice(uint16_t inLen, uint16_t outLen, std::shared_ptr<State> state)
    : inLen_(inLen), outLen_(outLen), state_(std::move(state)) {
  info_.path = "scripted";
  info_.vendorId = kOrvantisVendorId;
  info_.productId = kOrvantisProductId;
}

bool ScriptedDevice::WriteReport(const uint8_t* report, size_t size, int& error) {
  if (!state_->plugged || state_->failWrites) {
    error = 19;
    return false;
  }
  std::vector<uint8_t> r(report, report + size);
  std::function<void(const std::vector<uint8_t>&)> hook;
  {
    std::lock_guard<std::mutex> g(state_->mutex);
    state_->written.push_back(r);
    hook = state_->onWrite;
  }
  state_->cond.notify_all();
  if (hook) hook(r);
  return true;
}

void ScriptedDevice::SetHandlers(InputHandler onInput, UnplugHandler onUnplug) {
  std::lock_guard<std::mutex> g(state_->mutex);
  state_->onInput = std::move(onInput);
  state_->onUnplug = std::move(onUnplug);
}

void ScriptedDevice::Inject(State& s, const std::vector<uint8_t>& data, uint8_t reportId) {
  InputHandler h;
  {
    std::lock_guard<std::mutex> g(s.mutex);
    h = s.onInput;
  }
  if (h) h(reportId, data.data(), data.size());
}

void ScriptedDevice::InjectPacket(State& s, const std::vector<uint8_t>& packet, size_t dataLen) {
  for (const auto& r : sim::SplitIntoReports(packet, dataLen)) Inject(s, r);
}

SimLink::SimLink(sim::SimConfig cfg, sim::SimTransportOptions transport)
    : unit(std::make_shared<sim::SimUnit>(cfg)),
      controller(std::make_unique<sim::SimHidController>(unit, transport)) {
  link = std::make_unique<TOrvantis>(
      controller.get(), [this](TOrvantis*) { ++plugs; }, [this](TOrvantis*) { ++unplugs; }, log.Callback());
  link->SetUseSync(false);
}

SimLink::~SimLink() {
  link.reset();
  controller.reset();
}

std::vector<uint8_t> Reply(uint8_t cmd, const std::vector<uint8_t>& data) { return sim::SimUnit::FrameReply(cmd, data); }

}  // namespace orv::test
