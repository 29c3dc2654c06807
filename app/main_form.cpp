#include "app/main_form.h"

#include "app/content_actions.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/controller_choice.h"
#include "app/expert_mode.h"
#include "app/firmware_actions.h"
#include "app/file_filter.h"
#include "app/header_button.h"
#include "app/qt_settings_store.h"
#include "device/orvantis.h"
#include "pages/auto_frame.h"
#include "pages/can_frame.h"
#include "pages/connections_frame.h"
#include "pages/impulses_frame.h"
#include "pages/internet_frame.h"
#include "pages/messages_frame.h"
#include "pages/options_frame.h"
#include "pages/page_container.h"
#include "pages/page_data.h"
#include "pages/plug_message.h"
#include "pages/rstart_frame.h"

namespace orv {

namespace {

constexpr int kHintMs = 20000;
constexpr int kTimer1Ms = 500;
constexpr int kStatusPanelWidth = 280;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The link has queued a plug or unplug notice (posted from another thread).
QEvent::Type NoticeEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

// Distances of the top-bar buttons' right edges from the right edge of the header.
struct RightEdge {
  int distance;
  int width;
};
constexpr RightEdge kPrintEdge{401, 115};
constexpr RightEdge kFactoryEdge{276, 120};
constexpr RightEdge kReadEdge{156, 110};
constexpr RightEdge kApplyEdge{48, 100};

class Header final : public QWidget {
 public:
  explicit Header(QWidget* parent) : QWidget(parent) {
    setObjectName("Header");
    setFixedHeight(72);
  }
  QWidget* title = nullptr;
  QWidget* fromFile = nullptr;
  QWidget* toFile = nullptr;
  QWidget* print = nullptr;
  QWidget* factory = nullptr;
  QWidget* read = nullptr;
  QWidget* apply = nullptr;
  QWidget* progressText = nullptr;
  QWidget* progressBar = nullptr;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(36, 58, 82));
    g.setColorAt(1, QColor(24, 40, 58));
    p.fillRect(rect(), g);
  }
  void resizeEvent(QResizeEvent*) override {
    const int w = width();
    const int top = 9, h = 54;
    auto place = [&](QWidget* b, RightEdge e) {
      if (b) b->setGeometry(w - e.distance - e.width, top, e.width, h);
    };
    place(print, kPrintEdge);
    place(factory, kFactoryEdge);
    place(read, kReadEdge);
    place(apply, kApplyEdge);
    if (title) title->setGeometry(14, 8, 196, 56);
    if (fromFile) fromFile->setGeometry(214, top, 112, h);
    if (toFile) toFile->setGeometry(334, top, 112, h);
    const int left = 458, right = w - kPrintEdge.distance - kPrintEdge.width - 12;
    const int span = std::max(0, right - left);
    if (progressText) progressText->setGeometry(left, 10, span, 24);
    if (progressBar) progressBar->setGeometry(left, 40, span, 14);
  }
};

QString StyleColor(const Rgb& c) { return QStringLiteral("rgb(%1,%2,%3)").arg(c.r).arg(c.g).arg(c.b); }

// The dialog's filters from "caption|patterns|..."; "*.*" means every file.
QStringList NameFilters(const std::string& filter) {
  QStringList out;
  for (const FileFilterEntry& e : ParseFileFilter(filter)) {
    QStringList patterns;
    for (const std::string& p : e.patterns) patterns << (p == "*.*" ? QStringLiteral("*") : Q(p));
    out << Q(e.caption) + " (" + patterns.join(' ') + ")";
  }
  return out;
}

