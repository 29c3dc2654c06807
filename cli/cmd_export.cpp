// export FILE | --unit [--sync] [--time EPOCH] [--yes]: the settings export of
// the synchronisation on one line: the configuration object (the pages'
// exports and "sdate"), or with --sync the whole JSON part (the options'
// members, then "configuration"). --time fixes the moment; the zone is the
// process's (TZ).
#include <iostream>

#include "cli/page_session.h"
#include "settings/json_writer.h"

namespace orv::cli {
namespace {

int RunExport(Context& ctx, std::vector<std::string>& args) {
  const bool fromUnit = TakeFlag(args, "--unit");
  const bool sync = TakeFlag(args, "--sync");
  const bool yes = TakeFlag(args, "--yes");
  TakeFlag(args, "--no");
  std::optional<long long> at;
  if (auto t = TakeValue(args, "--time")) {
    at = ParseInt(*t, 0, 253402300799LL);  // up to the year 9999
    if (!at) throw std::invalid_argument("--time: seconds since 1970-01-01 expected");
  }
  if (fromUnit == (args.size() == 1) || args.size() > 1) throw std::invalid_argument("give either a settings file or --unit");

  PageSession ps(ctx, yes, true);
  if (const int rc = fromUnit ? ps.ReadUnit() : ps.LoadFile(args.front()); rc != kExitOk) return rc;
  const TSDate date = at ? TSDate::At(static_cast<std::time_t>(*at)) : TSDate::Now();
  try {
    std::cout << (sync ? ps.Pages().SyncJSON(date) : ps.Pages().Configuration(date)) << "\n";
  } catch (const JsonError& e) {
    std::cerr << "Экспорт настроек не составлен: " << e.what() << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

CommandRegistrar reg{{"export",
                      "export FILE | --unit [--sync] [--time EPOCH] [--yes]\n"
                      "                       the settings export (with --sync: the whole synchronisation JSON)",
                      RunExport}};

}  // namespace
}  // namespace orv::cli
