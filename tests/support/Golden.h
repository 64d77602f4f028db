// Golden images for drawing tests: an offscreen display with a real device, and the comparison
// of a captured region with a committed PNG under an explicit per-channel tolerance.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "runner/base/BM32_Bitmap.h"

// A fixture whose tests draw through a real OpenGL device on the offscreen video driver, into a
// used area of width × height cleared to black. Tests are skipped when no device can be made.
class DrawingTest : public ::testing::Test {
 protected:
  explicit DrawingTest(int32_t width = 64, int32_t height = 48) : width_(width), height_(height) {}
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // The used area as a bitmap (alpha 255).
  TBitmap32 Capture() const;

  int32_t width_, height_;
};

// Compares image with tests/golden/NAME.png. Each channel may differ by at most tolerance. On a
// mismatch the actual image and a difference image (red where pixels differ) are written next to
// the test's output as NAME.actual.png and NAME.diff.png, and the assertion fails naming them.
// GOLDEN_UPDATE=1 in the environment writes the golden file instead.
::testing::AssertionResult MatchesGolden(const TBitmap32& image, const std::string& name, int tolerance = 0);
