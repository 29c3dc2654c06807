// The settings report on paper or in a PDF: a report::TCanvas over a QPainter
// on a paged device (a QPrinter or a QPdfWriter), in the device's own units
// (dots: 600 per inch in a PDF). The canvas's y is the top of a line, so text
// is drawn at top + ascent. Only Qt Gui: the CLI links it without widgets.
//
// Guarantees: a PDF is written atomically (a temporary file beside it,
// renamed only when the whole report was drawn and the writer closed), so a
// failed report never leaves half a file or replaces an older one. A page
// break the device refuses, or anything a page throws, aborts the job.
#pragma once

#include <QFont>
#include <functional>
#include <string>

#include "pages/model/report.h"

class QPainter;
class QPagedPaintDevice;
class QPdfWriter;

namespace orv {

// The report's normal font: DejaVu Sans (Cyrillic, embedded in a PDF), 10 pt.
QFont ReportFont();

class TPainterCanvas final : public report::TCanvas {
 public:
  // `painter` is active on `device`; the canvas sets the painter's fonts.
  TPainterCanvas(QPainter& painter, QPagedPaintDevice& device);

  int PageWidth() const override;
  int PageHeight() const override;
  int TextHeight(const report::TFont& font) const override;
  int TextWidth(std::string_view text, const report::TFont& font) const override;
  void Text(int x, int y, std::string_view text, const report::TFont& font) override;
  void Line(int x1, int y1, int x2, int y2) override;
  void Fill(int x, int y, int w, int h, uint32_t rgb) override;
  void NewPage() override;

 private:
  QFont Font(const report::TFont& font) const;

  QPainter& painter_;
  QPagedPaintDevice& device_;
  QFont base_;
};

using ReportDraw = std::function<void(report::TCanvas&)>;

// Draws on a device whose page is set up (a printer after its dialog). On an
// error `abort` runs (a printer's abort) before the painter ends. Returns
// empty, or why the job was aborted.
std::string PaintReport(QPagedPaintDevice& device, const ReportDraw& draw, const std::function<void()>& abort = {});

// One page's section at `y` with the painter's device as the canvas (the
// TCLFrame form of Print); `y` moves down as the section does.
void PrintSection(QPainter& painter, int& y, const std::function<void(report::TCursor&)>& section);

// A4, 600 dpi, no margins, the job's title.
void SetUpPdf(QPdfWriter& writer, const std::string& title);

// Writes the report as a PDF at `path`, atomically. Returns empty, or the
// error text ("…: reason").
std::string WritePdfReport(const std::string& path, const std::string& title, const ReportDraw& draw);

}  // namespace orv
