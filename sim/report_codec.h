// Carries the simulated unit's packets over HID reports: assembles request
// packets from output reports and cuts reply packets into input reports.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace orv::sim {

// Report lengths the simulated unit declares (ID byte included): full-speed
// HID, 64 data bytes each way.
constexpr uint16_t kSimReportLength = 65;

class RequestAssembler {
 public:
  // Takes the data part of one output report (after the ID byte). Returns a
  // complete request packet when this report finished one.
  std::optional<std::vector<uint8_t>> Feed(const uint8_t* data, size_t size);

 private:
  std::vector<uint8_t> packet_;
  size_t expected_ = 0;
};

// Data parts of the input reports that carry `packet`, each `dataLength`
// bytes, zero-padded.
std::vector<std::vector<uint8_t>> SplitIntoReports(const std::vector<uint8_t>& packet, size_t dataLength);

// The USB timing model: every report, in either direction, occupies the bus
// for one period; transfers queue behind each other.
class UsbTiming {
 public:
  explicit UsbTiming(std::chrono::microseconds period = std::chrono::microseconds(0)) : period_(period) {}
  void SetPeriod(std::chrono::microseconds period) {
    std::lock_guard<std::mutex> g(mutex_);
    period_ = period;
  }
  // Blocks until this report's transfer would have finished.
  void Transfer();

 private:
  std::mutex mutex_;
  std::chrono::microseconds period_;
  std::chrono::steady_clock::time_point busFree_{};
};

}  // namespace orv::sim
