// The information window's scroll bar: the wheel, the keys and the mouse on arrows, track and
// thumb move the text, never past either end, and a bar with all the text visible has no thumb.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runner/dialogs/Dialog_Scroll.h"

namespace {

using platform::EInput;
using platform::RInputEvent;

// An event with the mouse position relative to the bar.
struct RAct {
  RInputEvent e;
  int32_t x = 0, y = 0;
};

RAct Key(int32_t vk) { return {{EInput::KeyDown, vk, 0}}; }
RAct Down(int32_t y) { return {{EInput::MouseDown, 1, 0}, 5, y}; }
RAct Move(int32_t y) { return {{EInput::MouseMove, 0, 0}, 5, y}; }
RAct Up(int32_t y) { return {{EInput::MouseUp, 1, 0}, 5, y}; }
const RAct kWheelUp{{EInput::WheelUp, 0, 0}}, kWheelDown{{EInput::WheelDown, 0, 0}};

TEST(ScrollBar, MovesTheTextWithinItsEnds) {
  // 1000 pixels of text, 200 shown, a bar 216 high: a track of 184, a thumb of 36, at most 800.
  struct Case {
    std::string name;
    std::vector<RAct> acts;
    int32_t position;
  } cases[] = {
      {"wheel down a notch", {kWheelDown}, 48},
      {"wheel down and up", {kWheelDown, kWheelDown, kWheelUp}, 48},
      {"wheel far down stops at the end", std::vector<RAct>(30, kWheelDown), 800},
      {"wheel up at the top stays", {kWheelUp}, 0},
      {"down key", {Key(40)}, 16},
      {"page down, page down, up key", {Key(34), Key(34), Key(38)}, 384},
      {"end, then home", {Key(35), Key(36)}, 0},
      {"end", {Key(35)}, 800},
      {"bottom arrow twice", {Down(210), Up(210), Down(210), Up(210)}, 32},
      {"top arrow at the top", {Down(3)}, 0},
      {"track below the thumb pages", {Down(100), Up(100)}, 200},
      {"track above the thumb pages back", {Key(35), Down(30), Up(30)}, 600},
      // The thumb spans 16..52; the track leaves it 148 pixels of travel for 800 of text.
      {"thumb dragged half way", {Down(20), Move(94), Up(94)}, 400},
      {"thumb dragged past the end", {Down(20), Move(400), Up(400)}, 800},
      {"moving after the release does nothing", {Down(20), Up(20), Move(150)}, 0},
  };
  for (const Case& c : cases) {
    dialog::TScrollBar bar;
    bar.Measure(1000, 200, 216);
    for (const RAct& a : c.acts) bar.Input(a.e, a.x, a.y);
    EXPECT_EQ(bar.Position(), c.position) << c.name;
    EXPECT_GE(bar.ThumbTop(), dialog::TScrollBar::kWidth) << c.name;
    EXPECT_LE(bar.ThumbTop() + bar.ThumbLength(), 216 - dialog::TScrollBar::kWidth) << c.name;
  }
}

TEST(ScrollBar, TakesOnlyItsOwnInput) {
  dialog::TScrollBar bar;
  bar.Measure(1000, 200, 216);
  EXPECT_FALSE(bar.Input({EInput::KeyDown, 65, 0}, 0, 0));             // a letter
  EXPECT_FALSE(bar.Input({EInput::MouseDown, 1, 0}, -1, 100));         // left of the bar
  EXPECT_FALSE(bar.Input({EInput::MouseDown, 2, 0}, 5, 100));          // the right button
  EXPECT_FALSE(bar.Input({EInput::MouseMove, 0, 0}, 5, 100));          // no thumb held
  EXPECT_TRUE(bar.Input({EInput::KeyDown, 40, 0}, -50, -50));           // keys work anywhere
  EXPECT_EQ(bar.Position(), 16);
}

TEST(ScrollBar, FittingTextHasNoThumbAndShrinkingTextClampsThePosition) {
  dialog::TScrollBar bar;
  bar.Measure(100, 200, 216);
  EXPECT_EQ(bar.ThumbLength(), 0);
  bar.Input(kWheelDown.e, 0, 0);
  bar.Input({EInput::MouseDown, 1, 0}, 5, 100);
  EXPECT_EQ(bar.Position(), 0);
  // Text replaced by a shorter one while scrolled to the end: the end moves up with it.
  bar.Measure(1000, 200, 216);
  bar.Input(Key(35).e, 0, 0);
  bar.Measure(500, 200, 216);
  EXPECT_EQ(bar.Position(), 300);
  // A huge text keeps a thumb of the shortest length, inside the track.
  bar.Measure(2000000000, 200, 216);
  EXPECT_EQ(bar.ThumbLength(), dialog::TScrollBar::kMinThumb);
  // A bar too short for its arrows has no track and no thumb, and survives every input.
  bar.Measure(1000, 5, 10);
  bar.Input({EInput::MouseDown, 1, 0}, 5, 5);
  EXPECT_EQ(bar.ThumbLength(), 0);
}

}  // namespace
