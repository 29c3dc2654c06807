// Region 0: the unit's GPRS access and its connection to the maker's server.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace orv {

struct TextField {
  uint16_t offset;
  uint16_t size;
};

namespace region0 {
constexpr TextField kApn{0, 32};
constexpr TextField kLogin{32, 16};
constexpr TextField kPassword{48, 16};
constexpr TextField kHost{64, 32};
constexpr TextField kPort{96, 32};   // decimal text; the page writes its first 6 bytes
constexpr TextField kCode1{128, 16};
constexpr TextField kCode2{144, 16};
constexpr uint16_t kPortWritten = 6;
}  // namespace region0

struct TServerFields {
  std::string host, port, code1, code2;
  bool operator==(const TServerFields&) const = default;
};

struct TInternetSettings {
  std::string apn, login, password;
  TServerFields server;
};

// Decodes the fields of a region-0 buffer (8-bit text, stopping below 0x20).
// A buffer shorter than a field yields what is there.
TInternetSettings ReadInternetSettings(std::span<const uint8_t> region0);

}  // namespace orv
