#include "device/unit_hold.h"

#include <chrono>
#include <map>
#include <mutex>

#include "device/lock_file.h"
#include "device/orvantis.h"

namespace orv {

namespace {

// The holds of this process, by hold file. flock() locks of two open files
// conflict even inside one process, so nested holds share one file.
struct Entry {
  std::unique_ptr<LockFile> file;
  int shared = 0;
  int exclusive = 0;
};

std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}

std::map<std::string, Entry>& Registry() {
  static std::map<std::string, Entry> r;
  return r;
}

constexpr uint32_t kWaitSliceMs = 20;

std::mutex& RefusalMutex() {
  static std::mutex m;
  return m;
}
std::string& Refusal() {
  static std::string r;
  return r;
}
bool& RefusalBusy() {
  static bool b = false;
  return b;
}
void NoteRefusal(const std::string& message, bool busy) {
  std::lock_guard<std::mutex> g(RefusalMutex());
  Refusal() = message;
  RefusalBusy() = busy;
}

}  // namespace

UnitHold::UnitHold(TOrvantis& link, Mode mode) : path_(link.HoldFile()), exclusive_(mode == Mode::kExclusive) {
  if (path_.empty()) {
    held_ = true;
    return;
  }
  std::lock_guard<std::mutex> g(RegistryMutex());
  Entry& e = Registry()[path_];
  if (!e.file) e.file = std::make_unique<LockFile>(path_);
  const bool heldAlready = e.shared + e.exclusive > 0;
  const bool needExclusive = exclusive_ && e.exclusive == 0;
  if (!heldAlready || needExclusive) {
    // Upgrading a shared hold is not atomic: the file is unlocked and locked
    // again, exclusively.
    if (heldAlready) e.file->Unlock();
    const auto deadline = std::chrono::steady_clock::now() + link.BusyWaitLimit();
    auto idle = [&link](int ms) { link.KeepAlive(static_cast<uint32_t>(std::min<int>(ms, kWaitSliceMs))); };
    std::string error;
    int busy = 0;
    const auto outcome = e.file->Lock(exclusive_, deadline, idle, 0, busy, error);
    if (outcome != LockFile::Outcome::kLocked) {
      busyPid_ = busy;
      message_ = outcome == LockFile::Outcome::kBusy ? UnitBusyMessage(busy) : error;
      NoteRefusal(message_, outcome == LockFile::Outcome::kBusy);
      if (heldAlready) {
        // Take the shared hold back for the outer workflow.
        int unused = 0;
        std::string ignored;
        e.file->Lock(false, std::chrono::steady_clock::now() + link.BusyWaitLimit(), idle, 0, unused, ignored);
      } else {
        e.file->RemoveIfUnused();
        Registry().erase(path_);
      }
      return;
    }
    upgraded_ = heldAlready;
  }
  if (exclusive_) ++e.exclusive;
  else ++e.shared;
  held_ = true;
  NoteRefusal({}, false);
}

std::string UnitHold::LastRefusal() {
  std::lock_guard<std::mutex> g(RefusalMutex());
  return Refusal();
}

bool UnitHold::LastRefusalBusy() {
  std::lock_guard<std::mutex> g(RefusalMutex());
  return RefusalBusy();
}

UnitHold::~UnitHold() {
  if (!held_ || path_.empty()) return;
  std::lock_guard<std::mutex> g(RegistryMutex());
  auto it = Registry().find(path_);
  if (it == Registry().end()) return;
  Entry& e = it->second;
  if (exclusive_) --e.exclusive;
  else --e.shared;
  if (e.shared + e.exclusive == 0) {
    e.file->Unlock();
    e.file->RemoveIfUnused();
    Registry().erase(it);
  } else if (upgraded_ && e.exclusive == 0) {
    // Back to the shared hold the outer workflow had.
    e.file->Unlock();
    int unused = 0;
    std::string ignored;
    e.file->Lock(false, std::chrono::steady_clock::now() + std::chrono::seconds(30), {}, 0, unused, ignored);
  }
}

}  // namespace orv
