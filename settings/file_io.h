// Whole-file reading and atomic replacement for settings files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orv {

// Replaces `path` with `data` so that the path holds either the old file or the
// complete new one, never a mix: a temporary file beside it is written, synced
// and renamed over it. On failure the old file is untouched, the temporary file
// is removed and `error` holds the system's reason.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> data, std::string& error);

// Whether WriteFileAtomically could create or replace `path` now: its folder
// exists and takes new files, and the path is not a folder. False with the
// reason in `error`. Nothing is left behind.
bool CanCreateFile(const std::string& path, std::string& error);

// Reads a whole file of at most `maxBytes` bytes. A larger file, a missing or
// unreadable one fail with the reason in `error`.
bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out, std::string& error);

}  // namespace orv
