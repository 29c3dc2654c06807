// The core headers first: the firmware catalogue names a member "slots".
#include "server/can_firmware.h"
#include "server/release_update.h"
#include "update/voice_upload.h"

#include "app/content_actions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/main_form.h"
#include "core/data_dir.h"
#include "device/identity.h"
#include "device/orvantis.h"
#include "pages/cl_frame.h"
#include "pages/model/can_model.h"
#include "pages/model/page_models.h"
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

TCanChooser::TCanChooser(can::CanChoice& choice, QWidget* parent) : QDialog(parent), choice_(choice) {
  setObjectName("CanChooser");
  setWindowTitle("Выбор CAN-прошивки");
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  cbMake = new QComboBox(this);
  cbModel = new QComboBox(this);
  cbPeriod = new QComboBox(this);
  cbMake->setObjectName("cbMake");
  cbModel->setObjectName("cbModel");
  cbPeriod->setObjectName("cbPeriod");
  form->addRow("Марка:", cbMake);
  form->addRow("Модель:", cbModel);
  form->addRow("Год выпуска:", cbPeriod);
  layout->addLayout(form);
  lbFirmware = new QLabel(this);
  layout->addWidget(lbFirmware);
  lbCanFW = new QListWidget(this);
  lbCanFW->setObjectName("lbCanFW");
  lbCanFW->setMinimumSize(480, 140);
  layout->addWidget(lbCanFW);
  lbDescription = new QLabel(this);
  lbDescription->setWordWrap(true);
  layout->addWidget(lbDescription);
  auto* manual = new QHBoxLayout;
  btnManual = new QPushButton("Загрузить тех-карту", this);
  btnManual->setObjectName("btnManual");
  cbOpen = new QCheckBox("и открыть", this);
  cbOpen->setChecked(true);
  manual->addWidget(btnManual);
  manual->addWidget(cbOpen);
  manual->addStretch();
  layout->addLayout(manual);
  auto* write = new QPushButton("Получить прошивку и загрузить ее в устройство", this);
  write->setObjectName("aGetCanFW");
  layout->addWidget(write);
  connect(write, &QPushButton::clicked, this, [this] {
    if (onWrite) onWrite();
  });
  connect(btnManual, &QPushButton::clicked, this, [this] {
    if (onManual) onManual(cbOpen->isChecked());
  });
  connect(cbMake, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (filling_) return;
    choice_.ChooseMake(i);
    Refill();
  });
  connect(cbModel, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (filling_) return;
    choice_.ChooseModel(i);
    Refill();
  });
  connect(cbPeriod, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (filling_) return;
    choice_.ChoosePeriod(i);
    Refill();
  });
  connect(lbCanFW, &QListWidget::currentRowChanged, this, [this](int i) {
    if (filling_ || i < 0) return;
    if (!choice_.ChooseFirmware(i)) lbDescription->setText(Q(choice_.Error()));
    else FillFirmware();
  });
  Refill();
}

void TCanChooser::Refill() {
  filling_ = true;
  auto fill = [](QComboBox* box, const std::vector<std::string>& items, int current, bool enabled) {
    box->clear();
    for (const auto& s : items) box->addItem(Q(s));
    box->setCurrentIndex(current);
    box->setEnabled(enabled);
  };
  fill(cbMake, choice_.Makes(), choice_.MakeIndex(), !choice_.Makes().empty());
  fill(cbModel, choice_.Models(), choice_.ModelIndex(), choice_.ModelsEnabled());
  fill(cbPeriod, choice_.Periods(), choice_.PeriodIndex(), choice_.PeriodsEnabled());
  lbCanFW->clear();
  // The caption in bold, the description below it in the normal font; the
  // server's texts are shown as plain text.
  for (const auto& [caption, desc] : choice_.Firmware()) {
    auto* item = new QListWidgetItem(lbCanFW);
    auto* label = new QLabel("<b>" + Q(caption).toHtmlEscaped() + "</b>" +
                                 (desc.empty() ? QString() : "<br>" + Q(desc).toHtmlEscaped()),
                             lbCanFW);
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    label->setContentsMargins(4, 2, 4, 2);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    item->setSizeHint(QSize(lbCanFW->viewport()->width(), label->heightForWidth(lbCanFW->viewport()->width() - 8) + 4));
    lbCanFW->setItemWidget(item, label);
  }
  lbCanFW->setCurrentRow(choice_.FirmwareIndex());
  lbCanFW->setEnabled(choice_.FirmwareEnabled());
  lbFirmware->setText(choice_.FirmwareLabel());
  filling_ = false;
  FillFirmware();
}

