// TImpulsesFrame: the impulses page (region 4). A view over TImpulsesPageModel:
// the grid of the 48 patterns (caption, cyclic column, pulses 1..15), the
// add/delete menu of the cell after the last pulse, and the pulse editor.
#pragma once

#include <cstdint>

#include "pages/cl_frame.h"
#include "pages/model/impulses_page.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QTableWidget;

namespace orv {

class TImpulsesFrame : public TCLFrame {
  Q_OBJECT

 public:
  TImpulsesFrame(QWidget* parent, TImpulsesPageModel& model, QColor color = {});
  ~TImpulsesFrame() override;

  void AfterCreate() override;
  void LoadData(TMemItems& items) override;
  void StoreData(TMemItems& items) override;
  void SetExpertMode(bool value) override;
  void Print(QPainter& printer, int& y, const QString& caption) override;
  std::string ToJSON() override { return model_.ToJSON(); }
  using TCLFrame::LoadData;
  using TCLFrame::StoreData;

  TImpulsesPageModel& Model() const { return model_; }
  // A click released on a grid cell (row = pattern, column as the grid's).
  void CellClicked(int row, int column);
  // The menu of a pulse cell: "Добавить", "Удалить", "Закрыть" (modal).
  void OpenPulseMenu(int row, int column);
  int CurSeq() const { return CurSeq_; }
  int CurPulse() const { return CurPulse_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RedrawGrid();
  void RedrawCell(int k, int column);
  void ShowPulse();
  void EditorChanged();

  TImpulsesPageModel& model_;
  QListWidget* list_ = nullptr;
  QTableWidget* dgCycles = nullptr;
  QWidget* editor_ = nullptr;
  QRadioButton* rbOn = nullptr;
  QRadioButton* rbOff = nullptr;
  QRadioButton* rbTimed = nullptr;
  QRadioButton* rbPermanent = nullptr;
  QLabel* lbDuration = nullptr;
  QLineEdit* eDuration = nullptr;
  int CurSeq_ = -1;
  int CurPulse_ = -1;
  uint16_t shownWord_ = 0;
  bool showing_ = false;
};

}  // namespace orv
