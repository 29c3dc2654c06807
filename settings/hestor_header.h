// The header that protects the remote-start block (TRSConfig) in region 14:
// a one-at-a-time hash over the record after its 16-byte header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

constexpr size_t kHestorHeaderSize = 16;
constexpr size_t kRSConfigSize = 448;
constexpr uint16_t kRSConfigBodyLen = kRSConfigSize - kHestorHeaderSize;  // 432

inline uint32_t OneAtATimeHash(const uint8_t* data, size_t n) {
  uint32_t h = 0;
  for (size_t i = 0; i < n; ++i) {
    h += data[i];
    h += h << 10;
    h ^= h >> 6;
  }
  h += h << 3;
  h ^= h >> 11;
  h += h << 15;
  return h;
}

}  // namespace orv
