#include "app/version.h"

namespace orv {

BuildVersion OwnVersion() {
#if defined(ORVANTIS_VERSION_MAJOR) && defined(ORVANTIS_VERSION_MINOR) && defined(ORVANTIS_VERSION_PATCH)
  return {ORVANTIS_VERSION_MAJOR, ORVANTIS_VERSION_MINOR, ORVANTIS_VERSION_PATCH};
#else
  return {};
#endif
}

std::string VersionText(const BuildVersion& v) {
  std::string s = std::to_string(v.major) + "." + std::to_string(v.minor);
  if (v.release != 0) s += "." + std::to_string(v.release);
  return s;
}

std::string VersionBanner(const std::string& program) {
  const BuildVersion v = OwnVersion();
  return program + " " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.release);
}

}  // namespace orv
