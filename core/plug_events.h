// Plug and unplug notices inside the window: the private messages and the
// pending-delivery bits of FPlugEvent.
#pragma once

#include <cstdint>

namespace orv {

// The private messages: unit plugged in (WM_APP+1) and unplugged (WM_APP+2).
enum class PlugMsg : uint16_t { kPlugged = 0x8001, kUnplugged = 0x8002 };

// Who receives them: the connections page, the remote-start page and the
// window's hidden message receiver.
enum class PlugReceiver { kConnectionsPage, kRStartPage, kHiddenWindow };

// FPlugEvent bits, one per pending delivery.
namespace plugbits {
constexpr uint8_t kConnectionsPlugged = 0x01;
constexpr uint8_t kRStartPlugged = 0x02;
constexpr uint8_t kConnectionsUnplugged = 0x04;
constexpr uint8_t kRStartUnplugged = 0x08;
constexpr uint8_t kHiddenPlugged = 0x10;
constexpr uint8_t kHiddenUnplugged = 0x20;
// Set on arrival and on removal; each replaces whatever was pending.
constexpr uint8_t kOnPlug = 0x13;
constexpr uint8_t kOnUnplug = 0x2C;
}  // namespace plugbits

}  // namespace orv
