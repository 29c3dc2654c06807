// A full settings read (fourteen regions) and a full settings write (eight
// regions, each read back, then command 149) through the workflows, against a
// simulated unit whose USB reports take 1 ms each. The time is printed beside
// the physical minimum: every report that actually crossed the bus, in both
// directions, at 1 ms.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bench/bench_support.h"
#include "device/orvantis.h"
#include "settings/settings_session.h"
#include "sim/sim_hid.h"

namespace {

orv::bench::ReportCount gReports;

struct Measure {
  double bestMs = 1e9;
  size_t reports = 0;
};

template <typename F>
bool Run(int rounds, Measure& m, F&& step) {
  for (int i = 0; i < rounds; ++i) {
    gReports.Reset();
    const auto t0 = std::chrono::steady_clock::now();
    if (!step()) return false;
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    m.bestMs = std::min(m.bestMs, ms);
    m.reports = gReports.Total();
  }
  return true;
}

bool Print(const char* what, const Measure& m, int rounds) {
  const double minimum = static_cast<double>(m.reports);  // 1 ms per report
  const double ratio = m.bestMs / minimum;
  std::printf("%s: %zu reports, measured %.1f ms (best of %d), physical minimum %.1f ms, ratio %.3f (target <= 1.15)\n",
              what, m.reports, m.bestMs, rounds, minimum, ratio);
  return ratio <= 1.15;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  orv::bench::TimedUnit unit(gReports);
  if (!unit.Online()) return 1;
  orv::TOrvantis& link = unit.Link();
  orv::bench::QuietStatus status;
  orv::bench::FailingPrompts prompts;
  orv::NoPages pages;
  orv::RecordingTaskQueue tasks;
  orv::TSettingsSession session(link, status, prompts, pages, tasks);

  Measure read, write;
  if (!Run(rounds, read, [&] { return session.ReadOptions(); })) {
    std::fprintf(stderr, "settings read failed\n");
    return 1;
  }
  if (!Run(rounds, write, [&] { return session.WriteOptions(); })) {
    std::fprintf(stderr, "settings write failed\n");
    return 1;
  }
  const bool readOk = Print("settings read (14 regions)", read, rounds);
  const bool writeOk = Print("settings write (8 regions, read-backs, command 149)", write, rounds);
  return readOk && writeOk ? 0 : 3;
}
