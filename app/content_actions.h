// The window's CAN firmware, voice prompt and self-update actions: tasks 2,
// 4, 29 (CAN firmware list, download and write, the CAN settings notice), 24
// and 25 (the release check and the download of a new configurator), the
// update question dialog TUpdateMsg, and the wiring of the vehicle page
// (TAutoFrame) to them and to the firmware tasks: its lists drive the CAN
// firmware choice, its buttons queue the tasks or run the workflows, and it
// shows the unit's state, the firmware summaries and the service fields.
// The work itself is the Qt-free core's (server/can_firmware.h,
// server/release_update.h, update/voice_upload.h, update/fw_tasks.h).
#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "server/release_list.h"

class QCheckBox;

namespace orv {

class TMainForm;
class TAutoFrame;
class CanFirmware;
class SelfUpdate;
namespace can {
class CanChoice;
}

// The update question: the new version, its date and the history, and the
// check box of the start-up check.
class TUpdateMsg final : public QDialog {
 public:
  TUpdateMsg(const selfupdate::TSelfVersion& v, bool checkAtStart, QWidget* parent);
  bool CheckForUpdate() const;

 private:
  QCheckBox* cbCheckForUpdate = nullptr;
};

class ContentActions {
 public:
  // Registers tasks 2, 4, 24, 25 and 29 and wires the vehicle page.
  explicit ContentActions(TMainForm& form);
  ~ContentActions();
  CanFirmware& Can() { return *can_; }
  SelfUpdate& Self() { return *self_; }
  // The vehicle page (null in a window without one).
  TAutoFrame* Page() const { return page_.data(); }
  // The vehicle page's controls.
  void GetCanFW();          // btnGetCanFW: task 4 at the tail
  void LoadManual(bool open);  // "Загрузить тех-карту", with "и открыть"
  void CheckFWUpdates();    // "Проверить": the modules' versions, then task 22
  void CheckSelfUpdate();   // "Проверить сейчас"
  void UpdateSounds();      // "Проверка и обновление звуковых файлов"
  void SetURL(const std::string& url);  // URLEdit changed
  void CanListAgain();      // URLEdit left: the CAN list outside the queue
  // The connection handling of the window: a unit back after a CAN firmware.
  bool FinishAfterRestart();

 private:
  void WirePage();
  void RefreshUnitState();

  TMainForm& form_;
  bool reboot_ = false, rebootOK_ = false;
  std::unique_ptr<CanFirmware> can_;
  std::unique_ptr<SelfUpdate> self_;
  QPointer<TAutoFrame> page_;
  bool unitRefresh_ = false;  // the connection hook is ours (no firmware tasks)
  // The receiver of the page's and the window's signals: the connections end
  // with this object, before the page goes.
  std::unique_ptr<QObject> ctx_ = std::make_unique<QObject>();
};

}  // namespace orv
