// Millisecond tick counter and sleep, replaceable in tests.
#pragma once

#include <cstdint>

namespace orv {

class Clock {
 public:
  virtual ~Clock() = default;
  // Wrapping 32-bit millisecond tick counter; differences are taken modulo 2^32.
  virtual uint32_t Ticks() = 0;
  virtual void Sleep(uint32_t ms) = 0;
};

// The process-wide monotonic clock.
Clock& SystemClock();

inline uint32_t TicksSince(uint32_t now, uint32_t start) { return now - start; }

}  // namespace orv
