// Window backend for runs without any display: keeps nothing native, so every window
// operation succeeds and the runner works unchanged.
#pragma once

#include "platform/window/Window.h"

namespace platform {

class HeadlessWindow final : public IWindowBackend {
 public:
  void Show(const std::string&, const WindowBounds&, bool) override {}
  void Hide() override {}
  void SetCaption(const std::string&) override {}
  void SetBounds(const WindowBounds&) override {}
  uint32_t NativeId() const override { return 0; }
  SDL_Window* NativeHandle() const override { return nullptr; }
  void Present(int, int, const uint32_t*, int) override {}
  bool ShowsPixels() const override { return false; }
};

}  // namespace platform
