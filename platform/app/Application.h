// The application object: owns the windows for the whole run, the timers and the message
// loop that runs until someone asks it to terminate.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/app/AppEvent.h"
#include "platform/timer/Timer.h"
#include "platform/window/Window.h"

namespace platform {

class TApplication {
 public:
  // An event handler returns true when it consumed the event.
  using EventHandler = std::function<bool(const AppEvent&)>;

  explicit TApplication(TimerService::NowFn now = [] { return Clock::now(); });
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // Creates a window of class T (a TWindow taking its backend last), keeps it until exit or
  // DestroyWindow, and runs its FormCreate.
  template <class T, class... Args>
  T& CreateForm(Args&&... args) {
    auto window = std::make_unique<T>(std::forward<Args>(args)..., NewWindowBackend());
    T& ref = *window;
    windows_.push_back(std::move(window));
    ref.FormCreate();
    return ref;
  }
  void DestroyWindow(TWindow* window);
  const std::vector<std::unique_ptr<TWindow>>& Windows() const { return windows_; }

  TimerService& Timers() { return timers_; }

  // Handles every waiting event and every due timer, then returns. Never blocks.
  void ProcessMessages();
  // The message loop: process, then sleep until the next event or timer, until terminated.
  void Run();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }

  void AddEventHandler(EventHandler handler) { handlers_.push_back(std::move(handler)); }

 private:
  std::unique_ptr<IWindowBackend> NewWindowBackend();
  void Dispatch(const SDL_Event& event);

  TimerService timers_;
  std::vector<std::unique_ptr<TWindow>> windows_;
  std::vector<EventHandler> handlers_;
  bool terminated_ = false;
};

}  // namespace platform
