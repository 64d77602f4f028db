// Sprite and background drawing through the built-in functions, read back from a real device,
// and their errors for resources that do not exist.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/graphics/Graphics_Texture.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"
#include "runner/functions/Function_Families.h"
#include "tests/support/Golden.h"

namespace {

std::vector<std::string> g_errors;
void KeepError(std::string_view message, bool) { g_errors.emplace_back(message); }

RValue Call(const char* name, std::vector<double> args, CInstance* self = nullptr) {
  InitFunctions(AllFunctionFamilies());
  int32_t id = -1;
  EXPECT_TRUE(FindBuiltinFunction(name, id)) << name;
  RValue argv[kMaxFunctionArgs];
  for (size_t i = 0; i < args.size(); ++i) argv[i] = RValue(args[i]);
  RValue result;
  FunctionAt(id)->f_routine(self, self, static_cast<int32_t>(args.size()), argv, result);
  return result;
}

// Sprite 0: two 4 × 4 frames (red with a white top-left pixel, then blue) with origin (2, 2);
// sprite 1 is an empty slot; background 0 is 3 × 2 green with a white top-left pixel.
class SpriteDrawing : public DrawingTest {
 protected:
  SpriteDrawing() : DrawingTest(32, 32) {}
  void SetUp() override {
    DrawingTest::SetUp();
    if (IsSkipped()) return;
    auto s = std::make_unique<CSprite>();
    s->i_numb = 2;
    s->i_bitmap = {TBitmap32(4, 4, 0xFFFF0000), TBitmap32(4, 4, 0xFF0000FF)};
    s->i_bitmap[0].SetPixel(0, 0, 0xFFFFFFFF);
    s->i_xorig = s->i_yorig = 2;
    s->InitTexture();
    Sprites().Put(0, std::move(s), "spr");
    Sprites().Put(1, nullptr, "");
    auto b = std::make_unique<CBackground>();
    b->i_bitmap = TBitmap32(3, 2, 0xFF00FF00);
    b->i_bitmap.SetPixel(0, 0, 0xFFFFFFFF);
    b->InitTexture();
    Backgrounds().Put(0, std::move(b), "bg");
    room_.r_width = 32;
    room_.r_height = 32;
    SetCurrentRoom(&room_);
    SetErrorSink(KeepError);
    g_errors.clear();
    Call("texture_set_interpolation", {0});  // crisp copies
  }
  void TearDown() override {
    SetErrorSink(nullptr);
    SetCurrentRoom(nullptr);
    ClearSpritesAndBackgrounds();
    DrawingTest::TearDown();
  }
  CRoom room_;
};

TEST_F(SpriteDrawing, SimpleExtAndStretched) {
  CInstance self(0, 0, 100001, 0);
  self.i_imageindex = 1.7;                       // frame 1, rounded down
  Call("draw_sprite", {0, 0, 4, 4});              // origin: top-left at (2, 2)
  Call("draw_sprite", {0, -1, 12, 4}, &self);     // the caller's frame: blue
  Call("draw_sprite", {0, 7, 20, 4});             // 7 of 2 frames is frame 1
  Call("draw_sprite_ext", {0, 0, 8, 14, 2, 1, 90, 0xFFFFFF, 0.5});  // turned counter-clockwise
  Call("draw_sprite_stretched", {0, 0, 20, 12, 8, 2});              // origin ignored
  Call("draw_background_ext", {0, 24, 20, 2, 2, 0, 0xFFFF00, 1});   // blended with cyan
  CInstance shown(28, 28, 100002, 0);
  shown.i_spriteindex = 0;
  shown.i_imageindex = 2.2;  // frame 0
  shown.i_imagescaley = -1;  // upside down about the origin
  Call("draw_self", {}, &shown);
  const TBitmap32 shot = Capture();
  EXPECT_EQ(shot.GetPixel(2, 2), 0xFFFFFFFFu);
  EXPECT_EQ(shot.GetPixel(5, 5), 0xFFFF0000u);
  EXPECT_EQ(shot.GetPixel(6, 6), 0xFF000000u);
  EXPECT_EQ(shot.GetPixel(10, 2), 0xFF0000FFu);
  EXPECT_EQ(shot.GetPixel(18, 2), 0xFF0000FFu);
  EXPECT_EQ(shot.GetPixel(19, 12), 0xFF000000u);
  EXPECT_EQ(shot.GetPixel(20, 12), 0xFFFF0000u);
  EXPECT_EQ(shot.GetPixel(27, 13), 0xFFFF0000u);
  EXPECT_EQ(shot.GetPixel(25, 21), 0xFF00FFFFu);
  EXPECT_EQ(shot.GetPixel(29, 23), 0xFF00FF00u);
  EXPECT_EQ(shot.GetPixel(26, 29), 0xFFFFFFFFu);
  EXPECT_EQ(shot.GetPixel(29, 26), 0xFFFF0000u);
  EXPECT_TRUE(MatchesGolden(shot, "sprites_simple_ext_stretched", 8));
  EXPECT_TRUE(g_errors.empty());
}

TEST_F(SpriteDrawing, TiledHonoursTheOriginPartDoesNot) {
  Call("draw_sprite_tiled", {0, 1, 1, 1});  // copies start at (-1, -1), every 4 pixels
  Call("draw_sprite_part", {0, 0, 0, 0, 2, 2, 30, 30});
  const TBitmap32 shot = Capture();
  EXPECT_EQ(shot.GetPixel(0, 0), 0xFF0000FFu);
  EXPECT_EQ(shot.GetPixel(3, 3), 0xFF0000FFu);
  EXPECT_EQ(shot.GetPixel(31, 0), 0xFF0000FFu);  // the copies reach the far edges too
  EXPECT_EQ(shot.GetPixel(0, 31), 0xFF0000FFu);
  EXPECT_EQ(shot.GetPixel(30, 30), 0xFFFFFFFFu);
  EXPECT_TRUE(MatchesGolden(shot, "sprites_tiled_part", 8));
}

TEST_F(SpriteDrawing, MissingResourcesReportAndDrawNothing) {
  struct RCase {
    const char* function;
    std::vector<double> args;
    const char* error;
  };
  const RCase cases[] = {
      {"draw_sprite", {1, 0, 4, 4}, "Trying to draw non-existing sprite."},
      {"draw_sprite_ext", {9, 0, 4, 4, 1, 1, 0, 0xFFFFFF, 1}, "Trying to draw non-existing sprite."},
      {"draw_sprite_tiled", {-1, 0, 0, 0}, "Trying to draw non-existing sprite."},
      {"draw_background", {1, 0, 0}, "Trying to draw non-existing background."},
      {"draw_background_tiled_ext", {3, 0, 0, 1, 1, 0xFFFFFF, 1}, "Trying to draw non-existing background."},
      {"sprite_get_texture", {1, 0}, "Trying to get texture from non-existing sprite."},
      {"background_get_texture", {2}, "Trying to get texture from non-existing background."},
  };
  for (const RCase& c : cases) {
    g_errors.clear();
    const RValue r = Call(c.function, c.args);
    ASSERT_EQ(g_errors.size(), 1u) << c.function;
    EXPECT_EQ(g_errors[0], c.error);
    if (std::string(c.function).find("texture") != std::string::npos) {
      EXPECT_EQ(r.val(), -1);
    }
  }
  CInstance self(0, 0, 100001, 0);
  self.i_spriteindex = 1;
  g_errors.clear();
  Call("draw_self", {}, &self);
  EXPECT_EQ(g_errors, std::vector<std::string>{"Trying to draw non-existing sprite."});
  // A sprite without frames draws nothing and has no texture, without an error.
  Sprites().Put(2, std::make_unique<CSprite>(), "none");
  g_errors.clear();
  Call("draw_sprite", {2, 0, 4, 4});
  EXPECT_EQ(Call("sprite_get_texture", {2, 0}).val(), -1);
  EXPECT_TRUE(g_errors.empty());
  const TBitmap32 shot = Capture();
  for (uint32_t p : shot.Pixels()) ASSERT_EQ(p, 0xFF000000u);
  EXPECT_EQ(Call("sprite_get_texture", {0, 3}).val(), Sprites().Get(0)->i_tex[1]);
  EXPECT_TRUE(Texture_Exists(static_cast<int32_t>(Call("background_get_texture", {0}).val())));
}

}  // namespace
