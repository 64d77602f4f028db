// Collisions in a room built in code: the instance tests with their box checks, the collision
// event phase with solid instances, and the movement, place, query and activation functions.
#include <random>
#include <string>
#include <vector>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Collision_Main.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Host.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

class Collisions : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    InitInterpreter();
    InstallRuntimeHost();
    InstallSprites();
    RunHooks().collisionEvents = CollisionEvents;
    SetErrorSink([](std::string_view, bool) {});
  }
  void TearDown() override {
    RunHooks().collisionEvents = nullptr;
    SetErrorSink(nullptr);
    SetExecHost(nullptr);
    WorldTest::TearDown();
    Sprites().Clear();
    CollisionMethod() = ECollisionMethod::Indexed;
  }

  // A one-image sprite whose mask is drawn as rows of text, '#' set; box over the set pixels.
  static int32_t AddSprite(const std::vector<std::string>& rows, int32_t xo = 0, int32_t yo = 0) {
    const int32_t i = Sprites().Add();
    CSprite& s = *Sprites().Get(i);
    TMask m;
    m.i_h = static_cast<int32_t>(rows.size());
    m.i_w = static_cast<int32_t>(rows[0].size());
    m.i_mask.assign(static_cast<size_t>(m.i_w * m.i_h), 0);
    m.i_bbox = {m.i_w - 1, m.i_h - 1, 0, 0};
    for (int32_t y = 0; y < m.i_h; ++y)
      for (int32_t x = 0; x < m.i_w; ++x)
        if (rows[y][x] == '#') {
          m.i_mask[static_cast<size_t>(x * m.i_h + y)] = 1;
          m.i_bbox = {std::min(m.i_bbox.left, x), std::min(m.i_bbox.top, y), std::max(m.i_bbox.right, x),
                      std::max(m.i_bbox.bottom, y)};
        }
    s.i_numb = 1;
    s.i_bitmap.emplace_back(m.i_w, m.i_h);
    s.i_xorig = xo;
    s.i_yorig = yo;
    s.i_bbox = m.i_bbox;
    s.i_mask = {m};
    return i;
  }
  // A full square sprite of side n.
  static int32_t Square(int32_t n) { return AddSprite(std::vector<std::string>(n, std::string(n, '#'))); }
  int32_t AddObjectWith(int32_t sprite, bool solid = false) {
    const int32_t o = AddObject();
    Objects().Get(o)->o_spriteindex = sprite;
    Objects().Get(o)->o_solid = solid;
    return o;
  }
  void Code(int32_t obj, int32_t type, int32_t number, const std::string& text) {
    auto a = CAction::CreateCode(text);
    ASSERT_TRUE(a->Compile()) << text;
    Event(obj, type, number).e_actions.push_back(std::move(a));
  }
  double Run(CInstance* self, const std::string& text) {
    CCode code(text, false);
    EXPECT_TRUE(code.Compile()) << text;
    RValue result;
    EXPECT_TRUE(ExecuteCode(self, self, code, result)) << text;
    return result.val();
  }
};

TEST_F(Collisions, InstanceShapeTests) {
  const int32_t dot = AddObjectWith(Square(1));
  CInstance* i = room.AddInstance(10, 10, dot);
  // The box test uses right + 1: a point anywhere in the pixel counts.
  EXPECT_TRUE(i->Collision_Point(10.4, 10.9, true));
  EXPECT_FALSE(i->Collision_Point(11, 10, true));
  EXPECT_FALSE(i->Collision_Point(9.99, 10, false));
  // Reversed corners are the same rectangle.
  for (const bool prec : {false, true}) {
    EXPECT_TRUE(i->Collision_Rectangle(5, 5, 10, 10, prec));
    EXPECT_TRUE(i->Collision_Rectangle(10, 10, 5, 5, prec));
    EXPECT_FALSE(i->Collision_Rectangle(11, 11, 15, 12, prec));
    EXPECT_FALSE(i->Collision_Rectangle(15, 12, 11, 11, prec));
  }
  // A zero-height ellipse is its rectangle, which an ellipse would miss at the end pixel.
  EXPECT_TRUE(i->Collision_Ellipse(10, 10, 20, 10, true));
  EXPECT_FALSE(i->Collision_Ellipse(0, 0, 10.2, 10.2, false));  // only the box corner is near
  EXPECT_TRUE(i->Collision_Ellipse(0, 0, 20, 20, true));
  // Lines clipped to the box's columns.
  EXPECT_TRUE(i->Collision_Line(0, 0, 20, 20, true));
  EXPECT_FALSE(i->Collision_Line(0, 5, 20, 8, true));
  EXPECT_TRUE(i->Collision_Line(10.2, 0, 10.2, 30, true));
  // Without a sprite the box is far away, and only box tests can see it.
  CInstance* bare = room.AddInstance(0, 0, AddObject());
  EXPECT_TRUE(bare->Collision_Point(-100000, -100000, false));
  EXPECT_FALSE(bare->Collision_Point(-100000, -100000, true));
  // Marked instances never collide.
  i->i_marked = true;
  EXPECT_FALSE(i->Collision_Point(10, 10, false));
}

