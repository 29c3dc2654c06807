// Watches udev for hidraw nodes that appear and disappear, on a thread of its
// own. Events come after udev has run its rules for the node, so the access
// rights of a rules file apply by then.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "device/udev_ids.h"

struct udev;
struct udev_monitor;

namespace orv {

// Held around every use of libudev here and by hidapi's enumeration: libudev
// keeps some process-wide state without locks of its own.
std::mutex& LibudevMutex();

class UdevHidrawMonitor {
 public:
  struct Event {
    bool added = false;     // added or changed; false: removed
    std::string devnode;    // /dev/hidrawN
    std::optional<HidId> id;  // added nodes only, when udev knows it
    std::string name;       // HID_NAME, added nodes only
  };
  // Called on the monitor's thread.
  using Handler = std::function<void(const Event&)>;

  explicit UdevHidrawMonitor(Handler handler);
  ~UdevHidrawMonitor();  // returns once the thread has stopped
  UdevHidrawMonitor(const UdevHidrawMonitor&) = delete;
  UdevHidrawMonitor& operator=(const UdevHidrawMonitor&) = delete;

  // Empty while it works; otherwise why it could not start.
  const std::string& Error() const { return error_; }

 private:
  void Run();

  Handler handler_;
  std::string error_;
  ::udev* udev_ = nullptr;
  ::udev_monitor* monitor_ = nullptr;
  int stopFd_ = -1;
  std::thread thread_;
};

}  // namespace orv
