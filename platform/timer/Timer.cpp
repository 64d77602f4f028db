// Timers serviced from the event loop of the UI thread.
#include "platform/timer/Timer.h"

#include <algorithm>

namespace platform {

TTimer::TTimer(TimerService& service, uint32_t intervalMs, bool enabled, std::function<void()> handler)
    : service_(&service), interval_(intervalMs), order_(service.nextOrder_++), handler_(std::move(handler)) {
  service_->Add(this);
  SetEnabled(enabled);
}

TTimer::~TTimer() {
  if (service_) service_->Remove(this);
}

void TTimer::Restart() {
  if (service_) due_ = service_->Now() + std::chrono::milliseconds(interval_);
}

void TTimer::SetInterval(uint32_t ms) {
  interval_ = ms;
  if (enabled_) Restart();
}

void TTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (enabled_) Restart();
}

TimerService::~TimerService() {
  // Timers that outlive the service must not reach back into it.
  for (TTimer* t : timers_)
    if (t) t->service_ = nullptr;
}

void TimerService::Add(TTimer* timer) { timers_.push_back(timer); }

void TimerService::Remove(TTimer* timer) {
  // Null out instead of erasing: Service may be iterating further up the stack.
  std::replace(timers_.begin(), timers_.end(), timer, static_cast<TTimer*>(nullptr));
}

Clock::duration TimerService::TimeToNext() const {
  auto best = Clock::duration::max();
  const auto now = Now();
  for (const TTimer* t : timers_) {
    if (!t || !t->enabled_ || t->firing_) continue;
    best = std::min(best, std::max(Clock::duration::zero(), t->due_ - now));
  }
  return best;
}

void TimerService::Service() {
  const auto now = Now();
  // Each timer fires at most once per call, so a zero interval cannot spin here forever.
  std::vector<uint64_t> fired;
  for (;;) {
    TTimer* next = nullptr;
    for (TTimer* t : timers_) {
      if (!t || !t->enabled_ || t->firing_ || t->due_ > now) continue;
      if (std::find(fired.begin(), fired.end(), t->order_) != fired.end()) continue;
      if (!next || t->due_ < next->due_ || (t->due_ == next->due_ && t->order_ < next->order_)) next = t;
    }
    if (!next) break;
    fired.push_back(next->order_);
    next->Restart();
    if (!next->handler_) continue;
    // Keep the handler alive even if it replaces itself or destroys its timer.
    auto handler = next->handler_;
    const uint64_t order = next->order_;
    next->firing_ = true;
    struct Reset {
      TimerService* s;
      uint64_t order;
      ~Reset() {
        for (TTimer* t : s->timers_)
          if (t && t->order_ == order) t->firing_ = false;
      }
    } reset{this, order};
    handler();
  }
  timers_.erase(std::remove(timers_.begin(), timers_.end(), nullptr), timers_.end());
}

}  // namespace platform
