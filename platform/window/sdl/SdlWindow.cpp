// SDL2 windows. SDL cannot make a 0 x 0 window, which the main window is until the display
// is set up, so sizes are clamped to at least one pixel.
#include "platform/window/sdl/SdlWindow.h"

// Before SDL's window-system header, whose X11 part defines None.
#include "platform/video/Video.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

SdlWindow::~SdlWindow() {
  if (window_) SDL_DestroyWindow(window_);
}

void SdlWindow::Show(const std::string& caption, const WindowBounds& b, bool bordered) {
  if (!window_) {
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (!bordered) flags |= SDL_WINDOW_BORDERLESS;
    window_ = Create(caption.c_str(), b.left, b.top, b.width, b.height, flags);
    if (!window_) return;  // no native window: the state stays in TWindow, nothing is drawn
  }
  SDL_ShowWindow(window_);
}

bool SdlWindow::ShowsPixels() const {
  // SDL's off-screen and dummy drivers make windows nobody can see: presenting into them would
  // only cost time (the test mode's runs); pictures that are asked for are read from the device.
  static const bool seen = [] {
    const char* driver = SDL_GetCurrentVideoDriver();
    const std::string_view d = driver ? driver : "";
    return d != "offscreen" && d != "dummy";
  }();
  return seen;
}

SDL_Window* SdlWindow::Create(const char* caption, int x, int y, int w, int h, uint32_t flags) {
  w = std::max(1, w);
  h = std::max(1, h);
  if (deviceDrawn_ && GlLibraryLoaded()) {
    // Without OpenGL the window still shows the pictures it is handed.
    if (SDL_Window* gl = SDL_CreateWindow(caption, x, y, w, h, flags | SDL_WINDOW_OPENGL)) return gl;
  }
  return SDL_CreateWindow(caption, x, y, w, h, flags & ~Uint32{SDL_WINDOW_OPENGL});
}

void SdlWindow::SetDeviceDrawn(bool on) {
  if (on == deviceDrawn_) return;
  deviceDrawn_ = on;
  if (!window_) return;
  // The kind of a native window is fixed when it is made: make it again, as it was.
  const Uint32 keep = SDL_WINDOW_BORDERLESS | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALWAYS_ON_TOP;
  const Uint32 old = SDL_GetWindowFlags(window_);
  int x = 0, y = 0, w = 1, h = 1;
  SDL_GetWindowPosition(window_, &x, &y);
  SDL_GetWindowSize(window_, &w, &h);
  const std::string caption = SDL_GetWindowTitle(window_);
  SDL_Window* fresh = Create(caption.c_str(), x, y, w, h, SDL_WINDOW_HIDDEN | (old & keep));
  if (!fresh) return;
  SDL_DestroyWindow(window_);
  window_ = fresh;
  if (old & SDL_WINDOW_SHOWN) SDL_ShowWindow(window_);
}

void SdlWindow::Hide() {
  if (window_) SDL_HideWindow(window_);
}

void SdlWindow::SetCaption(const std::string& caption) {
  if (window_) SDL_SetWindowTitle(window_, caption.c_str());
}

void SdlWindow::SetBounds(const WindowBounds& b) {
  if (!window_) return;
  SDL_SetWindowPosition(window_, b.left, b.top);
  SDL_SetWindowSize(window_, std::max(1, b.width), std::max(1, b.height));
}

bool CopyToWindowSurface(SDL_Window* window, int width, int height, const uint32_t* argb) {
  SDL_Surface* target = SDL_GetWindowSurface(window);
  if (!target) return false;
  SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(argb), width, height, 32,
                                                           width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!source) return false;
  SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
  SDL_BlitSurface(source, nullptr, target, nullptr);
  SDL_FreeSurface(source);
  return true;
}

uint32_t SdlWindow::NativeId() const { return window_ ? SDL_GetWindowID(window_) : 0; }

void SdlWindow::Present(int width, int height, const uint32_t* argb, int opacity) {
  if (!window_ || width <= 0 || height <= 0 || !argb) return;
  // A plain software framebuffer: an accelerated one would start a GL driver for a window that
  // only ever shows a few pictures.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // A window with a GL context has no surface; its owner draws it.
  if (!CopyToWindowSurface(window_, width, height, argb)) return;
  SDL_SetWindowOpacity(window_, static_cast<float>(std::clamp(opacity, 0, 255)) / 255.0f);
  SDL_UpdateWindowSurface(window_);
}

