// Identifiers udev reports for HID devices.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orv {

struct HidId {
  uint16_t bus = 0;  // 0x0003 USB, 0x0005 Bluetooth, ...
  uint16_t vendorId = 0;
  uint16_t productId = 0;
};

// Parses the HID_ID property of a "hid" device, "0003:0000C1CA:00000003":
// bus, vendor and product in hexadecimal. nullopt for anything else,
// including ids that do not fit 16 bits.
std::optional<HidId> ParseHidId(std::string_view text);

}  // namespace orv
