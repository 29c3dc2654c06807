#include "app/main_form.h"

#include "app/content_actions.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
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
#include "app/page_cycle.h"
#include "app/firmware_actions.h"
#include "app/file_filter.h"
#include "app/header_button.h"
#include "app/qt_settings_store.h"
#include "app/report_action.h"
#include "device/orvantis.h"
#include "pages/auto_frame.h"
#include "pages/can_frame.h"
#include "pages/connections_frame.h"
#include "pages/impulses_frame.h"
#include "pages/internet_frame.h"
#include "pages/messages_frame.h"
#include "pages/options_frame.h"
#include "pages/page_container.h"
#include "pages/model/connections_page.h"
#include "pages/model/impulses_page.h"
#include "pages/model/internet_model.h"
#include "pages/model/page_models.h"
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

// The expert-mode check box is ticked only once the question has been
// answered "Да": the question comes before the tick, not after it.
class ConfirmedCheckBox final : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;
  std::function<bool()> confirmOn;

 protected:
  void nextCheckState() override {
    if (!isChecked() && confirmOn && !confirmOn()) return;
    QCheckBox::nextCheckState();
  }
};

constexpr const char* kCloseAfterWrite = "Идёт запись настроек: окно закроется после её окончания";
constexpr const char* kCloseAfterWork = "Окно закроется после окончания текущей операции";

// The menu's page buttons, in menu order.
constexpr const char* kMenuPages[] = {"aAutoFrame",  "aOptionsFrame",  "aConnectionsFrame", "aImpulsesFrame",
                                      "aCANFrame",   "aRStartFrame",   "aInternetFrame"};

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

void QtPump::Run() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtPump::WaitAndRun() { QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents); }

void QtPump::Wake() {
  // The dispatcher of the window's thread; wakeUp is safe from any thread.
  if (QCoreApplication* app = QCoreApplication::instance())
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance(app->thread())) d->wakeUp();
}

