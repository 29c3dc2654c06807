// The core headers first: the firmware catalogue names a member "slots".
#include "server/can_firmware.h"
#include "server/release_update.h"
#include "update/voice_upload.h"

#include "app/content_actions.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/firmware_actions.h"
#include "app/main_form.h"
#include "core/data_dir.h"
#include "device/identity.h"
#include "device/orvantis.h"
#include "pages/auto_frame.h"
#include "pages/model/can_model.h"
#include "pages/model/page_models.h"
#include "pages/page_container.h"
#include "settings/can_config.h"
#include "update/voice_upload.h"

namespace orv {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TUpdateMsg::TUpdateMsg(const selfupdate::TSelfVersion& v, bool checkAtStart, QWidget* parent) : QDialog(parent) {
  setObjectName("UpdateMsg");
  setWindowTitle(release_text::kDialogTitle);
  auto* layout = new QVBoxLayout(this);
  auto* Label1 = new QLabel(release_text::kDialogHeading, this);
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  layout->addWidget(Label1);
  auto* row = new QHBoxLayout;
  auto* lbVer = new QLabel(Q(selfupdate::VersionText(v.H, v.M, v.L)), this);
  lbVer->setObjectName("lbVer");
  lbVer->setFont(bold);
  auto* lbDate = new QLabel(Q(v.Date), this);
  lbDate->setObjectName("lbDate");
  row->addWidget(lbVer);
  row->addWidget(new QLabel(release_text::kDialogFrom, this));
  row->addWidget(lbDate);
  row->addStretch();
  layout->addLayout(row);
  layout->addWidget(new QLabel(release_text::kDialogChanges, this));
  auto* Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setPlainText(Q(v.History).replace("\r\n", "\n"));
  Memo1->setMinimumSize(460, 220);
  layout->addWidget(Memo1);
  cbCheckForUpdate = new QCheckBox(release_text::kDialogCheck, this);
  cbCheckForUpdate->setObjectName("cbCheckForUpdate");
  cbCheckForUpdate->setChecked(checkAtStart);
  layout->addWidget(cbCheckForUpdate);
  auto* buttons = new QDialogButtonBox(this);
  auto* Button1 = buttons->addButton(release_text::kInstall, QDialogButtonBox::AcceptRole);
  Button1->setObjectName("Button1");
  Button1->setDefault(true);
  buttons->addButton(release_text::kCancel, QDialogButtonBox::RejectRole)->setObjectName("Button2");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

bool TUpdateMsg::CheckForUpdate() const { return cbCheckForUpdate->isChecked(); }

ContentActions::ContentActions(TMainForm& form) : form_(form) {
  MainCore& core = form.Core();
  Status& st = core.StatusPanel();
  CanHost ch;
  ch.link = form.Link();
  ch.status = &st;
  ch.prompts = &form;
  ch.http = &form.Http();
  ch.serial = [&core] { return core.SN(); };
  ch.FReboot = &core.FReboot;
  ch.FRebootOK = &core.FRebootOK;
  ch.next = [&core] { core.Tasks().Next(); };
  ch.firmwareWritten = [](bool) {
    // The remote-start and impulses pages take ChangeDefaults, CANFWChanged
    // and AnalogConnection once they have their records.
  };
  ch.listChanged = [this] {
    if (page_) page_->RefillLists();
  };
  can_ = std::make_unique<CanFirmware>(ch);

  const BuildVersion v = form.Version();
  ReleaseHost rh;
  rh.http = &form.Http();
  rh.status = &st;
  rh.prompts = &form;
  rh.v1 = static_cast<uint16_t>(OwnVersion().major);
  rh.v2 = static_cast<uint16_t>(OwnVersion().minor);
  rh.v3 = static_cast<uint16_t>(OwnVersion().release);
  (void)v;
  rh.askForUpdate = [this](const selfupdate::TSelfVersion& fw) {
    TUpdateMsg dlg(fw, form_.Settings().CheckForUpdates, &form_);
    const bool ok = dlg.exec() == QDialog::Accepted;
    form_.Settings().CheckForUpdates = dlg.CheckForUpdate();
    if (page_) page_->SetCheckForSelfUpdate(dlg.CheckForUpdate());
    return ok;
  };
  rh.queueHead = [&core](uint8_t t) { core.QueueHead(t); };
  rh.next = [&core] { core.Tasks().Next(); };
  rh.readSettings = [&core] {
    // Task 3 reads the settings and releases the queue.
    core.QueueHead(3);
    core.Tasks().Next();
  };
  rh.exePath = QCoreApplication::applicationFilePath().toStdString();
  rh.storeInstancesAllowed = [this](int n) { form_.Settings().InstancesAllowed = n; };
  rh.startAndQuit = [](const std::string& path) {
    if (!QProcess::startDetached(Q(path), {})) return false;
    QCoreApplication::quit();
    return true;
  };
  self_ = std::make_unique<SelfUpdate>(rh);

  TaskTable& table = core.Table();
  // As for the firmware check: the tasks that ask the maker's server by
  // themselves (at start-up and at every connection) exist only when the
  // options name a server (the command line always does: the maker's by
  // default), so a window built without one never waits on an address.
  const bool serverNamed = !form.Options().server.empty();
  if (serverNamed)
    table.Set(cantask::kList, {can_text::kListTitle, can_text::kListProgress, [this, &core] {
                                 can_->Task2();
                                 core.FCanListRcvd = can_->FCanListRcvd;
                               }});
  table.Set(cantask::kWrite, {can_text::kWriteTitle, can_text::kWriteProgress, [this] { can_->Task4(); }});
  // The CAN page decides: it loaded the block the firmware wrote (FIsEmpty).
  table.Set(cantask::kCheckOptions, {"", "", [this] {
                                       const auto* page = form_.PageModels().ModelAs<TCanModel>("CANFrame");
                                       if (can_->DoCheckCanOptions(page->FConfig())) form_.SelectFrame("aCANFrame");
                                     }});
  if (serverNamed)
    table.Set(selftask::kCheck, {release_text::kTitle, release_text::kCheckProgress, [this] { self_->CheckTask(); }});
  table.Set(selftask::kDownload,
            {release_text::kTitle, release_text::kDownloadProgress, [this] { self_->DownloadTask(); }});

  WirePage();
}

ContentActions::~ContentActions() {
  TaskTable& table = form_.Core().Table();
  for (uint8_t t : {cantask::kList, cantask::kWrite, cantask::kCheckOptions, selftask::kCheck, selftask::kDownload})
    table.Remove(t);
  if (FirmwareActions* fw = form_.Firmware()) {
    fw->onInfoChanged = nullptr;
    fw->onShowUpdatePage = nullptr;
  }
  if (unitRefresh_) form_.Core().onUnitRefresh = nullptr;
  // The choice goes with this object; the page outlives it.
  if (page_) page_->SetChoice(nullptr);
}

void ContentActions::WirePage() {
  page_ = form_.Pages() ? qobject_cast<TAutoFrame*>(form_.Pages()->Page("AutoFrame")) : nullptr;
  if (!page_) return;
  TAutoFrame* page = page_;
  QObject* ctx = ctx_.get();
  page->SetChoice(&can_->Choice());
  page->SetServerNamed(!form_.Options().server.empty());
  page->SetCheckForSelfUpdate(form_.Settings().CheckForUpdates);
  page->SetOpenPDF(form_.Settings().PDFOpen);
  page->SetServerAddress(Q(form_.Http().Options().baseUrl));
  page->SetCoreUpdateAction(form_.findChild<QAction*>("aCoreUpdate"));

  QObject::connect(page, &TAutoFrame::getCanFWClicked, ctx, [this] { GetCanFW(); });
  QObject::connect(page, &TAutoFrame::loadManualClicked, ctx, [this](bool open) { LoadManual(open); });
  QObject::connect(page, &TAutoFrame::checkFWUpdatesClicked, ctx, [this] { CheckFWUpdates(); });
  QObject::connect(page, &TAutoFrame::soundsClicked, ctx, [this] { UpdateSounds(); });
  QObject::connect(page, &TAutoFrame::checkSelfUpdateClicked, ctx, [this] { CheckSelfUpdate(); });
  QObject::connect(page, &TAutoFrame::checkForSelfUpdateToggled, ctx,
                   [this](bool on) { form_.Settings().CheckForUpdates = on; });
  QObject::connect(page, &TAutoFrame::openPDFToggled, ctx, [this](bool on) { form_.Settings().PDFOpen = on; });
  QObject::connect(page, &TAutoFrame::urlEdited, ctx, [this](const QString& url) { SetURL(url.toStdString()); });
  QObject::connect(page, &TAutoFrame::urlLeft, ctx, [this](const QString&) { CanListAgain(); });
  QObject::connect(page, &TAutoFrame::forceUpdateChanged, ctx, [this] {
    // The decisions and the summaries follow the ticks at once.
    if (FirmwareActions* fw = form_.Firmware(); fw && page_) {
      fw->Tasks().Force() = page_->Model().Force();
      fw->Tasks().UpdateFWInfo();
    }
  });
  QObject::connect(&form_, &TMainForm::serviceWordTyped, ctx, [this](int word) {
    if (!page_) return;
    if (word == static_cast<int>(ServiceWord::kServerAddress)) page_->ShowURLEdit();
    else if (word == static_cast<int>(ServiceWord::kForceUpdate)) page_->ShowForceUpdate();
  });
  QObject::connect(&form_, &TMainForm::actionsRefreshed, ctx, [this] { RefreshUnitState(); });
  if (FirmwareActions* fw = form_.Firmware()) {
    fw->Tasks().Force() = page->Model().Force();
    fw->onInfoChanged = [this, fw](const FWInfo& info) {
      if (!page_) return;
      page_->SetFWInfo(info);
      page_->SetCanFwInfo(fw->Tasks().CanFwInfo());
    };
    fw->onShowUpdatePage = [this] {
      if (page_) page_->ShowUpdatePage();
    };
  } else {
    // Without the firmware tasks (no server named) the unit's own CAN
    // firmware is still worth showing: read it at each connection, after
    // what the connection handling does without them.
    unitRefresh_ = true;
    form_.Core().onUnitRefresh = [this](bool online) {
      TOrvantis* link = form_.Link();
      if (!online || !link) return;
      if (link->GetBoot2Rec() && link->Boot2Rec.HasAuxiliary())
        if (auto text = Mpu2ErrorText(link->Boot2Rec.FwError)) form_.Core().StatusPanel().Log(*text);
      std::string info = auto_text::kUnknown;
      if (link->GetCanFwInfo()) info = TextOf(link->CanFwInfo.TextInfo, sizeof link->CanFwInfo.TextInfo);
      if (page_) page_->SetCanFwInfo(info);
    };
  }
  RefreshUnitState();
}

void ContentActions::RefreshUnitState() {
  if (page_) page_->SetUnitState(form_.Core().Online(), form_.UnitActionsAllowed(), form_.Core().Idler().Busy());
}

void ContentActions::GetCanFW() { form_.Core().QueueTail(cantask::kWrite); }

void ContentActions::LoadManual(bool open) {
  form_.RunWorkflow([&] {
    const can::CanChoice& choice = can_->Choice();
    const auto* fw = choice.Chosen();
    HttpGetPDF(form_.Http(), form_.Core().StatusPanel(), form_, choice.FTechManuallLink, choice.MakeChosen(),
               fw ? fw->caption : std::string(), open,
               [](const std::string& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path))); });
  });
}

void ContentActions::CheckFWUpdates() {
  FirmwareActions* fw = form_.Firmware();
  if (!fw) return;
  // The modules' versions come from the unit; the check that follows is a task.
  form_.RunWorkflow([fw] { fw->Tasks().GetExtDevicesOnlineState(); });
  form_.Core().QueueTail(fwtask::kCheck);
}

void ContentActions::SetURL(const std::string& url) {
  server::ServerOptions o = form_.Http().Options();
  o.baseUrl = url;
  while (o.baseUrl.size() > 1 && o.baseUrl.back() == '/') o.baseUrl.pop_back();
  form_.Http().SetOptions(o);
}

void ContentActions::CanListAgain() {
  form_.RunWorkflow([this] {
    if (can_->HttpGetCanList()) form_.Core().FCanListRcvd = true;
  });
}

bool ContentActions::FinishAfterRestart() { return can_->FinishAfterRestart(); }

void ContentActions::CheckSelfUpdate() { form_.Core().QueueTail(selftask::kCheck); }

void ContentActions::UpdateSounds() {
  if (!form_.Link()) return;
  form_.RunWorkflow([this] { WriteSounds(*form_.Link(), form_.Core().StatusPanel()); });
}

}  // namespace orv
