#include "cli/page_session.h"

#include <iostream>

#include "settings/file_io.h"

namespace orv::cli {

PageSession::PageSession(Context& ctx, bool yes, bool quiet)
    : ctx_(ctx),
      status_(quiet ? std::make_unique<ConsoleStatus>(log_, log_, false) : std::make_unique<ConsoleStatus>()),
      prompts_(yes ? ConsolePrompts::Mode::kYes : ConsolePrompts::Mode::kNo, std::cin, std::cerr, std::cerr),
      quiet_(quiet) {}

PageSession::~PageSession() = default;

int PageSession::LoadFile(const std::string& file) {
  // A file needs no unit: a link without a controller serves the workflows.
  offline_ = std::make_unique<TOrvantis>(nullptr, nullptr, nullptr, nullptr);
  console_ = std::make_unique<ConsoleSession>(*offline_, *status_, prompts_);
  if (!Session().GetOptions(file)) {
    if (quiet_) std::cerr << TerminalText(log_.str());
    return kExitFailed;
  }
  regions_ = Session().LastStreamMask();
  return kExitOk;
}

int PageSession::ReadUnit() {
  TOrvantis* link = ctx_.RequireUnit();
  if (!link) return kExitNoUnit;
  console_ = std::make_unique<ConsoleSession>(*link, *status_, prompts_);
  if (!Session().ReadOptions()) {
    if (quiet_) std::cerr << TerminalText(log_.str());
    std::cerr << settings_text::kNotRead << "\n";
    return kExitFailed;
  }
  regions_ = regionmask::kRead;
  fromUnit_ = true;
  return kExitOk;
}

}  // namespace orv::cli
