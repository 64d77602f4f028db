// Grid searches: which of several shortest ways comes out, corners, failures, cells of
// rectangles, and a reference search over many random grids.
#include <gtest/gtest.h>

#include <deque>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "runner/run/Motion_Grid.h"
#include "runner/run/Path_Class.h"

namespace {

constexpr int32_t kCell = 10;

// A grid from rows of text: '#' forbidden, 'S' and 'G' free cells holding the start and goal.
struct RMap {
  CGrid grid;
  double sx = -1, sy = -1, gx = -1, gy = -1;
};
RMap MakeMap(const std::vector<std::string>& rows) {
  const int32_t w = static_cast<int32_t>(rows[0].size()), h = static_cast<int32_t>(rows.size());
  RMap m{CGrid(0, 0, w, h, kCell, kCell)};
  for (int32_t j = 0; j < h; ++j)
    for (int32_t i = 0; i < w; ++i) {
      const char c = rows[static_cast<size_t>(j)][static_cast<size_t>(i)];
      if (c == '#') m.grid.AddCell(i, j);
      // Off the centre, so the path's ends show they are the given points.
      if (c == 'S') m.sx = i * kCell + 2, m.sy = j * kCell + 3;
      if (c == 'G') m.gx = i * kCell + 7, m.gy = j * kCell + 8;
    }
  if (m.gx < 0) m.gx = m.sx + 5, m.gy = m.sy + 5;  // no 'G': the goal in the start's cell
  return m;
}

// The path as text: "x,y" per point.
std::string Points(const CPath& p) {
  std::string s;
  for (const RWayPoint& w : p.i_points) {
    if (!s.empty()) s += " ";
    s += std::to_string(static_cast<int>(w.x)) + "," + std::to_string(static_cast<int>(w.y));
  }
  return s;
}

TEST(MotionGrid, ShortestWayAndItsTieBreaking) {
  struct Case {
    const char* name;
    std::vector<std::string> rows;
    bool diag;
    const char* points;  // "" when no way
  } cases[] = {
      {"one row: the cell centres between", {"S..G"}, false, "2,3 15,5 25,5 37,8"},
      {"same cell", {"S."}, false, "2,3 7,8"},
      {"neighbours: only the two points", {"SG"}, false, "2,3 17,8"},
      // The walk back tries left, right, up, down: down the first column, then along the bottom.
      {"open square", {"S..", "...", "..G"}, false, "2,3 5,15 5,25 15,25 27,28"},
      {"open square, diagonal", {"S..", "...", "..G"}, true, "2,3 15,15 27,28"},
      {"around a block", {"S..", ".#.", "..G"}, false, "2,3 5,15 5,25 15,25 27,28"},
      // The diagonal past the forbidden centre is never taken.
      {"around a block, diagonal", {"S..", ".#.", "..G"}, true, "2,3 5,15 5,25 15,25 27,28"},
      {"a corridor", {"S#G", ".#.", "..."}, false, "2,3 5,15 5,25 15,25 25,25 25,15 27,8"},
      {"a corridor, diagonal", {"S#G", ".#.", "..."}, true, "2,3 5,15 5,25 15,25 25,25 25,15 27,8"},
      {"walled in", {"S#.", "##.", "..G"}, false, ""},
      {"walled in, diagonal: no squeezing between corners", {"S#.", "#..", "..G"}, true, ""},
  };
  for (const Case& c : cases) {
    RMap m = MakeMap(c.rows);
    CPath path;
    path.AddPoint(-1, -1, 50);  // left as it was when no way is found
    const bool found = m.grid.FindPath(path, m.sx, m.sy, m.gx, m.gy, c.diag);
    EXPECT_EQ(found, *c.points != 0) << c.name;
    EXPECT_EQ(Points(path), found ? c.points : "-1,-1") << c.name;
    if (found) {
      EXPECT_FALSE(path.i_closed) << c.name;
      EXPECT_EQ(path.i_kind, 0) << c.name;
      for (const RWayPoint& w : path.i_points) EXPECT_EQ(w.speed, 100) << c.name;
    }
    // Only forbidden cells keep a mark after a search.
    for (int32_t v : m.grid.i_cells) EXPECT_TRUE(v == kCellFree || v == kCellForbidden) << c.name;
  }
}

TEST(MotionGrid, EndsOutsideOrForbiddenFindNothing) {
  RMap m = MakeMap({"S.#", "..G"});
  struct Case {
    double xs, ys, xg, yg;
  } cases[] = {
      {-1, 5, 25, 15},   // left of the grid
      {5, 5, 30, 15},    // right of the grid (its right side is outside)
      {5, 5, 25, 20},    // below the grid
      {5, -0.5, 25, 15},  // just above it
      {5, 5, 25, 5},     // goal forbidden
      {25, 5, 5, 5},     // start forbidden
      {5, 5, std::numeric_limits<double>::quiet_NaN(), 5},
  };
  for (const Case& c : cases) {
    CPath path;
    EXPECT_FALSE(m.grid.FindPath(path, c.xs, c.ys, c.xg, c.yg, true)) << c.xs << "," << c.ys << " " << c.xg;
    EXPECT_EQ(path.Count(), 0);
  }
  CPath path;
  EXPECT_TRUE(m.grid.FindPath(path, 0, 0, 29.9, 19.9, false));
}

TEST(MotionGrid, RectanglesAndCellsAreClippedToTheGrid) {
  // A 4 x 3 grid of 10 x 10 cells at (100, 50).
  auto cells = [](const CGrid& g) {
    std::string s;
    for (int32_t j = 0; j < g.i_vcells; ++j) {
      for (int32_t i = 0; i < g.i_hcells; ++i) s += g.Cell(i, j) == kCellForbidden ? '#' : '.';
      s += '/';
    }
    return s;
  };
  struct Case {
    int32_t x1, y1, x2, y2;
    const char* after;
  } cases[] = {
      {110, 60, 119, 69, "..../.#../..../"},
      {119, 69, 110, 60, "..../.#../..../"},    // corners in either order
      {109, 59, 120, 70, "###./###./###./"},    // a pixel into each neighbour
      {0, 0, 1000, 1000, "####/####/####/"},
      {0, 0, 99, 1000, "..../..../..../"},     // wholly left of the grid
      {95, 55, 100, 55, "#.../..../..../"},
      {130, 70, 2147483647, 2147483647, "..../..../...#/"},
      {-2147483647, -2147483647, 2147483647, 2147483647, "####/####/####/"},
  };
  for (const Case& c : cases) {
    CGrid g(100, 50, 4, 3, 10, 10);
    g.AddRectangle(c.x1, c.y1, c.x2, c.y2);
    EXPECT_EQ(cells(g), c.after) << c.x1 << "," << c.y1 << "," << c.x2 << "," << c.y2;
    g.ClearRectangle(c.x1, c.y1, c.x2, c.y2);
    EXPECT_EQ(cells(g), "..../..../..../");
  }
  CGrid g(100, 50, 4, 3, 10, 10);
  g.AddCell(3, 2), g.AddCell(4, 0), g.AddCell(-1, 0), g.AddCell(0, 3);
  EXPECT_EQ(cells(g), "..../..../...#/");
  g.AddRectangle(0, 0, 1000, 1000), g.ClearCell(1, 1), g.ClearCell(9, 9);
  EXPECT_EQ(cells(g), "####/#.##/####/");
  g.ClearAll();
  EXPECT_EQ(cells(g), "..../..../..../");
}

TEST(MotionGrid, GridListReusesEmptySlotsAndRefusesHugeGrids) {
  EXPECT_EQ(CreateGrid(0, 0, 2, 2, 8, 8), 0);
  EXPECT_EQ(CreateGrid(0, 0, 2, 2, 8, 8), 1);
  EXPECT_TRUE(DestroyGrid(0));
  EXPECT_FALSE(DestroyGrid(0));
  EXPECT_EQ(GridAt(0), nullptr);
  EXPECT_EQ(CreateGrid(0, 0, 3, 3, 8, 8), 0);
  EXPECT_EQ(GridAt(0)->i_hcells, 3);
  EXPECT_EQ(CreateGrid(0, 0, 100000, 100000, 1, 1), -1);
  EXPECT_EQ(CreateGrid(0, 0, -5, 3, 0, -2), 2);  // empty, with cells of 1 pixel
  CPath path;
  EXPECT_FALSE(GridAt(2)->FindPath(path, 0, 0, 0, 0, false));
  EXPECT_FALSE(DestroyGrid(-1));
  EXPECT_FALSE(DestroyGrid(7));
}

// The length of the shortest way along free cells, in steps (orthogonal, or also diagonal
// between two free cells), or -1.
int32_t ReferenceSteps(const CGrid& g, int32_t si, int32_t sj, int32_t gi, int32_t gj, bool diag) {
  std::vector<int32_t> dist(g.i_cells.size(), -1);
  auto at = [&](int32_t i, int32_t j) -> int32_t& { return dist[static_cast<size_t>(j + i * g.i_vcells)]; };
  auto free = [&](int32_t i, int32_t j) { return g.Cell(i, j) == kCellFree; };
  std::deque<std::pair<int32_t, int32_t>> q{{si, sj}};
  at(si, sj) = 0;
  while (!q.empty()) {
    auto [i, j] = q.front();
    q.pop_front();
    for (int32_t di = -1; di <= 1; ++di)
      for (int32_t dj = -1; dj <= 1; ++dj) {
        if ((di == 0 && dj == 0) || (di != 0 && dj != 0 && !diag)) continue;
        const int32_t ni = i + di, nj = j + dj;
        if (!free(ni, nj) || at(ni, nj) >= 0) continue;
        if (di != 0 && dj != 0 && (!free(ni, j) || !free(i, nj))) continue;
        at(ni, nj) = at(i, j) + 1;
        q.push_back({ni, nj});
      }
  }
  return at(gi, gj);
}

// Random grids against a plain search: a way is found exactly when one exists; without
// diagonals it is a shortest one; each step goes to a free neighbour and never past a corner.
TEST(MotionGrid, AgreesWithAReferenceSearchOnRandomGrids) {
  std::mt19937 rng(7);
  for (int32_t trial = 0; trial < 400; ++trial) {
    const int32_t w = 1 + static_cast<int32_t>(rng() % 9), h = 1 + static_cast<int32_t>(rng() % 7);
    CGrid g(0, 0, w, h, kCell, kCell);
    for (int32_t i = 0; i < w; ++i)
      for (int32_t j = 0; j < h; ++j)
        if (rng() % 100 < 30) g.AddCell(i, j);
    const int32_t si = static_cast<int32_t>(rng() % static_cast<uint32_t>(w)), sj = static_cast<int32_t>(rng() % static_cast<uint32_t>(h));
    const int32_t gi = static_cast<int32_t>(rng() % static_cast<uint32_t>(w)), gj = static_cast<int32_t>(rng() % static_cast<uint32_t>(h));
    const bool diag = trial % 2 == 1;
    const double xs = si * kCell + 1, ys = sj * kCell + 1, xg = gi * kCell + 9, yg = gj * kCell + 9;
    CPath path;
    const bool found = g.FindPath(path, xs, ys, xg, yg, diag);
    const bool ends = g.Cell(si, sj) == kCellFree && g.Cell(gi, gj) == kCellFree;
    const int32_t orthogonal = ends ? ReferenceSteps(g, si, sj, gi, gj, false) : -1;
    SCOPED_TRACE("trial " + std::to_string(trial));
    ASSERT_EQ(found, orthogonal >= 0);
    if (!found) continue;
    // The cells visited: the start's, each centre's, the goal's.
    std::vector<std::pair<int32_t, int32_t>> cells;
    for (const RWayPoint& p : path.i_points)
      cells.push_back({static_cast<int32_t>(p.x) / kCell, static_cast<int32_t>(p.y) / kCell});
    if (cells.size() == 2 && cells[0] == cells[1]) cells.pop_back();
    const int32_t steps = static_cast<int32_t>(cells.size()) - 1;
    if (diag) {
      EXPECT_GE(steps, ReferenceSteps(g, si, sj, gi, gj, true));
    } else {
      EXPECT_EQ(steps, orthogonal);
    }
    EXPECT_LE(steps, orthogonal);
    for (size_t k = 1; k < cells.size(); ++k) {
      const auto [i0, j0] = cells[k - 1];
      const auto [i1, j1] = cells[k];
      EXPECT_EQ(g.Cell(i1, j1), kCellFree);
      EXPECT_LE(std::abs(i1 - i0) + std::abs(j1 - j0), diag ? 2 : 1);
      EXPECT_TRUE(std::abs(i1 - i0) <= 1 && std::abs(j1 - j0) <= 1);
      const bool corner = i1 != i0 && j1 != j0;
      EXPECT_TRUE(!corner || (g.Cell(i1, j0) == kCellFree && g.Cell(i0, j1) == kCellFree));
    }
    for (int32_t v : g.i_cells) ASSERT_TRUE(v == kCellFree || v == kCellForbidden);
  }
}

}  // namespace
