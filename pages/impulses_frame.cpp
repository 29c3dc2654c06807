#include "pages/impulses_frame.h"
#include "pages/report_painter.h"

#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orv {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

constexpr int kCaptionWidth = 214;
constexpr int kCellWidth = 45;
// Symbols of a pulse cell: off; on until cancelled; on for a time.
const char* const kOffSymbol = "○";
const char* const kOnSymbol = "●";
const char* const kTimedSymbol = "◐";
const char* const kCyclicSymbol = "⟳";

}  // namespace

TImpulsesFrame::TImpulsesFrame(QWidget* parent, TImpulsesPageModel& model, QColor color)
    : TCLFrame(parent, "ImpulsesFrame", color), model_(model) {
  auto* h = new QHBoxLayout(Content());
  list_ = new QListWidget(Content());
  list_->setObjectName("lbImpulses");
  list_->setFixedWidth(160);
  list_->addItem(imp_text::kPageItem);
  list_->setCurrentRow(0);
  h->addWidget(list_, 0, Qt::AlignTop);

  auto* right = new QWidget(Content());
  auto* v = new QVBoxLayout(right);
  v->setContentsMargins(0, 0, 0, 0);
  dgCycles = new QTableWidget(TImpulsesModel::kPatterns, 2 + TImpulsesModel::kMaxPulses, right);
  dgCycles->setObjectName("dgCycles");
  QStringList headers = {"", kCyclicSymbol};
  for (int p = 1; p <= TImpulsesModel::kMaxPulses; ++p) headers << QString::number(p);
  dgCycles->setHorizontalHeaderLabels(headers);
  dgCycles->horizontalHeaderItem(1)->setToolTip(imp_text::kCyclicHint);
  dgCycles->verticalHeader()->hide();
  dgCycles->setEditTriggers(QAbstractItemView::NoEditTriggers);
  dgCycles->setSelectionMode(QAbstractItemView::SingleSelection);
  dgCycles->setWordWrap(true);
  dgCycles->setColumnWidth(0, kCaptionWidth);
  for (int c = 1; c < dgCycles->columnCount(); ++c) dgCycles->setColumnWidth(c, kCellWidth);
  dgCycles->setMinimumHeight(420);
  dgCycles->viewport()->installEventFilter(this);
  dgCycles->installEventFilter(this);
  v->addWidget(dgCycles, 1);
  connect(dgCycles, &QTableWidget::cellClicked, this, [this](int r, int c) { CellClicked(r, c); });

  // The pulse editor.
  editor_ = new QGroupBox(right);
  editor_->setObjectName("gbPulse");
  auto* eg = new QGridLayout(editor_);
  rbOn = new QRadioButton(imp_text::kOn, editor_);
  rbOff = new QRadioButton(imp_text::kOff, editor_);
  rbTimed = new QRadioButton(imp_text::kTimed, editor_);
  rbPermanent = new QRadioButton(imp_text::kPermanent, editor_);
  rbOn->setObjectName("rbOn");
  rbOff->setObjectName("rbOff");
  rbTimed->setObjectName("rbTimed");
  rbPermanent->setObjectName("rbPermanent");
  auto* level = new QButtonGroup(editor_);
  level->addButton(rbOn);
  level->addButton(rbOff);
  auto* kind = new QButtonGroup(editor_);
  kind->addButton(rbTimed);
  kind->addButton(rbPermanent);
  lbDuration = new QLabel(imp_text::kDuration, editor_);
  eDuration = new QLineEdit(editor_);
  eDuration->setObjectName("eDuration");
  eDuration->setFixedWidth(80);
  eDuration->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9.,]*"), eDuration));
  eg->addWidget(rbOn, 0, 0);
  eg->addWidget(rbOff, 1, 0);
  eg->addWidget(rbTimed, 0, 1);
  eg->addWidget(rbPermanent, 1, 1);
  eg->addWidget(lbDuration, 0, 2);
  eg->addWidget(eDuration, 0, 3);
  eg->setColumnStretch(4, 1);
  for (QRadioButton* rb : {rbOn, rbOff, rbTimed, rbPermanent})
    connect(rb, &QRadioButton::clicked, this, [this] { EditorChanged(); });
  connect(eDuration, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (t.contains(',')) {
      const int cur = eDuration->cursorPosition();
      eDuration->setText(QString(t).replace(',', '.'));
      eDuration->setCursorPosition(cur);
    }
    EditorChanged();
  });
  editor_->setEnabled(false);
  v->addWidget(editor_);
  h->addWidget(right, 1);
  model_.OnChanged = [this] { RedrawGrid(); };
}

TImpulsesFrame::~TImpulsesFrame() { model_.OnChanged = nullptr; }

void TImpulsesFrame::AfterCreate() {
  RedrawGrid();
  TCLFrame::AfterCreate();
}

void TImpulsesFrame::LoadData(TMemItems& items) {
  model_.LoadData(items);
  CurSeq_ = CurPulse_ = -1;
  editor_->setEnabled(false);
  RedrawGrid();
}

void TImpulsesFrame::StoreData(TMemItems& items) { model_.StoreData(items); }

void TImpulsesFrame::SetExpertMode(bool value) {
  model_.SetExpertMode(value);
  // The single list item is enabled in both modes.
  list_->item(0)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
}

