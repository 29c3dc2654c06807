#include "device/vbus_client.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <linux/sockios.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <map>
#include <thread>

#include "device/error_text.h"
#include "device/vbus_protocol.h"

namespace orv {

namespace {

using Clock = std::chrono::steady_clock;

// How long connecting to a unit and receiving its hello may take.
constexpr auto kConnectTimeout = std::chrono::milliseconds(500);
// Longest a send waits for a unit that does not read its socket.
constexpr int kSendTimeoutMs = 1000;
// Longest Flush waits for the reader thread.
constexpr auto kFlushTimeout = std::chrono::milliseconds(200);

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Connects to the unit behind `path` and reads its hello. Returns the
// connected socket (blocking, with a send time-out) or -1.
int ConnectUnit(const std::string& path, vbus::Hello& hello) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return -1;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  const auto deadline = Clock::now() + kConnectTimeout;
  for (;;) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) break;
    // A full backlog: the unit is busy accepting others; try again shortly.
    if ((errno == EAGAIN || errno == EINTR) && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    ::close(fd);  // gone, or a stale socket of a killed unit
    return -1;
  }
  std::vector<uint8_t> buf(vbus::kMaxMessage + 1);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd p{fd, POLLIN, 0};
    if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) {
      if (errno == EINTR && left > 0) continue;
      ::close(fd);
      return -1;
    }
    const ssize_t n = ::recv(fd, buf.data(), buf.size(), MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    auto h = n > 0 ? vbus::DecodeHello({buf.data(), static_cast<size_t>(n)}) : std::nullopt;
    if (!h) {
      ::close(fd);
      return -1;
    }
    hello = std::move(*h);
    break;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  timeval tv{kSendTimeoutMs / 1000, (kSendTimeoutMs % 1000) * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  return fd;
}

HidDeviceInfo InfoOf(const std::string& path, const vbus::Hello& hello) {
  HidDeviceInfo info;
  info.path = path;
  info.vendorId = hello.vendorId;
  info.productId = hello.productId;
  info.description = hello.description;
  return info;
}

}  // namespace

struct VbusController::Shared {
  std::string dir;
  std::string error;

  // Checked-out units by socket path, with their holder's "still plugged"
  // flag: a unit that came back (after a restart) may be checked out again
  // before the holder of its dead connection has let go.
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<std::atomic<bool>>> checkedOut;

  std::mutex arrivalMutex;  // held while the arrival handler runs
  ArrivalHandler arrival;

  int inotifyFd = -1;
  int stopFd = -1;
  std::thread watcher;

  std::shared_ptr<std::atomic<bool>> Reserve(const std::string& path) {
    std::lock_guard<std::mutex> g(mutex);
    auto& holder = checkedOut[path];
    if (holder && holder->load()) return nullptr;
    holder = std::make_shared<std::atomic<bool>>(true);
    return holder;
  }

  void CheckIn(const std::string& path, const std::shared_ptr<std::atomic<bool>>& holder) {
    std::lock_guard<std::mutex> g(mutex);
    if (auto it = checkedOut.find(path); it != checkedOut.end() && it->second == holder) checkedOut.erase(it);
  }

  void Watch();
  void Announce(const std::string& name);
};

namespace {

class VbusDevice final : public HidDevice {
 public:
  VbusDevice(std::shared_ptr<VbusController::Shared> bus, std::shared_ptr<std::atomic<bool>> plugged,
             HidDeviceInfo info, const vbus::Hello& hello, int fd)
      : bus_(std::move(bus)),
        plugged_(std::move(plugged)),
        info_(std::move(info)),
        inputLength_(hello.inputLength),
        outputLength_(hello.outputLength),
        fd_(fd) {
    reader_ = std::thread([this] { Read(); });
  }

  ~VbusDevice() override {
    stop_ = true;
    ::shutdown(fd_, SHUT_RDWR);  // wakes the reader; the unit sees the handle close
    reader_.join();
    ::close(fd_);
    bus_->CheckIn(info_.path, plugged_);
  }

  const HidDeviceInfo& Info() const override { return info_; }
  uint16_t InputReportByteLength() const override { return inputLength_; }
  uint16_t OutputReportByteLength() const override { return outputLength_; }

  bool WriteReport(const uint8_t* report, size_t size, int& error) override {
    if (!*plugged_) {
      error = ENODEV;
      return false;
    }
    if (size != outputLength_ || size == 0) {
      error = EINVAL;
      return false;
    }
    const ssize_t n = ::send(fd_, report, size, MSG_NOSIGNAL);
    if (n == static_cast<ssize_t>(size)) return true;
    error = n < 0 ? errno : EIO;
    return false;
  }

  void SetHandlers(InputHandler onInput, UnplugHandler onUnplug) override {
    std::lock_guard<std::mutex> g(handlerMutex_);
    onInput_ = std::move(onInput);
    onUnplug_ = std::move(onUnplug);
  }

  bool Plugged() const override { return plugged_->load(); }
  std::string LockName() const override { return info_.path; }

  void Flush() override {
    std::unique_lock<std::mutex> lk(flushMutex_);
    flushCond_.wait_for(lk, kFlushTimeout, [this] { return !*plugged_ || (!busy_ && Queued() == 0); });
  }

 private:
  int Queued() const {
    int n = 0;
    return ::ioctl(fd_, SIOCINQ, &n) == 0 ? n : 0;
  }

