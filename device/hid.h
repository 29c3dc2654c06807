// The HID access layer the device link relies on. Backends: hidapi + udev for
// real units, the virtual HID bus for a simulator in another process, and an
// in-process simulated unit for tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv {

constexpr uint16_t kOrvantisVendorId = 0xC1CA;
constexpr uint16_t kOrvantisProductId = 0x0003;

struct HidDeviceInfo {
  std::string path;  // backend-specific identity of the device (hidraw node, socket, ...)
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::string description;  // for log lines only
};

// One checked-out HID device. Destroying it gives it back to its controller.
class HidDevice {
 public:
  // Called once per input report on the backend's reader thread.
  using InputHandler = std::function<void(uint8_t reportId, const uint8_t* data, size_t size)>;
  // Called once, from any backend thread, when the device disappears.
  using UnplugHandler = std::function<void()>;

  virtual ~HidDevice() = default;
  virtual const HidDeviceInfo& Info() const = 0;
  // Declared report lengths in bytes, report ID byte included.
  virtual uint16_t InputReportByteLength() const = 0;
  virtual uint16_t OutputReportByteLength() const = 0;
  // Writes one whole output report (byte 0 is the report ID). On failure returns
  // false and sets `error` to a system error code.
  virtual bool WriteReport(const uint8_t* report, size_t size, int& error) = 0;
  // Installs (or, with empty functions, removes) the handlers. After removal
  // returns, no handler call is running or will start.
  virtual void SetHandlers(InputHandler onInput, UnplugHandler onUnplug) = 0;
  // False once the device has been unplugged.
  virtual bool Plugged() const = 0;
  // Name of the cross-process exchange lock for this unit; empty when the
  // device cannot be shared with other processes.
  virtual std::string LockName() const = 0;
  // Returns once the input reports that had reached this process when it was
  // called have been handed to the input handler (a bounded wait). The link
  // calls it before each send, so replies to an exchange of another process
  // that are still queued for this handle count as stale, not as the answer.
  virtual void Flush() {}
};

class HidController {
 public:
  // Called on a notifier thread for every newly plugged HID device.
  using ArrivalHandler = std::function<void(const HidDeviceInfo&)>;

  virtual ~HidController() = default;
  virtual std::vector<HidDeviceInfo> Enumerate() = 0;
  // Checks out the given device; nullptr when it is gone, already checked out
  // or cannot be opened.
  virtual std::unique_ptr<HidDevice> CheckOut(const HidDeviceInfo& info) = 0;
  // Checks out the first free device with these ids, or nullptr.
  std::unique_ptr<HidDevice> CheckOutFirst(uint16_t vendorId, uint16_t productId) {
    for (const auto& info : Enumerate())
      if (info.vendorId == vendorId && info.productId == productId)
        if (auto dev = CheckOut(info)) return dev;
    return nullptr;
  }
  // Installs or removes (empty function) the arrival handler. After removal
  // returns, no handler call is running or will start.
  virtual void SetArrivalHandler(ArrivalHandler handler) = 0;
};

}  // namespace orv
