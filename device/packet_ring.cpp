#include "device/packet_ring.h"

#include <algorithm>
#include <cstring>

#include "device/checksums.h"

namespace orv {

PacketRing::PacketRing() = default;

unsigned PacketRing::OnReport(uint8_t reportId, const uint8_t* data, size_t size, uint32_t tick) {
  if (reportId != 0 || size != inputReportLength_ || size < 2) return kIgnored;
  unsigned outcome = 0;
  std::vector<uint8_t>& slot = slots_[iPktWrite_];
  Times& times = times_[iPktWrite_];
  times.latest = tick;
  if (pktSize_ > 0 && tick - times.first > kAbandonMs) {
    pktSize_ = 0;
    outcome |= kAbandoned;
  }
  if (pktSize_ == 0) {
    times.first = tick;
    pktSize_ = data[1];
    if (pktSize_ == 0) return outcome | kIgnored;
    pktSize_ = static_cast<uint16_t>(pktSize_ + 1);  // the checksum byte
    slot.assign(pktSize_, 0);
  }
  const size_t n = std::min<size_t>(pktSize_, size);
  if (slot.size() < pktSize_) {  // cannot happen unless the state was corrupted
    pktSize_ = 0;
    return outcome | kInconsistent;
  }
  const size_t offset = slot.size() - pktSize_;
  std::memcpy(slot.data() + offset, data, n);
  pktSize_ = static_cast<uint16_t>(pktSize_ - n);
  if (pktSize_ > 0) return outcome;

  const auto body = static_cast<uint16_t>(slot.size() - 1);
  if (Crc8(slot.data(), body) != slot.back()) return outcome | kCrcDropped;
  times.completed = tick;
  if (static_cast<uint8_t>(iPktWrite_ + 1) == iPktRead_) ++iPktRead_;  // ring full: drop the oldest
  ++iPktWrite_;
  slots_[iPktWrite_].clear();
  return outcome | kCompleted;
}

}  // namespace orv
