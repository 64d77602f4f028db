// The one table between SDL's keys and the virtual-key codes games see (0..255).
#pragma once

#include <SDL.h>

#include <cstdint>

namespace platform {

// The code a key press arrives as. Letters and digits follow the keyboard layout (keycode),
// everything else the key's position (scancode). Left and right Shift, Ctrl and Alt come as
// the sided codes 160..165; the numeric keypad gives its editing keys while Num Lock is off.
// 0 for keys without a code.
int32_t VirtualKeyFromSdl(SDL_Scancode scancode, SDL_Keycode keycode, bool numLock);

// Sided modifier codes (160..165) become the generic 16, 17, 18; others stay.
int32_t GenericVirtualKey(int32_t vk);

// The scancode that produces a code, for injecting keys; SDL_SCANCODE_UNKNOWN when none does.
// The generic modifiers give their left key.
SDL_Scancode ScancodeFromVirtualKey(int32_t vk);

}  // namespace platform
