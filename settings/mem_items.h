// The unit's fifteen settings regions: the fixed region table, the region
// masks of the workflows, and TMemItem, the in-memory mirror of one region.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace orv {

constexpr int kRegionCount = 15;
constexpr size_t kMaxSection = 2048;  // every region fits in one buffer of this size

// Address and size of region k in the unit's settings memory. Region 8 is the
// start of the SMS area in the external flash and is never read or written as
// a region.
constexpr std::array<uint32_t, kRegionCount> kRegionAddr = {
    0x1E020, 0x1D900, 0x1D940, 0x1D948, 0x1D988, 0x1E788, 0x1D800, 0x1EA88,
    0x20000, 0x1F2F8, 0x1F6F8, 0x1F7F8, 0x1E988, 0x1F4F8, 0x1E388};
constexpr std::array<uint32_t, kRegionCount> kRegionSize = {
    224, 64, 8, 64, 1536, 512, 256, 1440, 1024, 512, 256, 512, 256, 512, 1024};

// Region kinds with a name of their own.
enum RegionKind : int {
  kRegionInternet = 0,
  kRegionInputs = 1,
  kRegionThresholds = 2,
  kRegionOutputs = 3,
  kRegionImpulses = 4,
  kRegionConfig = 5,
  kRegionCan = 6,
  kRegionVoice = 7,
  kRegionSms = 8,
  kRegionDelivery = 9,
  kRegionVoiceIndex = 13,
  kRegionRStart = 14,
};

// Region masks: bit k stands for region k, bit 23 for the SMS texts.
namespace regionmask {
constexpr uint32_t kRead = 0xFFFEFF;          // everything but region 8
constexpr uint32_t kWrite = 0x407F;           // regions 0..6 and 14: what "apply" and a file carry
constexpr uint32_t kNotRestored = 0x5E;       // regions 1, 2, 3, 4, 6: kept by the factory reset
constexpr uint32_t kSmsTexts = 1u << 23;
constexpr bool Has(uint32_t mask, int k) { return k >= 0 && k < 32 && ((mask >> k) & 1u) != 0; }
}  // namespace regionmask

using TMaxSection = std::array<uint8_t, kMaxSection>;

class TMemItem {
 public:
  TMemItem() = default;
  // Create: kind, unit address and size; the data starts zeroed.
  TMemItem(uint8_t aKind, uint32_t anAddr, uint32_t aSize);

  uint8_t MemKind() const { return FMemKind; }
  uint32_t Size() const { return FSize; }
  uint32_t Addr() const { return FAddr; }

  // Fills all 2048 data bytes with 0.
  void Clear() { FData.fill(0); }
  // The 32-bit word `index` of the data in host (little-endian) order, with no
  // byte swapping. Throws ByteRangeError for an index beyond the buffer.
  int32_t AsInt(size_t index) const;
  void SetAsInt(size_t index, int32_t value);

  // The region's own bytes (the first Size() bytes of the buffer).
  std::span<uint8_t> Bytes() { return {FData.data(), FSize}; }
  std::span<const uint8_t> Bytes() const { return {FData.data(), FSize}; }

  TMaxSection FData{};
  int32_t FtmpField = 0;

 private:
  uint8_t FMemKind = 0;
  uint32_t FSize = 0;
  uint32_t FAddr = 0;
};

// The settings image: region k at index k.
using TMemItems = std::array<TMemItem, kRegionCount>;

// The fifteen regions of the region table, zeroed.
TMemItems CreateMemItems();

// i * 100 / 15 rounded: the progress of the region loops.
constexpr int RegionProgress(int i) { return (i * 200 + 15) / 30; }

}  // namespace orv
