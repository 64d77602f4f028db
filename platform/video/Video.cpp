// Backend choice and SDL start-up/shut-down.
#include "platform/video/Video.h"

#include <SDL.h>

#include <cstdlib>
#include <string>

#include "platform/window/headless/HeadlessWindow.h"
#include "platform/window/sdl/SdlWindow.h"

namespace platform {
namespace {
VideoBackend g_backend = VideoBackend::None;

bool Set(const char* v) { return v && *v; }

// One reference to the GL library for the whole process, never given back: unloading the
// driver with the last context or window would strand its bookkeeping in a module that no
// longer exists. SDL's record of the library is then still held at exit (see tests/lsan.supp).
// Two levels, because the unwinder loses the frame that calls into SDL.
[[gnu::noinline]] bool LoadGlLibrary() { return SDL_GL_LoadLibrary(nullptr) == 0; }
[[gnu::noinline]] bool KeepGlLibraryLoaded() { return LoadGlLibrary(); }
}  // namespace

bool DisplayVisible(const char* display, const char* waylandDisplay, const char* sdlVideoDriver) {
  if (Set(sdlVideoDriver)) {
    const std::string_view d = sdlVideoDriver;
    if (d == "offscreen" || d == "dummy") return false;
  }
  return Set(display) || Set(waylandDisplay);
}

bool DisplayVisible() {
  return DisplayVisible(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"), std::getenv("SDL_VIDEODRIVER"));
}

VideoBackend InitVideo() {
  if (g_backend != VideoBackend::None) return g_backend;
  // The event queue works without any display; the pump and SDL_PushEvent rely on it.
  SDL_InitSubSystem(SDL_INIT_EVENTS);
  const char* forced = std::getenv("RUNNER_HEADLESS");
  const bool headless = forced && std::string_view(forced) == "1";
  const bool worthTrying = DisplayVisible() || Set(std::getenv("SDL_VIDEODRIVER"));
  if (!headless && worthTrying && SDL_InitSubSystem(SDL_INIT_VIDEO) == 0)
    g_backend = VideoBackend::Sdl;
  else
    g_backend = VideoBackend::Headless;
  return g_backend;
}

void PreferOffscreenVideo() { setenv("SDL_VIDEODRIVER", "offscreen", 0); }

void ShutdownVideo() {
  if (g_backend == VideoBackend::None) return;
  SDL_Quit();
  g_backend = VideoBackend::None;
}

VideoBackend CurrentVideoBackend() { return g_backend; }

std::unique_ptr<IWindowBackend> MakeWindowBackend() {
  if (g_backend == VideoBackend::Sdl) return std::make_unique<SdlWindow>();
  return std::make_unique<HeadlessWindow>();
}

bool GlLibraryLoaded() {
  static const bool loaded = SDL_WasInit(SDL_INIT_VIDEO) && KeepGlLibraryLoaded();
  return loaded;
}

void SetScreenSaverAllowed(bool allowed) {
  if (g_backend != VideoBackend::Sdl) return;
  if (allowed)
    SDL_EnableScreenSaver();
  else
    SDL_DisableScreenSaver();
}

}  // namespace platform
