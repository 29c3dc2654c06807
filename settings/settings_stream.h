// The settings stream: the format of settings files and of the factory images.
// A 4-byte little-endian header word (region mask, SMS flag, format version),
// then the regions it names in ascending order, then optionally the 61 SMS
// texts. Versions 0 to 3 are older layouts that the reader converts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "settings/mem_items.h"

namespace orv {

namespace streamhdr {
constexpr uint32_t kRegionBits = 0x7FFF;   // bits 0..14
constexpr uint32_t kSmsFlag = 1u << 23;
constexpr int kVersionShift = 24;
constexpr int kMaxVersion = 4;
constexpr uint32_t kSaveHeader = 0x0400407F;     // version 4, regions 0..6 and 14, no SMS
constexpr uint32_t kFactoryHeader = 0x04807EFF;  // version 4, regions 0..7 and 9..14, SMS
constexpr int Version(uint32_t h) { return static_cast<int>(h >> kVersionShift); }
}  // namespace streamhdr

constexpr size_t kSavedFileSize = 3692;
constexpr size_t kFactoryImageSize = 14988;

// Bytes region k takes in a stream of the given format version.
uint32_t StreamRegionSize(int version, int k);

struct StreamReadResult {
  uint32_t mask = 0;         // regions filled completely (bit k = region k)
  int version = -1;          // -1: the stream has no header
  bool unsupported = false;  // version above 4: nothing was read
  bool truncated = false;    // the stream ended before what its header promises
  std::string message;       // what to tell the user when something was wrong
  bool Ok() const { return version >= 0 && !unsupported && !truncated; }
};

// "Версия формата настроек (v%d) не поддерживается. ..."
std::string UnsupportedVersionMessage(int version);

// A settings file that fails StreamLayoutFits is refused with this text.
inline constexpr const char* kCorruptSettingsFile = "Файл настроек повреждён или имеет неизвестный формат";

// Whether a whole settings file has a layout of its format version and
// region mask: exactly the regions the header names (as the reader of that
// version takes them), plus the SMS area exactly when the header promises it.
// Unused header bits must be zero, and only version-4 headers name region 14
// (older writers appended it unnamed). A file changed by one byte in its
// header, cut short or padded fails, so nothing of it reaches the unit.
// Streams of a version above 4 pass: the reader reports them as unsupported.
bool StreamLayoutFits(std::span<const uint8_t> stm);

// Reads a stream into the regions, converting the older versions, and appends
// its SMS texts to `list` when `list` is given and the stream carries them.
// The stream is untrusted: a short stream fills what it has (the rest of each
// region keeps its contents) and says so; an unsupported version changes
// nothing. Never reads outside `stm`.
StreamReadResult ReadOptionsFromStream(std::span<const uint8_t> stm, std::vector<std::string>* list, TMemItems& items);

// Builds a version-4 stream of the regions named by `header` (and the SMS
// texts when its bit 23 is set). Region 8 is never written.
std::vector<uint8_t> BuildOptionsStream(const TMemItems& items, uint32_t header,
                                        const std::vector<std::string>& sms = {});

}  // namespace orv
