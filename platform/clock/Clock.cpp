// Real and virtual time sources; see Clock.h.
#include "platform/clock/Clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace platform {
namespace {
bool g_virtual = false;
int64_t g_virtualMicros = 0;
// The virtual uptime starts where a freshly booted machine would plausibly be, so games that
// subtract start times from current_time see ordinary numbers.
constexpr int64_t kVirtualUptimeStartMs = 60000;
constexpr std::time_t kVirtualEpoch = 946684800;  // 2000-01-01 00:00:00 UTC

RDateTime FromTm(const std::tm& t) {
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_wday + 1, t.tm_hour, t.tm_min, t.tm_sec, 0};
}
}  // namespace

void UseVirtualClock(bool on) {
  g_virtual = on;
  g_virtualMicros = 0;
}
bool VirtualClock() { return g_virtual; }

int64_t NowMicros() {
  if (g_virtual) return g_virtualMicros;
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t UptimeMillis() {
  if (g_virtual) return kVirtualUptimeStartMs + g_virtualMicros / 1000;
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

RDateTime LocalNow() {
  std::tm t{};
  int32_t ms = 0;
  if (g_virtual) {
    // Virtual time is the same everywhere: no time zone applies.
    const std::time_t now = kVirtualEpoch + static_cast<std::time_t>(g_virtualMicros / 1000000);
    gmtime_r(&now, &t);
    ms = static_cast<int32_t>(g_virtualMicros / 1000 % 1000);
  } else {
    // One reading gives the seconds and the milliseconds, so they always belong together.
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    const std::time_t now = ts.tv_sec;
    localtime_r(&now, &t);
    ms = static_cast<int32_t>(ts.tv_nsec / 1000000);
  }
  RDateTime d = FromTm(t);
  d.millisecond = ms;
  return d;
}

void SleepMicros(int64_t us) {
  if (us <= 0) return;
  if (g_virtual) {
    g_virtualMicros += us;
    return;
  }
  std::this_thread::sleep_for(std::chrono::microseconds(us));
}

}  // namespace platform