TMainForm::TMainForm(ConfiguratorOptions options, std::unique_ptr<HidController> controller, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)), controller_(std::move(controller)), core_(*this) {
  setWindowTitle("Конфигуратор Orvantis");
  setObjectName("MainForm");
  BuildUi();
  core_.StatusPanel().SetView(this);
  core_.StatusPanel().SetPump(&pump_);
  core_.Idler().SetOnBusyChange([this](bool running) { WorkflowStateChanged(running); });

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
  pageEnv_ = std::make_unique<TPageEnv>();
  pageEnv_->prompts = this;
  pageEnv_->proxyUpdate = [this] { ProxyUpdate(); };
  pageModels_ = std::make_unique<TPageModels>(*pageEnv_);
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
  workflows_ = std::make_unique<SettingsActions>(core_, *FOrvantis, *this, *pageModels_);
  // Task 8: the pages' synchronisation JSON as they are when it is sent.
  workflows_->SetUpSync(
      *http_, [this] { return core_.SN(); }, [this] { return pageModels_->SyncJSON(TSDate::Now()); },
      [this] { ProxyUpdate(); });
  SetButtonHandler("btnBtnUp", [this] { workflows_->ReadFromDev(); });
  SetButtonHandler("btnBtnDn", [this] { workflows_->Apply(); });
  SetButtonHandler("btnDef", [this] { workflows_->FactoryDefaults(); });
  SetButtonHandler("btnToFile", [this] { workflows_->SaveToFile(); });
  SetButtonHandler("btnFromFile", [this] { workflows_->LoadFromFile(); });
  report_ = std::make_unique<ReportAction>(*pageModels_, [this] { return lbSN->text(); });
  SetButtonHandler("BtnPrint", [this] { report_->Run(); });
  SetUpFirmware();
  // The CAN firmware, voice prompt and self-update actions (tasks 2, 4, 24,
  // 25, 29), before the queue starts so its start-up tasks exist.
  content_ = std::make_unique<ContentActions>(*this);
  // The report's vehicle section prints what the vehicle page shows.
  report_->Vehicle = [this] {
    const auto* page = LeftPanel ? qobject_cast<TAutoFrame*>(LeftPanel->Page("AutoFrame")) : nullptr;
    return page ? page->ReportData() : TVehicleReport{};
  };
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
  FOrvantis.reset();  // gives the unit back before its controller goes
  controller_.reset();
  core_.RegisterLink(nullptr);
  core_.StatusPanel().SetView(nullptr);
  RestoreCursor();
  delete FHWnd;
  FHWnd = nullptr;
  // The controls go while the state their signals reach still exists.
  delete takeCentralWidget();
  pageModels_.reset();  // after the views that show them
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

  const ActionRule local;                      // works without a unit
  const ActionRule unit{true, {}};              // talks to the unit
  const ActionRule print = local;  // prints what the pages show, unit or not
  btnFromFile = AddHeaderButton(header, "btnFromFile", "aFromFile", "Загрузка настроек из файла",
                                "Загрузка настроек из файла", QKeySequence(Qt::CTRL | Qt::Key_O), local);
  btnToFile = AddHeaderButton(header, "btnToFile", "aToFile", "Сохранение настроек в файле",
                              "Сохранение настроек в файле", QKeySequence(Qt::CTRL | Qt::Key_S), local);
  BtnPrint = AddHeaderButton(header, "BtnPrint", "aPrint", "Печать настроек", "Печать настроек",
                             QKeySequence(Qt::CTRL | Qt::Key_P), print);
  btnDef = AddHeaderButton(header, "btnDef", "aDef", "Установить заводские параметры настроек",
                           "Установить заводские параметры настроек", {}, unit);
  btnBtnUp = AddHeaderButton(header, "btnBtnUp", "aReadFromDev", "Прочитать настройки",
                             "Прочитать настройки из устройства", QKeySequence(Qt::CTRL | Qt::Key_R), unit);
  btnBtnDn = AddHeaderButton(header, "btnBtnDn", "aApply", "Применить изменения",
                             "Сохранить настройки в личном кабинете пользователя и на устройстве  ", {}, unit);
  aFromFile = buttons_[btnFromFile].action;
  aToFile = buttons_[btnToFile].action;
  aPrint = buttons_[BtnPrint].action;
  aDef = buttons_[btnDef].action;
  aReadFromDev = buttons_[btnBtnUp].action;
  aApply = buttons_[btnBtnDn].action;
  header->fromFile = btnFromFile;
  header->toFile = btnToFile;
  header->print = BtnPrint;
  header->factory = btnDef;
  header->read = btnBtnUp;
  header->apply = btnBtnDn;
  // DisableButtons governs the read and the factory button.
  for (HeaderButton* b : {btnFromFile, btnToFile, BtnPrint, btnBtnDn})
    buttons_[b].allowed = true;

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

HeaderButton* TMainForm::AddHeaderButton(QWidget* header, const char* name, const char* actionName,
                                         const QString& text, const QString& hint, const QKeySequence& shortcut,
                                         ActionRule rule) {
  auto* b = new HeaderButton(name, text, header);
  b->setToolTipDuration(kHintMs);
  auto* a = new QAction(text, this);
  a->setObjectName(actionName);
  a->setToolTip(hint);
  if (!shortcut.isEmpty()) {
    a->setShortcut(shortcut);
    a->setShortcutContext(Qt::WindowShortcut);
  }
  addAction(a);  // the shortcut works wherever the focus is in the window
  ButtonState& state = buttons_[b];
  state.action = a;
  state.rule = std::move(rule);
  state.hint = hint.toStdString();
  state.shortcut = shortcut.toString(QKeySequence::PortableText).toStdString();
  connect(b, &QAbstractButton::clicked, this, [this, b] { Click(b); });
  connect(a, &QAction::triggered, this, [this, b] { Click(b); });
  return b;
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
                              {"aInternetFrame", "Интернет", true},     {"aMessagesFrame", "Сообщения", true}};
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
        "QToolButton:checked { background: white; border-bottom: 2px solid rgb(62,96,130); font-weight: bold; padding: 6px 4px; }"
        "QToolButton:hover:!checked { background: rgb(240,244,248); }"
        "QToolButton:focus { border: 2px solid rgb(230,150,20); padding: 4px 10px; }"
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
  auto* expert = new ConfirmedCheckBox("Режим эксперта", bar);
  expert->confirmOn = [this] { return ConfirmExpertMode(true, *this); };
  cbExpertMode = expert;
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
  DisplayMemo->setTabChangesFocus(true);  // Tab leaves the log instead of being typed into it
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
  LeftPanel->AddPage(new TOptionsFrame(LeftPanel, *pageModels_->Model("OptionsFrame")));
  LeftPanel->AddPage(new TMessagesFrame(LeftPanel, *pageModels_->Model("MessagesFrame")));
  LeftPanel->AddPage(new TConnectionsFrame(LeftPanel, *pageModels_->ModelAs<TConnectionsPageModel>("ConnectionsFrame"),
                                            FOrvantis.get(), &core_.StatusPanel(), this));
  LeftPanel->AddPage(new TImpulsesFrame(LeftPanel, *pageModels_->ModelAs<TImpulsesPageModel>("ImpulsesFrame")));
  LeftPanel->AddPage(new TCANFrame(LeftPanel, *pageModels_->ModelAs<TCanModel>("CANFrame")));
  LeftPanel->AddPage(new TInternetFrame(LeftPanel, *pageModels_->Model("InternetFrame")));
  LeftPanel->AddPage(new TRStartFrame(LeftPanel, *pageModels_, FOrvantis.get(), &StatusOps()));
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
  if (auto* inet = pageModels_->ModelAs<TInternetModel>("InternetFrame"))
    inet->SetProxy({settings_.ProxyAddr, settings_.ProxyPort, settings_.ProxyLogin, settings_.ProxyPassword});
  cbExpertMode->setChecked(settings_.ExpertMode);  // restored without the question
  RefreshExpertMode();
}

