#include "core/data_dir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace orv {

namespace fs = std::filesystem;

namespace {

bool IsDir(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

}  // namespace

std::string ExecutableDir() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path().string();
}

std::optional<std::string> DataDirFrom(const char* envValue, const std::string& exeDir,
                                       const std::string& installedDir) {
  // A variable that is set but names no folder is an error of the caller's
  // setup; falling back silently would hide it behind the installed data.
  if (envValue && *envValue) return IsDir(envValue) ? std::optional<std::string>(envValue) : std::nullopt;
  if (!exeDir.empty()) {
    const std::string beside = (fs::path(exeDir) / "data").string();
    if (IsDir(beside)) return beside;
    const std::string installed = (fs::path(exeDir).parent_path() / "share" / "orvantis").lexically_normal().string();
    if (IsDir(installed)) return installed;
    // Programs built in a subfolder of the build tree (cli/, sim/).
    const std::string buildTree = (fs::path(exeDir).parent_path() / "data").lexically_normal().string();
    if (IsDir(buildTree)) return buildTree;
  }
  if (IsDir(installedDir)) return installedDir;
  return std::nullopt;
}

std::optional<std::string> DataDir() {
#ifdef ORVANTIS_INSTALL_DATADIR
  const std::string installed = ORVANTIS_INSTALL_DATADIR;
#else
  const std::string installed;
#endif
  return DataDirFrom(std::getenv("ORVANTIS_DATA_DIR"), ExecutableDir(), installed);
}

std::optional<std::string> FindDataFile(const std::string& name) {
  auto dir = DataDir();
  if (!dir) return std::nullopt;
  std::error_code ec;
  const fs::path p = fs::path(*dir) / name;
  if (!fs::is_regular_file(p, ec)) return std::nullopt;
  return p.string();
}

}  // namespace orv
