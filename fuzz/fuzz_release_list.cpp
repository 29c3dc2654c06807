// Feeds arbitrary text to the release list reader: a release record or the
// list error, and a history that names every release.
#include <cstddef>
#include <cstdint>
#include <string>

#include "server/release_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const auto v = orv::selfupdate::ParseUpdateInfo(std::string(reinterpret_cast<const char*>(data), size));
    if (v.Link.empty() || v.History.empty()) __builtin_trap();
    (void)v.UpdateAvailable(1, 0, 0);
  } catch (const orv::selfupdate::ReleaseListError&) {
  }
  return 0;
}