TEST_F(Collisions, InstanceAgainstInstanceWithScaleAndRotation) {
  // Pixels on a mask's edge may fall either way under a turn, so the shapes overlap by more.
  const int32_t bar = AddObjectWith(AddSprite({"####"}));
  const int32_t block = AddObjectWith(AddSprite({"####", "####", "####"}, 0, 1));
  CInstance* a = room.AddInstance(10, 12, bar);    // (10..13, 12)
  CInstance* b = room.AddInstance(11, 14, block);  // (11..14, 13..15)
  EXPECT_FALSE(a->Collision_Instance(b, true));
  b->Setimageangle(90);  // upwards: (10..12, 11..14)
  EXPECT_TRUE(a->Collision_Instance(b, true));
  EXPECT_TRUE(b->Collision_Instance(a, true));
  b->Setimageangle(0);
  b->SetPosition(14, 12);
  EXPECT_FALSE(a->Collision_Instance(b, true));
  a->Setimagescalex(2);  // (10..17, 12)
  EXPECT_TRUE(a->Collision_Instance(b, true));
  EXPECT_FALSE(a->Collision_Instance(a, true));
}

TEST_F(Collisions, SubImageMinusOneUsesTheLastMask) {
  const int32_t spr = AddSprite({"#."});
  CSprite& s = *Sprites().Get(spr);
  s.i_numb = 2;
  s.i_bitmap.emplace_back(2, 1);
  s.i_sepmasks = true;
  s.i_mask.push_back(s.i_mask[0]);
  s.i_mask[1].i_mask = {0, 1};
  s.i_bbox = {0, 0, 1, 0};
  CInstance* i = room.AddInstance(0, 0, AddObjectWith(spr));
  i->i_imageindex = -1;
  EXPECT_FALSE(i->Collision_Point(0, 0, true));
  EXPECT_TRUE(i->Collision_Point(1, 0, true));
  i->i_imageindex = 0.7;
  EXPECT_TRUE(i->Collision_Point(0, 0, true));
}

// Two solid instances that would overlap after moving go back and both get their events.
TEST_F(Collisions, SolidPairIsPutBackWithBothEvents) {
  const int32_t sq = Square(4);
  const int32_t left = AddObjectWith(sq, true), right = AddObjectWith(sq, true);
  Tag(left, ev_collision, right, "left meets right");
  Tag(right, ev_collision, left, "right meets left");
  CInstance* a = room.AddInstance(0, 0, left);
  CInstance* b = room.AddInstance(10, 0, right);
  a->Sethspeed(4);
  b->Sethspeed(-4);
  BuildEventLists();
  RunStep();
  EXPECT_EQ(Trace(),
            (std::vector<std::string>{"left meets right@100001/100002", "right meets left@100002/100001"}));
  EXPECT_EQ(a->i_x, 0);
  EXPECT_EQ(b->i_x, 10);
  // Not solid: they stay where they moved.
  a->i_solid = b->i_solid = false;
  Trace().clear();
  RunStep();
  EXPECT_EQ(Trace().size(), 2u);
  EXPECT_EQ(a->i_x, 4);
  EXPECT_EQ(b->i_x, 6);
}

