// The tool window's two backends: SDL (a software surface, on top unless told otherwise, events
// caught by an event watch on its own window id) and headless.
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
  void SetLook(const RToolWindowLook&) override {}
  void Move(int, int) override {}
  void Present(int, int, const uint32_t*) override {}
  bool ClientSize(int&, int&) const override { return false; }
  std::vector<RInputEvent> TakeEvents() override { return {}; }
  bool Displays() const override { return false; }
};

class SdlToolWindow final : public TToolWindow {
 public:
  ~SdlToolWindow() override {
    RestoreCursor();
    if (window_) {
      SDL_DelEventWatch(Watch, this);
      SDL_DestroyWindow(window_);
    }
  }

  void Show(const std::string& caption, int left, int top, int width, int height) override {
    if (!window_) {
      // A plain software surface: no GL context beside the game window's.
      SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
      uint32_t flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_UTILITY;
      if (look_.onTop) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
      if (!look_.border || look_.fullScreen) flags |= SDL_WINDOW_BORDERLESS;
      if (Resizable()) flags |= SDL_WINDOW_RESIZABLE;
      window_ = SDL_CreateWindow(caption.c_str(), left, top, width, height, flags);
      if (!window_) return;
      if (look_.fullScreen) SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
      id_ = SDL_GetWindowID(window_);
      // The watch sees every event as it is queued, before the application hands it to the
      // game, which leaves events of other windows alone.
      SDL_AddEventWatch(Watch, this);
    } else if (Resizable()) {
      SDL_SetWindowSize(window_, width, height);
    }
    SDL_ShowWindow(window_);
  }

  void Hide() override {
    RestoreCursor();
    if (window_) SDL_HideWindow(window_);
  }

  void SetLook(const RToolWindowLook& look) override {
    look_ = look;
    if (look.cursor) RestoreCursor();
    if (!window_) return;
    SDL_SetWindowBordered(window_, look.border && !look.fullScreen ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowAlwaysOnTop(window_, look.onTop ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowFullscreen(window_, look.fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    SDL_SetWindowResizable(window_, Resizable() ? SDL_TRUE : SDL_FALSE);
  }

  void Move(int left, int top) override {
    if (window_) SDL_SetWindowPosition(window_, left, top);
  }

  void SetCaption(const std::string& caption) override {
    if (window_) SDL_SetWindowTitle(window_, caption.c_str());
  }

  void Present(int width, int height, const uint32_t* argb) override {
    if (!window_ || width <= 0 || height <= 0 || !argb) return;
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    // A full-screen window has the screen's size whatever the picture's, a resizable one the
    // size the player gave it.
    if (!look_.fullScreen && !Resizable() && (w != width || h != height)) SDL_SetWindowSize(window_, width, height);
    if (CopyToWindowSurface(window_, width, height, argb)) SDL_UpdateWindowSurface(window_);
  }

  bool Displays() const override { return true; }

  bool ClientSize(int& width, int& height) const override {
    if (!window_) return false;
    SDL_GetWindowSize(window_, &width, &height);
    return width > 0 && height > 0;
  }

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
    // SDL shows or hides the cursor for every window at once: hidden while the mouse is over
    // this one, it is given back as it was on the way out.
    if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_ENTER && !w->look_.cursor &&
        !w->hidCursor_) {
      w->cursorBefore_ = SDL_ShowCursor(SDL_QUERY);
      w->hidCursor_ = true;
      SDL_ShowCursor(SDL_DISABLE);
    }
    if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_LEAVE) w->RestoreCursor();
    // A bound keeps a window nobody serves from growing without end.
    if (w->events_.size() < 4096) TranslateInputEvent(*event, w->id_, w->events_);
    return 0;
  }

  bool Resizable() const { return look_.resizable && look_.border && !look_.fullScreen; }

  void RestoreCursor() {
    if (hidCursor_) SDL_ShowCursor(cursorBefore_);
    hidCursor_ = false;
  }

  SDL_Window* window_ = nullptr;
  uint32_t id_ = 0;
  RToolWindowLook look_;
  bool hidCursor_ = false;
  int cursorBefore_ = SDL_ENABLE;
  std::vector<RInputEvent> events_;
};

}  // namespace

std::unique_ptr<TToolWindow> MakeToolWindow() {
  if (CurrentVideoBackend() == VideoBackend::Sdl) return std::make_unique<SdlToolWindow>();
  return std::make_unique<HeadlessToolWindow>();
}

}  // namespace platform
