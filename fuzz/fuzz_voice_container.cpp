// Feeds arbitrary bytes to the voice-prompt container reader: every record it
// accepts lies inside the input and inside the one slot-sized buffer, and the
// walk ends.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "update/voice_container.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  orv::voice::ContainerReader reader(in);
  std::vector<uint8_t> slot(orv::voice::kSlotSize);
  using R = orv::voice::ContainerReader::Record;
  for (uint32_t i = 0; i <= orv::voice::kMaxFiles; ++i) {
    const R r = reader.Next(slot, 4);
    if (r == R::kEnd || r == R::kTruncated) break;
    if (r == R::kOk && (reader.Size() > size || 4 + reader.Size() + 4 > slot.size())) __builtin_trap();
    if (slot.size() != orv::voice::kSlotSize) __builtin_trap();
  }
  if (reader.Next(slot, 4) != R::kEnd && reader.Index() >= orv::voice::kMaxFiles) __builtin_trap();
  return 0;
}
