// Timers fire from the pump in due order, once per pump, and never re-enter their handler.
#include "platform/timer/Timer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/platform/TestClock.h"

using platform::TimerService;
using platform::TTimer;

TEST(Timer, FiresDueTimersEarliestFirstAndCreationOrderOnTies) {
  TestClock clock;
  TimerService service(clock.Fn());
  std::vector<std::string> log;
  TTimer slow(service, 100, true, [&] { log.push_back("slow"); });
  TTimer fast(service, 50, true, [&] { log.push_back("fast"); });
  TTimer tie(service, 100, true, [&] { log.push_back("tie"); });
  TTimer off(service, 10, false, [&] { log.push_back("off"); });

  clock.Advance(49);
  service.Service();
  EXPECT_TRUE(log.empty());

  clock.Advance(51);  // t = 100: all three are due, fast since t = 50
  service.Service();
  EXPECT_EQ(log, (std::vector<std::string>{"fast", "slow", "tie"}));

  // A late timer fires once and is rescheduled one interval from now.
  log.clear();
  clock.Advance(1000);
  service.Service();
  EXPECT_EQ(log.size(), 3u);
  clock.Advance(50);
  log.clear();
  service.Service();
  EXPECT_EQ(log, (std::vector<std::string>{"fast"}));
}

TEST(Timer, EnablingRestartsTheCountdownAndDisablingStopsIt) {
  TestClock clock;
  TimerService service(clock.Fn());
  int fired = 0;
  TTimer t(service, 100, true, [&] { ++fired; });
  clock.Advance(90);
  t.SetEnabled(true);  // fresh countdown from t = 90
  clock.Advance(20);
  service.Service();
  EXPECT_EQ(fired, 0);
  clock.Advance(80);
  service.Service();
  EXPECT_EQ(fired, 1);
  t.SetEnabled(false);
  clock.Advance(500);
  service.Service();
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(service.TimeToNext(), platform::Clock::duration::max());
}

TEST(Timer, HandlerThatPumpsAgainDoesNotReenterItselfButOthersStillFire) {
  TestClock clock;
  TimerService service(clock.Fn());
  int outer = 0, inner = 0;
  TTimer other(service, 100, false, [&] { ++inner; });
  TTimer self(service, 100, true, [&] {
    ++outer;
    other.SetEnabled(true);
    clock.Advance(200);  // the nested loop sees both due
    service.Service();
  });
  clock.Advance(100);
  service.Service();
  EXPECT_EQ(outer, 1);
  EXPECT_EQ(inner, 1);
}

TEST(Timer, HandlerMayDestroyTimersAndZeroIntervalFiresOncePerPump) {
  TestClock clock;
  TimerService service(clock.Fn());
  auto victim = std::make_unique<TTimer>(service, 0, true);
  int zero = 0, victimFired = 0;
  victim->SetHandler([&] { ++victimFired; });
  TTimer killer(service, 0, true, [&] {
    ++zero;
    victim.reset();
  });
  service.Service();
  service.Service();
  EXPECT_EQ(zero, 2);
  EXPECT_EQ(victimFired, 1);  // due together: the older timer fires first
  EXPECT_EQ(victim, nullptr);
}
