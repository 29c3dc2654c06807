// can list | can write: the CAN firmware list of the maker's server, one level
// of its tree at a time, and the download and writing of one CAN firmware as
// tasks 4, 3 and 29 of the window run them.
#include <iostream>

#include "cli/cli.h"
#include "cli/console_status.h"
#include "device/clock.h"
#include "device/identity.h"
#include "server/can_firmware.h"
#include "settings/can_config.h"
#include "settings/settings_session.h"

namespace orv::cli {
namespace {

// Chooses the firmware with this server identifier, wherever it is in the tree.
bool ChooseById(can::CanChoice& choice, const std::string& id) {
  const auto makes = choice.Makes();
  for (size_t mk = 1; mk < makes.size(); ++mk) {
    choice.ChooseMake(static_cast<int>(mk));
    const size_t models = choice.Models().size();
    for (size_t md = 0; md < models; ++md) {
      choice.ChooseModel(static_cast<int>(md));
      const size_t periods = choice.Periods().size();
      for (size_t pd = 0; pd < periods; ++pd) {
        choice.ChoosePeriod(static_cast<int>(pd));
        const size_t fws = choice.Firmware().size();
        for (size_t f = 0; f < fws; ++f)
          if (choice.ChooseFirmware(static_cast<int>(f)) && choice.FCanId == id) return true;
      }
    }
  }
  choice.ChooseMake(0);
  return false;
}

int RunList(Context& ctx, std::vector<std::string>& args) {
  const auto make = TakeValue(args, "--make");
  const auto model = TakeValue(args, "--model");
  const auto period = TakeValue(args, "--period");
  if (!args.empty()) throw std::invalid_argument("unexpected argument '" + args.front() + "'");
  if ((model && !make) || (period && !model)) throw std::invalid_argument("--model needs --make, --period needs --model");
  ConsoleStatus status;
  ConsolePrompts prompts(ConsolePrompts::Mode::kNo);
  CanHost host;
  host.status = &status;
  host.prompts = &prompts;
  host.http = &ctx.Http();
  CanFirmware can(host);
  status.StartAction(can_text::kListTitle);
  status.Display(can_text::kListProgress, true);
  if (!can.HttpGetCanList()) return kExitFailed;
  status.FinishAction(kResOk, can_text::kListReceived);
  auto& choice = can.Choice();
  auto print = [](const std::vector<std::string>& names, size_t from) {
    for (size_t i = from; i < names.size(); ++i) std::cout << names[i] << "\n";
  };
  if (!make) {
    print(choice.Makes(), 1);
    return kExitOk;
  }
  const auto makes = choice.Makes();
  int mk = -1;
  for (size_t i = 1; i < makes.size(); ++i)
    if (can::EqualNoCase(makes[i], *make)) mk = static_cast<int>(i);
  if (mk < 0) {
    std::cerr << "Марка не найдена: " << *make << "\n";
    return kExitFailed;
  }
  choice.ChooseMake(mk);
  if (!model) {
    print(choice.Models(), 0);
    return kExitOk;
  }
  if (!period) {
    const auto models = choice.Models();
    for (size_t i = 0; i < models.size(); ++i)
      if (can::EqualNoCase(models[i], *model)) {
        choice.ChooseModel(static_cast<int>(i));
        print(choice.Periods(), 0);
        return kExitOk;
      }
    std::cerr << "Модель не найдена: " << *model << "\n";
    return kExitFailed;
  }
  if (!can::ChooseByNames(choice, *make, *model, *period)) {
    std::cerr << "Период не найден: " << *period << "\n";
    return kExitFailed;
  }
  const auto fws = choice.Firmware();
  std::cout << choice.FirmwareLabel() << "\n";
  for (size_t i = 0; i < fws.size(); ++i) {
    choice.ChooseFirmware(static_cast<int>(i));
    std::cout << choice.FCanId << "\t" << fws[i].first << "\n";
    if (!fws[i].second.empty()) std::cout << "\t" << fws[i].second << "\n";
    if (!choice.FTechManuallLink.empty()) std::cout << "\tТех-карта: " << choice.FTechManuallLink << "\n";
  }
  return kExitOk;
}

int RunWrite(Context& ctx, std::vector<std::string>& args) {
  const bool yes = TakeFlag(args, "--yes");
  if (args.size() != 1) throw std::invalid_argument("can write ID [--yes]");
  const std::string id = args[0];
  ConsoleStatus status;
  ConsolePrompts prompts(yes ? ConsolePrompts::Mode::kYes : ConsolePrompts::Mode::kAsk);
  bool reboot = false, rebootOK = false, released = false, restarted = false;
  TOrvantis* link = nullptr;
  CanFirmware* self = nullptr;
  // The window's connection handling: the unit back with its identity
  // finishes the task that waits for the restart.
  ctx.SetPlugCallbacks(
      [&] {
        if (!link || !link->OnLine() || !link->GetInfo()) return;
        if (FwStateUpdateApplied(link->BootState.CanFwState)) rebootOK = true;
        if (self && self->FinishAfterRestart()) restarted = true;
      },
      [] {});
  link = ctx.RequireUnit();
  if (!link) return kExitNoUnit;

  CanHost host;
  host.link = link;
  host.status = &status;
  host.prompts = &prompts;
  host.http = &ctx.Http();
  host.serial = [link] { return DisplaySerial(link->BootState); };
  host.FReboot = &reboot;
  host.FRebootOK = &rebootOK;
  host.next = [&] { released = true; };
  CanFirmware can(host);
  self = &can;
  link->GetState();

  status.StartAction(can_text::kListTitle);
  status.Display(can_text::kListProgress, true);
  if (!can.HttpGetCanList()) return kExitFailed;
  status.FinishAction(kResOk, can_text::kListReceived);
  if (!ChooseById(can.Choice(), id)) {
    std::cerr << "CAN-прошивка " << id << " не найдена в списке сервера\n";
    return kExitFailed;
  }
  const auto* chosen = can.Choice().Chosen();
  if (prompts.WarningDialog("Записать CAN-прошивку " + (chosen ? chosen->caption : id) + " в устройство?",
                            {"Да", "Нет"}) != Prompts::Answer::kYes)
    return kExitCancelled;

  status.StartAction(can_text::kWriteTitle);
  status.Display(can_text::kWriteProgress, true);
  if (!can.Task4()) return kExitFailed;
  // The unit restarts: wait for it to come back with the new firmware.
  const uint32_t start = SystemClock().Ticks();
  while (!restarted && SystemClock().Ticks() - start < 20000) ctx.ProcessNotices(100);
  if (!restarted) {
    status.FinishAction(kResError, "Устройство не вернулось после записи CAN-прошивки");
    return kExitFailed;
  }
  // Task 3: the settings again; task 29: the new firmware's CAN settings.
  ConsoleSession console(*link, status, prompts);
  status.StartAction("Чтение настроек");
  status.Display("Чтение настроек устройства...", true);
  if (!console.session.ReadOptions()) {
    status.FinishAction(kResError, "Ошибка чтения");
    return kExitFailed;
  }
  status.FinishAction(kResOk, "Настройки прочитаны");
  const TCanConfig cfg = ReadCanConfig(console.session.MemItems[kRegionCan].Bytes());
  can.DoCheckCanOptions(cfg);
  return kExitOk;
}

int RunCan(Context& ctx, std::vector<std::string>& args) {
  if (args.empty()) throw std::invalid_argument("can list [--make M] [--model M] [--period P] | can write ID [--yes]");
  const std::string sub = args[0];
  args.erase(args.begin());
  if (sub == "list") return RunList(ctx, args);
  if (sub == "write") return RunWrite(ctx, args);
  throw std::invalid_argument("can list | can write");
}

CommandRegistrar reg{{"can",
                      "can list [--make M] [--model M] [--period P] | can write ID [--yes]\n"
                      "                       CAN firmware of the server by make, model and period; write one",
                      RunCan}};

}  // namespace
}  // namespace orv::cli
