// CPU time of live diagnostics: runs `orvantis-cli --bus DIR diag --interval
// 200 --count 50` against a simulated unit and reports the CLI's user + system
// CPU time as a share of one core over its run. Target: below 5 %.
//
//   bench_diag_cpu [--cli PATH] [--sim-program PATH] [--bus DIR | --sim MODEL]
//                  [--timing-ms N] [--interval MS] [--count N]
//
// By default the bench starts `orvantis-sim unit` (model 4, 1 ms reports) on
// a private bus and measures the CLI alone; --bus DIR uses units already
// served there; --sim MODEL runs the unit inside the CLI's process, so its
// work is counted too.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr double kTargetPercent = 5.0;

int Usage() {
  std::fprintf(stderr,
               "usage: bench_diag_cpu [--cli PATH] [--sim-program PATH] [--bus DIR | --sim MODEL] [--timing-ms N] "
               "[--interval MS] [--count N]\n");
  return 2;
}

pid_t Spawn(const std::vector<std::string>& args, bool quiet) {
  std::vector<char*> cargv;
  for (const auto& a : args) cargv.push_back(const_cast<char*>(a.c_str()));
  cargv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int err = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, cargv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (err != 0) {
    std::fprintf(stderr, "cannot start %s: %s\n", args[0].c_str(), std::strerror(err));
    return -1;
  }
  return pid;
}

// A simulated unit on a private bus for the length of the bench.
class PrivateUnit {
 public:
  PrivateUnit(const std::string& simProgram, const std::string& timing) {
    char tmpl[] = "/tmp/orvantis-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return;
    dir_ = tmpl;
    bus_ = dir_ + "/bus";
    std::filesystem::create_directory(bus_);
    std::filesystem::permissions(bus_, std::filesystem::perms::owner_all);
    pid_ = Spawn({simProgram, "unit", "--bus", bus_, "--model", "4", "--timing-ms", timing}, true);
  }
  ~PrivateUnit() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }
  // The unit's socket appears once it listens; a start-up wait of the bench only.
  bool Ready() const {
    for (int i = 0; i < 500 && pid_ > 0; ++i) {
      std::error_code ec;
      for (const auto& e : std::filesystem::directory_iterator(bus_, ec))
        if (e.is_socket()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  const std::string& Bus() const { return bus_; }

 private:
  std::string dir_, bus_;
  pid_t pid_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
  std::string cli = ORVANTIS_CLI_PATH, simProgram = ORVANTIS_SIM_PATH;
  std::string bus, sim, timing = "1", interval = "200", count = "50";
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string value = argv[++i];
    if (opt == "--cli") cli = value;
    else if (opt == "--sim-program") simProgram = value;
    else if (opt == "--bus") bus = value;
    else if (opt == "--sim") sim = value;
    else if (opt == "--timing-ms") timing = value;
    else if (opt == "--interval") interval = value;
    else if (opt == "--count") count = value;
    else return Usage();
  }

  std::unique_ptr<PrivateUnit> unit;
  if (bus.empty() && sim.empty()) {
    unit = std::make_unique<PrivateUnit>(simProgram, timing);
    if (!unit->Ready()) {
      std::fprintf(stderr, "the simulated unit did not start (%s)\n", simProgram.c_str());
      return 1;
    }
    bus = unit->Bus();
  }
  std::vector<std::string> args = {cli};
  if (!bus.empty()) {
    args.insert(args.end(), {"--bus", bus});
  } else {
    args.insert(args.end(), {"--sim", sim, "--timing-ms", timing});
  }
  args.insert(args.end(), {"diag", "--interval", interval, "--count", count});
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = Spawn(args, true);
  if (pid < 0) return 1;
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid) {
    std::perror("wait4");
    return 1;
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "orvantis-cli diag failed (status %d)\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 1;
  }
  auto seconds = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6; };
  const double user = seconds(usage.ru_utime), sys = seconds(usage.ru_stime);
  const double percent = 100.0 * (user + sys) / wall;
  std::printf("diag --interval %s --count %s over %s: wall %.2f s, user %.3f s, system %.3f s\n", interval.c_str(),
              count.c_str(), bus.empty() ? ("in-process unit, model " + sim).c_str() : ("bus " + bus).c_str(), wall,
              user, sys);
  std::printf("CPU %.2f %% of one core (target < %.0f %%)\n", percent, kTargetPercent);
  return percent < kTargetPercent ? 0 : 3;
}
