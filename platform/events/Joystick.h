// Up to two joysticks read through SDL the way the runner's games expect them: axes 0..65535
// (centre 32768), a button bit mask, and the point-of-view hat in hundredths of a degree.
// Gamepads SDL knows the layout of come in one fixed layout; other devices as they report.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace platform {

inline constexpr int32_t kJoystickAxes = 6;  // x, y, z, r, u, v
inline constexpr int32_t kPovCentred = 65535;

struct RJoystickState {
  bool present = false;
  std::string name;  // at most 32 bytes
  int32_t axes = 0, buttons = 0;
  bool pov = false;
  std::array<int32_t, kJoystickAxes> pos{32768, 32768, 32768, 32768, 32768, 32768};
  uint32_t buttonMask = 0;  // bit i: button i + 1
  int32_t povHundredths = kPovCentred;
  bool operator==(const RJoystickState&) const = default;
};

// Reads device 0 or 1 now, opening it when it appeared and forgetting it when it went; a
// missing device gives a state that is not present. Starts SDL's joystick support on first use.
RJoystickState ReadJoystick(int32_t device);

// Closes the devices; the next read opens them again.
void CloseJoysticks();

}  // namespace platform
