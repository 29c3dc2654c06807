// The idle handler: the window's only scheduler. Each run first delivers the
// pending plug and unplug notices, and only when none are left takes the next
// task from the queue and runs it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/plug_events.h"
#include "core/seams.h"
#include "app/task_table.h"
#include "app/tasks.h"

namespace orv {

class IdleHandler {
 public:
  // Posts a private message; false when it could not be posted (the bit stays).
  using PostFn = std::function<bool(PlugReceiver, PlugMsg)>;

  IdleHandler(TTasks& tasks, const TaskTable& table, Status& status, PostFn post);

  // One run of the handler. Returns Done: true when there is nothing left to
  // do until something new happens, false when it wants to run again.
  bool Idle();

  uint8_t PlugEvent() const { return FPlugEvent; }
  // Replaces the pending bits (the link's arrival and removal set 0x13 / 0x2C).
  void SetPlugEvent(uint8_t bits);
  void ClearPlugBits(uint8_t bits) { FPlugEvent = static_cast<uint8_t>(FPlugEvent & ~bits); }

  // While a task or another workflow runs, the handler starts nothing: a task
  // added meanwhile waits until the running one has returned, instead of
  // starting inside it.
  bool Busy() const { return busy_ > 0; }
  class BusyScope {
   public:
    explicit BusyScope(IdleHandler& h) : h_(h) { h_.BeginBusy(); }
    ~BusyScope() { h_.EndBusy(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

   private:
    IdleHandler& h_;
  };

  // Called when the handler may have work again (bits set, a workflow ended).
  void SetOnWork(std::function<void()> onWork) { onWork_ = std::move(onWork); }
  // Called when the first busy scope begins (true) and after the last one
  // ended (false), so the window can disable and enable its actions.
  void SetOnBusyChange(std::function<void(bool)> onChange) { onBusyChange_ = std::move(onChange); }
  // Called after the last busy scope ended, before onWork.
  void SetOnBusyEnd(std::function<void()> onBusyEnd) { onBusyEnd_ = std::move(onBusyEnd); }
  // Reports an error raised by a task (the queue is released all the same).
  void SetOnTaskError(std::function<void(const std::string&)> onError) { onError_ = std::move(onError); }
  // Called with each task number as it is taken, before it runs.
  void SetOnTaskStarted(std::function<void(uint8_t)> onStarted) { onStarted_ = std::move(onStarted); }

 private:
  void BeginBusy();
  void EndBusy();
  void Work() {
    if (onWork_) onWork_();
  }

  TTasks& tasks_;
  const TaskTable& table_;
  Status& status_;
  PostFn post_;
  uint8_t FPlugEvent = 0;
  int busy_ = 0;
  std::function<void()> onWork_;
  std::function<void()> onBusyEnd_;
  std::function<void(bool)> onBusyChange_;
  std::function<void(const std::string&)> onError_;
  std::function<void(uint8_t)> onStarted_;
};

}  // namespace orv
