// Conversions between the unit's fixed-size 8-bit text fields and the
// application's text (UTF-8 std::string everywhere in the core).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

// Decodes UTF-8 into UTF-16 code units; malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
void AppendUtf8(std::string& out, char32_t codePoint);

// Unit text: bytes above 0x80 are shifted by 0x350 (0xC0..0xFF become А..я);
// decoding stops at the first byte below 0x20 or after n bytes.
std::string BytesToText(const uint8_t* buf, size_t n);
// Writes exactly n bytes: the low 8 bits of each UTF-16 unit, then zeros.
void TextToBytes(std::string_view text, uint8_t* dest, size_t n);
// Byte values taken as character codes (U+0020..U+00FF), stopping below 0x20.
std::string BytesToLatinText(const uint8_t* buf, size_t n);

}  // namespace orv
