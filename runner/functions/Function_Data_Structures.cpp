// Built-in data-structure functions: stacks, queues, lists, maps, priority queues and grids,
// each addressed by its index in its kind's table (Support_Data_Structures).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/functions/Support_Data_Structures.h"

namespace {
constexpr std::string_view kNoStructure = "Data structure with index does not exist.";
constexpr std::string_view kGridTooLarge = "Grid size is too large.";

#define DS_ARGS CInstance*, CInstance*, int32_t, RValue* argv, RValue& result

RDataStructuresState& S() {
  return DataStructuresState();
}
const DsCompare& Cmp() {
  return S().compare;
}

// The structure an index argument names, or null after the error every function shows.
// A whole index, the usual case, needs no rounding.
int32_t IndexOf(const RValue& index) {
  const double v = index.val();
  if (v >= 0.0 && v < 2147483647.0) {
    const auto i = static_cast<int32_t>(v);
    if (i == v) return i;
  }
  return RoundToInt32(v);
}

template <class T>
T* Find(const DsTable<T>& table, const RValue& index) {
  T* ds = table.Get(IndexOf(index));
  if (!ds) ShowActionError(kNoStructure, false);
  return ds;
}
CDS_Stack* Stack(const RValue& i) { return Find(S().stacks, i); }
CDS_Queue* Queue(const RValue& i) { return Find(S().queues, i); }
CDS_List* List(const RValue& i) { return Find(S().lists, i); }
CDS_Map* Map(const RValue& i) { return Find(S().maps, i); }
CDS_Priority* Priority(const RValue& i) { return Find(S().priorities, i); }
CDS_Grid* Grid(const RValue& i) { return Find(S().grids, i); }

int64_t Pos(const RValue& v) {
  return RoundToInt64(v.val());
}

void SetCount(RValue& result, int32_t n) {
  result.SetReal(n);
}

// ---- Common ----

void ds_set_precision(DS_ARGS) {
  S().compare.precision = std::fabs(argv[0].val());
}

// ---- Stacks ----

void ds_stack_create(DS_ARGS) { result.SetReal(S().stacks.Create()); }
void ds_stack_destroy(DS_ARGS) {
  if (Stack(argv[0])) S().stacks.Destroy(RoundToInt32(argv[0].val()));
}
void ds_stack_clear(DS_ARGS) {
  if (CDS_Stack* s = Stack(argv[0])) s->i_val.clear();
}
void ds_stack_copy(DS_ARGS) {
  CDS_Stack* d = Stack(argv[0]);
  if (CDS_Stack* s = d ? Stack(argv[1]) : nullptr) *d = *s;
}
void ds_stack_size(DS_ARGS) {
  if (CDS_Stack* s = Stack(argv[0])) SetCount(result, s->Size());
}
void ds_stack_empty(DS_ARGS) {
  if (CDS_Stack* s = Stack(argv[0])) result.SetReal(BoolReal(s->i_val.empty()));
}
void ds_stack_push(DS_ARGS) {
  if (CDS_Stack* s = Stack(argv[0])) s->i_val.push_back(argv[1]);
}
void ds_stack_pop(DS_ARGS) {
  CDS_Stack* s = Stack(argv[0]);
  if (!s || s->i_val.empty()) return;
  result = std::move(s->i_val.back());
  s->i_val.pop_back();
}
void ds_stack_top(DS_ARGS) {
  CDS_Stack* s = Stack(argv[0]);
  if (s && !s->i_val.empty()) result = s->i_val.back();
}
void ds_stack_write(DS_ARGS) {
  if (CDS_Stack* s = Stack(argv[0])) result.SetString(s->Write());
}
void ds_stack_read(DS_ARGS) {
  if (CDS_Stack* s = Stack(argv[0])) s->Read(argv[1].str());
}

// ---- Queues ----

void ds_queue_create(DS_ARGS) { result.SetReal(S().queues.Create()); }
void ds_queue_destroy(DS_ARGS) {
  if (Queue(argv[0])) S().queues.Destroy(RoundToInt32(argv[0].val()));
}
void ds_queue_clear(DS_ARGS) {
  if (CDS_Queue* q = Queue(argv[0])) q->Clear();
}
void ds_queue_copy(DS_ARGS) {
  CDS_Queue* d = Queue(argv[0]);
  if (CDS_Queue* s = d ? Queue(argv[1]) : nullptr) *d = *s;
}
void ds_queue_size(DS_ARGS) {
  if (CDS_Queue* q = Queue(argv[0])) SetCount(result, q->Size());
}
void ds_queue_empty(DS_ARGS) {
  if (CDS_Queue* q = Queue(argv[0])) result.SetReal(BoolReal(q->Size() == 0));
}
void ds_queue_enqueue(DS_ARGS) {
  if (CDS_Queue* q = Queue(argv[0])) q->Enqueue(argv[1]);
}
void ds_queue_dequeue(DS_ARGS) {
  if (CDS_Queue* q = Queue(argv[0])) result = q->Dequeue();
}
void ds_queue_head(DS_ARGS) {
  CDS_Queue* q = Queue(argv[0]);
  if (q && q->Size() > 0) result = q->i_val[static_cast<size_t>(q->i_last)];
}
void ds_queue_tail(DS_ARGS) {
  CDS_Queue* q = Queue(argv[0]);
  if (q && q->Size() > 0) result = q->i_val[static_cast<size_t>(q->i_first - 1)];
}
void ds_queue_write(DS_ARGS) {
  if (CDS_Queue* q = Queue(argv[0])) result.SetString(q->Write());
}
void ds_queue_read(DS_ARGS) {
  if (CDS_Queue* q = Queue(argv[0])) q->Read(argv[1].str());
}

// ---- Lists ----

void ds_list_create(DS_ARGS) { result.SetReal(S().lists.Create()); }
void ds_list_destroy(DS_ARGS) {
  if (List(argv[0])) S().lists.Destroy(RoundToInt32(argv[0].val()));
}
void ds_list_clear(DS_ARGS) {
  if (CDS_List* l = List(argv[0])) l->i_val.clear();
}
void ds_list_copy(DS_ARGS) {
  CDS_List* d = List(argv[0]);
  if (CDS_List* s = d ? List(argv[1]) : nullptr) *d = *s;
}
void ds_list_size(DS_ARGS) {
  if (CDS_List* l = List(argv[0])) SetCount(result, l->Size());
}
void ds_list_empty(DS_ARGS) {
  if (CDS_List* l = List(argv[0])) result.SetReal(BoolReal(l->i_val.empty()));
}
void ds_list_add(DS_ARGS) {
  if (CDS_List* l = List(argv[0])) l->i_val.push_back(argv[1]);
}
void ds_list_insert(DS_ARGS) {
  CDS_List* l = List(argv[0]);
  const int64_t pos = Pos(argv[1]);
  if (l && pos >= 0 && pos <= l->Size()) l->i_val.insert(l->i_val.begin() + pos, argv[2]);
}
void ds_list_replace(DS_ARGS) {
  CDS_List* l = List(argv[0]);
  const int64_t pos = Pos(argv[1]);
  if (l && pos >= 0 && pos < l->Size()) l->i_val[static_cast<size_t>(pos)] = argv[2];
}
void ds_list_delete(DS_ARGS) {
  CDS_List* l = List(argv[0]);
  const int64_t pos = Pos(argv[1]);
  if (l && pos >= 0 && pos < l->Size()) l->i_val.erase(l->i_val.begin() + pos);
}
void ds_list_find_index(DS_ARGS) {
  if (CDS_List* l = List(argv[0])) result.SetReal(l->FindIndex(argv[1], Cmp()));
}
void ds_list_find_value(DS_ARGS) {
  CDS_List* l = List(argv[0]);
  const int64_t pos = Pos(argv[1]);
  if (l && pos >= 0 && pos < l->Size()) result = l->i_val[static_cast<size_t>(pos)];
}
void ds_list_sort(DS_ARGS) {
  if (CDS_List* l = List(argv[0])) l->Sort(IsTrue(argv[1].val()), Cmp());
}
void ds_list_shuffle(DS_ARGS) {
  if (CDS_List* l = List(argv[0])) l->Shuffle();
}
void ds_list_write(DS_ARGS) {
  if (CDS_List* l = List(argv[0])) result.SetString(l->Write());
}
void ds_list_read(DS_ARGS) {
  if (CDS_List* l = List(argv[0])) l->Read(argv[1].str());
}

// ---- Maps ----

void ds_map_create(DS_ARGS) { result.SetReal(S().maps.Create()); }
void ds_map_destroy(DS_ARGS) {
  if (Map(argv[0])) S().maps.Destroy(RoundToInt32(argv[0].val()));
}
void ds_map_clear(DS_ARGS) {
  if (CDS_Map* m = Map(argv[0])) m->Clear();
}
void ds_map_copy(DS_ARGS) {
  CDS_Map* d = Map(argv[0]);
  if (CDS_Map* s = d ? Map(argv[1]) : nullptr) *d = *s;
}
void ds_map_size(DS_ARGS) {
  if (CDS_Map* m = Map(argv[0])) SetCount(result, m->Size());
}
void ds_map_empty(DS_ARGS) {
  if (CDS_Map* m = Map(argv[0])) result.SetReal(BoolReal(m->Size() == 0));
}
void ds_map_add(DS_ARGS) {
  if (CDS_Map* m = Map(argv[0])) m->Add(argv[1], argv[2], Cmp());
}
void ds_map_replace(DS_ARGS) {
  CDS_Map* m = Map(argv[0]);
  if (RValue* v = m ? m->Find(argv[1], Cmp()) : nullptr) *v = argv[2];
}
void ds_map_delete(DS_ARGS) {
  if (CDS_Map* m = Map(argv[0])) m->Delete(argv[1], Cmp());
}
void ds_map_exists(DS_ARGS) {
  if (CDS_Map* m = Map(argv[0])) result.SetReal(BoolReal(m->Find(argv[1], Cmp()) != nullptr));
}
void ds_map_find_value(DS_ARGS) {
  CDS_Map* m = Map(argv[0]);
  if (const RValue* v = m ? m->Find(argv[1], Cmp()) : nullptr) result = *v;
}
void ds_map_find_previous(DS_ARGS) {
  CDS_Map* m = Map(argv[0]);
  if (const RValue* k = m ? m->Previous(argv[1], Cmp()) : nullptr) result = *k;
}
void ds_map_find_next(DS_ARGS) {
  CDS_Map* m = Map(argv[0]);
  if (const RValue* k = m ? m->Next(argv[1], Cmp()) : nullptr) result = *k;
}
void ds_map_find_first(DS_ARGS) {
  CDS_Map* m = Map(argv[0]);
  if (const RValue* k = m ? m->First() : nullptr) result = *k;
}
void ds_map_find_last(DS_ARGS) {
  CDS_Map* m = Map(argv[0]);
  if (const RValue* k = m ? m->Last() : nullptr) result = *k;
}
void ds_map_write(DS_ARGS) {
  if (CDS_Map* m = Map(argv[0])) result.SetString(m->Write());
}
void ds_map_read(DS_ARGS) {
  if (CDS_Map* m = Map(argv[0])) m->Read(argv[1].str());
}

// ---- Priority queues ----

void ds_priority_create(DS_ARGS) { result.SetReal(S().priorities.Create()); }
void ds_priority_destroy(DS_ARGS) {
  if (Priority(argv[0])) S().priorities.Destroy(RoundToInt32(argv[0].val()));
}
void ds_priority_clear(DS_ARGS) {
  if (CDS_Priority* p = Priority(argv[0])) p->Clear();
}
void ds_priority_copy(DS_ARGS) {
  CDS_Priority* d = Priority(argv[0]);
  if (CDS_Priority* s = d ? Priority(argv[1]) : nullptr) *d = *s;
}
void ds_priority_size(DS_ARGS) {
  if (CDS_Priority* p = Priority(argv[0])) SetCount(result, p->Size());
}
void ds_priority_empty(DS_ARGS) {
  if (CDS_Priority* p = Priority(argv[0])) result.SetReal(BoolReal(p->Size() == 0));
}
void ds_priority_add(DS_ARGS) {
  if (CDS_Priority* p = Priority(argv[0])) p->Add(argv[1], argv[2], Cmp());
}
void ds_priority_change_priority(DS_ARGS) {
  CDS_Priority* p = Priority(argv[0]);
  const int32_t pos = p ? p->FindValue(argv[1], Cmp()) : -1;
  if (pos >= 0) p->SetPriority(pos, argv[2], Cmp());
}
void ds_priority_find_priority(DS_ARGS) {
  CDS_Priority* p = Priority(argv[0]);
  const int32_t pos = p ? p->FindValue(argv[1], Cmp()) : -1;
  if (pos >= 0) result = p->i_priority[static_cast<size_t>(pos)];
}
void ds_priority_delete_value(DS_ARGS) {
  CDS_Priority* p = Priority(argv[0]);
  const int32_t pos = p ? p->FindValue(argv[1], Cmp()) : -1;
  if (pos >= 0) p->Delete(pos, Cmp());
}
void ds_priority_find_min(DS_ARGS) {
  CDS_Priority* p = Priority(argv[0]);
  const int32_t pos = p ? p->MinPos(Cmp()) : -1;
  if (pos >= 0) result = p->i_val[static_cast<size_t>(pos)];
}
void ds_priority_find_max(DS_ARGS) {
  CDS_Priority* p = Priority(argv[0]);
  const int32_t pos = p ? p->MaxPos(Cmp()) : -1;
  if (pos >= 0) result = p->i_val[static_cast<size_t>(pos)];
}
void ds_priority_delete_min(DS_ARGS) {
  CDS_Priority* p = Priority(argv[0]);
  const int32_t pos = p ? p->MinPos(Cmp()) : -1;
  if (pos < 0) return;
  result = p->i_val[static_cast<size_t>(pos)];
  p->Delete(pos, Cmp());
}
void ds_priority_delete_max(DS_ARGS) {
  CDS_Priority* p = Priority(argv[0]);
  const int32_t pos = p ? p->MaxPos(Cmp()) : -1;
  if (pos < 0) return;
  result = p->i_val[static_cast<size_t>(pos)];
  p->Delete(pos, Cmp());
}
void ds_priority_write(DS_ARGS) {
  if (CDS_Priority* p = Priority(argv[0])) result.SetString(p->Write());
}
void ds_priority_read(DS_ARGS) {
  if (CDS_Priority* p = Priority(argv[0])) p->Read(argv[1].str());
}

// ---- Grids ----

// A run of cells in one direction; empty when lo > hi.
struct Span {
  int32_t lo = 0, hi = -1;
  bool Empty() const { return lo > hi; }
};

// Rounded corners, ordered and clipped to 0 .. n - 1.
Span Between(const RValue& a, const RValue& b, int32_t n) {
  const int64_t p = Pos(a), q = Pos(b);
  const int64_t lo = std::max<int64_t>(std::min(p, q), 0), hi = std::min<int64_t>(std::max(p, q), int64_t{n} - 1);
  if (lo > hi) return {};
  return {static_cast<int32_t>(lo), static_cast<int32_t>(hi)};
}

// floor(c - r) .. ceil(c + r) clipped to 0 .. n - 1; NaN gives nothing.
Span Around(double c, double r, int32_t n) {
  const double lo = std::max(std::floor(c - r), 0.0), hi = std::min(std::ceil(c + r), n - 1.0);
  if (!(lo <= hi)) return {};
  return {static_cast<int32_t>(lo), static_cast<int32_t>(hi)};
}

// The cells a rectangle or disk covers, visited x outer, y inner, both ascending.
struct Area {
  Span xs, ys;
  bool disk = false;
  double cx = 0, cy = 0, r2 = 0;

