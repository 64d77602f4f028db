// SDL joysticks as the two devices games query; reading never depends on window focus.
#include "platform/events/Joystick.h"

#include <SDL.h>

#include <algorithm>
#include <iterator>

namespace platform {
namespace {
SDL_Joystick* g_open[2] = {nullptr, nullptr};
SDL_GameController* g_pad[2] = {nullptr, nullptr};  // when SDL knows the device's layout

// SDL_Quit closes every device behind our back, so handles from before a restart are dropped.
// A machine without joystick support is asked once.
bool Started() {
  static bool unsupported = false;
  if (SDL_WasInit(SDL_INIT_GAMECONTROLLER)) return true;
  g_open[0] = g_open[1] = nullptr;
  g_pad[0] = g_pad[1] = nullptr;
  if (unsupported) return false;
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  unsupported = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0;
  return !unsupported;
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
// Gamepads in one layout whatever their make: sticks on x, y and z, r, triggers on u and v
// (resting at the centre, pressed towards 65535), face buttons first, the pad as the hat.
void ReadPad(SDL_GameController* pad, RJoystickState& s) {
  constexpr SDL_GameControllerAxis kAxes[kJoystickAxes] = {
      SDL_CONTROLLER_AXIS_LEFTX,  SDL_CONTROLLER_AXIS_LEFTY,       SDL_CONTROLLER_AXIS_RIGHTX,
      SDL_CONTROLLER_AXIS_RIGHTY, SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT};
  constexpr SDL_GameControllerButton kButtons[] = {SDL_CONTROLLER_BUTTON_A,
                                                   SDL_CONTROLLER_BUTTON_B,
                                                   SDL_CONTROLLER_BUTTON_X,
                                                   SDL_CONTROLLER_BUTTON_Y,
                                                   SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
                                                   SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
                                                   SDL_CONTROLLER_BUTTON_BACK,
                                                   SDL_CONTROLLER_BUTTON_START,
                                                   SDL_CONTROLLER_BUTTON_LEFTSTICK,
                                                   SDL_CONTROLLER_BUTTON_RIGHTSTICK,
                                                   SDL_CONTROLLER_BUTTON_GUIDE};
  s.axes = kJoystickAxes;
  s.buttons = static_cast<int32_t>(std::size(kButtons));
  s.pov = true;
  for (size_t i = 0; i < kJoystickAxes; ++i) s.pos[i] = SDL_GameControllerGetAxis(pad, kAxes[i]) + 32768;
  for (size_t i = 0; i < std::size(kButtons); ++i)
    if (SDL_GameControllerGetButton(pad, kButtons[i])) s.buttonMask |= 1u << i;
  uint8_t hat = SDL_HAT_CENTERED;
  if (SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_UP)) hat |= SDL_HAT_UP;
  if (SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN)) hat |= SDL_HAT_DOWN;
  if (SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_LEFT)) hat |= SDL_HAT_LEFT;
  if (SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT)) hat |= SDL_HAT_RIGHT;
  s.povHundredths = Hundredths(hat);
}

void Close(int32_t device) {
  if (g_pad[device])
    SDL_GameControllerClose(g_pad[device]);
  else if (g_open[device])
    SDL_JoystickClose(g_open[device]);
  g_pad[device] = nullptr;
  g_open[device] = nullptr;
}
}  // namespace

RJoystickState ReadJoystick(int32_t device) {
  RJoystickState s;
  if (device < 0 || device > 1 || !Started()) return s;
  SDL_GameControllerUpdate();
  SDL_Joystick*& j = g_open[device];
  if (device >= SDL_NumJoysticks()) {
    Close(device);
    return s;
  }
  // The device at this index may have been replaced by another one.
  if (j &&
      (!SDL_JoystickGetAttached(j) || SDL_JoystickGetDeviceInstanceID(device) != SDL_JoystickInstanceID(j)))
    Close(device);
  if (!j) {
    if (SDL_IsGameController(device)) {
      g_pad[device] = SDL_GameControllerOpen(device);
      if (g_pad[device]) j = SDL_GameControllerGetJoystick(g_pad[device]);
    }
    if (!j) j = SDL_JoystickOpen(device);
  }
  if (!j) return s;
  s.present = true;
  const char* name = g_pad[device] ? SDL_GameControllerName(g_pad[device]) : SDL_JoystickName(j);
  s.name = name ? std::string(name).substr(0, 32) : std::string();
  if (g_pad[device]) {
    ReadPad(g_pad[device], s);
    return s;
  }
  s.axes = std::max(0, SDL_JoystickNumAxes(j));
  s.buttons = std::max(0, SDL_JoystickNumButtons(j));
  s.pov = SDL_JoystickNumHats(j) > 0;
  for (int32_t i = 0; i < kJoystickAxes && i < s.axes; ++i)
    s.pos[static_cast<size_t>(i)] = SDL_JoystickGetAxis(j, i) + 32768;
  for (int32_t i = 0; i < 32 && i < s.buttons; ++i)
    if (SDL_JoystickGetButton(j, i)) s.buttonMask |= 1u << i;
  if (s.pov) s.povHundredths = Hundredths(SDL_JoystickGetHat(j, 0));
  return s;
}

void CloseJoysticks() {
  const bool live = SDL_WasInit(SDL_INIT_GAMECONTROLLER) != 0;
  for (int32_t d = 0; d < 2; ++d) {
    if (live) Close(d);
    g_pad[d] = nullptr;
    g_open[d] = nullptr;
  }
}

}  // namespace platform
