// TAutoFrame: the vehicle page, first of the window. Two sections in a list
// on the left: "CAN-прошивка" (the make, model, period and firmware lists
// of the CAN firmware choice, the installed CAN firmware, the write button,
// the manual download and the hidden server address) and "Обновления" (the
// firmware summaries, the firmware, sound and configurator checks, and the
// hidden forced update with its four exceptions).
//
// The page holds no unit settings and no rule of its own: the lists show a
// can::CanChoice, everything else follows AutoModel. What a control starts
// is the window's business: the page emits a signal and the window queues
// the task or runs the workflow.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "pages/cl_frame.h"
#include "pages/model/auto_model.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;

namespace orv {

namespace can {
class CanChoice;
}

class TAutoFrame : public TCLFrame {
  Q_OBJECT

 public:
  explicit TAutoFrame(QWidget* parent, QColor color = {}, uint8_t addr = 0);

  AutoModel& Model() { return model_; }
  const AutoModel& Model() const { return model_; }

  // The choice the lists drive (it must outlive the page or be replaced);
  // null empties the lists.
  void SetChoice(can::CanChoice* choice);
  // The CAN list was read again: the makes with "-" selected.
  void RefillLists();
  // Label8 and cbFW's enabled state from the number of firmware offered.
  void UpdateCANFWInfo();
  // Selects "Обновления".
  void ShowUpdatePage();
  // The unit's state as the window knows it (see AutoModel::SetUnitState).
  void SetUnitState(bool online, bool allowed, bool running);
  void SetServerNamed(bool named);
  void SetCanFwInfo(const std::string& text);
  void SetFWInfo(const FWInfo& info);
  // Service words: the server address field and the forced update.
  void ShowURLEdit();
  void ShowForceUpdate();
  // btnGetCore shows this action's caption and follows its enabled state.
  void SetCoreUpdateAction(QAction* action);
  // Shown in URLEdit without counting as the user's change.
  void SetServerAddress(const QString& url);
  void SetCheckForSelfUpdate(bool on);
  void SetOpenPDF(bool on);
  bool OpenPDF() const;

  std::string PDFName() const { return model_.PDFName(); }
  TVehicleReport ReportData() const { return model_.ReportData(); }

  void SetExpertMode(bool value) override;
  void OnShow() override;

 signals:
  void getCanFWClicked();                  // btnGetCanFW: task 4
  void loadManualClicked(bool open);       // btnLoadManual, with cbOpenPDF
  void checkFWUpdatesClicked();            // btnCheckFWUpdates
  void soundsClicked();                    // btnCheckSoundFiles
  void checkSelfUpdateClicked();           // Button2
  void checkForSelfUpdateToggled(bool on); // cbCheckForSelfUpdate
  void openPDFToggled(bool on);            // cbOpenPDF
  void urlEdited(const QString& url);      // every change of URLEdit
  void urlLeft(const QString& url);        // URLEdit lost the focus while shown
  void forceUpdateChanged();               // cbForceUpdate or a box: Model().Force()

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QWidget* BuildCanSection();
  QWidget* BuildUpdatesSection();
  void ChoiceChanged();
  void FillFirmware();
  void Refresh();

  AutoModel model_;
  can::CanChoice* choice_ = nullptr;
  bool filling_ = false;
  QAction* coreUpdate_ = nullptr;

  QListWidget* list_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  QComboBox* cbCarBrend = nullptr;
  QComboBox* cbCarModel = nullptr;
  QComboBox* cbYear = nullptr;
  QComboBox* cbFW = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* lbCanFwInfoCaption = nullptr;
  QLabel* lbCanFwInfo = nullptr;
  QPushButton* btnGetCanFW = nullptr;
  QPushButton* btnLoadManual = nullptr;
  QCheckBox* cbOpenPDF = nullptr;
  QLineEdit* URLEdit = nullptr;
  QLabel* lbAv = nullptr;
  QLabel* lbSet = nullptr;
  QPushButton* btnCheckFWUpdates = nullptr;
  QPushButton* btnGetCore = nullptr;
  QPushButton* btnCheckSoundFiles = nullptr;
  QCheckBox* cbCheckForSelfUpdate = nullptr;
  QPushButton* Button2 = nullptr;
  QCheckBox* cbForceUpdate = nullptr;
  std::vector<QCheckBox*> skipBoxes_;
};

}  // namespace orv
