// Display modes of the screen the game window is on. Changing the real mode is only possible
// for exclusive full-screen windows, so a mode that is set is kept as the current *virtual*
// mode: reported as current, and applied to the window while it is full screen. Tests replace
// the system's answers with a fixed list.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

struct DisplayMode {
  int32_t width = 0, height = 0;
  int32_t bitsPerPixel = 0;
  int32_t frequency = 0;
  bool operator==(const DisplayMode&) const = default;
};

// A mode request: fields ≤ 0 are left as they are.
using DisplayRequest = DisplayMode;

// The mode at program start (the desktop), and the current one (the virtual mode when set).
DisplayMode DesktopDisplayMode();
DisplayMode CurrentDisplayMode();
std::vector<DisplayMode> ListDisplayModes();

// Whether the request fits a listed mode (after filling unset fields from the current mode).
bool TestDisplayMode(const DisplayRequest& request);
// As the test; on success the result becomes the current mode.
bool SetDisplayMode(const DisplayRequest& request);
// Back to the desktop mode.
void RestoreDisplayMode();

// Test hook: a fixed desktop and mode list instead of the system's (nullopt: the system).
void SetFakeDisplay(std::optional<DisplayMode> desktop, std::vector<DisplayMode> modes = {});

}  // namespace platform
