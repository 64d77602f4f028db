// SDL joysticks as the two devices games query; reading never depends on window focus.
#include "platform/events/Joystick.h"

#include <SDL.h>

#include <algorithm>

namespace platform {
namespace {
SDL_Joystick* g_open[2] = {nullptr, nullptr};

// SDL_Quit closes every device behind our back, so handles from before a restart are dropped.
bool Started() {
  if (SDL_WasInit(SDL_INIT_JOYSTICK)) return true;
  g_open[0] = g_open[1] = nullptr;
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  return SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
}

int32_t Hundredths(uint8_t hat) {
  switch (hat) {
    case SDL_HAT_UP:
      return 0;
    case SDL_HAT_RIGHTUP:
      return 4500;
    case SDL_HAT_RIGHT:
      return 9000;
    case SDL_HAT_RIGHTDOWN:
      return 13500;
    case SDL_HAT_DOWN:
      return 18000;
    case SDL_HAT_LEFTDOWN:
      return 22500;
    case SDL_HAT_LEFT:
      return 27000;
    case SDL_HAT_LEFTUP:
      return 31500;
    default:
      return kPovCentred;
  }
}
}  // namespace

RJoystickState ReadJoystick(int32_t device) {
  RJoystickState s;
  if (device < 0 || device > 1 || !Started()) return s;
  SDL_JoystickUpdate();
  SDL_Joystick*& j = g_open[device];
  if (device >= SDL_NumJoysticks()) {
    if (j) SDL_JoystickClose(j);
    j = nullptr;
    return s;
  }
  // The device at this index may have been replaced by another one.
  if (j && (!SDL_JoystickGetAttached(j) || SDL_JoystickGetDeviceInstanceID(device) != SDL_JoystickInstanceID(j))) {
    SDL_JoystickClose(j);
    j = nullptr;
  }
  if (!j) j = SDL_JoystickOpen(device);
  if (!j) return s;
  s.present = true;
  const char* name = SDL_JoystickName(j);
  s.name = name ? std::string(name).substr(0, 32) : std::string();
  s.axes = std::max(0, SDL_JoystickNumAxes(j));
  s.buttons = std::max(0, SDL_JoystickNumButtons(j));
  s.pov = SDL_JoystickNumHats(j) > 0;
  for (int32_t i = 0; i < kJoystickAxes && i < s.axes; ++i) s.pos[static_cast<size_t>(i)] = SDL_JoystickGetAxis(j, i) + 32768;
  for (int32_t i = 0; i < 32 && i < s.buttons; ++i)
    if (SDL_JoystickGetButton(j, i)) s.buttonMask |= 1u << i;
  if (s.pov) s.povHundredths = Hundredths(SDL_JoystickGetHat(j, 0));
  return s;
}

void CloseJoysticks() {
  const bool live = SDL_WasInit(SDL_INIT_JOYSTICK) != 0;
  for (SDL_Joystick*& j : g_open) {
    if (j && live) SDL_JoystickClose(j);
    j = nullptr;
  }
}

}  // namespace platform
