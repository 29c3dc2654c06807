#include "sim/sparse_flash.h"

#include <algorithm>
#include <cstring>

namespace orv::sim {

bool SparseFlash::Read(uint32_t addr, uint8_t* out, uint32_t size) const {
  if (!InRange(addr, size)) return false;
  uint32_t done = 0;
  while (done < size) {
    const uint32_t a = addr + done;
    const uint32_t page = a / kPage, off = a % kPage;
    const uint32_t n = std::min(size - done, kPage - off);
    auto it = pages_.find(page);
    if (it == pages_.end()) std::memset(out + done, 0xFF, n);
    else std::memcpy(out + done, it->second.get() + off, n);
    done += n;
  }
  return true;
}

bool SparseFlash::Write(uint32_t addr, const uint8_t* data, uint32_t size) {
  if (!InRange(addr, size)) return false;
  uint32_t done = 0;
  while (done < size) {
    const uint32_t a = addr + done;
    const uint32_t page = a / kPage, off = a % kPage;
    const uint32_t n = std::min(size - done, kPage - off);
    auto& p = pages_[page];
    if (!p) {
      p = std::make_unique<uint8_t[]>(kPage);
      std::memset(p.get(), 0xFF, kPage);
    }
    for (uint32_t i = 0; i < n; ++i) p[off + i] &= data[done + i];
    done += n;
  }
  return true;
}

bool SparseFlash::EraseBlock(uint32_t addr) {
  if (addr >= kSize) return false;
  const uint32_t first = (addr / kBlock) * kBlock / kPage;
  const uint32_t last = first + kBlock / kPage;
  pages_.erase(pages_.lower_bound(first), pages_.lower_bound(last));
  return true;
}

}  // namespace orv::sim
