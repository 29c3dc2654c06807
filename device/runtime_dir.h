#pragma once

#include <string>

namespace orv {

// Per-user folder for sockets and lock files: $XDG_RUNTIME_DIR when it is set,
// else /tmp/orvantis-<uid> (created with mode 0700 when missing).
std::string RuntimeDir();

// Replaces every character outside [A-Za-z0-9._-] with '_'.
std::string SanitizeFileName(const std::string& name);

}  // namespace orv
