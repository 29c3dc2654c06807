#include "device/runtime_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

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
