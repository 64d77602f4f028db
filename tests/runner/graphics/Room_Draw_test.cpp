// Drawing rooms: depth order of backgrounds, tiles, instances and foregrounds, views (two of
// them, a turned one, none visible), the region following the views, the caption, the draw
// calls of a batched frame, and the mouse read through the views a redraw recorded.
#include "runner/graphics/Room_Draw.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "runner/graphics/Graphics_D3D.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Hooks.h"
#include "runner/graphics/Graphics_Texture.h"
#include "runner/graphics/Graphics_Window.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/IO_Main.h"
#include "runner/run/Run_Hooks.h"
#include "tests/runner/run/World.h"
#include "tests/support/Golden.h"

using world::Trace;

namespace {

// t_drawself(): logs the view being drawn and draws self's sprite plainly.
void TDrawSelf(CInstance* self, CInstance*, int32_t, RValue*, RValue&) {
  Trace().push_back("v" + std::to_string(GameState().view_current) + "@" + std::to_string(self->i_id));
  if (const CSprite* s = Sprites().Get(self->i_spriteindex)) s->DrawSimple(0, self->i_x, self->i_y);
}

// t_depth(): logs the drawing depth the instance is drawn at.
void TDepth(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  Trace().push_back("z" + std::to_string(int(TextureDrawDepth())));
}

void RegisterDrawFunctions() {
  static const RFunctionDef kDefs[] = {{"t_drawself", 0, TDrawSelf}, {"t_depth", 0, TDepth}};
  static bool done = false;
  world::RegisterTestFunctions();
  if (done) return;
  done = true;
  RegisterFamily(kDefs);
}

// A room drawn on a real device: sprites and backgrounds of plain colours, objects in code.
class RoomDrawTest : public DrawingTest {
 protected:
  explicit RoomDrawTest(int32_t w = 32, int32_t h = 24) : DrawingTest(w, h) {}
  void SetUp() override {
    DrawingTest::SetUp();
    if (IsSkipped()) return;
    RegisterDrawFunctions();
    Trace().clear();
    SetPendingRoomChange(kNoRoomChange);
    SetLastInstanceId(100000);
    room.r_width = width_;
    room.r_height = height_;
    room.r_color = 0x404040;
    SetCurrentRoom(&room);
    saved_ = RunHooks();
    RunHooks().drawRoom = DrawRoomViews;
    GameState() = RGameState{};
  }
  void TearDown() override {
    RunHooks() = saved_;
    SetCurrentRoom(nullptr);
    room.ClearInstances();
    ClearSpritesAndBackgrounds();
    DrawingTest::TearDown();
  }

  int32_t Sprite(int32_t w, int32_t h, uint32_t argb) {
    const int32_t i = Sprites().Add();
    CSprite& s = *Sprites().Get(i);
    s.i_numb = 1;
    s.i_bitmap.emplace_back(w, h, argb);
    s.InitTexture();
    return i;
  }
  int32_t Background(int32_t w, int32_t h, uint32_t argb) {
    const int32_t i = Backgrounds().Add();
    CBackground& b = *Backgrounds().Get(i);
    b.i_bitmap = TBitmap32(w, h, argb);
    b.InitTexture();
    return i;
  }
  CInstance* Put(int32_t obj, double x, double y, int32_t sprite, double depth) {
    CInstance* inst = room.AddInstance(x, y, obj);
    inst->i_spriteindex = sprite;
    inst->i_depth = depth;
    return inst;
  }
  void Tile(int32_t back, double x, double y, int32_t w, int32_t h, double depth) {
    RTile t;
    t.index = back;
    t.x = x;
    t.y = y;
    t.w = w;
    t.h = h;
    t.depth = depth;
    room.AddTile(t);
  }
  uint32_t At(const TBitmap32& shot, int32_t x, int32_t y) { return shot.GetPixel(x, y) & 0xFFFFFF; }

