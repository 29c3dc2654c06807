// Feeds arbitrary text to the catalogue package reader as the server would:
// it either refuses the text as not JSON or fills the six slots, and the
// decisions, summaries, question and image conversions built on what it read
// must neither crash nor contradict the slot data.
#include <cstddef>
#include <cstdint>
#include <string>

#include "update/fw_catalogue.h"
#include "update/fw_hex.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  orv::TCoreFW fw;
  orv::InitFirmwareCatalogue(fw);
  size_t logged = 0;
  try {
    orv::ParseFWPacket(text, fw, [&](const std::string&) { ++logged; });
  } catch (const orv::CatalogueError&) {
    return 0;
  }
  Check(logged == 0 || logged == 6);
  for (const orv::TFW& s : fw.all) {
    Check(!(logged && s.DataExist));
    orv::DecodeHexImage(s.Last.Data);
    s.Burned.empty();
  }
  orv::ForceUpdate force{true, false, false, false, false};
  for (int round = 0; round < 2; ++round) {
    const orv::FWInfo info = orv::UpdateFWInfo(fw, round ? force : orv::ForceUpdate{});
    bool any = false;
    for (const orv::TFW& s : fw.all) {
      any = any || s.NeedUpdate;
      if (!round) Check(!s.NeedUpdate || s.DataExist);
    }
    Check(any == info.needUpdate);
    orv::UpdateQuestion(fw);
  }
  return 0;
}
