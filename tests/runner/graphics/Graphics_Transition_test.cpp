// Transitions on a real device: every built-in kind starts on the old picture and ends on the
// new one, a few frames of each compared with a golden picture, defining kinds by name, and a
// defined kind shown from preparation to the end with its errors and the test mode's frames.
#include "runner/graphics/Graphics_Transition.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Script_Main.h"
#include "runner/functions/Function_Families.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Draw.h"
#include "runner/graphics/Graphics_Surface.h"
#include "runner/graphics/Graphics_Texture.h"
#include "runner/run/Run_Host.h"
#include "runner/run/Run_Main.h"
#include "tests/support/Golden.h"

namespace {

constexpr int32_t kW = 16, kH = 12;

std::vector<std::string> g_errors;
void KeepError(std::string_view message, bool) { g_errors.emplace_back(message); }

// A surface holding the picture.
int32_t SurfaceOf(const TBitmap32& bm) {
  const int32_t s = Surface_Create(bm.Width(), bm.Height());
  const int32_t tex = Texture_FromBitmap(&bm);
  Surface_SetTarget(s);
  Texture_Draw(tex, 0, 0);
  Surface_ResetTarget();
  Texture_Free(tex);
  return s;
}

class TransitionTest : public DrawingTest {
 protected:
  TransitionTest() : DrawingTest(kW, kH) {}
  void SetUp() override {
    DrawingTest::SetUp();
    if (IsSkipped()) return;
    Display_SetInterpolation(false);
    // Old: dark blue with a yellow band; new: red with a white column and a green corner.
    old_ = TBitmap32(kW, kH, 0xFF000080);
    for (int32_t x = 0; x < kW; ++x) old_.SetPixel(x, 5, 0xFFFFFF00), old_.SetPixel(x, 6, 0xFFFFFF00);
    new_ = TBitmap32(kW, kH, 0xFFC00000);
    for (int32_t y = 0; y < kH; ++y) new_.SetPixel(7, y, 0xFFFFFFFF), new_.SetPixel(8, y, 0xFFFFFFFF);
    new_.SetPixel(0, 0, 0xFF00FF00);
    from_ = SurfaceOf(old_);
    to_ = SurfaceOf(new_);
  }
  TBitmap32 Frame(int32_t kind, double f, int32_t steps) {
    Draw_Clear(0, 1);
    Transition_DrawBuiltin(kind, f, steps, from_, to_, kW, kH);
    return Capture();
  }
  TBitmap32 old_, new_;
  int32_t from_ = -1, to_ = -1;
};

TEST_F(TransitionTest, EveryKindStartsOnTheOldPictureAndEndsOnTheNewOne) {
  for (int32_t kind = 1; kind <= kBuiltinTransitions; ++kind) {
    EXPECT_EQ(Frame(kind, 0, 80).Pixels(), old_.Pixels()) << "kind " << kind << " at the first frame";
    EXPECT_EQ(Frame(kind, 1, 80).Pixels(), new_.Pixels()) << "kind " << kind << " at the last frame";
  }
  // Fading through black: half way nothing shows.
  const TBitmap32 black = Frame(21, 0.5, 80);
  for (uint32_t p : black.Pixels()) EXPECT_EQ(p, 0xFF000000u);
}

TEST_F(TransitionTest, FramesOfEachKind) {
  // One column per kind; rows at a quarter, half and three quarters of eight steps.
  const double fractions[] = {0.25, 0.5, 0.75};
  TBitmap32 mosaic(kW * kBuiltinTransitions, kH * 3, 0xFF000000);
  for (int32_t kind = 1; kind <= kBuiltinTransitions; ++kind)
    for (int32_t row = 0; row < 3; ++row) {
      const TBitmap32 frame = Frame(kind, fractions[row], 8);
      for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) mosaic.SetPixel((kind - 1) * kW + x, row * kH + y, frame.GetPixel(x, y));
    }
  EXPECT_TRUE(MatchesGolden(mosaic, "transition_kinds", 2));
}

