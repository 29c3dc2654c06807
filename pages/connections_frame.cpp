#include "pages/connections_frame.h"
#include "pages/report_painter.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/seams.h"
#include "device/orvantis.h"
#include "diag/diag_base_view.h"
#include "diag/orv_diag.h"
#include "pages/report_painter.h"
#include "pages/connections_widgets.h"

namespace orv {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

constexpr int kNameWidth = 214;
constexpr int kSourceWidth = 300;
constexpr int kInvWidth = 45;
constexpr uint32_t kIntervals[3] = {200, 500, 1000};
constexpr int kRefreshLampMs = 100;

const char* const kThresholdNote =
    "Аналоговые входы измеряют напряжение в диапазоне 0...25.5 В. Их можно использовать и в качестве входов для "
    "цифровых датчиков. В этом случае состояние \"Включено\" и \"Выключено\" устанавливается после сравнения "
    "фактического напряжения на входе с установленными порогами";

QTableWidget* MakeGrid(QWidget* parent, int rows, const QStringList& headers) {
  auto* g = new QTableWidget(rows, static_cast<int>(headers.size()), parent);
  g->setHorizontalHeaderLabels(headers);
  g->verticalHeader()->hide();
  g->setEditTriggers(QAbstractItemView::NoEditTriggers);
  g->setSelectionMode(QAbstractItemView::SingleSelection);
  g->setSelectionBehavior(QAbstractItemView::SelectItems);
  g->setWordWrap(true);
  g->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  g->horizontalHeader()->setStretchLastSection(false);
  return g;
}

void SetCell(QTableWidget* g, int row, int column, const QString& text, const QIcon& icon = {}, const QString& tip = {}) {
  QTableWidgetItem* item = g->item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    g->setItem(row, column, item);
  }
  item->setText(text);
  item->setIcon(icon);
  item->setToolTip(tip);
}

}  // namespace

TConnectionsFrame::TConnectionsFrame(QWidget* parent, TConnectionsPageModel& model, TOrvantis* link, Status* status,
                                     Prompts* prompts, QColor color)
    : TCLFrame(parent, "ConnectionsFrame", color), model_(model), link_(link), status_(status), prompts_(prompts) {
  model_.SetLink(link_);
  auto* h = new QHBoxLayout(Content());
  list_ = new QListWidget(Content());
  list_->setObjectName("lbConnections");
  list_->setFixedWidth(200);
  for (const std::string& s : model_.SubPages()) list_->addItem(Q(s));
  h->addWidget(list_, 0, Qt::AlignTop);

  auto* right = new QWidget(Content());
  auto* rv = new QVBoxLayout(right);
  rv->setContentsMargins(0, 0, 0, 0);
  // Refresh controls, shown while the poller runs for this page.
  refreshPanel_ = new QWidget(right);
  refreshPanel_->setObjectName("pnRefresh");
  auto* rh = new QHBoxLayout(refreshPanel_);
  rh->setContentsMargins(0, 0, 0, 0);
  rh->addWidget(new QLabel("Период обновления", refreshPanel_));
  ledRefresh = new TLedLamp("", refreshPanel_, QColor(0x30, 0x90, 0xF0));
  ledRefresh->setObjectName("ledRefresh");
  rh->addWidget(ledRefresh);
  intervalGroup_ = new QButtonGroup(this);
  const char* radioText[3] = {"0,2 с", "0,5 с", "1 с"};
  for (int i = 0; i < 3; ++i) {
    rbInterval[i] = new QRadioButton(radioText[i], refreshPanel_);
    rbInterval[i]->setObjectName(QString("rbInterval%1").arg(i));
    intervalGroup_->addButton(rbInterval[i], i);
    rh->addWidget(rbInterval[i]);
  }
  rbInterval[1]->setChecked(true);
  rh->addStretch(1);
  rv->addWidget(refreshPanel_);
  refreshPanel_->hide();
  connect(intervalGroup_, &QButtonGroup::idClicked, this, [this](int) {
    if (polling_ && link_) link_->Diag()->SetDiagInterval(RefreshInterval());
  });
  refreshTimer_ = new QTimer(this);
  refreshTimer_->setSingleShot(true);
  refreshTimer_->setInterval(kRefreshLampMs);
  connect(refreshTimer_, &QTimer::timeout, this, [this] { ledRefresh->SetLit(false); });

  stack_ = new QStackedWidget(right);
  rv->addWidget(stack_, 1);
  h->addWidget(right, 1);
  QWidget* areas[5];
  for (int i = 0; i < 5; ++i) {
    areas[i] = new QWidget(stack_);
    areas[i]->setObjectName(QString("ConnectionsPage%1").arg(i));
    stack_->addWidget(areas[i]);
  }
  BuildInputs(areas[0]);
  BuildOutputs(areas[1]);
  BuildThresholds(areas[2]);
  BuildDiagnostics(areas[3]);
  BuildTags(areas[4]);

  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!refreshing_ && row >= 0) SelectSubPage(row);
  });
  // The settings workflows load the model directly: every change is shown.
  model_.OnChanged = [this] {
    if (refreshing_) return;
    RedrawGrids();
    ShowThresholds();
  };
}

