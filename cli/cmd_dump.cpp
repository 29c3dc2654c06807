// dump K: region K as the unit holds it, 16 bytes a line after the offset.
#include <cstdio>
#include <iostream>
#include <vector>

#include "cli/cli.h"
#include "settings/mem_items.h"

namespace orv::cli {
namespace {

int RunDump(Context& ctx, std::vector<std::string>& args) {
  if (args.size() != 1) throw std::invalid_argument("dump K: one region number expected");
  const auto k = ParseInt(args.front(), 0, kRegionCount - 1);
  if (!k) throw std::invalid_argument("dump K: region numbers are 0..14");
  if (*k == kRegionSms) throw std::invalid_argument("dump K: region 8 is the SMS flash area, not settings memory");
  TOrvantis* link = ctx.RequireUnit();
  if (!link) return kExitNoUnit;
  const auto idx = static_cast<size_t>(*k);
  std::vector<uint8_t> bytes(kRegionSize[idx]);
  if (!link->ReadROM(bytes.data(), kRegionAddr[idx], static_cast<uint32_t>(bytes.size()))) {
    std::cerr << "Чтение раздела " << *k << " не удалось\n";
    return kExitFailed;
  }
  for (size_t off = 0; off < bytes.size(); off += 16) {
    std::printf("%04zX:", off);
    for (size_t i = off; i < off + 16 && i < bytes.size(); ++i) std::printf(" %02X", bytes[i]);
    std::printf("\n");
  }
  return kExitOk;
}

CommandRegistrar reg{{"dump", "dump K               settings region K (0..14 but 8) from the unit in hex", RunDump}};

}  // namespace
}  // namespace orv::cli
