// Instance defaults, the setters and their couplings (speed, direction and the vector, with
// snapping), friction and gravity, the bounding box and the stream form.
#include <cmath>

#include "runner/base/Support_Stream.h"
#include "runner/run/Run_Hooks.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

class Instances : public WorldTest {};

TEST_F(Instances, CreationTakesTheObjectsDefaults) {
  const int32_t obj = AddObject();
  CObject& o = *Objects().Get(obj);
  o.o_spriteindex = 4;
  o.o_mask = 6;
  o.o_depth = -10;
  o.o_solid = true;
  o.o_visible = false;
  o.o_persistent = true;
  CInstance i(12.5, -3, 100077, obj);
  EXPECT_EQ(i.i_id, 100077);
  EXPECT_EQ(i.i_objectindex, obj);
  EXPECT_EQ(i.i_object, &o);
  EXPECT_EQ(i.i_spriteindex, 4);
  EXPECT_EQ(i.i_maskindex, 6);
  EXPECT_EQ(i.i_depth, -10);
  EXPECT_TRUE(i.i_solid);
  EXPECT_FALSE(i.i_visible);
  EXPECT_TRUE(i.i_persistent);
  EXPECT_EQ(i.i_x, 12.5);
  EXPECT_EQ(i.i_ystart, -3);
  EXPECT_EQ(i.i_xprevious, 12.5);
  EXPECT_EQ(i.i_yprevious, -3);
  EXPECT_EQ(i.i_imageindex, 0);
  EXPECT_EQ(i.i_imagespeed, 1);
  EXPECT_EQ(i.i_imagescalex, 1);
  EXPECT_EQ(i.i_imagescaley, 1);
  EXPECT_EQ(i.i_imageangle, 0);
  EXPECT_EQ(i.i_imagealpha, 1);
  EXPECT_EQ(i.i_imageblend, 0xFFFFFFu);
  EXPECT_EQ(i.i_direction, 0);
  EXPECT_EQ(i.i_speed, 0);
  EXPECT_EQ(i.i_gravitydir, 270);
  EXPECT_EQ(i.i_gravity, 0);
  EXPECT_EQ(i.i_friction, 0);
  for (int32_t a = 0; a < kAlarmCount; ++a) EXPECT_EQ(i.GetAlarm(a), -1);
  EXPECT_EQ(i.i_pathindex, -1);
  EXPECT_EQ(i.i_pathscale, 1);
  EXPECT_EQ(i.i_pathend, 0);
  EXPECT_EQ(i.i_timelineindex, -1);
  EXPECT_EQ(i.i_timelinespeed, 1);
  EXPECT_FALSE(i.i_timelinerunning);
  EXPECT_FALSE(i.i_marked);
  EXPECT_FALSE(i.i_deactivated);
  EXPECT_EQ(i.i_vars.v_numb(), 0);
  EXPECT_EQ(i.i_bbox, RBoundingBox{});  // no sprite exists: all sides -100000
  EXPECT_EQ(i.i_bbox.left, -100000);

  CInstance none(0, 0, 0, 99);  // a missing object: the table's own defaults
  EXPECT_EQ(none.i_object, nullptr);
  EXPECT_EQ(none.i_spriteindex, -1);
  EXPECT_TRUE(none.i_visible);
  EXPECT_FALSE(none.i_solid);
}

TEST_F(Instances, AlarmsOutsideTheRangeAreIgnored) {
  CInstance i(0, 0, 0, 0);
  i.SetAlarm(11, 5);
  i.SetAlarm(12, 7);
  i.SetAlarm(-1, 7);
  EXPECT_EQ(i.GetAlarm(11), 5);
  EXPECT_EQ(i.GetAlarm(12), -1);
  EXPECT_EQ(i.GetAlarm(-1), -1);
}

// A sequence of motion writes and the four values after it.
struct MotionCase {
  const char* what;
  std::vector<std::pair<char, double>> writes;  // s speed, d direction, h hspeed, v vspeed
  double speed, direction, hspeed, vspeed;
};

void PrintTo(const MotionCase& c, std::ostream* os) { *os << c.what; }

