#include "update/fw_hex.h"

#include "update/fw_texts.h"

namespace orv {

namespace {

int Digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // also every byte of a multi-byte character
}

std::vector<uint8_t> Load(const std::string& text, Status& status, bool onPanel) {
  status.Display(fwtext::kIntegrityCheck, onPanel);
  auto image = DecodeHexImage(text);
  status.Replace("", fwtext::kIntegrityChecked, true);
  if (!image) throw FirmwareIntegrityError();
  return std::move(*image);
}

}  // namespace

FirmwareIntegrityError::FirmwareIntegrityError() : std::runtime_error(fwtext::kIntegrityError) {}

// One character per code point: a character outside ASCII (UTF-8 sequence,
// or a stray byte) is a single non-digit, as it is in the 8-bit form.
static std::string Narrow(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    out.push_back('?');
    if (c >= 0xC0)
      while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) ++i;
  }
  return out;
}

std::optional<std::vector<uint8_t>> DecodeHexImage(const std::string& wide) {
  const std::string text = Narrow(wide);
  size_t len = text.size();
  if (len >= 2 && text[len - 2] == '\r' && text[len - 1] == '\n') len -= 2;
  const size_t n = len / 2;
  std::vector<uint8_t> image(n);
  for (size_t i = 0; i < n; ++i) {
    const int hi = Digit(text[2 * i]), lo = Digit(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    image[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  return image;
}

std::vector<uint8_t> LoadFWFromString(const std::string& text, Status& status) { return Load(text, status, true); }
std::vector<uint8_t> LoadFWFromStream(const std::string& text, Status& status) { return Load(text, status, false); }

std::string EncodeHexImage(const std::vector<uint8_t>& image) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  out.reserve(image.size() * 2);
  for (uint8_t b : image) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

}  // namespace orv
