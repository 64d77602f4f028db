// Window backend on SDL2 video: the native window appears on the first show.
#pragma once

#include "platform/window/Window.h"

namespace platform {

// Copies an ARGB picture into the top left of the window's software surface, without showing
// it yet; false when the window has no such surface (a GL window) or SDL refuses.
bool CopyToWindowSurface(SDL_Window* window, int width, int height, const uint32_t* argb);

class SdlWindow final : public IWindowBackend {
 public:
  SdlWindow() = default;
  ~SdlWindow() override;
  void Show(const std::string& caption, const WindowBounds& bounds, bool bordered) override;
  void Hide() override;
  void SetCaption(const std::string& caption) override;
  void SetBounds(const WindowBounds& bounds) override;
  uint32_t NativeId() const override;
  SDL_Window* NativeHandle() const override { return window_; }
  void Present(int width, int height, const uint32_t* argb, int opacity) override;
  bool ShowsPixels() const override;
  void SetDeviceDrawn(bool on) override;
  void SetBordered(bool bordered) override;
  void SetResizable(bool resizable) override;
  void SetAlwaysOnTop(bool on) override;
  void SetMinimumSize(int width, int height) override;
  void SetFullScreen(const FullScreen& mode) override;
  void SetCursor(ECursor cursor) override;
  void WarpMouse(int x, int y) override;
  bool NativeBounds(WindowBounds& bounds) const override;

 private:
  SDL_Window* Create(const char* caption, int x, int y, int w, int h, uint32_t flags);

  SDL_Window* window_ = nullptr;
  bool deviceDrawn_ = false;
};

// The window system's handle of an SDL window; 0 for null or an unknown window system.
uint64_t SdlSystemHandle(SDL_Window* window);

}  // namespace platform
