// The game window's state and layout, region placement and the mouse mappings through the
// window and the views, and display modes; all without a native window.
#include "runner/graphics/Graphics_Window.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "platform/display/Display.h"
#include "platform/window/headless/HeadlessWindow.h"
#include "platform/window/Window.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Hooks.h"
#include "runner/run/Room_Class.h"

namespace {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetFakeDisplay(platform::DisplayMode{1024, 768, 32, 60},
                             {{1024, 768, 32, 60}, {800, 600, 32, 60}, {800, 600, 16, 60}, {640, 480, 32, 75}});
  }
  void TearDown() override {
    platform::SetFakeDisplay(std::nullopt);
  }
};

TEST_F(WindowTest, RegionPlacement) {
  struct Case {
    int32_t cw, ch, rw, rh;
    double scale;
    RPlacement expect;
  };
  const Case cases[] = {
      {800, 600, 320, 240, 0, {0, 0, 800, 600}},      // stretched over the client area
      {800, 500, 320, 240, -1, {66, 0, 667, 500}},    // aspect kept: bands left and right
      {800, 600, 320, 240, 2, {80, 60, 640, 480}},    // fixed scale, centred
      {400, 300, 320, 240, 2, {-120, -90, 640, 480}}, // larger than the client: cropped symmetrically
      {401, 300, 320, 240, 2, {-119, -90, 640, 480}}, // halves truncate toward zero
  };
  for (const Case& c : cases) {
    const RPlacement p = RegionPlacement(c.cw, c.ch, c.rw, c.rh, c.scale);
    EXPECT_EQ(p.left, c.expect.left) << c.cw << "x" << c.ch << " scale " << c.scale;
    EXPECT_EQ(p.top, c.expect.top);
    EXPECT_EQ(p.width, c.expect.width);
    EXPECT_EQ(p.height, c.expect.height);
  }
}

TEST_F(WindowTest, WindowToRegionAndBack) {
  struct Case {
    double scale;
    int32_t a, b, x, y;  // client position and its region position
  };
  const Case cases[] = {
      {0, 400, 300, 160, 120},   // stretched 800 × 600 over 320 × 240
      {2, 80, 60, 0, 0},         // scale 2 centred in 800 × 600: the region starts at (80, 60)
      {2, 82, 64, 1, 2},
      {-1, 400, 300, 160, 120},  // aspect kept: factor 2.5, no bands
  };
  for (const Case& c : cases) {
    RWindowState& ws = WindowState();
    ws = RWindowState{};
    ws.client_x = 10;
    ws.client_y = 20;
    ws.client_width = 800;
    ws.client_height = 600;
    ws.region_width = 320;
    ws.region_height = 240;
    ws.region_scale = c.scale;
    int32_t x, y;
    WindowToRegion(c.a, c.b, x, y);
    EXPECT_EQ(x, c.x) << "scale " << c.scale;
    EXPECT_EQ(y, c.y);
    int32_t sx, sy;
    RegionToScreen(c.x, c.y, sx, sy);
    EXPECT_EQ(sx, 10 + c.a) << "scale " << c.scale;
    EXPECT_EQ(sy, 20 + c.b);
  }
}

