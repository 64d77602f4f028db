// Chooses the window backend once per process: SDL2 video when a display (or an SDL
// off-screen driver) is usable, otherwise headless, where windows exist only as state.
#pragma once

#include <memory>
#include <string_view>

#include "platform/window/Window.h"

namespace platform {

enum class VideoBackend { None, Sdl, Headless };

// True when the environment names a display a person could see: DISPLAY or WAYLAND_DISPLAY is
// set and SDL_VIDEODRIVER is not "offscreen" or "dummy". Arguments are the variables' values
// (null when unset), so the rule is testable without touching the environment.
bool DisplayVisible(const char* display, const char* waylandDisplay, const char* sdlVideoDriver);
bool DisplayVisible();

// Starts SDL events and, when possible, SDL video. Idempotent; RUNNER_HEADLESS=1 forces headless.
VideoBackend InitVideo();
void ShutdownVideo();
// Asks for SDL's off-screen video driver (windows and OpenGL without a display) unless a
// driver is named already; call before InitVideo.
void PreferOffscreenVideo();
VideoBackend CurrentVideoBackend();

std::unique_ptr<IWindowBackend> MakeWindowBackend();

// Loads the OpenGL library once for the process (with SDL video started) and never gives it
// back; false when there is none. Windows made for OpenGL and the device share it.
bool GlLibraryLoaded();

// Keeps the screensaver and display power saving off while false (only with SDL video).
void SetScreenSaverAllowed(bool allowed);

}  // namespace platform
