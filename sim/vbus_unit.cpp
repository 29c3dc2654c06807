#include "sim/vbus_unit.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "device/hid.h"
#include "device/vbus_protocol.h"
#include "sim/unit_responder.h"

namespace orv::sim {

namespace {

using SteadyClock = std::chrono::steady_clock;

bool FillAddress(const std::string& path, sockaddr_un& addr) {
  addr = {};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// True when a unit answers on `path`.
bool SomeoneListens(const std::string& path) {
  sockaddr_un addr;
  if (!FillAddress(path, addr)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  const int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  const bool live = rc == 0 || errno == EAGAIN;
  ::close(fd);
  return live;
}

}  // namespace

struct VbusUnit::Impl final : UnitResponder::Sink {
  struct Client {
    int fd = -1;
    uint64_t id = 0;
    RequestAssembler assembler;  // used by the loop thread only
  };
  enum class Command { kPlug, kUnplug, kStop };

  Impl(std::shared_ptr<SimUnit> u, VbusUnitOptions o)
      : unit(std::move(u)), opt(std::move(o)), timing(opt.reportPeriod) {
    if (opt.name.empty()) opt.name = "orvantis-" + std::to_string(unit->Config().serial);
    responder = std::make_unique<UnitResponder>(unit, timing, opt.inputLength - 1u, *this);
  }

  ~Impl() override {
    Stop();
    responder->Stop();
    if (wakeFd >= 0) ::close(wakeFd);
  }

  std::shared_ptr<SimUnit> unit;
  VbusUnitOptions opt;
  UsbTiming timing;
  std::string socketPath;
  std::string tempPath;
  std::unique_ptr<UnitResponder> responder;

  std::atomic<bool> plugged{false};
  int listenFd = -1;  // loop thread (and Start before the loop runs)

  std::mutex clientsMutex;  // the responder sends to the clients while the loop changes the list
  std::vector<std::unique_ptr<Client>> clients;
  uint64_t nextId = 1;

  std::mutex cmdMutex;  // guards the commands and timers below
  std::vector<Command> commands;
  std::optional<SteadyClock::time_point> restartAt;  // a restart begins
  int restartMs = 0;
  std::optional<SteadyClock::time_point> replugAt;  // a restart ends
  int wakeFd = -1;
  std::thread loop;

  std::mutex logMutex;
  std::function<void(const std::string&)> eventLog;

  void Log(const std::string& line) {
    std::lock_guard<std::mutex> g(logMutex);
    if (eventLog) eventLog(line);
  }

  void Wake() {
    const uint64_t one = 1;
    ssize_t unused = ::write(wakeFd, &one, sizeof one);
    (void)unused;
  }

  void Post(Command c) {
    {
      std::lock_guard<std::mutex> g(cmdMutex);
      commands.push_back(c);
    }
    Wake();
  }

  void Stop() {
    if (!loop.joinable()) {
      DoUnplug(false);
      return;
    }
    Post(Command::kStop);
    loop.join();
  }

  // --- UnitResponder::Sink (responder thread) ---------------------------------
  void Deliver(const std::vector<uint8_t>& data, uint64_t origin) override {
    std::vector<uint8_t> msg;
    msg.reserve(data.size() + 1);
    msg.push_back(0);  // report ID
    msg.insert(msg.end(), data.begin(), data.end());
    std::lock_guard<std::mutex> g(clientsMutex);
    // Every handle sees every report, the requester last: by the time it has
    // its reply, every other handle holds the reply too, so their next send
    // counts it as stale instead of taking it for their own answer.
    for (int pass = 0; pass < 2; ++pass)
      for (const auto& c : clients)
        if ((c->id == origin) == (pass == 1))
          // A handle whose queue is full loses the report, as with hidraw.
          (void)::send(c->fd, msg.data(), msg.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  }
  void Unplug() override { Post(Command::kUnplug); }
  void Restart(int ms, uint32_t delayMs) override {
    {
      std::lock_guard<std::mutex> g(cmdMutex);
      restartAt = SteadyClock::now() + std::chrono::milliseconds(delayMs);
      restartMs = ms;
    }
    Wake();
  }

  // --- plugging (loop thread, or Start before the loop runs) ------------------
  bool DoPlug(std::string& error) {
    if (listenFd >= 0) return true;
    sockaddr_un addr;
    if (!FillAddress(tempPath, addr) || socketPath.size() >= sizeof addr.sun_path) {
      error = socketPath + ": path too long for a socket";
      return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
      error = std::string("socket: ") + std::strerror(errno);
      return false;
    }
    ::unlink(tempPath.c_str());
    // Bound and listening under a temporary name, then renamed into place: the
    // socket appears only when it already accepts connections.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, SOMAXCONN) != 0 ||
        ::rename(tempPath.c_str(), socketPath.c_str()) != 0) {
      error = socketPath + ": " + std::strerror(errno);
      ::close(fd);
      ::unlink(tempPath.c_str());
      return false;
    }
    listenFd = fd;
    plugged = true;
    Log("plugged: " + socketPath);
    return true;
  }

  void DoUnplug(bool log) {
    if (listenFd < 0) return;
    ::unlink(socketPath.c_str());
    ::close(listenFd);
    listenFd = -1;
    plugged = false;
    {
      std::lock_guard<std::mutex> g(clientsMutex);
      for (const auto& c : clients) ::close(c->fd);
      clients.clear();
    }
    responder->Cancel();
    if (log) Log("unplugged");
  }

  void Accept() {
    for (;;) {
      const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (fd < 0) return;
      vbus::Hello hello;
      hello.vendorId = kOrvantisVendorId;
      hello.productId = kOrvantisProductId;
      hello.inputLength = opt.inputLength;
      hello.outputLength = opt.outputLength;
      hello.description =
          "simulated ORVANTIS " + std::to_string(unit->Config().model) + ", SN " + std::to_string(unit->Config().serial);
      const auto msg = vbus::EncodeHello(hello);
      if (::send(fd, msg.data(), msg.size(), MSG_DONTWAIT | MSG_NOSIGNAL) != static_cast<ssize_t>(msg.size())) {
        ::close(fd);
        continue;
      }
      auto c = std::make_unique<Client>();
      c->fd = fd;
      c->id = nextId++;
      std::lock_guard<std::mutex> g(clientsMutex);
      clients.push_back(std::move(c));
    }
  }

  // Reads the output reports waiting on one connection; false when it closed.
  bool Serve(Client& c) {
    std::vector<uint8_t> buf(vbus::kMaxMessage + 1);
    for (;;) {
      const ssize_t n = ::recv(c.fd, buf.data(), buf.size(), MSG_DONTWAIT);
      if (n < 0) return errno == EAGAIN || errno == EINTR;
      if (n == 0) return false;
      // Only whole output reports with report ID 0 reach the unit.
      if (static_cast<size_t>(n) != opt.outputLength || buf[0] != 0) continue;
      timing.Transfer();
      if (auto pkt = c.assembler.Feed(buf.data() + 1, static_cast<size_t>(n) - 1))
        responder->Submit(std::move(*pkt), c.id);
    }
  }

  void Run() {
    for (;;) {
      std::vector<pollfd> fds{{wakeFd, POLLIN, 0}};
      if (listenFd >= 0) fds.push_back({listenFd, POLLIN, 0});
      const size_t firstClient = fds.size();
      for (const auto& c : clients) fds.push_back({c->fd, POLLIN, 0});
      int timeout = -1;
      {
        std::lock_guard<std::mutex> g(cmdMutex);
        const auto now = SteadyClock::now();
        for (const auto& t : {restartAt, replugAt})
          if (t) {
            const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*t - now).count();
            const int m = ms < 0 ? 0 : static_cast<int>(std::min<long long>(ms, 60000));
            timeout = timeout < 0 ? m : std::min(timeout, m);
          }
      }
      if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) return;

      if (fds[0].revents) {
        uint64_t v;
        ssize_t unused = ::read(wakeFd, &v, sizeof v);
        (void)unused;
      }
      std::vector<Command> cmds;
      bool beginRestart = false, endRestart = false;
      int ms = 0;
      {
        std::lock_guard<std::mutex> g(cmdMutex);
        cmds.swap(commands);
        const auto now = SteadyClock::now();
        if (restartAt && *restartAt <= now) {
          beginRestart = true;
          ms = restartMs;
          restartAt.reset();
          replugAt = now + std::chrono::milliseconds(ms);
        } else if (replugAt && *replugAt <= now) {
          endRestart = true;
          replugAt.reset();
        }
      }
      for (const Command c : cmds) {
        if (c == Command::kStop) {
          DoUnplug(true);
          return;
        }
        if (c == Command::kUnplug) {
          {
            std::lock_guard<std::mutex> g(cmdMutex);
            restartAt.reset();
            replugAt.reset();
          }
          DoUnplug(true);
        }
        if (c == Command::kPlug && listenFd < 0) {
          std::string error;
          unit->Restarted();
          if (!DoPlug(error)) Log("cannot plug in: " + error);
        }
      }
      if (beginRestart) {
        DoUnplug(false);
        Log("restarting for " + std::to_string(ms) + " ms");
        continue;  // the descriptors polled above are gone
      }
      if (endRestart && listenFd < 0) {
        std::string error;
        unit->Restarted();
        if (!DoPlug(error)) Log("cannot plug in: " + error);
        continue;
      }
      if (!cmds.empty()) continue;

      std::vector<uint64_t> closed;
      for (size_t i = firstClient; i < fds.size(); ++i) {
        if (!fds[i].revents) continue;
        Client& c = *clients[i - firstClient];
        if (!Serve(c)) closed.push_back(c.id);
      }
      if (!closed.empty()) {
        std::lock_guard<std::mutex> g(clientsMutex);
        for (auto it = clients.begin(); it != clients.end();) {
          if (std::find(closed.begin(), closed.end(), (*it)->id) != closed.end()) {
            ::close((*it)->fd);
            it = clients.erase(it);
          } else {
            ++it;
          }
        }
      }
      if (listenFd >= 0 && fds.size() > 1 && fds[1].fd == listenFd && fds[1].revents) Accept();
    }
  }
};

VbusUnit::VbusUnit(std::shared_ptr<SimUnit> unit, VbusUnitOptions options)
    : impl_(std::make_unique<Impl>(std::move(unit), std::move(options))) {}

VbusUnit::~VbusUnit() = default;

bool VbusUnit::Start(std::string& error) {
  Impl& s = *impl_;
  if (s.loop.joinable()) return true;
  if (!vbus::EnsureBusDir(s.opt.busDir, error)) return false;
  s.socketPath = s.opt.busDir + "/" + s.opt.name + vbus::kSocketSuffix;
  s.tempPath = s.opt.busDir + "/." + s.opt.name + "." + std::to_string(::getpid()) + ".tmp";
  struct stat st {};
  if (::lstat(s.socketPath.c_str(), &st) == 0) {
    if (SomeoneListens(s.socketPath)) {
      error = s.socketPath + ": a unit of this name is plugged in already";
      return false;
    }
    if (!S_ISSOCK(st.st_mode)) {
      error = s.socketPath + ": exists and is not a socket";
      return false;
    }
    ::unlink(s.socketPath.c_str());  // left by a unit that was killed
  }
  s.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (s.wakeFd < 0) {
    error = std::string("eventfd: ") + std::strerror(errno);
    return false;
  }
  if (!s.DoPlug(error)) return false;
  s.loop = std::thread([&s] { s.Run(); });
  return true;
}

void VbusUnit::Plug() {
  if (impl_->loop.joinable()) impl_->Post(Impl::Command::kPlug);
}

void VbusUnit::Unplug() {
  if (impl_->loop.joinable()) impl_->Post(Impl::Command::kUnplug);
}

void VbusUnit::Stop() { impl_->Stop(); }

bool VbusUnit::Plugged() const { return impl_->plugged.load(); }

std::string VbusUnit::SocketPath() const { return impl_->socketPath; }

void VbusUnit::SetEventLog(std::function<void(const std::string&)> log) {
  std::lock_guard<std::mutex> g(impl_->logMutex);
  impl_->eventLog = std::move(log);
}

}  // namespace orv::sim