const MotionCase kMotion[] = {
    {"hspeed then vspeed", {{'h', 3}, {'v', -4}}, 5, 53.13010235415598, 3, -4},
    {"direction 90 with speed 2 is exact", {{'s', 2}, {'d', 90}}, 2, 90, 0, -2},
    {"direction 180", {{'s', 2}, {'d', 180}}, 2, 180, -2, 0},
    {"direction 45", {{'s', 2}, {'d', 45}}, 2, 45, std::sqrt(2.0), -std::sqrt(2.0)},
    {"direction -90 stores 270", {{'d', -90}}, 0, 270, 0, 0},
    {"direction 720 stores 0", {{'d', 30}, {'d', 720}}, 0, 0, 0, 0},
    {"direction 360 stores 0", {{'s', 1}, {'d', 360}}, 1, 0, 1, 0},
    {"negative speed points backwards", {{'s', -3}}, -3, 0, -3, 0},
    {"hspeed after negative speed turns it round", {{'s', -3}, {'h', -2}}, 2, 180, -2, 0},
    {"writing the same value changes nothing", {{'s', -3}, {'h', -3}}, -3, 0, -3, 0},
    {"vspeed down", {{'v', 2}}, 2, 270, 0, 2},
    {"vspeed up", {{'v', -2}}, 2, 90, 0, -2},
    {"zero vector", {{'h', 1}, {'h', 0}}, 0, 0, 0, 0},
    {"speed snaps within 0.0001", {{'h', 3.00004}, {'v', 0}}, 3, 0, 3.00004, 0},
    {"direction snaps within 0.0001", {{'h', 1}, {'v', -1.000001}}, std::sqrt(1 + 1.000001 * 1.000001), 45, 1, -1.000001},
    {"direction beyond 0.0001 stays", {{'h', 1}, {'v', -1.00001}}, std::sqrt(1 + 1.00001 * 1.00001), 45.000286477465181,
     1, -1.00001},
};

class Motion : public WorldTest, public ::testing::WithParamInterface<MotionCase> {};

TEST_P(Motion, Couplings) {
  const MotionCase& c = GetParam();
  CInstance i(0, 0, 0, 0);
  for (auto [what, v] : c.writes) {
    switch (what) {
      case 's': i.Setspeed(v); break;
      case 'd': i.Setdirection(v); break;
      case 'h': i.Sethspeed(v); break;
      default: i.Setvspeed(v); break;
    }
  }
  EXPECT_DOUBLE_EQ(i.i_speed, c.speed);
  EXPECT_DOUBLE_EQ(i.i_direction, c.direction);
  EXPECT_DOUBLE_EQ(i.i_hspeed, c.hspeed);
  EXPECT_DOUBLE_EQ(i.i_vspeed, c.vspeed);
  EXPECT_GE(i.i_direction, 0);
  EXPECT_LT(i.i_direction, 360);
}

INSTANTIATE_TEST_SUITE_P(Cases, Motion, ::testing::ValuesIn(kMotion));

TEST_F(Instances, DirectionNeverReachesThreeSixty) {
  CInstance i(0, 0, 0, 0);
  i.Setdirection(-1e-20);
  EXPECT_GE(i.i_direction, 0);
  EXPECT_LT(i.i_direction, 360);
}

struct FrictionCase {
  const char* what;
  double speed, friction, gravity, gravitydir;
  double speed_after, hspeed_after, vspeed_after;
};

void PrintTo(const FrictionCase& c, std::ostream* os) { *os << c.what; }

const FrictionCase kFriction[] = {
    {"friction slows", 5, 1, 0, 270, 4, 4, 0},
    {"friction beyond the speed stops", 0.5, 1, 0, 270, 0, 0, 0},
    {"friction slows a negative speed", -5, 1, 0, 270, -4, -4, 0},
    {"negative friction accelerates", 2, -1, 0, 270, 3, 3, 0},
    {"friction leaves a standing instance", 0, 1, 0, 270, 0, 0, 0},
    {"gravity down", 0, 0, 0.5, 270, 0.5, 0, 0.5},
    {"friction then gravity", 3, 1, 2, 90, std::sqrt(8.0), 2, -2},
};

class Friction : public WorldTest, public ::testing::WithParamInterface<FrictionCase> {};

