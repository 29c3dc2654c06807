// write FILE: loads a settings file and writes it into the unit (regions 0..6
// and 14, each read back, then command 149).
#include "cli/cli.h"
#include "cli/console_status.h"
#include "settings/settings_session.h"

namespace orv::cli {
namespace {

int RunWrite(Context& ctx, std::vector<std::string>& args) {
  const bool yes = TakeFlag(args, "--yes");  // the pages' questions; "Нет" otherwise
  if (args.size() != 1) throw std::invalid_argument(args.empty() ? "the settings file is missing: write FILE"
                                                                 : "unexpected argument '" + args[1] + "'");
  const std::string file = args.front();
  TOrvantis* link = ctx.RequireUnit();
  if (!link) return kExitNoUnit;

  ConsoleStatus status;
  ConsolePrompts prompts(yes ? ConsolePrompts::Mode::kYes : ConsolePrompts::Mode::kNo);
  ConsoleSession console(*link, status, prompts);
  TSettingsSession& session = console.session;

  status.StartAction("Загрузка настроек из файла", file);
  if (!session.GetOptions(file)) {
    status.FinishAction(kResError, "Настройки не загружены");
    return kExitFailed;
  }
  if ((session.LastStreamMask() & regionmask::kWrite) != regionmask::kWrite) {
    // An older file lacks some of the regions that are written: those keep
    // what the unit holds, as in the window, where the unit is read first.
    status.Log("Файл содержит не все записываемые разделы; остальные берутся из устройства");
    status.Display("Чтение настроек устройства...", true);
    if (!session.ReadOptions() || !session.GetOptions(file)) {
      status.FinishAction(kResError, "Ошибка чтения");
      return kExitFailed;
    }
  }
  status.FinishAction(kResOk, "Настройки загружены");

  status.StartAction("Синхронизация настроек");
  status.Display("Сохранение настроек в устройстве...", true);
  session.FCFGsaved = true;
  return session.WriteOptions() ? kExitOk : kExitFailed;
}

CommandRegistrar reg{{"write", "write FILE [--yes]   write a settings file into the unit", RunWrite}};

}  // namespace
}  // namespace orv::cli
