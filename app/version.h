// The configurator's own version, compiled in from the project version.
#pragma once

#include <string>

namespace orv {

struct BuildVersion {
  int major = 0, minor = 0, release = 0;
};

BuildVersion OwnVersion();
// "1.2.3", or "1.2" when the release number is 0.
std::string VersionText(const BuildVersion& v);
// What every program prints for --version: "<program> 1.2.3" (all three
// numbers, so packages and the release check read the same version).
std::string VersionBanner(const std::string& program);

}  // namespace orv
