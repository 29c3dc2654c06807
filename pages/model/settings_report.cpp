#include "pages/model/settings_report.h"

#include <cmath>

#include "pages/model/page_models.h"

namespace orv {

const std::vector<TReportSection>& ReportSections() {
  static const std::vector<TReportSection> sections = {
      {"", report_text::kVehicle},
      {"OptionsFrame", report_text::kOptions},
      {"ConnectionsFrame", report_text::kConnections},
      {"ImpulsesFrame", report_text::kImpulses},
      {"CANFrame", report_text::kCan},
      {"RStartFrame", report_text::kRStart},
  };
  return sections;
}

std::string FormatText(const char* fmt, const std::string& a, const std::string& b) {
  std::string out;
  int used = 0;
  for (const char* p = fmt; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      out += used++ == 0 ? a : b;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

std::string ReportDate(std::time_t when) {
  tzset();  // the zone as TZ says now, as the rest of the tool reads it
  std::tm local{};
  localtime_r(&when, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%d.%m.%Y %H:%M:%S", &local);
  return buf;
}

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  // A summary that ends with a line break has no empty slot after it.
  while (lines.size() > 1 && lines.back().empty()) lines.pop_back();
  return lines;
}

}  // namespace

void PrintVehicle(report::TCursor& cursor, const std::string& caption, const TVehicleReport& vehicle) {
  using report::TCursor;
  cursor.Caption(caption);
  if (!vehicle.makeSelected) return;
  cursor.Item(FormatText(report_text::kCanFwFmt, vehicle.canFwInfo), TCursor::kCaptionX);
  cursor.KeepRoom(200, 200);
  const std::vector<std::string> slots = Lines(vehicle.installed);
  const std::string first = FormatText(report_text::kSoftwareFmt, slots.front());
  cursor.Item(first, TCursor::kCaptionX);
  // The summary holds one firmware slot per line: each further slot on a line
  // of its own, under the first one.
  const int indent =
      TCursor::kCaptionX + cursor.Canvas().TextWidth(FormatText(report_text::kSoftwareFmt, ""), report::TFont{});
  for (size_t i = 1; i < slots.size(); ++i) cursor.Item(slots[i], indent);
}

void PrintSettingsReport(report::TCanvas& canvas, const TPageModels& pages, const TReportHeader& header,
                         const TVehicleReport& vehicle) {
  report::TCursor cursor(canvas, 200);
  const report::TFont normal{};
  canvas.Text(report::TCursor::kCaptionX, cursor.Y(), FormatText(report_text::kHeaderFmt, header.date, header.serial),
              normal);
  const int height = canvas.TextHeight(normal);
  cursor.SetY(cursor.Y() + static_cast<int>(std::lround(1.5 * height)) + 10);
  canvas.Line(report::TCursor::kCaptionX, cursor.Y(), canvas.PageWidth() - 200, cursor.Y());
  cursor.SetY(cursor.Y() + height);
  for (const TReportSection& s : ReportSections()) {
    if (*s.page == '\0') {
      PrintVehicle(cursor, s.caption, vehicle);
    } else if (const TPageModel* m = pages.Model(s.page)) {
      m->Print(cursor, s.caption);
    } else {
      cursor.Caption(s.caption);
    }
  }
}

}  // namespace orv
