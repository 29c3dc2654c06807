#include "app/main_core.h"

#include "device/identity.h"
#include "device/orvantis.h"

namespace orv {

namespace {
constexpr const char* kConnected = "Orvantis подключен.";
constexpr const char* kDisconnected = "Orvantis отключен.";
constexpr const char* kError = "Ошибка";
}  // namespace

MainCore::MainCore(MainView& view)
    : view_(view),
      tasks_([this] { RunIdleNow(); }),
      idle_(tasks_, table_, status_, [this](PlugReceiver to, PlugMsg msg) { return view_.PostPlugMessage(to, msg); }) {
  status_.SetTasks(&tasks_);
  tasks_.SetOnChange([this] { view_.ScheduleIdle(); });
  idle_.SetOnWork([this] { view_.ScheduleIdle(); });
  idle_.SetOnBusyEnd([this] { FlushDeferred(); });
  idle_.SetOnTaskError([this](const std::string& text) { view_.ReportError(text); });
  idle_.SetOnTaskStarted([this](uint8_t task) { view_.TaskStarted(task); });

  table_.Set(1, {"Подключение", "", [this] { Task1(); }});
}

void MainCore::RunIdleNow() {
  if (!Idle()) view_.ScheduleIdle();
}

void MainCore::Task1() {
  if (link_ && link_->OnLine()) {
    status_.FinishAction(kResOk, "Orvantis подключен");
  } else {
    status_.FinishAction(kResNeutral, "Orvantis не подключен");
    status_.Display("Orvantis не подключен.", true);
  }
  tasks_.Next();
}

void MainCore::StartQueue(bool checkForSelfUpdate) {
  tasks_.SetReady(true);
  if (checkForSelfUpdate) QueueHead(24);
  QueueTail(2);
  QueueTail(1);
}

bool MainCore::QueueHead(uint8_t task) {
  if (!table_.Has(task)) return false;
  tasks_.AddTask(task);
  return true;
}

bool MainCore::QueueTail(uint8_t task) {
  if (!table_.Has(task)) return false;
  tasks_.AddToTail(task);
  return true;
}

void MainCore::RegisterLink(TOrvantis* link) {
  link_ = link;
  if (link_ && link_->OnLine()) PlugEvent(link_);
}

void MainCore::SetSN(uint32_t sn) {
  FSN = sn;
  view_.SetSerialLabel(FormatSerial(sn));
}

void MainCore::PlugEvent(TOrvantis* sender) {
  if (destroying_ || !sender || sender != link_) return;
  // No task may start inside the identity query (from the event processing
  // of its wait).
  IdleHandler::BusyScope busy(idle_);
  // GetDevInfo
  if (link_->OnLine() && link_->GetInfo()) {
    SetSN(DisplaySerial(link_->BootState));
    if (FwStateUpdateApplied(link_->BootState.CoreFwState) || FwStateUpdateApplied(link_->BootState.CanFwState))
      FRebootOK = true;
  } else {
    view_.SetBootInfoLabel(kError);
  }
  view_.PostPlugMessage(PlugReceiver::kHiddenWindow, PlugMsg::kPlugged);
  idle_.SetPlugEvent(plugbits::kOnPlug);
}

void MainCore::UnPlugEvent(TOrvantis* sender) {
  if (destroying_ || !sender || sender != link_) return;
  view_.PostPlugMessage(PlugReceiver::kHiddenWindow, PlugMsg::kUnplugged);
  idle_.SetPlugEvent(plugbits::kOnUnplug);
}

void MainCore::HiddenMessage(PlugMsg msg) {
  if (destroying_) return;
  idle_.ClearPlugBits(msg == PlugMsg::kPlugged ? plugbits::kHiddenPlugged : plugbits::kHiddenUnplugged);
  if (idle_.Busy()) {
    deferred_.push_back(msg);
    return;
  }
  HandleHidden(msg);
}

void MainCore::FlushDeferred() {
  // The unit went away and came back while a workflow ran (the restarts of a
  // firmware update): with the unit online now, those removals are history,
  // and one arrival stands for all of them.
  if (Online() && !deferred_.empty() && deferred_.back() == PlugMsg::kPlugged) {
    deferred_.clear();
    deferred_.push_back(PlugMsg::kPlugged);
  }
  while (!deferred_.empty() && !idle_.Busy() && !destroying_) {
    const PlugMsg msg = deferred_.front();
    deferred_.pop_front();
    HandleHidden(msg);
  }
}

void MainCore::HandleHidden(PlugMsg msg) {
  IdleHandler::BusyScope busy(idle_);  // the refresh talks to the unit: no task starts meanwhile
  if (msg == PlugMsg::kPlugged) {
    if (link_ && link_->OnLine()) {
      if (!FOrvantisConnected) status_.Replace("", kConnected, true);
      FOrvantisConnected = true;
    }
  } else {
    if (FOrvantisConnected) status_.Replace("", kDisconnected, true);
    FOrvantisConnected = false;
    const int req = status_.Request();
    // A firmware update waits for the unit to restart: its removal is expected.
    if (req != 5 && req != 11 && req != 14) {
      status_.StartAction("Подключение", kDisconnected);
      status_.Replace("", kDisconnected, true);
    }
  }
  OnDeviceChange();
}

void MainCore::OnDeviceChange() {
  const bool online = link_ && link_->OnLine();
  view_.ShowUnitLabels(online);
  DisableButtons(!online);
  if (!online) {
    if (onUnitRefresh) onUnitRefresh(false);
    if (!FReboot) FCoreUpdatesChecked = false;
    return;
  }
  if (link_->GetInfo()) {
    if (status_.Request() == 26) {
      // A CAN firmware was written and the unit is back.
      status_.FinishAction(kResOk, "Обновление CAN-прошивки завершено");
      QueueTail(3);
      QueueTail(29);
      tasks_.Next();
      status_.SetStatus(0);
    }
    link_->GetState();
    SetSN(DisplaySerial(link_->BootState));
    view_.SetBootInfoLabel(FormatBootInfo(link_->BootState.VersionInfo));
    if (auto text = CoreFwStateText(link_->BootState.CoreFwState)) status_.Log(*text);
    if (auto text = CanFwStateText(link_->BootState.CanFwState)) status_.Log(*text);
  } else {
    view_.SetBootInfoLabel(kError);
  }
  if (onUnitRefresh) {
    onUnitRefresh(true);
  } else if (link_->GetBoot2Rec() && link_->Boot2Rec.HasAuxiliary()) {
    if (auto text = Mpu2ErrorText(link_->Boot2Rec.FwError)) status_.Log(*text);
  }

  if (!FReboot) {
    if (!FCanListRcvd) QueueHead(2);
    if (!FCoreUpdatesChecked) QueueTail(22);
    QueueTail(3);
  }
}

bool MainCore::Online() const { return link_ && link_->OnLine(); }

void MainCore::DisableButtons(bool disable) {
  ButtonStates s;
  s.read = !disable;
  s.factory = !disable && Online();
  view_.ApplyButtonStates(s);
  if (onDisableButtons) onDisableButtons(disable);
}

}  // namespace orv
