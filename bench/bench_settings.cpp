// A full settings read (fourteen regions) and a full settings write (eight
// regions, each read back, then command 149) through the workflows, against a
// simulated unit whose USB reports take 1 ms each. The time is printed beside
// the physical minimum: every report that actually crossed the bus, in both
// directions, at 1 ms.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "device/orvantis.h"
#include "settings/settings_session.h"
#include "sim/sim_hid.h"

namespace {

// Counts the reports that pass between the link and the device.
std::atomic<size_t> gReportsOut{0}, gReportsIn{0};

class CountingDevice final : public orv::HidDevice {
 public:
  explicit CountingDevice(std::unique_ptr<orv::HidDevice> inner) : inner_(std::move(inner)) {}
  const orv::HidDeviceInfo& Info() const override { return inner_->Info(); }
  uint16_t InputReportByteLength() const override { return inner_->InputReportByteLength(); }
  uint16_t OutputReportByteLength() const override { return inner_->OutputReportByteLength(); }
  bool WriteReport(const uint8_t* report, size_t size, int& error) override {
    ++gReportsOut;
    return inner_->WriteReport(report, size, error);
  }
  void SetHandlers(InputHandler onInput, UnplugHandler onUnplug) override {
    if (onInput) {
      onInput = [h = std::move(onInput)](uint8_t id, const uint8_t* data, size_t size) {
        ++gReportsIn;
        h(id, data, size);
      };
    }
    inner_->SetHandlers(std::move(onInput), std::move(onUnplug));
  }
  bool Plugged() const override { return inner_->Plugged(); }
  std::string LockName() const override { return inner_->LockName(); }

 private:
  std::unique_ptr<orv::HidDevice> inner_;
};

class CountingController final : public orv::HidController {
 public:
  explicit CountingController(orv::HidController& inner) : inner_(inner) {}
  std::vector<orv::HidDeviceInfo> Enumerate() override { return inner_.Enumerate(); }
  std::unique_ptr<orv::HidDevice> CheckOut(const orv::HidDeviceInfo& info) override {
    auto dev = inner_.CheckOut(info);
    return dev ? std::make_unique<CountingDevice>(std::move(dev)) : nullptr;
  }
  void SetArrivalHandler(ArrivalHandler handler) override { inner_.SetArrivalHandler(std::move(handler)); }

 private:
  orv::HidController& inner_;
};

class QuietStatus final : public orv::Status {
 public:
  void StartAction(const std::string&, const std::string& = {}) override {}
  void FinishAction(uint8_t, const std::string&) override {}
  void Display(const std::string&, bool = false) override {}
  void Progress(const std::string&, bool, int = -1) override {}
  void SetStatus(int s) override { request_ = s; }
  int Request() const override { return request_; }

 private:
  int request_ = 0;
};

class FailingPrompts final : public orv::Prompts {
 public:
  Answer WarningDialog(const std::string&, const std::vector<std::string>&) override { return Answer::kNo; }
  void MessageBox(const std::string& msg) override { std::fprintf(stderr, "%s\n", msg.c_str()); }
  std::string ChooseOpenFile(const std::string&, const std::string&) override { return {}; }
  std::string ChooseSaveFile(const std::string&, const std::string&, const std::string&) override { return {}; }
};

struct Measure {
  double bestMs = 1e9;
  size_t reports = 0;
};

template <typename F>
bool Run(int rounds, Measure& m, F&& step) {
  for (int i = 0; i < rounds; ++i) {
    gReportsOut = 0;
    gReportsIn = 0;
    const auto t0 = std::chrono::steady_clock::now();
    if (!step()) return false;
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    m.bestMs = std::min(m.bestMs, ms);
    m.reports = gReportsOut + gReportsIn;
  }
  return true;
}

bool Print(const char* what, const Measure& m, int rounds) {
  const double minimum = static_cast<double>(m.reports);  // 1 ms per report
  const double ratio = m.bestMs / minimum;
  std::printf("%s: %zu reports, measured %.1f ms (best of %d), physical minimum %.1f ms, ratio %.3f (target <= 1.15)\n",
              what, m.reports, m.bestMs, rounds, minimum, ratio);
  return ratio <= 1.15;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  auto unit = std::make_shared<orv::sim::SimUnit>();
  orv::sim::SimTransportOptions transport;
  transport.reportPeriod = std::chrono::microseconds(1000);
  orv::sim::SimHidController sim(unit, transport);
  CountingController counting(sim);
  orv::TOrvantis link(&counting, nullptr, nullptr, nullptr);
  link.SetUseSync(false);
  if (!link.OnLine()) {
    std::fprintf(stderr, "no simulated unit\n");
    return 1;
  }
  QuietStatus status;
  FailingPrompts prompts;
  orv::NoPages pages;
  orv::RecordingTaskQueue tasks;
  orv::TSettingsSession session(link, status, prompts, pages, tasks);

  Measure read, write;
  if (!Run(rounds, read, [&] { return session.ReadOptions(); })) {
    std::fprintf(stderr, "settings read failed\n");
    return 1;
  }
  if (!Run(rounds, write, [&] { return session.WriteOptions(); })) {
    std::fprintf(stderr, "settings write failed\n");
    return 1;
  }
  const bool readOk = Print("settings read (14 regions)", read, rounds);
  const bool writeOk = Print("settings write (8 regions, read-backs, command 149)", write, rounds);
  return readOk && writeOk ? 0 : 3;
}
