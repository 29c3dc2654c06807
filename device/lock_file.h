// A lock file shared by every process of this user that talks to one unit:
// flock() on a file in the user's private runtime folder. The kernel drops the
// lock of a process that dies, so a crashed holder never blocks the others; a
// holder that is stopped (Ctrl-Z) or hangs is waited for only up to a limit,
// and then the caller learns its PID.
//
// Safety: the folder must be the user's own and closed to others, and the file
// a regular file of this user (no symbolic link), so another user cannot block
// the unit by planting a lock. A file may be removed by the last user while
// another process waits for it; a lock is therefore held only once the locked
// file is still the one at the path.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace orv {

// "Устройство занято другой программой (PID N)"; without a known PID the
// number is left out.
std::string UnitBusyMessage(int pid);

// The PID of a process holding an flock() on the file open as `fd`, other than
// this process; 0 when none is known.
int LockHolderPid(int fd);

class LockFile {
 public:
  enum class Outcome { kLocked, kBusy, kError };

  explicit LockFile(std::string path) : path_(std::move(path)) {}
  ~LockFile();
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  const std::string& Path() const { return path_; }

  // Takes the lock, exclusive or shared, trying again until `deadline`;
  // between tries `idle(ms)` waits at most ms milliseconds (a plain sleep when
  // empty). kBusy: another process held it throughout (its PID in busyPid);
  // kError: the folder or file is unsafe or cannot be opened (`error`, Russian).
  // `giveUpOn`: when not 0 and that process is the holder, fail at once.
  Outcome Lock(bool exclusive, std::chrono::steady_clock::time_point deadline, const std::function<void(int)>& idle,
               int giveUpOn, int& busyPid, std::string& error);
  void Unlock();
  // The open file while locked (for the holder's own record in it), else -1.
  int Fd() const { return locked_ ? fd_ : -1; }
  // Removes the file when this process can lock it alone at once and
  // `removable(fd)` agrees (when given), and closes it. Anything else keeps
  // the file: another process is using it.
  void RemoveIfUnused(const std::function<bool(int fd)>& removable = {});

 private:
  bool Open(std::string& error);
  void Close();
  std::string path_;
  int fd_ = -1;
  bool locked_ = false;
  bool dirChecked_ = false;
};

}  // namespace orv
