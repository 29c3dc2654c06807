// TDiagThread: the diagnostics poller. It waits for the start and stop events
// of its TOrvDiag, polls the unit with command 0x91 once or at an interval, and
// hands every record over: directly in one-shot mode (the owner thread is then
// blocked waiting for it), otherwise as a call that the link's owner thread
// runs while this thread waits, holding no lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "diag/diag_record.h"

namespace orv {

class TDiagThread;
class TOrvDiag;
class OwnerCall;

using TDiagCallBackProcWithData = std::function<void(TDiagThread* sender, const TDiagBytes& data)>;

class TDiagThread {
 public:
  static constexpr uint32_t kDefaultInterval = 500;
  static constexpr uint32_t kMinInterval = 10;        // shorter intervals would keep the link busy
  static constexpr uint32_t kStopWakeMs = 200;        // wake-up period while stopped
  static constexpr uint32_t kAfterStopMs = 1000;      // first wake-up after a stop event
  static constexpr uint32_t kPollTimeout = 200;       // reply time-out of one poll
  static constexpr uint32_t kHandOverTimeout = 3000;  // longest wait for the owner thread
  static constexpr uint8_t kDiagCommand = 0x91;

  // Starts the thread; `uniDiag` owns it and outlives it.
  explicit TDiagThread(TOrvDiag* uniDiag);
  // Terminates the thread and waits for it.
  ~TDiagThread();
  TDiagThread(const TDiagThread&) = delete;
  TDiagThread& operator=(const TDiagThread&) = delete;

  TDiagMode Mode() const { return FMode.load(); }
  // Stores the mode; the owner signals the events that go with it.
  void SetMode(TDiagMode mode);
  uint32_t Interval() const { return FInterval.load(); }
  void SetInterval(uint32_t ms);
  void SetCallBack(TDiagCallBackProcWithData callBack);

  // Ends the loop at its next wake-up; a hand-over still waiting for the owner
  // thread is cancelled.
  void Terminate();

 private:
  void Execute();
  void Poll();
  // True when the record reached the callback (or there is none).
  bool HandOver();

  std::atomic<TDiagMode> FMode{dmStop};
  std::atomic<uint32_t> FInterval{kDefaultInterval};
  TOrvDiag* FUniDiag;
  TDiagBytes DData{};  // touched by the polling thread only

  // Guards the callback, the hand-over decision against mode changes, and the
  // call waiting for the owner thread.
  std::mutex FMutex;
  TDiagCallBackProcWithData FCallBack;
  std::shared_ptr<OwnerCall> FPendingCall;
  bool FTerminated = false;

  std::thread FThread;  // last: starts when everything above is ready
};

}  // namespace orv
