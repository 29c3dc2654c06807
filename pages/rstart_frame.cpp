#include "pages/rstart_frame.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "device/orvantis.h"
#include "diag/orv_diag.h"
#include "pages/cycles_preview.h"
#include "pages/model/rstart_diag.h"

namespace orv {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Q(const char* s) { return QString::fromUtf8(s); }

constexpr int kInputsName = 214, kInputsSource = 303, kInputsSourceWide = 409, kPolarity = 45;
constexpr int kPulseName = 239, kPulseColumn = 45;

QTableWidget* MakeGrid(QWidget* parent, const char* name, int columns) {
  auto* g = new QTableWidget(parent);
  g->setObjectName(name);
  g->setColumnCount(columns);
  g->setEditTriggers(QAbstractItemView::NoEditTriggers);
  g->setSelectionMode(QAbstractItemView::SingleSelection);
  g->setSelectionBehavior(QAbstractItemView::SelectItems);
  g->verticalHeader()->hide();
  g->setWordWrap(true);
  return g;
}

QTableWidgetItem* Cell(QTableWidget* g, int row, int column) {
  QTableWidgetItem* it = g->item(row, column);
  if (!it) {
    it = new QTableWidgetItem;
    g->setItem(row, column, it);
  }
  return it;
}

QLabel* Lamp(QWidget* parent, const QString& caption) {
  auto* l = new QLabel(caption, parent);
  return l;
}

void SetLamp(QLabel* l, bool lit) {
  l->setProperty("lit", lit);
  l->setStyleSheet(lit ? "QLabel { color: black; } QLabel::before {}" : "QLabel { color: #777; }");
  const QString text = l->text().mid(2);
  l->setText(QString(lit ? "● " : "○ ") + text);
}

}  // namespace

TRStartFrame::TRStartFrame(QWidget* parent, TPageModels& pages, TOrvantis* link, Status* log)
    : TModelFrame(parent, "RStartFrame", *pages.ModelAs<TRStartPageModel>("RStartFrame")),
      model_(*pages.ModelAs<TRStartPageModel>("RStartFrame")),
      pages_(pages),
      link_(link) {
  model_.Model().Log = log;
  if (link_) {
    model_.UnitInfo = [link = link_] {
      return TRStartUnit{link->OnLine(), link->BootState.DeviceInfo.Kind};
    };
  }
  BuildLeftPanel();
  BuildInputs();
  BuildOutputs();
  BuildPulses();
  BuildDiagnostics();
  refreshTimer_ = new QTimer(this);
  refreshTimer_->setSingleShot(true);
  connect(refreshTimer_, &QTimer::timeout, this, [this] { SetLamp(ledRefresh_, false); });
  Refresh();
}

TRStartFrame::~TRStartFrame() {
  if (polling_ && link_ && link_->Diag()) {
    link_->Diag()->SetDiagMode(dmStop);
    link_->Diag()->SetDiagProc(nullptr);
  }
}

QAction* TRStartFrame::Exec(QMenu& menu, const QPoint& pos) {
  if (RunMenu) return RunMenu(menu, pos);
  return menu.exec(pos);
}

// ---------------------------------------------------------------- building

