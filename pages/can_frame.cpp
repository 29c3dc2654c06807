#include "pages/can_frame.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QValidator>

namespace orv {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

constexpr int kLampSize = 14;
constexpr int kLampRow = 30;
constexpr int kFieldWidth = 90;

// A value field takes a whole number 0..65535 and nothing else; an empty
// field is let through so that leaving it can put the value back.
class TWordValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    if (input.isEmpty()) return Acceptable;
    return ValidWordText(input.toStdString()) ? Acceptable : Invalid;
  }
};

void Place(QWidget* w, const TCanRect& r) { w->setGeometry(r.x, r.y, r.w, r.h); }

// The room a caption needs beside a check box or radio button indicator,
// counted without the layout's 24 pixels, so that no caption is cut.
template <class Button>
int CaptionWidth(QWidget* area, const std::string& caption) {
  Button probe(Q(caption));
  probe.setFont(area->font());
  return std::max(probe.fontMetrics().horizontalAdvance(Q(caption)),
                  probe.sizeHint().width() - TCanModel::kExtraWidth);
}

// Grows an area to hold its children, so the page scrolls to all of them.
void FitArea(QWidget* area) {
  int w = 0, h = 0;
  for (QWidget* c : area->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (c->isHidden()) continue;
    w = std::max(w, c->geometry().right());
    h = std::max(h, c->geometry().bottom());
  }
  area->setMinimumSize(w + TCanModel::kLeft, h + TCanModel::kTop);
}

}  // namespace

TCANFrame::TCANFrame(QWidget* parent, TCanModel& model, QColor color)
    : TModelFrame(parent, "CANFrame", model, color, false), can_(model) {
  // The four short section names need little room; the grid of check boxes
  // gets the rest.
  if (QListWidget* list = SubPageList())
    list->setFixedWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() + 24);
  MakeFields();
  MakeLamps();
  Refresh();
}

void TCANFrame::MakeFields() {
  QWidget* area = SubPageArea(2);
  auto* digits = new TWordValidator(this);
  for (int n = 0; n < TCanModel::kFields; ++n) {
    auto* label = new QLabel(area);
    label->setObjectName(QString("Label%1").arg(n));
    auto* edit = new QLineEdit(area);
    edit->setObjectName(QString("secan%1").arg(n));
    edit->setValidator(digits);
    edit->setMaxLength(5);
    connect(edit, &QLineEdit::textEdited, this, [this, n](const QString& text) {
      if (refreshing_) return;
      const std::string t = text.toStdString();
      // An emptied field is not taken; it reverts when left.
      if (ValidWordText(t)) can_.Change(static_cast<size_t>(can_.Find("secan" + std::to_string(n))), 0, t);
    });
    connect(edit, &QLineEdit::editingFinished, this, [this, n] {
      // Leaving the field: what the model did not take goes back to its value.
      const size_t row = static_cast<size_t>(can_.Find("secan" + std::to_string(n)));
      const QString shown = Q(can_.State(row).text);
      QLineEdit* e = fields_[static_cast<size_t>(n)];
      if (e->text() != shown) e->setText(shown);
    });
    labels_.push_back(label);
    fields_.push_back(edit);
  }
}

void TCANFrame::MakeLamps() {
  QWidget* area = SubPageArea(3);
  int y = TCanModel::kTop;
  for (const TCanLamp& l : kCanLamps) {
    auto* lamp = new QLabel(area);
    lamp->setObjectName(l.name);
    lamp->setGeometry(TCanModel::kLeft, y + 3, kLampSize, kLampSize);
    lamp->setToolTip(l.hint);
    auto* caption = new QLabel(l.caption, area);
    caption->setObjectName(QString(l.name) + "Caption");
    caption->setToolTip(l.hint);
    caption->adjustSize();
    caption->move(TCanModel::kLeft + kLampSize + 10, y);
    lamps_.push_back(lamp);
    y += kLampRow;
  }
  FitArea(area);
}

