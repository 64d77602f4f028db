// Window-system events read for the application's handlers.
#include "platform/app/AppEvent.h"

#include <SDL.h>

namespace platform {

bool AppEvent::Quit() const { return e_.type == SDL_QUIT; }

EWindowChange AppEvent::WindowChange(uint32_t windowId) const {
  if (e_.type != SDL_WINDOWEVENT || windowId == 0 || e_.window.windowID != windowId) return EWindowChange::None;
  switch (e_.window.event) {
    case SDL_WINDOWEVENT_EXPOSED: return EWindowChange::Exposed;
    case SDL_WINDOWEVENT_FOCUS_GAINED: return EWindowChange::FocusGained;
    case SDL_WINDOWEVENT_FOCUS_LOST: return EWindowChange::FocusLost;
    case SDL_WINDOWEVENT_MOVED: return EWindowChange::Moved;
    case SDL_WINDOWEVENT_SIZE_CHANGED: return EWindowChange::Resized;
    case SDL_WINDOWEVENT_CLOSE: return EWindowChange::CloseRequested;
    default: return EWindowChange::None;
  }
}

bool AppEvent::MouseMotion(uint32_t windowId, int& x, int& y) const {
  if (e_.type != SDL_MOUSEMOTION || windowId == 0 || e_.motion.windowID != windowId) return false;
  x = e_.motion.x;
  y = e_.motion.y;
  return true;
}

bool AppEvent::Input(uint32_t windowId, std::vector<RInputEvent>& out) const {
  return TranslateInputEvent(e_, windowId, out);
}

}  // namespace platform
