// Packet CRC-8, the CRC-32 used to compare stored files with the unit's copies,
// and byte-order swaps for the unit's big-endian payload numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string_view>

namespace orv {

// CRC-8, polynomial 0x31, start 0xFF, no reflection, no final XOR.
uint8_t Crc8(const uint8_t* data, uint16_t count);

// Stateless CRC-32 calculator. The result is never inverted at the end, so it is
// the complement of the common CRC-32 ("123456789" gives 0x340BC6D9).
class TCRC32 {
 public:
  static uint32_t GetNextCRC(uint32_t prevCRC, uint8_t newData);
  static uint32_t GetNextCRC_Reverse(uint32_t prevCRC, uint8_t newData);
  // Text form: the low 8 bits of every UTF-16 code unit of the UTF-8 text.
  static uint32_t NextCalc(uint32_t prevCRC, std::string_view utf8Text);
  static uint32_t NextCalc(uint32_t prevCRC, const uint8_t* data, size_t length);
  // Reads up to `length` bytes from the stream; nothing when length <= 0.
  static uint32_t NextCalc(uint32_t prevCRC, std::istream& stream, long long length);
  static uint32_t Calculate(std::string_view utf8Text) { return NextCalc(0xFFFFFFFFu, utf8Text); }
  static uint32_t Calculate(const uint8_t* data, size_t length) {
    return NextCalc(0xFFFFFFFFu, data, length);
  }
  static uint32_t Calculate(std::istream& stream, long long length) {
    return NextCalc(0xFFFFFFFFu, stream, length);
  }
};

constexpr uint32_t SwapBytes32(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}
constexpr uint16_t SwapBytes16(uint16_t v) {
  return static_cast<uint16_t>((v >> 8) | (v << 8));
}

}  // namespace orv
