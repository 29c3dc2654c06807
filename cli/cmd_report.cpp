// report FILE | --unit -o OUT.pdf [--time EPOCH] [--yes]: the settings report
// as the window prints it, written as a PDF (A4, 600 dpi) without a display:
// the painter runs on Qt's offscreen platform for this command only. The PDF
// replaces OUT.pdf only when it was written whole. A tool built without Qt
// says the command is not available.
//
// The serial number is the connected unit's (as the window's label shows
// it); a report from a file without --unit has none. The vehicle section is
// its caption alone unless --unit comes with a named server (--server): then
// the CAN list is read and the firmware check runs first, as the window does
// at a connection, so the section prints the unit's CAN firmware and the
// installed summary.
#include <ctime>
#include <iostream>

#include "cli/console_status.h"
#include "cli/page_session.h"
#include "device/identity.h"
#include "device/orvantis.h"
#include "pages/model/auto_model.h"
#include "pages/model/settings_report.h"
#include "server/can_firmware.h"
#include "update/fw_server.h"
#include "update/fw_tasks.h"
#include "update/fw_texts.h"

#ifdef ORVANTIS_REPORT_PDF
#include <QGuiApplication>

#include "pages/report_painter.h"
#endif

namespace orv::cli {
namespace {

#ifdef ORVANTIS_REPORT_PDF
// What the vehicle page shows after a connection with a server: the CAN list
// read (its "-" make chosen) and the firmware check's summaries. Failures are
// logged; the section then prints what is known, as the page would.
TVehicleReport VehicleFromServer(Context& ctx, TOrvantis& link) {
  ConsoleStatus status;
  ConsolePrompts prompts(ConsolePrompts::Mode::kNo);
  CanHost canHost;
  canHost.status = &status;
  canHost.prompts = &prompts;
  canHost.http = &ctx.Http();
  CanFirmware can(canHost);
  const bool listed = can.HttpGetCanList();

  bool reboot = false, rebootOK = false, checked = false;
  FirmwareHost host;
  host.link = &link;
  host.status = &status;
  host.prompts = &prompts;
  host.FReboot = &reboot;
  host.FRebootOK = &rebootOK;
  host.FCoreUpdatesChecked = &checked;
  host.fetchPackage = ServerPackageSource(
      ctx.Http(), [&link] { return DisplaySerial(link.BootState); }, status, prompts);
  host.queueTail = [](uint8_t) {};
  host.deviceChange = [] {};
  FirmwareTasks tasks(host);
  tasks.RefreshFromUnit();
  status.StartAction(fwtext::kCheckTitle);
  status.Display(fwtext::kCheckProgress, true);
  tasks.Check(false);
  return VehicleReport(listed ? &can.Choice() : nullptr, tasks.CanFwInfo(), tasks.Info());
}
#endif

int RunReport(Context& ctx, std::vector<std::string>& args) {
  const bool fromUnit = TakeFlag(args, "--unit");
  const bool yes = TakeFlag(args, "--yes");
  TakeFlag(args, "--no");
  const std::optional<std::string> out = TakeValue(args, "-o");
  std::optional<long long> at;
  if (auto t = TakeValue(args, "--time")) {
    at = ParseInt(*t, 0, 253402300799LL);  // up to the year 9999
    if (!at) throw std::invalid_argument("--time: нужно число секунд с 01.01.1970");
  }
  if (fromUnit == (args.size() == 1) || args.size() > 1) throw std::invalid_argument("укажите файл настроек или --unit");
  if (!out || out->empty()) throw std::invalid_argument("укажите файл отчёта: -o ФАЙЛ.pdf");
#ifndef ORVANTIS_REPORT_PDF
  (void)ctx;
  (void)yes;
  (void)at;
  std::cerr << "Печать настроек недоступна: программа собрана без Qt\n";
  return kExitFailed;
#else
  PageSession ps(ctx, yes, true);
  if (const int rc = fromUnit ? ps.ReadUnit() : ps.LoadFile(args.front()); rc != kExitOk) return rc;
  TReportHeader header;
  header.date = ReportDate(at ? static_cast<std::time_t>(*at) : std::time(nullptr));
  TVehicleReport vehicle;  // no make chosen
  if (fromUnit) {
    TOrvantis& link = ctx.Link();
    if (link.OnLine() && link.GetInfo()) {
      header.serial = FormatSerial(DisplaySerial(link.BootState));
      if (!ctx.Options().server.empty()) vehicle = VehicleFromServer(ctx, link);
    }
  }

  // Offscreen: no display is needed, whatever QT_QPA_PLATFORM says.
  static char arg0[] = "orvantis-cli", arg1[] = "-platform", arg2[] = "offscreen";
  static char* argv[] = {arg0, arg1, arg2, nullptr};
  static int argc = 3;
  // Qt's notes about the desktop it does not have (no runtime folder, no
  // screen) mean nothing to a user of the tool; its errors still show.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << msg.toStdString() << "\n";
  });
  QGuiApplication app(argc, argv);
  std::string error;
  try {
    error = WritePdfReport(*out, report_text::kJobTitle, [&](report::TCanvas& canvas) {
      PrintSettingsReport(canvas, ps.Pages(), header, vehicle);
    });
  } catch (const std::exception& e) {
    error = *out + ": " + e.what();
  }
  if (!error.empty()) {
    std::cerr << "Отчёт не записан: " << error << "\n";
    return kExitFailed;
  }
  return kExitOk;
#endif
}

CommandRegistrar reg{{"report",
                      "report ФАЙЛ | --unit -o ОТЧЁТ.pdf [--time EPOCH] [--yes]\n"
                      "                       отчёт о настройках в PDF (A4), как его печатает окно\n"
                      "                       (--unit с --server: и CAN-прошивка с ПО блока)",
                      RunReport}};

}  // namespace
}  // namespace orv::cli
