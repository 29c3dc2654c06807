// set FILE -o OUT | --unit [--expert] [--yes] NAME=VALUE...: changes controls
// of the settings pages as a user would, in the given order and with the
// pages' limits and enabling rules (--expert: as in expert mode), then saves
// the file OUT or writes the unit. Any refusal names the control and the
// reason, exits 2 and writes nothing.
#include <iostream>

#include "cli/page_session.h"

namespace orv::cli {
namespace {

int RunSet(Context& ctx, std::vector<std::string>& args) {
  const bool fromUnit = TakeFlag(args, "--unit");
  const bool expert = TakeFlag(args, "--expert");
  const bool yes = TakeFlag(args, "--yes");
  TakeFlag(args, "--no");
  const std::optional<std::string> out = TakeValue(args, "-o");
  std::string file;
  if (!fromUnit) {
    if (args.empty() || args.front().find('=') != std::string::npos)
      throw std::invalid_argument("give a settings file and -o OUT, or --unit");
    file = args.front();
    args.erase(args.begin());
    if (!out || out->empty()) throw std::invalid_argument("the output file is missing: set FILE -o OUT NAME=VALUE...");
  } else if (out) {
    throw std::invalid_argument("-o goes with a settings file, not with --unit");
  }
  if (args.empty()) throw std::invalid_argument("nothing to set: NAME=VALUE expected");
  for (const std::string& a : args)
    if (a.find('=') == std::string::npos || a.front() == '=')
      throw std::invalid_argument("'" + a + "' is not NAME=VALUE");

  PageSession ps(ctx, yes, false);
  if (const int rc = fromUnit ? ps.ReadUnit() : ps.LoadFile(file); rc != kExitOk) return rc;
  TPageModels& pages = ps.Pages();
  if (expert) pages.SetExpertMode(true);

  for (const std::string& a : args) {
    const std::string name = a.substr(0, a.find('=')), value = a.substr(a.find('=') + 1);
    std::string why = "нет такого элемента";
    for (const TPageEntry& page : pages.Table()) {
      TPageModel* model = pages.Model(page.name);
      if (model->Find(name) < 0) continue;
      why = ps.Holds(page) ? model->Set(name, value) : "этих настроек нет в файле настроек";
      break;
    }
    if (!why.empty()) {
      std::cerr << "orvantis-cli set: " << a << ": " << why << "\n";
      return kExitUsage;
    }
  }

  TSettingsSession& session = ps.Session();
  if (!fromUnit) {
    ps.StatusOps().StartAction("Сохранение настроек в файле", *out);
    return session.SaveOptions(*out) ? kExitOk : kExitFailed;
  }
  ps.StatusOps().StartAction("Синхронизация настроек");
  ps.StatusOps().Display("Сохранение настроек в устройстве...", true);
  session.FCFGsaved = true;
  return session.WriteOptions() ? kExitOk : kExitFailed;
}

CommandRegistrar reg{{"set",
                      "set FILE -o OUT | --unit [--expert] [--yes] NAME=VALUE...\n"
                      "                       change controls of the settings pages (names as 'show' lists them)",
                      RunSet}};

}  // namespace
}  // namespace orv::cli