  CRoom room;
  RRunHooks saved_;
};

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF000080, kWhite = 0xFFFFFFFF,
                   kYellow = 0xFFFFFF00;

TEST_F(RoomDrawTest, DepthOrderOfLayersTilesAndInstances) {
  const int32_t obj = ObjectAdd();
  const int32_t green = Sprite(8, 8, kGreen), yellow = Sprite(4, 4, kYellow), white = Sprite(4, 4, kWhite);
  const int32_t strip = Background(4, 4, kBlue), red = Background(8, 8, kRed),
                fore = Background(4, 4, kWhite);
  CBack& b = room.r_background[0];
  b.visible = true;
  b.index = strip;
  b.htiled = false;  // a vertical strip at the left
  CBack& f = room.r_background[1];
  f.visible = f.foreground = true;
  f.index = fore;
  f.x = f.y = 12;
  f.htiled = f.vtiled = false;
  Tile(red, 10, 6, 8, 8, 0);
  Put(obj, 6, 10, green, 0);    // same depth as the tile: under it
  Put(obj, 16, 4, yellow, -5);  // in front of the tile
  CInstance* scaled = Put(obj, 24, 16, white, 0);
  scaled->i_imagescalex = 2;
  scaled->i_imageblend = 0x00FFFF;  // yellow, through the transformed drawing
  Put(obj, 0, 16, green, -10)->i_visible = false;
  Put(obj, 0, 16, green, -10)->i_marked = true;
  ScreenRedraw();
  const TBitmap32 shot = Capture();
  EXPECT_TRUE(MatchesGolden(shot, "room_depth_order"));
  EXPECT_EQ(At(shot, 1, 1), 0x000080u);    // background
  EXPECT_EQ(At(shot, 30, 1), 0x404040u);   // room colour
  EXPECT_EQ(At(shot, 7, 11), 0x00FF00u);   // instance
  EXPECT_EQ(At(shot, 11, 11), 0xFF0000u);  // tile over the instance
  EXPECT_EQ(At(shot, 17, 7), 0xFFFF00u);   // nearer instance over the tile
  EXPECT_EQ(At(shot, 13, 13), 0xFFFFFFu);  // foreground over all
  EXPECT_EQ(At(shot, 31, 17), 0xFFFF00u);  // scaled and blended
  EXPECT_EQ(At(shot, 1, 17), 0x000080u);   // hidden and removed instances not drawn
}

// Two views of one room side by side; one object draws itself in its draw event, the other is
// drawn by default.
class TwoViews : public RoomDrawTest {
 protected:
  TwoViews() : RoomDrawTest(32, 16) {}
};

TEST_F(TwoViews, DrawEventRunsOncePerView) {
  room.r_width = 64;
  room.r_height = 48;
  room.r_enableviews = true;
  for (int32_t n = 0; n < 2; ++n) {
    CView& v = room.r_view[size_t(n)];
    v = {};
    v.visible = true;
    v.xview = 32 * n;
    v.wview = v.hview = v.wport = v.hport = 16;
    v.xport = 16 * n;
  }
  const int32_t drawn = ObjectAdd(), plain = ObjectAdd();
  CEvent& ev = *Objects().Get(drawn)->CreateEvent(ev_draw, 0);
  auto call = std::make_unique<CAction>(kActNormal);
  call->act_exetype = kExeFunction;
  call->act_functionid = world::Fn("t_drawself");
  ev.e_actions.push_back(std::move(call));
  const int32_t green = Sprite(4, 4, kGreen), red = Sprite(4, 4, kRed);
  const CInstance* a = Put(drawn, 4, 4, green, 0);
  const CInstance* b = Put(drawn, 40, 8, green, 0);
  Put(plain, 8, 10, red, 0);
  Put(plain, 36, 2, red, 0);
  ScreenRedraw();
  const std::string ia = std::to_string(a->i_id), ib = std::to_string(b->i_id);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"v0@" + ia, "v0@" + ib, "v1@" + ia, "v1@" + ib}));
  EXPECT_EQ(GameState().view_current, 0);
  EXPECT_TRUE(MatchesGolden(Capture(), "room_two_views"));
}

class TurnedView : public RoomDrawTest {
 protected:
  TurnedView() : RoomDrawTest(32, 32) {}
};

