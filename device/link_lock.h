// The lock held for a whole exchange with the unit (send and the wait for its
// reply): an in-process mutex plus an flock()ed file shared by every process
// that talks to the same unit. The kernel releases the file lock when a holder
// dies, so a crashed process never blocks the others.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace orv {

class LinkLock {
 public:
  LinkLock() = default;
  LinkLock(const LinkLock&) = delete;
  LinkLock& operator=(const LinkLock&) = delete;

  // Selects the lock file for the unit now attached; empty = in-process only.
  // Safe to call while another thread holds the lock.
  void SetLockFile(const std::string& path);
  std::string LockFile() const;

  // Blocks until the lock is held; waiting threads get it in the order they
  // asked, so a thread doing exchange after exchange cannot starve another.
  // Returns false, without blocking, when the calling thread holds it
  // already: a nested exchange would deadlock.
  bool Lock();
  void Unlock();

  class Guard {
   public:
    explicit Guard(LinkLock& l) : lock_(l), held_(l.Lock()) {}
    ~Guard() { if (held_) lock_.Unlock(); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    bool Held() const { return held_; }
   private:
    LinkLock& lock_;
    bool held_;
  };

 private:
  struct File;
  std::mutex mutex_;  // guards the tickets
  std::condition_variable turn_;
  uint64_t nextTicket_ = 0;
  uint64_t serving_ = 0;
  std::atomic<std::thread::id> owner_{};
  mutable std::mutex fileMutex_;
  std::shared_ptr<File> file_;    // current lock file
  std::shared_ptr<File> locked_;  // the file locked by the current holder
};

}  // namespace orv
