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

// A program running in the background; the test reads its output as it comes.
// The destructor kills it (SIGKILL) if it still runs.
class Background {
 public:
  Background(const std::string& program, const std::vector<std::string>& args);
  ~Background();
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;

  int Pid() const { return pid_; }
  // Waits until standard output holds `text` at least `times` times; false
  // when `timeoutMs` passed first or the program closed its output.
  bool WaitForOutput(const std::string& text, int timeoutMs, int times = 1);
  // What the program printed so far.
  const std::string& Out();
  const std::string& Err();
  void Signal(int sig);
  // Waits for the program to end: its exit code, 128 + signal, or -1 when it
  // still runs after `timeoutMs`.
  int Wait(int timeoutMs);

 private:
  // Reads what the pipes hold, waiting at most `timeoutMs` for something.
  void Pump(int timeoutMs);
  int pid_ = -1;
  int pidFd_ = -1;
  int out_ = -1, err_ = -1;
  int status_ = -1;
  std::string outText_, errText_;
};

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