void TCanChooser::FillFirmware() {
  lbDescription->setText(Q(choice_.FCANDescription));
  const bool manual = !choice_.FTechManuallLink.empty();
  btnManual->setVisible(manual);
  cbOpen->setVisible(manual);
}

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
    if (chooser_) chooser_->Refill();
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
    if (cbCheckForSelfUpdate) cbCheckForSelfUpdate->setChecked(dlg.CheckForUpdate());
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
  // themselves (at start-up and at every connection) exist only when a server
  // is named, so a window without one never waits on an unreachable address.
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

  // The vehicle page's controls of these actions.
  if (auto* page = form.findChild<QWidget*>("AutoFrame")) {
    auto* box = new QGroupBox("Обновления", page);
    box->setObjectName("gbUpdates");
    auto* l = new QVBoxLayout(box);
    auto* btnCan = new QPushButton("Выбор CAN-прошивки...", box);
    btnCan->setObjectName("btnCanChooser");
    auto* btnSounds = new QPushButton("Проверка и обновление звуковых файлов", box);
    btnSounds->setObjectName("btnSounds");
    auto* btnSelf = new QPushButton("Проверить сейчас", box);
    btnSelf->setObjectName("btnCheckSelfUpdate");
    cbCheckForSelfUpdate = new QCheckBox("Проверять обновления Конфигуратора при запуске программы", box);
    cbCheckForSelfUpdate->setObjectName("cbCheckForSelfUpdate");
    cbCheckForSelfUpdate->setChecked(form.Settings().CheckForUpdates);
    l->addWidget(btnCan);
    l->addWidget(btnSounds);
    l->addWidget(btnSelf);
    l->addWidget(cbCheckForSelfUpdate);
    box->adjustSize();
    box->move(16, 16);
    box->show();
    QObject::connect(btnCan, &QPushButton::clicked, box, [this] { OpenCanChooser(); });
    QObject::connect(btnSounds, &QPushButton::clicked, box, [this] { UpdateSounds(); });
    QObject::connect(btnSelf, &QPushButton::clicked, box, [this] { CheckSelfUpdate(); });
    QObject::connect(cbCheckForSelfUpdate, &QCheckBox::toggled, box,
                     [this](bool on) { form_.Settings().CheckForUpdates = on; });
  }
}

ContentActions::~ContentActions() {
  TaskTable& table = form_.Core().Table();
  for (uint8_t t : {cantask::kList, cantask::kWrite, cantask::kCheckOptions, selftask::kCheck, selftask::kDownload})
    table.Remove(t);
  delete chooser_;
}

void ContentActions::OpenCanChooser() {
  if (!chooser_) {
    chooser_ = new TCanChooser(can_->Choice(), &form_);
    chooser_->onWrite = [this] { form_.Core().QueueTail(cantask::kWrite); };
    chooser_->onManual = [this](bool open) {
      const auto* fw = can_->Choice().Chosen();
      form_.RunWorkflow([&] {
        HttpGetPDF(form_.Http(), form_.Core().StatusPanel(), form_, can_->Choice().FTechManuallLink,
                   can_->Choice().MakeChosen(), fw ? fw->caption : std::string(), open,
                   [](const std::string& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path))); });
      });
    };
  }
  chooser_->Refill();
  chooser_->show();
  chooser_->raise();
}

bool ContentActions::FinishAfterRestart() { return can_->FinishAfterRestart(); }

void ContentActions::CheckSelfUpdate() { form_.Core().QueueTail(selftask::kCheck); }

void ContentActions::UpdateSounds() {
  if (!form_.Link()) return;
  form_.RunWorkflow([this] { WriteSounds(*form_.Link(), form_.Core().StatusPanel()); });
}

}  // namespace orv
