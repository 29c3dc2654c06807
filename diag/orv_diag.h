// TOrvDiag: the diagnostics facade owned by the device link. Pages switch the
// poller between stopped, one-shot and repeated polling, choose the interval
// and the routine that shows each record, ask for one record at once
// (GetDiagData), and read the last record with its decoded values and texts.
//
// Threads: everything here is called on the link's owner thread, apart from
// Stop (any thread) and the hand-over, which runs on the polling thread in
// one-shot mode and on the owner thread otherwise.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "diag/diag_event.h"
#include "diag/diag_record.h"
#include "diag/diag_thread.h"
#include "diag/diag_values.h"

namespace orv {

class TOrvantis;
class TOrvDiag;

using TDiagCallBackProc = std::function<void(TOrvDiag* sender)>;

class TOrvDiag {
 public:
  static constexpr uint32_t kGetDataTimeout = 1000;

  // Creates the events and starts the polling thread (stopped).
  explicit TOrvDiag(TOrvantis* anOwner);
  // Terminates the polling thread and waits for it.
  ~TOrvDiag();
  TOrvDiag(const TOrvDiag&) = delete;
  TOrvDiag& operator=(const TOrvDiag&) = delete;

  TDiagMode DiagMode() const;
  // dmStop signals the stop event, dmRepeat the start event (the first poll
  // follows one interval later); dmOneShot signals nothing.
  void SetDiagMode(TDiagMode mode);
  uint32_t DiagInterval() const;
  void SetDiagInterval(uint32_t ms);
  // The page routine called after each hand-over (on the owner thread in
  // repeat mode); empty for none.
  void SetDiagProc(TDiagCallBackProc proc);
  TDiagKind DiagKind() const;

  // One poll at once, waiting up to a second; the record is then in RawData.
  // Repeat polling resumes afterwards with the previous routine.
  bool GetDiagData();
  // The unit is gone: the pages receive one all-zero record and polling ceases
  // until the mode is set to dmRepeat again.
  void Stop();
  // The poller's request and reply: like TOrvantis::ReadDataStr, without any
  // trace lines. Fails at once while no unit is attached.
  bool ReadDataStr(uint8_t cmd, const std::string& aTxStr, std::vector<uint8_t>& rxData, uint32_t timeOut);

  // One bit of the last record (see DiagInState).
  bool InState(int location, int index) const;
  // The last record handed over, as the unit sent it.
  TDiagBytes RawData() const;
  TExtendDiagRec Record() const { return ParseDiag(RawData()); }
  TRStartValues RStart() const { return TRStartValues(RawData()); }

  // Decoded remote-start values and texts of the last record.
  bool RStartOnline() const { return RStart().RStartOnline(); }
  int RSLinkQualityValue() const { return RStart().RSLinkQualityValue(); }
  int RSRSSIValue() const { return RStart().RSRSSIValue(); }
  bool BrakeControl() const { return RStart().BrakeControl(); }
  int RStartStageValue() const { return RStart().RStartStageValue(); }
  int RStartStateValue() const { return RStart().RStartStateValue(); }
  int CabinTempValue() const { return RStart().CabinTempValue(); }
  int EngineTempValue() const { return RStart().EngineTempValue(); }
  int TachoPercentValue() const { return RStart().TachoPercentValue(); }
  int RStartMsgId() const { return RStart().RStartMsgId(); }
  int RStartMsgParam() const { return RStart().RStartMsgParam(); }
  std::string CabinTemp() const { return RStart().CabinTemp(); }
  std::string EngineTemp() const { return RStart().EngineTemp(); }
  std::string TachoPercent() const { return RStart().TachoPercent(); }
  std::string RSLinkQuality() const { return RStart().RSLinkQuality(); }
  std::string RSRSSI() const { return RStart().RSRSSI(); }
  std::string RStartStage() const { return RStart().RStartStage(); }
  std::string RStartState() const { return RStart().RStartState(); }
  std::string RStartSysState() const { return RStart().RStartSysState(); }

 private:
  friend class TDiagThread;

  // The hand-over routine installed as the thread's callback.
  void HandOver(const TDiagBytes& data);
  TDiagCallBackProc TakeDiagProc();

  TOrvantis* FUni;
  mutable std::mutex FDataMutex;  // FData is written by the polling thread in one-shot mode
  TDiagBytes FData{};
  TDiagCallBackProc FDiagProc;

  TEventGroup FEvents;
  TEventGroup::Event FEvStopDiag{FEvents};
  TEventGroup::Event FEvStartDiag{FEvents};
  TEventGroup::Event FEvDataReady{FEvents};
  TEventGroup::Event FEvTerminate{FEvents};
  // Set while a record waits for the owner thread, so GetDiagData, which
  // blocks that thread, can run the hand-over itself.
  TEventGroup::Event FEvHandOver{FEvents};

  std::unique_ptr<TDiagThread> FDiagThread;  // last: its thread uses everything above
};

}  // namespace orv
