// TConnectionsFrame: the connections page (regions 1 to 3). A view over
// TConnectionsPageModel: the list of five sub-pages, the inputs and outputs
// grids with their source menus, the threshold track bars, and the live lamps
// and values of the diagnostic record.
//
// Polling (CheckDiagMode): the diagnostics poller repeats while this page is
// the current page, a live sub-page is chosen and the unit is connected; it
// stops when any of these ends and starts again when they hold once more
// (show, plug). The radio buttons change only the interval; a double click on
// the lamps asks for one record at once.
#pragma once

#include <functional>
#include <string>

#include "pages/cl_frame.h"
#include "pages/model/connections_page.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSlider;
class QStackedWidget;
class QTableWidget;
class QTimer;

namespace orv {

class Status;
class TLedLamp;
class TOrvantis;

class TConnectionsFrame : public TCLFrame {
  Q_OBJECT

 public:
  // The model and the link outlive the view; `status` gets the log lines of
  // refused edits and `prompts` their message box outside expert mode.
  TConnectionsFrame(QWidget* parent, TConnectionsPageModel& model, TOrvantis* link, Status* status, Prompts* prompts,
                    QColor color = {});
  ~TConnectionsFrame() override;

  void AfterCreate() override;
  void LoadData(TMemItems& items) override;
  void StoreData(TMemItems& items) override;
  void SetExpertMode(bool value) override;
  void Print(QPainter& printer, int& y, const QString& caption) override;
  void OnShow() override;
  void OnHide() override;
  std::string ToJSON() override;
  using TCLFrame::LoadData;
  using TCLFrame::StoreData;

  TConnectionsPageModel& Model() const { return model_; }
  // Whether this view runs the poller now.
  bool Polling() const { return polling_; }
  // The interval of the selected radio button.
  uint32_t RefreshInterval() const;

  // The page's own steps.
  void UpdateIOInfo();
  void CheckDiagMode();
  void RealignColumns();
  void SelectSubPage(int index);
  // Opens the source menu of an input or output row, as a click in its
  // second column does (the menu is modal).
  void OpenInputMenu(int row);
  void OpenOutputMenu(int row);

 protected:
  void DoOnPlug() override;
  void DoOnUnPlug() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildInputs(QWidget* area);
  void BuildOutputs(QWidget* area);
  void BuildThresholds(QWidget* area);
  void BuildDiagnostics(QWidget* area);
  void BuildTags(QWidget* area);
  void RedrawGrids();
  void RefreshList();
  void ShowThresholds();
  void DiagEnable(bool wanted);
  void StopPolling();
  // The display routine: one record, on the GUI thread.
  void ShowRecord();
  void UpdateLEDs();
  void Report(const TConnEdit& e, bool input);
  void InputCellClicked(int row, int column);
  void ThresholdMoved(int which, int pos);
  void ThresholdEdited(int which);

  TConnectionsPageModel& model_;
  TOrvantis* link_;
  Status* status_;
  Prompts* prompts_;
  bool shown_ = false;
  bool polling_ = false;
  bool refreshing_ = false;

  QListWidget* list_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  QTableWidget* dgInputs = nullptr;
  QTableWidget* dgOutputs = nullptr;
  QGroupBox* gbThreshold[2] = {};
  QSlider* tbThreshold[4] = {};
  QLineEdit* eThreshold[4] = {};
  QWidget* refreshPanel_ = nullptr;
  TLedLamp* ledRefresh = nullptr;
  QRadioButton* rbInterval[3] = {};
  QButtonGroup* intervalGroup_ = nullptr;
  QTimer* refreshTimer_ = nullptr;
  QWidget* lampPanel_ = nullptr;
  std::vector<QObject*> lampWidgets_;  // a double click here asks for one record
  std::vector<TLedLamp*> inputLamps_, canLamps_, modemLamps_, gpsLamps_, tagLamps_[2], relayLamps_;
  std::vector<std::pair<QLabel*, QLabel*>> canValues_, measurements_;  // caption, value
  QWidget* gsmBlock_ = nullptr;
  QLabel* lbGsm = nullptr;
  QLabel* lbSatellites = nullptr;
  QLabel* lbHdop = nullptr;
  QLabel* lbLowSupply = nullptr;
};

}  // namespace orv