TEST_F(WindowTest, ViewMapping) {
  // View 0 shows room (100, 50, 320, 240) at port (0, 0, 320, 240); view 1 the same room area
  // at half size in the lower right, overlapping view 0.
  View_Record(0, 100, 50, 320, 240, 0, 0, 320, 240, 0);
  View_Record(1, 1000, 1000, 320, 240, 160, 120, 160, 120, 0);
  EXPECT_EQ(View_UsedCount(), 2);
  int32_t rx, ry;
  View_RegionToRoom(0, 10, 20, rx, ry);
  EXPECT_EQ(rx, 110);
  EXPECT_EQ(ry, 70);
  View_RegionToRoom(1, 170, 130, rx, ry);
  EXPECT_EQ(rx, 1020);
  EXPECT_EQ(ry, 1020);
  View_RegionToRoom(5, 7, 8, rx, ry);  // unused: unmapped
  EXPECT_EQ(rx, 7);
  EXPECT_EQ(ry, 8);
  // A view turned by 180 degrees mirrors about its centre.
  View_Record(2, 0, 0, 100, 100, 0, 0, 100, 100, 180);
  View_RegionToRoom(2, 10, 20, rx, ry);
  EXPECT_EQ(rx, 90);
  EXPECT_EQ(ry, 80);
  int32_t gx, gy;
  View_RoomToRegion(2, 90, 80, gx, gy);
  EXPECT_EQ(gx, 10);
  EXPECT_EQ(gy, 20);
  View_Clear(2);

  RWindowState& ws = WindowState();
  ws.client_x = ws.client_y = 0;
  ws.client_width = ws.region_width = 320;
  ws.client_height = ws.region_height = 240;
  int32_t mx, my;
  // Where the views overlap the higher slot wins.
  Mouse_SetScreen(200, 200);
  Mouse_Room(mx, my);
  EXPECT_EQ(mx, 1080);
  EXPECT_EQ(my, 1160);
  // Outside every view's room rectangle: the lowest used slot's mapping stands.
  Mouse_SetScreen(330, 250);
  Mouse_Room(mx, my);
  EXPECT_EQ(mx, 430);
  EXPECT_EQ(my, 300);
  // Placing the cursor in the room goes through the lowest used slot.
  Mouse_SetRoom(110, 70);
  Mouse_Screen(mx, my);
  EXPECT_EQ(mx, 10);
  EXPECT_EQ(my, 20);
  // A slot that cannot map from the room leaves the cursor alone.
  Mouse_SetViewRoom(9, 0, 0);
  Mouse_Screen(mx, my);
  EXPECT_EQ(mx, 10);
}

TEST_F(WindowTest, SizesWithAFixedScale) {
  const platform::DisplayMode large{1920, 1200, 32, 60};
  platform::SetFakeDisplay(large, {large});
  platform::TWindow window("TRunnerForm", std::make_unique<platform::HeadlessWindow>());
  Window_Attach(&window);
  Window_SetRegionSize(320, 240, true);
  Window_SetRegionScale(2, true);
  EXPECT_EQ(window.Bounds().width, 640);
  EXPECT_EQ(window.Bounds().height, 480);
  // Never smaller than the scaled region.
  Window_SetSize(100, 900);
  EXPECT_EQ(WindowState().client_width, 640);
  EXPECT_EQ(WindowState().client_height, 900);
  // Without adapting, only ever larger.
  Window_SetRegionScale(1, false);
  EXPECT_EQ(WindowState().client_width, 640);
  Window_SetRegionScale(3, false);
  EXPECT_EQ(WindowState().client_width, 960);
  EXPECT_EQ(WindowState().client_height, 900);
  int32_t mw, mh;
  Window_MinimumSize(mw, mh);
  EXPECT_EQ(mw, 960);
  EXPECT_EQ(mh, 720);
  // A scale of 0 stretches and sets no minimum.
  Window_SetRegionScale(0, true);
  Window_MinimumSize(mw, mh);
  EXPECT_EQ(mw, 0);
}

// Sizes a game asks for never exceed the display (1024 x 768 here): a huge scale or size would
// take gigabytes of window and buffer. Neither does the smallest size the user may resize to.
TEST_F(WindowTest, HugeSizesAreClamped) {
  platform::TWindow window("TRunnerForm", std::make_unique<platform::HeadlessWindow>());
  Window_Attach(&window);
  Window_SetRegionSize(640, 480, true);
  struct Ask {
    const char* what;
    void (*ask)();
    int32_t w, h;  // the client area after it
  };
  const Ask asks[] = {
      {"settings scale 10000", [] { Window_SetRegionScale(100, true); }, 1024, 768},
      {"scale beyond any size", [] { Window_SetRegionScale(1e9, false); }, 640, 480},
      {"window_set_size", [] { Window_SetSize(30000, 30000); }, 1024, 768},
      {"wide only", [] { Window_SetSize(30000, 200); }, 1024, 480},
      {"window_set_rectangle", [] { Window_SetRectangle(0, 0, INT32_MAX, INT32_MAX); }, 1024, 768},
      {"resized by the user", [] { Window_Resized(0, 0, 40000, 40000); }, 1024, 768},
      {"nothing", [] { Window_SetSize(-5, 0); }, 640, 480},
  };
  for (const Ask& a : asks) {
    a.ask();
    EXPECT_EQ(WindowState().client_width, a.w) << a.what;
    EXPECT_EQ(WindowState().client_height, a.h) << a.what;
    EXPECT_EQ(window.Bounds().width, a.w) << a.what;
    EXPECT_EQ(window.Bounds().height, a.h) << a.what;
    int32_t mw, mh;
    Window_MinimumSize(mw, mh);
    EXPECT_LE(mw, 1024) << a.what;
    EXPECT_LE(mh, 768) << a.what;
    Window_SetRegionScale(1, true);
  }
}

