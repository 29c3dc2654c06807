// self-update check: the newest configurator release on the maker's server,
// its history, and whether it is newer than this program.
#include <iostream>

#include "app/version.h"
#include "cli/cli.h"
#include "cli/console_status.h"
#include "server/release_update.h"

namespace orv::cli {
namespace {

int RunSelfUpdate(Context& ctx, std::vector<std::string>& args) {
  if (args.empty() || args[0] != "check") throw std::invalid_argument("self-update check");
  args.erase(args.begin());
  if (!args.empty()) throw std::invalid_argument("unexpected argument '" + args.front() + "'");
  ConsoleStatus status;
  ConsolePrompts prompts(ConsolePrompts::Mode::kNo);
  const BuildVersion own = OwnVersion();
  ReleaseHost host;
  host.http = &ctx.Http();
  host.status = &status;
  host.prompts = &prompts;
  host.v1 = static_cast<uint16_t>(own.major);
  host.v2 = static_cast<uint16_t>(own.minor);
  host.v3 = static_cast<uint16_t>(own.release);
  SelfUpdate update(host);
  status.StartAction(release_text::kTitle);
  status.Display(release_text::kCheckProgress, true);
  if (!update.CheckTask()) return kExitFailed;
  const auto& fw = update.FSelfFW();
  std::cout << "Новейшая версия: " << selfupdate::VersionText(fw.H, fw.M, fw.L) << " от " << fw.Date << "\n"
            << "Установлена: " << VersionText(own) << "\n"
            << (update.Newer() ? "Доступно обновление" : "Обновление не требуется") << "\n\n"
            << TerminalText(fw.History);
  return kExitOk;
}

CommandRegistrar reg{{"self-update",
                      "self-update check    the newest configurator release and its history",
                      RunSelfUpdate}};

}  // namespace
}  // namespace orv::cli
