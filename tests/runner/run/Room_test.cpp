// Rooms: the tile store, depth sorting, activation changes, view following, copies, the room
// record, the room list with its chunks and the room order.
#include <algorithm>
#include <cmath>
#include <functional>

#include "runner/run/Run_Hooks.h"
#include "runner/run/Room_Main.h"
#include "runner/base/Support_Stream.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

class Rooms : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    SetLastTileId(10000000);
  }
  void TearDown() override {
    WorldTest::TearDown();
  }
  int32_t Tile(double x, double y, int32_t w, int32_t h, double depth) {
    RTile t;
    t.x = x;
    t.y = y;
    t.w = w;
    t.h = h;
    t.depth = depth;
    return room.AddTile(t);
  }
  std::vector<int32_t> TileIds() const {
    std::vector<int32_t> ids;
    for (const RTile& t : room.r_tile) ids.push_back(t.id);
    return ids;
  }
  std::vector<int32_t> Ids(const std::vector<std::unique_ptr<CInstance>>& list) const {
    std::vector<int32_t> ids;
    for (const auto& i : list) ids.push_back(i->i_id);
    return ids;
  }
};

// --- tiles ---------------------------------------------------------------------------------

TEST_F(Rooms, AddTileNumbersFromTheCounterAndFindTileUsesTheHint) {
  EXPECT_EQ(Tile(0, 0, 16, 16, 0), 0);
  EXPECT_EQ(Tile(0, 0, 16, 16, 0), 1);
  EXPECT_EQ(TileIds(), (std::vector<int32_t>{10000001, 10000002}));
  EXPECT_EQ(LastTileId(), 10000002);
  EXPECT_EQ(room.r_lasttile, 1);
  EXPECT_EQ(room.FindTile(10000001), 0);
  EXPECT_EQ(room.r_lasttile, 0);
  // A stale hint (the tile moved down) is checked by id, not trusted.
  room.DeleteTile(0);
  EXPECT_EQ(room.FindTile(10000002), 0);
  EXPECT_EQ(room.FindTile(10000001), -1);
  room.DeleteTile(5);  // ignored
  room.DeleteTile(-1);
  EXPECT_EQ(room.r_tnumb(), 1);
}

