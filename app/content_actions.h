// The window's CAN firmware, voice prompt and self-update actions: tasks 2,
// 4, 29 (CAN firmware list, download and write, the CAN settings notice), 24
// and 25 (the release check and the download of a new configurator), the
// update question dialog TUpdateMsg, and a small panel on the vehicle page
// with the buttons that start them (until the vehicle page has its own
// controls, the CAN lists are offered in a chooser dialog reached from it).
// The work itself is the Qt-free core's (server/can_firmware.h,
// server/release_update.h, update/voice_upload.h).
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "server/release_list.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace orv {

class TMainForm;
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

// The four lists of the CAN firmware choice, the description, the manual
// buttons and the write action.
class TCanChooser final : public QDialog {
 public:
  TCanChooser(can::CanChoice& choice, QWidget* parent);
  void Refill();
  std::function<void()> onWrite;       // aGetCanFW
  std::function<void(bool)> onManual;  // "Загрузить тех-карту", with "и открыть"

 private:
  void FillFirmware();
  can::CanChoice& choice_;
  QComboBox* cbMake = nullptr;
  QComboBox* cbModel = nullptr;
  QComboBox* cbPeriod = nullptr;
  QLabel* lbFirmware = nullptr;
  QListWidget* lbCanFW = nullptr;
  QLabel* lbDescription = nullptr;
  QPushButton* btnManual = nullptr;
  QCheckBox* cbOpen = nullptr;
  bool filling_ = false;
};

class ContentActions {
 public:
  // Registers tasks 2, 4, 24, 25 and 29 and places the panel on the vehicle page.
  explicit ContentActions(TMainForm& form);
  ~ContentActions();
  CanFirmware& Can() { return *can_; }
  SelfUpdate& Self() { return *self_; }
  // The vehicle page's controls.
  void OpenCanChooser();
  void CheckSelfUpdate();  // "Проверить сейчас"
  void UpdateSounds();     // "Проверка и обновление звуковых файлов"
  // The connection handling of the window: a unit back after a CAN firmware.
  bool FinishAfterRestart();
  TCanChooser* Chooser() const { return chooser_; }

 private:
  TMainForm& form_;
  bool reboot_ = false, rebootOK_ = false;
  std::unique_ptr<CanFirmware> can_;
  std::unique_ptr<SelfUpdate> self_;
  TCanChooser* chooser_ = nullptr;
  QCheckBox* cbCheckForSelfUpdate = nullptr;
};

}  // namespace orv