TConnectionsFrame::~TConnectionsFrame() { model_.OnChanged = nullptr; }

void TConnectionsFrame::BuildInputs(QWidget* area) {
  auto* v = new QVBoxLayout(area);
  v->setContentsMargins(0, 0, 0, 0);
  dgInputs = MakeGrid(area, TConnectionsModel::kInputs, {"Логический статус", "Источник сигнала", ""});
  dgInputs->setObjectName("dgInputs");
  dgInputs->horizontalHeaderItem(2)->setToolTip(conn_page_text::kInvertHint);
  dgInputs->setMinimumHeight(420);
  v->addWidget(dgInputs);
  connect(dgInputs, &QTableWidget::cellClicked, this, [this](int r, int c) { InputCellClicked(r, c); });
}

void TConnectionsFrame::BuildOutputs(QWidget* area) {
  auto* v = new QVBoxLayout(area);
  v->setContentsMargins(0, 0, 0, 0);
  dgOutputs = MakeGrid(area, TConnectionsModel::kOutputs, {"Логический статус", "Исполнитель"});
  dgOutputs->setObjectName("dgOutputs");
  dgOutputs->setColumnWidth(0, kNameWidth);
  dgOutputs->setColumnWidth(1, kSourceWidth + kInvWidth);
  dgOutputs->setMinimumHeight(420);
  v->addWidget(dgOutputs);
  connect(dgOutputs, &QTableWidget::cellClicked, this, [this](int r, int c) {
    if (c == 1) OpenOutputMenu(r);
  });
}

void TConnectionsFrame::BuildThresholds(QWidget* area) {
  auto* v = new QVBoxLayout(area);
  const char* captions[2] = {"Выключен, если напряжение меньше", "Включен, если напряжение больше"};
  for (int a = 0; a < 2; ++a) {
    gbThreshold[a] = new QGroupBox(area);
    gbThreshold[a]->setObjectName(QString("gbThreshold%1").arg(a + 4));
    auto* g = new QGridLayout(gbThreshold[a]);
    for (int k = 0; k < 2; ++k) {
      const int i = 2 * a + k;
      g->addWidget(new QLabel(captions[k], gbThreshold[a]), k, 0);
      tbThreshold[i] = new QSlider(Qt::Horizontal, gbThreshold[a]);
      tbThreshold[i]->setObjectName(QString("tbThreshold%1").arg(i));
      tbThreshold[i]->setRange(0, 255);
      tbThreshold[i]->setPageStep(16);
      tbThreshold[i]->setMinimumWidth(200);
      g->addWidget(tbThreshold[i], k, 1);
      eThreshold[i] = new QLineEdit(gbThreshold[a]);
      eThreshold[i]->setObjectName(QString("eThreshold%1").arg(i));
      eThreshold[i]->setFixedWidth(80);
      g->addWidget(eThreshold[i], k, 2);
      connect(tbThreshold[i], &QSlider::valueChanged, this, [this, i](int pos) { ThresholdMoved(i, pos); });
      connect(eThreshold[i], &QLineEdit::textEdited, this, [this, i](const QString& t) {
        // A typed comma becomes a point.
        if (t.contains(',')) {
          const int cur = eThreshold[i]->cursorPosition();
          eThreshold[i]->setText(QString(t).replace(',', '.'));
          eThreshold[i]->setCursorPosition(cur);
        }
      });
      connect(eThreshold[i], &QLineEdit::editingFinished, this, [this, i] { ThresholdEdited(i); });
    }
    v->addWidget(gbThreshold[a]);
  }
  auto* note = new QLabel(kThresholdNote, area);
  note->setWordWrap(true);
  v->addWidget(note);
  v->addStretch(1);
}

