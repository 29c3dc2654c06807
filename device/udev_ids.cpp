#include "device/udev_ids.h"

namespace orv {

namespace {

// A field of 1..8 hex digits that fits 16 bits.
std::optional<uint16_t> HexField(std::string_view f) {
  if (f.empty() || f.size() > 8) return std::nullopt;
  uint32_t v = 0;
  for (char c : f) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return std::nullopt;
    v = v << 4 | static_cast<uint32_t>(d);
  }
  if (v > 0xFFFF) return std::nullopt;
  return static_cast<uint16_t>(v);
}

}  // namespace

std::optional<HidId> ParseHidId(std::string_view text) {
  const size_t a = text.find(':');
  if (a == std::string_view::npos) return std::nullopt;
  const size_t b = text.find(':', a + 1);
  if (b == std::string_view::npos) return std::nullopt;
  const auto bus = HexField(text.substr(0, a));
  const auto vid = HexField(text.substr(a + 1, b - a - 1));
  const auto pid = HexField(text.substr(b + 1));
  if (!bus || !vid || !pid) return std::nullopt;
  return HidId{*bus, *vid, *pid};
}

}  // namespace orv
