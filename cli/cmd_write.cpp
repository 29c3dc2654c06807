// write FILE: loads a settings file and writes it into the unit (regions 0..6
// and 14, each read back, then command 149).
#include <iostream>

#include "cli/cli.h"
#include "cli/console_status.h"
#include "device/unit_hold.h"
#include "settings/settings_session.h"

namespace orv::cli {
namespace {

int RunWrite(Context& ctx, std::vector<std::string>& args) {
  const bool yes = TakeFlag(args, "--yes");  // "Да" to the pages' questions on loading
  if (args.size() != 1) throw std::invalid_argument(args.empty() ? "не указан файл настроек: write ФАЙЛ"
                                                                 : "лишний аргумент '" + args[1] + "'");
  const std::string file = args.front();
  TOrvantis* link = ctx.RequireUnit();
  if (!link) return kExitNoUnit;
  // The unit is ours from the first read to command 149: another program's
  // write cannot mix into this one.
  const UnitHold hold(*link, UnitHold::Mode::kExclusive);
  if (!hold.Held()) {
    std::cerr << hold.Message() << "\n";
    return ctx.Conclude(kExitFailed);
  }

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

CommandRegistrar reg{{"write", "write ФАЙЛ [--yes]   записать файл настроек в блок", RunWrite}};

}  // namespace
}  // namespace orv::cli