void TConnectionsFrame::BuildDiagnostics(QWidget* area) {
  lampPanel_ = area;
  area->installEventFilter(this);
  lampWidgets_.push_back(area);
  auto* grid = new QGridLayout(area);
  auto lampBox = [&](const char* title, std::span<const TDiagLamp> table, std::vector<TLedLamp*>& out, int cols) {
    auto* box = new QGroupBox(title, area);
    auto* g = new QGridLayout(box);
    g->setVerticalSpacing(1);
    int n = 0;
    for (const auto& l : table) {
      auto* lamp = new TLedLamp(l.name, box);
      out.push_back(lamp);
      g->addWidget(lamp, n / cols, n % cols);
      ++n;
    }
    box->installEventFilter(this);
  lampWidgets_.push_back(box);
    return box;
  };
  grid->addWidget(lampBox(live_text::kInputsGroup, orv::InputLamps(), inputLamps_, 3), 0, 0, 1, 2);
  grid->addWidget(lampBox(live_text::kCanGroup, orv::CanLamps(), canLamps_, 3), 1, 0, 1, 2);

  auto* values = new QGroupBox("Значения", area);
  auto* vg = new QGridLayout(values);
  vg->setVerticalSpacing(1);
  int row = 0;
  for (const auto& v : model_.Live().CanValues()) {
    auto* c = new QLabel(Q(v.caption), values);
    auto* t = new QLabel(values);
    vg->addWidget(c, row, 0);
    vg->addWidget(t, row++, 1);
    canValues_.push_back({c, t});
  }
  for (const auto& v : model_.Live().Measurements()) {
    auto* c = new QLabel(Q(v.caption), values);
    auto* t = new QLabel(values);
    vg->addWidget(c, row, 0);
    vg->addWidget(t, row++, 1);
    measurements_.push_back({c, t});
  }
  values->installEventFilter(this);
  lampWidgets_.push_back(values);
  grid->addWidget(values, 2, 0);

  gsmBlock_ = new QGroupBox("GSM и GPS", area);
  auto* gg = new QGridLayout(gsmBlock_);
  gg->addWidget(new QLabel(live_text::kGsm, gsmBlock_), 0, 0);
  lbGsm = new QLabel(gsmBlock_);
  lbGsm->setObjectName("lbGsm");
  gg->addWidget(lbGsm, 0, 1);
  int r = 1;
  for (const auto& l : orv::ModemLamps()) {
    auto* lamp = new TLedLamp(l.name, gsmBlock_);
    modemLamps_.push_back(lamp);
    gg->addWidget(lamp, r++, 0, 1, 2);
  }
  for (const auto& l : orv::GpsLamps()) {
    auto* lamp = new TLedLamp(l.name, gsmBlock_);
    gpsLamps_.push_back(lamp);
    gg->addWidget(lamp, r, 0);
    if (gpsLamps_.size() == 2) {
      lbSatellites = new QLabel(gsmBlock_);
      lbSatellites->setObjectName("lbSatellites");
      gg->addWidget(lbSatellites, r, 1);
    }
    ++r;
  }
  gg->addWidget(new QLabel(live_text::kHdop, gsmBlock_), r, 0);
  lbHdop = new QLabel(gsmBlock_);
  lbHdop->setObjectName("lbHdop");
  gg->addWidget(lbHdop, r, 1);
  gsmBlock_->hide();
  grid->addWidget(gsmBlock_, 2, 1, Qt::AlignTop);
  lbLowSupply = new QLabel(live_text::kLowSupply, area);
  lbLowSupply->setObjectName("lbLowSupply");
  lbLowSupply->setWordWrap(true);
  lbLowSupply->hide();
  grid->addWidget(lbLowSupply, 3, 0, 1, 2);
  grid->setRowStretch(4, 1);
}

