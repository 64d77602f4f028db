// Golden-image comparison and the offscreen drawing fixture.
#include "tests/support/Golden.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/display/Display.h"
#include "platform/video/Video.h"
#include "runner/graphics/Graphics_D3D.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Window.h"

namespace fs = std::filesystem;

void DrawingTest::SetUpTestSuite() {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  platform::InitVideo();
}

void DrawingTest::SetUp() {
  platform::SetFakeDisplay(platform::DisplayMode{width_, height_, 32, 60}, {{width_, height_, 32, 60}});
  if (platform::CurrentVideoBackend() != platform::VideoBackend::Sdl) GTEST_SKIP() << "no SDL video";
  ASSERT_TRUE(Display_CreateDevice(width_, height_, false));
  std::vector<uint32_t> px;
  D3DDevice()->Clear(platform::gpu::ClearTarget, 0xFF010203, 1.0f, 0);
  if (!D3DDevice()->ReadPixels(platform::gpu::kBackBuffer, {0, 0, 1, 1}, px) || (px[0] & 0xFFFFFF) != 0x010203)
    GTEST_SKIP() << "no OpenGL device";
  D3DDevice()->Clear(platform::gpu::ClearTarget | platform::gpu::ClearZBuffer, 0xFF000000, 1.0f, 0);
  Display_SetUsedArea(width_, height_);
  Display_SetViewport(0, 0, width_, height_);
  Display_Set2DProjection(0, 0, width_, height_, 0);
}

void DrawingTest::TearDown() {
  Display_ReleaseDevice();
  platform::SetFakeDisplay(std::nullopt);
}

TBitmap32 DrawingTest::Capture() const {
  TBitmap32 out;
  Display_Capture(0, 0, width_, height_, out);
  return out;
}

namespace {

int Channel(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }

}  // namespace

::testing::AssertionResult MatchesGolden(const TBitmap32& image, const std::string& name, int tolerance) {
  const fs::path golden = fs::path(TEST_SOURCE_DIR) / "tests" / "golden" / (name + ".png");
  const char* update = std::getenv("GOLDEN_UPDATE");
  if (update && std::string(update) == "1") {
    fs::create_directories(golden.parent_path());
    if (!image.SaveToImageFile(golden.string())) return ::testing::AssertionFailure() << "cannot write " << golden;
    return ::testing::AssertionSuccess();
  }
  TBitmap32 expected;
  if (!expected.LoadFromImageFile(golden.string()))
    return ::testing::AssertionFailure() << "no golden image " << golden << " (GOLDEN_UPDATE=1 writes it)";

  const fs::path out = fs::path(TEST_BINARY_DIR) / "golden-out";
  std::ostringstream why;
  bool same = expected.Width() == image.Width() && expected.Height() == image.Height();
  if (!same) {
    why << "size " << image.Width() << "x" << image.Height() << ", golden " << expected.Width() << "x"
        << expected.Height();
  } else {
    TBitmap32 diff(image.Width(), image.Height(), 0xFF000000);
    int64_t bad = 0;
    int worst = 0;
    for (int32_t y = 0; y < image.Height(); ++y)
      for (int32_t x = 0; x < image.Width(); ++x) {
        const uint32_t a = image.GetPixel(x, y), b = expected.GetPixel(x, y);
        int d = 0;
        for (int shift : {0, 8, 16, 24}) d = std::max(d, std::abs(Channel(a, shift) - Channel(b, shift)));
        if (d > tolerance) {
          ++bad;
          diff.SetPixel(x, y, 0xFFFF0000);
          if (bad == 1) why << "first difference at (" << x << ", " << y << "): 0x" << std::hex << a << " vs 0x" << b << std::dec;
        }
        worst = std::max(worst, d);
      }
    same = bad == 0;
    if (!same) {
      why << "; " << bad << " pixels differ by more than " << tolerance << " (worst " << worst << ")";
      fs::create_directories(out);
      diff.SaveToImageFile((out / (name + ".diff.png")).string());
    }
  }
  if (same) return ::testing::AssertionSuccess();
  fs::create_directories(out);
  image.SaveToImageFile((out / (name + ".actual.png")).string());
  return ::testing::AssertionFailure() << name << ": " << why.str() << "; see " << (out / (name + ".actual.png"));
}