std::string ChooseFile(QWidget* parent, QFileDialog::AcceptMode mode, const std::string& title,
                       const std::string& filter, const std::string& suggestedName) {
  QFileDialog dialog(parent, Q(title));
  dialog.setObjectName(mode == QFileDialog::AcceptSave ? "SaveDialog" : "OpenDialog");
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(NameFilters(filter));
  dialog.setDefaultSuffix(Q(DefaultExtension(filter)));
  if (!suggestedName.empty()) dialog.selectFile(Q(suggestedName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

}  // namespace

// The hidden message receiver of the window (plug and unplug messages).
class HiddenWindow final : public QObject {
 public:
  HiddenWindow(MainCore& core, QObject* parent) : QObject(parent), core_(core) { setObjectName("FHWnd"); }

 protected:
  bool event(QEvent* e) override {
    if (e->type() == PlugMessageEvent::EventType()) {
      core_.HiddenMessage(static_cast<PlugMessageEvent*>(e)->Msg());
      return true;
    }
    return QObject::event(e);
  }

 private:
  MainCore& core_;
};

void QtPump::Run() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

TMainForm::TMainForm(ConfiguratorOptions options, std::unique_ptr<HidController> controller, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)), controller_(std::move(controller)), core_(*this) {
  setWindowTitle("Конфигуратор Orvantis");
  setObjectName("MainForm");
  BuildUi();
  core_.StatusPanel().SetView(this);
  core_.StatusPanel().SetPump(&pump_);

  // A unit the backend may not open is worth telling the user about: the
  // udev rule is missing.
  if (controller_) SetUnitRefusedHandler(*controller_, [this](const std::string& text) { UnitRefused(text); });
  // 1. The device link on the window's controller. Its trace lines are not
  // kept. A unit that is plugged in now is attached by the constructor.
  FOrvantis = std::make_unique<TOrvantis>(
      controller_.get(), [this](TOrvantis* s) { core_.PlugEvent(s); }, [this](TOrvantis* s) { core_.UnPlugEvent(s); },
      nullptr);
  FOrvantis->SetUseSync(false);
  // 4. The hidden message receiver; from now on the link's notices reach the
  // window, starting with the unit found during the link's construction.
  FHWnd = new HiddenWindow(core_, this);
  core_.RegisterLink(FOrvantis.get());
  // 6. The pages; the vehicle page is shown.
  LoadFrames();
  // 8.-9. The configurator's own settings.
  FMaxInstances = 2;
  LoadSettings();
  // 13. The HTTP client and its proxy settings.
  http_ = std::make_unique<server::HttpClient>(server::ResolveServerOptions(options_.server, options_.caFile));
  http_->SetPump(&pump_);
  ProxyUpdate();
  // 14. The fifteen regions, in the settings workflows that the tasks and
  // the top-bar buttons run.
  pagesData_ = std::make_unique<TPagesData>(*LeftPanel);
  workflows_ = std::make_unique<SettingsActions>(core_, *FOrvantis, *this, *pagesData_);
  SetButtonHandler("btnBtnUp", [this] { workflows_->ReadFromDev(); });
  SetButtonHandler("btnBtnDn", [this] { workflows_->Apply(); });
  SetButtonHandler("btnDef", [this] { workflows_->FactoryDefaults(); });
  SetButtonHandler("btnToFile", [this] { workflows_->SaveToFile(); });
  SetButtonHandler("btnFromFile", [this] { workflows_->LoadFromFile(); });
  SetUpFirmware();
  // The CAN firmware, voice prompt and self-update actions (tasks 2, 4, 24,
  // 25, 29), before the queue starts so its start-up tasks exist.
  content_ = std::make_unique<ContentActions>(*this);
  // 10.-12. The task queue with the start-up tasks.
  core_.StartQueue(settings_.CheckForUpdates);
  // 15. The configurator's own version.
  FV = OwnVersion();
  lbVer1->setText(Q(VersionText(FV)));
  // 16. Both progress labels are cleared.
  ProgressChanged({}, false);
  // 17. Numbers are formatted with "." as the decimal separator.
  QLocale::setDefault(QLocale::c());
  // 19. Hints stay visible 20 s.
  for (QWidget* w : findChildren<QWidget*>())
    if (!w->toolTip().isEmpty()) w->setToolTipDuration(kHintMs);
  // 20.
  core_.StatusPanel().SetStatus(1);
  core_.DisableButtons(true);
  // 21. The idle handler, and the link's seams into the event loop.
  idleTimer_ = new QTimer(this);
  idleTimer_->setSingleShot(true);
  idleTimer_->setInterval(0);
  connect(idleTimer_, &QTimer::timeout, this, &TMainForm::RunIdle);
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setSingleShot(true);
  Timer1->setInterval(kTimer1Ms);
  connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
  idleInstalled_ = true;
  ScheduleIdle();
  FOrvantis->SetPump([this] { pump_.Run(); });
  // The wake-up only posts an event: it runs on the HID, notifier and
  // diagnostics threads and must return at once. The event delivers the
  // notices and runs the owner calls on this thread.
  FOrvantis->SetNoticeWakeup([this] {
    if (!wakeupPending_.exchange(true)) QCoreApplication::postEvent(this, new QEvent(NoticeEventType()));
  });
  // Whatever was queued before the wake-up existed is delivered too.
  if (!wakeupPending_.exchange(true)) QCoreApplication::postEvent(this, new QEvent(NoticeEventType()));
  qApp->installEventFilter(this);
}

TMainForm::~TMainForm() {
  qApp->removeEventFilter(this);
  core_.SetDestroying();
  SaveSettings();
  // No notice may be posted for a window that is going away.
  FOrvantis->SetNoticeWakeup({});
  FOrvantis->SetPump({});
  Timer1->stop();
  content_.reset();
  firmware_.reset();  // holds the link
  workflows_.reset();  // holds the link
  pagesData_.reset();
  FOrvantis.reset();  // gives the unit back before its controller goes
  controller_.reset();
  core_.RegisterLink(nullptr);
  core_.StatusPanel().SetView(nullptr);
  RestoreCursor();
  delete FHWnd;
  FHWnd = nullptr;
  // The controls go while the state their signals reach still exists.
  delete takeCentralWidget();
  LeftPanel = nullptr;
  DisplayMemo = nullptr;
}

// ---------------------------------------------------------------------------
// building the window

void TMainForm::BuildUi() {
  resize(1200, 720);
  setMinimumSize(1040, 560);
  auto* central = new QWidget(this);
  central->setObjectName("Central");
  auto* v = new QVBoxLayout(central);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);
  v->addWidget(BuildHeader());
  v->addWidget(BuildMenuBar());
  auto* body = new QHBoxLayout;
  body->setContentsMargins(0, 0, 0, 0);
  body->setSpacing(0);
  LeftPanel = new TPageContainer(central);
  LeftPanel->setAutoFillBackground(true);
  body->addWidget(LeftPanel, 1);
  body->addWidget(BuildStatusPanel());
  v->addLayout(body, 1);
  setCentralWidget(central);
}

