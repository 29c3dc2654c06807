#include "app/instance_slots.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace orv {

InstanceSlots::InstanceSlots(QString dir, QObject* parent) : QObject(parent), dir_(std::move(dir)) {}

InstanceSlots::~InstanceSlots() {
  if (server_) server_->close();
}

QString InstanceSlots::LockPath(int slot) const {
  return dir_ + QStringLiteral("/orvantis-configurator-%1.lock").arg(slot);
}

QString InstanceSlots::SocketPath(int slot) const {
  return dir_ + QStringLiteral("/orvantis-configurator-%1.sock").arg(slot);
}

bool InstanceSlots::Acquire() {
  for (int slot = 0; slot < kSlots; ++slot) {
    auto lock = std::make_unique<QLockFile>(LockPath(slot));
    // A lock is stale only when its process is gone, however old it is.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
      lock_ = std::move(lock);
      slot_ = slot;
      return true;
    }
  }
  return false;
}

void InstanceSlots::Listen(std::function<void()> raise) {
  if (slot_ < 0) return;
  raise_ = std::move(raise);
  server_ = new QLocalServer(this);
  // The slot is ours, so a socket left behind by a crashed copy can go.
  QLocalServer::removeServer(SocketPath(slot_));
  if (!server_->listen(SocketPath(slot_))) return;
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
      connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
      connect(s, &QLocalSocket::readyRead, s, [s] { s->readAll(); });  // the command line is ignored
      if (raise_) raise_();
    }
  });
}

bool InstanceSlots::NotifyRunning(const QStringList& args) const {
  for (int slot = 0; slot < kSlots; ++slot) {
    QLocalSocket s;
    s.connectToServer(SocketPath(slot));
    if (!s.waitForConnected(500)) continue;
    s.write(args.join(QChar(0)).toUtf8());
    s.waitForBytesWritten(500);
    s.disconnectFromServer();
    return true;
  }
  return false;
}

}  // namespace orv
