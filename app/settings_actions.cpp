#include "app/settings_actions.h"

#include "app/file_filter.h"

namespace orv {

namespace {
constexpr const char* kReadStep = "Чтение настроек устройства...";
}  // namespace

SettingsActions::SettingsActions(MainCore& core, TOrvantis& link, Prompts& prompts, PagesHook& pages)
    : core_(core),
      prompts_(prompts),
      pages_(pages),
      session_(link, core.StatusPanel(), prompts, *this, *this) {
  TaskTable& table = core_.Table();
  table.Set(task::kReadSettings, {"", kReadStep, [this] { Task3(); }});
  table.Set(task::kWriteSettings, {"Синхронизация настроек", "Сохранение настроек в устройстве...", [this] { Task9(); }});
  table.Set(task::kFactoryReset, {"", "Заводские настройки...", [this] { session_.SetDefaults(4095); }});
}

SettingsActions::~SettingsActions() {
  for (uint8_t t : {task::kReadSettings, task::kSyncSettings, task::kWriteSettings, task::kFactoryReset})
    core_.Table().Remove(t);
}

void SettingsActions::Task3() {
  StatusModel& status = core_.StatusPanel();
  const uint64_t finished = status.FinishCount();
  const bool ok = session_.ReadOptions();
  // The read after a connection says how it ended, like every other action:
  // unless the read (or the write a page asked for) closed it already.
  if (status.FinishCount() == finished) status.FinishAction(ok ? kResOk : kResError, ok ? "" : settings_text::kNotRead);
}

void SettingsActions::Task9() {
  // The unit went away after the write was queued: nothing is sent.
  if (!core_.RequireUnit()) {
    core_.Tasks().Next();
    return;
  }
  core_.StatusPanel().SetStatus(request::kWriting);
  session_.FCFGsaved = true;
  session_.WriteOptions();
}

void SettingsActions::SetBusy(Button button, bool busy) {
  core_.View().SetActionBusy(button, busy);
  // Free again: the actions follow the unit's presence, as after a plug notice.
  core_.DisableButtons(busy || !core_.Online());
  pages_.SetBusy(button, busy);
}

bool SettingsActions::ReadFromDev() {
  if (!core_.RequireUnit()) return false;
  Status& status = core_.StatusPanel();
  status.StartAction("Чтение настроек");
  status.Display(kReadStep, true);
  const bool ok = session_.ReadOptions();
  if (ok)
    status.FinishAction(kResOk, "Настройки прочитаны");
  else
    status.FinishAction(kResError, "Ошибка чтения");
  return ok;
}

bool SettingsActions::Apply() {
  if (!core_.RequireUnit()) return false;
  // First the owner's online account, then the unit: a refusal by the
  // account takes the write out of the queue.
  core_.QueueTail(task::kSyncSettings);
  return core_.QueueTail(task::kWriteSettings);
}

void SettingsActions::SetUpSync(server::HttpClient& http, std::function<uint32_t()> serial,
                                std::function<std::string()> json, std::function<void()> proxyUpdate) {
  sync_.http = &http;
  sync_.status = &core_.StatusPanel();
  sync_.prompts = &prompts_;
  sync_.online = [this] { return core_.Online(); };
  sync_.imageComplete = [this] { return session_.ImageComplete(); };
  sync_.serial = std::move(serial);
  sync_.json = std::move(json);
  sync_.proxyUpdate = std::move(proxyUpdate);
  sync_.clearCfgSaved = [this] { session_.FCFGsaved = false; };
  sync_.removeWrite = [this] { core_.Tasks().DeleteTask(task::kWriteSettings); };
  sync_.next = [this] { core_.Tasks().Next(); };
  core_.Table().Set(task::kSyncSettings, {sync_text::kTitle, sync_text::kProgress, [this] {
                                            core_.StatusPanel().SetStatus(request::kSync);
                                            lastSync_ = HttpSendOptions(sync_);
                                          }});
}

bool SettingsActions::FactoryDefaults() {
  if (!core_.RequireUnit()) return false;
  core_.QueueTail(task::kFactoryReset);
  core_.Tasks().Next();
  return true;
}

bool SettingsActions::SaveToFile() {
  std::string file = prompts_.ChooseSaveFile(settings_file::kSaveTitle, settings_file::kFilter, "");
  if (file.empty()) return false;
  file = WithDefaultExtension(file, settings_file::kExtension);
  Status& status = core_.StatusPanel();
  status.StartAction(settings_file::kSaveTitle, file);
  const bool ok = session_.SaveOptions(file);
  if (!ok) status.FinishAction(kResError, "Настройки не сохранены");
  return ok;
}

bool SettingsActions::LoadFromFile() {
  const std::string file = prompts_.ChooseOpenFile(settings_file::kOpenTitle, settings_file::kFilter);
  if (file.empty()) return false;
  Status& status = core_.StatusPanel();
  status.StartAction(settings_file::kOpenTitle, file);
  const bool ok = session_.GetOptions(file);
  if (ok)
    status.FinishAction(kResOk, "Настройки загружены");
  else
    status.FinishAction(kResError, "Настройки не загружены");
  return ok;
}

bool SettingsActions::StartUpTimer() {
  if (core_.StatusPanel().Request() != request::kWriting || !session_.FCFGsaved) return false;
  session_.WriteOptions();
  return true;
}

}  // namespace orv
