#include "sim/report_codec.h"

#include <algorithm>
#include <thread>

namespace orv::sim {

std::optional<std::vector<uint8_t>> RequestAssembler::Feed(const uint8_t* data, size_t size) {
  if (expected_ == 0) {
    // A request starts at byte 0 of a report: code, 16-bit length, ...
    if (size < 3) return std::nullopt;
    const size_t len = (size_t{data[1]} << 8) | data[2];
    if (len < 3) return std::nullopt;
    expected_ = len + 1;
    packet_.clear();
    packet_.reserve(expected_);
  }
  const size_t n = std::min(size, expected_ - packet_.size());
  packet_.insert(packet_.end(), data, data + n);
  if (packet_.size() < expected_) return std::nullopt;
  expected_ = 0;
  return std::move(packet_);
}

std::vector<std::vector<uint8_t>> SplitIntoReports(const std::vector<uint8_t>& packet, size_t dataLength) {
  std::vector<std::vector<uint8_t>> reports;
  for (size_t pos = 0; pos < packet.size(); pos += dataLength) {
    std::vector<uint8_t> r(dataLength, 0);
    const size_t n = std::min(dataLength, packet.size() - pos);
    std::copy_n(packet.begin() + static_cast<std::ptrdiff_t>(pos), n, r.begin());
    reports.push_back(std::move(r));
  }
  return reports;
}

void UsbTiming::Transfer() {
  std::chrono::steady_clock::time_point done;
  {
    std::lock_guard<std::mutex> g(mutex_);
    if (period_.count() == 0) return;
    done = std::max(std::chrono::steady_clock::now(), busFree_) + period_;
    busFree_ = done;
  }
  std::this_thread::sleep_until(done);
}

}  // namespace orv::sim
