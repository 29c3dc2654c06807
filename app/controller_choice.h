// Which HID controller the window's device link works on.
#pragma once

#include <memory>
#include <string>

#include "app/configurator_options.h"
#include "device/hid.h"

namespace orv {

// The controller the options select; nullptr when none is available, with the
// reason in `note`.
std::unique_ptr<HidController> CreateController(const ConfiguratorOptions& options, std::string& note);

}  // namespace orv