// Events follow the pair list, then the instances of the first object, then those of the
// second; within one object each pair meets once, in list order.
TEST_F(Collisions, EventOrder) {
  const int32_t sq = Square(4);
  const int32_t p = AddObjectWith(sq), q = AddObjectWith(sq);
  Code(p, ev_collision, p, "t_log(\"pp \" + string(other.id))");
  Code(p, ev_collision, q, "t_log(\"pq \" + string(other.id))");
  for (double x : {0.0, 2.0, 50.0}) room.AddInstance(x, 0, p);  // 100001..100003
  for (double x : {1.0, 51.0}) room.AddInstance(x, 0, q);       // 100004, 100005
  BuildEventLists();
  for (const auto method : {ECollisionMethod::Exhaustive, ECollisionMethod::Indexed}) {
    CollisionMethod() = method;
    Trace().clear();
    CollisionEvents();
    EXPECT_EQ(Trace(), (std::vector<std::string>{"pp 100002@100001/100002", "pp 100001@100002/100001",
                                                 "pq 100004@100001/100004", "pq 100004@100002/100004",
                                                 "pq 100005@100003/100005"}));
  }
}

TEST_F(Collisions, PlacesAndQueries) {
  const int32_t wall = AddObjectWith(Square(8), true), ball = AddObjectWith(Square(2));
  room.AddInstance(20, 0, wall);                     // 100001: (20..27, 0..7)
  CInstance* other = room.AddInstance(0, 40, ball);  // 100002
  CInstance* self = room.AddInstance(0, 0, ball);    // 100003
  const std::string w = std::to_string(wall), b = std::to_string(ball);
  struct Case {
    std::string code;
    double expect;
  };
  const Case cases[] = {
      {"return place_free(19, 0)", 0},
      {"return place_free(30, 0)", 1},
      {"return place_empty(0, 39)", 0},
      {"return place_meeting(19, 0, " + w + ")", 1},
      {"return place_meeting(0, 39, -1)", 0},
      {"return instance_place(0, 39, " + b + ")", 100002},
      {"return instance_place(0, 39, all)", 100002},
      {"return instance_position(21, 7, all)", 100001},
      {"return instance_position(21, 8, all)", -4},
      {"return position_empty(1, 41)", 0},
      {"return position_meeting(1, 41, 100002)", 1},
      {"return collision_point(0, 0, all, true, true)", -4},
      {"return collision_point(0, 0, all, true, false)", 100003},
      {"return collision_rectangle(30, 10, 0, 0, " + w + ", false, true)", 100001},
      {"return collision_circle(31, 4, 3, all, true, true)", -4},
      {"return collision_circle(30, 4, 3, all, true, true)", 100001},
      {"return collision_ellipse(0, 30, 30, 50, " + b + ", true, false)", 100002},
      {"return collision_line(0, 4, 40, 4, all, true, true)", 100001},
      {"return collision_line(0, 9, 40, 30, all, true, true)", -4},
      {"return instance_nearest(18, 30, all)", 100002},
      {"return instance_furthest(0, 0, " + b + ")", 100002},
      {"return instance_nearest(0, 0, 100002)", -4},
      {"return distance_to_point(4, 5)", 5},
      {"return distance_to_object(" + w + ")", 19},
      {"return distance_to_object(" + std::to_string(AddObject()) + ")", 1000000},
  };
  for (const auto method : {ECollisionMethod::Exhaustive, ECollisionMethod::Indexed}) {
    CollisionMethod() = method;
    for (const Case& c : cases) EXPECT_EQ(Run(self, c.code), c.expect) << c.code;
  }
  // The place tests put the instance back.
  EXPECT_EQ(self->i_x, 0);
  EXPECT_EQ(self->i_bbox, (RBoundingBox{0, 0, 1, 1}));
  (void)other;
}

