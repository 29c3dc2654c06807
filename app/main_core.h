// The window's logic without the toolkit: the task queue and its idle
// handler, the status model, the plug and unplug handling of the device link
// with the identity labels and the follow-up tasks, and the enabling of the
// actions. The Qt window shows it; tests drive it directly.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "app/idle_handler.h"
#include "core/plug_events.h"
#include "app/status_model.h"
#include "app/task_table.h"
#include "app/tasks.h"
#include "settings/workflow_hooks.h"

namespace orv {

class TOrvantis;

// Enabled state of the actions that must not start while the unit is busy.
struct ButtonStates {
  bool read = false;     // btnBtnUp "Прочитать настройки"
  bool factory = false;  // btnDef: also needs a unit online
};

class MainView {
 public:
  virtual ~MainView() = default;
  // Queued delivery of a private message; false when it could not be posted.
  virtual bool PostPlugMessage(PlugReceiver to, PlugMsg msg) = 0;
  virtual void SetSerialLabel(const std::string& text) = 0;    // lbSN
  virtual void SetBootInfoLabel(const std::string& text) = 0;  // lbBootInfo
  virtual void ShowUnitLabels(bool visible) = 0;               // lbSN, lbBootInfo
  virtual void ApplyButtonStates(const ButtonStates& states) = 0;
  // Run the idle handler soon from the event loop.
  virtual void ScheduleIdle() = 0;
  // An error raised by a task: shown in a message box.
  virtual void ReportError(const std::string& text) = 0;
  virtual void TaskStarted(uint8_t task) = 0;
  // The read or the apply button is pressed and disabled while its workflow
  // runs, and free again afterwards.
  virtual void SetActionBusy(PagesHook::Button /*button*/, bool /*busy*/) {}
};

class MainCore {
 public:
  explicit MainCore(MainView& view);
  MainCore(const MainCore&) = delete;
  MainCore& operator=(const MainCore&) = delete;

  MainView& View() { return view_; }
  StatusModel& StatusPanel() { return status_; }
  TTasks& Tasks() { return tasks_; }
  TaskTable& Table() { return table_; }
  IdleHandler& Idler() { return idle_; }

  // Makes `link` the window's device link (null: none). A unit attached while
  // the link was being built is announced now, as if it had just arrived: its
  // plug callback ran before the link was registered and was ignored.
  void RegisterLink(TOrvantis* link);
  TOrvantis* Link() const { return link_; }

  // The link's arrival and removal callbacks (owner thread).
  void PlugEvent(TOrvantis* sender);
  void UnPlugEvent(TOrvantis* sender);
  // The hidden message receiver's handler. While a task or another workflow
  // runs, the handling waits until it has returned (the unit cannot be asked
  // for its identity in the middle of another exchange); while the handling
  // runs, no task starts.
  void HiddenMessage(PlugMsg msg);
  // Refreshes everything that depends on the unit and queues the follow-ups.
  void OnDeviceChange();
  void DisableButtons(bool disable);
  bool Online() const;

  // The first queue: 24 at the head when the update check is on, then 2 and 1
  // at the tail; the queue starts ready.
  void StartQueue(bool checkForSelfUpdate);
  // Queue a task when the table has it, so that work whose handler does not
  // exist is never queued (it would pause the queue for good).
  bool QueueHead(uint8_t task);
  bool QueueTail(uint8_t task);

  // One run of the idle handler; returns Done.
  bool Idle() { return destroying_ ? true : idle_.Idle(); }
  // From now on plug notices and idle runs are ignored.
  void SetDestroying() { destroying_ = true; }

  bool OrvantisConnected() const { return FOrvantisConnected; }
  uint32_t SN() const { return FSN; }
  void SetSN(uint32_t sn);

  // Shared with the workflows of the other parts of the program.
  bool FCanListRcvd = false;         // the CAN firmware list arrived since start
  bool FCoreUpdatesChecked = false;  // the firmware check ran for this unit
  bool FReboot = false;              // an image is being written; the unit will restart
  bool FRebootOK = false;            // the unit came back with a finished update

  // The firmware catalogue's part of the device-change handling: with the
  // unit online after its identity, or offline. When set, it also reports the
  // auxiliary processor's error.
  std::function<void(bool online)> onUnitRefresh;
  // DisableButtons, for the actions that live outside this core.
  std::function<void(bool disable)> onDisableButtons;

 private:
  void RunIdleNow();
  void HandleHidden(PlugMsg msg);
  void FlushDeferred();
  void Task1();

  MainView& view_;
  StatusModel status_;
  TTasks tasks_;
  TaskTable table_;
  IdleHandler idle_;
  TOrvantis* link_ = nullptr;
  std::deque<PlugMsg> deferred_;
  bool FOrvantisConnected = false;
  uint32_t FSN = 0;
  bool destroying_ = false;
};

}  // namespace orv