TEST_P(Friction, AdaptSpeed) {
  const FrictionCase& c = GetParam();
  CInstance i(0, 0, 0, 0);
  i.Setspeed(c.speed);
  i.i_friction = c.friction;
  i.i_gravity = c.gravity;
  i.i_gravitydir = c.gravitydir;
  i.Adapt_Speed();
  EXPECT_DOUBLE_EQ(i.i_speed, c.speed_after);
  EXPECT_NEAR(i.i_hspeed, c.hspeed_after, 1e-12);
  EXPECT_NEAR(i.i_vspeed, c.vspeed_after, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Cases, Friction, ::testing::ValuesIn(kFriction));

TEST_F(Instances, PathPositionsClampToTheUnitRange) {
  CInstance i(0, 0, 0, 0);
  for (auto [in, out] : std::vector<std::pair<double, double>>{{1.5, 1}, {-0.2, 0}, {0.25, 0.25}, {NAN, 0}, {INFINITY, 1}}) {
    i.Setpathposition(in);
    EXPECT_EQ(i.i_pathposition, out) << in;
    i.Setpathpositionprevious(in);
    EXPECT_EQ(i.i_pathpositionprevious, out) << in;
  }
}

// A sprite 0 of 32x16 with origin (16, 8), box (2, 1)-(29, 14) and 3 images; sprite 1 is 8x8.
bool TestSprites(int32_t sprite, RSpriteShape& s) {
  if (sprite == 0) {
    s = {3, 16, 8, 2, 1, 29, 14, 32, 16};
    return true;
  }
  if (sprite == 1) {
    s = {1, 0, 0, 0, 0, 7, 7, 8, 8};
    return true;
  }
  return false;
}

class BoundingBox : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    RunLookups().spriteShape = TestSprites;
  }
  void TearDown() override {
    RunLookups().spriteShape = nullptr;
    WorldTest::TearDown();
  }
};

TEST_F(BoundingBox, FollowsPositionScaleAngleSpriteAndMask) {
  const int32_t obj = AddObject();
  Objects().Get(obj)->o_spriteindex = 0;
  CInstance i(100, 50, 0, obj);
  EXPECT_EQ(i.i_bbox, (RBoundingBox{86, 43, 113, 56}));
  i.SetPosition(101, 50);
  EXPECT_EQ(i.i_bbox, (RBoundingBox{87, 43, 114, 56}));
  i.Setimagescalex(-1);  // mirrored: the sides swap
  EXPECT_EQ(i.i_bbox, (RBoundingBox{86, 43, 115, 56}));
  i.Setimagescalex(1);
  i.Setimageangle(90);
  EXPECT_EQ(i.i_bbox, (RBoundingBox{94, 37, 107, 64}));
  i.Setimageangle(0);
  i.Setmaskindex(1);
  EXPECT_EQ(i.i_bbox, (RBoundingBox{101, 50, 108, 57}));
  i.Setmaskindex(5);  // a missing mask sprite
  EXPECT_EQ(i.i_bbox, RBoundingBox{});
  i.Setmaskindex(-1);
  EXPECT_EQ(i.Getimagenumber(), 3);
  i.i_imageindex = 2.7;
  i.Setspriteindex(0);
  EXPECT_EQ(i.i_imageindex, 2.7);
  i.Setspriteindex(1);  // one image: the index starts again
  EXPECT_EQ(i.i_imageindex, 0);
  EXPECT_EQ(i.i_bbox, (RBoundingBox{101, 50, 108, 57}));
}

TEST_F(Instances, StreamFormRoundTripsAndAssignCopiesAllButThePathStart) {
  const int32_t obj = AddObject();
  CInstance a(10, 20, 100009, obj);
  a.Setspeed(3);
  a.Setdirection(30);
  a.SetAlarm(4, 9);
  a.i_marked = true;
  a.i_pathxstart = 5;
  a.i_initcode = "x = 1;";
  a.i_imageblend = 0x123456;
  a.i_vars.SetVar(100000, 0, RValue(7.0));
  CStream s;
  a.SaveToStream(s);
  s.SetPosition(0);
  CInstance b(0, 0, 0, 0);
  b.LoadFromStream(s);
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  CStream again;
  b.SaveToStream(again);
  EXPECT_EQ(again.Bytes(), s.Bytes());
  EXPECT_EQ(b.i_object, Objects().Get(obj));

  CInstance c(0, 0, 0, 0);
  c.Assign(a);
  EXPECT_EQ(c.i_id, 100009);
  EXPECT_EQ(c.i_pathxstart, 0);
  EXPECT_EQ(c.GetAlarm(4), 9);
  EXPECT_TRUE(c.i_marked);
  RValue v;
  ASSERT_TRUE(c.i_vars.GetVar(100000, 0, v));
  EXPECT_EQ(v.val(), 7);
  a.i_vars.SetVar(100000, 0, RValue(8.0));
  ASSERT_TRUE(c.i_vars.GetVar(100000, 0, v));
  EXPECT_EQ(v.val(), 7);  // a deep copy
}

TEST_F(Instances, DamagedStreamThrows) {
  CInstance a(0, 0, 0, 0);
  CStream s;
  a.SaveToStream(s);
  std::vector<uint8_t> bytes = s.Bytes();
  bytes.resize(bytes.size() - 3);
  CStream cut(bytes);
  CInstance b(0, 0, 0, 0);
  EXPECT_THROW(b.LoadFromStream(cut), StreamError);
}

}  // namespace
