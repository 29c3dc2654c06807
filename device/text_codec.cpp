#include "device/text_codec.h"

namespace orv {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    char32_t cp = 0xFFFD;
    size_t len = 1;
    if (b0 < 0x80) {
      cp = b0;
    } else {
      size_t need = 0;
      char32_t minimum = 0;
      if ((b0 & 0xE0) == 0xC0) { need = 1; cp = b0 & 0x1Fu; minimum = 0x80; }
      else if ((b0 & 0xF0) == 0xE0) { need = 2; cp = b0 & 0x0Fu; minimum = 0x800; }
      else if ((b0 & 0xF8) == 0xF0) { need = 3; cp = b0 & 0x07u; minimum = 0x10000; }
      bool ok = need > 0 && need < s.size() - i;
      for (size_t k = 1; ok && k <= need; ++k) {
        const auto bk = static_cast<unsigned char>(s[i + k]);
        if ((bk & 0xC0) != 0x80) ok = false;
        else cp = (cp << 6) | (bk & 0x3Fu);
      }
      if (ok && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
      if (ok) len = need + 1; else cp = 0xFFFD;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::string BytesToText(const uint8_t* buf, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t b = buf[i];
    if (b > 0x80) AppendUtf8(out, static_cast<char32_t>(b) + 0x350);
    else if (b < 0x20) break;
    else AppendUtf8(out, b);
  }
  return out;
}

void TextToBytes(std::string_view text, uint8_t* dest, size_t n) {
  const std::u16string units = Utf8ToUtf16(text);
  for (size_t i = 0; i < n; ++i) dest[i] = i < units.size() ? static_cast<uint8_t>(units[i] & 0xFF) : 0;
}

std::string BytesToLatinText(const uint8_t* buf, size_t n) {
  std::string out;
  for (size_t i = 0; i < n && buf[i] >= 0x20; ++i) AppendUtf8(out, buf[i]);
  return out;
}

}  // namespace orv
