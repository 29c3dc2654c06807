// Reassembly of the unit's input reports into checksum-verified reply packets,
// kept in a 256-slot ring. Not thread-safe: the link guards it with its mutex.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

class PacketRing {
 public:
  static constexpr uint32_t kAbandonMs = 500;  // a partial packet older than this is dropped

  struct Times {
    uint32_t first = 0;      // first report of the packet
    uint32_t latest = 0;     // latest report
    uint32_t completed = 0;  // packet completed
  };

  // What one input report did, for the link's trace lines.
  enum Outcome : unsigned {
    kIgnored = 1u << 0,    // wrong report ID or size, or a packet start with length 0
    kAbandoned = 1u << 1,  // a partial packet timed out ("DataEvent TimeOut!")
    kCompleted = 1u << 2,  // a packet passed its checksum and entered the ring
    kCrcDropped = 1u << 3, // a packet completed with a wrong checksum
    kInconsistent = 1u << 4,
  };

  PacketRing();

  // Data bytes of one input report (declared input length minus the ID byte).
  void SetInputReportLength(uint16_t len) { inputReportLength_ = len; }
  uint16_t InputReportLength() const { return inputReportLength_; }
  // Forgets a packet in progress.
  void ResetAssembly() { pktSize_ = 0; }

  // Handles one input report received at `tick`.
  unsigned OnReport(uint8_t reportId, const uint8_t* data, size_t size, uint32_t tick);

  bool Empty() const { return iPktRead_ == iPktWrite_; }
  uint8_t ReadIndex() const { return iPktRead_; }
  uint8_t WriteIndex() const { return iPktWrite_; }
  uint16_t PktSize() const { return pktSize_; }
  const std::vector<uint8_t>& Slot(uint8_t index) const { return slots_[index]; }
  const Times& SlotTimes(uint8_t index) const { return times_[index]; }
  // Consumes the packet at the read index (the caller checked it is not empty).
  void Advance() { ++iPktRead_; }
  void SetReadIndex(uint8_t index) { iPktRead_ = index; }

 private:
  uint16_t inputReportLength_ = 0;
  uint16_t pktSize_ = 0;
  uint8_t iPktRead_ = 0;
  uint8_t iPktWrite_ = 0;
  std::array<std::vector<uint8_t>, 256> slots_;
  std::array<Times, 256> times_{};
};

}  // namespace orv
