// Runs a simulated unit behind a transport: takes complete request packets,
// lets the unit answer them one at a time on its own thread, and carries out
// each answer (delay, garbage reports, reply reports at the USB timing, then
// an unplug or a restart) through the transport's Sink. Both the in-process
// backend and the virtual HID bus use it, so the unit behaves the same on each.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "sim/report_codec.h"
#include "sim/sim_unit.h"

namespace orv::sim {

class UnitResponder {
 public:
  // What the transport does with an answer. Called on the responder's thread.
  class Sink {
   public:
    virtual ~Sink() = default;
    // One input report: `data` is its data part (after the report ID byte).
    // `origin` is the tag the request was submitted with.
    virtual void Deliver(const std::vector<uint8_t>& data, uint64_t origin) = 0;
    // The unit disappears instead of answering.
    virtual void Unplug() = 0;
    // The unit restarts `delayMs` after its reply: it disappears and comes
    // back `restartMs` later.
    virtual void Restart(int restartMs, uint32_t delayMs) = 0;
  };

  // `inputDataLength` is the data part of one input report (declared length - 1).
  UnitResponder(std::shared_ptr<SimUnit> unit, UsbTiming& timing, size_t inputDataLength, Sink& sink);
  ~UnitResponder();
  UnitResponder(const UnitResponder&) = delete;
  UnitResponder& operator=(const UnitResponder&) = delete;

  // Queues a complete request packet; `origin` is handed back with its reports.
  void Submit(std::vector<uint8_t> packet, uint64_t origin = 0);
  // The unit went away: drops queued requests, cuts a pending reply delay
  // short and suppresses the rest of the answer in progress.
  void Cancel();
  // Stops the thread (idempotent); called by the destructor.
  void Stop();

 private:
  void Run();
  bool Cancelled(uint64_t epoch);

  std::shared_ptr<SimUnit> unit_;
  UsbTiming& timing_;
  size_t dataLength_;
  Sink& sink_;

  std::mutex mutex_;
  std::condition_variable cond_;
  struct Request {
    std::vector<uint8_t> packet;
    uint64_t origin;
  };
  std::deque<Request> queue_;
  uint64_t epoch_ = 0;  // bumped by Cancel
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace orv::sim
