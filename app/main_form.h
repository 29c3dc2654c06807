// TMainForm: the configurator's window. It owns the device link, the pages
// and the task queue (in MainCore), shows the status panel, and delivers the
// link's plug and unplug notices on the GUI thread.
#pragma once

#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <map>
#include <memory>

#include "app/action_rules.h"
#include "app/app_settings.h"
#include "app/configurator_options.h"
#include "app/hidden_keys.h"
#include "app/main_core.h"
#include "core/seams.h"
#include "app/settings_actions.h"
#include "app/status_model.h"
#include "app/version.h"
#include "device/hid.h"
#include "server/http_client.h"

class QAbstractButton;
class QKeyEvent;
class QAction;
class QActionGroup;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QTimer;
class QToolButton;

namespace orv {

class TOrvantis;
class TPageContainer;
class TPageModels;
struct TPageEnv;
class ContentActions;
class FirmwareActions;
class HeaderButton;
class HiddenWindow;
class ReportAction;

// Keeps the window alive during long work. User input is processed too, so
// that it is handled now rather than after the work: the actions that must
// not start meanwhile are disabled while a workflow runs (a click on them is
// dropped instead of running afterwards), the others (page switching,
// editing) stay live.
class QtPump final : public Pump {
 public:
  void Run() override;
  // Sleeps in the event loop until an event comes (a repaint, a click, a
  // timer) or another thread calls Wake.
  void WaitAndRun() override;
  void Wake() override;
};

class TMainForm : public QMainWindow, public MainView, public StatusView, public Prompts {
  Q_OBJECT

 public:
  // `controller` may be null (no unit can be found).
  TMainForm(ConfiguratorOptions options, std::unique_ptr<HidController> controller, QWidget* parent = nullptr);
  ~TMainForm() override;

  MainCore& Core() { return core_; }
  StatusModel& StatusOps() { return core_.StatusPanel(); }
  TOrvantis* Link() const { return FOrvantis.get(); }
  HidController* Controller() const { return controller_.get(); }
  const ConfiguratorOptions& Options() const { return options_; }
  TPageModels& PageModels() const { return *pageModels_; }
  TPageContainer* Pages() const { return LeftPanel; }
  AppSettings& Settings() { return settings_; }
  bool ExpertMode() const;
  int MaxInstances() const { return FMaxInstances; }
  const BuildVersion& Version() const { return FV; }
  // The settings workflows and the settings image (the fifteen regions).
  SettingsActions& Workflows() { return *workflows_; }
  ContentActions& Content() { return *content_; }
  // BtnPrint: the print dialog and the settings report.
  ReportAction& Report() { return *report_; }
  TSettingsSession& Session() { return workflows_->Session(); }
  // The client of the maker's server (--server / --ca), waiting through the
  // window's pump while a request runs.
  server::HttpClient& Http() { return *http_; }
  // Tasks 22 and 10 and the action "Обновление ПО ядра системы"; null while
  // no server was given (--server / ORVANTIS_SERVER).
  FirmwareActions* Firmware() const { return firmware_.get(); }
  // Copies the proxy fields of the Internet page into the application
  // settings and into the client.
  void ProxyUpdate();
  // From any thread: the backend refused to open a unit; the text is shown on
  // the status panel once the window has nothing else to do.
  void UnitRefused(const std::string& text);

  // A top-bar button runs `handler` when clicked, as a workflow (no queued
  // task starts inside it; an error it raises is shown in a message box); a
  // button without one stays disabled. Names: btnFromFile, btnToFile,
  // BtnPrint, btnDef, btnBtnUp (action aReadFromDev), btnBtnDn (action aApply).
  void SetButtonHandler(const QString& name, std::function<void()> handler);
  // Runs a workflow that is a direct reaction to a control: no queued task
  // starts while it runs. Refused (false) while another workflow runs.
  bool RunWorkflow(const std::function<void()>& fn);
  void SelectFrame(const QString& actionName);
  // Another action that starts a workflow (a page's or a later part's): the
  // window disables it while a workflow runs and, when `needsUnit`, while no
  // unit is attached; `extra`, when given, must hold as well. The window owns
  // the action's enabled state from now on.
  void GovernAction(QAction* action, bool needsUnit, std::function<bool()> extra = {});
  // Shows the next (step 1) or previous (step -1) enabled page of the menu.
  void CyclePage(int step);
  // The window was asked to close while a workflow ran: it closes when that
  // workflow has ended.
  bool ClosePending() const { return closePending_; }
  // The actions that must not start while the unit is busy are allowed
  // (DisableButtons(false) was the last word).
  bool UnitActionsAllowed() const;

  // MainView
  bool PostPlugMessage(PlugReceiver to, PlugMsg msg) override;
  void SetSerialLabel(const std::string& text) override;
  void SetBootInfoLabel(const std::string& text) override;
  void ShowUnitLabels(bool visible) override;
  void ApplyButtonStates(const ButtonStates& states) override;
  void ScheduleIdle() override;
  void ReportError(const std::string& text) override;
  void TaskStarted(uint8_t task) override;
  void SetActionBusy(PagesHook::Button button, bool busy) override;

