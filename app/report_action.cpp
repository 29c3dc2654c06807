#include "app/report_action.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <ctime>
#include <stdexcept>

#include "pages/report_painter.h"

namespace orv {

ReportAction::ReportAction(const TPageModels& pages, std::function<QString()> serial)
    : pages_(pages), serial_(std::move(serial)) {
  PrintDialog = [](QPrinter& printer) {
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
  };
}

void ReportAction::Run() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QString::fromUtf8(report_text::kJobTitle));
  if (!PrintDialog || !PrintDialog(printer)) return;
  // The dialog may have changed the job's name; the job keeps the title.
  printer.setDocName(QString::fromUtf8(report_text::kJobTitle));
  TReportHeader header;
  header.date = ReportDate(std::time(nullptr));
  header.serial = serial_ ? serial_().toStdString() : std::string();
  const TVehicleReport vehicle = Vehicle ? Vehicle() : TVehicleReport{};
  const std::string error = PaintReport(
      printer, [&](report::TCanvas& canvas) { PrintSettingsReport(canvas, pages_, header, vehicle); },
      [&printer] { printer.abort(); });
  if (!error.empty()) throw std::runtime_error(error);
}

}  // namespace orv