TEST_F(Rooms, FindTileAtIsHalfOpenAndDeleteTilesAtIsClosed) {
  Tile(10, 20, 8, 4, 5);  // covers x 10..18, y 20..24
  room.r_tile[0].xscale = 2;  // now x 10..26
  struct Case {
    double x, y;
    bool found;    // FindTileAt
    bool deleted;  // DeleteTilesAt
  } cases[] = {{10, 20, true, true},   {25.9, 23.9, true, true}, {26, 22, false, true}, {20, 24, false, true},
               {9.9, 22, false, false}, {26.1, 22, false, false}, {20, 24.1, false, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(room.FindTileAt(c.x, c.y, false), c.found ? 0 : -1) << c.x << "," << c.y;
    EXPECT_EQ(room.FindTileAtDepth(5, c.x, c.y), c.found ? 0 : -1) << c.x << "," << c.y;
    CRoom copy;
    copy.Assign(room);
    copy.DeleteTilesAt(c.x, c.y, false);
    EXPECT_EQ(copy.r_tnumb(), c.deleted ? 0 : 1) << c.x << "," << c.y;
  }
}

TEST_F(Rooms, TileDepthZeroIsBackgroundForFindingAndBothForDeleting) {
  struct Case {
    double depth;
    bool findFore, findBack, delFore, delBack;
  } cases[] = {{0, false, true, true, true}, {-1, true, false, true, false}, {1, false, true, false, true}};
  for (const Case& c : cases) {
    room.ClearTiles();
    Tile(0, 0, 10, 10, c.depth);
    EXPECT_EQ(room.FindTileAt(5, 5, true) == 0, c.findFore) << c.depth;
    EXPECT_EQ(room.FindTileAt(5, 5, false) == 0, c.findBack) << c.depth;
    CRoom fore, back;
    fore.Assign(room);
    back.Assign(room);
    fore.DeleteTilesAt(5, 5, true);
    back.DeleteTilesAt(5, 5, false);
    EXPECT_EQ(fore.r_tnumb() == 0, c.delFore) << c.depth;
    EXPECT_EQ(back.r_tnumb() == 0, c.delBack) << c.depth;
  }
}

TEST_F(Rooms, DepthOperationsMatchTheDepthExactly) {
  Tile(0, 0, 10, 10, 100);     // id ..01
  Tile(0, 0, 10, 10, 100.5);   // ..02
  Tile(50, 0, 10, 10, 100);    // ..03
  room.HideTilesDepth(100);
  EXPECT_FALSE(room.r_tile[0].visible);
  EXPECT_TRUE(room.r_tile[1].visible);
  EXPECT_FALSE(room.r_tile[2].visible);
  room.ShowTilesDepth(100);
  EXPECT_TRUE(room.r_tile[2].visible);
  room.ShiftTilesDepth(100, 3, -2);
  EXPECT_EQ(room.r_tile[2].x, 53);
  EXPECT_EQ(room.r_tile[2].y, -2);
  EXPECT_EQ(room.r_tile[1].x, 0);
  EXPECT_EQ(room.FindTileAtDepth(100, 55, 0), 2);
  EXPECT_EQ(room.FindTileAtDepth(100.5, 55, 0), -1);
  room.DeleteTilesAtDepth(100, 5, 5);
  EXPECT_EQ(TileIds(), (std::vector<int32_t>{10000002, 10000003}));
  room.ChangeTilesDepth(100, 7);
  EXPECT_EQ(room.r_tile[1].depth, 7);
  EXPECT_EQ(room.r_tile[0].depth, 100.5);
  room.DeleteTilesDepth(100.5);
  EXPECT_EQ(TileIds(), (std::vector<int32_t>{10000003}));
}

TEST_F(Rooms, GetAndSetTileIgnoreInvalidIndices) {
  Tile(1, 2, 3, 4, 5);
  RTile t;
  EXPECT_FALSE(room.GetTile(1, t));
  EXPECT_FALSE(room.GetTile(-1, t));
  ASSERT_TRUE(room.GetTile(0, t));
  EXPECT_EQ(t.id, 10000001);
  t.alpha = 0.5;
  t.id = 42;
  room.SetTile(0, t);
  room.SetTile(1, t);
  EXPECT_EQ(room.r_tnumb(), 1);
  EXPECT_EQ(room.r_tile[0].alpha, 0.5);
  EXPECT_EQ(room.r_tile[0].id, 42);
}

TEST_F(Rooms, SortTilesIsStableByDecreasingDepth) {
  for (double d : {1.0, 5.0, 1.0, 5.0, 3.0}) Tile(0, 0, 1, 1, d);
  room.SortTiles();
  EXPECT_EQ(TileIds(), (std::vector<int32_t>{10000002, 10000004, 10000005, 10000001, 10000003}));
}

// --- instances -----------------------------------------------------------------------------

TEST_F(Rooms, SortInstancesIsStableAndLeavesObjectListsAlone) {
  const int32_t obj = AddObject();
  const double depths[] = {0, 10, 0, NAN, 10, -5};
  for (double d : depths) room.AddInstance(0, 0, obj)->i_depth = d;
  room.SortInstances();
  // NaN sorts as the lowest depth; it never breaks the order of the others.
  EXPECT_EQ(Ids(room.r_instance), (std::vector<int32_t>{100002, 100005, 100001, 100003, 100006, 100004}));
  EXPECT_EQ(room.Obj_Instance(obj, 0)->i_id, 100001);
  // Already in order: nothing moves, ties included.
  room.SortInstances();
  EXPECT_EQ(room.Instance(0)->i_id, 100002);
}

TEST_F(Rooms, UpdateActiveMovesBothWaysKeepingOrder) {
  const int32_t obj = AddObject();
  for (int i = 0; i < 5; ++i) room.AddInstance(0, 0, obj);  // 100001..100005
  room.Instance(1)->i_deactivated = true;
  room.Instance(3)->i_deactivated = true;
  room.UpdateActive();
  EXPECT_EQ(Ids(room.r_instance), (std::vector<int32_t>{100001, 100003, 100005}));
  EXPECT_EQ(Ids(room.r_instance_deact), (std::vector<int32_t>{100002, 100004}));
  EXPECT_EQ(room.Obj_Number(obj), 3);
  // Woken instances go to the end of the active list before newly sleeping ones leave it.
  room.r_instance_deact[1]->i_deactivated = false;
  room.Instance(0)->i_deactivated = true;
  room.UpdateActive();
  EXPECT_EQ(Ids(room.r_instance), (std::vector<int32_t>{100003, 100005, 100004}));
  EXPECT_EQ(Ids(room.r_instance_deact), (std::vector<int32_t>{100002, 100001}));
  EXPECT_EQ(room.Obj_Instance(obj, 2)->i_id, 100004);
  EXPECT_EQ(room.FindInstance(100001), nullptr);
  EXPECT_NE(room.FindInstance(100004), nullptr);
}

TEST_F(Rooms, AssignCopiesEverythingWithTheSameIds) {
  const int32_t base = AddObject(), child = AddObject(base);
  room.r_caption = "Hall";
  room.r_width = 800;
  room.r_view[3].xview = 17;
  room.r_background[7].hspeed = 2;
  room.r_code = "x = 1;";
  room.AddInstance(1, 2, child)->i_vars.SetVar(100000, 0, RValue(5.0));
  room.AddInstance(3, 4, base)->i_deactivated = true;
  room.UpdateActive();
  Tile(0, 0, 1, 1, 0);
  CRoom copy;
  copy.r_tile.resize(3);  // replaced, not appended to
  copy.Assign(room);
  EXPECT_EQ(copy.r_caption, "Hall");
  EXPECT_EQ(copy.r_width, 800);
  EXPECT_EQ(copy.r_view[3].xview, 17);
  EXPECT_EQ(copy.r_background[7].hspeed, 2);
  EXPECT_EQ(copy.r_code, "x = 1;");
  ASSERT_EQ(copy.r_numb(), 1);
  ASSERT_EQ(copy.r_numb_deact(), 1);
  EXPECT_NE(copy.Instance(0), room.Instance(0));
  EXPECT_EQ(copy.Instance(0)->i_id, 100001);
  EXPECT_EQ(copy.r_instance_deact[0]->i_id, 100002);
  RValue hp;
  ASSERT_TRUE(copy.Instance(0)->i_vars.GetVar(100000, 0, hp));
  EXPECT_EQ(hp.val(), 5);
  EXPECT_EQ(copy.Obj_Number_Recursive(base), 1);
  EXPECT_EQ(copy.Obj_Number(child), 1);
  EXPECT_EQ(copy.r_tnumb(), 1);
  EXPECT_EQ(LastInstanceId(), 100002);  // copying takes no new ids
  copy.Clear();
  EXPECT_EQ(copy.r_numb() + copy.r_numb_deact() + copy.r_tnumb(), 0);
  EXPECT_EQ(copy.r_width, 640);
  EXPECT_EQ(copy.r_view[3].xview, 0);
  EXPECT_EQ(copy.r_lasttile, -1);
}

TEST_F(Rooms, ScrollBackgroundMovesEveryLayer) {
  room.r_background[0].hspeed = 1.5;
  room.r_background[7].vspeed = -2;
  room.ScrollBackground();
  room.ScrollBackground();
  EXPECT_EQ(room.r_background[0].x, 3);
  EXPECT_EQ(room.r_background[7].y, -4);
  EXPECT_EQ(room.r_background[3].x, 0);
}

// --- view following ------------------------------------------------------------------------

TEST_F(Rooms, ViewFollowing) {
  struct Case {
    const char* what;
    double x, y;
    int32_t xview, wview, hborder, hspeed;
    int32_t roomWidth;
    int32_t expect;  // new xview
  } cases[] = {
      {"inside the borders", 100, 0, 0, 200, 32, -1, 1000, 0},
      {"past the right border", 190, 0, 0, 200, 32, -1, 1000, 22},
      {"past the left border", 140, 0, 200, 200, 32, -1, 1000, 108},
      {"x rounds half to even (down)", 168.5, 0, 0, 200, 32, -1, 1000, 0},
      {"x rounds half to even (up)", 169.5, 0, 0, 200, 32, -1, 1000, 2},
      {"border at half the width centres", 300, 0, 0, 200, 100, -1, 1000, 200},
      {"odd width halves towards zero", 300, 0, 0, 201, 150, -1, 1000, 200},
      {"clamped at the left", 10, 0, 100, 200, 32, -1, 1000, 0},
      {"clamped at the right", 990, 0, 0, 200, 32, -1, 1000, 800},
      {"wider than the room ends negative", 50, 0, 0, 300, 32, -1, 200, -100},
      {"speed limit", 500, 0, 0, 200, 32, 10, 1000, 10},
      {"speed limit backwards", 10, 0, 300, 200, 32, 25, 1000, 275},
      {"speed 0 holds the view", 500, 0, 0, 200, 32, 0, 1000, 0},
      {"far away", 1e300, 0, 0, 200, 32, -1, 1000, 800},
  };
  const int32_t obj = AddObject();
  for (const Case& c : cases) {
    room.ClearInstances();
    room.AddInstance(c.x, c.y, obj);
    room.r_enableviews = true;
    room.r_width = c.roomWidth;
    CView& v = room.r_view[2];
    v = CView{};
    v.visible = true;
    v.index = obj;
    v.xview = c.xview;
    v.wview = c.wview;
    v.hborder = c.hborder;
    v.hspeed = c.hspeed;
    room.FollowViews();
    EXPECT_EQ(v.xview, c.expect) << c.what;
    EXPECT_EQ(v.yview, 0) << c.what;  // y 0 inside the vertical borders
  }
}

TEST_F(Rooms, ViewFollowsTheFirstUnmarkedInstanceAndOnlyVisibleViewsWhenEnabled) {
  const int32_t base = AddObject(), child = AddObject(base);
  CInstance* marked = room.AddInstance(900, 900, child);
  marked->i_marked = true;
  CInstance* a = room.AddInstance(300, 900, child);
  room.AddInstance(600, 900, base);
  room.r_width = room.r_height = 2000;
  CView& byObject = room.r_view[0];
  byObject.visible = true;
  byObject.index = base;
  CView& byId = room.r_view[1];
  byId.visible = true;
  byId.index = 100003;
  CView& hidden = room.r_view[2];
  hidden.index = base;
  CView& none = room.r_view[3];
  none.visible = true;
  none.index = 100099;
  room.FollowViews();
  EXPECT_EQ(byObject.xview, 0);  // not enabled
  room.r_enableviews = true;
  room.FollowViews();
  EXPECT_EQ(byObject.xview, 0);   // a at 300 is inside 32..608
  EXPECT_EQ(byObject.yview, 452);  // 900 + 32 - 480
  EXPECT_EQ(byId.xview, 0);
  EXPECT_EQ(byId.yview, 452);
  EXPECT_EQ(hidden.yview, 0);
  EXPECT_EQ(none.yview, 0);
  // A marked copy with the id ahead of the live one is passed over.
  a->i_id = 100003;
  room.InvalidateIds();
  room.Instance(2)->i_id = 100004;
  marked->i_id = 100003;
  a->SetPosition(1500, 1500);
  room.FollowViews();
  EXPECT_EQ(byId.xview, 892);
  EXPECT_EQ(byObject.xview, 892);
}

// --- the room record -----------------------------------------------------------------------

// A room record with every count given; fill adds the entries after each count.
struct Record {
  int32_t version = kRoomRecordVersion;
  int32_t backs = 8, views = 8, instances = 0, tiles = 0;
  std::function<void(CStream&)> back = [](CStream& s) {
    for (int k = 0; k < 10; ++k) s.WriteInteger(0);
  };
  std::function<void(CStream&)> view = [](CStream& s) {
    s.WriteBoolean(true);
    for (int k = 1; k < 14; ++k) s.WriteInteger(k);
  };
  std::function<void(CStream&, int32_t)> instance = [](CStream& s, int32_t i) {
    s.WriteInteger(10 * i);
    s.WriteInteger(20);
    s.WriteInteger(0);
    s.WriteInteger(100001 + i);
    s.WriteString(i == 0 ? "hp = 3;" : "");
  };
  int32_t writeInstances = -1;  // entries actually written; -1: the count

  CStream Write() const {
    CStream s;
    s.WriteInteger(version);
    s.WriteString("Caption");
    s.WriteInteger(320);
    s.WriteInteger(200);
    s.WriteInteger(60);
    s.WriteBoolean(true);
    s.WriteInteger(0x123456);
    s.WriteBoolean(false);
    s.WriteString("room code");
    s.WriteInteger(backs);
    for (int32_t i = 0; i < std::min(backs, 16); ++i) back(s);  // huge counts stay short
    s.WriteBoolean(true);
    s.WriteInteger(views);
    for (int32_t i = 0; i < std::min(views, 16); ++i) view(s);
    s.WriteInteger(instances);
    for (int32_t i = 0; i < (writeInstances < 0 ? instances : writeInstances); ++i) instance(s, i);
    s.WriteInteger(tiles);
    for (int32_t i = 0; i < tiles; ++i)
      for (int32_t v : {1, 2, 3, 4, 5, 6, 7, -8, 10000001 + i}) s.WriteInteger(v);
    s.SetPosition(0);
    return s;
  }
};

TEST_F(Rooms, RecordLoadsEveryField) {
  const int32_t obj = AddObject();
  Objects().Get(obj)->o_depth = -7;
  Record r;
  r.instances = 2;
  r.tiles = 1;
  int n = 0;
  r.back = [&n](CStream& s) {
    s.WriteBoolean(true);
    s.WriteBoolean(n % 2 == 1);
    s.WriteInteger(n);  // background index
    s.WriteInteger(-3);
    s.WriteInteger(4);
    s.WriteBoolean(false);
    s.WriteBoolean(true);
    s.WriteInteger(-1);
    s.WriteInteger(2);
    s.WriteBoolean(true);  // stretch
    ++n;
  };
  // Background 1 is 64 × 50, background 2 has no width, the rest do not exist.
  RunLookups().backgroundSize = [](int32_t b, int32_t& w, int32_t& h) {
    if (b == 1) w = 64, h = 50;
    if (b == 2) w = 0, h = 40;
    return b == 1 || b == 2;
  };
  CStream s = r.Write();
  ASSERT_TRUE(room.LoadFromStream(s));
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  EXPECT_EQ(room.r_caption, "Caption");
  EXPECT_EQ(room.r_width, 320);
  EXPECT_EQ(room.r_height, 200);
  EXPECT_EQ(room.r_speed, 60);
  EXPECT_TRUE(room.r_persistent);
  EXPECT_EQ(room.r_color, 0x123456u);
  EXPECT_FALSE(room.r_showcolor);
  EXPECT_EQ(room.r_code, "room code");
  const CBack& b1 = room.r_background[1];
  EXPECT_TRUE(b1.visible);
  EXPECT_TRUE(b1.foreground);
  EXPECT_EQ(b1.index, 1);
  EXPECT_EQ(b1.x, -3);
  EXPECT_EQ(b1.y, 4);
  EXPECT_FALSE(b1.htiled);
  EXPECT_TRUE(b1.vtiled);
  EXPECT_EQ(b1.hspeed, -1);
  EXPECT_EQ(b1.vspeed, 2);
  EXPECT_EQ(b1.xscale, 5);
  EXPECT_EQ(b1.yscale, 4);
  EXPECT_EQ(b1.blend, 0xFFFFFFu);
  EXPECT_EQ(b1.alpha, 1);
  EXPECT_EQ(room.r_background[2].xscale, 1);  // no width: unscaled
  EXPECT_EQ(room.r_background[2].yscale, 5);
  EXPECT_EQ(room.r_background[3].xscale, 1);  // no such background
  EXPECT_TRUE(room.r_enableviews);
  const CView& v = room.r_view[7];
  EXPECT_TRUE(v.visible);
  EXPECT_EQ(v.xview, 1);
  EXPECT_EQ(v.hport, 8);
  EXPECT_EQ(v.hborder, 9);
  EXPECT_EQ(v.vspeed, 12);
  EXPECT_EQ(v.index, 13);
  EXPECT_EQ(v.angle, 0);
  ASSERT_EQ(room.r_numb(), 2);
  EXPECT_EQ(room.Instance(1)->i_x, 10);
  EXPECT_EQ(room.Instance(1)->i_id, 100002);
  EXPECT_EQ(room.Instance(0)->i_depth, -7);  // the object's defaults
  EXPECT_EQ(room.Instance(0)->i_initcode, "hp = 3;");
  EXPECT_EQ(room.Obj_Number(obj), 2);
  EXPECT_EQ(LastInstanceId(), 100000);  // loading takes no ids
  ASSERT_EQ(room.r_tnumb(), 1);
  const RTile& t = room.r_tile[0];
  EXPECT_EQ(t.x, 1);
  EXPECT_EQ(t.y, 2);
  EXPECT_EQ(t.index, 3);
  EXPECT_EQ(t.xo, 4);
  EXPECT_EQ(t.h, 7);
  EXPECT_EQ(t.depth, -8);
  EXPECT_EQ(t.id, 10000001);
  EXPECT_TRUE(t.visible);
  EXPECT_EQ(t.xscale, 1);
}

TEST_F(Rooms, RecordKeepsEightLayersAndViewsAndDefaultsTheRest) {
  Record r;
  r.backs = 9;
  r.views = 3;
  int n = 0;
  r.back = [&n](CStream& s) {
    for (int k = 0; k < 2; ++k) s.WriteBoolean(true);
    s.WriteInteger(n++);
    for (int k = 0; k < 7; ++k) s.WriteInteger(0);
  };
  CStream s = r.Write();
  ASSERT_TRUE(room.LoadFromStream(s));
  EXPECT_EQ(room.r_background[7].index, 7);
  EXPECT_EQ(room.r_view[2].index, 13);
  EXPECT_EQ(room.r_view[3].index, -1);
  EXPECT_EQ(room.r_view[3].wview, 640);
}

// Placed instances wait as records until asked for, and then come out as they would have been
// made when the room was read: the objects' defaults of that time, ids, positions and creation
// code, before anything added since. Copies stay records, and clearing drops them.
TEST_F(Rooms, PlacedRecordsBecomeTheInstancesReadingWouldHaveMade) {
  const int32_t obj = AddObject();
  Objects().Get(obj)->o_depth = -7;
  Objects().Get(obj)->o_solid = true;
  Record r;
  r.instances = 3;
  r.instance = [](CStream& s, int32_t i) {
    s.WriteInteger(10 * i);
    s.WriteInteger(-20);
    s.WriteInteger(i == 2 ? 1 : 0);  // object 1 does not exist yet
    s.WriteInteger(100001 + i);
    s.WriteString(i == 1 ? "a creation code longer than any short string" : "");
  };
  CStream s = r.Write();
  ASSERT_TRUE(room.LoadFromStream(s));
  EXPECT_EQ(room.r_numb_placed(), 3);
  // What changes after reading reaches instances added later, not the placed ones.
  Objects().Get(obj)->o_depth = 50;
  Objects().Get(obj)->o_solid = false;
  ASSERT_EQ(AddObject(), 1);
  Objects().Get(1)->o_depth = 9;
  SetLastInstanceId(100003);  // as the rooms chunk leaves it
  room.AddInstance(1, 2, obj);
  CRoom copy;
  copy.Assign(room);
  EXPECT_EQ(copy.r_numb_placed(), 3);

  struct Expect {
    int32_t id, object;
    double x, y, depth;
    bool solid, hasObject;
    const char* code;
  } expected[] = {{100001, 0, 0, -20, -7, true, true, ""},
                  {100002, 0, 10, -20, -7, true, true, "a creation code longer than any short string"},
                  {100003, 1, 20, -20, 0, false, false, ""},
                  {100004, 0, 1, 2, 50, false, true, ""}};
  for (CRoom* made : {&copy, &room}) {
    ASSERT_EQ(made->r_numb(), 4);
    EXPECT_EQ(made->r_numb_placed(), 0);
    for (int32_t i = 0; i < 4; ++i) {
      const Expect& e = expected[i];
      const CInstance& inst = *made->Instance(i);
      EXPECT_EQ(inst.i_id, e.id) << i;
      EXPECT_EQ(inst.i_objectindex, e.object) << i;
      EXPECT_EQ(inst.i_x, e.x) << i;
      EXPECT_EQ(inst.i_y, e.y) << i;
      EXPECT_EQ(inst.i_xstart, e.x) << i;
      EXPECT_EQ(inst.i_yprevious, e.y) << i;
      EXPECT_EQ(inst.i_depth, e.depth) << i;
      EXPECT_EQ(inst.i_solid, e.solid) << i;
      EXPECT_EQ(inst.i_object != nullptr, e.hasObject) << i;
      EXPECT_EQ(inst.i_initcode, e.code) << i;
    }
    EXPECT_EQ(made->Obj_Number(obj), 3);
    EXPECT_EQ(made->Obj_Number(1), 1);
    EXPECT_EQ(made->FindInstance(100003), made->Instance(2));
  }
  EXPECT_EQ(LastInstanceId(), 100004);  // making the records took no id

  CStream again = r.Write();
  ASSERT_TRUE(room.LoadFromStream(again));
  room.ClearInstances();
  EXPECT_EQ(room.r_numb_placed(), 0);
  EXPECT_EQ(room.r_numb(), 0);
}

TEST_F(Rooms, DamagedRecords) {
  struct Case {
    const char* what;
    std::function<void(Record&)> change;
    bool throws;  // else: false
  } cases[] = {
      {"wrong version", [](Record& r) { r.version = 540; }, false},
      {"negative instance count", [](Record& r) { r.instances = -1; }, true},
      {"instance count past the end", [](Record& r) { r.instances = 100000000; r.writeInstances = 1; }, true},
      {"background count past the end", [](Record& r) { r.backs = INT32_MAX; }, true},
      {"view count past the end", [](Record& r) { r.views = 1 << 28; }, true},
      {"short instance entry", [](Record& r) { r.instances = 1; r.instance = [](CStream& s, int32_t) { s.WriteInteger(0); }; }, true},
  };
  for (const Case& c : cases) {
    Record r;
    c.change(r);
    CStream s = r.Write();
    if (c.throws)
      EXPECT_THROW(room.LoadFromStream(s), StreamError) << c.what;
    else
      EXPECT_FALSE(room.LoadFromStream(s)) << c.what;
  }
}

// --- the room list and its chunks ----------------------------------------------------------

CStream RoomsChunk(int32_t version, const std::vector<std::optional<std::pair<std::string, CStream>>>& entries,
                   bool counters = true) {
  CStream c;
  c.WriteInteger(version);
  c.WriteInteger(static_cast<int32_t>(entries.size()));
  for (const auto& e : entries) {
    CStream block;
    block.WriteBoolean(e.has_value());
    if (e) {
      block.WriteString(e->first);
      CStream record = e->second;
      block.WriteBuffer(record.Data(), record.GetSize());
    }
    c.WriteStreamC(block);
  }
  if (counters) {
    c.WriteInteger(100123);
    c.WriteInteger(10000456);
  }
  c.SetPosition(0);
  return c;
}

TEST_F(Rooms, RoomsChunkFillsTheListAndTheCounters) {
  CStream c = RoomsChunk(kRoomsChunkVersion, {std::pair("rm_a", Record().Write()), std::nullopt,
                                              std::pair("rm_b", Record().Write())});
  ASSERT_TRUE(LoadRooms(c));
  EXPECT_EQ(::Rooms().Count(), 3);
  EXPECT_TRUE(::Rooms().Exists(0));
  EXPECT_FALSE(::Rooms().Exists(1));
  EXPECT_EQ(::Rooms().Get(1), nullptr);
  EXPECT_EQ(::Rooms().Get(2)->r_caption, "Caption");
  EXPECT_EQ(::Rooms().Name(2), "rm_b");
  EXPECT_EQ(::Rooms().Name(1), "<undefined>");
  EXPECT_EQ(::Rooms().Name(3), "<undefined>");
  EXPECT_EQ(::Rooms().Find("rm_b"), 2);
  EXPECT_EQ(::Rooms().Find("rm_"), -1);
  EXPECT_EQ(LastInstanceId(), 100123);
  EXPECT_EQ(LastTileId(), 10000456);
  // A second load replaces the list.
  CStream again = RoomsChunk(kRoomsChunkVersion, {});
  ASSERT_TRUE(LoadRooms(again));
  EXPECT_EQ(::Rooms().Count(), 0);
}

TEST_F(Rooms, RoomsChunkFailures) {
  CStream version = RoomsChunk(799, {std::pair("rm", Record().Write())});
  EXPECT_FALSE(LoadRooms(version));
  Record bad;
  bad.version = 800;
  CStream record = RoomsChunk(kRoomsChunkVersion, {std::pair("rm", Record().Write()), std::pair("rm2", bad.Write())});
  EXPECT_FALSE(LoadRooms(record));
  EXPECT_EQ(::Rooms().Count(), 0);
  CStream noCounters = RoomsChunk(kRoomsChunkVersion, {std::nullopt}, false);
  EXPECT_THROW(LoadRooms(noCounters), StreamError);
  CStream hostile;
  hostile.WriteInteger(kRoomsChunkVersion);
  hostile.WriteInteger(INT32_MAX);
  hostile.WriteInteger(0);
  hostile.SetPosition(0);
  EXPECT_THROW(LoadRooms(hostile), StreamError);
}

TEST_F(Rooms, ListOperations) {
  EXPECT_EQ(::Rooms().Add(), 0);
  EXPECT_EQ(::Rooms().Name(0), "__newroom0");
  ::Rooms().Get(0)->r_caption = "first";
  ::Rooms().Get(0)->AddInstance(5, 5, AddObject());
  EXPECT_EQ(RoomDuplicate(0), 1);
  EXPECT_EQ(::Rooms().Name(1), "__newroom1");
  EXPECT_EQ(::Rooms().Get(1)->r_caption, "first");
  EXPECT_EQ(::Rooms().Get(1)->Instance(0)->i_id, ::Rooms().Get(0)->Instance(0)->i_id);
  EXPECT_EQ(RoomDuplicate(7), -1);
  ::Rooms().Get(1)->r_caption = "second";
  EXPECT_TRUE(RoomAssign(0, 1));
  EXPECT_EQ(::Rooms().Get(0)->r_caption, "second");
  EXPECT_EQ(::Rooms().Name(0), "__newroom0");
  EXPECT_FALSE(RoomAssign(0, 2));
  EXPECT_FALSE(RoomAssign(2, 0));
  EXPECT_FALSE(RoomAssign(-1, 0));
  // An empty slot in range gets a room.
  CStream c = RoomsChunk(kRoomsChunkVersion, {std::pair("rm", Record().Write()), std::nullopt});
  ASSERT_TRUE(LoadRooms(c));
  EXPECT_FALSE(RoomAssign(0, 1));  // an empty source is no room to copy
  EXPECT_TRUE(RoomAssign(1, 0));
  EXPECT_EQ(::Rooms().Get(1)->r_caption, "Caption");
  EXPECT_EQ(::Rooms().Name(1), "__newroom1");
}

CStream OrderChunk(int32_t version, int32_t count, const std::vector<int32_t>& rooms) {
  CStream c;
  c.WriteInteger(version);
  c.WriteInteger(count);
  for (int32_t r : rooms) c.WriteInteger(r);
  c.SetPosition(0);
  return c;
}

TEST_F(Rooms, RoomOrderAndNeighbours) {
  EXPECT_EQ(RoomFirst(), -1);
  EXPECT_EQ(RoomLast(), -1);
  CStream c = OrderChunk(kRoomOrderChunkVersion, 3, {4, 0, 2});
  ASSERT_TRUE(LoadRoomOrder(c));
  EXPECT_EQ(RoomOrderCount(), 3);
  EXPECT_EQ(RoomOrderAt(1), 0);
  EXPECT_EQ(RoomOrderAt(3), -1);
  EXPECT_EQ(RoomFirst(), 4);
  EXPECT_EQ(RoomLast(), 2);
  struct Case {
    int32_t room, previous, next;
  } cases[] = {{4, -1, 0}, {0, 4, 2}, {2, 0, -1}, {1, -1, -1}, {-1, -1, -1}};
  for (const Case& k : cases) {
    EXPECT_EQ(RoomPrevious(k.room), k.previous) << k.room;
    EXPECT_EQ(RoomNext(k.room), k.next) << k.room;
  }
}

TEST_F(Rooms, RoomOrderFailures) {
  CStream version = OrderChunk(800, 1, {0});
  EXPECT_FALSE(LoadRoomOrder(version));
  CStream zero = OrderChunk(kRoomOrderChunkVersion, 0, {});
  EXPECT_FALSE(LoadRoomOrder(zero));
  CStream negative = OrderChunk(kRoomOrderChunkVersion, -2, {});
  EXPECT_FALSE(LoadRoomOrder(negative));
  CStream hostile = OrderChunk(kRoomOrderChunkVersion, INT32_MAX, {0});
  EXPECT_THROW(LoadRoomOrder(hostile), StreamError);
  EXPECT_EQ(RoomOrderCount(), 0);
}

}  // namespace

namespace {
// A changed or carried instance leaves a marked copy with the same id before it in the list.
TEST_F(Rooms, AnIdNamesTheLiveInstanceWhenAMarkedCopyPrecedesIt) {
  const int32_t obj = AddObject();
  CInstance* old = room.AddInstance(0, 0, obj);
  EXPECT_EQ(room.FindInstance(old->i_id), old);  // the index is built now
  CInstance* live = room.AddInstance(0, 0, obj);
  old->i_marked = true;
  live->i_id = old->i_id;
  room.InvalidateIds();
  EXPECT_EQ(room.FindInstance(old->i_id), live);
  live->i_marked = true;
  EXPECT_NE(room.FindInstance(old->i_id), nullptr);  // only marked ones left: still found
}
}  // namespace
