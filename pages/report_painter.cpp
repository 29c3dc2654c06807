#include "pages/report_painter.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QString>
#include <stdexcept>

namespace orv {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

constexpr int kPdfResolution = 600;

}  // namespace

QFont ReportFont() {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPointSize(10);
  return f;
}

TPainterCanvas::TPainterCanvas(QPainter& painter, QPagedPaintDevice& device)
    : painter_(painter), device_(device), base_(ReportFont(), &device) {
  painter_.setPen(QPen(Qt::black, 0));
}

QFont TPainterCanvas::Font(const report::TFont& font) const {
  QFont f = base_;
  f.setBold(font.bold);
  if (font.sizeDelta) f.setPointSizeF(base_.pointSizeF() + font.sizeDelta);
  return f;
}

int TPainterCanvas::PageWidth() const { return device_.width(); }
int TPainterCanvas::PageHeight() const { return device_.height(); }

int TPainterCanvas::TextHeight(const report::TFont& font) const {
  return QFontMetrics(Font(font), &device_).height();
}

int TPainterCanvas::TextWidth(std::string_view text, const report::TFont& font) const {
  return QFontMetrics(Font(font), &device_).horizontalAdvance(Q(text));
}

void TPainterCanvas::Text(int x, int y, std::string_view text, const report::TFont& font) {
  const QFont f = Font(font);
  painter_.setFont(f);
  painter_.drawText(x, y + QFontMetrics(f, &device_).ascent(), Q(text));
}

void TPainterCanvas::Line(int x1, int y1, int x2, int y2) { painter_.drawLine(x1, y1, x2, y2); }

void TPainterCanvas::Fill(int x, int y, int w, int h, uint32_t rgb) {
  painter_.fillRect(x, y, w, h, QColor::fromRgb(rgb & 0xFFFFFFu));
}

void TPainterCanvas::NewPage() {
  if (!device_.newPage()) throw std::runtime_error("не удалось начать новую страницу");
}

std::string PaintReport(QPagedPaintDevice& device, const ReportDraw& draw, const std::function<void()>& abort) {
  QPainter painter;
  if (!painter.begin(&device)) return "не удалось начать печать";
  try {
    TPainterCanvas canvas(painter, device);
    draw(canvas);
  } catch (const std::exception& e) {
    if (abort) abort();
    painter.end();
    return e.what();
  }
  if (!painter.end()) return "не удалось завершить печать";
  return {};
}

void PrintSection(QPainter& painter, int& y, const std::function<void(report::TCursor&)>& section) {
  auto* device = dynamic_cast<QPagedPaintDevice*>(painter.device());
  if (!device) throw std::runtime_error("печать возможна только на принтер или в PDF");
  TPainterCanvas canvas(painter, *device);
  report::TCursor cursor(canvas, y);
  section(cursor);
  y = cursor.Y();
}

void SetUpPdf(QPdfWriter& writer, const std::string& title) {
  writer.setResolution(kPdfResolution);
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
  writer.setTitle(Q(title));
  writer.setCreator(Q(title));
}

std::string WritePdfReport(const std::string& path, const std::string& title, const ReportDraw& draw) {
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) return path + ": " + file.errorString().toStdString();
  std::string error;
  {
    QPdfWriter writer(&file);
    SetUpPdf(writer, title);
    error = PaintReport(writer, draw);
  }
  if (error.empty() && file.error() != QFileDevice::NoError) error = file.errorString().toStdString();
  if (!error.empty()) {
    file.cancelWriting();
    return path + ": " + error;
  }
  if (!file.commit()) return path + ": " + file.errorString().toStdString();
  return {};
}

}  // namespace orv
