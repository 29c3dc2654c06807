// read -o FILE: reads every settings region from the unit and saves them as a
// settings file.
#include <iostream>

#include "cli/cli.h"
#include "cli/console_status.h"
#include "settings/file_io.h"
#include "settings/settings_session.h"

namespace orv::cli {
namespace {

int RunRead(Context& ctx, std::vector<std::string>& args) {
  const bool yes = TakeFlag(args, "--yes");  // "Да" to the pages' questions on loading
  const auto file = TakeValue(args, "-o");
  if (!file || file->empty()) throw std::invalid_argument("не указан файл настроек: read -o ФАЙЛ");
  if (!args.empty()) throw std::invalid_argument("лишний аргумент '" + args.front() + "'");
  // A file that cannot be saved is found out before the unit is read.
  if (std::string reason; !CanCreateFile(*file, reason)) {
    std::cerr << "Не удалось сохранить файл настроек \"" << *file << "\": " << reason << "\n";
    return kExitFailed;
  }
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

CommandRegistrar reg{{"read", "read -o ФАЙЛ [--yes] прочитать настройки блока в файл настроек\n"
                               "                       (--yes: \"Да\" на вопросы страниц)", RunRead}};

}  // namespace
}  // namespace orv::cli
