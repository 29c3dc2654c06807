#include "device/link_lock.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "device/lock_file.h"

namespace orv {

namespace {
// The record at the start of the lock file: "P <pid> <quiet ms>" while a reply
// is outstanding, "-" otherwise, padded to a fixed size.
constexpr size_t kMarkSize = 32;

uint32_t ParseMark(const char* text, size_t n, int* pidOut = nullptr) {
  if (n == 0 || text[0] != 'P') return 0;
  char buf[kMarkSize + 1] = {};
  std::memcpy(buf, text, std::min(n, kMarkSize));
  long pid = 0;
  unsigned long quiet = 0;
  if (std::sscanf(buf, "P %ld %lu", &pid, &quiet) != 2) return 0;
  if (pidOut) *pidOut = static_cast<int>(pid);
  // An absurd value from a damaged file still means "outstanding".
  return quiet == 0 || quiet > 60000 ? 10000 : static_cast<uint32_t>(quiet);
}
bool NothingOutstanding(int fd);
}  // namespace

LinkLock::~LinkLock() {
  std::shared_ptr<orv::LockFile> f;
  {
    std::lock_guard<std::mutex> g(fileMutex_);
    f = std::move(file_);
  }
  if (f) f->RemoveIfUnused(NothingOutstanding);
}

namespace {
bool NothingOutstanding(int fd) {
  char buf[kMarkSize];
  const ssize_t n = ::pread(fd, buf, sizeof buf, 0);
  return ParseMark(buf, n > 0 ? static_cast<size_t>(n) : 0) == 0;
}
}  // namespace

void LinkLock::SetLockFile(const std::string& path) {
  std::shared_ptr<orv::LockFile> f = path.empty() ? nullptr : std::make_shared<orv::LockFile>(path);
  // Wait for a holder of this process to finish its exchange before the old
  // file may go; a thread that holds the lock itself (a unit attached while it
  // waits) must not wait for itself.
  const bool mine = owner_.load() == std::this_thread::get_id();
  if (!mine) {
    std::unique_lock<std::mutex> lk(mutex_);
    const uint64_t ticket = nextTicket_++;
    turn_.wait(lk, [&] { return serving_ == ticket; });
  }
  std::shared_ptr<orv::LockFile> old;
  {
    std::lock_guard<std::mutex> g(fileMutex_);
    old = std::move(file_);
    file_ = std::move(f);
    error_.clear();
  }
  if (!mine) {
    {
      std::lock_guard<std::mutex> g(mutex_);
      ++serving_;
    }
    turn_.notify_all();
    if (old && old->Path() != path) old->RemoveIfUnused(NothingOutstanding);
  }
}

std::string LinkLock::LockFile() const {
  std::lock_guard<std::mutex> g(fileMutex_);
  return file_ ? file_->Path() : std::string();
}

std::string LinkLock::Error() const {
  std::lock_guard<std::mutex> g(fileMutex_);
  return error_;
}

LinkLock::Result LinkLock::Lock() {
  if (owner_.load() == std::this_thread::get_id()) return Result::kNested;
  {
    std::unique_lock<std::mutex> lk(mutex_);
    const uint64_t ticket = nextTicket_++;
    turn_.wait(lk, [&] { return serving_ == ticket; });
  }
  owner_.store(std::this_thread::get_id());
  std::shared_ptr<orv::LockFile> f;
  {
    std::lock_guard<std::mutex> g(fileMutex_);
    f = file_;
  }
  pendingFile_ = 0;
  if (f) {
    int busy = 0;
    std::string error;
    const auto deadline = std::chrono::steady_clock::now() + WaitLimit();
    const auto outcome = f->Lock(true, deadline, {}, stuckPid_, busy, error);
    if (outcome != orv::LockFile::Outcome::kLocked) {
      const bool isBusy = outcome == orv::LockFile::Outcome::kBusy;
      stuckPid_ = isBusy ? busy : 0;
      busyPid_.store(isBusy ? busy : 0);
      {
        std::lock_guard<std::mutex> g(fileMutex_);
        error_ = isBusy ? UnitBusyMessage(busy) : error;
      }
      Unlock();
      return isBusy ? Result::kBusy : Result::kError;
    }
    stuckPid_ = 0;
    busyPid_.store(0);
    {
      std::lock_guard<std::mutex> g(fileMutex_);
      error_.clear();
    }
    locked_ = std::move(f);
    // The file records this process's outstanding reply too.
    pendingMemory_ = 0;
    pendingPid_ = 0;
    pendingFile_ = ReadMark(&pendingPid_);
  }
  return Result::kHeld;
}

void LinkLock::Unlock() {
  if (locked_) locked_->Unlock();
  locked_.reset();
  owner_.store(std::thread::id());
  {
    std::lock_guard<std::mutex> g(mutex_);
    ++serving_;
  }
  turn_.notify_all();
}

uint32_t LinkLock::ReadMark(int* pid) const {
  if (!locked_ || locked_->Fd() < 0) return 0;
  char buf[kMarkSize];
  const ssize_t n = ::pread(locked_->Fd(), buf, sizeof buf, 0);
  return ParseMark(buf, n > 0 ? static_cast<size_t>(n) : 0, pid);
}

bool LinkLock::PendingIsOurs() const {
  if (pendingFile_) return pendingPid_ == static_cast<int>(::getpid());
  return pendingMemory_ != 0;
}

void LinkLock::WriteMark(uint32_t quietMs) {
  if (!locked_ || locked_->Fd() < 0) return;
  char buf[kMarkSize + 1];
  if (quietMs) std::snprintf(buf, sizeof buf, "P %d %u", static_cast<int>(::getpid()), quietMs);
  else std::snprintf(buf, sizeof buf, "-");
  const size_t used = std::strlen(buf);
  std::memset(buf + used, ' ', kMarkSize - used);
  buf[kMarkSize - 1] = '\n';
  const ssize_t n = ::pwrite(locked_->Fd(), buf, kMarkSize, 0);
  (void)n;  // a mark that cannot be written leaves the old one: at worst a needless quiet wait
}

uint32_t LinkLock::PendingQuietMs() const { return std::max(pendingMemory_, pendingFile_); }

void LinkLock::SetPending(uint32_t quietMs) {
  if (quietMs == 0) quietMs = 1;
  pendingMemory_ = quietMs;
  pendingFile_ = 0;
  pendingPid_ = 0;
  WriteMark(quietMs);
}

void LinkLock::ClearPending() {
  pendingMemory_ = 0;
  pendingFile_ = 0;
  pendingPid_ = 0;
  WriteMark(0);
}

}  // namespace orv
