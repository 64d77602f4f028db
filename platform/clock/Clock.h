// The game's time source: a monotonic microsecond clock, the system's uptime and the local date
// and time, either real or virtual. The virtual clock (the runner's test mode) moves only when
// the runner waits, by exactly the time waited, so steps run back to back while everything a
// game can observe advances as if it had waited.
#pragma once

#include <cstdint>

namespace platform {

struct RDateTime {
  int32_t year = 0, month = 0, day = 0;  // month 1..12
  int32_t weekday = 0;                   // 1 = Sunday .. 7 = Saturday
  int32_t hour = 0, minute = 0, second = 0;
  int32_t millisecond = 0;  // of the same reading as the fields above
};

// Switches between the real and the virtual clock; switching restarts the virtual one.
void UseVirtualClock(bool on);
bool VirtualClock();

// Microseconds on a monotonic clock.
int64_t NowMicros();
// Milliseconds since the system started.
int64_t UptimeMillis();
// Local date and time now. The virtual clock starts at 2000-01-01 00:00:00.
RDateTime LocalNow();
// Sleeps (real) or advances the clock (virtual).
void SleepMicros(int64_t us);

}  // namespace platform