TEST_F(Collisions, MovementAgainstSolids) {
  const int32_t wall = AddObjectWith(Square(8), true), ball = AddObjectWith(Square(2));
  room.AddInstance(20, 0, wall);
  CInstance* self = room.AddInstance(0, 0, ball);
  // Contact stops just before the wall; from inside the wall nothing moves.
  Run(self, "move_contact_solid(0, 100)");
  EXPECT_EQ(self->i_x, 18);
  Run(self, "x = 21; move_contact_solid(0, 100)");
  EXPECT_EQ(self->i_x, 21);
  Run(self, "move_outside_solid(180, 100)");
  EXPECT_EQ(self->i_x, 18);
  Run(self, "x = 0; move_contact_solid(0, 5)");
  EXPECT_EQ(self->i_x, 5);
  // A horizontal wall below reverses only the vertical speed.
  const int32_t floor = AddObjectWith(AddSprite({std::string(100, '#')}), true);
  room.AddInstance(0, 50, floor);
  Run(self, "x = 40; y = 46; hspeed = 3; vspeed = 4; move_bounce_solid(false)");
  EXPECT_EQ(self->i_hspeed, 3);
  EXPECT_EQ(self->i_vspeed, -4);
  // Against the wall's side only the horizontal speed turns.
  Run(self, "x = 16; y = 2; hspeed = 3; vspeed = 0; move_bounce_all(false)");
  EXPECT_EQ(self->i_hspeed, -3);
  // Advanced: heading straight down onto the floor turns straight up.
  Run(self, "x = 40; y = 46; motion_set(270, 4); move_bounce_solid(true)");
  EXPECT_EQ(self->i_direction, 90);
  Run(self, "x = 7.2; y = 3; move_snap(5, 2)");
  EXPECT_EQ(self->i_x, 5);
  EXPECT_EQ(Run(self, "return place_snapped(5, 3)"), 0);
  EXPECT_EQ(Run(self, "return place_snapped(5, 0)"), 1);
  Run(self, "move_towards_point(x + 3, y + 4, 10)");
  EXPECT_NEAR(self->i_hspeed, 6, 1e-9);
  EXPECT_NEAR(self->i_vspeed, 8, 1e-9);
  Run(self, "x = -12; move_wrap(true, false, 10)");
  EXPECT_EQ(self->i_x, 640 + 8);
}

TEST_F(Collisions, MoveRandomFindsAFreePlace) {
  const int32_t ball = AddObjectWith(Square(4));
  room.r_width = 40;
  room.r_height = 20;
  CInstance* self = room.AddInstance(0, 0, ball);
  for (int n = 0; n < 20; ++n) {
    Run(self, "move_random(8, 4)");
    EXPECT_EQ(static_cast<int>(self->i_x) % 8, 0);
    EXPECT_EQ(static_cast<int>(self->i_y) % 4, 0);
    EXPECT_GE(self->i_bbox.left, 0);
    EXPECT_LE(self->i_bbox.right, 39);
    EXPECT_LE(self->i_bbox.bottom, 19);
  }
}

TEST_F(Collisions, DeactivationKeepsOrder) {
  const int32_t sq = Square(4);
  const int32_t a = AddObjectWith(sq), b = AddObjectWith(sq);
  CInstance* first = room.AddInstance(0, 0, a);  // 100001
  room.AddInstance(100, 0, b);                   // 100002
  room.AddInstance(200, 0, a);                   // 100003
  auto ids = [&] {
    std::string s;
    for (int32_t i = 0; i < room.r_numb(); ++i) s += std::to_string(room.Instance(i)->i_id - 100000);
    return s + "/" + std::to_string(room.r_numb_deact());
  };
  Run(first, "instance_deactivate_object(" + std::to_string(a) + ")");
  EXPECT_EQ(ids(), "2/2");
  Run(room.Instance(0), "instance_activate_object(100003)");
  EXPECT_EQ(ids(), "23/1");
  Run(room.Instance(0), "instance_deactivate_region(90, -10, 20, 20, true, false)");
  EXPECT_EQ(ids(), "3/2");
  Run(room.Instance(0), "instance_activate_region(-5, -5, 10, 10, true)");
  EXPECT_EQ(ids(), "31/1");
  Run(room.Instance(0), "instance_deactivate_all(true)");
  EXPECT_EQ(ids(), "3/2");
  EXPECT_EQ(room.Obj_Number(a), 1);
  Run(room.Instance(0), "instance_activate_all()");
  EXPECT_EQ(ids(), "321/0");
  EXPECT_EQ(room.Obj_Number(a), 2);
}

TEST_F(Collisions, PositionDestroyAndChange) {
  const int32_t sq = Square(4), a = AddObjectWith(sq), b = AddObjectWith(sq);
  Tag(a, ev_destroy, 0, "gone");
  CInstance* x = room.AddInstance(0, 0, a);
  room.AddInstance(2, 2, a);
  room.AddInstance(10, 10, a);
  Run(x, "position_destroy(3, 3)");
  EXPECT_EQ(Trace(), (std::vector<std::string>{"gone@100001/100001", "gone@100002/100002"}));
  Run(x, "position_change(11, 11, " + std::to_string(b) + ", false)");
  EXPECT_EQ(room.Obj_Number(b), 1);
  EXPECT_EQ(room.Obj_Instance(b, 0)->i_id, 100003);
}

