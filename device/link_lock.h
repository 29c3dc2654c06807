// The lock held for a whole exchange with the unit (send and the wait for its
// reply): an in-process ticket lock plus a lock file shared by every process
// that talks to the same unit (device/lock_file.h).
//
// Memory replies carry no address, so a reply is only trusted when nothing
// else can still be answered. The holder therefore records in the lock file
// (and in memory, for units without one) that a reply is outstanding from
// before its send until that reply is taken; a mark that is still set when the
// next holder takes the lock, left by a dead process or by an exchange that
// timed out, tells it to let the unit fall quiet before it sends.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace orv {

class LockFile;

class LinkLock {
 public:
  static constexpr std::chrono::milliseconds kDefaultWaitLimit{30000};

  LinkLock() = default;
  ~LinkLock();
  LinkLock(const LinkLock&) = delete;
  LinkLock& operator=(const LinkLock&) = delete;

  // Selects the lock file for the unit now attached; empty = in-process only.
  // Safe to call while another thread holds the lock. The previous file is
  // removed when no process uses it and no reply is outstanding.
  void SetLockFile(const std::string& path);
  std::string LockFile() const;
  // How long Lock waits for another process before it gives up.
  void SetWaitLimit(std::chrono::milliseconds limit) { waitLimit_.store(limit.count()); }
  std::chrono::milliseconds WaitLimit() const { return std::chrono::milliseconds(waitLimit_.load()); }

  enum class Result { kHeld, kNested, kBusy, kError };
  // Blocks until the lock is held; waiting threads of this process get it in
  // the order they asked. kNested, at once, when the calling thread holds it
  // already (a nested exchange would deadlock); kBusy when another process
  // held it for the whole wait limit (a process that was found stuck is not
  // waited for again while it still holds it); kError when the lock file is
  // unsafe or cannot be opened.
  Result Lock();
  void Unlock();
  // Why the last Lock failed: the other process's PID (0 unknown) and a
  // Russian text.
  int BusyPid() const { return busyPid_.load(); }
  std::string Error() const;

  // --- while held -------------------------------------------------------------
  // A reply may still be on its way: the quiet time to wait for before the
  // next send, 0 when nothing is outstanding.
  uint32_t PendingQuietMs() const;
  // The outstanding reply is one this process asked for.
  bool PendingIsOurs() const;
  // A request goes out now; its reply may come up to `quietMs` after.
  void SetPending(uint32_t quietMs);
  // Nothing is outstanding any more.
  void ClearPending();

  class Guard {
   public:
    explicit Guard(LinkLock& l) : lock_(l), result_(l.Lock()) {}
    ~Guard() { if (result_ == Result::kHeld) lock_.Unlock(); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    bool Held() const { return result_ == Result::kHeld; }
    Result Outcome() const { return result_; }
   private:
    LinkLock& lock_;
    Result result_;
  };

 private:
  void WriteMark(uint32_t quietMs);
  uint32_t ReadMark(int* pid = nullptr) const;

  std::mutex mutex_;  // guards the tickets
  std::condition_variable turn_;
  uint64_t nextTicket_ = 0;
  uint64_t serving_ = 0;
  std::atomic<std::thread::id> owner_{};
  mutable std::mutex fileMutex_;
  std::shared_ptr<orv::LockFile> file_;    // current lock file
  std::shared_ptr<orv::LockFile> locked_;  // the file locked by the current holder
  std::atomic<long long> waitLimit_{kDefaultWaitLimit.count()};
  std::atomic<int> busyPid_{0};
  int stuckPid_ = 0;  // guarded by the ticket: a holder found stuck
  std::string error_;  // guarded by fileMutex_
  uint32_t pendingMemory_ = 0;  // held: outstanding reply of this process
  uint32_t pendingFile_ = 0;    // held: outstanding reply found in the file
  int pendingPid_ = 0;          // held: the process that left it
};

}  // namespace orv