QWidget* TMainForm::BuildHeader() {
  auto* header = new Header(this);
  auto* title = new QWidget(header);
  auto* tv = new QVBoxLayout(title);
  tv->setContentsMargins(0, 0, 0, 0);
  tv->setSpacing(0);
  auto* name = new QLabel("Orvantis", title);
  name->setObjectName("lbTitle");
  name->setStyleSheet("color: white; font-size: 20px; font-weight: bold;");
  auto* verRow = new QHBoxLayout;
  verRow->setSpacing(5);
  auto* verCaption = new QLabel("Конфигуратор, версия", title);
  verCaption->setStyleSheet("color: rgb(190,205,220);");
  lbVer1 = new QLabel(title);
  lbVer1->setObjectName("lbVer1");
  lbVer1->setStyleSheet("color: rgb(190,205,220);");
  verRow->addWidget(verCaption);
  verRow->addWidget(lbVer1);
  verRow->addStretch(1);
  tv->addWidget(name);
  tv->addLayout(verRow);
  header->title = title;

  btnFromFile = new HeaderButton("btnFromFile", "Загрузка настроек из файла", header);
  btnToFile = new HeaderButton("btnToFile", "Сохранение настроек в файле", header);
  BtnPrint = new HeaderButton("BtnPrint", "Печать настроек", header);
  btnDef = new HeaderButton("btnDef", "Установить заводские параметры настроек", header);
  aReadFromDev = new QAction("Прочитать настройки", this);
  aReadFromDev->setObjectName("aReadFromDev");
  btnBtnUp = new HeaderButton("btnBtnUp", aReadFromDev->text(), header);
  aApply = new QAction("Применить изменения", this);
  aApply->setObjectName("aApply");
  aApply->setToolTip("Сохранить настройки в личном кабинете пользователя и на устройстве  ");
  btnBtnDn = new HeaderButton("btnBtnDn", aApply->text(), header);
  btnBtnDn->setToolTip(aApply->toolTip());
  header->fromFile = btnFromFile;
  header->toFile = btnToFile;
  header->print = BtnPrint;
  header->factory = btnDef;
  header->read = btnBtnUp;
  header->apply = btnBtnDn;

  // The read button follows its action; the apply button too.
  connect(btnBtnUp, &QAbstractButton::clicked, aReadFromDev, &QAction::trigger);
  connect(btnBtnDn, &QAbstractButton::clicked, aApply, &QAction::trigger);
  for (HeaderButton* b : {btnFromFile, btnToFile, BtnPrint, btnDef, btnBtnUp, btnBtnDn}) {
    // DisableButtons governs the read and the factory button; the others are
    // allowed whenever they have something to do.
    buttons_[b].allowed = !(b == btnBtnUp || b == btnDef);
    if (b == btnBtnUp || b == btnBtnDn) continue;
    connect(b, &QAbstractButton::clicked, this, [this, b] { Click(b); });
  }
  connect(aReadFromDev, &QAction::triggered, this, [this] { Click(btnBtnUp); });
  connect(aApply, &QAction::triggered, this, [this] { Click(btnBtnDn); });
  for (auto& [b, state] : buttons_) UpdateButton(b);

  lbProgress1 = new QLabel(header);
  lbProgress1->setObjectName("lbProgress1");
  lbProgress1->setStyleSheet("color: white;");
  pbProgress = new QProgressBar(header);
  pbProgress->setObjectName("pbProgress");
  pbProgress->setRange(0, 100);
  pbProgress->setTextVisible(false);
  pbProgress->hide();
  header->progressText = lbProgress1;
  header->progressBar = pbProgress;
  return header;
}

