// The SMS texts of the 61 event messages: one byte per character in 128-byte
// slots of the unit's flash (7808 bytes at 0x20000).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

constexpr int kEventMessageCount = 61;
constexpr size_t kSmsSlotSize = 128;
constexpr size_t kSmsTextMax = 127;  // bytes before the terminating zero
constexpr size_t kSmsAreaSize = kSmsSlotSize * kEventMessageCount;  // 7808
constexpr uint32_t kSmsFlashAddr = 0x20000;

// One byte per UTF-16 code unit c: c itself up to 848, else (c - 80) mod 256,
// which puts the Cyrillic letters А..я at 0xC0..0xFF.
std::vector<uint8_t> EncodeSmsText(std::string_view utf8);
// The 8-bit Cyrillic conversion, stopping at the first byte below 0x20.
std::string DecodeSmsText(std::span<const uint8_t> slot);

// The SMS area: slot i holds at most 127 bytes of text i and zeros. Texts
// beyond the 61st are ignored; missing ones leave their slot empty.
std::vector<uint8_t> BuildSmsArea(const std::vector<std::string>& texts);
// The 61 texts of an SMS area; bytes missing at the end read as zeros.
std::vector<std::string> ParseSmsArea(std::span<const uint8_t> area);

}  // namespace orv
