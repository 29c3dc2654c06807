// TOrvantis: the device link. Turns commands into HID output reports, assembles
// the unit's input reports into reply packets, waits for replies, runs the
// identity, memory, flash and boot commands, and attaches and detaches units.
//
// Threads: the owner thread (the one running the main loop: the GUI thread or
// the CLI's loop) runs the workflows and receives plug and unplug notices; the
// diagnostics thread may run exchanges too; the HID backend's reader thread
// delivers input reports. One exchange (send and the wait for its reply) holds
// the link lock from start to end, so one thread never consumes another's reply.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "device/clock.h"
#include "device/hid.h"
#include "device/identity.h"
#include "device/link_lock.h"
#include "device/packet_ring.h"

namespace orv {

class TOrvantis;
class TOrvDiag;
class OwnerCall;

// Trace line with an optional buffer (count 0 = none). Called from any thread.
using TOrvantisOnLogEvent = std::function<void(const std::string& str, const uint8_t* buf, int count)>;
using TOrvantisOnPlugEvent = std::function<void(TOrvantis* sender)>;
using TOrvantisOnUnPlugEvent = std::function<void(TOrvantis* sender)>;

// Command codes and reply sizes the link uses.
namespace cmd {
constexpr uint8_t kGetInfo = 0xDB;
constexpr uint8_t kGetState = 0x99;
constexpr uint8_t kGetCoreInfo = 0xC0;
constexpr uint8_t kGetCanFwInfo = 0xCA;
constexpr uint8_t kGetBoot2Rec = 0xB0;
constexpr uint8_t kGetCore2Info = 0xB1;
constexpr uint8_t kGetCanFw2Info = 0xB2;
constexpr uint8_t kGetVersionDevices = 0xB3;
constexpr uint8_t kMemory = 0x55;  // the memory, flash and boot family
constexpr uint8_t kSaveSettings = 0x95;  // 149: settings written, apply them

constexpr uint8_t kUnLockROM = 0x01;
constexpr uint8_t kWriteFlash = 0x02;
constexpr uint8_t kEraseFlash = 0x03;
constexpr uint8_t kWriteROM = 0x04;
constexpr uint8_t kReadROM = 0x05;
constexpr uint8_t kReset = 0x06;
constexpr uint8_t kReadFlash = 0x09;
}  // namespace cmd

// Limits and time-outs of the memory commands.
namespace memlimits {
constexpr uint32_t kReadChunk = 185;
constexpr uint32_t kWriteFlashChunk = 2048;
constexpr uint32_t kWriteROMChunk = 2103;
constexpr uint32_t kEraseStep = 0x20000;
constexpr uint32_t kTimeout = 1000;
constexpr uint32_t kEraseTimeout = 2000;
constexpr uint32_t kUpdateTimeout = 10000;
constexpr uint32_t kSendCmdTimeout = 200;
constexpr int kAttempts = 5;
constexpr int kUpdateAttempts = 3;
constexpr uint8_t kUnlockKey[4] = {0x5B, 0xE1, 0x3D, 0x94};
}  // namespace memlimits

class TOrvantis {
 public:
  static constexpr uint32_t kSendRetryWindowMs = 500;
  static constexpr uint32_t kSendRetrySleepMs = 10;
  static constexpr uint32_t kIdentityTimeout = 1000;
  static constexpr int kIdentityAttempts = 5;

  // Takes over `hdc` (may be null) and attaches a unit that is plugged in now.
  TOrvantis(HidController* hdc, TOrvantisOnPlugEvent plugEvent, TOrvantisOnUnPlugEvent unPlugEvent,
            TOrvantisOnLogEvent logEvent, Clock& clock = SystemClock());
  ~TOrvantis();
  TOrvantis(const TOrvantis&) = delete;
  TOrvantis& operator=(const TOrvantis&) = delete;

  // --- attaching -------------------------------------------------------------
  // True while a unit is attached and still plugged in.
  bool OnLine() const;
  // False: detach (no unplug callback). True: when detached, check out the
  // first free unit and attach it (plug callback).
  void SetOnLine(bool value);
  // Detaches the current unit, attaches `device` (if any) and calls the plug callback.
  void SetHidDev(std::unique_ptr<HidDevice> device);
  // Takes over another controller (arrival notices) and attaches a present unit.
  void SetController(HidController* hdc);
  HidController* Controller() const { return FHidDeviceController; }