void TRStartFrame::BuildLeftPanel() {
  QListWidget* list = SubPageList();
  auto* h = qobject_cast<QBoxLayout*>(Content()->layout());
  auto* left = new QWidget(Content());
  left->setObjectName("RStartLeftPanel");
  left->setFixedWidth(list->width());
  auto* v = new QVBoxLayout(left);
  v->setContentsMargins(0, 0, 0, 0);
  if (h) delete h->replaceWidget(list, left);  // the layout item of the list is ours to free
  v->addWidget(list);
  list->setFixedHeight(list->sizeHintForRow(0) * 6 + 2 * list->frameWidth() + 4);

  editor_ = new QGroupBox("Тип импульса", left);
  editor_->setObjectName("gbPulseEditor");
  auto* g = new QGridLayout(editor_);
  rbOn_ = new QRadioButton("Включено", editor_);
  rbOn_->setObjectName("rbOn");
  rbOn_->setToolTip("Выход активен");
  rbOff_ = new QRadioButton("Выключено", editor_);
  rbOff_->setObjectName("rbOff");
  rbOff_->setToolTip("Выход не активен");
  rbConst_ = new QRadioButton("Постоянно", editor_);
  rbConst_->setObjectName("rbConst");
  rbConst_->setToolTip(
      "Длительность ограничена только логикой работы системы. Например, сигнал сирены в тревоге всегда "
      "выключается по окончании цикла тревоги");
  rbImpulse_ = new QRadioButton("Импульс", editor_);
  rbImpulse_->setObjectName("rbImpulse");
  rbImpulse_->setToolTip("Выход включен или выключен на заданное время");
  auto* levels = new QButtonGroup(editor_);
  levels->addButton(rbOn_);
  levels->addButton(rbOff_);
  auto* kinds = new QButtonGroup(editor_);
  kinds->addButton(rbConst_);
  kinds->addButton(rbImpulse_);
  lbTime_ = new QLabel("Длительность, с:", editor_);
  eTime_ = new QLineEdit(editor_);
  eTime_->setObjectName("eTime");
  eTime_->setMaxLength(5);
  eTime_->setToolTip("Длительность активного или пассивного состояния выхода");
  auto* view = new QPushButton("Просмотр", editor_);
  view->setObjectName("btnPreview");
  g->addWidget(rbOn_, 0, 0);
  g->addWidget(rbOff_, 0, 1);
  g->addWidget(rbConst_, 1, 0);
  g->addWidget(rbImpulse_, 1, 1);
  g->addWidget(lbTime_, 2, 0, 1, 2);
  g->addWidget(eTime_, 3, 0, 1, 2);
  g->addWidget(view, 4, 0, 1, 2);
  for (QRadioButton* b : {rbOn_, rbOff_, rbConst_, rbImpulse_})
    connect(b, &QRadioButton::clicked, this, [this] { EditorChanged(); });
  connect(eTime_, &QLineEdit::textEdited, this, [this] { EditorChanged(); });
  connect(view, &QPushButton::clicked, this, [this] { OpenCyclogram(true); });
  v->addWidget(editor_);

  periods_ = new QGroupBox("Период обновления", left);
  periods_->setObjectName("gbPeriod");
  auto* pl = new QGridLayout(periods_);
  for (int i = 0; i < 3; ++i) {
    rbPeriod_[i] = new QRadioButton(Q(RStartPeriods[static_cast<size_t>(i)].caption), periods_);
    rbPeriod_[i]->setObjectName(QString("rbPeriod%1").arg(i));
    pl->addWidget(rbPeriod_[i], i, 0);
    connect(rbPeriod_[i], &QRadioButton::clicked, this, [this, i] {
      model_.PeriodIndex = i;
      UpdatePolling();
    });
  }
  ledRefresh_ = Lamp(periods_, "○ Обновление");
  ledRefresh_->setObjectName("ledRefresh");
  pl->addWidget(ledRefresh_, 3, 0);
  v->addWidget(periods_);
  v->addStretch(1);
}

void TRStartFrame::BuildInputs() {
  QWidget* area = SubPageArea(TRStartPageModel::kInputs);
  dgInputs_ = MakeGrid(area, "dgInputs", 3);
  dgInputs_->setHorizontalHeaderLabels({"Логический статус", "Источник сигнала", ""});
  dgInputs_->setRowCount(static_cast<int>(RSVisibleInputs.size()));
  dgInputs_->setMouseTracking(true);
  connect(dgInputs_, &QTableWidget::cellClicked, this, [this](int r, int c) { InputCellClicked(r, c); });
  static_cast<QGridLayout*>(area->layout())->addWidget(dgInputs_, 0, 0, 1, 3);
}

void TRStartFrame::BuildOutputs() {
  QWidget* area = SubPageArea(TRStartPageModel::kOutputs);
  dgOutputs_ = MakeGrid(area, "dgOutputs", 2);
  dgOutputs_->setHorizontalHeaderLabels({"Физический выход", "Назначение выхода"});
  dgOutputs_->setRowCount(kRSOutputs);
  dgOutputs_->setColumnWidth(0, 300);
  dgOutputs_->setColumnWidth(1, 300);
  connect(dgOutputs_, &QTableWidget::cellClicked, this, [this](int r, int c) { OutputCellClicked(r, c); });
  static_cast<QGridLayout*>(area->layout())->addWidget(dgOutputs_, 0, 0, 1, 3);
}

