// The unit's external flash: sparse, erased bytes read 0xFF, erasing works on
// 128 KiB blocks, and writing can only clear bits (a write over data that was
// not erased leaves the AND of old and new).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace orv::sim {

class SparseFlash {
 public:
  static constexpr uint32_t kSize = 0x8000000;  // 128 MiB
  static constexpr uint32_t kBlock = 0x20000;   // erase block
  static constexpr uint32_t kPage = 0x1000;     // storage granule

  bool InRange(uint32_t addr, uint32_t size) const { return addr <= kSize && size <= kSize - addr; }
  // False when outside the flash.
  bool Read(uint32_t addr, uint8_t* out, uint32_t size) const;
  bool Write(uint32_t addr, const uint8_t* data, uint32_t size);
  // Erases the block that holds `addr`.
  bool EraseBlock(uint32_t addr);
  // Bytes actually stored (for memory checks in tests).
  size_t StoredBytes() const { return pages_.size() * kPage; }

 private:
  std::map<uint32_t, std::unique_ptr<uint8_t[]>> pages_;  // page index -> kPage bytes
};

}  // namespace orv::sim
