// The tool window's two backends: SDL (a software surface, always on top, events caught by an
// event watch on its own window id) and headless.
#include "platform/window/ToolWindow.h"

#include <SDL.h>

#include "platform/video/Video.h"
#include "platform/window/sdl/SdlWindow.h"

namespace platform {

namespace {

class HeadlessToolWindow final : public TToolWindow {
 public:
  void Show(const std::string&, int, int, int, int) override {}
  void Hide() override {}
  void SetCaption(const std::string&) override {}
  void Present(int, int, const uint32_t*) override {}
  std::vector<RInputEvent> TakeEvents() override { return {}; }
  bool Displays() const override { return false; }
};

class SdlToolWindow final : public TToolWindow {
 public:
  ~SdlToolWindow() override {
    if (window_) {
      SDL_DelEventWatch(Watch, this);
      SDL_DestroyWindow(window_);
    }
  }

  void Show(const std::string& caption, int left, int top, int width, int height) override {
    if (!window_) {
      // A plain software surface: no GL context beside the game window's.
      SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
      window_ = SDL_CreateWindow(caption.c_str(), left, top, width, height,
                                 SDL_WINDOW_HIDDEN | SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_UTILITY);
      if (!window_) return;
      id_ = SDL_GetWindowID(window_);
      // The watch sees every event as it is queued, before the application hands it to the
      // game, which leaves events of other windows alone.
      SDL_AddEventWatch(Watch, this);
    }
    SDL_ShowWindow(window_);
  }

  void Hide() override {
    if (window_) SDL_HideWindow(window_);
  }

  void SetCaption(const std::string& caption) override {
    if (window_) SDL_SetWindowTitle(window_, caption.c_str());
  }

  void Present(int width, int height, const uint32_t* argb) override {
    if (!window_ || width <= 0 || height <= 0 || !argb) return;
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    if (w != width || h != height) SDL_SetWindowSize(window_, width, height);
    if (CopyToWindowSurface(window_, width, height, argb)) SDL_UpdateWindowSurface(window_);
  }

  bool Displays() const override { return true; }

  std::vector<RInputEvent> TakeEvents() override {
    std::vector<RInputEvent> out;
    out.swap(events_);
    return out;
  }

 private:
  static int Watch(void* self, SDL_Event* event) {
    auto* w = static_cast<SdlToolWindow*>(self);
    // Events of every window share the id's place; those of no window (quit) are not ours.
    if (event->type == SDL_QUIT || event->window.windowID != w->id_) return 0;
    // A bound keeps a window nobody serves from growing without end.
    if (w->events_.size() < 4096) TranslateInputEvent(*event, w->id_, w->events_);
    return 0;
  }

  SDL_Window* window_ = nullptr;
  uint32_t id_ = 0;
  std::vector<RInputEvent> events_;
};

}  // namespace

std::unique_ptr<TToolWindow> MakeToolWindow() {
  if (CurrentVideoBackend() == VideoBackend::Sdl) return std::make_unique<SdlToolWindow>();
  return std::make_unique<HeadlessToolWindow>();
}

}  // namespace platform
