// The drawing actions on a real device: each action, relative to an instance or not, lights
// exactly the pixels of the drawing functions it stands for, and the health bar follows its
// colour codes.
#include <string>
#include <vector>

#include "runner/code/Action_Class.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Event_Action.h"
#include "runner/functions/Function_Families.h"
#include "runner/graphics/Graphics_Draw.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Host.h"
#include "runner/run/Run_Main.h"
#include "tests/runner/functions/ActionWorld.h"
#include "tests/support/Golden.h"

using actions::Act;
using actions::RActionDesc;

namespace {

class ActionDrawing : public DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    InitFunctions(AllFunctionFamilies());
    InitInterpreter();
    InstallRuntimeHost();
    SetErrorSink([](std::string_view m, bool) { Errors().push_back(std::string(m)); });
    Errors().clear();
    SetCurrentRoom(&room_);
    self_ = room_.AddInstance(10, 5, ObjectAdd());
  }
  void TearDown() override {
    SetErrorSink(nullptr);
    SetExecHost(nullptr);
    SetCurrentRoom(nullptr);
    room_.ClearInstances();
    Sprites().Clear();
    DrawingTest::TearDown();
  }
  static std::vector<std::string>& Errors() {
    static std::vector<std::string> e;
    return e;
  }
  void Run(const std::string& text) {
    CCode code(text, false);
    EXPECT_TRUE(code.Compile()) << text;
    RValue result;
    ExecuteCode(self_, self_, code, result);
  }
  TBitmap32 DrawnByAction(const RActionDesc& desc) {
    Draw_Clear(0, 1);
    Draw_SetColor(0xFFFFFF);
    ExecuteAction(*Act(desc), self_, self_);
    return Capture();
  }
  TBitmap32 DrawnByCode(const std::string& text) {
    Draw_Clear(0, 1);
    Draw_SetColor(0xFFFFFF);
    Run(text);
    return Capture();
  }

  CRoom room_;
  CInstance* self_ = nullptr;
};