  void Read() {
    std::vector<uint8_t> buf(vbus::kMaxMessage + 1);
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (stop_) break;
      if (!p.revents) continue;
      {
        std::lock_guard<std::mutex> g(flushMutex_);
        busy_ = true;
      }
      const ssize_t n = ::recv(fd_, buf.data(), buf.size(), MSG_DONTWAIT);
      const int err = errno;
      // A message longer than any report is not one; it is dropped.
      if (n > 0 && static_cast<size_t>(n) <= vbus::kMaxMessage) {
        std::lock_guard<std::mutex> g(handlerMutex_);
        if (onInput_) onInput_(buf[0], buf.data() + 1, static_cast<size_t>(n) - 1);
      }
      {
        std::lock_guard<std::mutex> g(flushMutex_);
        busy_ = false;
      }
      flushCond_.notify_all();
      if (n == 0 || (n < 0 && err != EAGAIN && err != EINTR)) {
        if (!stop_) MarkUnplugged();
        break;
      }
    }
  }

  void MarkUnplugged() {
    {
      std::lock_guard<std::mutex> g(flushMutex_);
      *plugged_ = false;
    }
    flushCond_.notify_all();
    std::lock_guard<std::mutex> g(handlerMutex_);
    if (onUnplug_) onUnplug_();
  }

  std::shared_ptr<VbusController::Shared> bus_;
  std::shared_ptr<std::atomic<bool>> plugged_;  // shared with the controller
  HidDeviceInfo info_;
  uint16_t inputLength_;
  uint16_t outputLength_;
  int fd_;
  std::atomic<bool> stop_{false};

  std::mutex handlerMutex_;
  InputHandler onInput_;
  UnplugHandler onUnplug_;

  std::mutex flushMutex_;
  std::condition_variable flushCond_;
  bool busy_ = false;  // the reader holds a report it has not delivered yet

  std::thread reader_;
};

}  // namespace

void VbusController::Shared::Announce(const std::string& name) {
  if (!EndsWith(name, vbus::kSocketSuffix)) return;
  const std::string path = dir + "/" + name;
  vbus::Hello hello;
  const int fd = ConnectUnit(path, hello);
  if (fd < 0) return;
  ::close(fd);
  const HidDeviceInfo info = InfoOf(path, hello);
  std::lock_guard<std::mutex> g(arrivalMutex);
  if (arrival) arrival(info);
}

void VbusController::Shared::Watch() {
  alignas(inotify_event) char buf[sizeof(inotify_event) + NAME_MAX + 1];
  for (;;) {
    pollfd p[2] = {{inotifyFd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    if (::poll(p, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (p[1].revents) return;
    const ssize_t n = ::read(inotifyFd, buf, sizeof buf);
    if (n <= 0) continue;
    for (ssize_t off = 0; off + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      const auto* ev = reinterpret_cast<const inotify_event*>(buf + off);
      if ((ev->mask & (IN_CREATE | IN_MOVED_TO)) && ev->len > 0) Announce(std::string(ev->name));
      off += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
    }
  }
}

VbusController::VbusController(const std::string& dir) : shared_(std::make_shared<Shared>()) {
  Shared& s = *shared_;
  if (!vbus::EnsureBusDir(dir, s.error)) return;
  std::error_code ec;
  s.dir = std::filesystem::canonical(dir, ec).string();
  if (ec) {
    s.error = dir + ": " + SystemErrorText(ec.value());
    return;
  }
  s.inotifyFd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  s.stopFd = ::eventfd(0, EFD_CLOEXEC);
  if (s.inotifyFd < 0 || s.stopFd < 0 || ::inotify_add_watch(s.inotifyFd, s.dir.c_str(), IN_CREATE | IN_MOVED_TO) < 0) {
    s.error = s.dir + ": " + SystemErrorText(errno);
    return;
  }
  s.watcher = std::thread([&s] { s.Watch(); });
}

VbusController::~VbusController() {
  Shared& s = *shared_;
  if (s.watcher.joinable()) {
    const uint64_t one = 1;
    ssize_t unused = ::write(s.stopFd, &one, sizeof one);
    (void)unused;
    s.watcher.join();
  }
  if (s.inotifyFd >= 0) ::close(s.inotifyFd);
  if (s.stopFd >= 0) ::close(s.stopFd);
  std::lock_guard<std::mutex> g(s.arrivalMutex);
  s.arrival = nullptr;
}

const std::string& VbusController::Error() const { return shared_->error; }
const std::string& VbusController::Dir() const { return shared_->dir; }

std::vector<HidDeviceInfo> VbusController::Enumerate() {
  std::vector<std::string> names;
  if (!shared_->error.empty()) return {};
  if (DIR* d = ::opendir(shared_->dir.c_str())) {
    while (const dirent* e = ::readdir(d))
      if (EndsWith(e->d_name, vbus::kSocketSuffix)) names.emplace_back(e->d_name);
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  std::vector<HidDeviceInfo> out;
  for (const auto& name : names) {
    const std::string path = shared_->dir + "/" + name;
    vbus::Hello hello;
    const int fd = ConnectUnit(path, hello);
    if (fd < 0) continue;  // a stale socket of a unit that was killed
    ::close(fd);
    out.push_back(InfoOf(path, hello));
  }
  return out;
}

std::unique_ptr<HidDevice> VbusController::CheckOut(const HidDeviceInfo& info) {
  auto holder = shared_->Reserve(info.path);
  if (!holder) return nullptr;
  vbus::Hello hello;
  const int fd = ConnectUnit(info.path, hello);
  if (fd < 0) {
    shared_->CheckIn(info.path, holder);
    return nullptr;
  }
  return std::make_unique<VbusDevice>(shared_, std::move(holder), InfoOf(info.path, hello), hello, fd);
}

void VbusController::SetArrivalHandler(ArrivalHandler handler) {
  std::lock_guard<std::mutex> g(shared_->arrivalMutex);
  shared_->arrival = std::move(handler);
}

}  // namespace orv
