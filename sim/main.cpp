// orvantis-sim: serves simulated Orvantis units and the maker's server for the
// configurator and its tests.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/version.h"
#include "device/vbus_protocol.h"
#include "sim/fault_plan.h"
#include "sim/sim_settings.h"
#include "sim/sim_options.h"
#include "sim/sim_poke.h"
#include "sim/sim_catalogue.h"
#include "sim/sim_server.h"
#include "sim/sim_unit.h"
#include "sim/vbus_unit.h"

namespace {

int Usage(std::ostream& out, int rc) {
  out << "usage: orvantis-sim COMMAND [options]\n"
         "commands:\n"
         "  unit [--bus DIR] [--model N] [--pcb N] [--serial N] [--timing-ms N] [--faults SPEC] [--name NAME]\n"
         "       [--log-requests] [--poke K:OFF:HEX]... [--settings FILE] [--core-date DD.MM.YYYY] [--diag-file FILE]\n"
         "            plug one simulated unit into the virtual HID bus and serve it until\n"
         "            SIGINT or SIGTERM; SIGUSR2 unplugs it, SIGUSR1 plugs it back in.\n"
         "            --core-date sets the date stamp of its core firmware; --diag-file makes\n"
         "            it answer every diagnostic request with that file (93 to 113 bytes).\n"
         "            --poke patches settings region K at byte OFF (decimal or 0x..) with\n"
         "            the hex bytes before the unit is plugged in. --settings starts the unit\n"
         "            from a settings file over the factory settings (pokes apply after it).\n"
         "            --log-requests prints \"request CC[.SS] [ADDR]\" for every request\n"
         "            (command, memory sub-command, address).\n"
         "            Default bus: "
      << orv::vbus::DefaultBusDir()
      << "\n"
         "  server [--port N] [--data DIR] [--scenario NAME] [--record DIR]\n"
         "         [--cfg-reply TEXT] [--cfg-status N]\n"
         "            serve the maker's API over HTTPS on 127.0.0.1 until SIGINT or SIGTERM;\n"
         "            prints 'url: https://127.0.0.1:PORT' and 'ca: FILE' (the CA to trust).\n"
         "            --port 0 (default) takes a free port. Default data folder: "
      << orv::sim::DefaultServerDataDir()
      << "\n"
         "            Scenarios: up-to-date error-package bad-json http-404 http-500 slow\n"
         "            redirect-https redirect-http redirect-loop\n"
         "            --cfg-reply and --cfg-status set the answer to the settings\n"
         "            synchronisation (default {\"ok\":1}, 200); a malformed form gets 400.\n"
         "  all [unit options] [server options]\n"
         "            one unit and one server together\n"
         "  faults    describe the fault injection syntax\n"
         "  catalogue --out DIR [--model N] [--pcb N]\n"
         "            write the firmware catalogue packages of the simulated server for such\n"
         "            a unit: core-get.json, core-set.json (with images), core-get-updated.json\n"
         "  unit options also: --loader-ms N (time away on a restart, default 800),\n"
         "            --aux-ms N (duration of an auxiliary firmware update, default 2500)\n"
         "  --version print the version and exit\n";
  return rc;
}

long long Number(const std::string& opt, const std::string& text, long long lo, long long hi) {
  size_t used = 0;
  long long v = 0;
  try {
    v = std::stoll(text, &used, 10);
  } catch (const std::exception&) {
    used = 0;
  }
  if (text.empty() || used != text.size() || v < lo || v > hi)
    throw std::invalid_argument(opt + ": expected a number from " + std::to_string(lo) + " to " + std::to_string(hi));
  return v;
}

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// Signals are taken synchronously by the main thread; block them before any
// other thread starts so none of those receives them.
sigset_t BlockSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2}) sigaddset(&set, s);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  return set;
}