TEST_F(ActionDrawing, ActionsDrawAsTheFunctionsTheyStandFor) {
  if (HasFatalFailure()) return;
  const int32_t sprite = Sprites().Add();
  Sprites().Get(sprite)->CreateFromBitmap(TBitmap32(6, 4, 0xFF00FF00), 0, false, 0, 0);
  // The second image blue, so that the image drawn shows.
  Sprites().Get(sprite)->AddFromBitmap(TBitmap32(6, 4, 0xFFFF0000), false, false);
  Run("image_index = 1.7");
  const std::string S = std::to_string(sprite);
  struct Case {
    RActionDesc action;
    std::string code;
  };
  const std::vector<Case> cases = {
      {{"action_draw_rectangle", {"2", "3", "20", "12", "0"}}, "draw_rectangle(2, 3, 20, 12, false)"},
      {{"action_draw_rectangle", {"2", "3", "20", "12", "1"}, true}, "draw_rectangle(12, 8, 30, 17, true)"},
      {{"action_draw_ellipse", {"2", "3", "20", "12", "0"}, true}, "draw_ellipse(12, 8, 30, 17, false)"},
      {{"action_draw_ellipse", {"2", "3", "20", "12", "0.5"}}, "draw_ellipse(2, 3, 20, 12, true)"},
      {{"action_draw_gradient_hor", {"2", "3", "40", "30", "c_red", "c_blue"}},
       "draw_rectangle_color(2, 3, 40, 30, c_red, c_blue, c_blue, c_red, false)"},
      {{"action_draw_gradient_vert", {"2", "3", "40", "30", "c_red", "c_blue"}, true},
       "draw_rectangle_color(12, 8, 50, 35, c_red, c_red, c_blue, c_blue, false)"},
      {{"action_draw_ellipse_gradient", {"2", "3", "40", "30", "c_red", "c_blue"}},
       "draw_ellipse_color(2, 3, 40, 30, c_red, c_blue, false)"},
      {{"action_draw_line", {"2", "3", "40", "30"}, true}, "draw_line(12, 8, 50, 35)"},
      {{"action_draw_arrow", {"2", "3", "40", "30", "8"}}, "draw_arrow(2, 3, 40, 30, 8)"},
      {{"action_draw_sprite", {S, "4", "6", "0"}, true}, "draw_sprite(" + S + ", 0, 14, 11)"},
      {{"action_draw_sprite", {S, "4", "6", "0.9"}}, "draw_sprite(" + S + ", 0, 4, 6)"},
      {{"action_draw_sprite", {S, "4", "6", "-1"}}, "draw_sprite(" + S + ", 1, 4, 6)"},
      {{"action_draw_life_images", {"4", "6", S}},
       "draw_sprite(" + S + ", 0, 4, 6); draw_sprite(" + S + ", 0, 10, 6); draw_sprite(" + S + ", 0, 16, 6)"},
      {{"action_draw_text", {"'Hi#there'", "2", "3"}, true}, "draw_text(12, 8, 'Hi#there')"},
      {{"action_draw_text_transformed", {"'Hi'", "2", "3", "2", "1", "90"}},
       "draw_text_transformed(2, 3, 'Hi', 2, 1, 90)"},
      {{"action_draw_variable", {"3.14159", "2", "3"}}, "draw_text(2, 3, '3.14')"},
      {{"action_draw_variable", {"7", "2", "3"}, true}, "draw_text(12, 8, '7')"},
      {{"action_draw_score", {"2", "3", "'Points: '"}}, "draw_text(2, 3, 'Points: 15')"},
      {{"action_draw_life", {"2", "3", "'Lives '"}, true}, "draw_text(12, 8, 'Lives 3')"},
      // At 40 the bar of code 0 is red blended 80 % towards yellow.
      {{"action_draw_health", {"2", "3", "40", "12", "2", "0"}},
       "c = merge_color(c_red, c_yellow, 0.8); draw_healthbar(2, 3, 40, 12, 40, c_gray, c, c, 0, true, "
       "true)"},
      // No back: a white bar with its black border.
      {{"action_draw_health", {"2", "3", "40", "12", "0", "5"}, true},
       "draw_healthbar(12, 8, 50, 17, 40, 0, c_white, c_white, 0, false, true)"},
  };
  Run("score = 15; lives = 3; health = 40");
  for (const Case& c : cases) {
    const TBitmap32 byAction = DrawnByAction(c.action);
    const TBitmap32 byCode = DrawnByCode("draw_set_color(c_white); " + c.code);
    EXPECT_TRUE(byAction.Pixels() == byCode.Pixels())
        << c.action.name << (c.action.relative ? " relative" : "");
    EXPECT_NE(byAction.Pixels(), DrawnByCode("").Pixels()) << c.action.name << " drew nothing";
  }
  EXPECT_TRUE(Errors().empty());

  // So many lives that drawing each would never end: only those that can show are drawn.
  Run("lives = 1000000000");
  EXPECT_NE(DrawnByAction({"action_draw_life_images", {"0", "0", S}}).Pixels(), DrawnByCode("").Pixels());

  DrawnByAction({"action_draw_sprite", {"99", "0", "0", "0"}});
  DrawnByAction({"action_draw_background", {"99", "0", "0", "0"}});
  EXPECT_EQ(Errors(), (std::vector<std::string>{"Trying to draw a non-existing sprite.",
                                                "Trying to draw a non-existing background."}));
}

// At 40 the red-to-yellow bar of code 0 is mostly yellow; at 75 the yellow-to-lime bar is
// halfway between them.
TEST_F(ActionDrawing, HealthBarBlendsThroughItsMiddleColour) {
  if (HasFatalFailure()) return;
  struct Case {
    double health;
    uint32_t colour;  // of the bar's first pixel inside the border, as captured (alpha first)
  };
  for (const Case& c : {Case{100, 0x00FF00}, Case{50, 0x00FFFF},
                        Case{75, static_cast<uint32_t>(MergeColor(0x00FFFF, 0x00FF00, 0.5))}}) {
    GameState().health = c.health;
    const TBitmap32 shot = DrawnByAction({"action_draw_health", {"2", "2", "40", "12", "0", "0"}});
    const uint32_t px = shot.GetPixel(4, 6) & 0xFFFFFF;
    const uint32_t want = ((c.colour & 0xFF) << 16) | (c.colour & 0xFF00) | ((c.colour >> 16) & 0xFF);
    EXPECT_NEAR(static_cast<double>(px & 0xFF), static_cast<double>(want & 0xFF), 2) << c.health;
    EXPECT_NEAR(static_cast<double>((px >> 8) & 0xFF), static_cast<double>((want >> 8) & 0xFF), 2)
        << c.health;
    EXPECT_NEAR(static_cast<double>(px >> 16), static_cast<double>(want >> 16), 2) << c.health;
  }
}

}  // namespace
