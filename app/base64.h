// Base64 with the standard alphabet and "=" padding.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

std::string Base64Encode(std::span<const uint8_t> data);
// Lenient: characters outside the alphabet (line breaks, spaces, stray
// symbols) are skipped, decoding stops at the first "=", and a trailing
// group too short to hold a byte is dropped. Never fails.
std::vector<uint8_t> Base64Decode(std::string_view text);

}  // namespace orv
