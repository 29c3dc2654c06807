// The 8-bit Cyrillic code page (Windows-1251) in which stored texts such as
// the proxy password are kept, one byte per character.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// Characters without a byte in the code page become '?' and set `lossy`.
// Every UTF-16 unit of the text gives one byte.
std::vector<uint8_t> Utf16ToCp1251(std::u16string_view text, bool* lossy = nullptr);
// Every byte gives one character (0x98, unassigned, maps to U+0098).
std::u16string Cp1251ToUtf16(std::span<const uint8_t> bytes);

}  // namespace orv
