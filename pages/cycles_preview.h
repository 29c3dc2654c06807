// TCyclesPreview: the modal start-cyclogram window of the remote-start page.
// It holds no data of its own: on show it builds the section matrix from the
// page's record (pages/model/rstart_cyclogram.h) and paints it; on hide it
// frees it. Hovering over a row shows the time offset inside the section.
#pragma once

#include <QDialog>
#include <QWidget>
#include <memory>
#include <optional>

#include "pages/model/rstart_cyclogram.h"
#include "pages/model/rstart_model.h"

class QLabel;

namespace orv {

// The ten rows of the diagram: column 0 the output wire and its assignment,
// column 1 the six sections.
class TCycloGrid : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kRowHeight = 46;
  static constexpr int kNameWidth = 214;

  explicit TCycloGrid(QWidget* parent);
  void SetData(const TRStartModel* model, const TSections* sections, const TSeqAllData* seqData);
  // The hint the mouse at x shows (empty: none).
  QString HintAt(int x) const;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  const TRStartModel* model_ = nullptr;
  const TSections* sections_ = nullptr;
  const TSeqAllData* data_ = nullptr;
  QString hint_;
};

class TCyclesPreview : public QDialog {
  Q_OBJECT

 public:
  TCyclesPreview(QWidget* parent, const TRStartModel& model);
  ~TCyclesPreview() override;

  // The engine run time of a remote start (the options page), in minutes.
  void SetRunMinutes(int minutes) { runMinutes_ = minutes; }
  const TSections* Sections() const { return sections_.get(); }
  TCycloGrid* Grid() const { return grid_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;

 private:
  const TRStartModel& model_;
  TCycloGrid* grid_;
  QLabel* values_[6] = {};
  std::unique_ptr<TSections> sections_;
  std::unique_ptr<TSeqAllData> data_;
  int runMinutes_ = 0;
};

// Phase colours shared by the pulse grid and the cyclogram.
QColor PhaseColor(int phase);
// A swatch of a wire: its colour with its stripe.
QPixmap WireSwatch(const TRSWireDef& wire, int w = 18, int h = 12);

}  // namespace orv
