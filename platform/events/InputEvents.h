// Input as the runner takes it from the window system: SDL events turned into a few plain
// records (keys as virtual-key codes, characters as UTF-16 units, buttons 1..3), and keys
// injected into the runner's own queue.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

namespace platform {

enum class EInput : uint8_t {
  KeyDown,    // a = virtual-key code (sided for Shift, Ctrl, Alt); auto-repeat comes again
  KeyUp,      // a = virtual-key code
  Char,       // a = UTF-16 unit
  MouseDown,  // a = 1 left, 2 right, 3 middle
  MouseUp,
  WheelUp,
  WheelDown,
  MouseMove,  // a, b = position in the window's client area
  Focus,      // a = 1 gained, 0 lost
  NumLock,    // a = 1 on, 0 off
  Close,      // the window's close button (or the session asks the program to quit)
};

struct RInputEvent {
  EInput kind = EInput::KeyDown;
  int32_t a = 0, b = 0;
  bool operator==(const RInputEvent&) const = default;
};

// Appends the records event stands for and returns true when it is input for the window with
// that id (0: any window); other events are left alone. A key down also types the characters
// Windows sends for Backspace, Tab, Enter, Escape and Ctrl+letter, which SDL has no text for.
bool TranslateInputEvent(const SDL_Event& event, uint32_t windowId, std::vector<RInputEvent>& out);

// Takes every waiting event, appending the input records of those for any window.
void TakeWaitingInput(std::vector<RInputEvent>& out);

// Turns the keyboard's Num Lock state over, as the system keeps it.
void ToggleNumLockState();

// Appends the UTF-16 units of UTF-8 text; a damaged sequence gives U+FFFD.
void AppendUtf16Units(const char* utf8, std::vector<int32_t>& units);

// Puts a key event for a virtual-key code into SDL's queue, as a press of the key would; false
// when SDL events are not started or no key has that code.
bool PushKeyEvent(int32_t vk, bool down);

}  // namespace platform
