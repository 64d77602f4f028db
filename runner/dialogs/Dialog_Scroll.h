// The vertical scroll bar of a runner-drawn text box (the game information window): where its
// thumb is, how it is drawn, and what the wheel, the keys and the mouse on the bar do to the
// scroll position. Positions are pixels of the text scrolled above the box.
#pragma once

#include <cstdint>

#include "platform/events/InputEvents.h"
#include "runner/base/BM32_Bitmap.h"

namespace dialog {

class TScrollBar {
 public:
  // Its width, the height of each arrow button, the shortest thumb, and how far a line (an
  // arrow, a cursor key) and a wheel notch move the text.
  static constexpr int32_t kWidth = 16, kMinThumb = 8, kLine = 16, kWheel = 3 * kLine;

  // The height of the whole text, of the part the box shows, and of the bar itself; a position
  // past the new end goes back to it.
  void Measure(int32_t content, int32_t view, int32_t height);
  int32_t Position() const { return position_; }
  int32_t MaxPosition() const;
  void ScrollTo(int32_t position);
  // Where the thumb is on the bar; its length 0 while all the text fits.
  int32_t ThumbTop() const;
  int32_t ThumbLength() const;
  // The wheel, Up, Down, Page Up, Page Down, Home and End anywhere in the window, and the mouse
  // on the bar: arrows, the track (a page) and the thumb, dragged. x and y are the mouse position
  // relative to the bar's top-left corner. True when the event was the bar's.
  bool Input(const platform::RInputEvent& e, int32_t x, int32_t y);
  void Paint(TBitmap32& bm, int32_t left, int32_t top) const;

 private:
  int32_t Track() const;
  int32_t content_ = 0, view_ = 1, height_ = 0, position_ = 0;
  int32_t dragFrom_ = -1;  // the mouse's y where the thumb was taken; -1 while not dragging
  int32_t dragPosition_ = 0;
};

}  // namespace dialog