// The view shows (16, 16)-(32, 32) turned by 45 degrees: its corners reach room left of x 16,
// where a tile outside the unturned rectangle lies.
TEST_F(TurnedView, DrawsTheEnlargedRectangle) {
  room.r_width = room.r_height = 64;
  room.r_enableviews = true;
  CView& v = room.r_view[0];
  v = {};
  v.visible = true;
  v.xview = v.yview = 16;
  v.wview = v.hview = 16;
  v.wport = v.hport = 32;
  v.angle = 45;
  Tile(Background(4, 4, kRed), 12, 22, 4, 4, 0);
  ScreenRedraw();
  const TBitmap32 shot = Capture();
  int reds = 0;
  for (int32_t y = 0; y < shot.Height(); ++y)
    for (int32_t x = 0; x < shot.Width(); ++x) reds += At(shot, x, y) == 0xFF0000u;
  EXPECT_GT(reds, 4);
  EXPECT_TRUE(MatchesGolden(shot, "room_turned_view"));
}

TEST_F(RoomDrawTest, ViewsEnabledButNoneVisibleShowOnlyTheWindowColour) {
  room.r_enableviews = true;
  for (CView& v : room.r_view) v.visible = false;
  WindowState().color = 0x3060C0;
  Put(ObjectAdd(), 4, 4, Sprite(8, 8, kGreen), 0);
  ScreenRedraw();
  const TBitmap32 shot = Capture();
  for (int32_t y = 0; y < shot.Height(); ++y)
    for (int32_t x = 0; x < shot.Width(); ++x) ASSERT_EQ(At(shot, x, y), 0xC06030u) << x << "," << y;
}

TEST_F(RoomDrawTest, BatchedFrameCostsOneDrawCall) {
  room.r_showcolor = true;
  const int32_t obj = ObjectAdd(), spr = Sprite(2, 2, kGreen);
  for (int32_t i = 0; i < 10000; ++i) Put(obj, i % 32, (i / 32) % 24, spr, 0);
  const int64_t before = D3DDevice()->DrawCalls();
  ScreenRedraw();
  Capture();
  EXPECT_EQ(D3DDevice()->DrawCalls() - before, 1);
}

class RegionTest : public RoomDrawTest {
 protected:
  RegionTest() : RoomDrawTest(64, 48) {}
};

TEST_F(RegionTest, RegionFollowsTheViewsAndTheRoom) {
  InstallDisplayHooks();
  struct Case {
    const char* what;
    bool views;
    int32_t roomW, roomH;
    int32_t regionW, regionH;
  };
  const Case cases[] = {
      {"bounding size of the visible ports", true, 200, 200, 22, 17},
      {"the room without views", false, 30, 20, 30, 20},
      {"limited to the screen", false, 100, 100, 64, 48},
  };
  room.r_view[0] = {};
  room.r_view[0].visible = true;
  room.r_view[0].wport = 20;
  room.r_view[0].hport = 10;
  room.r_view[1] = room.r_view[0];
  room.r_view[1].xport = 10;
  room.r_view[1].yport = 5;
  room.r_view[1].wport = room.r_view[1].hport = 12;
  room.r_view[2] = room.r_view[1];
  room.r_view[2].visible = false;
  room.r_view[2].wport = 60;
  for (const Case& c : cases) {
    room.r_enableviews = c.views;
    room.r_width = c.roomW;
    room.r_height = c.roomH;
    RunHooks().adaptRegion();
    EXPECT_EQ(WindowState().region_width, c.regionW) << c.what;
    EXPECT_EQ(WindowState().region_height, c.regionH) << c.what;
    EXPECT_EQ(Display_UsedWidth(), c.regionW) << c.what;
    EXPECT_EQ(WindowState().client_width, c.regionW) << c.what;
  }
}