void TImpulsesFrame::RedrawCell(int k, int column) {
  const TImpSeq& s = model_.Imp().Seq(k);
  QTableWidgetItem* item = dgCycles->item(k, column);
  if (!item) {
    item = new QTableWidgetItem;
    item->setTextAlignment(column == 0 ? Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter) : Qt::Alignment(Qt::AlignCenter));
    dgCycles->setItem(k, column, item);
  }
  if (column == 0) {
    item->setText(Q(s.Caption));
    return;
  }
  if (column == 1) {
    item->setText(s.Cyclic() ? kCyclicSymbol : "");
    return;
  }
  const int p = column - 2;
  if (p >= s.Count()) {
    item->setText("");
    item->setToolTip("");
    return;
  }
  const uint16_t w = s.Data[static_cast<size_t>(p)];
  const bool on = (w & 0x8000) != 0;
  const bool timed = (w & 0x7FFF) != 0;
  QString text = !on ? kOffSymbol : timed ? kTimedSymbol : kOnSymbol;
  if (timed) text += "\n" + Q(TImpulsesModel::DurationText(w));
  item->setText(text);
  item->setToolTip(Q(model_.Imp().PulseHint(k, p)));
}

void TImpulsesFrame::RedrawGrid() {
  for (int k = 0; k < TImpulsesModel::kPatterns; ++k)
    for (int c = 0; c < dgCycles->columnCount(); ++c) RedrawCell(k, c);
  dgCycles->resizeRowsToContents();
}

void TImpulsesFrame::CellClicked(int row, int column) {
  if (row < 0 || row >= TImpulsesModel::kPatterns) return;
  if (column == 1) {
    model_.ToggleCyclic(row);
    return;
  }
  if (column < 2) return;
  CurSeq_ = row;
  CurPulse_ = column - 2;
  const int n = model_.Imp().Seq(row).Count();
  if (CurPulse_ < n) {
    ShowPulse();
  } else {
    editor_->setEnabled(false);
    if (CurPulse_ == n) OpenPulseMenu(row, column);
  }
}

void TImpulsesFrame::OpenPulseMenu(int row, int column) {
  const int p = column - 2;
  if (row < 0 || row >= TImpulsesModel::kPatterns || p < 0 || p >= TImpulsesModel::kMaxPulses) return;
  CurSeq_ = row;
  CurPulse_ = p;
  QMenu menu(this);
  menu.setObjectName("pmPulse");
  QAction* add = menu.addAction(imp_text::kAdd);
  QAction* del = menu.addAction(imp_text::kDelete);
  add->setEnabled(model_.Imp().CanAdd(row, p));
  del->setEnabled(model_.Imp().CanDelete(row, p));
  menu.addSeparator();
  menu.addAction(imp_text::kClose);
  const QRect cell = dgCycles->visualRect(dgCycles->model()->index(row, column));
  QAction* chosen = menu.exec(dgCycles->viewport()->mapToGlobal(cell.bottomLeft()));
  if (chosen == add && model_.AddPulse(row, p)) {
    ShowPulse();
  } else if (chosen == del && model_.DeletePulse(row, p)) {
    CurPulse_ = -1;
    editor_->setEnabled(false);
  }
}

bool TImpulsesFrame::eventFilter(QObject* watched, QEvent* event) {
  if (!dgCycles) return TCLFrame::eventFilter(watched, event);  // the scroll area's own viewport, while building
  if (watched == dgCycles->viewport() && event->type() == QEvent::ContextMenu) {
    auto* e = static_cast<QContextMenuEvent*>(event);
    const QModelIndex idx = dgCycles->indexAt(e->pos());
    if (idx.isValid() && idx.column() >= 2) OpenPulseMenu(idx.row(), idx.column());
    return true;
  }
  if (watched == dgCycles && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
    if (dgCycles->currentColumn() >= 2) CellClicked(dgCycles->currentRow(), dgCycles->currentColumn());
    return true;
  }
  return TCLFrame::eventFilter(watched, event);
}

void TImpulsesFrame::ShowPulse() {
  if (CurSeq_ < 0 || CurPulse_ < 0 || CurPulse_ >= model_.Imp().Seq(CurSeq_).Count()) return;
  const uint16_t w = model_.Imp().Seq(CurSeq_).Data[static_cast<size_t>(CurPulse_)];
  showing_ = true;
  editor_->setEnabled(true);
  const bool timed = (w & 0x7FFF) != 0;
  ((w & 0x8000) ? rbOn : rbOff)->setChecked(true);
  (timed ? rbTimed : rbPermanent)->setChecked(true);
  eDuration->setText(timed ? QString::number((w & 0x7FFF) / 1000.0, 'f', 3).remove(QRegularExpression("\\.?0+$")) : "0");
  eDuration->setEnabled(timed);
  lbDuration->setEnabled(timed);
  shownWord_ = w;
  showing_ = false;
}

void TImpulsesFrame::EditorChanged() {
  if (showing_) return;
  const bool permanent = rbPermanent->isChecked();
  eDuration->setEnabled(!permanent);
  lbDuration->setEnabled(!permanent);
  std::string text = eDuration->text().toStdString();
  const auto word = TImpulsesModel::EditorWord(rbOn->isChecked(), permanent, text);
  if (!word) return;  // unreadable text changes nothing
  if (Q(text) != eDuration->text()) eDuration->setText(Q(text));
  if (*word == shownWord_ || CurSeq_ < 0 || CurPulse_ < 0) return;
  shownWord_ = *word;
  model_.SetPulse(CurSeq_, CurPulse_, *word);
}

void TImpulsesFrame::Print(QPainter& printer, int& y, const QString& caption) {
  PrintSection(printer, y, [&](report::TCursor& c) { model_.Print(c, caption.toStdString()); });
}

}  // namespace orv
