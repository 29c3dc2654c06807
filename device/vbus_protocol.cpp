#include "device/vbus_protocol.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "device/byte_io.h"
#include "device/error_text.h"

namespace orv::vbus {

std::vector<uint8_t> EncodeHello(const Hello& hello) {
  ByteWriter w(16 + hello.description.size());
  w.Bytes(kHelloMagic, sizeof kHelloMagic);
  w.U8(kVersion);
  w.U16LE(hello.vendorId);
  w.U16LE(hello.productId);
  w.U16LE(hello.inputLength);
  w.U16LE(hello.outputLength);
  const size_t n = std::min<size_t>(hello.description.size(), 255);
  w.U8(static_cast<uint8_t>(n));
  w.Bytes(reinterpret_cast<const uint8_t*>(hello.description.data()), n);
  return w.Take();
}

std::optional<Hello> DecodeHello(std::span<const uint8_t> message) {
  try {
    ByteReader r(message);
    uint8_t magic[4];
    r.Bytes(magic);
    if (std::memcmp(magic, kHelloMagic, sizeof magic) != 0) return std::nullopt;
    if (r.U8() != kVersion) return std::nullopt;
    Hello h;
    h.vendorId = r.U16LE();
    h.productId = r.U16LE();
    h.inputLength = r.U16LE();
    h.outputLength = r.U16LE();
    const uint8_t n = r.U8();
    std::string desc(n, '\0');
    r.Bytes(reinterpret_cast<uint8_t*>(desc.data()), n);
    if (r.Remaining() != 0) return std::nullopt;
    if (h.inputLength > kMaxMessage || h.outputLength > kMaxMessage) return std::nullopt;
    h.description = std::move(desc);
    return h;
  } catch (const ByteRangeError&) {
    return std::nullopt;
  }
}

std::string DefaultBusDir() {
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) return std::string(xdg) + "/orvantis-hid";
  return "/tmp/orvantis-hid-" + std::to_string(::getuid());
}

bool EnsureBusDir(const std::string& dir, std::string& error) {
  if (dir.empty()) {
    error = "не указана папка шины";
    return false;
  }
  // Create each missing component; only the last one is ours to restrict.
  for (size_t pos = 1; pos <= dir.size(); ++pos) {
    if (pos != dir.size() && dir[pos] != '/') continue;
    const std::string part = dir.substr(0, pos);
    if (::mkdir(part.c_str(), pos == dir.size() ? 0700 : 0755) != 0 && errno != EEXIST) {
      error = part + ": " + SystemErrorText(errno);
      return false;
    }
  }
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    error = dir + ": не является папкой";
    return false;
  }
  // Sockets in a folder someone else controls could be anybody's "unit".
  if (st.st_uid != ::getuid() || (st.st_mode & (S_IWGRP | S_IWOTH))) {
    error = dir + ": принадлежит другому пользователю или открыта для записи другим";
    return false;
  }
  return true;
}

}  // namespace orv::vbus
