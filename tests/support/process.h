// Runs the project's programs from tests and captures what they print.
#pragma once

#include <string>
#include <vector>

namespace orv::test {

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Paths of the built orvantis-cli / orvantis-sim (ORVANTIS_CLI / ORVANTIS_SIM override them).
std::string CliPath();
std::string SimPath();

// Runs `program` with `args` (no shell), optional stdin text, and waits for it.
RunResult Run(const std::string& program, const std::vector<std::string>& args, const std::string& input = {});
RunResult RunCli(const std::vector<std::string>& args, const std::string& input = {});

// A temporary folder removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace orv::test