void TMainForm::ProxyUpdate() {
  if (auto* inet = pageModels_ ? pageModels_->ModelAs<TInternetModel>("InternetFrame") : nullptr) {
    const TProxyFields p = inet->Proxy();
    settings_.ProxyAddr = p.addr;
    settings_.ProxyPort = p.port;
    settings_.ProxyLogin = p.login;
    settings_.ProxyPassword = p.password;
  }
  http_->SetProxy(server::ProxySettings::FromFields(settings_.ProxyAddr, settings_.ProxyPort, settings_.ProxyLogin,
                                                    settings_.ProxyPassword));
}

void TMainForm::SaveSettings() {
  ProxyUpdate();
  settings_.ExpertMode = ExpertMode();
  settings_.InstancesAllowed = FMaxInstances;
  QtSettingsStore store;
  SaveAppSettings(store, settings_);
  store.Settings().sync();
}

bool TMainForm::ExpertMode() const { return cbExpertMode && cbExpertMode->isChecked(); }

void TMainForm::cbExpertModeClick(bool /*checked*/) {
  // The question was asked before the tick (ConfirmedCheckBox).
  RefreshExpertMode();
}

void TMainForm::RefreshExpertMode() {
  const bool expert = ExpertMode();
  DisplayMemo->setVisible(expert);
  if (expert) DisplayMemo->raise();
  for (const char* name : {"aImpulsesFrame", "aCANFrame"}) actions_[name]->setEnabled(expert);
  // An engineering page may not stay on screen without expert mode.
  TCLFrame* current = LeftPanel->CurrentFrame();
  if (!expert && current && PageNeedsExpertMode(("a" + current->objectName()).toStdString())) {
    SelectFrame("aOptionsFrame");
    return;  // the new page heard of the mode when it was selected
  }
  LeftPanel->SetExpertMode(expert);
}

void TMainForm::CyclePage(int step) {
  std::vector<PageEntry> menu;
  for (const char* name : kMenuPages) menu.push_back({name, actions_[name]->isEnabled()});
  TCLFrame* current = LeftPanel->CurrentFrame();
  const std::string next = NextPage(menu, current ? "a" + current->objectName().toStdString() : "", step);
  if (!next.empty()) SelectFrame(Q(next));
}

