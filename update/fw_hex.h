// Hexadecimal image text, the form in which the server hands out firmware:
// two digits per byte, high digit first, no separators, one trailing CR LF
// allowed. DecodeHexImage is the one decoder; the two Load functions add the
// progress texts and turn a failed check into FirmwareIntegrityError.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/seams.h"

namespace orv {

class FirmwareIntegrityError : public std::runtime_error {
 public:
  FirmwareIntegrityError();
};

// The image, or nullopt when a pair holds a character that is not a digit.
// An odd final digit is ignored.
std::optional<std::vector<uint8_t>> DecodeHexImage(const std::string& text);

// Catalogue images: progress on the status panel and in the log.
std::vector<uint8_t> LoadFWFromString(const std::string& text, Status& status);
// CAN firmware: progress in the log only.
std::vector<uint8_t> LoadFWFromStream(const std::string& text, Status& status);

// The reverse, lower-case digits (used by the simulator's catalogue).
std::string EncodeHexImage(const std::vector<uint8_t>& image);

}  // namespace orv
