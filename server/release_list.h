// The configurator's release list from the maker's server
// ("configurator/get"): a JSON object whose members "0", "1", "2", ... are the
// releases, "0" the newest, each {"varhigh", "vermid", "verlow", "file",
// "desc", "date"}. ParseUpdateInfo is the one reader; a list that is not an
// object, has a hole in its numbering, or holds a release that is not as
// described throws ReleaseListError.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace orv::selfupdate {

struct TSelfVersion {
  uint16_t L = 0;  // "verlow"
  uint16_t M = 0;  // "vermid"
  uint16_t H = 0;  // "varhigh"
  std::string Link;
  std::string Date;
  std::string Desc;
  std::string History;

  // The newest release is newer than the running version V1.V2.V3.
  bool UpdateAvailable(uint16_t v1, uint16_t v2, uint16_t v3) const;
};

class ReleaseListError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

TSelfVersion ParseUpdateInfo(const std::string& text);

// "%d.%d.%d", or "%d.%d" when the release number is 0.
std::string VersionText(uint16_t high, uint16_t mid, uint16_t low);

}  // namespace orv::selfupdate