QWidget* TMainForm::BuildMenuBar() {
  auto* bar = new QWidget(this);
  bar->setObjectName("MenuBar");
  bar->setFixedHeight(40);
  bar->setAutoFillBackground(true);
  QPalette pal = bar->palette();
  pal.setColor(QPalette::Window, QColor(226, 232, 238));
  bar->setPalette(pal);
  auto* h = new QHBoxLayout(bar);
  h->setContentsMargins(8, 4, 12, 4);
  h->setSpacing(4);

  pageActions_ = new QActionGroup(this);
  pageActions_->setExclusive(true);
  struct PageAction {
    const char* name;
    const char* text;
    bool button;
  };
  const PageAction pages[] = {{"aAutoFrame", "Авто", true},           {"aOptionsFrame", "Настройки", true},
                              {"aConnectionsFrame", "Подключение", true}, {"aImpulsesFrame", "Импульсы", true},
                              {"aCANFrame", "CAN", true},             {"aRStartFrame", "Модуль запуска", true},
                              {"aInternetFrame", "Интернет", true},     {"aMessagesFrame", "Сообщения", false}};
  for (const auto& p : pages) {
    auto* a = new QAction(p.text, this);
    a->setObjectName(p.name);
    a->setCheckable(true);
    pageActions_->addAction(a);
    actions_[p.name] = a;
    connect(a, &QAction::triggered, this, [this, a] { SelectFrame(a->objectName()); });
    if (!p.button) continue;
    auto* b = new QToolButton(bar);
    b->setObjectName(QString("btn") + QString(p.name).mid(1));
    b->setDefaultAction(a);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setMinimumWidth(86);
    b->setStyleSheet(
        "QToolButton { border: none; padding: 6px 12px; color: rgb(30,45,60); }"
        "QToolButton:checked { background: white; border-bottom: 2px solid rgb(62,96,130); font-weight: bold; }"
        "QToolButton:hover:!checked { background: rgb(240,244,248); }"
        "QToolButton:disabled { color: rgb(150,158,166); }");
    h->addWidget(b);
  }
  for (const char* name : {"aImpulsesFrame", "aCANFrame"}) actions_[name]->setEnabled(false);
  h->addStretch(1);

  lbSN = new QLabel(bar);
  lbSN->setObjectName("lbSN");
  lbSN->setStyleSheet("color: rgb(30,45,60); font-weight: bold;");
  lbSN->hide();
  lbBootInfo = new QLabel(bar);
  lbBootInfo->setObjectName("lbBootInfo");
  lbBootInfo->setStyleSheet("color: rgb(80,95,110);");
  lbBootInfo->hide();
  cbExpertMode = new QCheckBox("Режим эксперта", bar);
  cbExpertMode->setObjectName("cbExpertMode");
  connect(cbExpertMode, &QCheckBox::clicked, this, &TMainForm::cbExpertModeClick);
  h->addWidget(lbSN);
  h->addSpacing(12);
  h->addWidget(lbBootInfo);
  h->addSpacing(18);
  h->addWidget(cbExpertMode);
  return bar;
}

