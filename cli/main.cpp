#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/version.h"
#include "cli/cli.h"
#include "sim/fault_plan.h"

namespace orv::cli {

namespace {

std::vector<Command>& Table() {
  static std::vector<Command> table;
  return table;
}

int Usage(std::ostream& out, int rc) {
  out << "usage: orvantis-cli [global options] COMMAND [options]\n\n"
         "global options:\n"
         "  --sim MODEL      use an in-process simulated unit of model 1..4\n"
         "  --pcb N          board revision of the simulated unit (default 18)\n"
         "  --serial N       serial number of the simulated unit (default 1234)\n"
         "  --faults SPEC    faults the simulated unit injects (see 'orvantis-sim faults')\n"
         "  --timing-ms N    USB report period of the simulated unit in ms (default 0)\n"
         "  --bus DIR        use the virtual HID bus in DIR (also ORVANTIS_BUS)\n"
         "                   without --sim or --bus: the unit plugged in by USB\n"
         "  --trace          print the link's packet trace on stderr\n"
         "  --version        print the version and exit\n"
         "  --server URL     the maker's server to ask (also ORVANTIS_SERVER)\n"
         "  --ca FILE        trust only this CA (PEM) for the server (also ORVANTIS_CA_FILE)\n\ncommands:\n";
  for (const auto& c : Commands()) out << "  " << c.synopsis << "\n";
  return rc;
}

}  // namespace

CommandRegistrar::CommandRegistrar(Command command) { Table().push_back(command); }
const std::vector<Command>& Commands() { return Table(); }

bool TakeFlag(std::vector<std::string>& args, const std::string& flag) {
  for (auto it = args.begin(); it != args.end(); ++it)
    if (*it == flag) {
      args.erase(it);
      return true;
    }
  return false;
}

std::optional<std::string> TakeValue(std::vector<std::string>& args, const std::string& option) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == option) {
      if (i + 1 >= args.size()) throw std::invalid_argument("option " + option + " needs a value");
      std::string v = args[i + 1];
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      return v;
    }
    if (args[i].rfind(option + "=", 0) == 0) {
      std::string v = args[i].substr(option.size() + 1);
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
      return v;
    }
  }
  return std::nullopt;
}

std::optional<long long> ParseInt(const std::string& text, long long lo, long long hi) {
  if (text.empty()) return std::nullopt;
  size_t used = 0;
  long long v = 0;
  try {
    v = std::stoll(text, &used, 10);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (used != text.size() || v < lo || v > hi) return std::nullopt;
  return v;
}

int Main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  GlobalOptions opts;
  if (const char* bus = std::getenv("ORVANTIS_BUS"); bus && *bus) opts.bus = bus;
  try {
    // Global options come before the command.
    while (!args.empty() && args.front().rfind("--", 0) == 0) {
      const std::string opt = args.front();
      if (opt == "--help") return Usage(std::cout, kExitOk);
      if (opt == "--version") {
        std::cout << VersionBanner("orvantis-cli") << "\n";
        return kExitOk;
      }
      if (opt == "--trace") {
        opts.trace = true;
        args.erase(args.begin());
        continue;
      }
      auto value = TakeValue(args, opt);
      auto number = [&](long long lo, long long hi) {
        auto n = ParseInt(*value, lo, hi);
        if (!n) throw std::invalid_argument(opt + ": expected a number from " + std::to_string(lo) + " to " + std::to_string(hi));
        return *n;
      };
      if (opt == "--sim") opts.simModel = static_cast<int>(number(1, 4));
      else if (opt == "--pcb") opts.pcb = static_cast<int>(number(0, 255));
      else if (opt == "--serial") opts.serial = static_cast<uint32_t>(number(0, 4294967295LL));
      else if (opt == "--timing-ms") opts.timingUs = static_cast<unsigned>(number(0, 1000) * 1000);
      else if (opt == "--faults") {
        sim::FaultPlan::Parse(*value);  // reject bad fault rules before anything starts
        opts.faults = *value;
      } else if (opt == "--bus") opts.bus = *value;
      else if (opt == "--server") opts.server = *value;
      else if (opt == "--ca") opts.ca = *value;
      else throw std::invalid_argument("unknown option " + opt);
    }
  } catch (const std::invalid_argument& e) {
    std::cerr << "orvantis-cli: " << e.what() << "\n";
    return kExitUsage;
  }
  if (args.empty()) return Usage(std::cerr, kExitUsage);
  const std::string name = args.front();
  args.erase(args.begin());
  for (const auto& c : Commands()) {
    if (name != c.name) continue;
    Context ctx(opts);
    try {
      return c.run(ctx, args);
    } catch (const std::invalid_argument& e) {
      std::cerr << "orvantis-cli " << name << ": " << e.what() << "\n";
      return kExitUsage;
    }
  }
  std::cerr << "orvantis-cli: unknown command '" << name << "'\n";
  return Usage(std::cerr, kExitUsage);
}

}  // namespace orv::cli

int main(int argc, char** argv) { return orv::cli::Main(argc, argv); }