bool TMainForm::PageKey(QKeyEvent* e) {
  if (!(e->modifiers() & Qt::ControlModifier)) return false;
  const bool shift = e->modifiers() & Qt::ShiftModifier;
  switch (e->key()) {
    case Qt::Key_Tab:
      CyclePage(shift ? -1 : 1);
      return true;
    case Qt::Key_Backtab:
      CyclePage(-1);
      return true;
    case Qt::Key_PageDown:
      CyclePage(1);
      return true;
    case Qt::Key_PageUp:
      CyclePage(-1);
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------
// buttons

void TMainForm::SetButtonHandler(const QString& name, std::function<void()> handler) {
  for (auto& [b, state] : buttons_)
    if (b->objectName() == name) state.handler = std::move(handler);
  RefreshActions();
}

void TMainForm::RefreshActions() {
  const bool running = core_.Idler().Busy();
  const bool online = core_.Online();
  for (auto& [b, state] : buttons_) {
    ActionContext ctx;
    ctx.hasHandler = static_cast<bool>(state.handler);
    ctx.online = online;
    ctx.workflowRunning = running || state.busy;
    ctx.allowed = state.allowed;
    const ActionVerdict verdict = JudgeAction(state.rule, ctx);
    b->setEnabled(verdict.enabled);
    b->setDown(state.busy);
    state.action->setEnabled(verdict.enabled);
    b->setToolTip(Q(ActionToolTip(state.hint, state.shortcut, verdict)));
  }
  for (auto it = governed_.begin(); it != governed_.end();) {
    if (!it->action) {
      it = governed_.erase(it);
      continue;
    }
    it->action->setEnabled(!running && (!it->needsUnit || online) && (!it->extra || it->extra()));
    ++it;
  }
  // The question of the expert mode would stop the running work.
  if (cbExpertMode) cbExpertMode->setEnabled(!running);
  emit actionsRefreshed();
}

bool TMainForm::UnitActionsAllowed() const {
  const auto it = buttons_.find(btnBtnUp);
  return it != buttons_.end() && it->second.allowed;
}

void TMainForm::GovernAction(QAction* action, bool needsUnit, std::function<bool()> extra) {
  if (!action) return;
  governed_.push_back({action, needsUnit, std::move(extra)});
  RefreshActions();
}

void TMainForm::ApplyButtonStates(const ButtonStates& states) {
  buttons_[btnBtnUp].allowed = states.read;
  buttons_[btnDef].allowed = states.factory;
  RefreshActions();
}

void TMainForm::SetActionBusy(PagesHook::Button button, bool busy) {
  QAbstractButton* b = button == PagesHook::Button::kRead ? static_cast<QAbstractButton*>(btnBtnUp) : btnBtnDn;
  buttons_[b].busy = busy;
  RefreshActions();
}

void TMainForm::WorkflowStateChanged(bool running) {
  RefreshActions();
  if (!running && closePending_)
    QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
}

bool TMainForm::RunWorkflow(const std::function<void()>& fn) {
  if (core_.Idler().Busy()) {
    StatusOps().Log(action_text::kBusyLog);
    return false;
  }
  IdleHandler::BusyScope busy(core_.Idler());
  fn();
  return true;
}

void TMainForm::Click(QAbstractButton* button) {
  // The enabled state keeps the user's clicks away; a click that reaches the
  // handler all the same is judged by it (no unit) and by RunWorkflow (busy).
  const std::function<void()> handler = buttons_[button].handler;
  if (!handler) return;
  try {
    RunWorkflow(handler);
  } catch (const std::exception& e) {
    // A workflow that raises an error ends up in the error message box.
    ReportError(e.what());
  }
}

void TMainForm::closeEvent(QCloseEvent* e) {
  if (core_.Idler().Busy()) {
    // Never interrupt a write: close once it has ended, and say so.
    e->ignore();
    closePending_ = true;
    StatusOps().Display(StatusOps().Request() == request::kWriting ? kCloseAfterWrite : kCloseAfterWork, true);
    return;
  }
  QMainWindow::closeEvent(e);
}

// ---------------------------------------------------------------------------
// idle handler and notices

void TMainForm::ScheduleIdle() {
  idleWanted_ = true;
  if (idleInstalled_ && !idleTimer_->isActive()) idleTimer_->start();
}

void TMainForm::RunIdle() {
  idleWanted_ = false;
  if (closePending_) return;  // no new work once the window is to close
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
  if (!workflows_ || closePending_) return;
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
      if (PageKey(static_cast<QKeyEvent*>(e))) return true;
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
  // Texts may come from the server (a reply page): shown as they are, never
  // rendered as markup.
  box.setTextFormat(Qt::PlainText);
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
