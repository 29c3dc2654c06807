// The settings workflows as the window runs them. Owns the window's settings
// image (the fifteen regions, in its TSettingsSession) and wires the tasks
// and controls that move it:
// - task 3 reads the unit's settings, task 9 writes them, task 28 restores
//   the factory settings of the unit's model; task 8, once SetUpSync was
//   called, sends them to the owner's online account;
// - the read button runs a read at once; the apply and factory buttons queue
//   their tasks; the file buttons save and load settings files;
// - the start-up timer repeats a write that task 9 had started.
// While a read or write runs, its button is pressed and disabled and the
// actions that must not start meanwhile are disabled too.
// Qt-free: the window calls it from its controls, tests drive it directly.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/main_core.h"
#include "server/sync_request.h"
#include "core/seams.h"
#include "settings/settings_session.h"
#include "settings/workflow_hooks.h"

namespace orv {

class TOrvantis;

namespace settings_file {
// The settings file dialog: its filter and the extension a typed name gets.
inline constexpr const char* kFilter = "файлы настроек |*.vesnar|все файлы|*.*";
inline constexpr const char* kExtension = "vesnar";
inline constexpr const char* kSaveTitle = "Сохранение настроек в файле";
inline constexpr const char* kOpenTitle = "Загрузка настроек из файла";
}  // namespace settings_file

class SettingsActions final : private PagesHook, private TaskQueueHook {
 public:
  // Registers tasks 3, 9 and 28 in the core's table (and removes them again
  // when destroyed). `pages` loads and stores the pages' records. The core,
  // the link, the prompts and the pages must outlive this object.
  SettingsActions(MainCore& core, TOrvantis& link, Prompts& prompts, PagesHook& pages);
  ~SettingsActions() override;
  SettingsActions(const SettingsActions&) = delete;
  SettingsActions& operator=(const SettingsActions&) = delete;

  TSettingsSession& Session() { return session_; }

  // aReadFromDev "Прочитать настройки": not queued, runs at once.
  bool ReadFromDev();
  // The three actions that talk to the unit refuse at once, sending nothing,
  // while no unit is attached (MainCore::RequireUnit).
  // aApply "Применить изменения": queues the synchronisation with the online
  // account (when set up) and then the write of the settings.
  bool Apply();
  // Registers task 8 (server/sync_request.h) with this object's status, image
  // and queue: `serial` and `json` are asked when the request is sent, so
  // the pages' edits made until then are in it; `proxyUpdate` may be empty.
  void SetUpSync(server::HttpClient& http, std::function<uint32_t()> serial, std::function<std::string()> json,
                 std::function<void()> proxyUpdate);
  // What the last task 8 did (kNotSent before any).
  SyncResult LastSync() const { return lastSync_; }
  // btnDef: queues the factory reset and releases the queue.
  bool FactoryDefaults();
  // btnToFile / btnFromFile: choose the file, then save or load. A cancelled
  // dialog does nothing. A typed name without extension gets ".vesnar".
  bool SaveToFile();
  bool LoadFromFile();
  // Timer1, shortly after the window is shown: when the operation in progress
  // is still the write that task 9 handed to the unit, write again. Returns
  // whether it wrote.
  bool StartUpTimer();

 private:
  // PagesHook: the pages' data calls go to `pages`; the busy state to the buttons.
  void LoadData(TMemItems& items) override { pages_.LoadData(items); }
  void StoreData(TMemItems& items) override { pages_.StoreData(items); }
  std::optional<TPIN> OptionsPIN() const override { return pages_.OptionsPIN(); }
  void SetOptionsPIN(const TPIN& pin) override { pages_.SetOptionsPIN(pin); }
  bool TakeForceSave() override { return pages_.TakeForceSave(); }
  uint32_t ChangedRegions() const override { return pages_.ChangedRegions(); }
  void SetBusy(Button button, bool busy) override;
  // TaskQueueHook: numbers without a handler yet are not queued.
  void Next() override { core_.Tasks().Next(); }
  void AddToTail(uint8_t task) override { core_.QueueTail(task); }

  void Task3();
  void Task9();

  MainCore& core_;
  Prompts& prompts_;
  PagesHook& pages_;
  TSettingsSession session_;
  SyncHost sync_;
  SyncResult lastSync_ = SyncResult::kNotSent;
};

}  // namespace orv
