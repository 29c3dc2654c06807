// The simulated server's firmware catalogue for a simulated unit: the builds
// the unit runs as "current", newer core, auxiliary and start-module builds as
// "last" (their images built in the format the simulated loader accepts), and
// the other modules up to date.
//
// Three packages: core-get.json (the check: no images), core-set.json (the
// update: images as hexadecimal text) and core-get-updated.json (the check
// after the update, when the server records the new builds as installed).
#pragma once

#include <string>

#include "sim/sim_unit.h"

namespace orv::sim {

struct SimCatalogue {
  std::string coreGet, coreSet, coreGetUpdated;
};

SimCatalogue MakeCatalogue(const SimConfig& cfg);
// Writes the three files into `dir` (created when missing); false with a
// message on failure.
bool WriteCatalogue(const std::string& dir, const SimConfig& cfg, std::string& error);

}  // namespace orv::sim