// The index only prunes: on many random layouts, with events that move, destroy, create and
// deactivate instances, it gives the exhaustive way's events in its order and its answers.
TEST_F(Collisions, IndexAgreesWithTheExhaustiveWay) {
  const int32_t sprites[] = {Square(1), Square(6), Square(16),
                             AddSprite({"#...#", ".#.#.", "..#..", ".#.#.", "#...#"}, 2, 2),
                             AddSprite({"##########"}, 5, 0)};
  const int32_t a = AddObject(), b = AddObject(), c = AddObject(b);
  Code(a, ev_collision, a, "t_log(string(id) + \"~\" + string(other.id)); if (id mod 3 == 0) x += 7");
  Code(a, ev_collision, b,
       "t_log(string(id) + \">\" + string(other.id)); if (other.id mod 11 == 0) with (other) "
       "instance_destroy();"
       "if (id mod 13 == 0 && instance_number(all) < 150) instance_create(x + 5, y, object_index)");
  Code(c, ev_collision, a,
       "t_log(string(id) + \"<\" + string(other.id)); if (id mod 17 == 0) instance_deactivate_object(other)");
  const int32_t objects[] = {a, b, c};
  BuildEventLists();
  auto state = [&] {
    std::string out;
    for (int32_t i = 0; i < room.r_numb(); ++i) {
      const CInstance* inst = room.Instance(i);
      out += std::to_string(inst->i_id) + "@" + std::to_string(inst->i_x) + "," + std::to_string(inst->i_y) +
             " ";
    }
    return out + "/" + std::to_string(room.r_numb_deact());
  };
  size_t events = 0;
  for (uint32_t seed = 1; seed <= 24; ++seed) {
    std::vector<std::string> traces[2];
    std::string states[2];
    std::vector<double> answers[2];
    for (int32_t m = 0; m < 2; ++m) {
      CollisionMethod() = m == 0 ? ECollisionMethod::Exhaustive : ECollisionMethod::Indexed;
      room.ClearInstances();
      room.r_instance_deact.clear();
      SetLastInstanceId(100000);
      Trace().clear();
      std::mt19937 rng(seed);
      auto pick = [&](int32_t n) { return static_cast<int32_t>(rng() % static_cast<uint32_t>(n)); };
      const int32_t count = 20 + pick(60), span = 40 + pick(160);
      for (int32_t k = 0; k < count; ++k) {
        CInstance* inst = room.AddInstance(pick(span) + pick(4) * 0.25, pick(span), objects[pick(3)]);
        inst->Setspriteindex(sprites[pick(5)]);
        inst->i_solid = pick(4) == 0;
        const double scales[] = {1, 1, 2, 0.5, -1};
        inst->Setimagescalex(scales[pick(5)]);
        inst->Setimagescaley(scales[pick(5)]);
        const double angles[] = {0, 0, 0, 30, 90, 200};
        inst->Setimageangle(angles[pick(6)]);
        inst->i_xprevious = inst->i_x - pick(5);
        inst->i_yprevious = inst->i_y - pick(5);
      }
      CollisionEvents();
      traces[m] = Trace();
      states[m] = state();
      CInstance* self = room.Instance(0);
      for (int32_t q = 0; q < 12; ++q) {
        const double x = pick(span), y = pick(span), w = pick(40) - 5, h = pick(40) - 5;
        const std::string obj = std::to_string(pick(5) - 3), prec = pick(2) ? "true" : "false";
        const std::string args = std::to_string(x) + "," + std::to_string(y) + ",";
        const std::string box =
            args + std::to_string(x + w) + "," + std::to_string(y + h) + "," + obj + "," + prec;
        for (const std::string& code :
             {"return collision_point(" + args + obj + "," + prec + ", true)",
              "return collision_rectangle(" + box + ", false)", "return collision_ellipse(" + box + ", true)",
              "return collision_line(" + box + ", false)",
              "return collision_circle(" + args + std::to_string(w) + "," + obj + "," + prec + ", false)",
              "return instance_place(" + args + obj + ")",
              "return place_free(" + args.substr(0, args.size() - 1) + ")",
              "return instance_position(" + args + obj + ")"})
          answers[m].push_back(Run(self, code));
      }
    }
    EXPECT_EQ(traces[0], traces[1]) << "seed " << seed;
    EXPECT_EQ(states[0], states[1]) << "seed " << seed;
    EXPECT_EQ(answers[0], answers[1]) << "seed " << seed;
    events += traces[0].size();
  }
  EXPECT_GT(events, 300u);  // the layouts are crowded enough to mean something
}

}  // namespace