// The table of definitions by name: scripts, built-in functions, unknown names, kinds out of
// range, and growth of the table.
TEST(TransitionDefine, FindsTheNameAndStoresTheKindInRange) {
  InitFunctions(AllFunctionFamilies());
  Scripts().Put(0, std::make_unique<CScript>(), "scr_mix");
  const struct {
    int32_t kind;
    const char* name;
    bool found;
  } defines[] = {
      {5, "scr_mix", true}, {0, "scr_mix", true}, {1000000, "scr_mix", true}, {3, "scr_none", false},
      {3000, "scr_mix", true}, {40, "draw_clear", true},
  };
  for (const auto& d : defines) EXPECT_EQ(Transition_Define(d.kind, d.name), d.found) << d.kind << " " << d.name;
  EXPECT_EQ(TransitionState().ids.size(), 4000u);
  const struct {
    int32_t kind;
    bool valid;
  } kinds[] = {{0, false}, {1, true}, {5, true}, {21, true}, {22, false}, {2999, false}, {3000, true},
               {3001, false}, {40, true}, {1000000, false}, {-1, false}};
  for (const auto& k : kinds) EXPECT_EQ(Transition_Valid(k.kind), k.valid) << k.kind;
  EXPECT_EQ(TransitionState().ids[5], kScriptIdBase);
  EXPECT_EQ(TransitionState().names[3000], "scr_mix");
}

TEST_F(TransitionTest, DefinedKindRunsEveryFrameAndReportsItsErrors) {
  InitFunctions(AllFunctionFamilies());
  InitInterpreter();
  InstallRuntimeHost();
  SetErrorSink(KeepError);
  g_errors.clear();
  // Red grows with the fraction; the last two of five frames fail.
  auto script = std::make_unique<CScript>();
  script->s_text =
      "draw_clear(round(argument4 * 255)); if (argument2 != 16 || argument3 != 12 || !surface_exists(argument0) "
      "|| !surface_exists(argument1)) draw_clear(16711680); if (argument4 > 0.5) missing += 1;";
  ASSERT_TRUE(script->Compile()) << CodeError().message;
  Scripts().Put(0, std::move(script), "scr_red");
  ASSERT_TRUE(Transition_Define(9, "scr_red"));
  GameState().transition_steps = 4;
  TransitionState().shotFrames = {0, 2, 4};
  Surface_Free(from_);
  Surface_Free(to_);

  Transition_Prepare(9);
  EXPECT_GE(Surface_Target(), 0);  // the new room is drawn off screen
  Transition_Show();
  EXPECT_EQ(Surface_Target(), -1);
  EXPECT_FALSE(Surface_Exists(TransitionState().from));
  EXPECT_EQ(TransitionState().from, -1);
  ASSERT_EQ(g_errors.size(), 2u);
  EXPECT_EQ(g_errors[0].rfind("ERROR in transition function scr_red\r", 0), 0u) << g_errors[0];
  const struct {
    const char* file;
    uint32_t pixel;
  } shots[] = {{"transition1_0.png", 0xFF000000}, {"transition1_2.png", 0xFF800000}, {"transition1_4.png", 0xFFFF0000}};
  for (const auto& s : shots) {
    TBitmap32 bm;
    ASSERT_TRUE(bm.LoadFromImageFile(s.file)) << s.file;
    EXPECT_EQ(bm.GetPixel(3, 3), s.pixel) << s.file;
    std::filesystem::remove(s.file);
  }
  EXPECT_FALSE(std::filesystem::exists("transition1_1.png"));
  SetErrorSink(nullptr);
}

TEST_F(TransitionTest, AKindThatIsNoTransitionShowsNothingAndAnUnshownOneLetsDrawingGo) {
  Transition_Prepare(22);
  EXPECT_EQ(Surface_Target(), -1);
  EXPECT_EQ(TransitionState().from, -1);
  Transition_Prepare(4);
  EXPECT_EQ(Surface_Target(), TransitionState().to);
  Transition_Cancel();
  EXPECT_EQ(Surface_Target(), -1);
  EXPECT_EQ(TransitionState().to, -1);
}

}  // namespace
