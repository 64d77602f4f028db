// One event of the window system as the application hands it to its handlers: questions about
// it in the runner's own terms, so code outside the platform never sees the system's records.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/events/InputEvents.h"

namespace platform {

// What happened to a window.
enum class EWindowChange { None, Exposed, FocusGained, FocusLost, Moved, Resized, CloseRequested };

class AppEvent {
 public:
  explicit AppEvent(const SDL_Event& event) : e_(event) {}

  // The system's own record, for the platform and its tests.
  const SDL_Event& Native() const { return e_; }

  // The session or the user asks the program to quit.
  bool Quit() const;
  // The change to the window with that id, None for anything else.
  EWindowChange WindowChange(uint32_t windowId) const;
  // The mouse moved over the window with that id: its client-area position.
  bool MouseMotion(uint32_t windowId, int& x, int& y) const;
  // Appends the input records the event stands for when it is input for the window with that
  // id (0: any window), as TranslateInputEvent.
  bool Input(uint32_t windowId, std::vector<RInputEvent>& out) const;

 private:
  const SDL_Event& e_;
};

}  // namespace platform
