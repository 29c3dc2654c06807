// The generic binder: builds the Qt controls of a page from its model's
// control table, fills them from the model's states, and forwards the user's
// changes to the model (TPageModel::Change). The view holds no rule: after
// every change the model recomputes values, labels, enabling and visibility,
// and the binder shows them.
#pragma once

#include <QObject>
#include <QString>
#include <vector>

#include "pages/model/page_model.h"

class QWidget;
class QLabel;
class QLayout;

namespace orv {

class TControlBinder : public QObject {
  Q_OBJECT

 public:
  // Builds nothing yet; `parent` owns the binder.
  TControlBinder(TPageModel& model, QObject* parent);

  // Builds the rows of sub-page `subPage` (all rows when -1) into `area`, a
  // widget with a layout of its own made here, one line per row. Widgets are
  // named after their rows (objectName = row name); labels of sliders and
  // edits are named "lb" + the row name without its prefix.
  void Build(QWidget* area, int subPage = -1);
  // Sets every built control from the model's states.
  void Refresh();
  // The widget built for a row, or nullptr.
  QWidget* Widget(const QString& rowName) const;

 private:
  struct Bound {
    size_t row;
    QWidget* widget;
    QLabel* label;  // caption (edits, sliders) or nullptr
    QLabel* value;  // slider's value label or nullptr
  };
  TPageModel& model_;
  std::vector<Bound> bound_;
  bool refreshing_ = false;
};

}  // namespace orv