QWidget* TMainForm::BuildStatusPanel() {
  auto* panel = new QWidget(this);
  panel->setObjectName("StatusPanel");
  panel->setFixedWidth(kStatusPanelWidth);
  panel->setAutoFillBackground(true);
  QPalette pal = panel->palette();
  pal.setColor(QPalette::Window, QColor(246, 248, 250));
  panel->setPalette(pal);
  auto* v = new QVBoxLayout(panel);
  v->setContentsMargins(16, 18, 16, 16);
  v->setSpacing(10);
  const QString gray = QStringLiteral("color: %1;").arg(StyleColor(kColorGray));
  lbOp = new QLabel(panel);
  lbOp->setObjectName("lbOp");
  lbOp->setWordWrap(true);
  lbOp->setStyleSheet(gray + "font-size: 15px;");
  lbRes = new QLabel(panel);
  lbRes->setObjectName("lbRes");
  lbStatus = new QLabel(panel);
  lbStatus->setObjectName("lbStatus");
  lbStatus->setWordWrap(true);
  lbStatus->setStyleSheet(gray);
  for (QLabel* l : {lbOp, lbRes, lbStatus}) {
    l->setTextFormat(Qt::PlainText);
    l->hide();
    v->addWidget(l);
  }
  v->addStretch(1);

  // The activity log covers the panel in expert mode.
  DisplayMemo = new QPlainTextEdit(panel);
  DisplayMemo->setObjectName("DisplayMemo");
  DisplayMemo->setReadOnly(true);
  DisplayMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  DisplayMemo->hide();
  panel->installEventFilter(this);
  connect(DisplayMemo->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    // The user scrolled away from the end: the log stops following it.
    if (!scrolling_) core_.StatusPanel().SetPaused(value < DisplayMemo->verticalScrollBar()->maximum());
  });
  return panel;
}

void TMainForm::LoadFrames() {
  LeftPanel->AddPage(new TAutoFrame(LeftPanel));
  LeftPanel->AddPage(new TOptionsFrame(LeftPanel));
  LeftPanel->AddPage(new TMessagesFrame(LeftPanel));
  LeftPanel->AddPage(new TConnectionsFrame(LeftPanel));
  LeftPanel->AddPage(new TImpulsesFrame(LeftPanel));
  LeftPanel->AddPage(new TCANFrame(LeftPanel));
  LeftPanel->AddPage(new TInternetFrame(LeftPanel));
  LeftPanel->AddPage(new TRStartFrame(LeftPanel));
  SelectFrame("aAutoFrame");
}

void TMainForm::SelectFrame(const QString& actionName) {
  if (LeftPanel->SelectFrame(actionName, ExpertMode()))
    if (auto it = actions_.find(actionName); it != actions_.end()) it->second->setChecked(true);
}

// ---------------------------------------------------------------------------
// settings and expert mode

void TMainForm::LoadSettings() {
  QtSettingsStore store;
  LoadAppSettings(store, settings_);
  FMaxInstances = settings_.InstancesAllowed;
  cbExpertMode->setChecked(settings_.ExpertMode);  // restored without the question
  RefreshExpertMode();
}

void TMainForm::ProxyUpdate() {
  http_->SetProxy(server::ProxySettings::FromFields(settings_.ProxyAddr, settings_.ProxyPort, settings_.ProxyLogin,
                                                    settings_.ProxyPassword));
}

void TMainForm::SaveSettings() {
  settings_.ExpertMode = ExpertMode();
  settings_.InstancesAllowed = FMaxInstances;
  QtSettingsStore store;
  SaveAppSettings(store, settings_);
  store.Settings().sync();
}

bool TMainForm::ExpertMode() const { return cbExpertMode && cbExpertMode->isChecked(); }

void TMainForm::cbExpertModeClick(bool checked) {
  if (checked && !ConfirmExpertMode(true, *this)) cbExpertMode->setChecked(false);
  RefreshExpertMode();
}

void TMainForm::RefreshExpertMode() {
  const bool expert = ExpertMode();
  DisplayMemo->setVisible(expert);
  if (expert) DisplayMemo->raise();
  for (const char* name : {"aImpulsesFrame", "aCANFrame"}) actions_[name]->setEnabled(expert);
  LeftPanel->SetExpertMode(expert);
}

// ---------------------------------------------------------------------------
// buttons

void TMainForm::SetButtonHandler(const QString& name, std::function<void()> handler) {
  for (auto& [b, state] : buttons_)
    if (b->objectName() == name) {
      state.handler = std::move(handler);
      UpdateButton(b);
    }
}

