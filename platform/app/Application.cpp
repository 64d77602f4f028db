// The application's message loop over SDL events and the timer service.
#include "platform/app/Application.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>

#include "platform/events/EventPump.h"
#include "platform/process/Process.h"
#include "platform/video/Video.h"

namespace platform {

TApplication::TApplication(TimerService::NowFn now) : timers_(std::move(now)) {}

TApplication::~TApplication() {
  // Windows go in reverse creation order, like their owner releasing them at exit.
  while (!windows_.empty()) windows_.pop_back();
}

std::unique_ptr<IWindowBackend> TApplication::NewWindowBackend() { return MakeWindowBackend(); }

void TApplication::DestroyWindow(TWindow* window) {
  auto it = std::find_if(windows_.begin(), windows_.end(), [&](const auto& w) { return w.get() == window; });
  if (it != windows_.end()) windows_.erase(it);
}

void TApplication::Dispatch(const SDL_Event& event) {
  // Copy: a handler may add handlers.
  const auto handlers = handlers_;
  const AppEvent e(event);
  for (const auto& h : handlers)
    if (h(e)) return;
  if (event.type == SDL_QUIT) {
    Terminate();
  } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
    for (const auto& w : windows_)
      if (w->NativeId() == event.window.windowID) {
        w->CloseRequested();
        break;
      }
  }
}

void TApplication::ProcessMessages() {
  SDL_Event event;
  while (PollEvent(event)) Dispatch(event);
  ReapChildren();
  timers_.Service();
}

void TApplication::Run() {
  using namespace std::chrono;
  while (!terminated_) {
    ProcessMessages();
    if (terminated_) break;
    // Wake for the next timer; never sleep long, so a terminate from a signal is seen soon.
    const auto next = timers_.TimeToNext();
    const auto wait = std::min<Clock::duration>(next, milliseconds(100));
    const auto ms = duration_cast<milliseconds>(wait + microseconds(999)).count();
    WaitForEvent(static_cast<int>(ms));
  }
}

}  // namespace platform
