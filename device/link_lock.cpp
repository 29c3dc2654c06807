#include "device/link_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace orv {

struct LinkLock::File {
  std::string path;
  int fd = -1;
  ~File() {
    if (fd >= 0) ::close(fd);
  }
};

void LinkLock::SetLockFile(const std::string& path) {
  std::shared_ptr<File> f;
  if (!path.empty()) {
    f = std::make_shared<File>();
    f->path = path;
    f->fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  }
  std::lock_guard<std::mutex> g(fileMutex_);
  file_ = std::move(f);
}

std::string LinkLock::LockFile() const {
  std::lock_guard<std::mutex> g(fileMutex_);
  return file_ ? file_->path : std::string();
}

bool LinkLock::Lock() {
  if (owner_.load() == std::this_thread::get_id()) return false;
  {
    std::unique_lock<std::mutex> lk(mutex_);
    const uint64_t ticket = nextTicket_++;
    turn_.wait(lk, [&] { return serving_ == ticket; });
  }
  owner_.store(std::this_thread::get_id());
  std::shared_ptr<File> f;
  {
    std::lock_guard<std::mutex> g(fileMutex_);
    f = file_;
  }
  if (f && f->fd >= 0) {
    while (::flock(f->fd, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  locked_ = std::move(f);
  return true;
}

void LinkLock::Unlock() {
  if (locked_ && locked_->fd >= 0) ::flock(locked_->fd, LOCK_UN);
  locked_.reset();
  owner_.store(std::thread::id());
  {
    std::lock_guard<std::mutex> g(mutex_);
    ++serving_;
  }
  turn_.notify_all();
}

}  // namespace orv
