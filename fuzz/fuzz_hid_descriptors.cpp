// What a HID backend reads from outside before any packet flows: the report
// descriptor of a hidraw node, udev's HID_ID text and the virtual bus's hello.
// None of them may crash the parser or yield lengths beyond their limits.
//
// Input: byte 0 selects the parser (mod 3), the rest is its input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "device/report_descriptor.h"
#include "device/udev_ids.h"
#include "device/vbus_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::span<const uint8_t> rest(data + 1, size - 1);
  switch (data[0] % 3) {
    case 0:
      if (auto r = orv::ParseReportDescriptor(rest))
        if (r->inputLength == 1 || r->outputLength == 1 || r->featureLength == 1) std::abort();  // 0 or ID + data
      break;
    case 1:
      (void)orv::ParseHidId(std::string_view(reinterpret_cast<const char*>(rest.data()), rest.size()));
      break;
    default:
      if (auto h = orv::vbus::DecodeHello(rest))
        if (h->inputLength > orv::vbus::kMaxMessage || h->outputLength > orv::vbus::kMaxMessage) std::abort();
      break;
  }
  return 0;
}
