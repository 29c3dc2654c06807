// firmware check | update: the firmware catalogue of the unit against the
// maker's server, and the update of the core, the auxiliary firmware and the
// radio modules, as tasks 22 and 10 of the window run them.
#include <unistd.h>

#include <deque>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/cli.h"
#include "cli/console_status.h"
#include "device/identity.h"
#include "update/fw_server.h"
#include "update/fw_tasks.h"
#include "update/fw_texts.h"

namespace orv::cli {
namespace {

// The console status with a progress bar: drawn in place on a terminal,
// otherwise one line whenever the text changes or the figure passes a tenth.
class BarStatus final : public Status {
 public:
  BarStatus() : tty_(::isatty(STDERR_FILENO) == 1) {}
  void StartAction(const std::string& msg, const std::string& status = {}) override { EndBar(); inner_.StartAction(msg, status); }
  void FinishAction(uint8_t resCode, const std::string& msg) override { EndBar(); inner_.FinishAction(resCode, msg); }
  void Display(const std::string& msg, bool showOnPanel = false) override { EndBar(); inner_.Display(msg, showOnPanel); }
  void SetStatus(int status) override { inner_.SetStatus(status); }
  int Request() const override { return inner_.Request(); }
  int LastResult() const { return inner_.LastResult(); }
  void Progress(const std::string& text, bool, int percent) override {
    if (text.empty() || percent < 0) {
      EndBar();
      return;
    }
    const int filled = percent * kWidth / 100;
    const std::string bar = "[" + std::string(static_cast<size_t>(filled), '#') +
                            std::string(static_cast<size_t>(kWidth - filled), '.') + "] " + std::to_string(percent) +
                            "% " + TerminalText(text);
    if (tty_) {
      std::cerr << "\r" << bar << "\033[K" << std::flush;
      shown_ = true;
    } else if (text != lastText_ || percent / 10 != lastPercent_ / 10) {
      std::cerr << bar << "\n";
    }
    lastText_ = text;
    lastPercent_ = percent;
  }

 private:
  static constexpr int kWidth = 30;
  void EndBar() {
    if (shown_) std::cerr << "\r\033[K" << std::flush;
    shown_ = false;
  }
  ConsoleStatus inner_;
  bool tty_;
  bool shown_ = false;
  std::string lastText_;
  int lastPercent_ = -100;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("Не удается прочитать " + path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

int RunFirmware(Context& ctx, std::vector<std::string>& args) {
  if (args.empty() || (args[0] != "check" && args[0] != "update"))
    throw std::invalid_argument("firmware check | firmware update [--yes] [--force SLOTS]");
  const bool update = args[0] == "update";
  args.erase(args.begin());
  const bool yes = update && TakeFlag(args, "--yes");
  const auto force = update ? TakeValue(args, "--force") : std::nullopt;
  const auto from = TakeValue(args, "--from");
  if (!args.empty()) throw std::invalid_argument("unexpected argument '" + args.front() + "'");
  ForceUpdate forceUpdate;
  if (force) forceUpdate = ParseForceList(*force);

  BarStatus status;
  ConsolePrompts prompts(yes ? ConsolePrompts::Mode::kYes : ConsolePrompts::Mode::kAsk);
  bool reboot = false, rebootOK = false, checked = false;
  std::deque<uint8_t> queue;

  // The plug handling of the window: an arrival with a finished update
  // confirms the restart.
  TOrvantis* link = nullptr;
  ctx.SetPlugCallbacks(
      [&] {
        if (link && link->OnLine() && link->GetInfo() &&
            (FwStateUpdateApplied(link->BootState.CoreFwState) || FwStateUpdateApplied(link->BootState.CanFwState)))
          rebootOK = true;
      },
      [] {});
  link = ctx.RequireUnit();
  if (!link) return kExitNoUnit;

  FirmwareHost host;
  host.link = link;
  host.status = &status;
  host.prompts = &prompts;
  host.FReboot = &reboot;
  host.FRebootOK = &rebootOK;
  host.FCoreUpdatesChecked = &checked;
  // Without --from the packages come from the server (--server, --ca). A
  // folder stands in for the server: once the update package has been
  // taken, the server records the new builds as installed
  // (core-get-updated.json, when the folder has one).
  bool packageTaken = false;
  if (!from) {
    host.fetchPackage = ServerPackageSource(
        ctx.Http(), [link] { return DisplaySerial(link->BootState); }, status, prompts);
  } else {
    host.fetchPackage = [dir = *from, &packageTaken](bool withImages) {
      if (withImages) {
        std::string text = ReadFile(dir + "/core-set.json");
        packageTaken = true;
        return text;
      }
      if (packageTaken && std::ifstream(dir + "/core-get-updated.json")) return ReadFile(dir + "/core-get-updated.json");
      return ReadFile(dir + "/core-get.json");
    };
  }
  host.queueTail = [&](uint8_t t) {
    for (uint8_t q : queue)
      if (q == t) return;
    queue.push_back(t);
  };
  FirmwareTasks* self = nullptr;
  // The connection handling: identity, the result of the last replacement,
  // then the unit side of the catalogue.
  host.deviceChange = [&] {
    if (!link->OnLine()) return;
    if (link->GetInfo()) {
      link->GetState();
      if (auto text = CoreFwStateText(link->BootState.CoreFwState)) status.Log(*text);
      if (auto text = CanFwStateText(link->BootState.CanFwState)) status.Log(*text);
    }
    self->RefreshFromUnit();
  };
  FirmwareTasks tasks(host);
  self = &tasks;
  tasks.Force() = forceUpdate;

  status.StartAction("Подключение");
  host.deviceChange();
  status.FinishAction(kResOk, "Orvantis подключен");

  auto runCheck = [&](bool ask) {
    status.StartAction(fwtext::kCheckTitle);
    status.Display(fwtext::kCheckProgress, true);
    tasks.Check(ask);
    if (status.LastResult() == kResOk)
      std::cout << "Установлено в устройстве:\n"
                << TerminalText(tasks.Info().installed) << "Доступные обновления:\n"
                << TerminalText(tasks.Info().available) << std::flush;
    return status.LastResult() == kResOk;
  };
  if (!update) return runCheck(false) ? kExitOk : kExitFailed;

  if (!runCheck(true)) return kExitFailed;
  if (!tasks.FWNeedUpdate()) return kExitOk;
  if (queue.empty() || queue.front() != fwtask::kUpdate) return prompts.Declined() ? kExitCancelled : kExitFailed;
  queue.pop_front();
  status.StartAction(fwtext::kUpdateTitle);
  status.Display(fwtext::kUpdateProgress, true);
  tasks.Update();
  const bool ok = status.LastResult() == kResOk;
  // The check that follows every update run; it only reports.
  if (!queue.empty() && queue.front() == fwtask::kCheck) runCheck(false);
  return ok ? kExitOk : kExitFailed;
}

CommandRegistrar reg{{"firmware",
                      "firmware check|update [--yes] [--force core,aux,rs,hestor] [--from DIR]\n"
                      "                       firmware catalogue against the server, update of the unit",
                      RunFirmware}};

}  // namespace
}  // namespace orv::cli
