// The settings image behind the page commands (show, export, set): loaded
// from a settings file, which needs no unit, or read from the unit, and then
// held by the pages' models as in the window. The pages' questions are
// answered "Нет" unless --yes; their text goes to standard error so that the
// listing or the export on standard output stays clean.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "cli/cli.h"
#include "cli/console_status.h"

namespace orv::cli {

class PageSession {
 public:
  // `quiet`: the workflows' own lines are kept back (shown only on failure).
  PageSession(Context& ctx, bool yes, bool quiet);
  ~PageSession();

  // Loads a settings file; an exit code (kExitOk when loaded).
  int LoadFile(const std::string& file);
  // Reads the unit's settings; an exit code.
  int ReadUnit();

  TPageModels& Pages() { return console_->pages; }
  TSettingsSession& Session() { return console_->session; }
  Status& StatusOps() { return *status_; }
  // The regions the image holds (file mask, or every region read).
  uint32_t Regions() const { return regions_; }
  bool FromUnit() const { return fromUnit_; }
  // Whether every region of a page is in the image.
  bool Holds(const TPageEntry& page) const { return (page.regions & regions_) == page.regions; }

 private:
  Context& ctx_;
  std::ostringstream log_;
  std::unique_ptr<ConsoleStatus> status_;
  ConsolePrompts prompts_;
  std::unique_ptr<TOrvantis> offline_;
  std::unique_ptr<ConsoleSession> console_;
  uint32_t regions_ = 0;
  bool fromUnit_ = false;
  bool quiet_;
};

}  // namespace orv::cli
