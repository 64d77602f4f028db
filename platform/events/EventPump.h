// The SDL2 event queue as the one message queue of the UI thread.
#pragma once

#include <SDL.h>

namespace platform {

// Takes the next waiting event; false when the queue is empty or SDL events are not started.
// Never blocks.
bool PollEvent(SDL_Event& event);

// Takes and drops every waiting event.
void DiscardEvents();

// Sleeps until an event arrives or the time is up, without taking the event.
void WaitForEvent(int timeoutMs);

}  // namespace platform
