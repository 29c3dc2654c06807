// write FILE: loads a settings file and writes it into the unit (regions 0..6
// and 14, each read back, then command 149).
// apply FILE: the same as "Применить изменения": the settings first go to the
// owner's online account (task 8), then into the unit (task 9); a refusal by
// the account writes nothing.
#include <iostream>

#include "cli/cli.h"
#include "cli/console_status.h"
#include "cli/sync_command.h"
#include "device/unit_hold.h"
#include "settings/settings_session.h"

namespace orv::cli {
namespace {

// Loads `file` into the session for a write. An older file lacks some of the
// regions that are written: those keep what the unit holds, as in the window,
// where the unit is read first.
bool LoadForWrite(TSettingsSession& session, Status& status, const std::string& file) {
  status.StartAction("Загрузка настроек из файла", file);
  if (!session.GetOptions(file)) {
    status.FinishAction(kResError, "Настройки не загружены");
    return false;
  }
  if ((session.LastStreamMask() & regionmask::kWrite) != regionmask::kWrite) {
    status.Log("Файл содержит не все записываемые разделы; остальные берутся из устройства");
    status.Display("Чтение настроек устройства...", true);
    if (!session.ReadOptions() || !session.GetOptions(file)) {
      status.FinishAction(kResError, "Ошибка чтения");
      return false;
    }
  }
  status.FinishAction(kResOk, "Настройки загружены");
  return true;
}

// Task 9.
bool WriteSettings(TSettingsSession& session, Status& status) {
  status.StartAction("Синхронизация настроек");
  status.Display("Сохранение настроек в устройстве...", true);
  status.SetStatus(request::kWriting);
  session.FCFGsaved = true;
  return session.WriteOptions();
}

std::string FileArgument(std::vector<std::string>& args, const char* command) {
  if (args.size() != 1)
    throw std::invalid_argument(args.empty() ? std::string("не указан файл настроек: ") + command + " ФАЙЛ"
                                             : "лишний аргумент '" + args[1] + "'");
  return args.front();
}

int RunWrite(Context& ctx, std::vector<std::string>& args) {
  const bool yes = TakeFlag(args, "--yes");  // "Да" to the pages' questions on loading
  const std::string file = FileArgument(args, "write");
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
  if (!LoadForWrite(console.session, status, file)) return kExitFailed;
  return WriteSettings(console.session, status) ? kExitOk : kExitFailed;
}

int RunApply(Context& ctx, std::vector<std::string>& args) {
  const bool yes = TakeFlag(args, "--yes");
  const std::string file = FileArgument(args, "apply");
  ConsoleStatus status;
  TOrvantis* link = IdentifiedUnit(ctx, status);
  if (!link) return kExitNoUnit;
  const UnitHold hold(*link, UnitHold::Mode::kExclusive);
  if (!hold.Held()) {
    std::cerr << hold.Message() << "\n";
    return ctx.Conclude(kExitFailed);
  }

  ConsolePrompts prompts(yes ? ConsolePrompts::Mode::kYes : ConsolePrompts::Mode::kNo);
  ConsoleSession console(*link, status, prompts);
  if (!LoadForWrite(console.session, status, file)) return kExitFailed;
  bool writeQueued = true;
  const SyncResult sync =
      SendSettings(ctx, *link, status, prompts, console.session, console.pages, [&] { writeQueued = false; });
  if (!writeQueued) return kExitFailed;  // refused: the unit keeps its settings
  if (!WriteSettings(console.session, status)) return kExitFailed;
  if (sync == SyncResult::kAccepted) return kExitOk;
  // The window closes the write as synchronised whatever task 8 did; here
  // the result says that the account did not get the settings.
  status.Log(sync_text::kNotSynced);
  return kExitNotSynced;
}

CommandRegistrar reg{{"write", "write ФАЙЛ [--yes]   записать файл настроек в блок", RunWrite}};
CommandRegistrar regApply{{"apply",
                           "apply ФАЙЛ [--yes]   применить изменения: отправить настройки в ЛК, затем записать\n"
                           "                       в блок (отказ ЛК: ничего не записано)",
                           RunApply}};

}  // namespace
}  // namespace orv::cli
