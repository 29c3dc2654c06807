// Patches of a simulated unit's settings memory given on the command line
// ("--poke K:OFF:HEX": region K, byte offset OFF in the region, bytes in hex),
// applied before the unit is plugged in. A test aid: a unit whose settings
// differ from the factory image in a chosen way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv::sim {

class SimUnit;

struct Poke {
  int region = 0;
  uint32_t offset = 0;
  std::vector<uint8_t> bytes;
};

// Parses "K:OFF:HEX" (OFF decimal or 0x-hex). Throws std::invalid_argument
// for a bad text, region 8, or bytes beyond the region's end.
Poke ParsePoke(const std::string& text);
void ApplyPoke(SimUnit& unit, const Poke& poke);

}  // namespace orv::sim
