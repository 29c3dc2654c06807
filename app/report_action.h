// BtnPrint ("Печать настроек"): the platform's print dialog, then the
// settings report of the pages as they are now on the chosen printer. A
// cancelled dialog prints nothing; an error while drawing aborts the job and
// is raised to the window (which shows it in a message box). GUI thread.
#pragma once

#include <QString>
#include <functional>

#include "pages/model/settings_report.h"

class QPrinter;

namespace orv {

class TPageModels;

class ReportAction {
 public:
  // Shows the print dialog for `printer`; true when the user confirmed it.
  // Tests replace it (no dialog offscreen).
  using Dialog = std::function<bool(QPrinter& printer)>;

  // `serial`: the text of the window's serial label now.
  ReportAction(const TPageModels& pages, std::function<QString()> serial);

  // BtnPrintClick.
  void Run();

  Dialog PrintDialog;
  // What the vehicle page shows for its section; unset: no make chosen.
  std::function<TVehicleReport()> Vehicle;

 private:
  const TPageModels& pages_;
  std::function<QString()> serial_;
};

}  // namespace orv