void TRStartFrame::BuildPulses() {
  QWidget* area = SubPageArea(TRStartPageModel::kImpulses);
  dgSeqs_ = MakeGrid(area, "dgSeqs", 1 + kRSMaxPulses);
  dgSeqs_->horizontalHeader()->hide();
  dgSeqs_->setColumnWidth(0, kPulseName);
  for (int c = 1; c <= kRSMaxPulses; ++c) dgSeqs_->setColumnWidth(c, kPulseColumn);
  dgSeqs_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(dgSeqs_, &QTableWidget::cellClicked, this,
          [this](int r, int c) { PulseCellChosen(r, c, false, dgSeqs_->viewport()->mapToGlobal(dgSeqs_->visualItemRect(Cell(dgSeqs_, r, c)).bottomLeft())); });
  connect(dgSeqs_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    const QModelIndex idx = dgSeqs_->indexAt(pos);
    if (idx.isValid()) PulseCellChosen(idx.row(), idx.column(), true, dgSeqs_->viewport()->mapToGlobal(pos));
  });
  dgSeqs_->installEventFilter(this);
  static_cast<QGridLayout*>(area->layout())->addWidget(dgSeqs_, 0, 0, 1, 3);
}

void TRStartFrame::BuildDiagnostics() {
  QWidget* area = SubPageArea(TRStartPageModel::kDiagnostics);
  auto* w = new QWidget(area);
  auto* g = new QGridLayout(w);
  for (size_t k = 0; k < RStartLampGroups.size(); ++k) {
    auto* box = new QGroupBox(Q(RStartLampGroups[k].caption), w);
    box->setObjectName(QString("gbDiag%1").arg(k));
    auto* bl = new QVBoxLayout(box);
    std::vector<QLabel*> lamps;
    for (size_t i = 0; i < RStartLampGroups[k].lamps.size(); ++i) {
      QLabel* l = Lamp(box, "○ " + Q(RStartLampGroups[k].lamps[i].caption));
      l->setObjectName(QString("led%1_%2").arg(k).arg(i));
      bl->addWidget(l);
      lamps.push_back(l);
    }
    bl->addStretch(1);
    lamps_.push_back(std::move(lamps));
    g->addWidget(box, 0, static_cast<int>(k), k == 0 ? 1 : 2, 1);
  }
  auto* texts = new QGroupBox("Датчики", w);
  auto* tl = new QGridLayout(texts);
  auto text = [&](QGridLayout* l, int row, const char* caption, const char* name, QWidget* parent) {
    l->addWidget(new QLabel(Q(caption), parent), row, 0);
    auto* v = new QLabel(parent);
    v->setObjectName(name);
    l->addWidget(v, row, 1);
    return v;
  };
  auto* states = new QWidget(w);
  auto* sl = new QGridLayout(states);
  lbStage_ = text(sl, 0, "Режим модуля запуска:", "lbRStartStage", states);
  lbState_ = text(sl, 1, "Состояние модуля запуска:", "lbRStartState", states);
  lbSysState_ = text(sl, 2, "Состояние автозапуска:", "lbRStartSysState", states);
  lbCabin_ = text(tl, 0, "Температура салона", "lbCabinTemp", texts);
  lbEngine_ = text(tl, 1, "Температура двигателя", "lbEngineTemp", texts);
  lbTacho_ = text(tl, 2, "Обороты двигателя", "lbTachoPercent", texts);
  lbTacho_->setToolTip("Значение оборотов двигателя в процентах от величины оборотов холостого хода");
  g->addWidget(texts, 1, 0);
  g->addWidget(states, 2, 0, 1, 3);

  auto* radio = new QGroupBox("Радиосвязь с модулем запуска", w);
  auto* rl = new QVBoxLayout(radio);
  radioPanel_ = new QWidget(radio);
  auto* pl = new QGridLayout(radioPanel_);
  pl->addWidget(new QLabel("Качество связи:", radioPanel_), 0, 0);
  lbQuality_ = new QLabel(radioPanel_);
  lbQuality_->setObjectName("lbLinkQuality");
  pl->addWidget(lbQuality_, 0, 1);
  pbQuality_ = new QProgressBar(radioPanel_);
  pbQuality_->setObjectName("pbLinkQuality");
  pbQuality_->setRange(0, 105);
  pbQuality_->setTextVisible(false);
  pl->addWidget(pbQuality_, 1, 0, 1, 2);
  lbPair_ = new QLabel(radioPanel_);
  lbPair_->setObjectName("lbLinkPair");
  pl->addWidget(lbPair_, 2, 0);
  lbRadioNote_ = new QLabel(Q(kRStartRadioNote), radio);
  lbRadioNote_->setObjectName("lbRadioNote");
  lbRadioNote_->setWordWrap(true);
  rl->addWidget(radioPanel_);
  rl->addWidget(lbRadioNote_);
  g->addWidget(radio, 3, 0, 1, 3);
  g->setRowStretch(4, 1);
  static_cast<QGridLayout*>(area->layout())->addWidget(w, 0, 0, 1, 3);
}

