// The settings a simulated unit starts with: the factory stream of its model
// (with its board's audio adjustment) in the settings memory, and the image's
// SMS texts in its flash.
#pragma once

#include <string>

namespace orv::sim {

class SimUnit;

void LoadFactorySettings(SimUnit& unit);

// Puts the regions a settings file carries into the unit's settings memory,
// over what it holds (the factory settings), so tests can start a unit with
// any block planted. False with the reason in `error` for a file that cannot
// be read or is not a settings file; the memory is then unchanged.
bool LoadSettingsFile(SimUnit& unit, const std::string& path, std::string& error);

}  // namespace orv::sim
