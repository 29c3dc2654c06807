// The window's part of the firmware tasks: the package source on its HTTP
// client, the action "Обновление ПО ядра системы" with a button under the
// status lines while an update is available, and the write button while the
// unit restarts.
#include <QAction>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/firmware_actions.h"
#include "app/header_button.h"
#include "app/main_form.h"
#include "update/fw_server.h"
#include "update/fw_texts.h"

namespace orv {

void TMainForm::SetUpFirmware() {
  aCoreUpdate = new QAction(fwtext::kActionCaption, this);
  aCoreUpdate->setObjectName("aCoreUpdate");
  aCoreUpdate->setEnabled(false);
  // Options without a server (built in code, not from a command line) ask no
  // server about firmware.
  if (options_.server.empty()) return;
  auto source = ServerPackageSource(
      *http_, [this] { return core_.SN(); }, core_.StatusPanel(), *this);
  firmware_ = std::make_unique<FirmwareActions>(core_, *FOrvantis, *this, [this, source](bool images) {
    ProxyUpdate();
    return source(images);
  });

  auto* button = new QPushButton(aCoreUpdate->text());
  button->setObjectName("btnCoreUpdate");
  button->hide();
  if (auto* panel = findChild<QWidget*>("StatusPanel"))
    if (auto* v = qobject_cast<QVBoxLayout*>(panel->layout())) v->insertWidget(3, button);
  connect(button, &QPushButton::clicked, aCoreUpdate, &QAction::trigger);
  firmware_->onEnabledChanged = [this, button](bool on) {
    aCoreUpdate->setEnabled(on);
    button->setVisible(on && core_.Online());
  };
  firmware_->setWriteEnabled = [this](bool on) { btnBtnDn->setEnabled(on); };
  connect(aCoreUpdate, &QAction::triggered, this, [this] { RunWorkflow([this] { firmware_->CoreUpdate(); }); });
}

}  // namespace orv
