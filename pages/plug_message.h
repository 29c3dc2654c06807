// The private plug and unplug messages as Qt events, posted by the window's
// idle handler to the pages and to its hidden message receiver.
#pragma once

#include <QCoreApplication>
#include <QEvent>

#include "core/plug_events.h"

namespace orv {

class PlugMessageEvent final : public QEvent {
 public:
  static QEvent::Type EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::User + 0x8001));
    return type;
  }
  explicit PlugMessageEvent(PlugMsg msg) : QEvent(EventType()), msg_(msg) {}
  PlugMsg Msg() const { return msg_; }

 private:
  PlugMsg msg_;
};

// Queues the message for `receiver`; posting to an existing object cannot fail.
inline bool PostPlugMessage(QObject* receiver, PlugMsg msg) {
  if (!receiver) return false;
  QCoreApplication::postEvent(receiver, new PlugMessageEvent(msg));
  return true;
}

}  // namespace orv
