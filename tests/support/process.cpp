#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace orv::test {

namespace {
std::string EnvOr(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v && *v ? v : fallback;
}
std::vector<char*> ArgvOf(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

std::string CliPath() { return EnvOr("ORVANTIS_CLI", ORVANTIS_CLI_PATH); }
std::string SimPath() { return EnvOr("ORVANTIS_SIM", ORVANTIS_SIM_PATH); }

RunResult Run(const std::string& program, const std::vector<std::string>& args, const std::string& input) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) throw std::runtime_error("pipe");
  // Built before fork: the child of a threaded process may not allocate.
  std::vector<char*> argv = ArgvOf(program, args);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    execvp(program.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (!input.empty()) {
    ssize_t unused = write(in[1], input.data(), input.size());
    (void)unused;
  }
  close(in[1]);
  RunResult r;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  char buf[4096];
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? r.out : r.err).append(buf, static_cast<size_t>(n));
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

Background::Background(const std::string& program, const std::vector<std::string>& args) {
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) throw std::runtime_error("pipe");
  // Built before fork: the child of a threaded process may not allocate.
  std::vector<char*> argv = ArgvOf(program, args);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    const int devnull = open("/dev/null", O_RDONLY);
    dup2(devnull, 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    execvp(program.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  pid_ = pid;
  out_ = out[0];
  err_ = err[0];
  fcntl(out_, F_SETFL, O_NONBLOCK);
  fcntl(err_, F_SETFL, O_NONBLOCK);
  pidFd_ = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
}

Background::~Background() {
  if (status_ < 0 && pid_ > 0) {
    kill(pid_, SIGKILL);
    int st = 0;
    waitpid(pid_, &st, 0);
  }
  for (int fd : {out_, err_, pidFd_})
    if (fd >= 0) close(fd);
}

void Background::Pump(int timeoutMs) {
  pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
  if (poll(fds, 2, timeoutMs) <= 0) return;
  char buf[4096];
  for (int i = 0; i < 2; ++i) {
    int& fd = i == 0 ? out_ : err_;
    if (fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    for (;;) {
      const ssize_t n = read(fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? outText_ : errText_).append(buf, static_cast<size_t>(n));
        continue;
      }
      if (n == 0) {  // closed: keep the descriptor out of later polls
        close(fd);
        fd = -1;
      }
      break;
    }
  }
}

bool Background::WaitForOutput(const std::string& text, int timeoutMs, int times) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  auto count = [&] {
    int n = 0;
    for (size_t pos = outText_.find(text); pos != std::string::npos; pos = outText_.find(text, pos + text.size())) ++n;
    return n;
  };
  for (;;) {
    if (count() >= times) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0 || (out_ < 0 && err_ < 0)) return false;
    Pump(static_cast<int>(left.count()));
  }
}

const std::string& Background::Out() {
  Pump(0);
  return outText_;
}

const std::string& Background::Err() {
  Pump(0);
  return errText_;
}

void Background::Signal(int sig) {
  if (status_ < 0) kill(pid_, sig);
}

int Background::Wait(int timeoutMs) {
  if (status_ >= 0) return status_;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int st = 0;
    if (waitpid(pid_, &st, WNOHANG) == pid_) {
      status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
      Pump(0);
      return status_;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return -1;
    // The pid descriptor becomes readable when the program ends; meanwhile
    // keep its pipes drained so it never blocks on a full one.
    std::vector<pollfd> fds;
    if (pidFd_ >= 0) fds.push_back({pidFd_, POLLIN, 0});
    if (out_ >= 0) fds.push_back({out_, POLLIN, 0});
    if (err_ >= 0) fds.push_back({err_, POLLIN, 0});
    const int slice = pidFd_ >= 0 ? static_cast<int>(left.count()) : std::min<int>(50, static_cast<int>(left.count()));
    if (poll(fds.data(), fds.size(), slice) > 0) Pump(0);
  }
}

RunResult RunCli(const std::vector<std::string>& args, const std::string& input) { return Run(CliPath(), args, input); }

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "orvantis-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace orv::test
