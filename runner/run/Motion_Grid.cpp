// Grids of cells and their breadth-first search; see Motion_Grid.h.
#include "runner/run/Motion_Grid.h"

#include <algorithm>
#include <cmath>

#include "runner/run/Instance_Class.h"
#include "runner/run/Path_Class.h"

namespace {
// Division rounding down, so that a rectangle left of or above the grid covers no cell of it.
int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}
}  // namespace

CGrid::CGrid(int32_t left, int32_t top, int32_t hcells, int32_t vcells, int32_t cellw, int32_t cellh)
    : i_left(left),
      i_top(top),
      i_cellw(std::max(cellw, 1)),
      i_cellh(std::max(cellh, 1)),
      i_hcells(std::max(hcells, 0)),
      i_vcells(std::max(vcells, 0)) {
  if (i_hcells == 0 || i_vcells == 0) i_hcells = i_vcells = 0;
  i_cells.assign(static_cast<size_t>(int64_t{i_hcells} * i_vcells), kCellFree);
}

int32_t CGrid::Cell(int32_t i, int32_t j) const {
  return Inside(i, j) ? i_cells[static_cast<size_t>(j + i * i_vcells)] : kCellForbidden;
}

void CGrid::ClearAll() {
  std::fill(i_cells.begin(), i_cells.end(), kCellFree);
}

void CGrid::ClearCell(int32_t i, int32_t j) {
  if (Inside(i, j)) At(i, j) = kCellFree;
}

void CGrid::AddCell(int32_t i, int32_t j) {
  if (Inside(i, j)) At(i, j) = kCellForbidden;
}

bool CGrid::CellRange(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int32_t& i1, int32_t& j1, int32_t& i2,
                      int32_t& j2) const {
  const int64_t ilo = std::max<int64_t>(FloorDiv(std::min(x1, x2) - i_left, i_cellw), 0);
  const int64_t ihi = std::min<int64_t>(FloorDiv(std::max(x1, x2) - i_left, i_cellw), i_hcells - 1);
  const int64_t jlo = std::max<int64_t>(FloorDiv(std::min(y1, y2) - i_top, i_cellh), 0);
  const int64_t jhi = std::min<int64_t>(FloorDiv(std::max(y1, y2) - i_top, i_cellh), i_vcells - 1);
  if (ilo > ihi || jlo > jhi) return false;
  i1 = static_cast<int32_t>(ilo), i2 = static_cast<int32_t>(ihi);
  j1 = static_cast<int32_t>(jlo), j2 = static_cast<int32_t>(jhi);
  return true;
}

void CGrid::SetRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t value) {
  int32_t i1, j1, i2, j2;
  if (!CellRange(x1, y1, x2, y2, i1, j1, i2, j2)) return;
  for (int32_t i = i1; i <= i2; ++i)
    for (int32_t j = j1; j <= j2; ++j) At(i, j) = value;
}

void CGrid::ClearRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  SetRectangle(x1, y1, x2, y2, kCellFree);
}

void CGrid::AddRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  SetRectangle(x1, y1, x2, y2, kCellForbidden);
}

void CGrid::AddInstance(const CInstance& inst, bool prec) {
  const RBoundingBox& b = inst.i_bbox;
  int32_t i1, j1, i2, j2;
  if (!CellRange(b.left, b.top, b.right, b.bottom, i1, j1, i2, j2)) return;
  for (int32_t i = i1; i <= i2; ++i)
    for (int32_t j = j1; j <= j2; ++j) {
      int32_t& cell = At(i, j);
      if (cell == kCellForbidden) continue;
      if (!prec) {
        cell = kCellForbidden;
        continue;
      }
      const double x1 = i_left + static_cast<double>(i_cellw) * i, y1 = i_top + static_cast<double>(i_cellh) * j;
      if (inst.Collision_Rectangle(x1, y1, x1 + i_cellw - 1, y1 + i_cellh - 1, true)) cell = kCellForbidden;
    }
}

bool CGrid::CellOf(double x, double y, int32_t& i, int32_t& j) const {
  const double fi = std::floor((x - i_left) / i_cellw), fj = std::floor((y - i_top) / i_cellh);
  // Also false for NaN.
  if (!(fi >= 0 && fi < i_hcells && fj >= 0 && fj < i_vcells)) return false;
  i = static_cast<int32_t>(fi), j = static_cast<int32_t>(fj);
  return true;
}

