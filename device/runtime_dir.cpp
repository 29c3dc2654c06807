#include "device/runtime_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "device/error_text.h"

namespace orv {

std::string RuntimeDir() {
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) {
    struct stat st {};
    if (::stat(xdg, &st) == 0 && S_ISDIR(st.st_mode)) return xdg;
  }
  std::string dir = "/tmp/orvantis-" + std::to_string(::getuid());
  ::mkdir(dir.c_str(), 0700);
  return dir;
}

bool CheckPrivateDir(const std::string& dir, std::string& error) {
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) {
    error = "Папка блокировок " + dir + " недоступна: " + SystemErrorText(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    error = "Папка блокировок " + dir + " не является папкой";
    return false;
  }
  if (st.st_uid != ::geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH))) {
    error = "Папка блокировок " + dir + " принадлежит другому пользователю или открыта для записи другим";
    return false;
  }
  return true;
}

std::string SanitizeFileName(const std::string& name) {
  std::string out = name;
  for (char& c : out) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                    c == '_' || c == '-';
    if (!ok) c = '_';
  }
  return out;
}

}  // namespace orv
