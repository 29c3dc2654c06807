// Feeds arbitrary bytes to both readers of the settings synchronisation: the
// configurator's reading of the server's reply, and the simulated server's
// reading of the multipart form.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "server/sync_request.h"
#include "sim/multipart.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  (void)orv::ParseSyncReply(text);
  std::vector<orv::sim::FormPart> parts;
  std::string error;
  if (orv::sim::ParseMultipart(orv::kSyncContentType, text, parts, error)) {
    if (parts.size() > orv::sim::kMaxFormParts) __builtin_trap();
    for (const auto& p : parts)
      if (p.data.size() > size || text.find(p.data) == std::string::npos) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }
  return 0;
}
