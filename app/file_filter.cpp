#include "app/file_filter.h"

namespace orv {

namespace {

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  const size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = s.find(sep, start);
    parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

}  // namespace

std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter) {
  std::vector<FileFilterEntry> entries;
  if (filter.empty()) return entries;
  const std::vector<std::string> parts = Split(filter, '|');
  for (size_t i = 0; i < parts.size(); i += 2) {
    FileFilterEntry e;
    e.caption = Trim(parts[i]);
    if (i + 1 < parts.size())
      for (const std::string& p : Split(parts[i + 1], ';'))
        if (const std::string t = Trim(p); !t.empty()) e.patterns.push_back(t);
    if (e.patterns.empty()) e.patterns.push_back("*");
    entries.push_back(std::move(e));
  }
  return entries;
}

std::string DefaultExtension(const std::string& filter) {
  const auto entries = ParseFileFilter(filter);
  if (entries.empty()) return {};
  const std::string& p = entries.front().patterns.front();
  if (p.size() > 2 && p.compare(0, 2, "*.") == 0 && p.find_first_of("*?[", 2) == std::string::npos) return p.substr(2);
  return {};
}

std::string WithDefaultExtension(const std::string& path, const std::string& ext) {
  if (path.empty() || ext.empty()) return path;
  const size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  // A leading dot names a hidden file, not an extension.
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0 && dot + 1 < name.size()) return path;
  if (name.empty()) return path;
  if (dot != std::string::npos && dot > 0 && dot + 1 == name.size()) return path + ext;  // "name." gets "vesnar"
  return path + "." + ext;
}

}  // namespace orv