// ---------------------------------------------------------------- filling

void TRStartFrame::Refresh() {
  TModelFrame::Refresh();
  if (!dgSeqs_) return;  // still building
  const int sub = model_.CurrentSubPage();
  editor_->setVisible(sub == TRStartPageModel::kImpulses);
  periods_->setVisible(sub == TRStartPageModel::kDiagnostics && link_ && link_->OnLine());
  for (int i = 0; i < 3; ++i) rbPeriod_[i]->setChecked(i == model_.PeriodIndex);
  FillInputs();
  FillOutputs();
  FillPulses();
  FillDiagnostics();
  UpdatePolling();
}

void TRStartFrame::FillInputs() {
  const TRStartModel& m = model_.Model();
  const bool expert = model_.ExpertMode();
  dgInputs_->setColumnWidth(0, kInputsName);
  dgInputs_->setColumnWidth(1, expert ? kInputsSource : kInputsSourceWide);
  dgInputs_->setColumnWidth(2, kPolarity);
  dgInputs_->setColumnHidden(2, !expert);
  for (int r = 0; r < static_cast<int>(RSVisibleInputs.size()); ++r) {
    const int in = RSVisibleInputs[static_cast<size_t>(r)];
    const uint8_t code = m.Config().Ins[static_cast<size_t>(in)];
    QTableWidgetItem* name = Cell(dgInputs_, r, 0);
    name->setText(Q(RSInputs[static_cast<size_t>(in)].name));
    name->setToolTip(Q(RSInputs[static_cast<size_t>(in)].hint));
    QTableWidgetItem* src = Cell(dgInputs_, r, 1);
    src->setText(Q(m.InputText(in)));
    const bool wire = code >= 2 && code < 2 + 2 * kRSInputWires;
    src->setIcon(wire ? QIcon(WireSwatch(RSInputWires[static_cast<size_t>((code - 2) / 2)])) : QIcon());
    Cell(dgInputs_, r, 2)->setText(wire ? ((code & 1u) ? "+" : "−") : "");
    Cell(dgInputs_, r, 2)->setTextAlignment(Qt::AlignCenter);
  }
}

void TRStartFrame::FillOutputs() {
  for (int r = 0; r < kRSOutputs; ++r) {
    QTableWidgetItem* wire = Cell(dgOutputs_, r, 0);
    wire->setText(Q(RSOutputWires[static_cast<size_t>(r)].name));
    wire->setIcon(QIcon(WireSwatch(RSOutputWires[static_cast<size_t>(r)])));
    Cell(dgOutputs_, r, 1)->setText(Q(model_.Model().OutputText(r)));
  }
}

void TRStartFrame::FillPulses() {
  const TRStartModel& m = model_.Model();
  const std::vector<int> steps = m.VisibleSteps();
  dgSeqs_->setRowCount(static_cast<int>(steps.size()));
  for (int r = 0; r < static_cast<int>(steps.size()); ++r) {
    const int step = steps[static_cast<size_t>(r)];
    const auto& def = RSSteps[static_cast<size_t>(step)];
    QTableWidgetItem* name = Cell(dgSeqs_, r, 0);
    name->setText(Q(def.name));
    name->setBackground(PhaseColor(def.phase));
    const TRSSeq& seq = m.Config().Seqs[static_cast<size_t>(step)];
    for (int p = 0; p < kRSMaxPulses; ++p) {
      QTableWidgetItem* it = Cell(dgSeqs_, r, p + 1);
      it->setTextAlignment(Qt::AlignCenter);
      if (p >= seq.Len()) {
        it->setText("·");
        continue;
      }
      const uint16_t w = seq.Pulses[static_cast<size_t>(p)];
      const uint16_t d = pulse::Duration(w);
      const QString symbol = !pulse::On(w) ? "○" : d == 0 ? "●" : "◐";
      it->setText(d == 0 ? symbol : symbol + "\n" + Q(TRStartModel::DurationText(d)));
    }
    dgSeqs_->setRowHeight(r, 40);
  }
  if (m.CurSeq() >= 0) {
    const auto it = std::find(steps.begin(), steps.end(), m.CurSeq());
    if (it != steps.end()) {
      const QSignalBlocker b(dgSeqs_);
      dgSeqs_->setCurrentCell(static_cast<int>(it - steps.begin()), m.CurPulse() + 1);
    }
  }
}

