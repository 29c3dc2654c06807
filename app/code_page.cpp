#include "app/code_page.h"

namespace orv {

namespace {
// Characters of the bytes 0x80..0xBF; 0xC0..0xFF are А..я (U+0410..U+044F)
// and 0x00..0x7F are ASCII.
constexpr char16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

char16_t CharOf(uint8_t b) {
  if (b < 0x80) return b;
  if (b >= 0xC0) return static_cast<char16_t>(0x0410 + (b - 0xC0));
  return kHigh[b - 0x80];
}

bool ByteOf(char16_t c, uint8_t& out) {
  if (c < 0x80) {
    out = static_cast<uint8_t>(c);
    return true;
  }
  if (c >= 0x0410 && c <= 0x044F) {
    out = static_cast<uint8_t>(0xC0 + (c - 0x0410));
    return true;
  }
  for (int i = 0; i < 64; ++i)
    if (kHigh[i] == c) {
      out = static_cast<uint8_t>(0x80 + i);
      return true;
    }
  return false;
}
}  // namespace

std::vector<uint8_t> Utf16ToCp1251(std::u16string_view text, bool* lossy) {
  std::vector<uint8_t> out;
  out.reserve(text.size());
  bool lost = false;
  for (char16_t c : text) {
    uint8_t b;
    if (!ByteOf(c, b)) {
      b = '?';
      lost = true;
    }
    out.push_back(b);
  }
  if (lossy) *lossy = lost;
  return out;
}

std::u16string Cp1251ToUtf16(std::span<const uint8_t> bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (uint8_t b : bytes) out.push_back(CharOf(b));
  return out;
}

}  // namespace orv
