// SDL event polling and waiting; falls back to sleeping when SDL events are not started.
#include "platform/events/EventPump.h"

#include <cerrno>
#include <time.h>

namespace platform {

bool PollEvent(SDL_Event& event) {
  if (!SDL_WasInit(SDL_INIT_EVENTS)) return false;
  return SDL_PollEvent(&event) == 1;
}

void DiscardEvents() {
  SDL_Event event;
  while (PollEvent(event)) {
  }
}

void WaitForEvent(int timeoutMs) {
  if (timeoutMs <= 0) return;
  if (SDL_WasInit(SDL_INIT_EVENTS)) {
    SDL_WaitEventTimeout(nullptr, timeoutMs);
    return;
  }
  timespec ts{timeoutMs / 1000, static_cast<long>(timeoutMs % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
  }
}

}  // namespace platform
