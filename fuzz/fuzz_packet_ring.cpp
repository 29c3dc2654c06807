// Feeds arbitrary input reports to the link's report handler and waits for
// replies in between: whatever a unit sends, the link must neither crash nor
// read outside its buffers.
//
// Input: byte 0 = declared input report length, byte 1 = declared output
// length, then records of [op, size, data...]: op bit 0 = wait after this
// report, bits 1..3 = report ID (0 mostly), bits 4..7 = pre-size of the wait.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "device/orvantis.h"

namespace {

class FuzzDevice final : public orv::HidDevice {
 public:
  FuzzDevice(uint16_t in, uint16_t out) : in_(in), out_(out) { info_.path = "fuzz"; }
  const orv::HidDeviceInfo& Info() const override { return info_; }
  uint16_t InputReportByteLength() const override { return in_; }
  uint16_t OutputReportByteLength() const override { return out_; }
  bool WriteReport(const uint8_t*, size_t, int&) override { return true; }
  void SetHandlers(InputHandler in, UnplugHandler) override { handler = std::move(in); }
  bool Plugged() const override { return true; }
  std::string LockName() const override { return {}; }
  InputHandler handler;

 private:
  orv::HidDeviceInfo info_;
  uint16_t in_, out_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  auto dev = std::make_unique<FuzzDevice>(data[0], data[1]);
  FuzzDevice* raw = dev.get();
  orv::TOrvantis link(nullptr, nullptr, nullptr, nullptr);
  link.SetUseSync(false);
  link.SetHidDev(std::move(dev));
  size_t pos = 2;
  while (pos + 2 <= size) {
    const uint8_t op = data[pos];
    const size_t n = std::min<size_t>(data[pos + 1], size - pos - 2);
    const uint8_t* report = data + pos + 2;
    pos += 2 + n;
    if (link.OnLine() && raw->handler) raw->handler(static_cast<uint8_t>((op >> 1) & 0x07) == 1 ? 1 : 0, report, n);
    if (op & 1) {
      std::vector<uint8_t> rx(static_cast<size_t>(op >> 4) * 17 % 256);
      link.WaitData(n ? report[0] : 0, rx, 0);
    }
  }
  std::vector<uint8_t> packet;
  for (int i = 0; i < 256; ++i) link.GetPacket(static_cast<uint8_t>(i), packet);
  return 0;
}