// Takes the server's options out of `args`.
orv::sim::ServerConfig TakeServerOptions(std::vector<std::string>& args) {
  orv::sim::ServerConfig cfg;
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a != "--port" && a != "--data" && a != "--scenario" && a != "--record" && a != "--cfg-reply" &&
        a != "--cfg-status") {
      rest.push_back(a);
      continue;
    }
    if (i + 1 >= args.size()) throw std::invalid_argument("missing value: " + a);
    const std::string& v = args[++i];
    if (a == "--port") cfg.port = static_cast<int>(Number(a, v, 0, 65535));
    else if (a == "--data") cfg.dataDir = v;
    else if (a == "--record") cfg.recordDir = v;
    else if (a == "--cfg-reply") cfg.cfgReply = v;
    else if (a == "--cfg-status") cfg.cfgStatus = static_cast<int>(Number(a, v, 200, 599));
    else {
      if (!orv::sim::IsServerScenario(v)) throw std::invalid_argument("--scenario: unknown scenario " + v);
      cfg.scenario = v;
    }
  }
  args = rest;
  return cfg;
}

std::unique_ptr<orv::sim::SimServer> StartServer(const orv::sim::ServerConfig& cfg) {
  auto server = std::make_unique<orv::sim::SimServer>(cfg);
  std::string error;
  if (!server->Start(error)) {
    std::cerr << "orvantis-sim server: " << error << "\n";
    return nullptr;
  }
  Say("url: " + server->Url());
  Say("ca: " + server->CaFile());
  return server;
}

int RunServer(std::vector<std::string> args) {
  for (const auto& a : args)
    if (a == "-h" || a == "--help") return Usage(std::cout, 0);
  orv::sim::ServerConfig cfg = TakeServerOptions(args);
  if (!args.empty()) throw std::invalid_argument("unknown option " + args.front());
  sigset_t set = BlockSignals();
  auto server = StartServer(cfg);
  if (!server) return 1;
  for (;;) {
    int sig = 0;
    if (sigwait(&set, &sig) != 0) continue;
    if (sig == SIGINT || sig == SIGTERM || sig == SIGHUP) break;
  }
  server->Stop();
  return 0;
}