  template <class Visit>
  void ForEach(Visit visit) const {
    if (xs.Empty() || ys.Empty()) return;
    for (int32_t x = xs.lo; x <= xs.hi; ++x)
      for (int32_t y = ys.lo; y <= ys.hi; ++y) {
        if (disk) {
          const double dx = x - cx, dy = y - cy;
          if (!(dx * dx + dy * dy <= r2)) continue;
        }
        if (!visit(x, y)) return;
      }
  }
};

Area Rectangle(const CDS_Grid& g, const RValue* argv) {
  return {Between(argv[0], argv[2], g.i_w), Between(argv[1], argv[3], g.i_h)};
}

Area Disk(const CDS_Grid& g, const RValue* argv) {
  const double x = argv[0].val(), y = argv[1].val(), r = argv[2].val();
  return {Around(x, r, g.i_w), Around(y, r, g.i_h), true, x, y, r * r};
}

enum class CellOp { Set, Add, Multiply };

void Apply(CellOp op, RValue& cell, const RValue& v) {
  switch (op) {
    case CellOp::Set:
      cell = v;
      break;
    case CellOp::Add:
      if (cell.IsReal() && v.IsReal()) {
        cell.SetReal(cell.val() + v.val());
      } else if (cell.IsString() && v.IsString()) {
        // Texts never grow past the language's limit; such an append leaves the cell as it was.
        if (cell.str().size() + v.str().size() <= kMaxStringBytes) cell.Append(v.str());
      } else {
        cell = v;
      }
      break;
    case CellOp::Multiply:
      if (cell.IsReal() && v.IsReal()) cell.SetReal(cell.val() * v.val());
      break;
  }
}

void OnCell(CellOp op, RValue* argv) {
  CDS_Grid* g = Grid(argv[0]);
  const int64_t x = Pos(argv[1]), y = Pos(argv[2]);
  if (g && x >= 0 && x < g->i_w && y >= 0 && y < g->i_h)
    Apply(op, g->Cell(static_cast<int32_t>(x), static_cast<int32_t>(y)), argv[3]);
}

void OnArea(CellOp op, RValue* argv, bool disk) {
  CDS_Grid* g = Grid(argv[0]);
  if (!g) return;
  const Area area = disk ? Disk(*g, argv + 1) : Rectangle(*g, argv + 1);
  const RValue v = argv[disk ? 4 : 5];
  area.ForEach([&](int32_t x, int32_t y) {
    Apply(op, g->Cell(x, y), v);
    return true;
  });
}

// (id, source, x1, y1, x2, y2, xpos, ypos): each source cell of the rectangle onto the cell at
// the same offset from (xpos, ypos). The visiting order reads every source cell before it is
// overwritten, so a grid shifted onto itself copies its contents as they were.
void OnGridRegion(CellOp op, RValue* argv) {
  CDS_Grid* dst = Grid(argv[0]);
  CDS_Grid* src = dst ? Grid(argv[1]) : nullptr;
  if (!src) return;
  Span sx = Between(argv[2], argv[4], src->i_w), sy = Between(argv[3], argv[5], src->i_h);
  if (sx.Empty() || sy.Empty()) return;
  // Far beyond any grid either way; clamped so the offsets below cannot overflow.
  constexpr int64_t kFar = int64_t{1} << 40;
  int64_t xpos = std::clamp(Pos(argv[6]), -kFar, kFar), ypos = std::clamp(Pos(argv[7]), -kFar, kFar);
  int64_t xlo = sx.lo, ylo = sy.lo;
  if (xpos < 0) xlo -= xpos, xpos = 0;
  if (ypos < 0) ylo -= ypos, ypos = 0;
  const int64_t width = std::min<int64_t>(sx.hi - xlo + 1, dst->i_w - xpos);
  const int64_t height = std::min<int64_t>(sy.hi - ylo + 1, dst->i_h - ypos);
  if (width <= 0 || height <= 0) return;
  const bool xDown = xlo < xpos, yDown = ylo < ypos;
  for (int64_t i = 0; i < width; ++i) {
    const int64_t di = xDown ? width - 1 - i : i;
    for (int64_t j = 0; j < height; ++j) {
      const int64_t dj = yDown ? height - 1 - j : j;
      const RValue v = src->Cell(static_cast<int32_t>(xlo + di), static_cast<int32_t>(ylo + dj));
      Apply(op, dst->Cell(static_cast<int32_t>(xpos + di), static_cast<int32_t>(ypos + dj)), v);
    }
  }
}

enum class Stat { Sum, Mean, Max, Min };

void Statistic(Stat stat, RValue* argv, RValue& result, bool disk) {
  CDS_Grid* g = Grid(argv[0]);
  if (!g) return;
  const Area area = disk ? Disk(*g, argv + 1) : Rectangle(*g, argv + 1);
  double sum = 0, best = 0;
  int64_t count = 0;
  area.ForEach([&](int32_t x, int32_t y) {
    const RValue& c = g->Cell(x, y);
    if (!c.IsReal()) return true;
    const double v = c.val();
    if (count == 0 || (stat == Stat::Max ? v > best : v < best)) best = v;
    sum += v;
    ++count;
    return true;
  });
  switch (stat) {
    case Stat::Sum:
      result.SetReal(sum);
      break;
    case Stat::Mean:
      result.SetReal(count ? sum / static_cast<double>(count) : 0.0);
      break;
    case Stat::Max:
      result.SetReal(count ? best : -100000000.0);
      break;
    case Stat::Min:
      result.SetReal(count ? best : 100000000.0);
      break;
  }
}

enum class Seek { Exists, X, Y };

void FindValue(Seek seek, RValue* argv, RValue& result, bool disk) {
  CDS_Grid* g = Grid(argv[0]);
  if (!g) return;
  const Area area = disk ? Disk(*g, argv + 1) : Rectangle(*g, argv + 1);
  const RValue& v = argv[disk ? 4 : 5];
  const DsCompare& cmp = Cmp();
  area.ForEach([&](int32_t x, int32_t y) {
    if (cmp(g->Cell(x, y), v) != 0) return true;
    result.SetReal(seek == Seek::Exists ? 1 : seek == Seek::X ? x : y);
    return false;
  });
}

void ds_grid_create(DS_ARGS) {
  RDataStructuresState& s = S();
  const int32_t id = s.grids.Create();
  if (!s.grids.Get(id)->Resize(RoundToInt32(argv[0].val()), RoundToInt32(argv[1].val()))) {
    s.grids.Destroy(id);
    ShowActionError(kGridTooLarge, false);
    result.SetReal(-1);
    return;
  }
  result.SetReal(id);
}
void ds_grid_destroy(DS_ARGS) {
  if (Grid(argv[0])) S().grids.Destroy(RoundToInt32(argv[0].val()));
}
void ds_grid_copy(DS_ARGS) {
  CDS_Grid* d = Grid(argv[0]);
  if (CDS_Grid* s = d ? Grid(argv[1]) : nullptr) *d = *s;
}
void ds_grid_resize(DS_ARGS) {
  CDS_Grid* g = Grid(argv[0]);
  if (g && !g->Resize(RoundToInt32(argv[1].val()), RoundToInt32(argv[2].val()))) ShowActionError(kGridTooLarge, false);
}
void ds_grid_width(DS_ARGS) {
  if (CDS_Grid* g = Grid(argv[0])) result.SetReal(g->i_w);
}
void ds_grid_height(DS_ARGS) {
  if (CDS_Grid* g = Grid(argv[0])) result.SetReal(g->i_h);
}
void ds_grid_clear(DS_ARGS) {
  if (CDS_Grid* g = Grid(argv[0])) std::fill(g->i_val.begin(), g->i_val.end(), argv[1]);
}
void ds_grid_get(DS_ARGS) {
  CDS_Grid* g = Grid(argv[0]);
  const int64_t x = Pos(argv[1]), y = Pos(argv[2]);
  if (g && x >= 0 && x < g->i_w && y >= 0 && y < g->i_h) result = g->Cell(static_cast<int32_t>(x), static_cast<int32_t>(y));
}
void ds_grid_set(DS_ARGS) { OnCell(CellOp::Set, argv); }
void ds_grid_add(DS_ARGS) { OnCell(CellOp::Add, argv); }
void ds_grid_multiply(DS_ARGS) { OnCell(CellOp::Multiply, argv); }
void ds_grid_set_region(DS_ARGS) { OnArea(CellOp::Set, argv, false); }
void ds_grid_add_region(DS_ARGS) { OnArea(CellOp::Add, argv, false); }
void ds_grid_multiply_region(DS_ARGS) { OnArea(CellOp::Multiply, argv, false); }
void ds_grid_set_disk(DS_ARGS) { OnArea(CellOp::Set, argv, true); }
void ds_grid_add_disk(DS_ARGS) { OnArea(CellOp::Add, argv, true); }
void ds_grid_multiply_disk(DS_ARGS) { OnArea(CellOp::Multiply, argv, true); }
void ds_grid_set_grid_region(DS_ARGS) { OnGridRegion(CellOp::Set, argv); }
void ds_grid_add_grid_region(DS_ARGS) { OnGridRegion(CellOp::Add, argv); }
void ds_grid_multiply_grid_region(DS_ARGS) { OnGridRegion(CellOp::Multiply, argv); }
void ds_grid_get_sum(DS_ARGS) { Statistic(Stat::Sum, argv, result, false); }
void ds_grid_get_max(DS_ARGS) { Statistic(Stat::Max, argv, result, false); }
void ds_grid_get_min(DS_ARGS) { Statistic(Stat::Min, argv, result, false); }
void ds_grid_get_mean(DS_ARGS) { Statistic(Stat::Mean, argv, result, false); }
void ds_grid_get_disk_sum(DS_ARGS) { Statistic(Stat::Sum, argv, result, true); }
void ds_grid_get_disk_min(DS_ARGS) { Statistic(Stat::Min, argv, result, true); }
void ds_grid_get_disk_max(DS_ARGS) { Statistic(Stat::Max, argv, result, true); }
void ds_grid_get_disk_mean(DS_ARGS) { Statistic(Stat::Mean, argv, result, true); }
void ds_grid_value_exists(DS_ARGS) { FindValue(Seek::Exists, argv, result, false); }
void ds_grid_value_x(DS_ARGS) { FindValue(Seek::X, argv, result, false); }
void ds_grid_value_y(DS_ARGS) { FindValue(Seek::Y, argv, result, false); }
void ds_grid_value_disk_exists(DS_ARGS) { FindValue(Seek::Exists, argv, result, true); }
void ds_grid_value_disk_x(DS_ARGS) { FindValue(Seek::X, argv, result, true); }
void ds_grid_value_disk_y(DS_ARGS) { FindValue(Seek::Y, argv, result, true); }
void ds_grid_shuffle(DS_ARGS) {
  if (CDS_Grid* g = Grid(argv[0])) g->Shuffle();
}
void ds_grid_write(DS_ARGS) {
  if (CDS_Grid* g = Grid(argv[0])) result.SetString(g->Write());
}
void ds_grid_read(DS_ARGS) {
  if (CDS_Grid* g = Grid(argv[0])) g->Read(argv[1].str());
}

#undef DS_ARGS

constexpr RFunctionDef kDataStructureFunctions[] = {
    {"ds_set_precision", 1, ds_set_precision},

    {"ds_stack_create", 0, ds_stack_create},
    {"ds_stack_destroy", 1, ds_stack_destroy},
    {"ds_stack_clear", 1, ds_stack_clear},
    {"ds_stack_copy", 2, ds_stack_copy},
    {"ds_stack_size", 1, ds_stack_size},
    {"ds_stack_empty", 1, ds_stack_empty},
    {"ds_stack_push", 2, ds_stack_push},
    {"ds_stack_pop", 1, ds_stack_pop},
    {"ds_stack_top", 1, ds_stack_top},
    {"ds_stack_write", 1, ds_stack_write},
    {"ds_stack_read", 2, ds_stack_read},

    {"ds_queue_create", 0, ds_queue_create},
    {"ds_queue_destroy", 1, ds_queue_destroy},
    {"ds_queue_clear", 1, ds_queue_clear},
    {"ds_queue_copy", 2, ds_queue_copy},
    {"ds_queue_size", 1, ds_queue_size},
    {"ds_queue_empty", 1, ds_queue_empty},
    {"ds_queue_enqueue", 2, ds_queue_enqueue},
    {"ds_queue_dequeue", 1, ds_queue_dequeue},
    {"ds_queue_head", 1, ds_queue_head},
    {"ds_queue_tail", 1, ds_queue_tail},
    {"ds_queue_write", 1, ds_queue_write},
    {"ds_queue_read", 2, ds_queue_read},

    {"ds_list_create", 0, ds_list_create},
    {"ds_list_destroy", 1, ds_list_destroy},
    {"ds_list_clear", 1, ds_list_clear},
    {"ds_list_copy", 2, ds_list_copy},
    {"ds_list_size", 1, ds_list_size},
    {"ds_list_empty", 1, ds_list_empty},
    {"ds_list_add", 2, ds_list_add},
    {"ds_list_insert", 3, ds_list_insert},
    {"ds_list_replace", 3, ds_list_replace},
    {"ds_list_delete", 2, ds_list_delete},
    {"ds_list_find_index", 2, ds_list_find_index},
    {"ds_list_find_value", 2, ds_list_find_value},
    {"ds_list_sort", 2, ds_list_sort},
    {"ds_list_shuffle", 1, ds_list_shuffle},
    {"ds_list_write", 1, ds_list_write},
    {"ds_list_read", 2, ds_list_read},

    {"ds_map_create", 0, ds_map_create},
    {"ds_map_destroy", 1, ds_map_destroy},
    {"ds_map_clear", 1, ds_map_clear},
    {"ds_map_copy", 2, ds_map_copy},
    {"ds_map_size", 1, ds_map_size},
    {"ds_map_empty", 1, ds_map_empty},
    {"ds_map_add", 3, ds_map_add},
    {"ds_map_replace", 3, ds_map_replace},
    {"ds_map_delete", 2, ds_map_delete},
    {"ds_map_exists", 2, ds_map_exists},
    {"ds_map_find_value", 2, ds_map_find_value},
    {"ds_map_find_previous", 2, ds_map_find_previous},
    {"ds_map_find_next", 2, ds_map_find_next},
    {"ds_map_find_first", 1, ds_map_find_first},
    {"ds_map_find_last", 1, ds_map_find_last},
    {"ds_map_write", 1, ds_map_write},
    {"ds_map_read", 2, ds_map_read},

    {"ds_priority_create", 0, ds_priority_create},
    {"ds_priority_destroy", 1, ds_priority_destroy},
    {"ds_priority_clear", 1, ds_priority_clear},
    {"ds_priority_copy", 2, ds_priority_copy},
    {"ds_priority_size", 1, ds_priority_size},
    {"ds_priority_empty", 1, ds_priority_empty},
    {"ds_priority_add", 3, ds_priority_add},
    {"ds_priority_change_priority", 3, ds_priority_change_priority},
    {"ds_priority_find_priority", 2, ds_priority_find_priority},
    {"ds_priority_delete_value", 2, ds_priority_delete_value},
    {"ds_priority_delete_min", 1, ds_priority_delete_min},
    {"ds_priority_find_min", 1, ds_priority_find_min},
    {"ds_priority_delete_max", 1, ds_priority_delete_max},
    {"ds_priority_find_max", 1, ds_priority_find_max},
    {"ds_priority_write", 1, ds_priority_write},
    {"ds_priority_read", 2, ds_priority_read},

    {"ds_grid_create", 2, ds_grid_create},
    {"ds_grid_destroy", 1, ds_grid_destroy},
    {"ds_grid_copy", 2, ds_grid_copy},
    {"ds_grid_resize", 3, ds_grid_resize},
    {"ds_grid_width", 1, ds_grid_width},
    {"ds_grid_height", 1, ds_grid_height},
    {"ds_grid_clear", 2, ds_grid_clear},
    {"ds_grid_set", 4, ds_grid_set},
    {"ds_grid_add", 4, ds_grid_add},
    {"ds_grid_multiply", 4, ds_grid_multiply},
    {"ds_grid_set_region", 6, ds_grid_set_region},
    {"ds_grid_add_region", 6, ds_grid_add_region},
    {"ds_grid_multiply_region", 6, ds_grid_multiply_region},
    {"ds_grid_set_disk", 5, ds_grid_set_disk},
    {"ds_grid_add_disk", 5, ds_grid_add_disk},
    {"ds_grid_multiply_disk", 5, ds_grid_multiply_disk},
    {"ds_grid_set_grid_region", 8, ds_grid_set_grid_region},
    {"ds_grid_add_grid_region", 8, ds_grid_add_grid_region},
    {"ds_grid_multiply_grid_region", 8, ds_grid_multiply_grid_region},
    {"ds_grid_get", 3, ds_grid_get},
    {"ds_grid_get_sum", 5, ds_grid_get_sum},
    {"ds_grid_get_max", 5, ds_grid_get_max},
    {"ds_grid_get_min", 5, ds_grid_get_min},
    {"ds_grid_get_mean", 5, ds_grid_get_mean},
    {"ds_grid_get_disk_sum", 4, ds_grid_get_disk_sum},
    {"ds_grid_get_disk_min", 4, ds_grid_get_disk_min},
    {"ds_grid_get_disk_max", 4, ds_grid_get_disk_max},
    {"ds_grid_get_disk_mean", 4, ds_grid_get_disk_mean},
    {"ds_grid_value_exists", 6, ds_grid_value_exists},
    {"ds_grid_value_x", 6, ds_grid_value_x},
    {"ds_grid_value_y", 6, ds_grid_value_y},
    {"ds_grid_value_disk_exists", 5, ds_grid_value_disk_exists},
    {"ds_grid_value_disk_x", 5, ds_grid_value_disk_x},
    {"ds_grid_value_disk_y", 5, ds_grid_value_disk_y},
    {"ds_grid_shuffle", 1, ds_grid_shuffle},
    {"ds_grid_write", 1, ds_grid_write},
    {"ds_grid_read", 2, ds_grid_read},
};
static_assert(std::size(kDataStructureFunctions) == 110);
}  // namespace

FunctionFamily DataStructureFunctions() {
  return kDataStructureFunctions;
}