void TConnectionsFrame::BuildTags(QWidget* area) {
  area->installEventFilter(this);
  lampWidgets_.push_back(area);
  auto* v = new QVBoxLayout(area);
  auto* tags = new QGroupBox(live_text::kTagsGroup, area);
  auto* tg = new QGridLayout(tags);
  for (int t = 0; t < 2; ++t) {
    tg->addWidget(new QLabel(QString("Метка %1").arg(t + 1), tags), 0, t);
    int r = 1;
    for (const char* name : TagLampNames()) {
      auto* lamp = new TLedLamp(name, tags);
      tagLamps_[t].push_back(lamp);
      tg->addWidget(lamp, r++, t);
    }
  }
  tags->installEventFilter(this);
  lampWidgets_.push_back(tags);
  v->addWidget(tags);
  auto* relays = new QGroupBox(live_text::kRelaysGroup, area);
  auto* rg = new QVBoxLayout(relays);
  for (const auto& l : model_.Live().RelayLamps()) {
    auto* lamp = new TLedLamp(Q(l.name), relays);
    relayLamps_.push_back(lamp);
    rg->addWidget(lamp);
  }
  relays->installEventFilter(this);
  lampWidgets_.push_back(relays);
  v->addWidget(relays);
  v->addStretch(1);
}

bool TConnectionsFrame::eventFilter(QObject* watched, QEvent* event) {
  // A double click on the lamps asks for one record at once.
  const bool lamps = std::find(lampWidgets_.begin(), lampWidgets_.end(), watched) != lampWidgets_.end();
  if (lamps && event->type() == QEvent::MouseButtonDblClick && link_ && link_->OnLine()) {
    if (link_->Diag()->GetDiagData()) ShowRecord();
    return true;
  }
  return TCLFrame::eventFilter(watched, event);
}

void TConnectionsFrame::AfterCreate() {
  // The first sub-page, and the lamps of an empty record.
  SelectSubPage(0);
  model_.Live().SetContext(model_.LiveContext());
  RealignColumns();
  RedrawGrids();
  UpdateLEDs();
  TCLFrame::AfterCreate();
}

void TConnectionsFrame::LoadData(TMemItems& items) {
  model_.LoadData(items);
  ShowThresholds();
  RedrawGrids();
}

void TConnectionsFrame::StoreData(TMemItems& items) { model_.StoreData(items); }

std::string TConnectionsFrame::ToJSON() { return model_.ToJSON(); }

void TConnectionsFrame::SetExpertMode(bool value) {
  model_.SetExpertMode(value);
  RealignColumns();
  RefreshList();
  RedrawGrids();
}

void TConnectionsFrame::RealignColumns() {
  const bool expert = model_.ExpertMode();
  dgInputs->setColumnWidth(0, kNameWidth);
  dgInputs->setColumnWidth(1, expert ? kSourceWidth : kSourceWidth + kInvWidth);
  dgInputs->setColumnWidth(2, kInvWidth);
  dgInputs->setColumnHidden(2, !expert);
}

void TConnectionsFrame::OnShow() {
  shown_ = true;
  model_.OnShow();
  UpdateIOInfo();
  RedrawGrids();
  CheckDiagMode();
  TCLFrame::OnShow();
}

void TConnectionsFrame::OnHide() {
  shown_ = false;
  model_.OnHide();
  StopPolling();
  DiagEnable(false);
  TCLFrame::OnHide();
}

void TConnectionsFrame::DoOnPlug() {
  UpdateIOInfo();
  RedrawGrids();
  CheckDiagMode();
}

