// voice update: brings the unit's voice prompts up to date from the container
// the configurator carries (or the one --container names).
#include <fstream>

#include "cli/cli.h"
#include "cli/console_status.h"
#include "update/voice_upload.h"

namespace orv::cli {
namespace {

int RunVoice(Context& ctx, std::vector<std::string>& args) {
  if (args.empty() || args[0] != "update") throw std::invalid_argument("voice update [--container FILE]");
  args.erase(args.begin());
  const auto file = TakeValue(args, "--container");
  if (!args.empty()) throw std::invalid_argument("unexpected argument '" + args.front() + "'");
  TOrvantis* link = ctx.RequireUnit();
  if (!link) return kExitNoUnit;
  ConsoleStatus status;
  SoundsResult r;
  if (file) {
    std::ifstream in(*file, std::ios::binary);
    if (!in) throw std::runtime_error("Не удается прочитать " + *file);
    r = WriteSounds(*link, in, status);
  } else {
    r = WriteSounds(*link, status);
  }
  return r.ok ? kExitOk : kExitFailed;
}

CommandRegistrar reg{{"voice",
                      "voice update [--container FILE]\n"
                      "                       check the unit's voice prompts and write those that differ",
                      RunVoice}};

}  // namespace
}  // namespace orv::cli
