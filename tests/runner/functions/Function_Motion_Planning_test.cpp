// The motion planning functions and actions in a small world: linear steps stopping at
// obstacles, potential-field steps steering around them, the paths both give without moving
// the instance, and grids filled from instances' boxes and searched from game code.
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Motion_Grid.h"
#include "runner/run/Path_Class.h"
#include "runner/run/Run_Command.h"
#include "tests/runner/functions/ActionWorld.h"

using namespace actions;

namespace {

using Log = std::vector<std::string>;

class MotionPlanning : public ActionTest {
 protected:
  // A 16 x 16 sprite whose mask is only its diagonal, its box the whole square.
  static int32_t Diagonal() {
    const int32_t i = Square(16);
    TMask& m = Sprites().Get(i)->i_mask[0];
    m.i_mask.assign(256, 0);
    for (int32_t k = 0; k < 16; ++k) m.i_mask[static_cast<size_t>(k * 16 + k)] = 1;
    return i;
  }
  // The points of a path as "x,y" texts.
  static std::string Points(int32_t path) {
    std::string s;
    for (const RWayPoint& p : PathAt(path)->i_points)
      s += (s.empty() ? "" : " ") + RealText(p.x) + "," + RealText(p.y);
    return s;
  }
};

TEST_F(MotionPlanning, LinearStepsStopAtObstacles) {
  const int32_t box = Square(8);
  const int32_t solid = AddObjectWith(box, true), plain = AddObjectWith(box);
  room.AddInstance(48, 0, solid);
  room.AddInstance(-40, 0, plain);
  CInstance* self = room.AddInstance(0, 0, AddObjectWith(box));
  struct Case {
    std::string code;
    double x, y, direction, result;
  } cases[] = {
      {"x = 0; return mp_linear_step(100, 0, 15, 0)", 15, 0, 0, 0},
      {"x = 0; mp_linear_step(100, 0, 15, 0); mp_linear_step(100, 0, 15, 0); return mp_linear_step(100, 0, 15, 0)", 30, 0, 0, 0},
      // Short of the goal and blocked: stays, and is not there.
      {"x = 36; return mp_linear_step(100, 0, 15, 0)", 36, 0, 0, 0},
      // Within a step of a goal it cannot take: stays, but reports the goal reached.
      {"x = 36; return mp_linear_step(44, 0, 15, 0)", 36, 0, 0, 1},
      {"x = 36; return mp_linear_step(40, 0, 15, 0)", 40, 0, 0, 1},
      {"x = 5; return mp_linear_step(5, 0, 15, 0)", 5, 0, 0, 1},
      // Not solid: free for the solid test, not empty for the all test.
      {"x = -20; return mp_linear_step(-100, 0, 15, 0)", -35, 0, 180, 0},
      {"x = -20; direction = 0; return mp_linear_step(-100, 0, 15, 1)", -20, 0, 0, 0},
      {"x = -20; direction = 0; return mp_linear_step_object(-100, 0, 15, " + std::to_string(plain) + ")", -20, 0, 0, 0},
      {"x = -20; return mp_linear_step_object(-100, 0, 15, " + std::to_string(solid) + ")", -35, 0, 180, 0},
      {"x = 0; return mp_linear_step(0, -30, 10, 0)", 0, -10, 90, 0},
  };
  for (const Case& c : cases) {
    self->i_direction = 0;
    EXPECT_EQ(Run(self, c.code).val(), c.result) << c.code;
    EXPECT_EQ(self->i_x, c.x) << c.code;
    EXPECT_EQ(self->i_y, c.y) << c.code;
    EXPECT_EQ(self->i_direction, c.direction) << c.code;
    self->SetPosition(0, 0);
  }
  // Goals and steps that are not numbers or not finite move nowhere they cannot be.
  const double nan = std::nan(""), inf = INFINITY;
  for (const char* name : {"mp_linear_step", "mp_potential_step", "mp_linear_path", "mp_potential_path"}) {
    int32_t id = -1;
    ASSERT_TRUE(FindBuiltinFunction(name, id));
    const bool path = std::string(name).ends_with("path");
    if (path) Paths().Add();
    for (auto [x, y, step] : {std::tuple{nan, 0.0, 10.0}, {inf, -inf, 10.0}, {100.0, 0.0, nan}, {100.0, 0.0, inf}}) {
      std::vector<RValue> args;
      if (path) args.emplace_back(0.0);
      for (double v : {x, y, step}) args.emplace_back(v);
      if (name == std::string("mp_potential_path")) args.emplace_back(2.0);
      args.emplace_back(0.0);
      RValue result;
      self->SetPosition(0, 0);
      FunctionAt(id)->f_routine(self, self, static_cast<int32_t>(args.size()), args.data(), result);
      EXPECT_TRUE(std::isfinite(self->i_x) && std::isfinite(self->i_y)) << name << " " << x << "," << y << " " << step;
    }
  }

  // The action: relative point, solid (objects < 0.5) or all.
  self->SetPosition(-20, 0);
  EXPECT_TRUE(Ask({"action_linear_step", {"-40", "0", "30", "0"}}, self));
  EXPECT_EQ(self->i_x, -40);
  self->SetPosition(-30, 0);
  EXPECT_FALSE(Ask({"action_linear_step", {"-10", "0", "4", "1"}, true}, self));
  EXPECT_EQ(self->i_x, -30);
  EXPECT_FALSE(Ask({"action_linear_step", {"-10", "0", "4", "0"}, true}, self));
  EXPECT_EQ(self->i_x, -34);
}

// A wall across the straight way: each step turns at most maxrot, never overlaps the wall, and
// the goal is reached on the far side.
TEST_F(MotionPlanning, PotentialStepsSteerAroundAWall) {
  const int32_t box = Square(8);
  const int32_t wall = AddObjectWith(box, true);
  for (int32_t y = -24; y <= 24; y += 8) room.AddInstance(60, y, wall);
  CInstance* self = room.AddInstance(0, 0, AddObjectWith(box));
  for (const char* settings : {"", "mp_potential_settings(20, 5, 2, 1)"}) {
    Run(self, settings);
    const double maxrot = MotionState().maxrot;
    self->SetPosition(0, 0);
    self->Setdirection(0);
    bool reached = false;
    int32_t steps = 0;
    while (!reached && steps++ < 300) {
      const double before = self->i_direction;
      reached = Real(self, "mp_potential_step(120, 0, 4, 0)") != 0;
      double turn = std::fabs(self->i_direction - before);
      turn = std::min(turn, 360 - turn);
      EXPECT_LE(turn, maxrot + 1e-9) << settings << " step " << steps;
      EXPECT_TRUE(PlaceFree(self, self->i_x, self->i_y)) << settings << " step " << steps;
    }
    EXPECT_TRUE(reached) << settings;
    EXPECT_EQ(self->i_x, 120) << settings;
    EXPECT_EQ(self->i_y, 0) << settings;
  }
  // The action with a relative goal.
  self->SetPosition(0, 100);
  self->Setdirection(0);
  EXPECT_FALSE(Ask({"action_potential_step", {"50", "0", "5", "0"}, true}, self));
  EXPECT_EQ(self->i_x, 5);
  EXPECT_EQ(self->i_y, 100);
}

TEST_F(MotionPlanning, AStuckPotentialStepTurnsOnTheSpotWhenAllowed) {
  const int32_t box = Square(8);
  const int32_t wall = AddObjectWith(box, true);
  for (int32_t x = -8; x <= 8; x += 8)
    for (int32_t y = -8; y <= 8; y += 8)
      if (x != 0 || y != 0) room.AddInstance(x, y, wall);
  CInstance* self = room.AddInstance(0, 0, AddObjectWith(box));
  struct Case {
    const char* settings;
    double direction;
  } cases[] = {
      {"", 30},
      {"mp_potential_settings(45, 10, 3, 1)", 45},
      {"mp_potential_settings(45, 10, 3, 0)", 0},
      {"mp_potential_settings(0, -5, 0.5, 1)", 1},  // raised to 1
  };
  for (const Case& c : cases) {
    Run(self, c.settings);
    self->Setdirection(0);
    EXPECT_EQ(Real(self, "mp_potential_step(100, 0, 4, 0)"), 0) << c.settings;
    EXPECT_EQ(self->i_direction, c.direction) << c.settings;
    EXPECT_EQ(self->i_x, 0);
  }
  EXPECT_EQ(MotionState().rotstep, 1);
  EXPECT_EQ(MotionState().ahead, 1);
  // Not a number is below 1 too.
  int32_t id = -1;
  ASSERT_TRUE(FindBuiltinFunction("mp_potential_settings", id));
  RValue nan[4] = {RValue(std::nan("")), RValue(std::nan("")), RValue(std::nan("")), RValue(1.0)}, result;
  FunctionAt(id)->f_routine(self, self, 4, nan, result);
  EXPECT_EQ(MotionState().maxrot, 1);
  EXPECT_EQ(MotionState().rotstep, 1);
  EXPECT_EQ(MotionState().ahead, 1);

  // A path that can never leave the spot fails once every heading was tried, with or
  // without turning.
  const int32_t p = Paths().Add();
  for (const char* settings : {"mp_potential_settings(30, 10, 3, 1)", "mp_potential_settings(30, 10, 3, 0)"}) {
    Run(self, settings);
    EXPECT_EQ(Real(self, "mp_potential_path(" + std::to_string(p) + ", 100, 0, 4, 2, 0)"), 0) << settings;
    EXPECT_EQ(PathAt(p)->GetPoint(PathAt(p)->Count() - 1).x, 0);
    EXPECT_LE(PathAt(p)->Count(), 20);
  }
}

TEST_F(MotionPlanning, PathsAreFoundWithoutMovingTheInstance) {
  const int32_t box = Square(8);
  const int32_t wall = AddObjectWith(box, true);
  CInstance* blocker = room.AddInstance(48, 0, wall);
  CInstance* self = room.AddInstance(0, 0, AddObjectWith(box));
  self->Setdirection(77);
  const int32_t p = Paths().Add();
  PathAt(p)->SetKind(1);
  const std::string P = std::to_string(p);
  struct Case {
    std::string code;
    double result;
    const char* points;
  } cases[] = {
      {"return mp_linear_path(" + P + ", 100, 0, 10, 0)", 0, "0,0 10,0 20,0 30,0 40,0"},
      // The last step reaches the goal even when the goal itself is blocked.
      {"return mp_linear_path(" + P + ", 45, 0, 10, 0)", 1, "0,0 10,0 20,0 30,0 40,0 45,0"},
      {"return mp_linear_path(" + P + ", 35, 0, 10, 0)", 1, "0,0 10,0 20,0 30,0 35,0"},
      {"return mp_linear_path(" + P + ", 0, 0, 10, 0)", 1, "0,0 0,0"},
      {"return mp_linear_path(" + P + ", 20, 0, -1, 0)", 0, "0,0"},
      {"return mp_linear_path_object(" + P + ", 100, 0, 25, " + std::to_string(wall) + ")", 0, "0,0 25,0"},
      // Around the blocker, within twice the straight distance.
      {"return mp_potential_path(" + P + ", 100, 0, 4, 2, 0)", 1, nullptr},
      {"return mp_potential_path_object(" + P + ", 100, 0, 4, 2, " + std::to_string(wall) + ")", 1, nullptr},
      // Nothing changes for a factor below 1 or a step that is not positive.
      {"mp_linear_path(" + P + ", 35, 0, 10, 0); return mp_potential_path(" + P + ", 100, 0, 0, 2, 0)", 0,
       "0,0 10,0 20,0 30,0 35,0"},
      {"mp_linear_path(" + P + ", 35, 0, 10, 0); return mp_potential_path(" + P + ", 100, 0, 4, 0.5, 0)", 0,
       "0,0 10,0 20,0 30,0 35,0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(self, c.code).val(), c.result) << c.code;
    EXPECT_EQ(self->i_x, 0) << c.code;
    EXPECT_EQ(self->i_y, 0) << c.code;
    EXPECT_EQ(self->i_direction, 77) << c.code;
    const CPath& path = *PathAt(p);
    EXPECT_EQ(path.i_kind, 0);
    EXPECT_FALSE(path.i_closed);
    if (c.points) {
      EXPECT_EQ(Points(p), c.points) << c.code;
    } else if (c.result != 0) {
      EXPECT_EQ(path.GetPoint(path.Count() - 1).x, 100) << c.code;
    }
    if (!c.points && c.result != 0) {
      // A potential path: steps of 4 that keep clear of the blocker.
      for (int32_t k = 1; k + 1 < path.Count(); ++k) {
        const RWayPoint a = path.GetPoint(k - 1), b = path.GetPoint(k);
        EXPECT_NEAR(std::hypot(b.x - a.x, b.y - a.y), 4, 1e-9);
        EXPECT_FALSE(blocker->Collision_Rectangle(b.x, b.y, b.x + 7, b.y + 7, true)) << b.x << "," << b.y;
      }
    }
  }
  EXPECT_EQ(Errors(), Log{});
  for (const char* code : {"mp_linear_path(99, 1, 1, 1, 0)", "mp_potential_path_object(-1, 1, 1, 1, 2, 0)",
                           "mp_grid_path(mp_grid_create(0, 0, 2, 2, 8, 8), 99, 1, 1, 9, 9, 0)"})
    EXPECT_EQ(Real(self, code), 0) << code;
  EXPECT_EQ(Errors(), Log(3, "Trying to assign to a non-existing path."));
}

TEST_F(MotionPlanning, GridsTakeInstancesByTheirBoxes) {
  const int32_t parent = AddObjectWith(Square(8));
  const int32_t child = AddObjectWith(Square(8));
  Objects().Get(child)->o_parent = parent;
  const int32_t diagonal = AddObjectWith(Diagonal());
  CInstance* self = room.AddInstance(100, 100, AddObjectWith(Square(8)));
  CInstance* a = room.AddInstance(12, 4, parent);      // columns 1-2, rows 0-1
  CInstance* b = room.AddInstance(40, 40, child);      // columns 5, rows 5
  CInstance* gone = room.AddInstance(0, 56, child);    // marked: skipped
  room.AddInstance(16, 32, diagonal);                  // columns 2-3, rows 4-5
  gone->i_marked = true;
  auto map = [&](const std::string& add) {
    Run(self, "global.g = mp_grid_create(0, 0, 8, 8, 8, 8); " + add);
    const CGrid& g = *GridAt(static_cast<int32_t>(Real(self, "global.g")));
    std::string s;
    for (int32_t j = 0; j < 8; ++j) {
      for (int32_t i = 0; i < 8; ++i) s += g.Cell(i, j) == kCellForbidden ? '#' : '.';
      s += '/';
    }
    Run(self, "mp_grid_destroy(global.g)");
    return s;
  };
  const std::string P = std::to_string(parent), A = std::to_string(a->i_id), D = std::to_string(diagonal);
  struct Case {
    std::string add;
    const char* cells;
  } cases[] = {
      {"mp_grid_add_instances(global.g, " + P + ", 0)",
       ".##...../.##...../......../......../......../.....#../......../......../"},
      {"mp_grid_add_instances(global.g, " + A + ", 1)",
       ".##...../.##...../......../......../......../......../......../......../"},
      {"mp_grid_add_instances(global.g, " + D + ", 0)",
       "......../......../......../......../..##..../..##..../......../......../"},
      // Precisely, only the cells the diagonal crosses.
      {"mp_grid_add_instances(global.g, " + D + ", 1)",
       "......../......../......../......../..#...../...#..../......../......../"},
      {"mp_grid_add_instances(global.g, -3, 1)",
       ".##...../.##...../......../......../..#...../...#.#../......../......../"},
      {"with (" + A + ") mp_grid_add_instances(global.g, -1, 0)",
       ".##...../.##...../......../......../......../......../......../......../"},
      {"with (" + A + ") mp_grid_add_instances(global.g, -2, 0)", "......../......../......../......../......../......../......../......../"},
      {"mp_grid_add_instances(global.g, 99, 0); mp_grid_add_instances(global.g + 1, -3, 0)",
       "......../......../......../......../......../......../......../......../"},
  };
  for (const Case& c : cases) EXPECT_EQ(map(c.add), c.cells) << c.add;
  (void)b;
}

TEST_F(MotionPlanning, GridFunctionsFromGameCode) {
  CInstance* self = room.AddInstance(0, 0, AddObject());
  const int32_t p = Paths().Add();
  const std::string P = std::to_string(p);
  Run(self,
      "global.g = mp_grid_create(10, 20, 5, 3, 10, 10);"
      "mp_grid_add_rectangle(global.g, 30, 20, 39, 39);"  // column 2, rows 0-1
      "mp_grid_add_cell(global.g, 4, 1); mp_grid_add_cell(global.g, 4, 0); mp_grid_clear_cell(global.g, 4, 0)");
  struct Case {
    std::string code;
    double result;
    const char* points;
  } cases[] = {
      {"return mp_grid_path(global.g, " + P + ", 11, 21, 51, 21, 0)", 1, "11,21 15,35 15,45 25,45 35,45 45,45 45,35 45,25 51,21"},
      {"return mp_grid_path(global.g, " + P + ", 11, 21, 51, 21, 1)", 1, "11,21 25,35 25,45 35,45 45,45 45,35 45,25 51,21"},
      {"mp_grid_add_cell(global.g, 2, 2); return mp_grid_path(global.g, " + P + ", 11, 21, 51, 21, 1)", 0, nullptr},
      {"mp_grid_clear_rectangle(global.g, 0, 0, 1000, 25); return mp_grid_path(global.g, " + P + ", 11, 21, 51, 21, 1)", 1,
       "11,21 25,25 35,25 45,25 51,21"},
      {"mp_grid_clear_all(global.g); return mp_grid_path(global.g, " + P + ", 11, 21, 51, 41, 1)", 1, "11,21 25,35 35,45 45,45 51,41"},
      {"mp_grid_destroy(global.g); return mp_grid_path(global.g, " + P + ", 11, 21, 51, 21, 1)", 0, nullptr},
  };
  std::string before = Points(p);
  for (const Case& c : cases) {
    EXPECT_EQ(Run(self, c.code).val(), c.result) << c.code;
    EXPECT_EQ(Points(p), c.points ? c.points : before) << c.code;
    before = Points(p);
  }
  EXPECT_EQ(Errors(), Log{});
}

}  // namespace
