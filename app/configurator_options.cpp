#include "app/configurator_options.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "server/api.h"

namespace orv {

namespace {

long long Number(const std::string& opt, const std::string& text, long long lo, long long hi) {
  errno = 0;
  char* end = nullptr;
  const long long v = text.empty() ? 0 : std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || errno || end != text.c_str() + text.size() || v < lo || v > hi)
    throw std::invalid_argument(opt + ": expected a number from " + std::to_string(lo) + " to " + std::to_string(hi));
  return v;
}

}  // namespace

ConfiguratorOptions ParseConfiguratorOptions(const std::vector<std::string>& args,
                                             const std::function<const char*(const char*)>& getenv) {
  ConfiguratorOptions o;
  auto env = [&](const char* name, std::string& into) {
    if (!getenv) return;
    if (const char* v = getenv(name); v && *v) into = v;
  };
  env("ORVANTIS_BUS", o.bus);
  env("ORVANTIS_SERVER", o.server);
  env("ORVANTIS_CA_FILE", o.caFile);

  for (size_t i = 0; i < args.size(); ++i) {
    std::string opt = args[i];
    if (opt == "--help" || opt == "-h") {
      o.help = true;
      continue;
    }
    std::string value;
    bool hasValue = false;
    if (const auto eq = opt.find('='); opt.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = opt.substr(eq + 1);
      opt = opt.substr(0, eq);
      hasValue = true;
    }
    auto take = [&]() -> std::string {
      if (hasValue) return value;
      if (i + 1 >= args.size()) throw std::invalid_argument("option " + opt + " needs a value");
      return args[++i];
    };
    if (opt == "--sim") o.simModel = static_cast<int>(Number(opt, take(), 1, 4));
    else if (opt == "--pcb") o.pcb = static_cast<int>(Number(opt, take(), 0, 255));
    else if (opt == "--serial") o.serial = static_cast<uint32_t>(Number(opt, take(), 0, 4294967295LL));
    else if (opt == "--timing-ms") o.timingUs = static_cast<unsigned>(Number(opt, take(), 0, 1000) * 1000);
    else if (opt == "--faults") o.faults = take();
    else if (opt == "--bus") o.bus = take();
    else if (opt == "--server") o.server = take();
    else if (opt == "--ca") o.caFile = take();
    else throw std::invalid_argument("unknown option " + opt);
    if (hasValue && (opt == "--sim" || opt == "--bus" || opt == "--server" || opt == "--ca") && value.empty())
      throw std::invalid_argument("option " + opt + " needs a value");
  }
  // The program as started by a user talks to the maker's server unless told
  // otherwise; only an embedding that builds its options itself (the tests)
  // runs without one.
  if (o.server.empty()) o.server = server::kDefaultBaseUrl;
  return o;
}

std::string ConfiguratorUsage() {
  return "usage: orvantis-configurator [options]\n\n"
         "  --sim MODEL      work with an in-process simulated unit of model 1..4\n"
         "  --pcb N          board revision of the simulated unit (default 18)\n"
         "  --serial N       serial number of the simulated unit (default 1234)\n"
         "  --faults SPEC    faults the simulated unit injects (see 'orvantis-sim faults')\n"
         "  --timing-ms N    USB report period of the simulated unit in ms (default 0)\n"
         "  --bus DIR        units served by orvantis-sim on the virtual HID bus in DIR (ORVANTIS_BUS)\n"
         "                   without --sim or --bus: the unit plugged in by USB\n"
         "  --server URL     the maker's server (ORVANTIS_SERVER; default " +
         std::string(server::kDefaultBaseUrl) + ")\n"
         "  --ca FILE        CA certificate that the server's certificate is checked with (ORVANTIS_CA_FILE)\n"
         "  --version        print the version and exit\n";
}

}  // namespace orv
