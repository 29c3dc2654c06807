// CPU time of live diagnostics: runs `orvantis-cli ... diag --interval 200
// --count 50` against a simulated unit and reports the child's user + system
// CPU time as a share of one core over its run. Target: below 5 %.
//
//   bench_diag_cpu [--cli PATH] [--bus DIR | --sim MODEL] [--timing-ms N]
//                  [--interval MS] [--count N]
//
// With --sim (the default, model 4) the simulated unit runs inside the CLI's
// process, so its work is counted too; --bus DIR measures the CLI alone
// against units served by orvantis-sim on the virtual HID bus.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr double kTargetPercent = 5.0;

int Usage() {
  std::fprintf(stderr,
               "usage: bench_diag_cpu [--cli PATH] [--bus DIR | --sim MODEL] [--timing-ms N] [--interval MS] "
               "[--count N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string cli = ORVANTIS_CLI_PATH;
  std::string bus, sim = "4", timing = "1", interval = "200", count = "50";
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string value = argv[++i];
    if (opt == "--cli") cli = value;
    else if (opt == "--bus") bus = value;
    else if (opt == "--sim") sim = value;
    else if (opt == "--timing-ms") timing = value;
    else if (opt == "--interval") interval = value;
    else if (opt == "--count") count = value;
    else return Usage();
  }

  std::vector<std::string> args = {cli};
  if (!bus.empty()) {
    args.insert(args.end(), {"--bus", bus});
  } else {
    args.insert(args.end(), {"--sim", sim, "--timing-ms", timing});
  }
  args.insert(args.end(), {"diag", "--interval", interval, "--count", count});
  std::vector<char*> cargv;
  for (auto& a : args) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const auto t0 = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int err = posix_spawn(&pid, cli.c_str(), &actions, nullptr, cargv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (err != 0) {
    std::fprintf(stderr, "cannot start %s: %s\n", cli.c_str(), std::strerror(err));
    return 1;
  }
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