void SdlWindow::SetBordered(bool bordered) {
  if (window_) SDL_SetWindowBordered(window_, bordered ? SDL_TRUE : SDL_FALSE);
}

void SdlWindow::SetResizable(bool resizable) {
  if (window_) SDL_SetWindowResizable(window_, resizable ? SDL_TRUE : SDL_FALSE);
}

void SdlWindow::SetAlwaysOnTop(bool on) {
  if (window_) SDL_SetWindowAlwaysOnTop(window_, on ? SDL_TRUE : SDL_FALSE);
}

void SdlWindow::SetMinimumSize(int width, int height) {
  if (window_) SDL_SetWindowMinimumSize(window_, std::max(width, 1), std::max(height, 1));
}

void SdlWindow::SetFullScreen(const FullScreen& mode) {
  if (!window_) return;
  if (mode.kind == FullScreen::Mode) {
    SDL_DisplayMode m{};
    m.w = mode.width;
    m.h = mode.height;
    m.refresh_rate = mode.frequency;
    SDL_SetWindowDisplayMode(window_, &m);
    SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN);
  } else {
    SDL_SetWindowFullscreen(window_, mode.kind == FullScreen::Desktop ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  }
}

void SdlWindow::SetCursor(ECursor cursor) {
  if (cursor == ECursor::Hidden) {
    SDL_ShowCursor(SDL_DISABLE);
    return;
  }
  SDL_SystemCursor kind = SDL_SYSTEM_CURSOR_ARROW;
  switch (cursor) {
    case ECursor::Cross: kind = SDL_SYSTEM_CURSOR_CROSSHAIR; break;
    case ECursor::IBeam: kind = SDL_SYSTEM_CURSOR_IBEAM; break;
    case ECursor::SizeNESW: kind = SDL_SYSTEM_CURSOR_SIZENESW; break;
    case ECursor::SizeNS: kind = SDL_SYSTEM_CURSOR_SIZENS; break;
    case ECursor::SizeNWSE: kind = SDL_SYSTEM_CURSOR_SIZENWSE; break;
    case ECursor::SizeWE: kind = SDL_SYSTEM_CURSOR_SIZEWE; break;
    case ECursor::Wait: kind = SDL_SYSTEM_CURSOR_WAIT; break;
    case ECursor::No: kind = SDL_SYSTEM_CURSOR_NO; break;
    case ECursor::WaitArrow: kind = SDL_SYSTEM_CURSOR_WAITARROW; break;
    case ECursor::Hand: kind = SDL_SYSTEM_CURSOR_HAND; break;
    case ECursor::SizeAll: kind = SDL_SYSTEM_CURSOR_SIZEALL; break;
    default: break;
  }
  // The system cursors are made once for the process and shared by every window and game.
  static SDL_Cursor* cursors[SDL_NUM_SYSTEM_CURSORS] = {};
  if (!cursors[kind]) cursors[kind] = SDL_CreateSystemCursor(kind);
  if (cursors[kind]) SDL_SetCursor(cursors[kind]);
  SDL_ShowCursor(SDL_ENABLE);
}

void SdlWindow::WarpMouse(int x, int y) {
  if (window_) SDL_WarpMouseInWindow(window_, x, y);
}

bool SdlWindow::NativeBounds(WindowBounds& b) const {
  if (!window_) return false;
  SDL_GetWindowPosition(window_, &b.left, &b.top);
  SDL_GetWindowSize(window_, &b.width, &b.height);
  return true;
}

uint64_t SdlSystemHandle(SDL_Window* window) {
  if (!window) return 0;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE) return 0;
  switch (info.subsystem) {
#if defined(SDL_VIDEO_DRIVER_X11)
    case SDL_SYSWM_X11:
      return static_cast<uint64_t>(info.info.x11.window);
#endif
#if defined(SDL_VIDEO_DRIVER_WAYLAND)
    case SDL_SYSWM_WAYLAND:
      return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(info.info.wl.surface));
#endif
    default:
      return 0;
  }
}

}  // namespace platform
