// What the loading window shows: pictures placed, stretched or clipped; the default bar; the
// transparent colour.
#include <gtest/gtest.h>

#include <memory>

#include "runner/shell/Load_Form.h"

namespace {
constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

std::shared_ptr<const TBitmap32> Strip(std::initializer_list<uint32_t> colours) {
  auto b = std::make_shared<TBitmap32>(static_cast<int32_t>(colours.size()), 1);
  int32_t x = 0;
  for (uint32_t c : colours) b->SetPixel(x++, 0, c);
  return b;
}

TLoadForm Form() {
  TLoadForm f;
  f.visible = true;
  f.window = {0, 0, 100, 40};
  f.LoadEmptyShape = {nullptr, {24, 8, 52, 16}, true, true};
  f.LoadFullShape = {nullptr, {24, 8, 26, 16}, true, false};
  return f;
}
}  // namespace

TEST(LoadFormContent, DefaultBarFillsItsShareOfTheBack) {
  const TBitmap32 c = ComposeLoadForm(Form());
  ASSERT_EQ(c.Width(), 100);
  ASSERT_EQ(c.Height(), 40);
  const uint32_t fill = c.GetPixel(30, 15), back = c.GetPixel(60, 15), form = c.GetPixel(5, 5);
  EXPECT_NE(fill, back);
  EXPECT_NE(back, form);
  EXPECT_EQ(c.GetPixel(49, 15), fill) << "last filled column";
  EXPECT_EQ(c.GetPixel(50, 15), back) << "first empty column";
  EXPECT_EQ(c.GetPixel(24, 30), form) << "below the bar";
}

TEST(LoadFormContent, PicturesAreStretchedOrClipped) {
  TLoadForm f = Form();
  f.LoadImage = {Strip({kBlue, kBlue, kBlue}), {0, 0, 3, 1}, true, false};
  f.LoadEmptyShape.picture = Strip({kRed, kGreen});
  f.LoadFullShape.picture = Strip({kBlue, kRed});
  const TBitmap32 c = ComposeLoadForm(f);
  EXPECT_EQ(c.GetPixel(2, 0), kBlue) << "loading image at its size";
  EXPECT_NE(c.GetPixel(3, 0), kBlue);
  EXPECT_EQ(c.GetPixel(30, 10), kRed) << "back stretched: left half of its width is the first pixel";
  EXPECT_EQ(c.GetPixel(75, 23), kGreen);
  EXPECT_EQ(c.GetPixel(24, 8), kBlue) << "front not stretched: drawn at its size";
  EXPECT_EQ(c.GetPixel(25, 8), kRed);
  EXPECT_EQ(c.GetPixel(26, 8), kRed) << "beyond the front picture the back shows";
  EXPECT_EQ(c.GetPixel(24, 9), kRed) << "second row of the back, the front is one pixel high";

  f.LoadFullShape.stretch = true;
  const TBitmap32 s = ComposeLoadForm(f);
  EXPECT_EQ(s.GetPixel(36, 20), kBlue);
  EXPECT_EQ(s.GetPixel(37, 20), kRed);
}

TEST(LoadFormContent, TransparentColourGetsNoAlpha) {
  TLoadForm f = Form();
  f.LoadImage = {Strip({kGreen, kRed}), {0, 0, 2, 1}, true, false};
  f.transparentColorOn = true;
  f.transparentColor = kGreen;
  const TBitmap32 c = ComposeLoadForm(f);
  EXPECT_EQ(c.GetPixel(0, 0), kGreen & 0x00FFFFFFu);
  EXPECT_EQ(c.GetPixel(1, 0), kRed);
}
