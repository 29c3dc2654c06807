#include "diag/orv_diag.h"

#include <chrono>
#include <utility>

#include "device/orvantis.h"

namespace orv {

TOrvDiag::TOrvDiag(TOrvantis* anOwner) : FUni(anOwner) {
  FDiagThread = std::make_unique<TDiagThread>(this);
  FDiagThread->SetCallBack([this](TDiagThread*, const TDiagBytes& data) { HandOver(data); });
}

TOrvDiag::~TOrvDiag() { FDiagThread.reset(); }

TDiagMode TOrvDiag::DiagMode() const { return FDiagThread ? FDiagThread->Mode() : dmStop; }

void TOrvDiag::SetDiagMode(TDiagMode mode) {
  if (!FDiagThread) return;
  FDiagThread->SetMode(mode);
  if (mode == dmStop) FEvStopDiag.Set();
  if (mode == dmRepeat) FEvStartDiag.Set();
}

uint32_t TOrvDiag::DiagInterval() const {
  return FDiagThread ? FDiagThread->Interval() : TDiagThread::kDefaultInterval;
}

void TOrvDiag::SetDiagInterval(uint32_t ms) {
  if (FDiagThread) FDiagThread->SetInterval(ms);
}

void TOrvDiag::SetDiagProc(TDiagCallBackProc proc) {
  std::lock_guard<std::mutex> g(FDataMutex);
  FDiagProc = std::move(proc);
}

TDiagCallBackProc TOrvDiag::TakeDiagProc() {
  std::lock_guard<std::mutex> g(FDataMutex);
  return std::exchange(FDiagProc, nullptr);
}

TDiagKind TOrvDiag::DiagKind() const {
  std::lock_guard<std::mutex> g(FDataMutex);
  return DiagKindOf(FData[TExtendDiagRec::kKindOffset]);
}

TDiagBytes TOrvDiag::RawData() const {
  std::lock_guard<std::mutex> g(FDataMutex);
  return FData;
}

bool TOrvDiag::InState(int location, int index) const { return DiagInState(RawData(), location, index); }

void TOrvDiag::HandOver(const TDiagBytes& data) {
  TDiagCallBackProc proc;
  {
    std::lock_guard<std::mutex> g(FDataMutex);
    FData = data;
    proc = FDiagProc;
  }
  if (proc) proc(this);
}

void TOrvDiag::Stop() { FEvStopDiag.Set(); }

bool TOrvDiag::ReadDataStr(uint8_t cmd, const std::string& aTxStr, std::vector<uint8_t>& rxData, uint32_t timeOut) {
  if (!FUni || !FUni->OnLine()) return false;
  return FUni->ReadDataQuiet(
      cmd, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(aTxStr.data()), aTxStr.size()), rxData, timeOut);
}

bool TOrvDiag::GetDiagData() {
  if (!FDiagThread) return false;
  const TDiagMode mode = DiagMode();
  TDiagCallBackProc proc = TakeDiagProc();  // no page code on the polling thread
  FDiagThread->SetMode(dmOneShot);
  FEvDataReady.Reset();
  FEvStartDiag.Set();

  // A record posted for the owner thread before the switch would wait for this
  // thread; run it here, so the poller is free for the one-shot poll.
  bool serveHandOver = FUni && FUni->OnOwnerThread();
  bool got = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGetDataTimeout);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const uint32_t ms = left.count() > 0 ? static_cast<uint32_t>(left.count()) : 0;
    const int event = serveHandOver ? FEvents.WaitAny({&FEvDataReady, &FEvHandOver}, ms)
                                    : FEvents.WaitAny({&FEvDataReady}, ms);
    if (event == 0) {
      got = true;
      break;
    }
    if (event == TEventGroup::kTimeout) break;
    FUni->ProcessHIDMessages();
    // Still set: the hand-over is the one running this very code; just wait.
    if (FEvHandOver.IsSet()) serveHandOver = false;
  }

  SetDiagProc(std::move(proc));
  // Back to the previous mode. A poller that was stopped stays stopped without
  // a new stop event, which would hand over an empty record and wipe out the
  // one just fetched.
  if (mode == dmStop) FDiagThread->SetMode(dmStop);
  else SetDiagMode(mode);
  return got;
}

}  // namespace orv
