// TRStartFrame: the remote-start page (region 14). A model-backed page whose
// "Настройки" and "Доп. настройки" sub-pages come from the control table; this
// view adds the grids of inputs, outputs and pulses with their menus, the
// pulse editor and the diagnostics view, and opens the start cyclogram. Every
// rule lives in TRStartModel; the view only shows it and forwards clicks.
// The diagnostics poller runs only while this page is shown, "Диагностика" is
// open and the unit is online.
#pragma once

#include <QPointer>

#include "diag/diag_record.h"
#include "pages/model/page_models.h"
#include "pages/model/rstart_page.h"
#include "pages/model_frame.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTimer;

namespace orv {

class TOrvantis;
class TCyclesPreview;

class TRStartFrame : public TModelFrame {
  Q_OBJECT

 public:
  // `pages` owns the page's model (row "RStartFrame") and the options page,
  // whose run time the cyclogram shows. `link` may be null (no unit ever);
  // `log` receives the page's log line.
  TRStartFrame(QWidget* parent, TPageModels& pages, TOrvantis* link, Status* log = nullptr);
  ~TRStartFrame() override;

  TRStartPageModel& PageModel() const { return model_; }
  void OnShow() override;
  void OnHide() override;
  // The page's part of the settings report: each sub-page's caption and its
  // "caption: value" lines, from `y` down; `y` ends below the last line.

  // Menus run through this (tests replace it): returns the chosen action.
  std::function<QAction*(QMenu& menu, const QPoint& globalPos)> RunMenu;
  // "Просмотр": the cyclogram window, modal; tests may set `modal` false.
  void OpenCyclogram(bool modal = true);
  TCyclesPreview* Preview() const { return preview_; }
  // Diagnostic records shown so far (polls handed to this page).
  int DiagUpdates() const { return diagUpdates_; }
  const TDiagBytes& DiagData() const { return DData; }
  bool Polling() const { return polling_; }

 protected:
  void Refresh() override;
  void DoOnPlug() override;
  void DoOnUnPlug() override;
  bool eventFilter(QObject* obj, QEvent* e) override;

 private:
  void BuildLeftPanel();
  void BuildInputs();
  void BuildOutputs();
  void BuildPulses();
  void BuildDiagnostics();
  void FillInputs();
  void FillOutputs();
  void FillPulses();
  void FillDiagnostics();
  void InputCellClicked(int row, int column);
  void OutputCellClicked(int row, int column);
  void PulseCellChosen(int row, int column, bool menuAlways, const QPoint& globalPos);
  void ShowPulseInEditor(const TRStartModel::PulseView& v);
  void EditorChanged();
  void UpdatePolling();
  void DiagArrived();
  void ClearDiag();
  QAction* Exec(QMenu& menu, const QPoint& pos);

  TRStartPageModel& model_;
  TPageModels& pages_;
  TOrvantis* link_;
  bool shown_ = false;
  bool polling_ = false;
  unsigned pollInterval_ = 0;
  bool filling_ = false;
  TDiagBytes DData{};
  int diagUpdates_ = 0;

  QTableWidget* dgInputs_ = nullptr;
  QTableWidget* dgOutputs_ = nullptr;
  QTableWidget* dgSeqs_ = nullptr;
  QWidget* editor_ = nullptr;
  QRadioButton *rbOn_ = nullptr, *rbOff_ = nullptr, *rbConst_ = nullptr, *rbImpulse_ = nullptr;
  QLineEdit* eTime_ = nullptr;
  QLabel* lbTime_ = nullptr;
  QWidget* periods_ = nullptr;
  QRadioButton* rbPeriod_[3] = {};
  QLabel* ledRefresh_ = nullptr;
  QTimer* refreshTimer_ = nullptr;
  std::vector<std::vector<QLabel*>> lamps_;
  QLabel *lbStage_ = nullptr, *lbState_ = nullptr, *lbSysState_ = nullptr;
  QLabel *lbCabin_ = nullptr, *lbEngine_ = nullptr, *lbTacho_ = nullptr;
  QWidget* radioPanel_ = nullptr;
  QLabel *lbRadioNote_ = nullptr, *lbQuality_ = nullptr, *lbPair_ = nullptr;
  QProgressBar* pbQuality_ = nullptr;
  TCyclesPreview* preview_ = nullptr;  // a child of the page
};

}  // namespace orv
