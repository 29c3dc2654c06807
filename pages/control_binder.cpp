#include "pages/control_binder.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <QWidget>

namespace orv {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// "tbPitTime" -> "lbPitTime", "eAPN" -> "lbAPN".
QString LabelName(const std::string& row) {
  std::string rest = row;
  if (rest.rfind("tb", 0) == 0) rest = rest.substr(2);
  else if (rest.rfind("e", 0) == 0) rest = rest.substr(1);
  return Q("lb" + rest);
}

}  // namespace

TControlBinder::TControlBinder(TPageModel& model, QObject* parent) : QObject(parent), model_(model) {}

void TControlBinder::Build(QWidget* area, int subPage) {
  auto* grid = new QGridLayout(area);
  grid->setColumnStretch(1, 1);
  int line = 0;
  const auto& rows = model_.Controls();
  for (size_t i = 0; i < rows.size(); ++i) {
    const TControl& row = rows[i];
    if (subPage >= 0 && row.subPage != subPage) continue;
    Bound b{i, nullptr, nullptr, nullptr};
    if (!row.heading.empty()) {
      auto* heading = new QLabel(Q(row.heading), area);
      heading->setObjectName(Q(row.name) + "Heading");
      grid->addWidget(heading, line++, 0, 1, 3);
    }
    switch (row.kind) {
      case ControlKind::kCheck: {
        auto* box = new QCheckBox(Q(row.caption), area);
        connect(box, &QCheckBox::toggled, this, [this, i](bool on) {
          if (!refreshing_) model_.Change(i, on ? 1 : 0);
        });
        grid->addWidget(box, line++, 0, 1, 3);
        b.widget = box;
        break;
      }
      case ControlKind::kRadio: {
        auto* radio = new QRadioButton(Q(row.caption), area);
        radio->setAutoExclusive(false);  // the model keeps one of a group on
        connect(radio, &QRadioButton::clicked, this, [this, i](bool) {
          if (!refreshing_) model_.Change(i, 1);
        });
        grid->addWidget(radio, line++, 0, 1, 3);
        b.widget = radio;
        break;
      }
      case ControlKind::kSlider: {
        b.label = new QLabel(Q(row.caption), area);
        b.label->setObjectName(LabelName(row.name) + "1");
        auto* slider = new QSlider(Qt::Horizontal, area);
        slider->setRange(row.min, row.max);
        slider->setMinimumWidth(160);
        b.value = new QLabel(area);
        b.value->setObjectName(LabelName(row.name));
        b.value->setMinimumWidth(110);
        connect(slider, &QSlider::valueChanged, this, [this, i](int v) {
          if (!refreshing_) model_.Change(i, v);
        });
        grid->addWidget(b.label, line, 0);
        grid->addWidget(slider, line, 1);
        grid->addWidget(b.value, line++, 2);
        b.widget = slider;
        break;
      }
      case ControlKind::kNote: {
        auto* note = new QLabel(Q(row.caption), area);
        note->setWordWrap(true);
        grid->addWidget(note, line++, 0, 1, 3);
        b.widget = note;
        break;
      }
      case ControlKind::kEdit: {
        b.label = new QLabel(Q(row.caption), area);
        b.label->setObjectName(LabelName(row.name));
        auto* edit = new QLineEdit(area);
        edit->setMaxLength(row.max);
        connect(edit, &QLineEdit::textEdited, this, [this, i](const QString& t) {
          if (!refreshing_) model_.Change(i, 0, t.toStdString());
        });
        grid->addWidget(b.label, line, 0);
        grid->addWidget(edit, line++, 1, 1, 2);
        b.widget = edit;
        break;
      }
    }
    b.widget->setObjectName(Q(row.name));
    bound_.push_back(b);
  }
  grid->setRowStretch(line, 1);
  Refresh();
}

void TControlBinder::Refresh() {
  refreshing_ = true;
  const auto& rows = model_.Controls();
  for (const Bound& b : bound_) {
    const TControl& row = rows[b.row];
    const TControlState st = model_.State(b.row);
    const QString hint = Q(st.hint.empty() ? row.hint : st.hint);
    for (QWidget* w : {b.widget, static_cast<QWidget*>(b.label), static_cast<QWidget*>(b.value)}) {
      if (!w) continue;
      w->setVisible(st.visible);
      w->setEnabled(st.enabled);
      w->setToolTip(hint);
    }
    switch (row.kind) {
      case ControlKind::kCheck:
      case ControlKind::kRadio:
        static_cast<QAbstractButton*>(b.widget)->setChecked(st.value != 0);
        break;
      case ControlKind::kSlider:
        static_cast<QSlider*>(b.widget)->setValue(st.value);
        b.value->setText(Q(st.text));
        break;
      case ControlKind::kNote:
        break;
      case ControlKind::kEdit: {
        auto* edit = static_cast<QLineEdit*>(b.widget);
        if (edit->text() != Q(st.text)) edit->setText(Q(st.text));
        break;
      }
    }
  }
  refreshing_ = false;
}

QWidget* TControlBinder::Widget(const QString& rowName) const {
  for (const Bound& b : bound_)
    if (b.widget->objectName() == rowName) return b.widget;
  return nullptr;
}

}  // namespace orv
