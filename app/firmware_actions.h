// The firmware tasks as the window runs them: tasks 22 (check) and 10
// (update) in the core's table, the unit side of the catalogue at every
// connection, the action "Обновление ПО ядра системы" and its enabled state.
// Qt-free: the window wires its action and its dialogs; tests drive it
// directly.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/main_core.h"
#include "core/seams.h"
#include "update/fw_tasks.h"

namespace orv {

class TOrvantis;

class FirmwareActions final {
 public:
  // Registers tasks 22 and 10 (removed again when destroyed) and the core's
  // device-change hooks. `fetch` gives the catalogue packages. The core, the
  // link and the prompts must outlive this object.
  FirmwareActions(MainCore& core, TOrvantis& link, Prompts& prompts,
                  std::function<std::string(bool withImages)> fetch, UpdateTiming timing = {});
  ~FirmwareActions();
  FirmwareActions(const FirmwareActions&) = delete;
  FirmwareActions& operator=(const FirmwareActions&) = delete;

  FirmwareTasks& Tasks() { return tasks_; }

  // aCoreUpdate: queues task 10 when the unit is online; otherwise says why not.
  void CoreUpdate();
  bool CoreUpdateEnabled() const { return enabled_; }
  // The action follows this state; the summaries are in Tasks().Info().
  std::function<void(bool enabled)> onEnabledChanged;
  std::function<void(const FWInfo& info)> onInfoChanged;
  // The catalogue offers an update: the vehicle page shows its updates.
  std::function<void()> onShowUpdatePage;
  // Button btnBtnDn while a restart is followed.
  std::function<void(bool enabled)> setWriteEnabled;

 private:
  void SetEnabled(bool enabled);

  MainCore& core_;
  TOrvantis& link_;
  bool disabled_ = true;  // by DisableButtons
  bool enabled_ = false;
  FirmwareTasks tasks_;
};

}  // namespace orv
