// Paths: the polyline of straight and smooth, closed and open paths against values worked out
// by hand from the construction, positions along it, the geometric operations, and instances
// following paths with every end action and the end-of-path event.
#include <cmath>

#include "runner/run/Path_Class.h"
#include "runner/run/Run_Hooks.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

struct P {
  double x, y;
};

CPath MakePath(int32_t kind, bool closed, int32_t precision, std::initializer_list<RWayPoint> points) {
  CPath p;
  for (const RWayPoint& w : points) p.AddPoint(w.x, w.y, w.speed);
  p.SetKind(kind);
  p.SetClosed(closed);
  p.SetPrecision(precision);
  return p;
}

TEST(PathGeometry, PolylinesFollowTheConstruction) {
  struct Case {
    const char* what;
    CPath path;
    std::vector<P> polyline;
  };
  const Case cases[] = {
      {"straight closed returns to the start", MakePath(0, true, 4, {{0, 0, 100}, {100, 0, 100}}),
       {{0, 0}, {100, 0}, {0, 0}}},
      {"straight open", MakePath(0, false, 4, {{0, 0, 100}, {30, 40, 100}}), {{0, 0}, {30, 40}}},
      {"smooth open, precision 1: one midpoint per curve",
       MakePath(1, false, 1, {{0, 0, 100}, {100, 0, 100}, {100, 100, 100}}), {{0, 0}, {87.5, 12.5}, {100, 100}}},
      {"smooth open, precision 2 splits both halves",
       MakePath(1, false, 2, {{0, 0, 100}, {100, 0, 100}, {100, 100, 100}}),
       {{0, 0}, {71.875, 3.125}, {87.5, 12.5}, {96.875, 28.125}, {100, 100}}},
      {"smooth: a control within 4 pixels is not split further",
       MakePath(1, false, 8, {{0, 0, 100}, {4, 0, 100}, {4, 4, 100}}), {{0, 0}, {3.5, 0.5}, {4, 4}}},
      {"smooth closed: the first emitted point again at the end",
       MakePath(1, true, 1, {{0, 0, 100}, {100, 0, 100}, {100, 100, 100}, {0, 100, 100}}),
       {{87.5, 12.5}, {87.5, 87.5}, {12.5, 87.5}, {12.5, 12.5}, {87.5, 12.5}}},
      {"smooth closed at precision 0 is empty", MakePath(1, true, 0, {{0, 0, 100}, {100, 0, 100}}), {}},
      {"smooth open with one point", MakePath(1, false, 4, {{7, 8, 100}}), {{7, 8}, {7, 8}}},
      {"no points", MakePath(1, false, 4, {}), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(c.path.IntCount(), static_cast<int32_t>(c.polyline.size()));
    double length = 0;
    for (size_t i = 0; i < c.polyline.size(); ++i) {
      EXPECT_DOUBLE_EQ(c.path.i_intpoints[i].x, c.polyline[i].x) << i;
      EXPECT_DOUBLE_EQ(c.path.i_intpoints[i].y, c.polyline[i].y) << i;
      if (i > 0) length += std::hypot(c.polyline[i].x - c.polyline[i - 1].x, c.polyline[i].y - c.polyline[i - 1].y);
      EXPECT_DOUBLE_EQ(c.path.i_intpoints[i].l, length) << i;
    }
    EXPECT_DOUBLE_EQ(c.path.i_length, length);
  }
}

TEST(PathGeometry, PositionsInterpolateAlongTheLength) {
  const CPath closed = MakePath(0, true, 4, {{0, 0, 100}, {100, 0, 50}});
  const CPath curve = MakePath(1, false, 1, {{0, 0, 100}, {100, 0, 100}, {100, 100, 100}});
  const CPath square = MakePath(1, true, 1, {{0, 0, 100}, {100, 0, 100}, {100, 100, 100}, {0, 100, 100}});
  const CPath empty = MakePath(0, false, 4, {});
  const CPath dot = MakePath(0, false, 4, {{5, 6, 70}});
  struct Case {
    const CPath* path;
    double pos, x, y, speed;
  };
  const Case cases[] = {
      {&closed, 0.25, 50, 0, 75},  {&closed, 0.5, 100, 0, 50}, {&closed, 0.75, 50, 0, 75},
      {&closed, -3, 0, 0, 100},    {&closed, 7, 0, 0, 100},    {&closed, NAN, 0, 0, 100},
      {&curve, 0.5, 87.5, 12.5, 100}, {&curve, 0.25, 43.75, 6.25, 100}, {&curve, 1, 100, 100, 100},
      {&square, 0.125, 87.5, 50, 100}, {&square, 0.25, 87.5, 87.5, 100}, {&square, 0, 87.5, 12.5, 100},
      {&empty, 0.5, 0, 0, 100},    {&dot, 0.5, 5, 6, 70},
  };
  for (const Case& c : cases) {
    double x, y, s;
    c.path->GetPosition(c.pos, x, y, s);
    EXPECT_DOUBLE_EQ(x, c.x) << c.pos;
    EXPECT_DOUBLE_EQ(y, c.y) << c.pos;
    EXPECT_DOUBLE_EQ(s, c.speed) << c.pos;
  }
}

TEST(PathGeometry, OperationsWorkAroundTheCentre) {
  auto points = [](const CPath& p) {
    std::vector<P> out;
    for (const RWayPoint& w : p.i_points) out.push_back({w.x, w.y});
    return out;
  };
  struct Case {
    const char* what;
    void (*op)(CPath&);
    std::vector<P> expected;
  };
  const Case cases[] = {
      {"mirror", [](CPath& p) { p.Mirror(); }, {{100, 0}, {0, 0}, {70, 50}}},
      {"flip", [](CPath& p) { p.Flip(); }, {{0, 50}, {100, 50}, {30, 0}}},
      {"scale", [](CPath& p) { p.Scale(2, 0.5); }, {{-50, 12.5}, {150, 12.5}, {10, 37.5}}},
      {"shift", [](CPath& p) { p.Shift(5, -5); }, {{5, -5}, {105, -5}, {35, 45}}},
      {"rotate 90: right of the centre goes up", [](CPath& p) { p.Rotate(90); }, {{25, 75}, {25, -25}, {75, 45}}},
      {"reverse", [](CPath& p) { p.Reverse(); }, {{30, 50}, {100, 0}, {0, 0}}},
      {"append itself", [](CPath& p) { p.Append(p); }, {{0, 0}, {100, 0}, {30, 50}, {0, 0}, {100, 0}, {30, 50}}},
      {"insert past the end is ignored", [](CPath& p) { p.InsertPoint(4, 1, 1, 100); }, {{0, 0}, {100, 0}, {30, 50}}},
      {"insert at the end", [](CPath& p) { p.InsertPoint(3, 1, 1, 100); }, {{0, 0}, {100, 0}, {30, 50}, {1, 1}}},
      {"delete a bad index is ignored", [](CPath& p) { p.DeletePoint(-1); }, {{0, 0}, {100, 0}, {30, 50}}},
      {"change", [](CPath& p) { p.ChangePoint(1, 9, 9, 100); }, {{0, 0}, {9, 9}, {30, 50}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CPath p = MakePath(0, false, 4, {{0, 0, 100}, {100, 0, 100}, {30, 50, 100}});
    c.op(p);
    const std::vector<P> got = points(p);
    ASSERT_EQ(got.size(), c.expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_NEAR(got[i].x, c.expected[i].x, 1e-9) << i;
      EXPECT_NEAR(got[i].y, c.expected[i].y, 1e-9) << i;
    }
    // The polyline follows every change.
    EXPECT_EQ(p.IntCount(), p.Count());
  }
  const CPath empty;
  double cx, cy;
  empty.Center(cx, cy);
  EXPECT_EQ(cx, 0);
  EXPECT_EQ(cy, 0);
  const RWayPoint none = empty.GetPoint(3);
  EXPECT_EQ(none.x, 0);
  EXPECT_EQ(none.speed, 100);
}

// --- following ----------------------------------------------------------------------------------

class PathFollowing : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    GameState() = RGameState{};
    RunHooks() = RRunHooks{};
    RunHooks().adaptPath = [](CInstance* inst) { return inst->Adapt_Path(); };
    Paths().Clear();
    line = Paths().Add();
    Paths().Get(line)->AddPoint(0, 0, 100);
    Paths().Get(line)->AddPoint(100, 0, 100);
    Paths().Get(line)->SetClosed(false);
    obj = AddObject();
    Tag(obj, ev_other, 8, "end of path");
  }
  void TearDown() override {
    RunHooks() = RRunHooks{};
    Paths().Clear();
    WorldTest::TearDown();
  }
  // Runs steps and answers at which of them (1-based) the end-of-path event ran.
  std::vector<int> Steps(int n) {
    BuildEventLists();
    std::vector<int> ends;
    for (int i = 1; i <= n; ++i) {
      Trace().clear();
      RunStep();
      if (!Trace().empty()) ends.push_back(i);
    }
    return ends;
  }
  int32_t line = -1, obj = -1;
};

TEST_F(PathFollowing, ThePathPlacesTheInstanceEachStepWithSpeedZero) {
  CInstance* inst = room.AddInstance(10, 20, obj);
  inst->Assign_Path(line, 10, 1, 0, true, 0);
  Steps(1);
  EXPECT_DOUBLE_EQ(inst->i_x, 20);
  EXPECT_DOUBLE_EQ(inst->i_y, 20);
  EXPECT_EQ(inst->i_speed, 0);
  EXPECT_EQ(inst->i_direction, 0);  // along the path
  inst->Setspeed(5);
  inst->Setdirection(90);
  Steps(1);
  EXPECT_DOUBLE_EQ(inst->i_x, 30);
  EXPECT_DOUBLE_EQ(inst->i_y, 20);
}

TEST_F(PathFollowing, EndActions) {
  struct Case {
    const char* what;
    int32_t endact;
    double speed;
    int steps;
    double pos, pathspeed, x;
    std::vector<int> ends;
  };
  // The instance starts at (50, 0) on a path 100 pixels long, relative: going forwards the
  // path starts there, going backwards it ends there.
  const Case cases[] = {
      {"stop", 0, 30, 5, 1, 30, 150, {4}},
      {"unknown actions stop", 7, 30, 5, 1, 30, 150, {4}},
      {"stop going backwards ends at the end point", 0, -30, 4, 1, -30, 50, {4}},
      {"restart keeps the overshoot", 1, 30, 4, 0.2, 30, 70, {4}},
      {"restart backwards", 1, -30, 4, 0.8, -30, 30, {4}},
      {"continue from the end", 2, 30, 4, 0.2, 30, 170, {4}},
      {"continue backwards", 2, -30, 4, 0.8, -30, -70, {4}},
      {"reverse bounces with the overshoot", 3, 30, 4, 0.8, -30, 130, {4}},
      {"reverse at the start", 3, -30, 4, 0.2, 30, -30, {4}},
      {"reverse twice", 3, 30, 8, 0.4, 30, 90, {4, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    room.ClearInstances();
    CInstance* inst = room.AddInstance(50, 0, obj);
    inst->Assign_Path(line, c.speed, 1, 0, true, c.endact);
    ASSERT_EQ(inst->i_pathindex, line);
    EXPECT_EQ(Steps(c.steps), c.ends);
    EXPECT_NEAR(inst->i_pathposition, c.pos, 1e-9);
    EXPECT_EQ(inst->i_pathspeed, c.pathspeed);
    EXPECT_NEAR(inst->i_x, c.x, 1e-9);
    EXPECT_EQ(inst->i_pathindex, c.endact == 0 || c.endact == 7 ? -1 : line);
  }
}

TEST_F(PathFollowing, StartingAPath) {
  CInstance* inst = room.AddInstance(500, 500, obj);
  // Absolute: placed on the path's first point.
  inst->Assign_Path(line, 10, 1, 0, false, 0);
  EXPECT_EQ(inst->i_x, 0);
  EXPECT_EQ(inst->i_y, 0);
  // Backwards and relative: the instance stands on the path's end and moves back along it.
  inst->SetPosition(500, 500);
  inst->Assign_Path(line, -10, 1, 0, true, 0);
  EXPECT_EQ(inst->i_pathposition, 1);
  Steps(1);
  EXPECT_DOUBLE_EQ(inst->i_x, 490);
  EXPECT_DOUBLE_EQ(inst->i_y, 500);
  // Orientation 90 and scale 2: the path runs upwards at twice the size, at the path speed.
  inst->SetPosition(0, 0);
  inst->Assign_Path(line, 20, 2, 90, true, 0);
  Steps(1);
  EXPECT_NEAR(inst->i_x, 0, 1e-9);
  EXPECT_NEAR(inst->i_y, -20, 1e-9);
  EXPECT_EQ(inst->i_direction, 90);
  // A negative scale, a missing path or a zero length cancel.
  inst->Assign_Path(line, 20, -1, 0, true, 0);
  EXPECT_EQ(inst->i_pathindex, -1);
  inst->Assign_Path(99, 20, 1, 0, true, 0);
  EXPECT_EQ(inst->i_pathindex, -1);
  const int32_t flat = Paths().Add();
  Paths().Get(flat)->AddPoint(3, 3, 100);
  inst->Assign_Path(flat, 20, 1, 0, true, 0);
  EXPECT_EQ(inst->i_pathindex, -1);
  // A negative index is kept as it is and nothing else changes.
  inst->Assign_Path(-5, 20, 1, 0, true, 0);
  EXPECT_EQ(inst->i_pathindex, -5);
  EXPECT_FALSE(inst->Adapt_Path());
}

}  // namespace
