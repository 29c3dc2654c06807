// show FILE | show --unit [--yes]: the settings pages in readable form, one
// section per page (its menu caption), one line per control as the page shows
// it: "  NAME: SHOWN". The names are those `set` takes. A page whose regions a
// settings file does not carry is left out.
#include <iostream>

#include "cli/page_session.h"
#include "settings/mem_items.h"

namespace orv::cli {
namespace {

int RunShow(Context& ctx, std::vector<std::string>& args) {
  const bool fromUnit = TakeFlag(args, "--unit");
  const bool yes = TakeFlag(args, "--yes");
  TakeFlag(args, "--no");
  if (fromUnit == (args.size() == 1) || args.size() > 1)
    throw std::invalid_argument("give either a settings file or --unit");

  PageSession ps(ctx, yes, true);
  if (const int rc = fromUnit ? ps.ReadUnit() : ps.LoadFile(args.front()); rc != kExitOk) return rc;
  if (!regionmask::Has(ps.Regions(), kRegionConfig)) {
    std::cerr << "В файле нет основных настроек\n";
    return kExitFailed;
  }
  for (const TPageEntry& page : ps.Pages().Table()) {
    if (!ps.Holds(page)) continue;
    const std::vector<std::string> lines = ps.Pages().Model(page.name)->Show();
    if (lines.empty()) continue;
    std::cout << page.caption << "\n";
    for (const std::string& line : lines) std::cout << TerminalText(line) << "\n";
  }
  return kExitOk;
}

CommandRegistrar reg{{"show", "show FILE | --unit [--yes]\n"
                              "                       the settings pages in readable form, one line per control",
                      RunShow}};

}  // namespace
}  // namespace orv::cli
