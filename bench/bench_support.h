// What the report-counting benchmarks share: a device wrapper that counts the
// reports crossing the bus in each direction (the physical minimum is one
// millisecond per report at full-speed HID timing), the controller that hands
// it out, a simulated unit at that timing behind a counting link, and status
// and prompts that stay quiet.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/seams.h"
#include "device/hid.h"
#include "device/orvantis.h"
#include "sim/sim_hid.h"

namespace orv::bench {

struct ReportCount {
  std::atomic<size_t> out{0}, in{0};
  void Reset() {
    out = 0;
    in = 0;
  }
  size_t Total() const { return out + in; }
};

class CountingDevice final : public HidDevice {
 public:
  CountingDevice(std::unique_ptr<HidDevice> inner, ReportCount& count) : inner_(std::move(inner)), count_(count) {}
  const HidDeviceInfo& Info() const override { return inner_->Info(); }
  uint16_t InputReportByteLength() const override { return inner_->InputReportByteLength(); }
  uint16_t OutputReportByteLength() const override { return inner_->OutputReportByteLength(); }
  bool WriteReport(const uint8_t* report, size_t size, int& error) override {
    ++count_.out;
    return inner_->WriteReport(report, size, error);
  }
  void SetHandlers(InputHandler onInput, UnplugHandler onUnplug) override {
    if (onInput) {
      onInput = [h = std::move(onInput), c = &count_](uint8_t id, const uint8_t* data, size_t size) {
        ++c->in;
        h(id, data, size);
      };
    }
    inner_->SetHandlers(std::move(onInput), std::move(onUnplug));
  }
  bool Plugged() const override { return inner_->Plugged(); }
  std::string LockName() const override { return inner_->LockName(); }

 private:
  std::unique_ptr<HidDevice> inner_;
  ReportCount& count_;
};

class CountingController final : public HidController {
 public:
  CountingController(HidController& inner, ReportCount& count) : inner_(inner), count_(count) {}
  std::vector<HidDeviceInfo> Enumerate() override { return inner_.Enumerate(); }
  std::unique_ptr<HidDevice> CheckOut(const HidDeviceInfo& info) override {
    auto dev = inner_.CheckOut(info);
    return dev ? std::make_unique<CountingDevice>(std::move(dev), count_) : nullptr;
  }
  void SetArrivalHandler(ArrivalHandler handler) override { inner_.SetArrivalHandler(std::move(handler)); }

 private:
  HidController& inner_;
  ReportCount& count_;
};

// A simulated unit whose USB reports take 1 ms each, plugged in and reached
// through a link that counts every report into `count`.
class TimedUnit {
 public:
  explicit TimedUnit(ReportCount& count)
      : unit_(std::make_shared<sim::SimUnit>()),
        sim_(unit_, Transport()),
        counting_(sim_, count),
        link_(&counting_, nullptr, nullptr, nullptr) {
    link_.SetUseSync(false);
  }
  TOrvantis& Link() { return link_; }
  sim::SimUnit& Unit() { return *unit_; }
  // False, after saying so, when the unit is not there.
  bool Online() {
    if (link_.OnLine()) return true;
    std::fprintf(stderr, "no simulated unit\n");
    return false;
  }

 private:
  static sim::SimTransportOptions Transport() {
    sim::SimTransportOptions t;
    t.reportPeriod = std::chrono::microseconds(1000);
    return t;
  }
  std::shared_ptr<sim::SimUnit> unit_;
  sim::SimHidController sim_;
  CountingController counting_;
  TOrvantis link_;
};

class QuietStatus final : public Status {
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

// Answers "Нет" and shows message boxes on standard error.
class FailingPrompts final : public Prompts {
 public:
  Answer WarningDialog(const std::string&, const std::vector<std::string>&) override { return Answer::kNo; }
  void MessageBox(const std::string& msg) override { std::fprintf(stderr, "%s\n", msg.c_str()); }
  std::string ChooseOpenFile(const std::string&, const std::string&) override { return {}; }
  std::string ChooseSaveFile(const std::string&, const std::string&, const std::string&) override { return {}; }
};

}  // namespace orv::bench