bool CGrid::FindPath(CPath& path, double xs, double ys, double xg, double yg, bool allowdiag) {
  int32_t si, sj, gi, gj;
  if (!CellOf(xs, ys, si, sj) || !CellOf(xg, yg, gi, gj)) return false;
  if (At(si, sj) == kCellForbidden || At(gi, gj) == kCellForbidden) return false;

  // Breadth-first with a first-in-first-out queue: the labels are the distances (start = 1), and
  // the queue order decides which of several shortest ways the walk back finds. Every labelled
  // cell stays in the queue, which is how the labels are reset afterwards.
  std::vector<int32_t> queue;
  auto open = [&](int32_t i, int32_t j) { return Inside(i, j) && At(i, j) == kCellFree; };
  auto label = [&](int32_t i, int32_t j, int32_t l) {
    At(i, j) = l;
    queue.push_back(j + i * i_vcells);
  };
  label(si, sj, 1);
  bool found = false;
  for (size_t head = 0; head < queue.size(); ++head) {
    const int32_t i = queue[head] / i_vcells, j = queue[head] % i_vcells;
    if (i == gi && j == gj) {
      found = true;
      break;
    }
    const int32_t next = At(i, j) + 1;
    const bool left = open(i - 1, j), right = open(i + 1, j), up = open(i, j - 1), down = open(i, j + 1);
    if (left) label(i - 1, j, next);
    if (right) label(i + 1, j, next);
    if (up) label(i, j - 1, next);
    if (down) label(i, j + 1, next);
    if (!allowdiag) continue;
    if (down && left && open(i - 1, j + 1)) label(i - 1, j + 1, next);
    if (up && left && open(i - 1, j - 1)) label(i - 1, j - 1, next);
    if (down && right && open(i + 1, j + 1)) label(i + 1, j + 1, next);
    if (up && right && open(i + 1, j - 1)) label(i + 1, j - 1, next);
  }

  if (found) {
    // Built backwards from the goal; a diagonal step back is taken only past two cells that
    // are not forbidden, so the way never cuts the corner of a forbidden cell.
    static constexpr int32_t kBack[8][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}, {-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
    const int32_t tries = allowdiag ? 8 : 4;
    CPath way;
    way.i_closed = false;
    way.i_points.push_back({xg, yg, 100});
    int32_t i = gi, j = gj;
    while (i != si || j != sj) {
      const int32_t want = At(i, j) - 1;
      int32_t t = 0;
      for (; t < tries; ++t) {
        const int32_t ni = i + kBack[t][0], nj = j + kBack[t][1];
        if (!Inside(ni, nj) || At(ni, nj) != want) continue;
        if (t >= 4 && (At(ni, j) == kCellForbidden || At(i, nj) == kCellForbidden)) continue;
        break;
      }
      if (t == tries) break;  // cannot happen: the cell's own predecessor qualifies
      i += kBack[t][0], j += kBack[t][1];
      if (i != si || j != sj)
        way.i_points.push_back({i_left + static_cast<double>(i_cellw) * i + i_cellw / 2, i_top + static_cast<double>(i_cellh) * j + i_cellh / 2, 100});
    }
    way.i_points.push_back({xs, ys, 100});
    std::reverse(way.i_points.begin(), way.i_points.end());
    path.Assign(way);
  }

  for (int32_t cell : queue) i_cells[static_cast<size_t>(cell)] = kCellFree;
  return found;
}

int32_t CreateGrid(int32_t left, int32_t top, int32_t hcells, int32_t vcells, int32_t cellw, int32_t cellh) {
  if (int64_t{std::max(hcells, 0)} * std::max(vcells, 0) > kMaxGridCells) return -1;
  auto grid = std::make_unique<CGrid>(left, top, hcells, vcells, cellw, cellh);
  std::vector<std::unique_ptr<CGrid>>& grids = MotionState().grids;
  for (size_t k = 0; k < grids.size(); ++k)
    if (!grids[k]) {
      grids[k] = std::move(grid);
      return static_cast<int32_t>(k);
    }
  grids.push_back(std::move(grid));
  return static_cast<int32_t>(grids.size() - 1);
}

CGrid* GridAt(int32_t index) {
  std::vector<std::unique_ptr<CGrid>>& grids = MotionState().grids;
  return index >= 0 && static_cast<size_t>(index) < grids.size() ? grids[static_cast<size_t>(index)].get() : nullptr;
}

bool DestroyGrid(int32_t index) {
  if (!GridAt(index)) return false;
  MotionState().grids[static_cast<size_t>(index)].reset();
  return true;
}
