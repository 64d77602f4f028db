// The text box's scroll bar.
#include "runner/dialogs/Dialog_Scroll.h"

#include <algorithm>

#include "runner/dialogs/Dialog_Paint.h"

namespace dialog {
namespace {
constexpr int32_t kPageUp = 33, kPageDown = 34, kEnd = 35, kHome = 36, kUp = 38, kDown = 40;
}  // namespace

void TScrollBar::Measure(int32_t content, int32_t view, int32_t height) {
  content_ = std::max(0, content);
  view_ = std::max(1, view);
  height_ = std::max(0, height);
  ScrollTo(position_);
}

int32_t TScrollBar::MaxPosition() const { return std::max(0, content_ - view_); }

void TScrollBar::ScrollTo(int32_t position) { position_ = std::clamp(position, 0, MaxPosition()); }

int32_t TScrollBar::Track() const { return std::max(0, height_ - 2 * kWidth); }

int32_t TScrollBar::ThumbLength() const {
  if (MaxPosition() == 0) return 0;
  // The thumb stands for the visible part of the whole; 64-bit so huge texts cannot overflow.
  const auto share = static_cast<int32_t>(int64_t{Track()} * view_ / std::max(1, content_));
  return std::min(Track(), std::max(kMinThumb, share));
}

int32_t TScrollBar::ThumbTop() const {
  const int32_t room = Track() - ThumbLength();
  const int32_t max = MaxPosition();
  return kWidth + (max > 0 ? static_cast<int32_t>(int64_t{room} * position_ / max) : 0);
}

bool TScrollBar::Input(const platform::RInputEvent& e, int32_t x, int32_t y) {
  using platform::EInput;
  switch (e.kind) {
    case EInput::WheelUp: ScrollTo(position_ - kWheel); return true;
    case EInput::WheelDown: ScrollTo(position_ + kWheel); return true;
    case EInput::KeyDown:
      switch (e.a) {
        case kUp: ScrollTo(position_ - kLine); return true;
        case kDown: ScrollTo(position_ + kLine); return true;
        case kPageUp: ScrollTo(position_ - view_); return true;
        case kPageDown: ScrollTo(position_ + view_); return true;
        case kHome: ScrollTo(0); return true;
        case kEnd: ScrollTo(MaxPosition()); return true;
        default: return false;
      }
    case EInput::MouseMove: {
      if (dragFrom_ < 0) return false;
      const int32_t room = Track() - ThumbLength();
      if (room > 0) ScrollTo(dragPosition_ + static_cast<int32_t>(int64_t{y - dragFrom_} * MaxPosition() / room));
      return true;
    }
    case EInput::MouseUp: {
      const bool held = dragFrom_ >= 0;
      dragFrom_ = -1;
      return held;
    }
    case EInput::MouseDown:
      if (e.a != 1 || x < 0 || x >= kWidth || y < 0 || y >= height_) return false;
      if (y < kWidth) {
        ScrollTo(position_ - kLine);
      } else if (y >= height_ - kWidth) {
        ScrollTo(position_ + kLine);
      } else if (ThumbLength() > 0 && y < ThumbTop()) {
        ScrollTo(position_ - view_);
      } else if (ThumbLength() > 0 && y >= ThumbTop() + ThumbLength()) {
        ScrollTo(position_ + view_);
      } else if (ThumbLength() > 0) {
        dragFrom_ = y;
        dragPosition_ = position_;
      }
      return true;
    default: return false;
  }
}

void TScrollBar::Paint(TBitmap32& bm, int32_t left, int32_t top) const {
  const uint32_t face = Pixel(0xF0F0F0), edge = Pixel(0xA0A0A0);
  // Arrows grey out while there is nothing to scroll.
  const uint32_t arrow = Pixel(MaxPosition() > 0 ? 0x000000 : 0xA0A0A0);
  FillBox(bm, left, top, kWidth, height_, Pixel(0xE6E6E6));
  for (const int32_t y : {top, top + height_ - kWidth}) {
    FillBox(bm, left, y, kWidth, kWidth, face);
    FrameBox(bm, left, y, kWidth, kWidth, edge);
  }
  // Triangles four rows high, pointing away from the track.
  for (int32_t k = 0; k < 4; ++k) {
    FillBox(bm, left + kWidth / 2 - k, top + 6 + k, 2 * k + 1, 1, arrow);
    FillBox(bm, left + kWidth / 2 - k, top + height_ - 7 - k, 2 * k + 1, 1, arrow);
  }
  if (ThumbLength() == 0) return;
  FillBox(bm, left + 1, top + ThumbTop(), kWidth - 2, ThumbLength(), Pixel(0xC0C0C0));
  FrameBox(bm, left + 1, top + ThumbTop(), kWidth - 2, ThumbLength(), edge);
}

}  // namespace dialog