void TConnectionsFrame::DoOnUnPlug() {
  StopPolling();
  refreshTimer_->stop();
  ledRefresh->SetLit(false);
  UpdateIOInfo();
  RedrawGrids();
  DiagEnable(false);
}

void TConnectionsFrame::SelectSubPage(int index) {
  const std::string message = model_.SelectSubPage(index);
  if (!message.empty() && prompts_) prompts_->MessageBox(message);
  RefreshList();
  CheckDiagMode();
}

void TConnectionsFrame::RefreshList() {
  refreshing_ = true;
  const QSignalBlocker block(list_);
  list_->setCurrentRow(model_.CurrentSubPage());
  // Shown disabled but still selectable: choosing one tells the user why.
  for (int i = 0; i < list_->count(); ++i)
    list_->item(i)->setForeground(model_.SubPageEnabled(i) ? palette().color(QPalette::Active, QPalette::Text)
                                                           : palette().color(QPalette::Disabled, QPalette::Text));
  stack_->setCurrentIndex(model_.CurrentSubPage());
  refreshing_ = false;
}

uint32_t TConnectionsFrame::RefreshInterval() const {
  if (rbInterval[0]->isChecked()) return kIntervals[0];
  if (rbInterval[1]->isChecked()) return kIntervals[1];
  return kIntervals[2];
}

void TConnectionsFrame::CheckDiagMode() {
  const int sub = model_.CurrentSubPage();
  const bool live = sub == TConnectionsPageModel::kDiagPage || sub == TConnectionsPageModel::kTagsPage;
  const bool wanted = shown_ && isVisible() && live && link_ && link_->OnLine();
  DiagEnable(wanted);
  if (wanted) {
    // The GPS values depend on the core's build: read its record once per unit.
    if (link_->CoreInfo.CoreID.Day == 0 && link_->CoreInfo.CoreID.Month == 0) link_->GetCoreInfo();
    model_.Live().SetContext(model_.LiveContext());
    TOrvDiag* diag = link_->Diag();
    diag->SetDiagProc([this](TOrvDiag*) { ShowRecord(); });
    diag->SetDiagInterval(RefreshInterval());
    diag->SetDiagMode(dmRepeat);
    polling_ = true;
  } else {
    StopPolling();
  }
}

void TConnectionsFrame::StopPolling() {
  if (!polling_) return;
  polling_ = false;
  if (link_) link_->Diag()->SetDiagMode(dmStop);
}

void TConnectionsFrame::DiagEnable(bool wanted) {
  refreshPanel_->setVisible(wanted);
  // The GSM block waits for the next record.
  model_.Live().ResetShown();
  gsmBlock_->hide();
  lbLowSupply->hide();
}

void TConnectionsFrame::ShowRecord() {
  if (!link_) return;
  model_.Live().Show(link_->Diag()->RawData());
  // The empty record that follows a removal clears the lamps; it says nothing
  // about the supply, so neither the GSM block nor the low-supply text shows.
  if (!link_->OnLine()) model_.Live().ResetShown();
  UpdateLEDs();
  ledRefresh->SetLit(true);
  refreshTimer_->start();
}

void TConnectionsFrame::UpdateLEDs() {
  const TConnectionsLive& live = model_.Live();
  auto lamps = [](const std::vector<TLedLamp*>& view, const std::vector<TLiveLamp>& state) {
    for (size_t i = 0; i < view.size() && i < state.size(); ++i) view[i]->SetLit(state[i].lit);
  };
  lamps(inputLamps_, live.InputLamps());
  lamps(canLamps_, live.CanLamps());
  lamps(modemLamps_, live.ModemLamps());
  lamps(gpsLamps_, live.GpsLamps());
  lamps(tagLamps_[0], live.TagLamps(1));
  lamps(tagLamps_[1], live.TagLamps(2));
  lamps(relayLamps_, live.RelayLamps());
  auto values = [](std::vector<std::pair<QLabel*, QLabel*>>& view, const std::vector<TLiveValue>& state) {
    for (size_t i = 0; i < view.size() && i < state.size(); ++i) {
      view[i].first->setText(Q(state[i].caption));
      view[i].first->setToolTip(Q(state[i].hint));
      view[i].second->setText(Q(state[i].text));
      const char* colour = state[i].colour == TLiveColour::kRed ? "color: red;"
                           : state[i].colour == TLiveColour::kTeal ? "color: teal;"
                                                                   : "";
      view[i].second->setStyleSheet(colour);
    }
  };
  values(canValues_, live.CanValues());
  values(measurements_, live.Measurements());
  lbGsm->setText(Q(live.GsmSignal().text));
  lbSatellites->setText(Q(live.Satellites().text));
  lbHdop->setText(Q(live.Hdop().text));
  gsmBlock_->setVisible(live.GsmBlockVisible());
  lbLowSupply->setVisible(live.LowSupplyVisible());
}

