// The voice prompt check against a simulated unit whose USB reports take 1 ms
// each, with the container the build speaks: the first run on a fresh unit
// (every slot erased and written, printed beside its physical minimum), then
// the run on an up-to-date unit (two 4-byte reads per prompt), whose target is
// 1.2 times the physical minimum: every report that crossed the bus, in both
// directions, at 1 ms.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "core/data_dir.h"
#include "device/orvantis.h"
#include "sim/sim_hid.h"
#include "update/voice_container.h"
#include "update/voice_upload.h"

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


struct Measure {
  double ms = 0;
  size_t reports = 0;
};

Measure Time(orv::TOrvantis& link, const std::string& container, orv::SoundsResult& r) {
  QuietStatus status;
  std::istringstream in(container);
  gReportsOut = 0;
  gReportsIn = 0;
  const auto t0 = std::chrono::steady_clock::now();
  r = orv::WriteSounds(link, in, status);
  Measure m;
  m.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  m.reports = gReportsOut + gReportsIn;
  return m;
}

double Print(const char* what, const Measure& m) {
  const double minimum = static_cast<double>(m.reports);  // 1 ms per report
  std::printf("%s: %zu reports, measured %.1f ms, physical minimum %.1f ms, ratio %.3f\n", what, m.reports, m.ms,
              minimum, m.ms / minimum);
  return m.ms / minimum;
}

}  // namespace

int main(int argc, char** argv) {
  // Optional argument: another container file.
  const auto path = argc > 1 ? std::optional<std::string>(argv[1]) : orv::FindDataFile(orv::voice::kContainerName);
  std::ifstream file(path ? *path : std::string(), std::ios::binary);
  if (!path || !file) {
    std::fprintf(stderr, "no voice container (build orvantis_voice_data)\n");
    return 1;
  }
  std::stringstream ss;
  ss << file.rdbuf();
  const std::string container = ss.str();

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
  orv::SoundsResult first, second;
  const Measure a = Time(link, container, first);
  Print("voice, fresh unit (every prompt erased and written)", a);
  std::printf("  %zu bytes of prompts, %d files written\n", container.size(), first.updated);
  const Measure b = Time(link, container, second);
  const double ratio = Print("voice, up-to-date unit (two 4-byte reads per prompt)", b);
  std::printf("  target ratio <= 1.2; %d files unchanged\n", second.unchanged);
  if (!first.ok || !second.ok || second.updated != 0) {
    std::fprintf(stderr, "voice update failed\n");
    return 1;
  }
  return ratio <= 1.2 ? 0 : 3;
}
