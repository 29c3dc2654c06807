#include "settings/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "device/error_text.h"

namespace orv {

namespace {

std::string SystemError(int err) { return SystemErrorText(err); }

bool WriteAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> data, std::string& error) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  if (target.filename().empty()) {
    error = "не указано имя файла";
    return false;
  }
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string tmpl = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) {
    error = SystemError(errno);
    return false;
  }
  struct stat old {};
  const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode();
  int err = 0;
  if (::fchmod(fd, mode) != 0 || !WriteAll(fd, data.data(), data.size()) || ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(tmpl.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(tmpl.c_str());
    error = SystemError(err);
    return false;
  }
  // Make the rename itself durable.
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

bool CanCreateFile(const std::string& path, std::string& error) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  if (target.filename().empty()) {
    error = "не указано имя файла";
    return false;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    error = SystemError(EISDIR);
    return false;
  }
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  if (::stat(dir.c_str(), &st) != 0) {
    error = "папка " + dir.string() + ": " + SystemError(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    error = "папка " + dir.string() + ": " + SystemError(ENOTDIR);
    return false;
  }
  if (::access(dir.c_str(), W_OK | X_OK) != 0) {
    error = "папка " + dir.string() + ": " + SystemError(errno);
    return false;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out, std::string& error) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = SystemError(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    error = SystemError(errno);
    ::close(fd);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? "это папка, а не файл" : "это не обычный файл";
    ::close(fd);
    return false;
  }
  if (static_cast<uint64_t>(st.st_size) > maxBytes) {
    error = "файл слишком велик для файла настроек";
    ::close(fd);
    return false;
  }
  out.assign(static_cast<size_t>(st.st_size), 0);
  size_t got = 0;
  while (got < out.size()) {
    const ssize_t r = ::read(fd, out.data() + got, out.size() - got);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      error = SystemError(errno);
      ::close(fd);
      return false;
    }
    if (r == 0) break;  // the file shrank meanwhile
    got += static_cast<size_t>(r);
  }
  out.resize(got);
  ::close(fd);
  return true;
}

}  // namespace orv