void TMainForm::UpdateButton(QAbstractButton* button) {
  const ButtonState& s = buttons_[button];
  const bool enabled = s.allowed && !s.busy && static_cast<bool>(s.handler);
  button->setEnabled(enabled);
  button->setDown(s.busy);
  if (button == btnBtnUp) aReadFromDev->setEnabled(enabled);
  if (button == btnBtnDn) aApply->setEnabled(enabled);
}

void TMainForm::ApplyButtonStates(const ButtonStates& states) {
  buttons_[btnBtnUp].allowed = states.read;
  buttons_[btnDef].allowed = states.factory;
  UpdateButton(btnBtnUp);
  UpdateButton(btnDef);
}

void TMainForm::SetActionBusy(PagesHook::Button button, bool busy) {
  QAbstractButton* b = button == PagesHook::Button::kRead ? static_cast<QAbstractButton*>(btnBtnUp) : btnBtnDn;
  buttons_[b].busy = busy;
  UpdateButton(b);
}

void TMainForm::RunWorkflow(const std::function<void()>& fn) {
  IdleHandler::BusyScope busy(core_.Idler());
  fn();
}

void TMainForm::Click(QAbstractButton* button) {
  const std::function<void()> handler = buttons_[button].handler;
  if (!handler || !button->isEnabled()) return;
  try {
    RunWorkflow(handler);
  } catch (const std::exception& e) {
    // A workflow that raises an error ends up in the error message box.
    ReportError(e.what());
  }
}

// ---------------------------------------------------------------------------
// idle handler and notices

void TMainForm::ScheduleIdle() {
  idleWanted_ = true;
  if (idleInstalled_ && !idleTimer_->isActive()) idleTimer_->start();
}

void TMainForm::RunIdle() {
  idleWanted_ = false;
  bool done = true;
  try {
    done = core_.Idle();
    if (!done) ScheduleIdle();
  } catch (const std::exception& e) {
    ReportError(e.what());
  }
  // A notice of the backend waits until the tasks that were ready have had
  // their say on the status line.
  if (done && !pendingNotice_.empty() && !core_.Idler().Busy()) {
    const std::string text = std::move(pendingNotice_);
    pendingNotice_.clear();
    StatusOps().Display(text, true);
  }
}

void TMainForm::UnitRefused(const std::string& text) {
  QMetaObject::invokeMethod(
      this,
      [this, text] {
        pendingNotice_ = text;
        ScheduleIdle();
      },
      Qt::QueuedConnection);
}

void TMainForm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  // Once, when the window first appears.
  if (!e->spontaneous() && Timer1 && !shown_) {
    shown_ = true;
    Timer1->start();
  }
}

void TMainForm::Timer1Timer() {
  if (!workflows_) return;
  // Never inside other work: try again once it has ended.
  if (core_.Idler().Busy()) {
    Timer1->start();
    return;
  }
  RunWorkflow([this] { workflows_->StartUpTimer(); });
}

bool TMainForm::PostPlugMessage(PlugReceiver to, PlugMsg msg) {
  switch (to) {
    case PlugReceiver::kConnectionsPage:
      return orv::PostPlugMessage(LeftPanel ? LeftPanel->Page("ConnectionsFrame") : nullptr, msg);
    case PlugReceiver::kRStartPage:
      return orv::PostPlugMessage(LeftPanel ? LeftPanel->Page("RStartFrame") : nullptr, msg);
    case PlugReceiver::kHiddenWindow:
      return orv::PostPlugMessage(FHWnd, msg);
  }
  return false;
}

