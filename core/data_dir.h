// Where the programs find their runtime data (the voice-prompt container, the
// simulated server's default data): one folder, looked up the same way by the
// window, orvantis-cli and orvantis-sim, so an installed package, a build tree
// and a test that hands in crafted files all work without configuration.
#pragma once

#include <optional>
#include <string>

namespace orv {

// The first of these that is an existing folder:
//   1. $ORVANTIS_DATA_DIR (a test or a user points at crafted data);
//   2. <folder of the running program>/data (a build tree: the programs sit
//      at its top and the generated data in its data/ folder);
//   3. <folder of the running program>/../share/orvantis (an installed copy,
//      wherever its prefix is: /usr, /usr/local, an unpacked package);
//   4. <folder of the running program>/../data (programs built in a
//      subfolder of the build tree);
//   5. the data folder of the configured install prefix.
// nullopt when none exists.
std::optional<std::string> DataDir();

// DataDir()/name when that file exists, else nullopt.
std::optional<std::string> FindDataFile(const std::string& name);

// The same lookup with the inputs given, so it can be tested.
std::optional<std::string> DataDirFrom(const char* envValue, const std::string& exeDir,
                                       const std::string& installedDir);

// Folder of the running executable (from /proc/self/exe); empty when unknown.
std::string ExecutableDir();

}  // namespace orv
