// Grid path searches on a large grid with obstacles: walls across the grid, each with one gap
// at alternating ends, so the way winds through every row of the grid. BENCH_QUICK=1 shrinks
// the grid so a check run stays fast.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "runner/run/Motion_Grid.h"
#include "runner/run/Path_Class.h"

namespace {

constexpr int32_t kCell = 16;

int32_t Cells() { return std::getenv("BENCH_QUICK") ? 40 : 200; }

// Every fourth row a wall with a gap at the left or right end, and scattered single blocks.
CGrid Maze(int32_t n) {
  CGrid grid(0, 0, n, n, kCell, kCell);
  for (int32_t j = 2, k = 0; j < n - 1; j += 4, ++k)
    for (int32_t i = 0; i < n; ++i)
      if (k % 2 == 0 ? i < n - 2 : i > 1) grid.AddCell(i, j);
  for (int32_t i = 3; i < n; i += 7)
    for (int32_t j = 0; j < n; j += 4) grid.AddCell(i, j);
  return grid;
}

void GridPath(benchmark::State& state, bool diag) {
  const int32_t n = Cells();
  CGrid grid = Maze(n);
  CPath path;
  const double far = n * kCell - kCell / 2;
  for (auto _ : state) {
    if (!grid.FindPath(path, kCell / 2, kCell / 2, far, far, diag)) state.SkipWithError("no way found");
    benchmark::DoNotOptimize(path.i_length);
  }
  state.counters["points"] = path.Count();
}

void BM_GridPath(benchmark::State& state) { GridPath(state, false); }
void BM_GridPathDiagonal(benchmark::State& state) { GridPath(state, true); }
BENCHMARK(BM_GridPath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridPathDiagonal)->Unit(benchmark::kMillisecond);
}  // namespace