void TConnectionsFrame::UpdateIOInfo() {
  model_.Live().SetContext(model_.LiveContext());
  for (int a = 0; a < 2; ++a) gbThreshold[a]->setTitle(Q(model_.Conn().ThresholdCaption(a)));
  UpdateLEDs();
}

void TConnectionsFrame::RedrawGrids() {
  const TConnectionsModel& m = model_.Conn();
  const TConnUnit unit = model_.Unit();
  const bool expert = model_.ExpertMode();
  for (int i = 0; i < TConnectionsModel::kInputs; ++i) {
    const TConnEntry& e = m.Input(i);
    const std::string name = TConnectionsModel::InputNames()[static_cast<size_t>(i)];
    SetCell(dgInputs, i, 0, Q(name));
    const QIcon swatch = e.Source() == csMain ? WireSwatch(TConnectionsModel::InputWireName(e.b1 >= 8 && e.b1 <= 9 ? e.b1 - 5 : e.b1, unit)) : QIcon();
    SetCell(dgInputs, i, 1, Q(m.InputGridText(i)), swatch);
    SetCell(dgInputs, i, 2, e.Inverted() ? "⇅" : "", {}, Q(ConnFormat(conn_page_text::kInvertHintFmt, name)));
    if (QTableWidgetItem* it = dgInputs->item(i, 2)) it->setTextAlignment(Qt::AlignCenter);
  }
  for (int o = 0; o < TConnectionsModel::kOutputs; ++o) {
    const TConnEntry& e = m.Output(o);
    SetCell(dgOutputs, o, 0, Q(TConnectionsModel::OutputNames()[static_cast<size_t>(o)]));
    const QIcon swatch = e.Source() == csMain ? WireSwatch(TConnectionsModel::OutputWireName(e.b1, unit)) : QIcon();
    SetCell(dgOutputs, o, 1, Q(m.OutputGridText(o)), swatch);
  }
  (void)expert;
  dgInputs->resizeRowsToContents();
  dgOutputs->resizeRowsToContents();
}

void TConnectionsFrame::ShowThresholds() {
  refreshing_ = true;
  for (int i = 0; i < 4; ++i) {
    const int pos = i % 2 ? model_.Conn().OnThreshold(i / 2) : model_.Conn().OffThreshold(i / 2);
    const QSignalBlocker block(tbThreshold[i]);
    tbThreshold[i]->setValue(pos);
    eThreshold[i]->setText(Q(TConnectionsModel::ThresholdText(pos)));
  }
  refreshing_ = false;
}

void TConnectionsFrame::ThresholdMoved(int which, int pos) {
  if (refreshing_) return;
  const int a = which / 2;
  if (which % 2) model_.Conn().SetOnThreshold(a, pos);
  else model_.Conn().SetOffThreshold(a, pos);
  ShowThresholds();
}

void TConnectionsFrame::ThresholdEdited(int which) {
  if (auto pos = TConnectionsModel::ThresholdFromText(eThreshold[which]->text().toStdString())) {
    const int a = which / 2;
    if (which % 2) model_.Conn().SetOnThreshold(a, *pos);
    else model_.Conn().SetOffThreshold(a, *pos);
  }
  // Leaving the box shows its track bar's value again.
  ShowThresholds();
}

