// Reads every readable settings region (7176 bytes) through ReadROM from a
// simulated unit whose USB reports take 1 ms each, and compares the time with
// the physical minimum: every report in both directions at 1 ms.
#include <chrono>
#include <cstdio>
#include <vector>

#include "device/orvantis.h"
#include "sim/sim_hid.h"

namespace {

struct Region {
  uint32_t addr, size;
};
// All settings regions but the SMS area (region 8).
constexpr Region kRegions[] = {{0x1E020, 224}, {0x1D900, 64},  {0x1D940, 8},   {0x1D948, 64},  {0x1D988, 1536},
                               {0x1E788, 512}, {0x1D800, 256}, {0x1EA88, 1440}, {0x1F2F8, 512}, {0x1F6F8, 256},
                               {0x1F7F8, 512}, {0x1E988, 256}, {0x1F4F8, 512}, {0x1E388, 1024}};

size_t ReportsFor(size_t packetBytes, size_t perReport) { return (packetBytes + perReport - 1) / perReport; }

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
  auto unit = std::make_shared<orv::sim::SimUnit>();
  orv::sim::SimTransportOptions transport;
  transport.reportPeriod = std::chrono::microseconds(1000);
  orv::sim::SimHidController controller(unit, transport);
  orv::TOrvantis link(&controller, nullptr, nullptr, nullptr);
  link.SetUseSync(false);
  if (!link.OnLine()) {
    std::fprintf(stderr, "no simulated unit\n");
    return 1;
  }
  const size_t out = link.OutputReportLength() - 1u, in = link.InputReportLength();
  size_t bytes = 0, reports = 0;
  for (const auto& r : kRegions) {
    bytes += r.size;
    for (uint32_t done = 0; done < r.size; done += orv::memlimits::kReadChunk) {
      const size_t chunk = std::min<size_t>(r.size - done, orv::memlimits::kReadChunk);
      reports += ReportsFor(13, out) + ReportsFor(chunk + 4, in);  // request; reply = code, L, 0xFA, data, CRC
    }
  }
  double best = 1e9;
  std::vector<uint8_t> buf(2048);
  for (int round = 0; round < rounds; ++round) {
    const auto t0 = std::chrono::steady_clock::now();
    for (const auto& r : kRegions)
      if (!link.ReadROM(buf.data(), r.addr, r.size)) {
        std::fprintf(stderr, "read failed at 0x%X\n", r.addr);
        return 1;
      }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    best = std::min(best, ms);
  }
  const double minimum = static_cast<double>(reports);
  std::printf("settings read: %zu bytes, %zu reports\n", bytes, reports);
  std::printf("measured %.1f ms (best of %d), physical minimum %.1f ms, ratio %.3f (target <= 1.15)\n", best, rounds,
              minimum, best / minimum);
  return best / minimum <= 1.15 ? 0 : 3;
}