  // True: input reports are handled on the owner thread (in ProcessHIDMessages);
  // false: on the backend's reader thread. The programs switch it off at once.
  bool UseSync() const;
  void SetUseSync(bool value);

  // --- transport -------------------------------------------------------------
  bool Send(std::span<const uint8_t> data);
  bool SendStr(const std::string& anStr);
  // Waits for a reply with code `cmd`. An empty `rxData` accepts any data
  // length; a pre-sized one accepts only that exact length.
  bool WaitData(uint8_t cmd, std::vector<uint8_t>& rxData, uint32_t timeOut);
  bool ReadData(uint8_t cmd, std::span<const uint8_t> txData, std::vector<uint8_t>& rxData, uint32_t timeOut);
  bool ReadDataStr(uint8_t cmd, const std::string& aTxStr, std::vector<uint8_t>& rxData, uint32_t timeOut);
  bool GetPacket(uint8_t index, std::vector<uint8_t>& packet);
  // ReadData without trace lines, for the diagnostics poller: its exchange,
  // and the input reports that arrive during it, are not logged.
  bool ReadDataQuiet(uint8_t cmd, std::span<const uint8_t> txData, std::vector<uint8_t>& rxData, uint32_t timeOut);
  // On the owner thread: delivers queued plug and unplug notices (and, in
  // synchronous mode, queued input reports) and runs queued owner calls.
  // Elsewhere it does nothing.
  void ProcessHIDMessages();
  // Blocks until a notice is queued or `timeOut` ms passed; true if one is pending.
  bool WaitForNotice(uint32_t timeOut);
  // Queues `fn` for the owner thread, which runs it with the notices (in its
  // event loop, or while it waits for a reply); the caller may wait on the
  // returned call with a time-out or cancel it.
  std::shared_ptr<OwnerCall> PostOwnerCall(std::function<void()> fn);
  // True on the owner thread.
  bool OnOwnerThread() const { return IsOwnerThread(); }

  // The diagnostics facade, created and destroyed with the link.
  TOrvDiag* Diag() const { return FDiag.get(); }

  // Builds a request packet: code, length (payload + 3, big-endian), payload, CRC-8.
  static std::vector<uint8_t> FramePacket(uint8_t cmd, std::span<const uint8_t> payload);

  // --- identity (each overwrites its record on success) ----------------------
  bool GetInfo();
  bool GetState();
  bool GetCoreInfo();
  bool GetCanFwInfo();
  bool GetBoot2Rec();
  bool GetCore2Info();
  bool GetCanFw2Info();
  bool GetVersionDevices();

  TBootState BootState;
  TOrvantisState State;
  TCoreInfo CoreInfo;
  TCanFwInfo CanFwInfo;
  TBoot2Rec Boot2Rec;
  TCore2Info Core2Info;
  TCanFw2Info CanFw2Info;
  TVersionDevices VersionDevices;

  // --- memory, flash and boot ------------------------------------------------
  bool ReadROM(uint8_t* data, uint32_t addr, uint32_t size);
  bool ReadFlash(uint8_t* data, uint32_t addr, uint32_t size);
  bool WriteROM(const uint8_t* data, uint32_t addr, uint32_t size);
  bool WriteFlash(const uint8_t* data, uint32_t addr, uint32_t size);
  bool EraseFlash(uint32_t addr, uint32_t size);
  uint8_t UnLockROM(uint8_t bootMode);
  uint8_t UpDateFirmWare(uint8_t cmdCode, uint32_t size, uint16_t ticks);
  bool Reset(uint16_t ticks);
  bool SendCmd(uint8_t cmdCode);

  // --- seams -----------------------------------------------------------------
  // Keeps the window alive: called on the owner thread between the slices of a
  // wait. It must not start another exchange (a nested one fails at once).
  void SetPump(std::function<void()> pump);
  // Called from any thread when a plug or unplug notice or an owner call has
  // been queued, so an event loop can wake up and call ProcessHIDMessages. It
  // must return at once (post an event, signal a condition).
  void SetNoticeWakeup(std::function<void()> wakeup);
  // Makes another thread the owner (the constructing thread is the default).
  void SetOwnerThread(std::thread::id id);
  // Scales every reply time-out (percent, 100 = as specified). For tests of
  // persistent faults that would otherwise wait out every attempt in full.
  void SetTimeoutScale(unsigned percent);

  uint16_t InputReportLength() const;
  uint16_t OutputReportLength() const;

