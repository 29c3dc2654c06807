// TCanConfig, the CAN settings block (the whole of region 6), in host order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/byte_io.h"

namespace orv {

struct TCanConfig {
  static constexpr size_t kSize = 256;
  static constexpr size_t kNamesSize = 232;

  uint32_t DataConfig = 0;  // vehicle data the CAN firmware delivers (bit per value)
  uint32_t Bits = 0;        // flag n is bit n
  std::array<uint8_t, 4> Values{};  // 16 two-bit selectors
  std::array<uint16_t, 4> Words{};
  uint8_t bits_count = 0, values_count = 0, words_count = 0, pad = 0;
  std::array<uint8_t, kNamesSize> names{};

  // No firmware-specific settings: the three counts are zero.
  bool Empty() const { return bits_count == 0 && values_count == 0 && words_count == 0; }
  bool Flag(int n) const { return n >= 0 && n < 32 && ((Bits >> n) & 1u); }
  // Selector g (0..15): bits 2(g mod 4)..2(g mod 4)+1 of byte g div 4.
  uint8_t Value(int g) const;
  void SetValue(int g, uint8_t v);

  static TCanConfig Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

TCanConfig ReadCanConfig(std::span<const uint8_t> region);
void WriteCanConfig(const TCanConfig& cfg, std::span<uint8_t> region);

}  // namespace orv
