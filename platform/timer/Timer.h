// Window-system style timers: interval, enabled flag and handler, fired by whoever pumps
// events on the one UI thread (never from a timer thread).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

using Clock = std::chrono::steady_clock;

class TimerService;

class TTimer {
 public:
  explicit TTimer(TimerService& service, uint32_t intervalMs = 1000, bool enabled = false,
                  std::function<void()> handler = {});
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t ms);  // restarts the countdown when enabled
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);  // enabling starts a fresh countdown
  void SetHandler(std::function<void()> handler) { handler_ = std::move(handler); }

 private:
  friend class TimerService;
  void Restart();

  TimerService* service_;
  uint32_t interval_;
  bool enabled_ = false;
  bool firing_ = false;
  uint64_t order_;  // creation order breaks ties between timers due at the same moment
  Clock::time_point due_{};
  std::function<void()> handler_;
};

// Keeps the live timers and fires those that are due. One per application; the clock is
// injectable so tests can step time instead of sleeping.
class TimerService {
 public:
  using NowFn = std::function<Clock::time_point()>;
  explicit TimerService(NowFn now = [] { return Clock::now(); }) : now_(std::move(now)) {}
  ~TimerService();
  TimerService(const TimerService&) = delete;
  TimerService& operator=(const TimerService&) = delete;

  // Fires every timer that is due, earliest first; a late timer fires once and is rescheduled
  // one interval from now (like coalesced timer messages). Handlers may enable, disable,
  // create or destroy timers, and may pump again: a timer never re-enters its own handler.
  void Service();

  // Time until the next enabled timer is due; nullopt-like max() when none is enabled.
  Clock::duration TimeToNext() const;

  Clock::time_point Now() const { return now_(); }

 private:
  friend class TTimer;
  void Add(TTimer* timer);
  void Remove(TTimer* timer);

  NowFn now_;
  std::vector<TTimer*> timers_;
  uint64_t nextOrder_ = 0;
};

}  // namespace platform
