// The shapes on a real device: which pixels each one lights (edges, last pixels of lines, circle
// precision), golden pictures of every family, the blend modes and alpha.
#include "runner/graphics/Graphics_Draw.h"

#include <cmath>
#include <cstdlib>
#include <functional>

#include "runner/base/BM32_Bitmap.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Texture.h"
#include "tests/support/Golden.h"

namespace {

constexpr int32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF, kYellow = 0x00FFFF;

class DrawTest : public DrawingTest {};

// The lit pixels of a picture: their bounding box and count.
struct Lit {
  int32_t left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
  bool operator==(const Lit&) const = default;
};
Lit LitPixels(const TBitmap32& bm) {
  Lit l;
  for (int32_t y = 0; y < bm.Height(); ++y)
    for (int32_t x = 0; x < bm.Width(); ++x)
      if (bm.GetPixel(x, y) & 0xFFFFFF) {
        l.left = std::min(l.left, x), l.top = std::min(l.top, y);
        l.right = std::max(l.right, x), l.bottom = std::max(l.bottom, y);
        ++l.count;
      }
  return l;
}
std::ostream& operator<<(std::ostream& os, const Lit& l) {
  return os << "(" << l.left << "," << l.top << ")-(" << l.right << "," << l.bottom << ") count " << l.count;
}

void Rect(double x1, double y1, double x2, double y2, bool outline) {
  Draw_Rectangle(x1, y1, x2, y2, kWhite, kWhite, kWhite, kWhite, outline);
}

TEST_F(DrawTest, ShapesLightExactlyTheirPixels) {
  const struct {
    const char* name;
    std::function<void()> draw;
    Lit lit;
  } cases[] = {
      {"point", [] { Draw_Point(30, 40); }, {30, 40, 30, 40, 1}},
      {"coloured point", [] { Draw_PointColor(30, 40, kWhite); }, {30, 40, 30, 40, 1}},
      {"horizontal line ends on its last pixel", [] { Draw_Line(4, 20, 14, 20, kWhite, kWhite); }, {4, 20, 14, 20, 11}},
      {"vertical line", [] { Draw_Line(4, 4, 4, 12, kWhite, kWhite); }, {4, 4, 4, 12, 9}},
      {"outline rectangle covers both far edges", [] { Rect(0, 0, 10, 10, true); }, {0, 0, 10, 10, 40}},
      {"filled rectangle", [] { Rect(2, 2, 10, 10, false); }, {2, 2, 10, 10, 81}},
      {"filled rectangle given backwards", [] { Rect(10, 10, 2, 2, false); }, {2, 2, 10, 10, 81}},
      {"fractional rectangle is not shifted", [] { Rect(2.5, 2.5, 10.5, 10.5, false); }, {3, 3, 10, 10, 64}},
      {"wide line", [] { Draw_LineWidth(4, 20, 14, 20, 4, kWhite, kWhite); }, {4, 18, 13, 21, 40}},
      {"zero-length wide line", [] { Draw_LineWidth(4, 20, 4, 20, 4, kWhite, kWhite); }, {}},
      {"zero-length arrow", [] { Draw_Arrow(9, 9, 9, 9, 4); }, {}},
  };
  Draw_SetColor(kWhite);
  for (const auto& c : cases) {
    Draw_Clear(0, 1);
    c.draw();
    EXPECT_EQ(LitPixels(Capture()), c.lit) << c.name;
  }
}

TEST_F(DrawTest, CirclePrecisionIsLimitedToMultiplesOfFour) {
  const struct { int32_t asked, got; } cases[] = {{7, 4}, {100, 64}, {-3, 4}, {30, 28}, {24, 24}};
  for (const auto& c : cases) {
    Draw_SetCirclePrecision(c.asked);
    EXPECT_EQ(Draw_CirclePrecision(), c.got) << c.asked;
  }
  // Precision 4 turns a circle into a diamond of half the square's area; 64 is nearly round.
  Draw_SetCirclePrecision(4);
  Draw_Ellipse(12, 12, 32, 32, kWhite, kWhite, false);
  const int32_t diamond = LitPixels(Capture()).count;
  Draw_Clear(0, 1);
  Draw_SetCirclePrecision(64);
  Draw_Ellipse(12, 12, 32, 32, kWhite, kWhite, false);
  const int32_t round = LitPixels(Capture()).count;
  EXPECT_NEAR(diamond, 200, 25);
  EXPECT_NEAR(round, 314, 25);
}

TEST_F(DrawTest, ShapeFamiliesMatchTheirPictures) {
  Draw_SetColor(kWhite);
  Rect(1, 1, 12, 8, true);
  Rect(15, 1, 26, 8, false);
  Draw_RoundRect(29, 1, 46, 12, kYellow, kYellow, true);
  Draw_RoundRect(48, 1, 62, 12, kGreen, kGreen, false);
  Draw_Triangle(1, 22, 12, 12, 12, 22, kRed, kRed, kRed, true);
  Draw_Triangle(15, 22, 26, 12, 26, 22, kRed, kRed, kRed, false);
  Draw_SetCirclePrecision(8);
  Draw_Ellipse(29, 14, 45, 24, kBlue, kBlue, true);
  Draw_SetCirclePrecision(24);
  Draw_Ellipse(48, 14, 62, 26, kBlue, kBlue, false);
  Draw_SetColor(kYellow);
  Draw_Arrow(2, 30, 20, 40, 8);
  Draw_SetColor(0x404040);
  Draw_Button(24, 28, 36, 40, true);
  Draw_Button(38, 28, 50, 40, false);
  Draw_Healthbar(52, 28, 62, 46, 75, 0x202020, kRed, kGreen, 3, true, true);
  Draw_Healthbar(2, 43, 30, 46, 30, 0x202020, kRed, kGreen, 0, true, false);
  EXPECT_TRUE(MatchesGolden(Capture(), "draw_shapes", 2));
}

TEST_F(DrawTest, ColourVariantsBlendAcrossTheirVertices) {
  Draw_Rectangle(1, 1, 20, 14, kRed, kGreen, kBlue, kWhite, false);
  Draw_Line(1, 18, 30, 18, kRed, kBlue);
  Draw_LineWidth(1, 24, 30, 24, 6, kGreen, kRed);
  Draw_Triangle(34, 1, 62, 1, 48, 20, kRed, kGreen, kBlue, false);
  Draw_Ellipse(34, 24, 62, 46, kWhite, kBlue, false);
  Draw_RoundRect(1, 30, 30, 46, kYellow, kRed, false);
  Draw_PointColor(24, 2, kYellow);
  EXPECT_TRUE(MatchesGolden(Capture(), "draw_gradients", 3));
}

TEST_F(DrawTest, PrimitivesDrawEachKindAndIgnoreExtraVertices) {
  Draw_PrimitiveBegin(6, -1);  // fan
  Draw_Vertex(10, 10, 0, 0, kWhite, 1);
  Draw_Vertex(2, 2, 0, 0, kRed, 1);
  Draw_Vertex(18, 2, 0, 0, kGreen, 1);
  Draw_Vertex(18, 18, 0, 0, kBlue, 1);
  Draw_PrimitiveEnd();
  Draw_PrimitiveBegin(3, -1);  // line strip
  Draw_Vertex(22, 2, 0, 0, kYellow, 1);
  Draw_Vertex(30, 18, 0, 0, kYellow, 1);
  Draw_Vertex(38, 2, 0, 0, kYellow, 1);
  Draw_PrimitiveEnd();
  Draw_PrimitiveBegin(1, -1);  // points
  for (int i = 0; i < 5; ++i) Draw_Vertex(42 + 2 * i, 4, 0, 0, kWhite, 1);
  Draw_PrimitiveEnd();
  Draw_PrimitiveBegin(7, -1);  // not a kind: nothing
  Draw_Vertex(42, 10, 0, 0, kWhite, 1);
  Draw_PrimitiveEnd();

  // A 2 × 2 texture stretched over a strip.
  TBitmap32 tex(2, 2, 0xFFFF0000);
  tex.SetPixel(1, 0, 0xFF00FF00);
  tex.SetPixel(0, 1, 0xFF0000FF);
  tex.SetPixel(1, 1, 0xFFFFFFFF);
  const int32_t id = Texture_FromBitmap(&tex);
  ASSERT_GE(id, 0);
  const double u = Texture_Width(id), v = Texture_Height(id);
  Draw_PrimitiveBegin(5, id);
  Draw_Vertex(1.5, 21.5, 0, 0, kWhite, 1);
  Draw_Vertex(17.5, 21.5, u, 0, kWhite, 1);
  Draw_Vertex(1.5, 37.5, 0, v, kWhite, 1);
  Draw_Vertex(17.5, 37.5, u, v, kWhite, 1);
  Draw_PrimitiveEnd();
  EXPECT_TRUE(MatchesGolden(Capture(), "draw_primitives", 2));
  Texture_Free(id);

  Draw_PrimitiveBegin(4, -1);
  for (int i = 0; i < kMaxPrimitiveVertices + 5; ++i) Draw_Vertex(i, 0, 0, 0, kWhite, 1);
  EXPECT_EQ(Draw_PrimitiveVertexCount(), kMaxPrimitiveVertices);
}

// One square of colour drawn with alpha over a cleared background; the pixel read back.
uint32_t Blended(int32_t background, int32_t col, double alpha) {
  Draw_Clear(background, 1);
  Draw_SetAlpha(alpha);
  Draw_Rectangle(2, 2, 6, 6, col, col, col, col, false);
  TBitmap32 bm;
  Display_Capture(4, 4, 1, 1, bm);
  return bm.GetPixel(0, 0) & 0xFFFFFF;
}

TEST_F(DrawTest, BlendModesAndAlphaCombineWithTheTarget) {
  // Background 0x203040 in game colour is r 0x40, g 0x30, b 0x20; pixels read back as 0xRRGGBB.
  const int32_t back = 0x203040;
  const struct {
    const char* name;
    std::function<void()> set;
    int32_t col;
    double alpha;
    uint32_t expected;
  } cases[] = {
      {"normal, opaque", [] { Display_SetBlendMode(0); }, kRed, 1, 0xFF0000},
      {"normal, half", [] { Display_SetBlendMode(0); }, kRed, 0.5, 0xA01810},
      {"additive", [] { Display_SetBlendMode(1); }, 0x102030, 1, 0x705030},
      {"additive saturates", [] { Display_SetBlendMode(1); }, kWhite, 1, 0xFFFFFF},
      {"mode 2 (source alpha, inverse source colour)", [] { Display_SetBlendMode(2); }, 0x808080, 1, 0xA09890},
      {"subtractive", [] { Display_SetBlendMode(3); }, 0x808080, 1, 0x201810},
      {"ext one, one", [] { Display_SetBlendFactors(2, 2); }, 0x010101, 0, 0x413121},
      {"ext dest colour, zero multiplies", [] { Display_SetBlendFactors(9, 1); }, 0x808080, 1, 0x201810},
      {"ext zero, one leaves the target", [] { Display_SetBlendFactors(1, 2); }, kWhite, 1, 0x403020},
  };
  for (const auto& c : cases) {
    c.set();
    const uint32_t got = Blended(back, c.col, c.alpha);
    for (int shift = 0; shift <= 16; shift += 8)
      EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((c.expected >> shift) & 0xFF), 1)
          << c.name << ": got " << std::hex << got;
  }
  Display_SetBlendMode(0);
}

TEST(DrawColour, AlphaThatIsNotANumberIsTransparent) { EXPECT_EQ(QuadColor(0xFF, std::nan("")), 0x00FF0000u); }

}  // namespace
