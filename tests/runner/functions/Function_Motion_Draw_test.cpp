// Drawing a motion planning grid on a real device: every cell a filled rectangle, red where
// forbidden and green elsewhere, nothing outside the grid.
#include <string>

#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/functions/Function_Families.h"
#include "runner/graphics/Graphics_Draw.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Host.h"
#include "runner/run/Run_Main.h"
#include "tests/support/Golden.h"

namespace {

class MotionDrawing : public DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    InitFunctions(AllFunctionFamilies());
    InitInterpreter();
    InstallRuntimeHost();
    SetCurrentRoom(&room_);
    self_ = room_.AddInstance(0, 0, ObjectAdd());
  }
  void TearDown() override {
    SetExecHost(nullptr);
    SetCurrentRoom(nullptr);
    room_.ClearInstances();
    DrawingTest::TearDown();
  }
  TBitmap32 Drawn(const std::string& text) {
    Draw_Clear(0, 1);
    CCode code(text, false);
    EXPECT_TRUE(code.Compile()) << text;
    RValue result;
    EXPECT_TRUE(ExecuteCode(self_, self_, code, result)) << text;
    return Capture();
  }

  CRoom room_;
  CInstance* self_ = nullptr;
};

TEST_F(MotionDrawing, CellsRedWhenForbiddenGreenOtherwise) {
  if (HasFatalFailure()) return;
  const TBitmap32 grid = Drawn(
      "var g; g = mp_grid_create(4, 2, 3, 2, 8, 6); mp_grid_add_cell(g, 1, 0); mp_grid_add_cell(g, 2, 1);"
      "mp_grid_draw(g)");
  const TBitmap32 same = Drawn(
      "draw_rectangle_color(4, 2, 27, 13, c_green, c_green, c_green, c_green, false);"
      "draw_rectangle_color(12, 2, 19, 7, c_red, c_red, c_red, c_red, false);"
      "draw_rectangle_color(20, 8, 27, 13, c_red, c_red, c_red, c_red, false)");
  EXPECT_TRUE(grid.Pixels() == same.Pixels());
  struct Probe {
    int32_t x, y;
    uint32_t rgb;  // 0xRRGGBB
  } probes[] = {{4, 2, 0x008000}, {11, 7, 0x008000}, {12, 2, 0xFF0000}, {19, 7, 0xFF0000},
                {20, 8, 0xFF0000}, {27, 13, 0xFF0000}, {28, 13, 0}, {3, 2, 0}, {4, 14, 0}};
  for (const Probe& p : probes) EXPECT_EQ(grid.GetPixel(p.x, p.y) & 0xFFFFFF, p.rgb) << p.x << "," << p.y;
}

}  // namespace
