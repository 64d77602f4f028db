// A steppable clock for timer tests: time moves only when the test says so.
#pragma once

#include <chrono>

#include "platform/timer/Timer.h"

struct TestClock {
  platform::Clock::time_point now{};
  void Advance(int ms) { now += std::chrono::milliseconds(ms); }
  platform::TimerService::NowFn Fn() {
    return [this] { return now; };
  }
};
