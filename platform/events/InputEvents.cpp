// SDL keyboard, text, mouse and window events to input records.
#include "platform/events/InputEvents.h"

#include "platform/events/EventPump.h"
#include "platform/events/KeyCodes.h"

namespace platform {
namespace {
int g_numLock = -1;  // last Num Lock state reported; -1 before the first key

int32_t Button(uint8_t b) {
  switch (b) {
    case SDL_BUTTON_LEFT:
      return 1;
    case SDL_BUTTON_RIGHT:
      return 2;
    case SDL_BUTTON_MIDDLE:
      return 3;
    default:
      return 0;
  }
}

// Injected events name no window.
bool ForWindow(uint32_t eventWindow, uint32_t windowId) {
  return windowId == 0 || eventWindow == 0 || eventWindow == windowId;
}

void Key(const SDL_KeyboardEvent& k, bool down, std::vector<RInputEvent>& out) {
  const bool numLock = (k.keysym.mod & KMOD_NUM) != 0;
  if (g_numLock != static_cast<int>(numLock)) {
    g_numLock = numLock;
    out.push_back({EInput::NumLock, numLock ? 1 : 0, 0});
  }
  const int32_t vk = VirtualKeyFromSdl(k.keysym.scancode, k.keysym.sym, numLock);
  if (vk == 0) return;
  out.push_back({down ? EInput::KeyDown : EInput::KeyUp, vk, 0});
  if (!down) return;
  int32_t ch = 0;
  if (vk == 8 || vk == 9 || vk == 13 || vk == 27)
    ch = vk;
  else if (vk >= 'A' && vk <= 'Z' && (k.keysym.mod & KMOD_CTRL) && !(k.keysym.mod & KMOD_ALT))
    ch = vk - 'A' + 1;
  if (ch) out.push_back({EInput::Char, ch, 0});
}
}  // namespace

void AppendUtf16Units(const char* utf8, std::vector<int32_t>& units) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p) {
    uint32_t cp = 0xFFFD;
    int extra = 0;
    if (*p < 0x80) {
      cp = *p;
    } else if ((*p & 0xE0) == 0xC0) {
      cp = *p & 0x1Fu, extra = 1;
    } else if ((*p & 0xF0) == 0xE0) {
      cp = *p & 0x0Fu, extra = 2;
    } else if ((*p & 0xF8) == 0xF0) {
      cp = *p & 0x07u, extra = 3;
    }
    ++p;
    for (int i = 0; i < extra; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) {
        cp = 0xFFFD;
        break;
      }
      cp = (cp << 6) | (*p & 0x3Fu);
    }
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      units.push_back(static_cast<int32_t>(0xD800 + (cp >> 10)));
      units.push_back(static_cast<int32_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      units.push_back(static_cast<int32_t>(cp));
    }
  }
}

bool TranslateInputEvent(const SDL_Event& event, uint32_t windowId, std::vector<RInputEvent>& out) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (!ForWindow(event.key.windowID, windowId)) return false;
      Key(event.key, event.type == SDL_KEYDOWN, out);
      return true;
    case SDL_TEXTINPUT: {
      if (!ForWindow(event.text.windowID, windowId)) return false;
      std::vector<int32_t> units;
      AppendUtf16Units(event.text.text, units);
      for (int32_t u : units) out.push_back({EInput::Char, u, 0});
      return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      if (!ForWindow(event.button.windowID, windowId)) return false;
      out.push_back({EInput::MouseMove, event.button.x, event.button.y});
      const int32_t b = Button(event.button.button);
      if (b) out.push_back({event.type == SDL_MOUSEBUTTONDOWN ? EInput::MouseDown : EInput::MouseUp, b, 0});
      return true;
    }
    case SDL_MOUSEMOTION:
      if (!ForWindow(event.motion.windowID, windowId)) return false;
      out.push_back({EInput::MouseMove, event.motion.x, event.motion.y});
      return true;
    case SDL_MOUSEWHEEL: {
      if (!ForWindow(event.wheel.windowID, windowId)) return false;
      const int32_t y = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
      if (y > 0) out.push_back({EInput::WheelUp, 0, 0});
      if (y < 0) out.push_back({EInput::WheelDown, 0, 0});
      return true;
    }
    case SDL_WINDOWEVENT:
      if (!ForWindow(event.window.windowID, windowId)) return false;
      switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          out.push_back({EInput::Focus, 1, 0});
          return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          out.push_back({EInput::Focus, 0, 0});
          return true;
        case SDL_WINDOWEVENT_CLOSE:
          out.push_back({EInput::Close, 0, 0});
          return true;
        default:
          return false;
      }
    case SDL_QUIT:
      out.push_back({EInput::Close, 0, 0});
      return true;
    default:
      return false;
  }
}

void TakeWaitingInput(std::vector<RInputEvent>& out) {
  SDL_Event event;
  while (PollEvent(event)) TranslateInputEvent(event, 0, out);
}

void ToggleNumLockState() {
  if (SDL_WasInit(SDL_INIT_EVENTS)) SDL_SetModState(static_cast<SDL_Keymod>(SDL_GetModState() ^ KMOD_NUM));
}

bool PushKeyEvent(int32_t vk, bool down) {
  if (!SDL_WasInit(SDL_INIT_EVENTS)) return false;
  const SDL_Scancode sc = ScancodeFromVirtualKey(vk);
  if (sc == SDL_SCANCODE_UNKNOWN) return false;
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.scancode = sc;
  e.key.keysym.sym = SDL_GetKeyFromScancode(sc);
  uint16_t mod = static_cast<uint16_t>(SDL_GetModState());
  // Keypad digits arrive as digits only with Num Lock on.
  if ((vk >= 96 && vk <= 105) || vk == 110) mod |= KMOD_NUM;
  e.key.keysym.mod = mod;
  e.key.timestamp = SDL_GetTicks();
  return SDL_PushEvent(&e) == 1;
}

}  // namespace platform
