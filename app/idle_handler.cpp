#include "app/idle_handler.h"

#include <exception>

namespace orv {

namespace {
struct Delivery {
  uint8_t bit;
  PlugReceiver to;
  PlugMsg msg;
};
constexpr Delivery kDeliveries[] = {
    {plugbits::kConnectionsPlugged, PlugReceiver::kConnectionsPage, PlugMsg::kPlugged},
    {plugbits::kRStartPlugged, PlugReceiver::kRStartPage, PlugMsg::kPlugged},
    {plugbits::kConnectionsUnplugged, PlugReceiver::kConnectionsPage, PlugMsg::kUnplugged},
    {plugbits::kRStartUnplugged, PlugReceiver::kRStartPage, PlugMsg::kUnplugged},
    {plugbits::kHiddenPlugged, PlugReceiver::kHiddenWindow, PlugMsg::kPlugged},
    {plugbits::kHiddenUnplugged, PlugReceiver::kHiddenWindow, PlugMsg::kUnplugged},
};
}  // namespace

IdleHandler::IdleHandler(TTasks& tasks, const TaskTable& table, Status& status, PostFn post)
    : tasks_(tasks), table_(table), status_(status), post_(std::move(post)) {}

void IdleHandler::SetPlugEvent(uint8_t bits) {
  FPlugEvent = bits;
  if (bits) Work();
}

bool IdleHandler::Idle() {
  if (busy_ > 0) return true;  // runs again when the running workflow ends

  if (FPlugEvent) {
    for (const Delivery& d : kDeliveries)
      if ((FPlugEvent & d.bit) && post_ && post_(d.to, d.msg)) ClearPlugBits(d.bit);
    return false;
  }

  if (tasks_.Empty() || !tasks_.Ready()) return true;
  // A queue that was never filled reports neither Empty nor a task; without
  // this check it would ask to run again for ever.
  const uint8_t task = tasks_.NextTask();
  if (task == 0) return true;
  if (onStarted_) onStarted_(task);
  {
    BusyScope busy(*this);
    try {
      table_.Run(task, status_);
    } catch (const std::exception& e) {
      // The task cannot release the queue any more; do it here so that later
      // tasks still run.
      tasks_.Next();
      if (onError_) onError_(e.what());
    }
  }
  return tasks_.Empty();
}

void IdleHandler::BeginBusy() {
  if (++busy_ == 1 && onBusyChange_) onBusyChange_(true);
}

void IdleHandler::EndBusy() {
  if (--busy_ > 0) return;
  if (onBusyChange_) onBusyChange_(false);
  if (onBusyEnd_) onBusyEnd_();
  Work();
}

}  // namespace orv
