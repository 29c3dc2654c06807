// orvantis-cli: the headless tool over the same core as the window. Commands
// register themselves in the table below; each lives in a cmd_*.cpp file.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/hid.h"
#include "device/orvantis.h"
#include "server/http_client.h"

namespace orv::cli {

// Exit codes.
// Exit codes; --help and the README list them.
enum : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitNoUnit = 3, kExitCancelled = 4, kExitNotSynced = 5, kExitBusy = 6 };

struct GlobalOptions {
  int simModel = 0;           // --sim MODEL: an in-process simulated unit of model 1..4
  int pcb = 18;               // --pcb N
  uint32_t serial = 1234;     // --serial N
  std::string faults;         // --faults SPEC
  unsigned timingUs = 0;      // --timing-ms N: USB report period of the simulated unit
  bool trace = false;         // --trace: link trace lines on stderr
  std::string bus;            // --bus DIR (or ORVANTIS_BUS)
  uint32_t busyWaitMs = 30000;  // --busy-wait S: limit for a unit held by another program
  std::string simSettings;    // --sim-settings FILE: the simulated unit starts from this settings file
  std::string coreDate;       // --core-date DD.MM.YYYY: core stamp of the simulated unit
  std::string diagFile;       // --diag-file FILE: its fixed diagnostic record
  std::string server;         // --server URL (or ORVANTIS_SERVER)
  std::string ca;             // --ca FILE (or ORVANTIS_CA_FILE)
  std::string proxy;          // --proxy HOST[:PORT] (or ORVANTIS_PROXY)
  std::string proxyUser;      // --proxy-user LOGIN; the password comes from ORVANTIS_PROXY_PASSWORD
};

// The proxy of the server requests: --proxy HOST[:PORT] or ORVANTIS_PROXY,
// the login of --proxy-user and the password in ORVANTIS_PROXY_PASSWORD (not
// an option, so that it never shows in the process list). No proxy when no
// address is given.
server::ProxySettings ResolveProxy(const std::string& option, const std::string& user);

class Context {
 public:
  explicit Context(GlobalOptions options);
  ~Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  const GlobalOptions& Options() const { return options_; }
  // The HID controller the options select; nullptr when none is available
  // (the reason was printed).
  HidController* Controller();
  // The device link on that controller, created on first use; a unit that is
  // plugged in is attached at once.
  TOrvantis& Link();
  // The link with a unit attached, or nullptr after telling the user that no
  // unit was found.
  TOrvantis* RequireUnit();
  // The exit code of a command that returned `rc`: a failure that came from
  // another program holding the unit, or from an unsafe lock file, is said
  // so (once) and becomes kExitBusy.
  int Conclude(int rc);
  // Delivers plug and unplug notices for up to `ms` milliseconds.
  void ProcessNotices(uint32_t ms);
  // Callbacks the link calls after a unit was attached or removed (on this
  // thread, from ProcessHIDMessages). Set them before the first Link().
  void SetPlugCallbacks(std::function<void()> plug, std::function<void()> unplug);
  // The HTTP client for the maker's server (or the one --server names),
  // created on first use.
  server::HttpClient& Http();

 private:
  struct Impl;
  GlobalOptions options_;
  std::unique_ptr<Impl> impl_;
};

struct Command {
  const char* name;
  const char* synopsis;  // one line for the usage text
  int (*run)(Context& ctx, std::vector<std::string>& args);
};

// Adds a command to the table at start-up: `static CommandRegistrar reg{{...}};`
struct CommandRegistrar {
  explicit CommandRegistrar(Command command);
};
const std::vector<Command>& Commands();

// Option parsing for a command's own arguments; options are removed from `args`.
bool TakeFlag(std::vector<std::string>& args, const std::string& flag);
std::optional<std::string> TakeValue(std::vector<std::string>& args, const std::string& option);
// Parses a decimal number; nullopt when the text is not one or lies outside [lo, hi].
std::optional<long long> ParseInt(const std::string& text, long long lo, long long hi);

}  // namespace orv::cli
