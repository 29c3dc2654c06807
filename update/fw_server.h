// The firmware catalogue package from the maker's server: a form POST of
// "core/get" (the check) or "core/set" (the update, images included) with the
// installer identity and the unit's serial number. A failed request is
// reported as every request is (the error report line, the proxy box) and
// then thrown as std::runtime_error with its text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/seams.h"

namespace orv {
namespace server {
class HttpClient;
}

// `serial` gives the serial number shown for the unit at the time of the request.
std::function<std::string(bool withImages)> ServerPackageSource(server::HttpClient& http,
                                                                std::function<uint32_t()> serial, Status& status,
                                                                Prompts& prompts);

}  // namespace orv
