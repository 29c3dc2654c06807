// File dialog filters written the way the window's settings file buttons
// give them: caption and pattern list in turn, separated by "|"
// ("файлы настроек |*.vesnar|все файлы|*.*").
#pragma once

#include <string>
#include <vector>

namespace orv {

struct FileFilterEntry {
  std::string caption;                // trimmed
  std::vector<std::string> patterns;  // "*.vesnar"; several are separated by ";"
};

// The entries in order; a caption without patterns gets "*".
std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter);

// The extension ("vesnar") of the first entry's first pattern when it is
// "*.ext"; empty otherwise.
std::string DefaultExtension(const std::string& filter);

// `path` with ".ext" appended when its file name has no extension of its own.
std::string WithDefaultExtension(const std::string& path, const std::string& ext);

}  // namespace orv