// Particle systems at depths 5 and 0 among instances at 20000, 5, 0 and -3: particles come
// before instances of their depth, and nothing is drawn deeper than 11000.
TEST(RoomMerge, ParticlesInstancesAndDrawingDepths) {
  RegisterDrawFunctions();
  Trace().clear();
  CRoom room;
  room.r_showcolor = false;
  SetCurrentRoom(&room);
  const RRunHooks saved = RunHooks();
  RunHooks() = RRunHooks{};
  RunHooks().particleDepthBelow = [](double below) { return below > 5 ? 5.0 : below > 0 ? 0.0 : -1e9; };
  RunHooks().drawParticles = [](double depth) { Trace().push_back("p" + std::to_string(int(depth))); };
  const int32_t obj = ObjectAdd();
  auto call = std::make_unique<CAction>(kActNormal);
  call->act_exetype = kExeFunction;
  call->act_functionid = world::Fn("t_depth");
  Objects().Get(obj)->CreateEvent(ev_draw, 0)->e_actions.push_back(std::move(call));
  for (double depth : {0.0, -3.0, 20000.0, 5.0}) room.AddInstance(0, 0, obj)->i_depth = depth;
  room.SortInstances();
  DrawRoomRectangle(room, 0, 0, 640, 480);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"z11000", "p5", "z5", "p0", "z0", "z-3"}));
  RunHooks() = saved;
  SetCurrentRoom(nullptr);
  room.ClearInstances();
}

TEST(RoomCaption, ScoreLivesAndHealth) {
  struct Case {
    bool score, chosen, lives, health;
    int32_t scoreValue, livesValue;
    double healthValue;
    const char* caption;
  };
  const Case cases[] = {
      {true, false, false, false, 0, 3, 50, "Room"},
      {true, false, false, false, 7, 3, 50, "Room Score: 7"},
      {true, true, false, false, 0, 3, 50, "Room Score: 0"},
      {false, true, false, false, 7, 3, 50, "Room"},
      {false, false, true, true, 0, 3, 49.5, "Room Lives: 3 Health: 50"},
      {true, false, true, true, 12, -1, 50.5, "Room Score: 12 Lives: -1 Health: 50"},
  };
  for (const Case& c : cases) {
    RGameState g;
    g.show_score = c.score;
    g.score_chosen = c.chosen;
    g.show_lives = c.lives;
    g.show_health = c.health;
    g.score = c.scoreValue;
    g.lives = c.livesValue;
    g.health = c.healthValue;
    EXPECT_EQ(RoomWindowCaption("Room", g), c.caption);
  }
}

// The input's mouse phase and the window's mouse functions read the views a redraw recorded.
TEST(RoomViewsTable, MouseMapsThroughTheRecordedViews) {
  CRoom room;
  room.r_enableviews = true;
  CView& big = room.r_view[0];
  big = {};
  big.visible = true;
  big.xview = 100;
  big.yview = 50;
  big.wview = 320;
  big.hview = 240;
  CView& small = room.r_view[1];
  small = {};
  small.visible = true;
  small.xview = small.yview = 1000;
  small.wview = small.hview = small.wport = small.hport = 100;
  SetCurrentRoom(&room);
  const RRunHooks saved = RunHooks();
  RunHooks() = RRunHooks{};
  struct Case {
    bool views;
    int32_t x, y;    // region
    int32_t rx, ry;  // room
  };
  const Case cases[] = {
      {true, 10, 10, 1010, 1010},  // the higher slot holds it
      {true, 200, 100, 200, 100},  // only the lower one does
      {true, 700, 10, 450, 55},    // neither: through the lowest used slot
      {false, 5, 6, 5, 6},         // no views recorded
  };
  for (const Case& c : cases) {
    room.r_enableviews = c.views;
    ScreenRedraw();
    SetMouseRegionPosition(c.x, c.y);
    MouseEvents();
    EXPECT_EQ(MouseX(), c.rx);
    EXPECT_EQ(MouseY(), c.ry);
    Mouse_SetScreen(WindowState().client_x + c.x, WindowState().client_y + c.y);
    int32_t x, y;
    Mouse_Room(x, y);
    EXPECT_EQ(x, c.rx);
    EXPECT_EQ(y, c.ry);
  }
  RunHooks() = saved;
  SetCurrentRoom(nullptr);
  ClearViewTable();
}

}  // namespace
