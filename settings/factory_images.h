// The factory settings images DEFOPTIONSU1..3 (settings streams of 14988
// bytes, generated at build time from the readable sources in data/factory)
// and CreateOptStream, which picks and adjusts the image for a unit.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "settings/internet_fields.h"

namespace orv {

class TOrvantis;

// Defined by the generated source.
namespace factory_data {
extern const uint8_t DEFOPTIONSU1[];
extern const uint8_t DEFOPTIONSU2[];
extern const uint8_t DEFOPTIONSU3[];
}  // namespace factory_data

// The image by number 1..3.
std::span<const uint8_t> FactoryImage(int number);
// The image that serves a model code: 0x21 -> 1, 0x22 -> 2, any other -> 3.
int FactoryImageNumber(uint8_t kind);

// The board revision whose models 1 and 2 take the audio levels of image 3.
constexpr uint8_t kAudioAdjustedPcb = 0x12;

// The factory stream of a unit of this model code and board revision.
std::vector<uint8_t> CreateOptStream(uint8_t kind, uint8_t pcb);
// The factory stream of the unit attached to the link (from its boot state);
// none when no unit is online.
std::optional<std::vector<uint8_t>> CreateOptStream(const TOrvantis& link);

// The server connection the factory images hold (region 0).
TServerFields FactoryServerFields();

}  // namespace orv
