// Options of a simulated unit that stand in for a particular unit: the date
// stamp of its core firmware and a fixed diagnostic record read from a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/identity.h"

namespace orv::sim {

// "DD.MM.YYYY" (year 2000..2099) as the unit's BCD date stamp (Version 0);
// nullopt for any other text or an impossible date.
std::optional<TVersion> ParseCoreDate(const std::string& text);

// The reply of command 0x91 from a file of 93 to 113 bytes; false with the
// reason otherwise.
bool LoadDiagReply(const std::string& path, std::vector<uint8_t>& reply, std::string& error);

}  // namespace orv::sim