TEST_F(WindowTest, StateTransitions) {
  platform::TWindow window("TRunnerForm", std::make_unique<platform::HeadlessWindow>());
  Window_Attach(&window);
  WindowState().region_scale = 0;  // no minimum size
  Window_SetRectangle(50, 60, 300, 200);
  struct Step {
    const char* what;
    void (*act)();
    platform::WindowBounds bounds;
    bool bordered;
  };
  const Step steps[] = {
      {"full screen", [] { Window_SetFullScreen(true); }, {0, 0, 1024, 768}, false},
      {"full screen again", [] { Window_SetFullScreen(true); }, {0, 0, 1024, 768}, false},
      {"windowed keeps the rectangle", [] { Window_SetFullScreen(false); }, {50, 60, 300, 200}, true},
      {"no border", [] { Window_SetShowBorder(false); }, {50, 60, 300, 200}, false},
      {"centred", [] { Window_Center(); }, {362, 284, 300, 200}, false},
      {"default: region size centred", [] { Window_Default(); }, {192, 144, 640, 480}, false},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(window.Bounds(), s.bounds) << s.what;
    EXPECT_EQ(window.Bordered(), s.bordered) << s.what;
  }
  Window_SetCaption("Level 1");
  EXPECT_EQ(window.Caption(), "Level 1");
  Window_SetVisible(true);
  EXPECT_TRUE(window.Visible());
}

TEST_F(WindowTest, DisplayModes) {
  struct Case {
    int32_t w, h, f, d;
    bool ok;
  };
  const Case cases[] = {
      {800, 600, 0, 0, true},   // size only
      {800, 600, 0, 16, true},  // size and depth
      {0, 0, 75, 0, false},     // 75 Hz exists only at 640 × 480
      {640, 480, 75, 32, true},
      {1280, 1024, 0, 0, false},
      {0, 0, 0, 24, false},
  };
  for (const Case& c : cases) {
    platform::RestoreDisplayMode();
    EXPECT_EQ(Display_TestMode(c.w, c.h, c.f, c.d), c.ok) << c.w << "x" << c.h << "@" << c.f << "/" << c.d;
    EXPECT_EQ(ScreenWidth(), 1024) << "testing changes nothing";
    EXPECT_EQ(Display_SetMode(c.w, c.h, c.f, c.d), c.ok);
    if (c.ok && c.w > 0) {
      EXPECT_EQ(ScreenWidth(), c.w);
    }
  }
  platform::RestoreDisplayMode();
  EXPECT_EQ(ScreenWidth(), 1024);
  EXPECT_EQ(Display_ColorDepth(), 32);
  EXPECT_EQ(Display_Frequency(), 60);
}

TEST_F(WindowTest, RoomRegionSize) {
  CRoom room;
  room.r_width = 2000;
  room.r_height = 300;
  int32_t w, h;
  RoomRegionSize(room, 1024, 768, w, h);
  EXPECT_EQ(w, 1024);  // limited to the screen
  EXPECT_EQ(h, 300);
  room.r_enableviews = true;
  RoomRegionSize(room, 1024, 768, w, h);
  EXPECT_EQ(w, 8);  // no visible view: the smallest region
  EXPECT_EQ(h, 8);
  room.r_view[1].visible = true;
  room.r_view[1].xport = 100;
  room.r_view[1].wport = 200;
  room.r_view[1].yport = 0;
  room.r_view[1].hport = 150;
  RoomRegionSize(room, 1024, 768, w, h);
  EXPECT_EQ(w, 300);
  EXPECT_EQ(h, 150);
}

}  // namespace