int RunUnit(const std::vector<std::string>& args, const orv::sim::ServerConfig* serverCfg = nullptr) {
  orv::sim::SimConfig cfg;
  orv::sim::VbusUnitOptions opt;
  opt.busDir = orv::vbus::DefaultBusDir();
  std::string faults;
  bool logRequests = false;
  std::string settingsFile;
  std::vector<orv::sim::Poke> pokes;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-h" || a == "--help") return Usage(std::cout, 0);
    if (a == "--log-requests") {
      logRequests = true;
      continue;
    }
    if (i + 1 >= args.size()) throw std::invalid_argument("unknown option or missing value: " + a);
    const std::string& v = args[++i];
    if (a == "--bus") opt.busDir = v;
    else if (a == "--model") cfg.model = static_cast<int>(Number(a, v, 1, 4));
    else if (a == "--pcb") cfg.pcb = static_cast<uint8_t>(Number(a, v, 0, 255));
    else if (a == "--serial") cfg.serial = static_cast<uint32_t>(Number(a, v, 0, 4294967295LL));
    else if (a == "--loader-ms") cfg.loaderRestartMs = static_cast<int>(Number(a, v, 0, 600000));
    else if (a == "--aux-ms") cfg.auxUpdateMs = static_cast<int>(Number(a, v, 0, 600000));
    else if (a == "--timing-ms") opt.reportPeriod = std::chrono::milliseconds(Number(a, v, 0, 1000));
    else if (a == "--faults") {
      orv::sim::FaultPlan::Parse(v);  // bad fault rules are a usage error before anything starts
      faults = v;
    } else if (a == "--settings") {
      settingsFile = v;
    } else if (a == "--core-date") {
      cfg.coreDate = orv::sim::ParseCoreDate(v);
      if (!cfg.coreDate) throw std::invalid_argument("--core-date: expected DD.MM.YYYY");
    } else if (a == "--diag-file") {
      std::string error;
      if (!orv::sim::LoadDiagReply(v, cfg.diagReply, error)) throw std::invalid_argument("--diag-file: " + error);
    } else if (a == "--poke") {
      pokes.push_back(orv::sim::ParsePoke(v));
    } else if (a == "--name") {
      if (v.empty() || v.find('/') != std::string::npos || v[0] == '.')
        throw std::invalid_argument("--name: a plain file name is needed");
      opt.name = v;
    } else {
      throw std::invalid_argument("unknown option " + a);
    }
  }
  if (opt.busDir.empty()) throw std::invalid_argument("--bus: a folder is needed");

  sigset_t set = BlockSignals();
  std::unique_ptr<orv::sim::SimServer> simServer;
  if (serverCfg && !(simServer = StartServer(*serverCfg))) return 1;

  auto unit = std::make_shared<orv::sim::SimUnit>(cfg);
  if (!faults.empty()) unit->Faults() = orv::sim::FaultPlan::Parse(faults);
  if (logRequests)
    unit->SetRequestLog([](const orv::sim::SimRequest& req) {
      char line[64];
      int n = std::snprintf(line, sizeof line, "request %.2x", req.cmd);
      if (req.Sub() >= 0) n += std::snprintf(line + n, sizeof line - static_cast<size_t>(n), ".%.2x", req.Sub());
      if (req.Sub() >= 0 && req.payload.size() >= 5)
        std::snprintf(line + n, sizeof line - static_cast<size_t>(n), " %X",
                      static_cast<unsigned>(req.payload[1] << 24 | req.payload[2] << 16 | req.payload[3] << 8 |
                                            req.payload[4]));
      Say(line);
    });
  if (std::string why; !settingsFile.empty() && !orv::sim::LoadSettingsFile(*unit, settingsFile, why)) {
    std::cerr << "orvantis-sim unit: --settings " << settingsFile << ": " << why << "\n";
    return 2;
  }
  for (const auto& p : pokes) orv::sim::ApplyPoke(*unit, p);
  orv::sim::VbusUnit server(unit, opt);
  server.SetEventLog(Say);
  std::string error;
  if (!server.Start(error)) {
    std::cerr << "orvantis-sim unit: " << error << "\n";
    return 1;
  }
  for (;;) {
    int sig = 0;
    if (sigwait(&set, &sig) != 0) continue;
    if (sig == SIGUSR1) server.Plug();
    else if (sig == SIGUSR2) server.Unplug();
    else break;
  }
  server.Stop();
  if (simServer) simServer->Stop();
  return 0;
}

int RunCatalogue(const std::vector<std::string>& args) {
  orv::sim::SimConfig cfg;
  std::string out;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i + 1 >= args.size()) throw std::invalid_argument("unknown option or missing value: " + a);
    const std::string& v = args[++i];
    if (a == "--out") out = v;
    else if (a == "--model") cfg.model = static_cast<int>(Number(a, v, 1, 4));
    else if (a == "--pcb") cfg.pcb = static_cast<uint8_t>(Number(a, v, 0, 255));
    else throw std::invalid_argument("unknown option " + a);
  }
  if (out.empty()) throw std::invalid_argument("--out: a folder is needed");
  std::string error;
  if (!orv::sim::WriteCatalogue(out, cfg, error)) {
    std::cerr << "orvantis-sim catalogue: " << error << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(std::cerr, 2);
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "-h" || command == "--help" || command == "help") return Usage(std::cout, 0);
  if (command == "--version") {
    std::cout << orv::VersionBanner("orvantis-sim") << "\n";
    return 0;
  }
  try {
    if (command == "faults") {
      std::cout << orv::sim::FaultPlan::Help();
      return 0;
    }
    if (command == "unit") return RunUnit(args);
    if (command == "catalogue") return RunCatalogue(args);
    if (command == "server") return RunServer(args);
    if (command == "all") {
      std::vector<std::string> unitArgs = args;
      orv::sim::ServerConfig cfg = TakeServerOptions(unitArgs);
      return RunUnit(unitArgs, &cfg);
    }
  } catch (const std::invalid_argument& e) {
    std::cerr << "orvantis-sim " << command << ": " << e.what() << "\n";
    return 2;
  }
  std::cerr << "orvantis-sim: unknown command '" << command << "'\n";
  return Usage(std::cerr, 2);
}
