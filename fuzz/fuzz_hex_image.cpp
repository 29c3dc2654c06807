// Feeds arbitrary text to the hexadecimal image decoder: it decodes exactly
// half the characters (after one trailing CR LF) or refuses, and what it
// decodes encodes back to the same digits. The decoded bytes then go to the
// simulated loader's image check, which reads staged flash the same way.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/sim_firmware.h"
#include "update/fw_hex.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  const auto image = orv::DecodeHexImage(text);
  if (!image) return 0;
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    Check(image->size() == text.size() / 2);
    std::string digits = text.substr(0, image->size() * 2);
    for (char& c : digits) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    Check(orv::EncodeHexImage(*image) == digits);
  }
  orv::sim::ParseSimImage(image->data(), image->size());
  return 0;
}
