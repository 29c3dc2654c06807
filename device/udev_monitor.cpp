#include "device/udev_monitor.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orv {

std::mutex& LibudevMutex() {
  static std::mutex m;
  return m;
}

UdevHidrawMonitor::UdevHidrawMonitor(Handler handler) : handler_(std::move(handler)) {
  std::lock_guard<std::mutex> g(LibudevMutex());
  udev_ = udev_new();
  if (udev_) monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor_) < 0) {
    error_ = "udev monitor: " + std::string(std::strerror(errno ? errno : EIO));
    return;
  }
  stopFd_ = ::eventfd(0, EFD_CLOEXEC);
  if (stopFd_ < 0) {
    error_ = "eventfd: " + std::string(std::strerror(errno));
    return;
  }
  thread_ = std::thread([this] { Run(); });
}

UdevHidrawMonitor::~UdevHidrawMonitor() {
  if (thread_.joinable()) {
    const uint64_t one = 1;
    ssize_t unused = ::write(stopFd_, &one, sizeof one);
    (void)unused;
    thread_.join();
  }
  if (stopFd_ >= 0) ::close(stopFd_);
  std::lock_guard<std::mutex> g(LibudevMutex());
  if (monitor_) udev_monitor_unref(monitor_);
  if (udev_) udev_unref(udev_);
}

void UdevHidrawMonitor::Run() {
  const int fd = udev_monitor_get_fd(monitor_);
  for (;;) {
    pollfd p[2] = {{fd, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    if (::poll(p, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (p[1].revents) return;
    if (!p[0].revents) continue;
    Event ev;
    bool report = false;
    {
      std::lock_guard<std::mutex> g(LibudevMutex());
      udev_device* dev = udev_monitor_receive_device(monitor_);
      if (!dev) continue;
      const char* action = udev_device_get_action(dev);
      const char* node = udev_device_get_devnode(dev);
      ev.devnode = node ? node : "";
      // "change" comes, for instance, after `udevadm trigger` applied new access
      // rights: a node that could not be opened before may open now.
      if (action && node && (std::strcmp(action, "add") == 0 || std::strcmp(action, "change") == 0)) {
        ev.added = true;
        report = true;
        // The hidraw node's parent "hid" device carries the ids.
        if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr)) {
          if (const char* id = udev_device_get_property_value(hid, "HID_ID")) ev.id = ParseHidId(id);
          if (const char* name = udev_device_get_property_value(hid, "HID_NAME")) ev.name = name;
        }
      } else if (action && node && std::strcmp(action, "remove") == 0) {
        report = true;
      }
      udev_device_unref(dev);
    }
    if (report) handler_(ev);
  }
}

}  // namespace orv
