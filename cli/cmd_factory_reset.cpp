// factory-reset [--yes|--no]: restores the factory settings of the unit's
// model, then reads the settings back.
#include <iostream>

#include "cli/cli.h"
#include "cli/console_status.h"
#include "settings/settings_session.h"

namespace orv::cli {
namespace {

int RunFactoryReset(Context& ctx, std::vector<std::string>& args) {
  const bool yes = TakeFlag(args, "--yes"), no = TakeFlag(args, "--no");
  if (yes && no) throw std::invalid_argument("--yes and --no exclude each other");
  if (!args.empty()) throw std::invalid_argument("unexpected argument '" + args.front() + "'");
  TOrvantis* link = ctx.RequireUnit();
  if (!link) return kExitNoUnit;
  // The factory image is chosen by the unit's model and board.
  if (!link->GetInfo()) {
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
    status.FinishAction(kResError, "Заводские настройки не установлены");
    return kExitFailed;
  }
  // What the window queues next: synchronisation with the online account
  // (not done by this tool) and reading everything back.
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
                      "factory-reset [--yes|--no]  restore the factory settings of the unit's model", RunFactoryReset}};

}  // namespace
}  // namespace orv::cli
