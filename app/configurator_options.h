// Command line and environment of orvantis-configurator.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

struct ConfiguratorOptions {
  int simModel = 0;        // --sim MODEL: an in-process simulated unit of model 1..4
  int pcb = 18;            // --pcb N
  uint32_t serial = 1234;  // --serial N
  std::string faults;      // --faults SPEC
  unsigned timingUs = 0;   // --timing-ms N: USB report period of the simulated unit
  std::string bus;         // --bus DIR (ORVANTIS_BUS): simulated units of another process
  // --server URL (ORVANTIS_SERVER): the maker's server. The command line's
  // default is the maker's address; empty (options built in code): no server
  // task runs by itself.
  std::string server;
  std::string caFile;      // --ca FILE (ORVANTIS_CA_FILE): CA certificate the server is checked with
  bool help = false;
};

// Parses the arguments (without the program name, after the toolkit took its
// own). The environment gives the defaults of --bus, --server and --ca; the
// server is the maker's when neither names one.
// Throws std::invalid_argument with a readable message.
ConfiguratorOptions ParseConfiguratorOptions(const std::vector<std::string>& args,
                                             const std::function<const char*(const char*)>& getenv);

std::string ConfiguratorUsage();

}  // namespace orv