void TCANFrame::Rebuild() {
  for (QWidget* w : built_) delete w;
  built_.clear();
  bound_.clear();
  generation_ = can_.Generation();

  // "Настройки": the check boxes on the grid.
  QWidget* boxes = SubPageArea(0);
  const auto& rows = can_.Controls();
  const std::vector<TCanRect> boxPlaces =
      can_.BoxLayout([boxes](const std::string& s) { return CaptionWidth<QCheckBox>(boxes, s); });
  for (int i = 0; i < can_.Boxes(); ++i) {
    const std::string name = "cbcan" + std::to_string(i);
    const int row = can_.Find(name);
    auto* box = new QCheckBox(Q(rows[static_cast<size_t>(row)].caption), boxes);
    box->setObjectName(Q(name));
    Place(box, boxPlaces[static_cast<size_t>(i)]);
    connect(box, &QCheckBox::toggled, this, [this, name](bool on) {
      if (!refreshing_) can_.Change(static_cast<size_t>(can_.Find(name)), on ? 1 : 0);
    });
    box->show();
    built_.push_back(box);
    bound_.push_back({name, box});
  }
  FitArea(boxes);

  // "Функции": each group's label with its choice buttons below it.
  QWidget* groups = SubPageArea(1);
  // A caption is a button's or the group's bold label: room for either.
  QFont boldFont = groups->font();
  boldFont.setBold(true);
  const QFontMetrics bold(boldFont);
  const std::vector<TCanGroupPlace> groupPlaces = can_.GroupLayout([groups, &bold](const std::string& s) {
    return std::max(CaptionWidth<QRadioButton>(groups, s), bold.horizontalAdvance(Q(s)) + 2);
  });
  size_t g = 0;
  size_t button = 0;
  for (size_t r = 0; r < rows.size(); ++r) {
    const TControl& c = rows[r];
    if (c.name.rfind("lbcan", 0) == 0) {
      g = static_cast<size_t>(std::stoi(c.name.substr(5)));
      button = 0;
      auto* label = new QLabel(Q(c.caption), groups);
      label->setObjectName(Q(c.name));
      label->setFont(boldFont);
      Place(label, groupPlaces[g].label);
      label->show();
      built_.push_back(label);
    } else if (c.name.rfind("rbcan", 0) == 0) {
      auto* radio = new QRadioButton(Q(c.caption), groups);
      radio->setObjectName(Q(c.name));
      // The model keeps one choice per group (the button's group number is
      // its label's); Qt's own exclusivity would span the whole section.
      radio->setAutoExclusive(false);
      // As wide as its own caption, so a click beside it does not choose it.
      TCanRect at = groupPlaces[g].buttons[button++];
      at.w = std::min(at.w, radio->sizeHint().width());
      Place(radio, at);
      const std::string name = c.name;
      connect(radio, &QRadioButton::clicked, this, [this, name](bool) {
        if (!refreshing_) can_.Change(static_cast<size_t>(can_.Find(name)), 1);
      });
      radio->show();
      built_.push_back(radio);
      bound_.push_back({name, radio});
    }
  }
  FitArea(groups);
}

void TCANFrame::Refresh() {
  if (generation_ != can_.Generation()) Rebuild();
  refreshing_ = true;
  for (const Bound& b : bound_) {
    const int row = can_.Find(b.row);
    if (row < 0) continue;
    static_cast<QAbstractButton*>(b.widget)->setChecked(can_.State(static_cast<size_t>(row)).value != 0);
  }

  // "Значения": captions, visibility and the numbers.
  int labelWidth = 0;
  for (int n = 0; n < TCanModel::kFields; ++n) {
    const size_t row = static_cast<size_t>(can_.Find("secan" + std::to_string(n)));
    QLabel* label = labels_[static_cast<size_t>(n)];
    label->setText(Q(can_.Controls()[row].caption));
    label->adjustSize();
    labelWidth = std::max(labelWidth, label->width());
  }
  for (int n = 0; n < TCanModel::kFields; ++n) {
    const size_t row = static_cast<size_t>(can_.Find("secan" + std::to_string(n)));
    const TControlState st = can_.State(row);
    QLabel* label = labels_[static_cast<size_t>(n)];
    QLineEdit* edit = fields_[static_cast<size_t>(n)];
    const int y = TCanModel::kTop + TCanModel::kRowStep * n;
    edit->setGeometry(TCanModel::kLeft + labelWidth + 12, y, kFieldWidth, edit->sizeHint().height());
    label->move(TCanModel::kLeft, y + (edit->height() - label->height()) / 2);
    label->setVisible(st.visible);
    edit->setVisible(st.visible);
    // A field being typed in keeps what it holds until it is left.
    const bool typing = edit->hasFocus() && !ValidWordText(edit->text().toStdString());
    if (edit->text() != Q(st.text) && !typing) edit->setText(Q(st.text));
  }
  FitArea(SubPageArea(2));

  for (size_t l = 0; l < kCanLamps.size(); ++l) {
    const bool on = (can_.FConfig().DataConfig >> kCanLamps[l].bit) & 1u;
    lamps_[l]->setStyleSheet(QString("background-color: %1; border: 1px solid #606060; border-radius: %2px;")
                                 .arg(on ? "#2fb344" : "#d0d0d0")
                                 .arg(kLampSize / 2));
    lamps_[l]->setProperty("on", on);
  }
  refreshing_ = false;
  TModelFrame::Refresh();
}

void TCANFrame::AfterCreate() {
  TModelFrame::AfterCreate();
  if (SubPageList() && SubPageList()->currentRow() < 0) {
    can_.SelectSubPage(0);
    SubPageList()->setCurrentRow(0);
  }
}

}  // namespace orv
