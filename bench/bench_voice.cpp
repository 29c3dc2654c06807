// The voice prompt check against a simulated unit whose USB reports take 1 ms
// each, with the container the build speaks: the first run on a fresh unit
// (every slot erased and written, printed beside its physical minimum), then
// the run on an up-to-date unit (two 4-byte reads per prompt), whose target is
// 1.2 times the physical minimum: every report that crossed the bus, in both
// directions, at 1 ms.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "bench/bench_support.h"
#include "core/data_dir.h"
#include "device/orvantis.h"
#include "sim/sim_hid.h"
#include "update/voice_container.h"
#include "update/voice_upload.h"

namespace {

orv::bench::ReportCount gReports;

struct Measure {
  double ms = 0;
  size_t reports = 0;
};

Measure Time(orv::TOrvantis& link, const std::string& container, orv::SoundsResult& r) {
  orv::bench::QuietStatus status;
  std::istringstream in(container);
  gReports.Reset();
  const auto t0 = std::chrono::steady_clock::now();
  r = orv::WriteSounds(link, in, status);
  Measure m;
  m.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  m.reports = gReports.Total();
  return m;
}

double Print(const char* what, const Measure& m) {
  const double minimum = static_cast<double>(m.reports);  // 1 ms per report
  std::printf("%s: %zu reports, measured %.1f ms, physical minimum %.1f ms, ratio %.3f\n", what, m.reports, m.ms,
              minimum, m.ms / minimum);
  return m.ms / minimum;
}

}  // namespace

int main(int argc, char** argv) {
  // Optional argument: another container file.
  const auto path = argc > 1 ? std::optional<std::string>(argv[1]) : orv::FindDataFile(orv::voice::kContainerName);
  std::ifstream file(path ? *path : std::string(), std::ios::binary);
  if (!path || !file) {
    std::fprintf(stderr, "no voice container (build orvantis_voice_data)\n");
    return 1;
  }
  std::stringstream ss;
  ss << file.rdbuf();
  const std::string container = ss.str();

  orv::bench::TimedUnit unit(gReports);
  if (!unit.Online()) return 1;
  orv::TOrvantis& link = unit.Link();
  orv::SoundsResult first, second;
  const Measure a = Time(link, container, first);
  Print("voice, fresh unit (every prompt erased and written)", a);
  std::printf("  %zu bytes of prompts, %d files written\n", container.size(), first.updated);
  const Measure b = Time(link, container, second);
  const double ratio = Print("voice, up-to-date unit (two 4-byte reads per prompt)", b);
  std::printf("  target ratio <= 1.2; %d files unchanged\n", second.unchanged);
  if (!first.ok || !second.ok || second.updated != 0) {
    std::fprintf(stderr, "voice update failed\n");
    return 1;
  }
  return ratio <= 1.2 ? 0 : 3;
}
