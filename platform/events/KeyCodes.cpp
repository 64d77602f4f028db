// SDL scancode and keycode to virtual-key code, and back for injected keys.
#include "platform/events/KeyCodes.h"

#include <array>

namespace platform {
namespace {

struct RKeyPair {
  SDL_Scancode scancode;
  int32_t vk;
};

// Keys whose code does not depend on the layout, and the preferred scancode of each code.
constexpr RKeyPair kFixed[] = {
    {SDL_SCANCODE_BACKSPACE, 8},
    {SDL_SCANCODE_TAB, 9},
    {SDL_SCANCODE_CLEAR, 12},
    {SDL_SCANCODE_RETURN, 13},
    {SDL_SCANCODE_KP_ENTER, 13},
    {SDL_SCANCODE_PAUSE, 19},
    {SDL_SCANCODE_CAPSLOCK, 20},
    {SDL_SCANCODE_ESCAPE, 27},
    {SDL_SCANCODE_SPACE, 32},
    {SDL_SCANCODE_PAGEUP, 33},
    {SDL_SCANCODE_PAGEDOWN, 34},
    {SDL_SCANCODE_END, 35},
    {SDL_SCANCODE_HOME, 36},
    {SDL_SCANCODE_LEFT, 37},
    {SDL_SCANCODE_UP, 38},
    {SDL_SCANCODE_RIGHT, 39},
    {SDL_SCANCODE_DOWN, 40},
    {SDL_SCANCODE_PRINTSCREEN, 44},
    {SDL_SCANCODE_INSERT, 45},
    {SDL_SCANCODE_DELETE, 46},
    {SDL_SCANCODE_LGUI, 91},
    {SDL_SCANCODE_RGUI, 92},
    {SDL_SCANCODE_APPLICATION, 93},
    {SDL_SCANCODE_KP_MULTIPLY, 106},
    {SDL_SCANCODE_KP_PLUS, 107},
    {SDL_SCANCODE_KP_MINUS, 109},
    {SDL_SCANCODE_KP_DIVIDE, 111},
    {SDL_SCANCODE_NUMLOCKCLEAR, 144},
    {SDL_SCANCODE_SCROLLLOCK, 145},
    {SDL_SCANCODE_LSHIFT, 160},
    {SDL_SCANCODE_RSHIFT, 161},
    {SDL_SCANCODE_LCTRL, 162},
    {SDL_SCANCODE_RCTRL, 163},
    {SDL_SCANCODE_LALT, 164},
    {SDL_SCANCODE_RALT, 165},
    {SDL_SCANCODE_SEMICOLON, 186},
    {SDL_SCANCODE_EQUALS, 187},
    {SDL_SCANCODE_COMMA, 188},
    {SDL_SCANCODE_MINUS, 189},
    {SDL_SCANCODE_PERIOD, 190},
    {SDL_SCANCODE_SLASH, 191},
    {SDL_SCANCODE_GRAVE, 192},
    {SDL_SCANCODE_LEFTBRACKET, 219},
    {SDL_SCANCODE_BACKSLASH, 220},
    {SDL_SCANCODE_RIGHTBRACKET, 221},
    {SDL_SCANCODE_APOSTROPHE, 222},
    {SDL_SCANCODE_NONUSBACKSLASH, 226},
};

// Keypad digits and the decimal point: Num Lock on, Num Lock off.
struct RKeypad {
  SDL_Scancode scancode;
  int32_t on, off;
};
constexpr RKeypad kKeypad[] = {
    {SDL_SCANCODE_KP_0, 96, 45},  {SDL_SCANCODE_KP_1, 97, 35},       {SDL_SCANCODE_KP_2, 98, 40},
    {SDL_SCANCODE_KP_3, 99, 34},  {SDL_SCANCODE_KP_4, 100, 37},      {SDL_SCANCODE_KP_5, 101, 12},
    {SDL_SCANCODE_KP_6, 102, 39}, {SDL_SCANCODE_KP_7, 103, 36},      {SDL_SCANCODE_KP_8, 104, 38},
    {SDL_SCANCODE_KP_9, 105, 33}, {SDL_SCANCODE_KP_PERIOD, 110, 46},
};

struct RTables {
  std::array<int32_t, SDL_NUM_SCANCODES> toVk{};
  std::array<SDL_Scancode, 256> toScancode{};
  RTables() {
    toScancode.fill(SDL_SCANCODE_UNKNOWN);
    auto prefer = [&](int32_t vk, SDL_Scancode sc) {
      if (toScancode[static_cast<size_t>(vk)] == SDL_SCANCODE_UNKNOWN)
        toScancode[static_cast<size_t>(vk)] = sc;
    };
    for (const RKeyPair& k : kFixed) {
      toVk[k.scancode] = k.vk;
      prefer(k.vk, k.scancode);
    }
    for (int i = 0; i < 26; ++i) {
      const auto sc = static_cast<SDL_Scancode>(SDL_SCANCODE_A + i);
      toVk[sc] = 'A' + i;
      prefer('A' + i, sc);
    }
    for (int i = 0; i < 9; ++i) {
      const auto sc = static_cast<SDL_Scancode>(SDL_SCANCODE_1 + i);
      toVk[sc] = '1' + i;
      prefer('1' + i, sc);
    }
    toVk[SDL_SCANCODE_0] = '0';
    prefer('0', SDL_SCANCODE_0);
    for (int i = 0; i < 24; ++i) {
      const auto sc = static_cast<SDL_Scancode>(i < 12 ? SDL_SCANCODE_F1 + i : SDL_SCANCODE_F13 + (i - 12));
      toVk[sc] = 112 + i;
      prefer(112 + i, sc);
    }
    for (const RKeypad& k : kKeypad) {
      toVk[k.scancode] = k.on;
      prefer(k.on, k.scancode);
    }
    prefer(16, SDL_SCANCODE_LSHIFT);
    prefer(17, SDL_SCANCODE_LCTRL);
    prefer(18, SDL_SCANCODE_LALT);
  }
};

const RTables& Tables() {
  static const RTables t;
  return t;
}

}  // namespace

int32_t VirtualKeyFromSdl(SDL_Scancode scancode, SDL_Keycode keycode, bool numLock) {
  if (keycode >= SDLK_a && keycode <= SDLK_z) return 'A' + (keycode - SDLK_a);
  if (keycode >= SDLK_0 && keycode <= SDLK_9) return '0' + (keycode - SDLK_0);
  if (!numLock)
    for (const RKeypad& k : kKeypad)
      if (k.scancode == scancode) return k.off;
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
  return Tables().toVk[static_cast<size_t>(scancode)];
}

int32_t GenericVirtualKey(int32_t vk) {
  switch (vk) {
    case 160:
    case 161:
      return 16;
    case 162:
    case 163:
      return 17;
    case 164:
    case 165:
      return 18;
    default:
      return vk;
  }
}

SDL_Scancode ScancodeFromVirtualKey(int32_t vk) {
  if (vk < 0 || vk > 255) return SDL_SCANCODE_UNKNOWN;
  return Tables().toScancode[static_cast<size_t>(vk)];
}

}  // namespace platform
