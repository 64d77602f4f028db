// The golden-image comparison itself: a drawn image matches its committed picture, and a
// different one fails and leaves the actual and difference images behind.
#include "tests/support/Golden.h"

#include <cstdlib>
#include <filesystem>

#include "runner/graphics/Graphics_Texture.h"

namespace {

class GoldenTest : public DrawingTest {
 protected:
  GoldenTest() : DrawingTest(8, 4) {}
};

TEST_F(GoldenTest, DrawnQuadMatchesAndAChangeIsCaught) {
  TBitmap32 bm(2, 2, 0xFFFF8000);
  const int32_t id = Texture_FromBitmap(&bm);
  Texture_Draw(id, 3, 1);
  const TBitmap32 shot = Capture();
  EXPECT_TRUE(MatchesGolden(shot, "golden_quad"));
  if (std::getenv("GOLDEN_UPDATE")) return;  // the checks below would overwrite it

  TBitmap32 changed = shot;
  changed.SetPixel(0, 0, 0xFF101010);
  EXPECT_TRUE(MatchesGolden(changed, "golden_quad", 16));  // within the tolerance
  EXPECT_FALSE(MatchesGolden(changed, "golden_quad", 15));
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(TEST_BINARY_DIR) / "golden-out" / "golden_quad.diff.png"));
  Texture_Free(id);
}

}  // namespace
