// Surfaces through the built-in functions on a real device: drawing into them and back, the
// drawing target's nesting, copying, reading, saving, sprites and backgrounds made from them,
// the errors for ids that name no surface, and what a device reset leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/functions/Function_Families.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Surface.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"
#include "tests/support/Golden.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr double kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF, kYellow = 0x00FFFF;
constexpr const char* kNoSurface = "Trying to use non-existing surface.";

std::vector<std::string> g_errors;
void KeepError(std::string_view message, bool) { g_errors.emplace_back(message); }

RValue Call(const char* name, std::vector<RValue> args) {
  int32_t id = -1;
  EXPECT_TRUE(FindBuiltinFunction(name, id)) << name;
  const RFunction* f = FunctionAt(id);
  if (!f) return RValue();
  EXPECT_EQ(f->f_argnumb, static_cast<int32_t>(args.size())) << name;
  args.resize(kMaxFunctionArgs);
  RValue result;
  f->f_routine(nullptr, nullptr, f->f_argnumb, args.data(), result);
  return result;
}
double N(const char* name, std::vector<RValue> args) { return Call(name, std::move(args)).val(); }
RValue S(const std::string& s) { return RValue(std::string_view(s)); }

// The lit (not black) pixels' bounding box, or all −1 when none is lit.
struct Box {
  int32_t left = -1, top = -1, right = -1, bottom = -1;
  bool operator==(const Box&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Box& b) {
  return os << "(" << b.left << "," << b.top << ")-(" << b.right << "," << b.bottom << ")";
}
Box LitBox(const TBitmap32& bm) {
  Box b;
  for (int32_t y = 0; y < bm.Height(); ++y)
    for (int32_t x = 0; x < bm.Width(); ++x)
      if (bm.GetPixel(x, y) & 0xFFFFFF) {
        if (b.left < 0 || x < b.left) b.left = x;
        if (b.top < 0 || y < b.top) b.top = y;
        b.right = std::max(b.right, x);
        b.bottom = std::max(b.bottom, y);
      }
  return b;
}

class SurfaceFunctions : public DrawingTest {
 protected:
  SurfaceFunctions() : DrawingTest(32, 32) {}
  void SetUp() override {
    DrawingTest::SetUp();
    if (IsSkipped()) return;
    InitFunctions(AllFunctionFamilies());
    room_.r_width = 32;
    room_.r_height = 32;
    SetCurrentRoom(&room_);
    SetErrorSink(KeepError);
    g_errors.clear();
    Call("texture_set_interpolation", {RValue(0.0)});
  }
  void TearDown() override {
    SetErrorSink(nullptr);
    SetCurrentRoom(nullptr);
    ClearSpritesAndBackgrounds();
    DrawingTest::TearDown();
  }
  // An 8 × 6 surface: blue, a red 3 × 2 block at the top left, a white pixel at (7, 5).
  double Marked() {
    const double s = N("surface_create", {RValue(8.0), RValue(6.0)});
    EXPECT_EQ(N("surface_set_target", {RValue(s)}), 1);
    Call("draw_clear", {RValue(kBlue)});
    Call("draw_set_color", {RValue(kRed)});
    Call("draw_rectangle", {RValue(0.0), RValue(0.0), RValue(2.0), RValue(1.0), RValue(0.0)});
    Call("draw_set_color", {RValue(kWhite)});
    Call("draw_point", {RValue(7.0), RValue(5.0)});
    EXPECT_EQ(N("surface_reset_target", {}), 1);
    return s;
  }
  CRoom room_;
};

TEST_F(SurfaceFunctions, DrawnIntoThenDrawnBackScaledTurnedBlendedAndFaded) {
  const double s = Marked();
  // Read back the right way up, red in the low byte.
  EXPECT_EQ(N("surface_getpixel", {RValue(s), RValue(0.0), RValue(0.0)}), kRed);
  EXPECT_EQ(N("surface_getpixel", {RValue(s), RValue(7.0), RValue(5.0)}), kWhite);
  EXPECT_EQ(N("surface_getpixel", {RValue(s), RValue(5.0), RValue(3.0)}), kBlue);
  EXPECT_EQ(N("surface_getpixel", {RValue(s), RValue(8.0), RValue(0.0)}), 0);
  EXPECT_EQ(N("surface_get_width", {RValue(s)}), 8);
  EXPECT_EQ(N("surface_get_height", {RValue(s)}), 6);

  Call("draw_clear", {RValue(0.0)});
  Call("draw_surface", {RValue(s), RValue(0.0), RValue(0.0)});
  Call("draw_surface_ext", {RValue(s), RValue(10.0), RValue(0.0), RValue(2.0), RValue(2.0), RValue(0.0),
                            RValue(kWhite), RValue(1.0)});
  Call("draw_surface_ext", {RValue(s), RValue(0.0), RValue(20.0), RValue(1.0), RValue(1.0), RValue(90.0),
                            RValue(kWhite), RValue(1.0)});
  Call("draw_surface_stretched_ext", {RValue(s), RValue(8.0), RValue(14.0), RValue(16.0), RValue(3.0),
                                      RValue(kYellow), RValue(0.5)});
  Call("draw_surface_part_ext", {RValue(s), RValue(2.0), RValue(1.0), RValue(4.0), RValue(3.0), RValue(26.0),
                                 RValue(0.0), RValue(1.0), RValue(2.0), RValue(kWhite), RValue(1.0)});
  Call("draw_set_blend_mode", {RValue(1.0)});  // additive
  Call("draw_surface", {RValue(s), RValue(18.0), RValue(20.0)});
  Call("draw_surface", {RValue(s), RValue(20.0), RValue(22.0)});
  Call("draw_set_blend_mode", {RValue(0.0)});
  Call("draw_surface_general", {RValue(s), RValue(0.0), RValue(0.0), RValue(8.0), RValue(6.0), RValue(8.0),
                                RValue(26.0), RValue(1.0), RValue(1.0), RValue(0.0), RValue(kRed), RValue(kRed),
                                RValue(kGreen), RValue(kGreen), RValue(1.0)});
  EXPECT_TRUE(MatchesGolden(Capture(), "surface_draw_back", 2));
  EXPECT_TRUE(g_errors.empty());
}

TEST_F(SurfaceFunctions, TargetsNestByResettingTheCurrentOne) {
  const double a = N("surface_create", {RValue(8.0), RValue(8.0)});
  const double b = N("surface_create", {RValue(4.0), RValue(4.0)});
  EXPECT_EQ(N("surface_reset_target", {}), 0);  // nothing to reset
  EXPECT_EQ(N("surface_set_target", {RValue(a)}), 1);
  Call("draw_clear", {RValue(kWhite)});
  EXPECT_EQ(N("surface_set_target", {RValue(a)}), 1);  // already the target
  EXPECT_EQ(N("surface_set_target", {RValue(b)}), 1);  // a is reset first
  Call("draw_clear", {RValue(kGreen)});
  EXPECT_EQ(Surface_Target(), static_cast<int32_t>(b));
  EXPECT_EQ(N("surface_set_target", {RValue(a)}), 1);
  Call("draw_set_color", {RValue(kRed)});
  Call("draw_rectangle", {RValue(2.0), RValue(2.0), RValue(5.0), RValue(5.0), RValue(0.0)});
  EXPECT_EQ(N("surface_reset_target", {}), 1);
  EXPECT_EQ(N("surface_reset_target", {}), 0);
  EXPECT_EQ(N("surface_set_target", {RValue(99.0)}), 0);

  // Freeing the target sends drawing back to the screen, over the whole used area.
  const double c = N("surface_create", {RValue(2.0), RValue(2.0)});
  EXPECT_EQ(N("surface_set_target", {RValue(c)}), 1);
  Call("surface_free", {RValue(c)});
  EXPECT_EQ(Surface_Target(), -1);
  Call("draw_clear", {RValue(0.0)});
  Call("draw_set_color", {RValue(kBlue)});
  Call("draw_rectangle", {RValue(0.0), RValue(24.0), RValue(31.0), RValue(31.0), RValue(0.0)});
  Call("draw_surface", {RValue(a), RValue(0.0), RValue(0.0)});
  Call("draw_surface", {RValue(b), RValue(12.0), RValue(2.0)});
  EXPECT_TRUE(MatchesGolden(Capture(), "surface_nested", 2));
  EXPECT_TRUE(g_errors.empty());
}

TEST_F(SurfaceFunctions, CopyPartClipsSourceThenDestination) {
  const struct {
    const char* name;
    double x, y, xs, ys, ws, hs;
    Box lit;
  } cases[] = {
      {"inside", 2, 3, 0, 0, 4, 4, {2, 3, 5, 6}},
      {"a negative source x moves the destination right", 1, 0, -5, 0, 8, 2, {6, 0, 7, 1}},
      {"a negative destination moves the source", -2, -1, 0, 0, 4, 4, {0, 0, 1, 2}},
      {"cut to the destination", 7, 7, 0, 0, 4, 4, {7, 7, 7, 7}},
      {"cut to the source", 0, 0, 2, 3, 10, 10, {0, 0, 1, 0}},
      {"outside", 8, 0, 0, 0, 4, 4, {}},
      {"empty", 0, 0, 0, 0, 0, 4, {}},
  };
  const double src = N("surface_create", {RValue(4.0), RValue(4.0)});
  const double dst = N("surface_create", {RValue(8.0), RValue(8.0)});
  Surface_SetTarget(static_cast<int32_t>(src));
  Call("draw_clear", {RValue(kRed)});
  for (const auto& c : cases) {
    Surface_SetTarget(static_cast<int32_t>(dst));
    Call("draw_clear", {RValue(0.0)});
    Surface_ResetTarget();
    Call("surface_copy_part", {RValue(dst), RValue(c.x), RValue(c.y), RValue(src), RValue(c.xs), RValue(c.ys),
                               RValue(c.ws), RValue(c.hs)});
    TBitmap32 bm;
    ASSERT_TRUE(Surface_Capture(static_cast<int32_t>(dst), 0, 0, 8, 8, bm));
    EXPECT_EQ(LitBox(bm), c.lit) << c.name;
  }
  Surface_SetTarget(static_cast<int32_t>(dst));
  Call("draw_clear", {RValue(0.0)});
  Surface_ResetTarget();
  Call("surface_copy", {RValue(dst), RValue(6.0), RValue(5.0), RValue(src)});
  TBitmap32 bm;
  ASSERT_TRUE(Surface_Capture(static_cast<int32_t>(dst), 0, 0, 8, 8, bm));
  EXPECT_EQ(LitBox(bm), (Box{6, 5, 7, 7}));
  EXPECT_TRUE(g_errors.empty());
}

TEST_F(SurfaceFunctions, SpritesAndBackgroundsTakeAPartWithItsAlpha) {
  const double s = Marked();
  Surface_SetTarget(static_cast<int32_t>(s));
  Call("draw_set_blend_mode_ext", {RValue(2.0), RValue(1.0)});  // source colour and alpha as they are
  Call("draw_set_alpha", {RValue(0.5)});
  Call("draw_set_color", {RValue(kGreen)});
  Call("draw_rectangle", {RValue(6.0), RValue(0.0), RValue(7.0), RValue(0.0), RValue(0.0)});
  Call("draw_set_alpha", {RValue(1.0)});
  Call("draw_set_blend_mode", {RValue(0.0)});
  Surface_ResetTarget();

  const double spr = N("sprite_create_from_surface", {RValue(s), RValue(1.0), RValue(0.0), RValue(7.0), RValue(3.0),
                                                      RValue(0.0), RValue(0.0), RValue(2.0), RValue(1.0)});
  ASSERT_GE(spr, 0);
  const CSprite* sprite = Sprites().Get(static_cast<int32_t>(spr));
  ASSERT_NE(sprite, nullptr);
  ASSERT_EQ(sprite->i_bitmap.size(), 1u);
  EXPECT_EQ(sprite->i_bitmap[0].Width(), 7);
  EXPECT_EQ(sprite->i_bitmap[0].Height(), 3);
  EXPECT_EQ(sprite->i_xorig, 2);
  EXPECT_EQ(sprite->i_bitmap[0].GetPixel(0, 0), 0xFFFF0000u);  // red, opaque
  EXPECT_NEAR(static_cast<double>(sprite->i_bitmap[0].GetPixel(5, 0) >> 24), 128, 1);  // the half-alpha green
  // A part reaching outside is cut to the surface.
  Call("sprite_add_from_surface", {RValue(spr), RValue(s), RValue(4.0), RValue(4.0), RValue(10.0), RValue(10.0),
                                   RValue(0.0), RValue(0.0)});
  EXPECT_EQ(sprite->i_numb, 2);
  const double bg = N("background_create_from_surface",
                      {RValue(s), RValue(0.0), RValue(0.0), RValue(8.0), RValue(6.0), RValue(0.0), RValue(0.0)});
  ASSERT_GE(bg, 0);
  EXPECT_EQ(Backgrounds().Get(static_cast<int32_t>(bg))->GetWidth(), 8);
  EXPECT_TRUE(g_errors.empty());

  Call("draw_clear", {RValue(0.0)});
  Call("draw_sprite", {RValue(spr), RValue(0.0), RValue(4.0), RValue(4.0)});
  Call("draw_sprite", {RValue(spr), RValue(1.0), RValue(14.0), RValue(4.0)});
  Call("draw_background", {RValue(bg), RValue(4.0), RValue(12.0)});
  EXPECT_TRUE(MatchesGolden(Capture(), "surface_sprites", 2));

  EXPECT_EQ(N("sprite_create_from_surface", {RValue(7.0), RValue(0.0), RValue(0.0), RValue(2.0), RValue(2.0),
                                             RValue(0.0), RValue(0.0), RValue(0.0), RValue(0.0)}),
            -1);
  Call("sprite_add_from_surface", {RValue(42.0), RValue(s), RValue(0.0), RValue(0.0), RValue(2.0), RValue(2.0),
                                   RValue(0.0), RValue(0.0)});
  EXPECT_EQ(g_errors, (std::vector<std::string>{kNoSurface, "Trying to add to non-existing sprite."}));
}

TEST_F(SurfaceFunctions, SavedAsPngWithAlphaOrAsBitmap) {
  TempFolder dir;
  const double s = Marked();
  Surface_SetTarget(static_cast<int32_t>(s));
  Call("draw_clear_alpha", {RValue(kGreen), RValue(0.0)});
  Call("draw_set_color", {RValue(kRed)});
  Call("draw_point", {RValue(1.0), RValue(1.0)});
  Surface_ResetTarget();
  const std::string png = (dir.path / "whole.PNG").string(), part = (dir.path / "part.png").string(),
                    bmp = (dir.path / "whole.bmp").string();
  Call("surface_save", {RValue(s), S(png)});
  Call("surface_save_part", {RValue(s), S(part), RValue(-3.0), RValue(1.0), RValue(2.0), RValue(100.0)});
  Call("surface_save", {RValue(s), S(bmp)});
  Call("surface_save", {RValue(s), S("")});
  TBitmap32 whole, cut;
  ASSERT_TRUE(whole.LoadFromImageFile(png));
  EXPECT_EQ(whole.Width(), 8);
  EXPECT_EQ(whole.Height(), 6);
  EXPECT_EQ(whole.GetPixel(0, 0), 0x0000FF00u);  // alpha kept: transparent green
  EXPECT_EQ(whole.GetPixel(1, 1), 0xFFFF0000u);
  ASSERT_TRUE(cut.LoadFromImageFile(part));
  EXPECT_EQ(cut.Width(), 2);   // x raised to 0
  EXPECT_EQ(cut.Height(), 5);  // cut to the surface
  EXPECT_EQ(cut.GetPixel(1, 0), 0xFFFF0000u);
  std::ifstream f(bmp, std::ios::binary);
  char magic[2] = {};
  f.read(magic, 2);
  EXPECT_EQ(std::string(magic, 2), "BM");
  EXPECT_EQ(g_errors, std::vector<std::string>{"Trying to save surface to empty image file name."});
}

TEST_F(SurfaceFunctions, IdsThatNameNoSurface) {
  const double s = N("surface_create", {RValue(4.0), RValue(4.0)});
  const RValue bad(s), other(N("surface_create", {RValue(2.0), RValue(2.0)}));
  Call("surface_free", {RValue(s)});
  Call("surface_free", {RValue(s)});  // twice: nothing
  const RValue z(0.0), one(1.0);
  // Answers without an error.
  const struct {
    const char* name;
    std::vector<RValue> args;
    double result;
  } quiet[] = {
      {"surface_exists", {bad}, 0},
      {"surface_exists", {other}, 1},
      {"surface_get_width", {bad}, -1},
      {"surface_get_height", {RValue(-1.0)}, -1},
      {"surface_get_texture", {bad}, -1},
      {"surface_set_target", {bad}, 0},
      {"surface_create", {z, one}, -1},
      {"surface_create", {RValue(1e9), one}, -1},
  };
  for (const auto& q : quiet) EXPECT_EQ(N(q.name, q.args), q.result) << q.name;
  EXPECT_TRUE(g_errors.empty());
  // Every other function reports, whether the bad id is the destination or the source.
  const std::vector<std::pair<const char*, std::vector<RValue>>> loud = {
      {"draw_surface", {bad, z, z}},
      {"draw_surface_ext", {bad, z, z, one, one, z, z, one}},
      {"draw_surface_stretched", {bad, z, z, one, one}},
      {"draw_surface_stretched_ext", {bad, z, z, one, one, z, one}},
      {"draw_surface_part", {bad, z, z, one, one, z, z}},
      {"draw_surface_part_ext", {bad, z, z, one, one, z, z, one, one, z, one}},
      {"draw_surface_general", {bad, z, z, one, one, z, z, one, one, z, z, z, z, z, one}},
      {"draw_surface_tiled", {bad, z, z}},
      {"draw_surface_tiled_ext", {bad, z, z, one, one, z, one}},
      {"surface_save", {bad, S("x.png")}},
      {"surface_save_part", {bad, S("x.png"), z, z, one, one}},
      {"surface_getpixel", {bad, z, z}},
      {"surface_copy", {bad, z, z, other}},
      {"surface_copy", {other, z, z, bad}},
      {"surface_copy_part", {other, z, z, bad, z, z, one, one}},
      {"background_create_from_surface", {bad, z, z, one, one, z, z}},
  };
  for (const auto& [name, args] : loud) {
    g_errors.clear();
    Call(name, args);
    EXPECT_EQ(g_errors, std::vector<std::string>{kNoSurface}) << name;
  }
  EXPECT_FALSE(std::filesystem::exists("x.png"));
}

TEST_F(SurfaceFunctions, AResetOfTheDeviceLosesEverySurface) {
  const double a = N("surface_create", {RValue(4.0), RValue(4.0)});
  EXPECT_EQ(N("surface_set_target", {RValue(a)}), 1);
  ASSERT_TRUE(Display_ResetDevice());
  EXPECT_EQ(N("surface_exists", {RValue(a)}), 0);
  EXPECT_EQ(Surface_Target(), -1);
  EXPECT_EQ(N("surface_reset_target", {}), 0);
  // Drawing reaches the screen again.
  Call("draw_clear", {RValue(kGreen)});
  EXPECT_EQ(Capture().GetPixel(31, 31), 0xFF00FF00u);
  // The table starts anew.
  EXPECT_EQ(N("surface_create", {RValue(4.0), RValue(4.0)}), 0);
}

TEST(SurfaceDepth, EachSideIsAPowerOfTwoOfAtLeastFour) {
  const int32_t cases[][2] = {{100, 128}, {50, 64}, {3, 4}, {1, 4}, {4, 4}, {5, 8}, {64, 64}};
  for (const auto& c : cases) EXPECT_EQ(Surface_DepthSide(c[0]), c[1]) << c[0];
}

}  // namespace