void TRStartFrame::FillDiagnostics() {
  const TRStartDiagView v = TRStartDiagView::From(DData);
  for (size_t k = 0; k < lamps_.size(); ++k)
    for (size_t i = 0; i < lamps_[k].size(); ++i) SetLamp(lamps_[k][i], v.lit[k][i]);
  lbStage_->setText(Q(v.stage));
  lbState_->setText(Q(v.state));
  lbSysState_->setText(Q(v.sysState));
  lbCabin_->setText(Q(v.cabinTemp));
  lbEngine_->setText(Q(v.engineTemp));
  lbTacho_->setText(Q(v.tacho));
  radioPanel_->setVisible(v.radioVisible);
  lbRadioNote_->setVisible(!v.radioVisible);
  lbQuality_->setText(Q(v.radio.word));
  pbQuality_->setValue(std::min(v.radio.q, 105));
  lbPair_->setText(Q(v.radio.pair));
}

// ---------------------------------------------------------------- inputs and outputs

void TRStartFrame::InputCellClicked(int row, int column) {
  if (row < 0 || row >= static_cast<int>(RSVisibleInputs.size())) return;
  const int in = RSVisibleInputs[static_cast<size_t>(row)];
  TRStartModel& m = model_.Model();
  if (column == 2) {
    if (m.TogglePolarity(in)) model_.Touch();
    return;
  }
  if (column != 1) return;
  QMenu menu(this);
  menu.setObjectName("pmInputs");
  menu.addAction(Q(rstext::kNotAssigned))->setData(0);
  menu.addSeparator();
  menu.addAction(Q(rstext::kMainUnit))->setData(1);
  QMenu* wires = menu.addMenu("Модуль запуска");
  for (int w = 0; w < kRSInputWires; ++w) {
    QAction* a = wires->addAction(Q(RSInputWires[static_cast<size_t>(w)].name));
    a->setData(2 + w);
    a->setEnabled(m.InputWireEnabled(in, w));
  }
  menu.addSeparator();
  menu.addAction("Закрыть")->setData(-1);
  const QPoint pos = dgInputs_->viewport()->mapToGlobal(dgInputs_->visualItemRect(Cell(dgInputs_, row, 1)).bottomLeft());
  if (QAction* a = Exec(menu, pos); a && a->data().toInt() >= 0) {
    m.ChooseInputSource(in, a->data().toInt());
    model_.Touch();
  }
}

void TRStartFrame::OutputCellClicked(int row, int column) {
  if (column != 1 || row < 0 || row >= kRSOutputs) return;
  TRStartModel& m = model_.Model();
  QMenu menu(this);
  menu.setObjectName("pmOutputs");
  menu.addAction(Q(rstext::kNotAssigned))->setData(0);
  menu.addSeparator();
  for (int f = 0; f < kRSFunctions; ++f) {
    const auto code = static_cast<uint8_t>(f + 1);
    // Output 8 offers its one function only while output 7 drives the starter.
    if (row == 8 && f != rsfn::kStarterLock) continue;
    QAction* a = menu.addAction(Q(RSOutputFunctions[static_cast<size_t>(f)]));
    a->setData(code);
    a->setEnabled(m.OutputChoiceEnabled(row, code));
  }
  menu.addSeparator();
  menu.addAction("Закрыть")->setData(-1);
  const QPoint pos =
      dgOutputs_->viewport()->mapToGlobal(dgOutputs_->visualItemRect(Cell(dgOutputs_, row, 1)).bottomLeft());
  if (QAction* a = Exec(menu, pos); a && a->data().toInt() >= 0) {
    m.ChooseOutput(row, static_cast<uint8_t>(a->data().toInt()));
    model_.Touch();
  }
}

// ---------------------------------------------------------------- pulses

bool TRStartFrame::eventFilter(QObject* obj, QEvent* e) {
  if (obj == dgSeqs_ && e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Space) {
    const int r = dgSeqs_->currentRow(), c = dgSeqs_->currentColumn();
    if (r >= 0 && c >= 0)
      PulseCellChosen(r, c, false, dgSeqs_->viewport()->mapToGlobal(dgSeqs_->visualItemRect(Cell(dgSeqs_, r, c)).bottomLeft()));
    return true;
  }
  return TModelFrame::eventFilter(obj, e);
}

