// A top-level window of the runner: the state the shell and later subsystems set (caption,
// bounds, visibility), kept here and mirrored by a backend (SDL or headless).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct SDL_Window;

namespace platform {

struct WindowBounds {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const WindowBounds&) const = default;
};

// The system's mouse cursor shapes a window can show.
enum class ECursor { Hidden, Arrow, Cross, IBeam, SizeNESW, SizeNS, SizeNWSE, SizeWE, Wait, No, WaitArrow, Hand, SizeAll };

// How a window fills the screen: not at all, over the desktop as it is, or in a display mode
// of its own (size and refresh rate).
struct FullScreen {
  enum EKind { Off, Desktop, Mode } kind = Off;
  int width = 0, height = 0, frequency = 0;
};

// What a backend must do for one window. The native window is created lazily, on the first
// show, so windows that never appear cost nothing.
class IWindowBackend {
 public:
  virtual ~IWindowBackend() = default;
  virtual void Show(const std::string& caption, const WindowBounds& bounds, bool bordered) = 0;
  virtual void Hide() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetBounds(const WindowBounds& bounds) = 0;
  virtual uint32_t NativeId() const = 0;      // 0 while there is no native window
  virtual SDL_Window* NativeHandle() const = 0;  // null while there is none
  // Shows width x height pixels (0xAARRGGBB, top row first) as the window's content, for
  // windows the runner paints itself (the loading window); opacity 0..255.
  virtual void Present(int width, int height, const uint32_t* argb, int opacity) = 0;
  // False when nothing the window shows can be seen (no window system behind it).
  virtual bool ShowsPixels() const { return true; }
  // The graphics device draws the window's content (a native window for OpenGL); the native
  // window, if it exists already, is made anew in that kind.
  virtual void SetDeviceDrawn(bool on) { (void)on; }

  // What a game asks of its window. Without a native window these do nothing; the state the
  // runner keeps is applied again when it matters.
  virtual void SetBordered(bool bordered) { (void)bordered; }
  virtual void SetResizable(bool resizable) { (void)resizable; }
  virtual void SetAlwaysOnTop(bool on) { (void)on; }
  virtual void SetMinimumSize(int width, int height) { (void)width, (void)height; }
  virtual void SetFullScreen(const FullScreen& mode) { (void)mode; }
  virtual void SetCursor(ECursor cursor) { (void)cursor; }
  // Moves the mouse to a client-area position.
  virtual void WarpMouse(int x, int y) { (void)x, (void)y; }
  // Where the window system has the client area now; false without a native window.
  virtual bool NativeBounds(WindowBounds& bounds) const { (void)bounds; return false; }
};

class TWindow {
 public:
  TWindow(std::string name, std::unique_ptr<IWindowBackend> backend);
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  // The class name the window was created as ("TRunnerForm", "TDebugForm"...).
  const std::string& Name() const { return name_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  const WindowBounds& Bounds() const { return bounds_; }
  void SetBounds(const WindowBounds& bounds);
  bool Visible() const { return visible_; }
  void Show();
  void Hide();
  void SetVisible(bool visible) { visible ? Show() : Hide(); }
  bool Bordered() const { return bordered_; }
  void SetBordered(bool bordered) {
    bordered_ = bordered;
    backend_->SetBordered(bordered);
  }
  void SetResizable(bool resizable) { backend_->SetResizable(resizable); }
  void SetAlwaysOnTop(bool on) { backend_->SetAlwaysOnTop(on); }
  void SetMinimumSize(int width, int height) { backend_->SetMinimumSize(width, height); }
  void SetFullScreen(const FullScreen& mode) { backend_->SetFullScreen(mode); }
  void SetCursor(ECursor cursor) { backend_->SetCursor(cursor); }
  void WarpMouse(int x, int y) { backend_->WarpMouse(x, y); }
  bool NativeBounds(WindowBounds& bounds) const { return backend_->NativeBounds(bounds); }

  // Called once by the application right after the window is created.
  virtual void FormCreate() {}
  // The user asked to close the window; the default asks nothing and hides it.
  virtual void CloseRequested() { Hide(); }

  void Present(int width, int height, const uint32_t* argb, int opacity = 255) {
    backend_->Present(width, height, argb, opacity);
  }

  bool ShowsPixels() const { return backend_->ShowsPixels(); }
  void SetDeviceDrawn(bool on) { backend_->SetDeviceDrawn(on); }

  uint32_t NativeId() const { return backend_->NativeId(); }
  SDL_Window* NativeHandle() const { return backend_->NativeHandle(); }
  // The window system's own handle (an X11 window id, a Wayland surface's address); 0 while
  // there is no native window or no window system behind it.
  uint64_t SystemHandle() const;

 private:
  std::string name_;
  std::unique_ptr<IWindowBackend> backend_;
  std::string caption_;
  WindowBounds bounds_;
  bool visible_ = false;
  bool bordered_ = true;
};

}  // namespace platform