void TConnectionsFrame::Report(const TConnEdit& e, bool input) {
  if (e.ok) return;
  if (status_) status_->Display(e.message);
  if (input && !model_.ExpertMode() && prompts_) prompts_->MessageBox(e.message);
}

void TConnectionsFrame::InputCellClicked(int row, int column) {
  if (column == 1) {
    OpenInputMenu(row);
  } else if (column == 2 && model_.ExpertMode()) {
    // The inversion column: fixed entries stay as they are.
    (void)model_.Conn().ToggleInvert(row);
    RedrawGrids();
  }
}

void TConnectionsFrame::OpenInputMenu(int row) {
  if (row < 0 || row >= TConnectionsModel::kInputs) return;
  const TConnUnit unit = model_.Unit();
  QMenu menu(this);
  menu.setObjectName("pmInputs");
  QAction* none = menu.addAction(conn_text::kNotAssigned);
  QAction* can = menu.addAction(conn_text::kCan);
  // Built afresh on every opening: wire names follow the unit.
  QMenu* main = menu.addMenu(conn_text::kMainMenu);
  std::vector<std::pair<QAction*, int>> wires;
  for (int w : TConnectionsModel::InputMenuWires(row))
    wires.push_back({main->addAction(Q(TConnectionsModel::InputWireName(w, unit))), w});
  QAction* doors = menu.addAction(conn_text::kDoors);
  QAction* start = menu.addAction(conn_text::kStart);
  start->setEnabled(TConnectionsModel::StartOffered(row));
  menu.addSeparator();
  menu.addAction(conn_text::kClose);
  const QRect cell = dgInputs->visualRect(dgInputs->model()->index(row, 1));
  QAction* chosen = menu.exec(dgInputs->viewport()->mapToGlobal(cell.bottomLeft()));
  TConnEdit e;
  if (chosen == none) e = model_.Conn().ChooseInput(row, csNone);
  else if (chosen == can) e = model_.Conn().ChooseInput(row, csCan);
  else if (chosen == doors) e = model_.Conn().ChooseInput(row, csDoors);
  else if (chosen == start) e = model_.Conn().ChooseInput(row, csStart);
  else
    for (const auto& [action, w] : wires)
      if (chosen == action) e = model_.Conn().ChooseInput(row, csMain, w);
  RedrawGrids();
  Report(e, true);
}

void TConnectionsFrame::OpenOutputMenu(int row) {
  if (row < 0 || row >= TConnectionsModel::kOutputs) return;
  const TConnUnit unit = model_.Unit();
  QMenu menu(this);
  menu.setObjectName("pmOutputs");
  QAction* none = menu.addAction(conn_text::kNotAssigned);
  QAction* can = menu.addAction(conn_text::kCan);
  QMenu* main = menu.addMenu(conn_text::kMainMenu);
  std::vector<std::pair<QAction*, int>> wires;
  for (int w : TConnectionsModel::OutputMenuWires())
    wires.push_back({main->addAction(Q(TConnectionsModel::OutputWireName(w, unit))), w});
  menu.addAction(conn_text::kStart)->setEnabled(false);
  menu.addSeparator();
  menu.addAction(conn_text::kClose);
  const QRect cell = dgOutputs->visualRect(dgOutputs->model()->index(row, 1));
  QAction* chosen = menu.exec(dgOutputs->viewport()->mapToGlobal(cell.bottomLeft()));
  TConnEdit e;
  if (chosen == none) e = model_.Conn().ChooseOutput(row, csNone);
  else if (chosen == can) e = model_.Conn().ChooseOutput(row, csCan);
  else
    for (const auto& [action, w] : wires)
      if (chosen == action) e = model_.Conn().ChooseOutput(row, csMain, w);
  RedrawGrids();
  Report(e, false);
}

void TConnectionsFrame::Print(QPainter& printer, int& y, const QString& caption) {
  PrintSection(printer, y, [&](report::TCursor& c) { model_.Print(c, caption.toStdString()); });
}

}  // namespace orv
