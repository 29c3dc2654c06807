// The simulated unit's firmware side: its boot loader's update commands (8 for
// the core, 7 for the CAN firmware), the auxiliary firmware update (188 starts
// it, 186 reports its progress) and the delivery of staged radio-module images
// after command 149.
//
// Images the simulated unit accepts carry a header of its own (all numbers
// little-endian):
//
//   offset  size  field
//   0       4     magic "OVFW"
//   4       1     kind: 1 core, 2 auxiliary, 7 CAN, 10 Hestor, 11 tag, 12 immobilizer, 13 start module
//   5       4     TVersion: day, month, year (BCD), version
//   9       32    text info (e.g. "Release6"), NUL padded
//   41      4     payload length
//   45      4     TCRC32 of bytes 0..44 followed by the payload
//   49      ...   payload
//
// A CAN image whose payload holds at least 256 bytes brings them as the
// unit's CAN settings block (region 6).
//
// The core and CAN images are checked when the update command arrives (size 0
// or beyond the staging area: result 255; a bad header or checksum: result 4,
// the unit restarts with state 0x06); a good one restarts the unit with state
// 0x23 and the new version and text in its records. Fault rule update-code=N
// on the command answers N instead (1, 2 and 4 restart with state 0x21, 0x22,
// 0x24); on 188 it refuses the start with error N; on 186 it ends the update
// with error N & 0xFF, sub-number N >> 8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/identity.h"

namespace orv::sim {

class SimUnit;

namespace simfw {
constexpr size_t kHeaderSize = 49;
constexpr uint32_t kMaxImage = 0xC0000;  // largest image the staging areas hold
enum Kind : uint8_t { kCore = 1, kAux = 2, kCan = 7, kHestor = 10, kTag = 11, kImmo = 12, kRStart = 13 };
}  // namespace simfw

struct SimImage {
  uint8_t kind = 0;
  TVersion version;
  std::string text;
  std::vector<uint8_t> payload;
};

std::vector<uint8_t> BuildSimImage(const SimImage& image);
// The image described by these bytes, or nullopt when its header, length or
// checksum is wrong. Trailing bytes beyond the image are ignored.
std::optional<SimImage> ParseSimImage(const uint8_t* data, size_t size);

void InstallFirmwareHandlers(SimUnit& unit);
// Command 149: staged module images raise the versions of the modules present.
void DeliverStagedModules(SimUnit& unit);

}  // namespace orv::sim
