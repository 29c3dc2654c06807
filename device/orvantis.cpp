#include "device/orvantis.h"

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "device/checksums.h"
#include "device/owner_call.h"
#include "device/runtime_dir.h"
#include "diag/orv_diag.h"

namespace orv {

namespace {
// How often a waiting owner thread lets its event loop run.
constexpr auto kPumpInterval = std::chrono::milliseconds(20);
}  // namespace

struct TOrvantis::Attached {
  std::shared_ptr<HidDevice> device;
  uint16_t inputLength = 0;   // declared, ID byte included
  uint16_t outputLength = 0;  // declared, ID byte included
  uint64_t generation = 0;
};

TOrvantis::TOrvantis(HidController* hdc, TOrvantisOnPlugEvent plugEvent, TOrvantisOnUnPlugEvent unPlugEvent,
                     TOrvantisOnLogEvent logEvent, Clock& clock)
    : FOnLog(std::move(logEvent)),
      FOnPlug(std::move(plugEvent)),
      FOnUnPlug(std::move(unPlugEvent)),
      FClock(clock),
      FOwner(std::this_thread::get_id()) {
  FDiag = std::make_unique<TOrvDiag>(this);
  SetController(hdc);
}

TOrvantis::~TOrvantis() {
  FDiag.reset();  // its thread polls through this link: stop it first
  if (FHidDeviceController) FHidDeviceController->SetArrivalHandler({});
  Detach();
}

// ---------------------------------------------------------------------------
// logging

void TOrvantis::Log(const std::string& text, const uint8_t* buf, int count) {
  if (FOnLog && !QuietHere()) FOnLog(text, buf, count);
}

void TOrvantis::LogF(const uint8_t* buf, int count, const char* fmt, ...) {
  if (!FOnLog || QuietHere()) return;
  char line[256];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(line, sizeof line, fmt, ap);
  va_end(ap);
  FOnLog(line, buf, count);
}

bool TOrvantis::IsOwnerThread() const { return FOwner.load() == std::this_thread::get_id(); }

// ---------------------------------------------------------------------------
// attaching and detaching

bool TOrvantis::OnLine() const {
  std::lock_guard<std::mutex> g(FDevMutex);
  return FAttached && FAttached->device->Plugged();
}

uint16_t TOrvantis::InputReportLength() const {
  std::lock_guard<std::mutex> g(FDevMutex);
  return FAttached ? static_cast<uint16_t>(FAttached->inputLength - 1) : 0;
}

uint16_t TOrvantis::OutputReportLength() const {
  std::lock_guard<std::mutex> g(FDevMutex);
  return FAttached ? FAttached->outputLength : 0;
}

bool TOrvantis::Attach(std::unique_ptr<HidDevice> device) {
  Detach();
  if (!device) return false;
  const uint16_t in = device->InputReportByteLength();
  const uint16_t out = device->OutputReportByteLength();
  // A reply needs at least its code and length byte in one report, a request
  // at least one byte per output report.
  if (in < 3 || out < 2) {
    LogF(nullptr, 0, "[%d] Device refused: InputReportByteLength = %d; OutputReportByteLength = %d (too short for packets)",
         static_cast<int>(FClock.Ticks()), in, out);
    return false;
  }
  auto attached = std::make_shared<Attached>();
  attached->inputLength = in;
  attached->outputLength = out;
  const std::string lockName = device->LockName();
  const std::string base = lockName.empty() ? std::string() : RuntimeDir() + "/orvantis-" + SanitizeFileName(lockName);
  FSem.SetLockFile(base.empty() ? std::string() : base + ".lock");
  {
    std::lock_guard<std::mutex> g(FDevMutex);
    FHoldFile = base.empty() ? std::string() : base + ".hold";
    attached->generation = ++FGeneration;
    attached->device = std::move(device);
    FAttached = attached;
  }
  {
    std::lock_guard<std::mutex> g(FMutex);
    FRing.SetInputReportLength(static_cast<uint16_t>(in - 1));
    FRing.ResetAssembly();
  }
  const uint64_t gen = attached->generation;
  attached->device->SetHandlers(
      [this, gen](uint8_t id, const uint8_t* data, size_t size) { OnInputReport(gen, id, data, size); },
      [this, gen] { OnDeviceUnplug(gen); });
  LogF(nullptr, 0, "[%d] InputReportByteLength = %d; OutputReportByteLength = %d", static_cast<int>(FClock.Ticks()),
       in, out);
  return true;
}

void TOrvantis::Detach() {
  std::shared_ptr<Attached> old;
  {
    std::lock_guard<std::mutex> g(FDevMutex);
    old = std::move(FAttached);
    FAttached.reset();
  }
  if (!old) return;
  old->device->SetHandlers({}, {});
  {
    std::lock_guard<std::mutex> g(FMutex);
    FRing.SetInputReportLength(0);
    FRing.ResetAssembly();
  }
  old.reset();  // the device is checked in once no sender holds it any more
  LogF(nullptr, 0, "[%d] Device is UnPlugged", static_cast<int>(FClock.Ticks()));
}

void TOrvantis::SetOnLine(bool value) {
  if (!value) {
    Detach();
    return;
  }
  {
    std::lock_guard<std::mutex> g(FDevMutex);
    if (FAttached) return;
  }
  if (!FHidDeviceController) return;
  if (Attach(FHidDeviceController->CheckOutFirst(kOrvantisVendorId, kOrvantisProductId)) && FOnPlug) FOnPlug(this);
}

void TOrvantis::SetHidDev(std::unique_ptr<HidDevice> device) {
  Detach();
  if (device) Attach(std::move(device));
  if (FOnPlug) FOnPlug(this);
}

void TOrvantis::SetController(HidController* hdc) {
  if (FHidDeviceController) FHidDeviceController->SetArrivalHandler({});
  Detach();
  FHidDeviceController = hdc;
  if (hdc) hdc->SetArrivalHandler([this](const HidDeviceInfo& info) { OnArrival(info); });
  SetOnLine(true);
}

bool TOrvantis::UseSync() const {
  std::lock_guard<std::mutex> g(FMutex);
  return FUseSync;
}

void TOrvantis::SetUseSync(bool value) {
  std::lock_guard<std::mutex> g(FMutex);
  FUseSync = value;
}

// ---------------------------------------------------------------------------
// notices and input reports

void TOrvantis::OnInputReport(uint64_t generation, uint8_t reportId, const uint8_t* data, size_t size) {
  // Reports that arrive during a quiet exchange belong to it.
  if (LogEnabled() && FQuietThread.load() == std::thread::id())
    LogF(data, static_cast<int>(size), "[%d] OnData: ID=0x%.2x; Size=0x%.4x", static_cast<int>(FClock.Ticks()),
         reportId, static_cast<unsigned>(size));
  {
    std::unique_lock<std::mutex> lk(FMutex);
    if (FUseSync) {
      Notice n{Notice::kReport, {}, generation, reportId, std::vector<uint8_t>(data, data + size)};
      FNotices.push_back(std::move(n));
      lk.unlock();
      FCond.notify_all();
      std::lock_guard<std::mutex> g(FWakeupMutex);
      if (FNoticeWakeup) FNoticeWakeup();
      return;
    }
  }
  HandleReport(reportId, data, size);
}

void TOrvantis::HandleReport(uint8_t reportId, const uint8_t* data, size_t size) {
  unsigned outcome;
  {
    std::lock_guard<std::mutex> g(FMutex);
    FLastReport = std::chrono::steady_clock::now();
    outcome = FRing.OnReport(reportId, data, size, FClock.Ticks());
  }
  if (outcome & PacketRing::kCompleted) FCond.notify_all();
  if (outcome & PacketRing::kAbandoned) Log("DataEvent TimeOut!");
  if (outcome & PacketRing::kInconsistent) Log("Ошибка обработки приема пакетов! Требуется правильно разрулить!");
}

void TOrvantis::OnDeviceUnplug(uint64_t generation) {
  Notice n{Notice::kUnplug, {}, generation, 0, {}};
  PushNotice(std::move(n));
}

void TOrvantis::OnArrival(const HidDeviceInfo& info) {
  Notice n{Notice::kArrival, info, 0, 0, {}};
  PushNotice(std::move(n));
}

void TOrvantis::PushNotice(Notice notice) {
  {
    std::lock_guard<std::mutex> g(FMutex);
    FNotices.push_back(std::move(notice));
  }
  FCond.notify_all();
  std::lock_guard<std::mutex> g(FWakeupMutex);
  if (FNoticeWakeup) FNoticeWakeup();
}

void TOrvantis::ProcessHIDMessages() {
  if (!IsOwnerThread()) return;
  for (;;) {
    Notice n;
    {
      std::lock_guard<std::mutex> g(FMutex);
      if (FNotices.empty()) return;
      n = std::move(FNotices.front());
      FNotices.pop_front();
    }
    DeliverNotice(n);
  }
}

void TOrvantis::DeliverNotice(Notice& n) {
  uint64_t current = 0;
  {
    std::lock_guard<std::mutex> g(FDevMutex);
    if (FAttached) current = FAttached->generation;
  }
  switch (n.kind) {
    case Notice::kReport:
      if (n.generation == current) HandleReport(n.reportId, n.data.data(), n.data.size());
      break;
    case Notice::kUnplug:
      if (n.generation == current) {
        Detach();
        if (FOnUnPlug) FOnUnPlug(this);
        if (FDiag) FDiag->Stop();
      }
      break;
    case Notice::kCall:
      if (n.call) n.call->Run();
      break;
    case Notice::kArrival:
      if (n.info.vendorId == kOrvantisVendorId && n.info.productId == kOrvantisProductId && FHidDeviceController) {
        if (auto dev = FHidDeviceController->CheckOut(n.info)) {
          if (Attach(std::move(dev)) && FOnPlug) FOnPlug(this);
        }
      }
      break;
  }
}

std::shared_ptr<OwnerCall> TOrvantis::PostOwnerCall(std::function<void()> fn) {
  auto call = std::make_shared<OwnerCall>(std::move(fn));
  Notice n{Notice::kCall, {}, 0, 0, {}, call};
  PushNotice(std::move(n));
  return call;
}

bool TOrvantis::WaitForNotice(uint32_t timeOut) {
  std::unique_lock<std::mutex> lk(FMutex);
  return FCond.wait_for(lk, std::chrono::milliseconds(timeOut), [this] { return !FNotices.empty(); });
}

void TOrvantis::SetPump(std::function<void()> pump) { FPump = std::move(pump); }

void TOrvantis::SetNoticeWakeup(std::function<void()> wakeup) {
  std::lock_guard<std::mutex> g(FWakeupMutex);
  FNoticeWakeup = std::move(wakeup);
}

void TOrvantis::SetOwnerThread(std::thread::id id) { FOwner.store(id); }

void TOrvantis::SetTimeoutScale(unsigned percent) { FTimeoutScale.store(percent ? percent : 1); }

void TOrvantis::SetBusyWaitLimit(std::chrono::milliseconds limit) { FSem.SetWaitLimit(limit); }
std::chrono::milliseconds TOrvantis::BusyWaitLimit() const { return FSem.WaitLimit(); }
std::string TOrvantis::LinkError() const { return FSem.Error(); }

std::string TOrvantis::HoldFile() const {
  std::lock_guard<std::mutex> g(FDevMutex);
  return FHoldFile;
}

void TOrvantis::KeepAlive(uint32_t ms) {
  if (IsOwnerThread()) {
    ProcessHIDMessages();
    if (FPump) FPump();
    WaitForNotice(ms);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

// ---------------------------------------------------------------------------
// exchanges

std::vector<uint8_t> TOrvantis::FramePacket(uint8_t cmd, std::span<const uint8_t> payload) {
  const size_t len = payload.size() + 3;
  std::vector<uint8_t> pkt;
  pkt.reserve(len + 1);
  pkt.push_back(cmd);
  pkt.push_back(static_cast<uint8_t>(len >> 8));
  pkt.push_back(static_cast<uint8_t>(len));
  pkt.insert(pkt.end(), payload.begin(), payload.end());
  pkt.push_back(Crc8(pkt.data(), static_cast<uint16_t>(pkt.size())));
  return pkt;
}

bool TOrvantis::SendLocked(std::span<const uint8_t> data) {
  std::shared_ptr<Attached> att;
  {
    std::lock_guard<std::mutex> g(FDevMutex);
    att = FAttached;
  }
  // Without a device the first report fails like a failed write would.
  const size_t chunk = att ? att->outputLength - 1u : 0u;
  OutputReport.assign(att ? att->outputLength : 1u, 0);
  // Reports already on their way to this process (another process's exchange
  // with the same unit) must land before the mark, so they count as stale.
  if (att) att->device->Flush();
  uint8_t mark;
  {
    std::lock_guard<std::mutex> g(FMutex);
    mark = FRing.WriteIndex();
  }
  size_t pos = 0;
  do {
    const size_t n = chunk ? std::min(chunk, data.size() - pos) : 0;
    std::fill(OutputReport.begin(), OutputReport.end(), 0);
    if (n) std::memcpy(OutputReport.data() + 1, data.data() + pos, n);
    const uint32_t first = FClock.Ticks();
    for (;;) {
      int err = ENODEV;
      if (att && att->device->Plugged() && att->device->WriteReport(OutputReport.data(), OutputReport.size(), err))
        break;
      LogF(nullptr, 0, "WriteFile Error = %u", static_cast<unsigned>(err));
      if (FClock.Ticks() - first > kSendRetryWindowMs) return false;
      FClock.Sleep(kSendRetrySleepMs);
    }
    pos += n;
  } while (pos < data.size());
  std::lock_guard<std::mutex> g(FMutex);
  FRing.SetReadIndex(mark);  // replies that completed before this send are stale
  return true;
}

bool TOrvantis::WaitLocked(uint8_t cmd, std::vector<uint8_t>& rxData, uint32_t timeOut) {
  using clock = std::chrono::steady_clock;
  const auto scaled = std::chrono::milliseconds(uint64_t{timeOut} * FTimeoutScale.load() / 100);
  const auto deadline = clock::now() + scaled;
  auto lastPump = clock::now();
  const bool owner = IsOwnerThread();
  bool result = false;
  uint8_t head[8] = {};
  int headCount = 0;
  uint32_t dataLen = 0, took = 0;

  std::unique_lock<std::mutex> lk(FMutex);
  for (;;) {
    while (!result && !FRing.Empty()) {
      const uint8_t idx = FRing.ReadIndex();
      const std::vector<uint8_t>& slot = FRing.Slot(idx);
      // A packet shorter than code + length + checksum is never a valid reply.
      if (slot.size() >= 3 && slot[0] == cmd) {
        const size_t n = slot.size() - 3;
        if (rxData.empty()) rxData.resize(n);
        if (rxData.size() == n) {
          std::copy(slot.begin() + 2, slot.begin() + 2 + static_cast<std::ptrdiff_t>(n), rxData.begin());
          headCount = static_cast<int>(std::min<size_t>(8, slot.size()));
          std::copy(slot.begin(), slot.begin() + headCount, head);
          dataLen = static_cast<uint32_t>(n);
          took = FRing.SlotTimes(idx).completed - FRing.SlotTimes(idx).first;
          result = true;
        }
      }
      FRing.Advance();  // examined packets are consumed whether they fit or not
    }
    if (result) break;
    if (owner && !FNotices.empty()) {
      lk.unlock();
      ProcessHIDMessages();
      lk.lock();
      continue;
    }
    const auto now = clock::now();
    if (now >= deadline) break;
    auto until = deadline;
    if (owner && FPump) until = std::min(deadline, lastPump + kPumpInterval);
    FCond.wait_until(lk, until, [&] { return !FRing.Empty() || (owner && !FNotices.empty()); });
    if (owner && FPump && clock::now() >= lastPump + kPumpInterval) {
      lk.unlock();
      FPump();
      lastPump = clock::now();
      lk.lock();
    }
  }
  lk.unlock();
  if (result) LogF(head, headCount, "Rx=%u\tT=%u", dataLen, took);
  return result;
}

void TOrvantis::SettleLocked() {
  const uint32_t quietMs = FSem.PendingQuietMs();
  if (quietMs == 0) return;
  using clock = std::chrono::steady_clock;
  const auto quiet = std::chrono::milliseconds(quietMs);
  const bool owner = IsOwnerThread();
  auto lastPump = clock::now();
  std::unique_lock<std::mutex> lk(FMutex);
  // Quiet counts from now: what arrived before belongs to the exchange that
  // is given up, and a process that just attached saw nothing of it.
  auto since = clock::now();
  for (;;) {
    FRing.SetReadIndex(FRing.WriteIndex());
    if (FLastReport > since) since = FLastReport;
    const auto now = clock::now();
    if (now >= since + quiet) break;
    {
      std::lock_guard<std::mutex> g(FDevMutex);
      if (!FAttached) break;  // nothing can arrive; the send fails anyway
    }
    if (owner && !FNotices.empty()) {
      lk.unlock();
      ProcessHIDMessages();
      lk.lock();
      continue;
    }
    auto until = since + quiet;
    if (owner && FPump) until = std::min(until, lastPump + kPumpInterval);
    FCond.wait_until(lk, until);
    if (owner && FPump && clock::now() >= lastPump + kPumpInterval) {
      lk.unlock();
      FPump();
      lastPump = clock::now();
      lk.lock();
    }
  }
  FRing.SetReadIndex(FRing.WriteIndex());
  FRing.ResetAssembly();  // the rest of a cut-off packet will not come
  lk.unlock();
  LogF(nullptr, 0, "[%d] Unit quiet after %u ms: outstanding reply discarded", static_cast<int>(FClock.Ticks()),
       quietMs);
  FSem.ClearPending();
}

void TOrvantis::LogLockFailure(LinkLock::Result result) {
  if (result == LinkLock::Result::kNested) Log("Вложенный обмен с устройством отклонен");
  else Log(FSem.Error());
}

bool TOrvantis::Exchange(uint8_t cmd, std::span<const uint8_t> txData, std::vector<uint8_t>& rxData,
                         uint32_t timeOut) {
  const std::vector<uint8_t> pkt = FramePacket(cmd, txData);
  // Sending the very request whose reply timed out again: a late reply to
  // the first is as good an answer as the reply to this one, so there is
  // nothing to wait out; the spare reply stays outstanding for whatever is
  // sent next.
  const bool repeat = FSem.PendingQuietMs() != 0 && FSem.PendingIsOurs() && pkt == FOutstanding;
  if (!repeat) SettleLocked();
  const uint32_t scaled = static_cast<uint32_t>(uint64_t{timeOut} * FTimeoutScale.load() / 100);
  // From here until its reply is taken, a reply is outstanding: a holder
  // after us (in this process or another) lets it pass before it sends.
  FSem.SetPending(std::max<uint32_t>(scaled, 1));
  LogF(pkt.data(), static_cast<int>(std::min<size_t>(8, pkt.size())), "[%d] TxData=%u",
       static_cast<int>(FClock.Ticks()), static_cast<unsigned>(pkt.size()));
  const uint32_t t0 = FClock.Ticks();
  const bool sent = SendLocked(pkt);
  const uint32_t t1 = FClock.Ticks();
  LogF(nullptr, 0, sent ? "[%d] TxOK=%u" : "[%d] TxErr=%u", static_cast<int>(t1), t1 - t0);
  if (!sent) {
    FOutstanding = pkt;
    return false;
  }
  if (!WaitLocked(cmd, rxData, timeOut)) {
    FOutstanding = pkt;
    return false;
  }
  if (!repeat) {
    FSem.ClearPending();
    FOutstanding.clear();
  }
  return true;
}

bool TOrvantis::Send(std::span<const uint8_t> data) {
  LinkLock::Guard g(FSem);
  if (!g.Held()) {
    LogLockFailure(g.Outcome());
    return false;
  }
  SettleLocked();
  FSem.SetPending(static_cast<uint32_t>(uint64_t{memlimits::kTimeout} * FTimeoutScale.load() / 100));
  return SendLocked(data);
}

bool TOrvantis::SendStr(const std::string& anStr) {
  return Send(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(anStr.data()), anStr.size()));
}

bool TOrvantis::WaitData(uint8_t cmd, std::vector<uint8_t>& rxData, uint32_t timeOut) {
  LinkLock::Guard g(FSem);
  if (!g.Held()) {
    LogLockFailure(g.Outcome());
    return false;
  }
  if (!WaitLocked(cmd, rxData, timeOut)) return false;
  FSem.ClearPending();
  return true;
}

bool TOrvantis::ReadData(uint8_t cmd, std::span<const uint8_t> txData, std::vector<uint8_t>& rxData,
                         uint32_t timeOut) {
  LinkLock::Guard g(FSem);
  if (!g.Held()) {
    LogLockFailure(g.Outcome());
    return false;
  }
  return Exchange(cmd, txData, rxData, timeOut);
}

bool TOrvantis::ReadDataQuiet(uint8_t cmd, std::span<const uint8_t> txData, std::vector<uint8_t>& rxData,
                              uint32_t timeOut) {
  LinkLock::Guard g(FSem);
  if (!g.Held()) return false;
  FQuietThread.store(std::this_thread::get_id());
  struct Reset {
    std::atomic<std::thread::id>& id;
    ~Reset() { id.store(std::thread::id()); }
  } reset{FQuietThread};
  return Exchange(cmd, txData, rxData, timeOut);
}

bool TOrvantis::ReadDataStr(uint8_t cmd, const std::string& aTxStr, std::vector<uint8_t>& rxData, uint32_t timeOut) {
  return ReadData(cmd, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(aTxStr.data()), aTxStr.size()),
                  rxData, timeOut);
}

bool TOrvantis::GetPacket(uint8_t index, std::vector<uint8_t>& packet) {
  std::lock_guard<std::mutex> g(FMutex);
  if (index == FRing.WriteIndex()) return false;
  packet = FRing.Slot(index);
  return !packet.empty();
}

}  // namespace orv
