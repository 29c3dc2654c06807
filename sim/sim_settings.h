// The settings a simulated unit starts with: the factory stream of its model
// (with its board's audio adjustment) in the settings memory, and the image's
// SMS texts in its flash.
#pragma once

namespace orv::sim {

class SimUnit;

void LoadFactorySettings(SimUnit& unit);

}  // namespace orv::sim
