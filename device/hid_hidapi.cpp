#include "device/hid_hidapi.h"

#include <fcntl.h>
#include <hidapi.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "device/report_descriptor.h"
#include "device/udev_monitor.h"

namespace orv {

namespace {

// The reader wakes this often to see whether it should stop, so closing a
// device never waits on a pending read for longer.
constexpr int kReadTimeoutMs = 50;
constexpr auto kFlushTimeout = std::chrono::milliseconds(200);
constexpr auto kPermissionRetryStep = std::chrono::milliseconds(50);
// Longest input report hidraw hands out, report ID included.
constexpr size_t kMaxReport = HID_MAX_DESCRIPTOR_SIZE + 1;

std::string Utf8(const wchar_t* w) {
  std::string out;
  if (!w) return out;
  for (; *w; ++w) {
    const auto c = static_cast<uint32_t>(*w);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x110000) {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool IsUnit(const HidDeviceInfo& info) {
  return info.vendorId == kOrvantisVendorId && info.productId == kOrvantisProductId;
}

// The report descriptor of an open hidraw node; from sysfs when the ioctl is
// not available.
std::vector<uint8_t> ReadDescriptor(int fd, const std::string& devnode) {
  int size = 0;
  if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) == 0 && size > 0 && size <= HID_MAX_DESCRIPTOR_SIZE) {
    hidraw_report_descriptor rd{};
    rd.size = static_cast<uint32_t>(size);
    if (::ioctl(fd, HIDIOCGRDESC, &rd) == 0) return {rd.value, rd.value + rd.size};
  }
  const size_t slash = devnode.rfind('/');
  const std::string sysfs = "/sys/class/hidraw/" + devnode.substr(slash + 1) + "/device/report_descriptor";
  std::vector<uint8_t> out;
  const int sfd = ::open(sysfs.c_str(), O_RDONLY | O_CLOEXEC);
  if (sfd < 0) return out;
  uint8_t buf[HID_MAX_DESCRIPTOR_SIZE];
  for (;;) {
    const ssize_t n = ::read(sfd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || out.size() + static_cast<size_t>(n) > HID_MAX_DESCRIPTOR_SIZE) break;
    out.insert(out.end(), buf, buf + n);
  }
  ::close(sfd);
  return out;
}

// One open hidraw node and its reader thread.
class HidrawCore {
 public:
  HidrawCore(HidDeviceInfo info, int fd, const DeclaredReports& reports)
      : info_(std::move(info)), fd_(fd), reports_(reports) {
    reader_ = std::thread([this] { Read(); });
  }

  ~HidrawCore() {
    stop_ = true;
    reader_.join();
    ::close(fd_);
  }

  const HidDeviceInfo& Info() const { return info_; }
  const DeclaredReports& Reports() const { return reports_; }
  bool Plugged() const { return plugged_.load(); }

  bool Write(const uint8_t* report, size_t size, int& error) {
    if (!plugged_) {
      error = ENODEV;
      return false;
    }
    if (size == 0 || size != reports_.outputLength) {
      error = EINVAL;
      return false;
    }
    for (;;) {
      const ssize_t n = ::write(fd_, report, size);
      if (n == static_cast<ssize_t>(size)) return true;
      if (n < 0 && errno == EINTR) continue;
      error = n < 0 ? errno : EIO;
      return false;
    }
  }

  void SetHandlers(HidDevice::InputHandler in, HidDevice::UnplugHandler un) {
    std::lock_guard<std::mutex> g(handlerMutex_);
    onInput_ = std::move(in);
    onUnplug_ = std::move(un);
  }

  void Flush() {
    std::unique_lock<std::mutex> lk(flushMutex_);
    flushCond_.wait_for(lk, kFlushTimeout, [this] { return !plugged_ || (!busy_ && !Readable()); });
  }

  void MarkUnplugged() {
    {
      std::lock_guard<std::mutex> g(flushMutex_);
      if (!plugged_.exchange(false)) return;
    }
    flushCond_.notify_all();
    std::lock_guard<std::mutex> g(handlerMutex_);
    if (onUnplug_) onUnplug_();
  }

 private:
  bool Readable() const {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
  }

