// sync FILE | --unit [--yes]: task 8 alone, the settings of a file or of the
// unit sent to the owner's online account (the unit gives the serial).
// apply FILE [--yes]: "Применить изменения" (in cmd_write.cpp).
#include <iostream>

#include "cli/cli.h"
#include "cli/console_status.h"
#include "cli/page_session.h"
#include "cli/sync_command.h"
#include "device/identity.h"

namespace orv::cli {

SyncResult SendSettings(Context& ctx, TOrvantis& link, Status& status, Prompts& prompts, TSettingsSession& session,
                        TPageModels& pages, const std::function<void()>& removeWrite) {
  status.StartAction(sync_text::kTitle);
  status.Display(sync_text::kProgress, true);
  status.SetStatus(kSyncRequest);
  SyncHost host;
  host.http = &ctx.Http();
  host.status = &status;
  host.prompts = &prompts;
  host.online = [&link] { return link.OnLine(); };
  host.imageComplete = [&session] { return session.ImageComplete(); };
  host.serial = [&link] { return DisplaySerial(link.BootState); };
  host.json = [&pages] { return pages.SyncJSON(TSDate::Now()); };
  host.clearCfgSaved = [&session] { session.FCFGsaved = false; };
  host.removeWrite = removeWrite;
  return HttpSendOptions(host);
}

// The unit attached and identified (its serial read); nullptr after telling why not.
TOrvantis* IdentifiedUnit(Context& ctx, Status& status) {
  TOrvantis* link = ctx.RequireUnit();
  if (link && !link->GetInfo()) {
    if (!link->LinkError().empty()) return nullptr;
    std::cerr << "Блок Orvantis не отвечает\n";
    link = nullptr;
  }
  if (!link) status.Log(sync_text::kNoUnit);
  return link;
}

namespace {

int RunSync(Context& ctx, std::vector<std::string>& args) {
  const bool fromUnit = TakeFlag(args, "--unit");
  const bool yes = TakeFlag(args, "--yes");
  if (fromUnit == (args.size() == 1) || args.size() > 1)
    throw std::invalid_argument("укажите файл настроек или --unit: sync ФАЙЛ | sync --unit");

  PageSession ps(ctx, yes, false);
  TOrvantis* link = IdentifiedUnit(ctx, ps.StatusOps());
  if (!link) return kExitNoUnit;
  if (const int rc = fromUnit ? ps.ReadUnit() : ps.LoadFile(args.front()); rc != kExitOk) return rc;

  ConsolePrompts prompts(ConsolePrompts::Mode::kNo);
  Status& status = ps.StatusOps();
  const SyncResult r = SendSettings(ctx, *link, status, prompts, ps.Session(), ps.Pages(), {});
  if (r == SyncResult::kAccepted) {
    status.FinishAction(kResOk, sync_text::kSynced);
    return kExitOk;
  }
  if (r != SyncResult::kRefused) status.FinishAction(kResError, sync_text::kNotSynced);
  return kExitFailed;
}

CommandRegistrar reg{{"sync",
                      "sync ФАЙЛ | --unit [--yes]\n"
                      "                       отправить настройки файла или блока в личный кабинет (ЛК)",
                      RunSync}};

}  // namespace
}  // namespace orv::cli
