// orvantis-sim: serves simulated Orvantis units and the maker's server for the
// configurator and its tests.
#include <cstring>
#include <iostream>
#include <string>

#include "sim/fault_plan.h"

namespace {

int Usage(std::ostream& out, int rc) {
  out << "usage: orvantis-sim COMMAND [options]\n"
         "commands:\n"
         "  faults    describe the fault injection syntax\n";
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(std::cerr, 2);
  const std::string command = argv[1];
  if (command == "-h" || command == "--help" || command == "help") return Usage(std::cout, 0);
  if (command == "faults") {
    std::cout << orv::sim::FaultPlan::Help();
    return 0;
  }
  std::cerr << "orvantis-sim: unknown command '" << command << "'\n";
  return Usage(std::cerr, 2);
}
