#include "device/clock.h"

#include <chrono>
#include <thread>

namespace orv {
namespace {

class SteadyClock final : public Clock {
 public:
  uint32_t Ticks() override {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

}  // namespace

Clock& SystemClock() {
  static SteadyClock clock;
  return clock;
}

}  // namespace orv