  void Read() {
    std::vector<uint8_t> buf(kMaxReport);
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      const int rc = ::poll(&p, 1, kReadTimeoutMs);
      if (rc < 0 && errno != EINTR) break;
      if (rc <= 0 || stop_) continue;
      if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
        MarkUnplugged();
        return;
      }
      {
        std::lock_guard<std::mutex> g(flushMutex_);
        busy_ = true;
      }
      const ssize_t n = ::read(fd_, buf.data(), buf.size());
      const int err = errno;
      if (n > 0) {
        // hidraw puts the report ID first only for devices that number reports.
        const bool ids = reports_.usesReportIds;
        const uint8_t id = ids ? buf[0] : 0;
        const uint8_t* data = buf.data() + (ids ? 1 : 0);
        const size_t size = static_cast<size_t>(n) - (ids ? 1 : 0);
        std::lock_guard<std::mutex> g(handlerMutex_);
        if (onInput_) onInput_(id, data, size);
      }
      {
        std::lock_guard<std::mutex> g(flushMutex_);
        busy_ = false;
      }
      flushCond_.notify_all();
      // hidraw never returns an empty report: end of file means the node is gone.
      if (n == 0 || (n < 0 && err != EINTR && err != EAGAIN)) {
        MarkUnplugged();
        return;
      }
    }
  }

  HidDeviceInfo info_;
  int fd_;
  DeclaredReports reports_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> plugged_{true};

  std::mutex handlerMutex_;
  HidDevice::InputHandler onInput_;
  HidDevice::UnplugHandler onUnplug_;

  std::mutex flushMutex_;
  std::condition_variable flushCond_;
  bool busy_ = false;

  std::thread reader_;
};

}  // namespace

struct HidapiController::Shared {
  Options options;

  // Checked-out nodes. A holder whose node is gone no longer blocks the node
  // name: a unit that comes back may get the same name before the holder has
  // let go of its dead handle.
  struct Holder {
    std::weak_ptr<HidrawCore> core;
    bool opening = true;          // reserved, not opened yet
    const void* token = nullptr;  // identifies the holder for check-in
  };
  std::mutex mutex;  // guards the devices and the access-denied state
  std::map<std::string, Holder> devices;
  std::function<void(const std::string&)> accessDenied;
  bool accessDeniedTold = false;

  std::mutex arrivalMutex;  // held while the arrival handler runs
  ArrivalHandler arrival;

  std::unique_ptr<UdevHidrawMonitor> monitor;

  // Reserves `path` for a new holder; false while another holder uses it.
  bool Reserve(const std::string& path, const void* token) {
    std::lock_guard<std::mutex> g(mutex);
    if (auto it = devices.find(path); it != devices.end()) {
      if (it->second.opening) return false;
      if (auto core = it->second.core.lock(); core && core->Plugged()) return false;
    }
    devices[path] = Holder{{}, true, token};
    return true;
  }

  void Opened(const std::string& path, const void* token, const std::shared_ptr<HidrawCore>& core) {
    std::lock_guard<std::mutex> g(mutex);
    if (auto it = devices.find(path); it != devices.end() && it->second.token == token) {
      it->second.core = core;
      it->second.opening = false;
    }
  }

  void CheckIn(const std::string& path, const void* token) {
    std::lock_guard<std::mutex> g(mutex);
    if (auto it = devices.find(path); it != devices.end() && it->second.token == token) devices.erase(it);
  }

  void OnUdev(const UdevHidrawMonitor::Event& ev) {
    if (ev.added) {
      if (!ev.id) return;
      HidDeviceInfo info;
      info.path = ev.devnode;
      info.vendorId = ev.id->vendorId;
      info.productId = ev.id->productId;
      info.description = ev.name;
      std::lock_guard<std::mutex> g(arrivalMutex);
      if (arrival) arrival(info);
      return;
    }
    std::shared_ptr<HidrawCore> core;
    {
      std::lock_guard<std::mutex> g(mutex);
      if (auto it = devices.find(ev.devnode); it != devices.end()) core = it->second.core.lock();
    }
    if (core) core->MarkUnplugged();
  }
};

namespace {

class HidrawDevice final : public HidDevice {
 public:
  HidrawDevice(std::shared_ptr<HidrawCore> core, std::shared_ptr<HidapiController::Shared> owner,
               std::unique_ptr<char> token)
      : core_(std::move(core)), owner_(std::move(owner)), token_(std::move(token)) {}
  ~HidrawDevice() override {
    const std::string path = core_->Info().path;
    core_.reset();  // stops the reader and closes the node
    owner_->CheckIn(path, token_.get());
  }
  const HidDeviceInfo& Info() const override { return core_->Info(); }
  uint16_t InputReportByteLength() const override { return core_->Reports().inputLength; }
  uint16_t OutputReportByteLength() const override { return core_->Reports().outputLength; }
  bool WriteReport(const uint8_t* report, size_t size, int& error) override { return core_->Write(report, size, error); }
  void SetHandlers(InputHandler onInput, UnplugHandler onUnplug) override {
    core_->SetHandlers(std::move(onInput), std::move(onUnplug));
  }
  bool Plugged() const override { return core_->Plugged(); }
  std::string LockName() const override { return core_->Info().path; }
  void Flush() override { core_->Flush(); }