void TRStartFrame::PulseCellChosen(int row, int column, bool menuAlways, const QPoint& globalPos) {
  const std::vector<int> steps = model_.Model().VisibleSteps();
  if (row < 0 || row >= static_cast<int>(steps.size()) || column < 1) return;
  TRStartModel& m = model_.Model();
  const int step = steps[static_cast<size_t>(row)];
  const auto view = m.SelectPulse(step, column - 1);
  if (view) ShowPulseInEditor(*view);
  if (!menuAlways && (view || column - 1 != m.Config().Seqs[static_cast<size_t>(step)].Count)) return;
  QMenu menu(this);
  menu.setObjectName("pmPulses");
  QAction* add = menu.addAction("Добавить");
  add->setEnabled(m.AddEnabled());
  QAction* remove = menu.addAction("Удалить");
  remove->setEnabled(m.RemoveEnabled());
  menu.addSeparator();
  menu.addAction("Закрыть");
  QAction* chosen = Exec(menu, globalPos);
  if (chosen == add && m.AddPulse()) {
    if (auto v = m.SelectPulse(step, column - 1)) ShowPulseInEditor(*v);
  } else if (chosen == remove) {
    m.RemovePulse();
  }
  model_.Touch();
}

void TRStartFrame::ShowPulseInEditor(const TRStartModel::PulseView& v) {
  filling_ = true;
  rbOn_->setChecked(v.on);
  rbOff_->setChecked(!v.on);
  rbImpulse_->setChecked(v.impulse);
  rbConst_->setChecked(!v.impulse);
  eTime_->setText(Q(v.time).trimmed());
  eTime_->setEnabled(v.impulse);
  lbTime_->setEnabled(v.impulse);
  filling_ = false;
}

void TRStartFrame::EditorChanged() {
  if (filling_) return;
  const bool impulse = rbImpulse_->isChecked();
  eTime_->setEnabled(impulse);
  lbTime_->setEnabled(impulse);
  std::string text = eTime_->text().toStdString();
  const bool changed = model_.Model().EditPulse(rbOn_->isChecked(), impulse, text);
  if (Q(text) != eTime_->text()) eTime_->setText(Q(text));
  if (changed) model_.Touch();
}

void TRStartFrame::OpenCyclogram(bool modal) {
  if (!preview_) preview_ = new TCyclesPreview(this, model_.Model());
  int minutes = 0;
  if (TPageModel* options = pages_.Model("OptionsFrame"); options && options->Find("tbRStartTime") >= 0)
    minutes = options->State(static_cast<size_t>(options->Find("tbRStartTime"))).value;
  preview_->SetRunMinutes(minutes);
  if (modal) {
    preview_->exec();
  } else {
    preview_->show();
  }
}

// ---------------------------------------------------------------- diagnostics

void TRStartFrame::UpdatePolling() {
  TOrvDiag* diag = link_ ? link_->Diag() : nullptr;
  if (!diag) return;
  const bool online = link_->OnLine();
  const bool want = model_.DiagWanted(shown_, online);
  const unsigned interval = RStartPeriods[static_cast<size_t>(std::clamp(model_.PeriodIndex, 0, 2))].ms;
  if (want && (!polling_ || interval != pollInterval_)) {
    diag->SetDiagProc([this](TOrvDiag*) { DiagArrived(); });
    diag->SetDiagInterval(interval);
    diag->SetDiagMode(dmRepeat);
    polling_ = true;
    pollInterval_ = interval;
  } else if (!want && polling_) {
    diag->SetDiagMode(dmStop);
    diag->SetDiagProc(nullptr);
    polling_ = false;
  }
}

void TRStartFrame::DiagArrived() {
  if (!polling_ || !link_ || !link_->Diag()) return;
  DData = link_->Diag()->RawData();
  ++diagUpdates_;
  FillDiagnostics();
  SetLamp(ledRefresh_, true);
  refreshTimer_->start(static_cast<int>(kRStartLampMs));
}

void TRStartFrame::ClearDiag() {
  DData = TDiagBytes{};
  FillDiagnostics();
}

void TRStartFrame::OnShow() {
  shown_ = true;
  TModelFrame::OnShow();
}

void TRStartFrame::OnHide() {
  shown_ = false;
  TModelFrame::OnHide();
  UpdatePolling();
  ClearDiag();
}

void TRStartFrame::DoOnPlug() { Refresh(); }

void TRStartFrame::DoOnUnPlug() {
  UpdatePolling();
  ClearDiag();
  Refresh();
}

}  // namespace orv