  // StatusView
  void PanelChanged(const StatusPanel& panel) override;
  void LogCleared() override;
  void LogAppended(const std::vector<std::string>& lines, bool scrollToEnd) override;
  void ProgressChanged(const ProgressState& progress, bool doProcMsg) override;
  void ActionFinished() override;

  // Prompts
  Answer WarningDialog(const std::string& msg, const std::vector<std::string>& captions) override;
  void MessageBox(const std::string& msg) override;
  std::string ChooseOpenFile(const std::string& title, const std::string& filter) override;
  std::string ChooseSaveFile(const std::string& title, const std::string& filter,
                             const std::string& suggestedName) override;

 signals:
  void taskStarted(int task);
  void serviceWordTyped(int word);  // a ServiceWord
  // The enabled state of the actions was worked out again (a workflow began
  // or ended, the unit came or went, DisableButtons).
  void actionsRefreshed();

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildUi();
  QWidget* BuildHeader();
  QWidget* BuildMenuBar();
  QWidget* BuildStatusPanel();
  void LoadFrames();
  void LoadSettings();
  void SaveSettings();
  void cbExpertModeClick(bool checked);
  void RefreshExpertMode();
  void RunIdle();
  HeaderButton* AddHeaderButton(QWidget* header, const char* name, const char* actionName, const QString& text,
                                const QString& hint, const QKeySequence& shortcut, ActionRule rule);
  void RefreshActions();
  void WorkflowStateChanged(bool running);
  bool PageKey(QKeyEvent* e);
  void Click(QAbstractButton* button);
  void RestoreCursor();
  void Timer1Timer();

  ConfiguratorOptions options_;
  std::unique_ptr<HidController> controller_;
  MainCore core_;
  QtPump pump_;
  std::unique_ptr<server::HttpClient> http_;
  std::unique_ptr<FirmwareActions> firmware_;
  QAction* aCoreUpdate = nullptr;
  void SetUpFirmware();
  std::unique_ptr<TOrvantis> FOrvantis;
  HiddenWindow* FHWnd = nullptr;
  AppSettings settings_;
  HiddenKeys keys_;
  BuildVersion FV;
  int FMaxInstances = 0;
  // The pages' models: what the views show and the settings workflows load and store.
  std::unique_ptr<TPageEnv> pageEnv_;
  std::unique_ptr<TPageModels> pageModels_;
  std::unique_ptr<SettingsActions> workflows_;
  std::unique_ptr<ContentActions> content_;
  std::unique_ptr<ReportAction> report_;

  // top bar
  HeaderButton* btnFromFile = nullptr;
  HeaderButton* btnToFile = nullptr;
  HeaderButton* BtnPrint = nullptr;
  HeaderButton* btnDef = nullptr;
  HeaderButton* btnBtnUp = nullptr;
  HeaderButton* btnBtnDn = nullptr;
  QAction* aFromFile = nullptr;
  QAction* aToFile = nullptr;
  QAction* aPrint = nullptr;
  QAction* aDef = nullptr;
  QAction* aReadFromDev = nullptr;
  QAction* aApply = nullptr;
  QLabel* lbProgress1 = nullptr;
  QProgressBar* pbProgress = nullptr;
  QLabel* lbVer1 = nullptr;
  // menu bar of pages
  QActionGroup* pageActions_ = nullptr;
  std::map<QString, QAction*> actions_;
  QCheckBox* cbExpertMode = nullptr;
  QLabel* lbSN = nullptr;
  QLabel* lbBootInfo = nullptr;
  // pages and status panel
  TPageContainer* LeftPanel = nullptr;
  QLabel* lbOp = nullptr;
  QLabel* lbRes = nullptr;
  QLabel* lbStatus = nullptr;
  QPlainTextEdit* DisplayMemo = nullptr;

  struct ButtonState {
    bool allowed = false;  // by DisableButtons; buttons it does not govern are always allowed
    bool busy = false;     // its workflow runs: pressed and disabled
    std::function<void()> handler;
    QAction* action = nullptr;  // carries the shortcut; triggered by the button
    ActionRule rule;
    std::string hint;
    std::string shortcut;
  };
  std::map<QAbstractButton*, ButtonState> buttons_;
  struct Governed {
    QPointer<QAction> action;
    bool needsUnit = false;
    std::function<bool()> extra;
  };
  std::vector<Governed> governed_;
  bool closePending_ = false;

  QTimer* idleTimer_ = nullptr;
  QTimer* Timer1 = nullptr;
  bool shown_ = false;
  std::string pendingNotice_;
  bool idleInstalled_ = false;
  bool idleWanted_ = false;
  bool busyCursor_ = false;
  bool scrolling_ = false;
  std::atomic<bool> wakeupPending_{false};
};

}  // namespace orv
