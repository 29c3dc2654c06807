// Shared helpers for tests: a scripted HID device that records what the link
// writes and lets the test inject input reports, a recorder for the link's
// log lines, and a link attached to an in-process simulated unit.
#pragma once

#include <atomic>
#include <chrono>
#include <utility>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/orvantis.h"
#include "sim/sim_hid.h"

namespace orv::test {

class LogRecorder {
 public:
  TOrvantisOnLogEvent Callback();
  std::vector<std::string> Lines() const;
  size_t Count(const std::string& text) const;  // lines equal to text
  size_t CountPrefix(const std::string& prefix) const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

// A HID device driven by the test.
class ScriptedDevice final : public HidDevice {
 public:
  struct State {
    std::mutex mutex;
    std::condition_variable cond;
    std::vector<std::vector<uint8_t>> written;  // every output report
    InputHandler onInput;
    UnplugHandler onUnplug;
    std::atomic<bool> plugged{true};
    std::atomic<bool> failWrites{false};
    // Called after each written report (on the writer's thread).
    std::function<void(const std::vector<uint8_t>&)> onWrite;
  };

  ScriptedDevice(uint16_t inLen, uint16_t outLen, std::shared_ptr<State> state);
  const HidDeviceInfo& Info() const override { return info_; }
  uint16_t InputReportByteLength() const override { return inLen_; }
  uint16_t OutputReportByteLength() const override { return outLen_; }
  bool WriteReport(const uint8_t* report, size_t size, int& error) override;
  void SetHandlers(InputHandler onInput, UnplugHandler onUnplug) override;
  bool Plugged() const override { return state_->plugged; }
  std::string LockName() const override { return {}; }

  // Delivers an input report (report ID 0) as the reader thread would.
  static void Inject(State& s, const std::vector<uint8_t>& data, uint8_t reportId = 0);
  // Cuts a reply packet into input reports of `dataLen` bytes and injects them.
  static void InjectPacket(State& s, const std::vector<uint8_t>& packet, size_t dataLen);

 private:
  HidDeviceInfo info_;
  uint16_t inLen_, outLen_;
  std::shared_ptr<State> state_;
};

// A link attached to an in-process simulated unit.
struct SimLink {
  explicit SimLink(sim::SimConfig cfg = {}, sim::SimTransportOptions transport = {});
  ~SimLink();
  std::shared_ptr<sim::SimUnit> unit;
  std::unique_ptr<sim::SimHidController> controller;
  LogRecorder log;
  std::unique_ptr<TOrvantis> link;
  int plugs = 0, unplugs = 0;
};

// A link on a controller the test owns, counting plug and unplug callbacks.
template <typename Controller>
struct ControllerLink {
  template <typename... Args>
  explicit ControllerLink(Args&&... args) : controller(std::forward<Args>(args)...) {
    link = std::make_unique<TOrvantis>(
        &controller, [this](TOrvantis*) { ++plugs; }, [this](TOrvantis*) { ++unplugs; }, log.Callback());
    link->SetUseSync(false);
  }
  ~ControllerLink() { link.reset(); }
  // Delivers notices until `done` holds or `limit` passed; true if it holds.
  template <typename Pred>
  bool Until(Pred done, std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) {
      link->ProcessHIDMessages();
      if (!done()) link->WaitForNotice(20);
    }
    return done();
  }
  Controller controller;
  LogRecorder log;
  std::unique_ptr<TOrvantis> link;
  int plugs = 0, unplugs = 0;
};

// Reply packet as the unit frames it.
std::vector<uint8_t> Reply(uint8_t cmd, const std::vector<uint8_t>& data);

}  // namespace orv::test