  // --- sharing the unit with other processes --------------------------------
  // How long an exchange, or a hold of the unit (device/unit_hold.h), waits
  // for another process before it gives up as busy.
  void SetBusyWaitLimit(std::chrono::milliseconds limit);
  std::chrono::milliseconds BusyWaitLimit() const;
  // Why the last exchange could not take the link: the busy message or an
  // unsafe lock file (Russian), empty when it could.
  std::string LinkError() const;
  // The process that held the unit when the last exchange gave up; 0 none.
  int BusyPid() const { return FSem.BusyPid(); }
  // The hold file of the attached unit for whole workflows, empty for units
  // only this process can reach.
  std::string HoldFile() const;
  // On the owner thread: delivers notices and runs the pump; then waits up to
  // `ms` for a notice. For waits outside an exchange.
  void KeepAlive(uint32_t ms);

 private:
  struct Attached;
  struct Notice {
    enum Kind { kArrival, kUnplug, kReport, kCall } kind;
    HidDeviceInfo info;       // arrival
    uint64_t generation = 0;  // unplug, report
    uint8_t reportId = 0;     // report
    std::vector<uint8_t> data;
    std::shared_ptr<OwnerCall> call{};  // call
  };

  void Log(const std::string& text, const uint8_t* buf = nullptr, int count = 0);
  void LogF(const uint8_t* buf, int count, const char* fmt, ...) __attribute__((format(printf, 4, 5)));
  bool LogEnabled() const { return static_cast<bool>(FOnLog); }
  // True on the thread running a quiet exchange.
  bool QuietHere() const { return FQuietThread.load() == std::this_thread::get_id(); }
  bool IsOwnerThread() const;

  bool Attach(std::unique_ptr<HidDevice> device);
  void Detach();
  void OnInputReport(uint64_t generation, uint8_t reportId, const uint8_t* data, size_t size);
  void HandleReport(uint8_t reportId, const uint8_t* data, size_t size);
  void OnDeviceUnplug(uint64_t generation);
  void OnArrival(const HidDeviceInfo& info);
  void PushNotice(Notice notice);
  void DeliverNotice(Notice& notice);

  bool SendLocked(std::span<const uint8_t> data);
  // Lets a reply that may still be outstanding (a timed-out exchange, or one
  // of a process that died mid-exchange) arrive and be thrown away: returns
  // once no input report came for the recorded quiet time.
  void SettleLocked();
  // Reports why the link lock was not taken.
  void LogLockFailure(LinkLock::Result result);
  bool WaitLocked(uint8_t cmd, std::vector<uint8_t>& rxData, uint32_t timeOut);
  bool Exchange(uint8_t cmd, std::span<const uint8_t> txData, std::vector<uint8_t>& rxData, uint32_t timeOut);

  template <typename T>
  bool Query(uint8_t code, T& record);
  bool ReadMemory(uint8_t subCmd, uint8_t* data, uint32_t addr, uint32_t size);
  bool WriteMemory(uint8_t subCmd, uint32_t chunkLimit, const uint8_t* data, uint32_t addr, uint32_t size);

  HidController* FHidDeviceController = nullptr;
  TOrvantisOnLogEvent FOnLog;
  TOrvantisOnPlugEvent FOnPlug;
  TOrvantisOnUnPlugEvent FOnUnPlug;
  Clock& FClock;

  // The attached device and its report lengths; replaced only on the owner
  // thread, read by any thread through a snapshot.
  mutable std::mutex FDevMutex;
  std::shared_ptr<Attached> FAttached;
  uint64_t FGeneration = 0;

  // Packet ring, pending notices and the synchronous-mode flag.
  mutable std::mutex FMutex;
  std::condition_variable FCond;
  PacketRing FRing;
  std::chrono::steady_clock::time_point FLastReport{};  // latest input report
  std::deque<Notice> FNotices;
  bool FUseSync = true;

  LinkLock FSem;
  std::string FHoldFile;  // guarded by FDevMutex
  std::vector<uint8_t> FOutstanding;  // guarded by FSem: the request whose reply timed out
  std::vector<uint8_t> OutputReport;  // used only while FSem is held
  std::function<void()> FPump;
  std::function<void()> FNoticeWakeup;
  std::mutex FWakeupMutex;
  std::atomic<std::thread::id> FOwner;
  std::atomic<unsigned> FTimeoutScale{100};
  // The thread running a quiet exchange (none: no thread).
  std::atomic<std::thread::id> FQuietThread{};
  std::unique_ptr<TOrvDiag> FDiag;
};

}  // namespace orv