bool TMainForm::event(QEvent* e) {
  if (e->type() == NoticeEventType()) {
    wakeupPending_ = false;
    if (FOrvantis) FOrvantis->ProcessHIDMessages();
    return true;
  }
  return QMainWindow::event(e);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::Resize && DisplayMemo && watched == DisplayMemo->parentWidget()) {
    DisplayMemo->setGeometry(static_cast<QWidget*>(watched)->rect());
  } else if (e->type() == QEvent::KeyPress && watched->isWidgetType()) {
    // Every key typed in this window, seen once: by the widget it is sent to
    // first (the focus widget, or the window itself when nothing has focus).
    auto* w = static_cast<QWidget*>(watched);
    QWidget* first = QApplication::focusWidget();
    if (w->window() == this && (w == first || (!first && w == this))) {
      const QString text = static_cast<QKeyEvent*>(e)->text();
      for (char32_t c : text.toUcs4()) {
        if (c < 0x20 || c == 0x7F) continue;
        if (const ServiceWord word = keys_.Type(c); word != ServiceWord::kNone) emit serviceWordTyped(static_cast<int>(word));
      }
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void TMainForm::SetSerialLabel(const std::string& text) { lbSN->setText(Q(text)); }
void TMainForm::SetBootInfoLabel(const std::string& text) { lbBootInfo->setText(Q(text)); }

void TMainForm::ShowUnitLabels(bool visible) {
  lbSN->setVisible(visible);
  lbBootInfo->setVisible(visible);
}

void TMainForm::ReportError(const std::string& text) { MessageBox(text); }

void TMainForm::TaskStarted(uint8_t task) { emit taskStarted(task); }

// ---------------------------------------------------------------------------
// status panel

void TMainForm::PanelChanged(const StatusPanel& p) {
  lbOp->setText(Q(p.op));
  lbOp->setVisible(p.opVisible);
  lbRes->setText(Q(p.res));
  lbRes->setStyleSheet(QStringLiteral("color: %1; font-size: 22px; font-weight: bold;").arg(StyleColor(p.resColor)));
  lbRes->setVisible(p.resVisible);
  lbStatus->setText(Q(p.status));
  lbStatus->setVisible(p.statusVisible);
}

void TMainForm::LogCleared() { DisplayMemo->clear(); }

void TMainForm::LogAppended(const std::vector<std::string>& lines, bool scrollToEnd) {
  QScrollBar* sb = DisplayMemo->verticalScrollBar();
  scrolling_ = true;
  const int keep = sb->value();
  for (const auto& line : lines) DisplayMemo->appendPlainText(Q(line));
  sb->setValue(scrollToEnd ? sb->maximum() : keep);
  scrolling_ = false;
}

void TMainForm::ProgressChanged(const ProgressState& progress, bool doProcMsg) {
  lbProgress1->setText(Q(progress.text));
  lbProgress1->setVisible(progress.visible);
  const bool bar = progress.visible && progress.percent >= 0;
  if (bar) pbProgress->setValue(std::min(progress.percent, 100));
  pbProgress->setVisible(bar);
  if (doProcMsg && !busyCursor_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    busyCursor_ = true;
  }
  if (!progress.visible) RestoreCursor();
}

void TMainForm::ActionFinished() { RestoreCursor(); }

void TMainForm::RestoreCursor() {
  if (!busyCursor_) return;
  QApplication::restoreOverrideCursor();
  busyCursor_ = false;
}

// ---------------------------------------------------------------------------
// dialogs

Prompts::Answer TMainForm::WarningDialog(const std::string& msg, const std::vector<std::string>& captions) {
  QString text = Q(msg);
  text.replace("\r\n", "\n");
  QMessageBox box(QMessageBox::Warning, "Внимание!", text, QMessageBox::NoButton, this);
  box.setObjectName("WarningDialog");
  std::vector<QPushButton*> buttons;
  if (captions.size() >= 2) {
    buttons.push_back(box.addButton(QMessageBox::Yes));
    buttons.push_back(box.addButton(QMessageBox::No));
    box.setDefaultButton(QMessageBox::No);
  } else {
    buttons.push_back(box.addButton(QMessageBox::Ok));
  }
  for (size_t i = 0; i < buttons.size() && i < captions.size(); ++i) buttons[i]->setText(Q(captions[i]));
  RestoreCursor();
  box.exec();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
      return Answer::kYes;
    case QMessageBox::No:
      return Answer::kNo;
    case QMessageBox::Ok:
      return Answer::kOk;
    default:
      return Answer::kCancel;
  }
}

void TMainForm::MessageBox(const std::string& msg) {
  RestoreCursor();
  QMessageBox box(QMessageBox::Critical, windowTitle(), Q(msg), QMessageBox::Ok, this);
  box.setObjectName("ErrorMessage");
  box.exec();
}

std::string TMainForm::ChooseOpenFile(const std::string& title, const std::string& filter) {
  RestoreCursor();
  return ChooseFile(this, QFileDialog::AcceptOpen, title, filter, {});
}

std::string TMainForm::ChooseSaveFile(const std::string& title, const std::string& filter,
                                      const std::string& suggestedName) {
  RestoreCursor();
  return ChooseFile(this, QFileDialog::AcceptSave, title, filter, suggestedName);
}

}  // namespace orv
