// The settings report: a header with the date and the unit's serial number,
// then one section per page, each drawn by the page model's own Print on a
// report::TCanvas (the printer, a PDF, or a test's canvas of fixed metrics).
// Qt-free: the window and the CLI draw the same report through their painter.
//
// Frame: Y starts at 200; the header line at x = 200; then
// Y += round(1.5 × text height) + 10, a rule from x = 200 to the page width
// less 200, Y += text height; then the sections in a fixed order (vehicle,
// options, connections, impulses, CAN, remote start). A page missing from the
// page table prints its caption alone. Whatever a canvas or a page throws
// leaves PrintSettingsReport unfinished: the caller aborts the print job.
//
// The vehicle page has no settings region: what its section shows (the make
// list's selection, the CAN firmware label and the installed-software
// summary) is handed in as TVehicleReport by whoever owns that page.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "pages/model/report.h"

namespace orv {

class TPageModels;

namespace report_text {
inline constexpr const char* kJobTitle = "Конфигуратор Orvantis";
inline constexpr const char* kHeaderFmt = "Дата отчета: %s. Серийный номер устройства: %s";
inline constexpr const char* kVehicle = "Программное обеспечение";
inline constexpr const char* kOptions = "Настройки";
inline constexpr const char* kConnections = "Подключение";
inline constexpr const char* kImpulses = "Импульсы";
inline constexpr const char* kCan = "CAN";
inline constexpr const char* kRStart = "Модуль запуска";
inline constexpr const char* kCanFwFmt = "CAN-прошивка: %s";
inline constexpr const char* kSoftwareFmt = "Программное обеспечение: %s";
inline constexpr const char* kUndefined = "не определено";
}  // namespace report_text

// What the vehicle page shows for the report.
struct TVehicleReport {
  bool makeSelected = false;  // the make list has a selection
  std::string canFwInfo;      // text of lbCanFwInfo
  std::string installed;      // text of lbSet: one line per firmware slot
};

// One section of the report: the page of that name and its caption.
struct TReportSection {
  const char* page;     // page name in the page table ("" for the vehicle page)
  const char* caption;
};
// The sections in print order.
const std::vector<TReportSection>& ReportSections();

// The vehicle page's section: caption; nothing more without a selected make;
// else "CAN-прошивка: …" at 200 and, on a page with at least 200 units left
// (else a new page at 200), "Программное обеспечение: …" with the summary's
// further lines under its first one.
void PrintVehicle(report::TCursor& cursor, const std::string& caption, const TVehicleReport& vehicle);

// The date and time of the header as the system writes them: local
// "dd.mm.yyyy hh:mm:ss".
std::string ReportDate(std::time_t when);

struct TReportHeader {
  std::string date;    // ReportDate of the moment of printing
  std::string serial;  // as lbSN shows it ("SN 0000001234"); empty without a unit
};

// Draws the whole report on a canvas whose first page has begun.
void PrintSettingsReport(report::TCanvas& canvas, const TPageModels& pages, const TReportHeader& header,
                         const TVehicleReport& vehicle);

// printf-style "%s" substitution of UTF-8 texts (the report's formats).
std::string FormatText(const char* fmt, const std::string& a, const std::string& b = {});

}  // namespace orv
