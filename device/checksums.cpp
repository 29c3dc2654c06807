#include "device/checksums.h"

#include <array>

#include "device/text_codec.h"

namespace orv {
namespace {

constexpr std::array<uint8_t, 256> MakeCrc8Table() {
  std::array<uint8_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned reg = i;
    for (int bit = 0; bit < 8; ++bit) reg = (reg & 0x80u) ? ((reg << 1) ^ 0x31u) : (reg << 1);
    table[i] = static_cast<uint8_t>(reg);
  }
  return table;
}

constexpr auto kCrc8Table = MakeCrc8Table();
static_assert(kCrc8Table[1] == 0x31 && kCrc8Table[0x80] == 0x7A);

}  // namespace

uint8_t Crc8(const uint8_t* data, uint16_t count) {
  uint8_t reg = 0xFF;
  for (uint16_t i = 0; i < count; ++i) reg = kCrc8Table[reg ^ data[i]];
  return reg;
}

uint32_t TCRC32::GetNextCRC(uint32_t prevCRC, uint8_t newData) {
  uint32_t reg = prevCRC ^ newData;
  for (int bit = 0; bit < 8; ++bit) reg = (reg & 1u) ? ((reg >> 1) ^ 0xEDB88320u) : (reg >> 1);
  return reg;
}

uint32_t TCRC32::GetNextCRC_Reverse(uint32_t prevCRC, uint8_t newData) {
  uint32_t reg = prevCRC ^ (static_cast<uint32_t>(newData) << 24);
  for (int bit = 0; bit < 8; ++bit)
    reg = (reg & 0x80000000u) ? ((reg << 1) ^ 0x04C11DB7u) : (reg << 1);
  return reg;
}

uint32_t TCRC32::NextCalc(uint32_t prevCRC, std::string_view utf8Text) {
  for (char16_t unit : Utf8ToUtf16(utf8Text)) prevCRC = GetNextCRC(prevCRC, static_cast<uint8_t>(unit & 0xFF));
  return prevCRC;
}

uint32_t TCRC32::NextCalc(uint32_t prevCRC, const uint8_t* data, size_t length) {
  for (size_t i = 0; i < length; ++i) prevCRC = GetNextCRC(prevCRC, data[i]);
  return prevCRC;
}

uint32_t TCRC32::NextCalc(uint32_t prevCRC, std::istream& stream, long long length) {
  char buf[4096];
  while (length > 0 && stream) {
    const auto want = static_cast<std::streamsize>(length < static_cast<long long>(sizeof buf) ? length : sizeof buf);
    stream.read(buf, want);
    const std::streamsize got = stream.gcount();
    if (got <= 0) break;
    prevCRC = NextCalc(prevCRC, reinterpret_cast<const uint8_t*>(buf), static_cast<size_t>(got));
    length -= got;
  }
  return prevCRC;
}

}  // namespace orv
