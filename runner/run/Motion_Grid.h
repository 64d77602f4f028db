// CGrid: a grid of cells over the room, each free or forbidden, searched breadth-first for the
// shortest way from one cell to another; the way found becomes a path resource. Also the grid
// list and the settings of potential-field stepping, which together make the motion planning
// state.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "runner/base/Game.h"

class CInstance;
class CPath;

inline constexpr int32_t kCellForbidden = -1;
inline constexpr int32_t kCellFree = 0;

class CGrid {
 public:
  // Negative counts make an empty grid; cell sizes below 1 become 1.
  CGrid(int32_t left, int32_t top, int32_t hcells, int32_t vcells, int32_t cellw, int32_t cellh);

  void ClearAll();
  // Indices outside the grid are ignored.
  void ClearCell(int32_t i, int32_t j);
  void AddCell(int32_t i, int32_t j);
  // The cells a room rectangle covers, clipped to the grid.
  void ClearRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void AddRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  // Forbids the cells under the instance's bounding box; with prec only those whose rectangle
  // the instance meets precisely.
  void AddInstance(const CInstance& inst, bool prec);
  // Fills path with the way from (xs, ys) to (xg, yg) through free cells; false, with the path
  // untouched, when there is none.
  bool FindPath(CPath& path, double xs, double ys, double xg, double yg, bool allowdiag);

  // The value of cell (i, j), or forbidden outside the grid.
  int32_t Cell(int32_t i, int32_t j) const;
  bool Inside(int32_t i, int32_t j) const { return i >= 0 && j >= 0 && i < i_hcells && j < i_vcells; }

  int32_t i_left, i_top;
  int32_t i_cellw, i_cellh;
  int32_t i_hcells, i_vcells;
  // Column-major: cell (i, j) is i_cells[j + i * i_vcells].
  std::vector<int32_t> i_cells;

 private:
  int32_t& At(int32_t i, int32_t j) { return i_cells[static_cast<size_t>(j + i * i_vcells)]; }
  void SetRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t value);
  // The cell range a rectangle covers, clipped; false when it misses the grid.
  bool CellRange(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int32_t& i1, int32_t& j1, int32_t& i2,
                 int32_t& j2) const;
  // The cell holding a room point; false outside the grid.
  bool CellOf(double x, double y, int32_t& i, int32_t& j) const;
};

// A grid larger than this many cells is refused: its cells would take hundreds of megabytes.
inline constexpr int64_t kMaxGridCells = int64_t{1} << 24;

struct RMotionState {
  static constexpr EGameSlot kSlot = EGameSlot::Motion;
  // Potential-field stepping: the largest turn per step, the step between tried directions,
  // how far ahead (in steps) a direction must be free, and whether a stuck instance turns.
  double maxrot = 30, rotstep = 10, ahead = 3;
  bool onspot = true;
  // Destroyed grids leave empty slots that the next creation takes.
  std::vector<std::unique_ptr<CGrid>> grids;
};
inline RMotionState& MotionState() { return TheGame().State<RMotionState>(); }

// The index of a new grid, or -1 when it would be too large.
int32_t CreateGrid(int32_t left, int32_t top, int32_t hcells, int32_t vcells, int32_t cellw, int32_t cellh);
// The grid at index, or null.
CGrid* GridAt(int32_t index);
// False when there was no grid at index.
bool DestroyGrid(int32_t index);
