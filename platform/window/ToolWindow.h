// A plain secondary window beside the game window (the debug window and its text windows, the
// splash window): it shows a picture the runner paints and hands back its own mouse, key and
// close events. Kept apart from TWindow so the game window's present path stays untouched.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/events/InputEvents.h"

namespace platform {

// How a window looks: a frame with a caption (false: none), above the other windows, covering
// the whole screen without a frame, whether the mouse cursor shows while over it, and whether
// the player can resize its frame (only with a frame).
struct RToolWindowLook {
  bool border = true;
  bool onTop = true;
  bool fullScreen = false;
  bool cursor = true;
  bool resizable = false;
  bool operator==(const RToolWindowLook&) const = default;
};

class TToolWindow {
 public:
  virtual ~TToolWindow() = default;
  // The native window appears on the first show, at (left, top) with the given client size.
  virtual void Show(const std::string& caption, int left, int top, int width, int height) = 0;
  virtual void Hide() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // Windows made afresh for each use (the splash window) set their look and place before Show.
  virtual void SetLook(const RToolWindowLook& look) = 0;
  virtual void Move(int left, int top) = 0;
  // width × height pixels 0xAARRGGBB, top row first; the window takes that client size, except
  // a resizable one, which keeps the size the player gave it (Show sets its size).
  virtual void Present(int width, int height, const uint32_t* argb) = 0;
  // The client size the window has now; false when there is no native window to ask.
  virtual bool ClientSize(int& width, int& height) const = 0;
  // The events that came for this window since the last call, positions in its client area.
  virtual std::vector<RInputEvent> TakeEvents() = 0;
  // Whether anything is shown at all: without, painting the picture can be skipped.
  virtual bool Displays() const = 0;
};

// SDL when SDL video runs, else a window that only exists as state and never has events.
std::unique_ptr<TToolWindow> MakeToolWindow();

}  // namespace platform
