#include "diag/diag_thread.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "device/orvantis.h"
#include "device/owner_call.h"
#include "diag/orv_diag.h"

namespace orv {

TDiagThread::TDiagThread(TOrvDiag* uniDiag) : FUniDiag(uniDiag) {
  FThread = std::thread([this] { Execute(); });
}

TDiagThread::~TDiagThread() {
  Terminate();
  if (FThread.joinable()) FThread.join();
}

void TDiagThread::SetMode(TDiagMode mode) {
  std::lock_guard<std::mutex> g(FMutex);
  FMode.store(mode);
}

void TDiagThread::SetInterval(uint32_t ms) { FInterval.store(std::max(ms, kMinInterval)); }

void TDiagThread::SetCallBack(TDiagCallBackProcWithData callBack) {
  std::lock_guard<std::mutex> g(FMutex);
  FCallBack = std::move(callBack);
}

void TDiagThread::Terminate() {
  std::shared_ptr<OwnerCall> pending;
  {
    std::lock_guard<std::mutex> g(FMutex);
    FTerminated = true;
    pending = FPendingCall;
  }
  if (pending) pending->Cancel();
  FUniDiag->FEvTerminate.Set();
}

void TDiagThread::Execute() {
  TOrvDiag& d = *FUniDiag;
  uint32_t localInterval = Interval();
  bool stopped = false;
  for (;;) {
    std::optional<uint32_t> limit;  // none in one-shot mode: only an event starts a poll
    switch (Mode()) {
      case dmStop: limit = kStopWakeMs; break;
      case dmRepeat: limit = localInterval; break;
      case dmOneShot: break;
    }
    const int event = d.FEvents.WaitAny({&d.FEvTerminate, &d.FEvStopDiag, &d.FEvStartDiag}, limit);
    if (event == 0) return;
    if (event == 1) {
      // The unit is gone or the page left: show an empty record once and stay
      // quiet until the next start event.
      stopped = true;
      d.FEvStopDiag.Reset();
      DData.fill(0);
      HandOver();
      localInterval = kAfterStopMs;
      continue;
    }
    localInterval = Interval();
    if (event == 2) {
      stopped = false;
      d.FEvStartDiag.Reset();
      if (Mode() == dmOneShot) Poll();
      continue;
    }
    if (Mode() == dmRepeat && !stopped) Poll();
  }
}

void TDiagThread::Poll() {
  std::vector<uint8_t> reply;
  bool ok = false;
  try {
    ok = FUniDiag->ReadDataStr(kDiagCommand, std::string(), reply, kPollTimeout);
  } catch (...) {
    ok = false;  // a failed poll is skipped; the pages keep the last record
  }
  if (!ok) return;
  ApplyDiagReply(DData, reply);
  if (HandOver()) FUniDiag->FEvDataReady.Set();
}

bool TDiagThread::HandOver() {
  TDiagCallBackProcWithData callBack;
  std::shared_ptr<OwnerCall> call;
  TOrvDiag& d = *FUniDiag;
  {
    std::lock_guard<std::mutex> g(FMutex);
    if (!FCallBack) return true;
    callBack = FCallBack;
    if (FMode.load() != dmOneShot) {
      // The decision and the posting happen under the lock that mode changes
      // take, so GetDiagData sees either a direct hand-over or this call.
      if (FTerminated || !d.FUni) return false;
      const TDiagBytes copy = DData;
      call = d.FUni->PostOwnerCall([this, callBack, copy] {
        FUniDiag->FEvHandOver.Reset();
        callBack(this, copy);
      });
      FPendingCall = call;
      d.FEvHandOver.Set();
    }
  }
  if (!call) {
    callBack(this, DData);  // one-shot: the owner thread is blocked in GetDiagData
    return true;
  }
  const bool ran = call->Wait(kHandOverTimeout);
  {
    std::lock_guard<std::mutex> g(FMutex);
    FPendingCall.reset();
  }
  d.FEvHandOver.Reset();
  return ran;
}

}  // namespace orv
