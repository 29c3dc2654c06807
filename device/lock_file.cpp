#include "device/lock_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "device/error_text.h"
#include "device/runtime_dir.h"

namespace orv {

std::string UnitBusyMessage(int pid) {
  if (pid <= 0) return "Устройство занято другой программой";
  return "Устройство занято другой программой (PID " + std::to_string(pid) + ")";
}

int LockHolderPid(int fd) {
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) return 0;
  char id[64];
  std::snprintf(id, sizeof id, "%02x:%02x:%lu", ::major(st.st_dev), ::minor(st.st_dev),
                static_cast<unsigned long>(st.st_ino));
  std::ifstream in("/proc/locks");
  std::string line;
  const int self = static_cast<int>(::getpid());
  // "1: FLOCK  ADVISORY  WRITE 1234 fd:01:5678 0 EOF"; waiters carry "->".
  while (std::getline(in, line)) {
    if (line.find("->") != std::string::npos || line.find("FLOCK") == std::string::npos) continue;
    std::istringstream fields(line);
    std::string num, kind, adv, mode, pid, dev;
    if (!(fields >> num >> kind >> adv >> mode >> pid >> dev)) continue;
    if (dev != id) continue;
    const int p = std::atoi(pid.c_str());
    if (p > 0 && p != self) return p;
  }
  return 0;
}

LockFile::~LockFile() { Close(); }

void LockFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  locked_ = false;
}

bool LockFile::Open(std::string& error) {
  if (fd_ >= 0) return true;
  if (!dirChecked_) {
    const size_t slash = path_.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path_.substr(0, slash);
    if (!CheckPrivateDir(dir, error)) return false;
    dirChecked_ = true;
  }
  const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = "Файл блокировки " + path_ + " не открывается: " + SystemErrorText(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
    ::close(fd);
    error = "Файл блокировки " + path_ + " принадлежит другому пользователю или не является обычным файлом";
    return false;
  }
  fd_ = fd;
  return true;
}

LockFile::Outcome LockFile::Lock(bool exclusive, std::chrono::steady_clock::time_point deadline,
                                 const std::function<void(int)>& idle, int giveUpOn, int& busyPid,
                                 std::string& error) {
  busyPid = 0;
  if (locked_) return Outcome::kLocked;
  int pause = 1;
  for (;;) {
    if (!Open(error)) return Outcome::kError;
    if (::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) {
      // The file may have been removed (and another created) between our
      // open and our lock: then this lock guards nothing.
      struct stat mine {}, now {};
      if (::fstat(fd_, &mine) == 0 && ::stat(path_.c_str(), &now) == 0 && mine.st_ino == now.st_ino &&
          mine.st_dev == now.st_dev) {
        locked_ = true;
        return Outcome::kLocked;
      }
      Close();
      continue;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      error = "Файл блокировки " + path_ + ": " + SystemErrorText(errno);
      return Outcome::kError;
    }
    const int holder = LockHolderPid(fd_);
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline || (giveUpOn != 0 && holder == giveUpOn)) {
      busyPid = holder;
      return Outcome::kBusy;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    const int slice = static_cast<int>(std::max<long long>(1, std::min<long long>(pause, left)));
    if (idle) idle(slice);
    else std::this_thread::sleep_for(std::chrono::milliseconds(slice));
    pause = std::min(pause * 2, 5);
  }
}

void LockFile::Unlock() {
  if (locked_ && fd_ >= 0) ::flock(fd_, LOCK_UN);
  locked_ = false;
}

void LockFile::RemoveIfUnused(const std::function<bool(int fd)>& removable) {
  if (fd_ < 0) return;
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0 && (!removable || removable(fd_))) {
    struct stat mine {}, now {};
    if (::fstat(fd_, &mine) == 0 && ::stat(path_.c_str(), &now) == 0 && mine.st_ino == now.st_ino &&
        mine.st_dev == now.st_dev)
      ::unlink(path_.c_str());
  }
  Close();
}

}  // namespace orv