 private:
  std::shared_ptr<HidrawCore> core_;
  std::shared_ptr<HidapiController::Shared> owner_;
  std::unique_ptr<char> token_;
};

}  // namespace

HidapiController::HidapiController() : HidapiController(Options{}) {}

HidapiController::HidapiController(Options options) : shared_(std::make_shared<Shared>()) {
  static std::once_flag once;
  std::call_once(once, [] { hid_init(); });
  if (!options.open) options.open = [](const std::string& path, int flags) { return ::open(path.c_str(), flags); };
  shared_->options = std::move(options);
  if (shared_->options.monitor) {
    Shared* s = shared_.get();
    shared_->monitor = std::make_unique<UdevHidrawMonitor>([s](const UdevHidrawMonitor::Event& ev) { s->OnUdev(ev); });
  }
}

HidapiController::~HidapiController() {
  shared_->monitor.reset();  // no udev event is handled after this
  std::lock_guard<std::mutex> g(shared_->arrivalMutex);
  shared_->arrival = nullptr;
}

std::vector<HidDeviceInfo> HidapiController::Enumerate() {
  std::vector<HidDeviceInfo> out;
  std::set<std::string> seen;
  std::lock_guard<std::mutex> g(LibudevMutex());  // hidapi enumerates through libudev
  hid_device_info* list = hid_enumerate(0, 0);
  for (const hid_device_info* d = list; d; d = d->next) {
    if (!d->path || !seen.insert(d->path).second) continue;
    HidDeviceInfo info;
    info.path = d->path;
    info.vendorId = d->vendor_id;
    info.productId = d->product_id;
    info.description = Utf8(d->product_string);
    out.push_back(std::move(info));
  }
  hid_free_enumeration(list);
  return out;
}

std::unique_ptr<HidDevice> HidapiController::CheckOut(const HidDeviceInfo& info) {
  Shared& s = *shared_;
  // The reservation's token is a fresh object's address, unique while it lives.
  auto token = std::make_unique<char>();
  if (!s.Reserve(info.path, token.get())) return nullptr;
  const auto deadline = std::chrono::steady_clock::now() + s.options.permissionRetry;
  int fd;
  for (;;) {
    fd = s.options.open(info.path, O_RDWR | O_CLOEXEC);
    if (fd >= 0) break;
    const bool denied = errno == EACCES || errno == EPERM;
    if (denied && IsUnit(info) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(kPermissionRetryStep);
      continue;
    }
    s.CheckIn(info.path, token.get());
    if (denied && IsUnit(info)) {
      std::function<void(const std::string&)> tell;
      {
        std::lock_guard<std::mutex> g(s.mutex);
        if (!s.accessDeniedTold) {
          s.accessDeniedTold = true;
          tell = s.accessDenied;
        }
      }
      if (tell) tell(info.path);
    }
    return nullptr;  // a device that cannot be opened is skipped
  }
  const std::vector<uint8_t> descriptor = ReadDescriptor(fd, info.path);
  const auto reports = ParseReportDescriptor(descriptor);
  if (descriptor.empty() || !reports) {
    ::close(fd);
    s.CheckIn(info.path, token.get());
    return nullptr;
  }
  auto core = std::make_shared<HidrawCore>(info, fd, *reports);
  s.Opened(info.path, token.get(), core);
  return std::make_unique<HidrawDevice>(std::move(core), shared_, std::move(token));
}

void HidapiController::SetArrivalHandler(ArrivalHandler handler) {
  std::lock_guard<std::mutex> g(shared_->arrivalMutex);
  shared_->arrival = std::move(handler);
}

void HidapiController::SetAccessDeniedHandler(std::function<void(const std::string& devnode)> handler) {
  std::lock_guard<std::mutex> g(shared_->mutex);
  shared_->accessDenied = std::move(handler);
}

std::string HidapiController::MonitorError() const {
  if (!shared_->options.monitor) return {};
  return shared_->monitor ? shared_->monitor->Error() : std::string("udev monitor not started");
}

std::string UdevRuleMissingText(const std::string& devnode) {
  return "Нет доступа к блоку Orvantis (" + devnode +
         "): в системе не установлено правило udev, которое разрешает пользователю работать с блоком.\n"
         "Установите правило (файл data/60-orvantis.rules конфигуратора) и переподключите блок:\n"
         "  sudo cp data/60-orvantis.rules /etc/udev/rules.d/\n"
         "  sudo udevadm control --reload\n"
         "  sudo udevadm trigger\n";
}

}  // namespace orv
