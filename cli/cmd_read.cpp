// read -o FILE: reads every settings region from the unit and saves them as a
// settings file.
#include "cli/cli.h"
#include "cli/console_status.h"
#include "settings/settings_session.h"

namespace orv::cli {
namespace {

int RunRead(Context& ctx, std::vector<std::string>& args) {
  const bool yes = TakeFlag(args, "--yes");  // the pages' questions; "Нет" otherwise
  const auto file = TakeValue(args, "-o");
  if (!file || file->empty()) throw std::invalid_argument("the settings file is missing: read -o FILE");
  if (!args.empty()) throw std::invalid_argument("unexpected argument '" + args.front() + "'");
  TOrvantis* link = ctx.RequireUnit();
  if (!link) return kExitNoUnit;

  ConsoleStatus status;
  ConsolePrompts prompts(yes ? ConsolePrompts::Mode::kYes : ConsolePrompts::Mode::kNo);
  ConsoleSession console(*link, status, prompts);
  TSettingsSession& session = console.session;

  status.StartAction("Чтение настроек");
  status.Display("Чтение настроек устройства...", true);
  if (!session.ReadOptions()) {
    status.FinishAction(kResError, "Ошибка чтения");
    return kExitFailed;
  }
  status.FinishAction(kResOk, "Настройки прочитаны");
  status.StartAction("Сохранение настроек в файле", *file);
  return session.SaveOptions(*file) ? kExitOk : kExitFailed;
}

CommandRegistrar reg{{"read", "read -o FILE [--yes] read the unit's settings into a settings file", RunRead}};

}  // namespace
}  // namespace orv::cli
