// At most two copies of the configurator run at the same time: each copy
// holds one of two lock files. A third copy finds both taken, asks a running
// copy to come to the front and ends.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLocalServer;

namespace orv {

class InstanceSlots : public QObject {
  Q_OBJECT

 public:
  static constexpr int kSlots = 2;

  // `dir`: the per-user folder of the lock files and sockets.
  explicit InstanceSlots(QString dir, QObject* parent = nullptr);
  ~InstanceSlots() override;

  // Takes a free slot; false when every slot is held by a running copy.
  bool Acquire();
  int Slot() const { return slot_; }

  // Listens for later copies; `raise` runs on this thread when one knocks.
  void Listen(std::function<void()> raise);
  // Hands `args` to a running copy (which ignores them) so that it comes to
  // the front; false when no copy answered.
  bool NotifyRunning(const QStringList& args) const;

  QString LockPath(int slot) const;
  QString SocketPath(int slot) const;

 private:
  QString dir_;
  int slot_ = -1;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
  std::function<void()> raise_;
};

}  // namespace orv
