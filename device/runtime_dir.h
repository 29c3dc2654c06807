#pragma once

#include <string>

namespace orv {

// Per-user folder for sockets and lock files: $XDG_RUNTIME_DIR when it is set,
// else /tmp/orvantis-<uid> (created with mode 0700 when missing).
std::string RuntimeDir();

// True when `dir` is a folder of this user that nobody else may write to, so
// the lock files in it cannot have been planted by another user; otherwise
// false with a Russian reason in `error`.
bool CheckPrivateDir(const std::string& dir, std::string& error);

// Replaces every character outside [A-Za-z0-9._-] with '_'.
std::string SanitizeFileName(const std::string& name);

}  // namespace orv
