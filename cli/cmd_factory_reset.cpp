// factory-reset [--yes|--no]: restores the factory settings of the unit's
// model, then reads the settings back.
#include <iostream>

#include "cli/cli.h"
#include "cli/console_status.h"
#include "device/unit_hold.h"
#include "settings/settings_session.h"

namespace orv::cli {
namespace {

int RunFactoryReset(Context& ctx, std::vector<std::string>& args) {
  const bool yes = TakeFlag(args, "--yes"), no = TakeFlag(args, "--no");
  if (yes && no) throw std::invalid_argument("--yes и --no исключают друг друга");
  if (!args.empty()) throw std::invalid_argument("лишний аргумент '" + args.front() + "'");
  TOrvantis* link = ctx.RequireUnit();
  if (!link) return kExitNoUnit;
  // The reset and the read that follows it see no other program's write.
  const UnitHold hold(*link, UnitHold::Mode::kExclusive);
  if (!hold.Held()) {
    std::cerr << hold.Message() << "\n";
    return ctx.Conclude(kExitFailed);
  }
  // The factory image is chosen by the unit's model and board.
  if (!link->GetInfo()) {
    if (!link->LinkError().empty()) return ctx.Conclude(kExitFailed);
    std::cerr << "Блок Orvantis не отвечает\n";
    return kExitNoUnit;
  }

  ConsoleStatus status;
  ConsolePrompts prompts(yes ? ConsolePrompts::Mode::kYes : no ? ConsolePrompts::Mode::kNo : ConsolePrompts::Mode::kAsk);
  ConsoleSession console(*link, status, prompts);
  TSettingsSession& session = console.session;

  status.Display("Заводские настройки...", true);
  if (!session.SetDefaults(4095)) {
    if (prompts.Declined()) {
      status.FinishAction(kResCancelled, "Заводские настройки не установлены");
      return kExitCancelled;
    }
    // The reset may have reported its own error result already.
    if (status.LastResult() != kResError) status.FinishAction(kResError, "Заводские настройки не установлены");
    return kExitFailed;
  }
  // What the window queues next: reading everything back and synchronisation
  // with the online account (not done by this command; see `sync --unit`).
  while (const uint8_t t = console.tasks.TakeNext()) {
    if (t == task::kSyncSettings) {
      status.Log("Синхронизация с личным кабинетом не выполняется");
    } else if (t == task::kReadSettings) {
      status.Display("Чтение настроек устройства...", true);
      if (!session.ReadOptions()) {
        status.FinishAction(kResError, "Ошибка чтения");
        return kExitFailed;
      }
      status.FinishAction(kResOk, "Настройки прочитаны");
    }
  }
  return kExitOk;
}

CommandRegistrar reg{{"factory-reset",
                      "factory-reset [--yes|--no]  восстановить заводские настройки модели блока", RunFactoryReset}};

}  // namespace
}  // namespace orv::cli
