// The collision event phase and the spatial index; see Collision_Main.h.
#include "runner/run/Collision_Main.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "runner/run/Event_Main.h"
#include "runner/run/Object_Lists.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"
#include "runner/base/Game.h"

int32_t ListCount(const CRoom& room, const RListKey& key) {
  switch (key.list) {
    case EInstanceList::Active:
      return room.r_numb();
    case EInstanceList::Exact:
      return room.Obj_Number(key.object);
    case EInstanceList::Recursive:
      return room.Obj_Number_Recursive(key.object);
  }
  return 0;
}

CInstance* ListAt(const CRoom& room, const RListKey& key, int32_t pos) {
  switch (key.list) {
    case EInstanceList::Active:
      return room.Instance(pos);
    case EInstanceList::Exact:
      return room.Obj_Instance(key.object, pos);
    case EInstanceList::Recursive:
      return room.Obj_Instance_Recursive(key.object, pos);
  }
  return nullptr;
}

namespace {

bool Overlap(const RBoundingBox& a, const RBoundingBox& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

int64_t FloorDiv(int64_t a, int64_t b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// A uniform grid over the boxes of one list. Boxes spanning many cells, and queries spanning
// many cells, fall back to a plain walk so huge scales or the no-mask box cost no more than
// the exhaustive way. The cells are hashed into buckets laid out in one array (counted, then
// filled), so a rebuild every step allocates nothing once the arrays have grown; cells that
// share a bucket only cost a few more box tests, since every candidate's box is tested anyway.
class CBoxGrid {
 public:
  void Build(const CRoom& room, const RListKey& key) {
    wide_.clear();
    const int32_t n = ListCount(room, key);
    boxes_.assign(static_cast<size_t>(n), RBoundingBox{1, 1, 0, 0});
    stamp_.assign(static_cast<size_t>(n), 0);
    present_.assign(static_cast<size_t>(n), 0);
    query_ = 0;
    // The cell follows the typical box size, so most boxes sit in one to four cells.
    int64_t sum = 0, counted = 0;
    for (int32_t p = 0; p < n; ++p)
      if (const CInstance* inst = ListAt(room, key, p)) {
        boxes_[static_cast<size_t>(p)] = inst->i_bbox;
        present_[static_cast<size_t>(p)] = 1;
        const int64_t w = int64_t{inst->i_bbox.right} - inst->i_bbox.left + 1;
        const int64_t h = int64_t{inst->i_bbox.bottom} - inst->i_bbox.top + 1;
        if (w > 0 && h > 0 && w <= 4096 && h <= 4096) {
          sum += std::max(w, h);
          ++counted;
        }
      }
    cell_ = counted ? std::clamp<int64_t>(sum / counted, 8, 4096) : 64;
    size_t buckets = 16;
    while (buckets < static_cast<size_t>(n) * 2) buckets <<= 1;
    mask_ = buckets - 1;
    starts_.assign(buckets + 1, 0);
    // Two passes over the same cells: count per bucket, then place; each bucket lists its
    // positions in increasing order.
    auto cells = [&](auto visit) {
      for (int32_t p = 0; p < n; ++p) {
        if (!present_[static_cast<size_t>(p)]) continue;
        int64_t l, t, r, bt;
        if (!Cells(boxes_[static_cast<size_t>(p)], l, t, r, bt) || (r - l + 1) * (bt - t + 1) > kMaxEntryCells) {
          visit(p, -1);
          continue;
        }
        for (int64_t cx = l; cx <= r; ++cx)
          for (int64_t cy = t; cy <= bt; ++cy) visit(p, static_cast<int64_t>(Bucket(cx, cy)));
      }
    };
    cells([&](int32_t, int64_t b) {
      if (b >= 0) ++starts_[static_cast<size_t>(b) + 1];
    });
    for (size_t b = 0; b < buckets; ++b) starts_[b + 1] += starts_[b];
    entries_.resize(starts_[buckets]);
    fill_.assign(starts_.begin(), starts_.end() - 1);
    cells([&](int32_t p, int64_t b) {
      if (b < 0)
        wide_.push_back(p);
      else
        entries_[fill_[static_cast<size_t>(b)]++] = p;
    });
  }

  void Query(const RBoundingBox& box, int32_t from, int32_t to, std::vector<int32_t>& out) {
    out.clear();
    if (box.left > box.right || box.top > box.bottom) return;
    to = std::min(to, static_cast<int32_t>(boxes_.size()));
    auto take = [&](int32_t p) {
      if (p >= from && p < to && present_[static_cast<size_t>(p)] &&
          Overlap(box, boxes_[static_cast<size_t>(p)]))
        out.push_back(p);
    };
    int64_t l, t, r, b;
    if (!Cells(box, l, t, r, b) || (r - l + 1) * (b - t + 1) > kMaxQueryCells) {
      for (int32_t p = std::max(from, 0); p < to; ++p) take(p);
      return;
    }
    if (++query_ == 0) {
      // The stamps wrapped: none may look as if it were of this query.
      std::fill(stamp_.begin(), stamp_.end(), 0);
      query_ = 1;
    }
    for (int64_t cx = l; cx <= r; ++cx)
      for (int64_t cy = t; cy <= b; ++cy) {
        const size_t k = Bucket(cx, cy);
        for (uint32_t e = starts_[k], end = starts_[k + 1]; e < end; ++e) {
          const int32_t p = entries_[e];
          if (stamp_[static_cast<size_t>(p)] != query_) {
            stamp_[static_cast<size_t>(p)] = query_;
            take(p);
          }
        }
      }
    for (int32_t p : wide_) take(p);
    std::sort(out.begin(), out.end());
  }

  const CRoom* room = nullptr;
  uint64_t version = 0;

 private:
  static constexpr int64_t kMaxEntryCells = 16, kMaxQueryCells = 256;

  bool Cells(const RBoundingBox& b, int64_t& l, int64_t& t, int64_t& r, int64_t& bt) const {
    if (b.left > b.right || b.top > b.bottom) return false;
    l = FloorDiv(b.left, cell_);
    t = FloorDiv(b.top, cell_);
    r = FloorDiv(b.right, cell_);
    bt = FloorDiv(b.bottom, cell_);
    return (r - l) < 1 << 20 && (bt - t) < 1 << 20;
  }
  size_t Bucket(int64_t cx, int64_t cy) const {
    const uint64_t h = (static_cast<uint64_t>(cx) * 0x9E3779B97F4A7C15ull) ^ (static_cast<uint64_t>(cy) * 0xC2B2AE3D27D4EB4Full);
    return static_cast<size_t>(h ^ (h >> 29)) & mask_;
  }

  int64_t cell_ = 64;
  size_t mask_ = 0;
  std::vector<uint32_t> starts_;  // bucket k holds entries_[starts_[k] .. starts_[k + 1])
  std::vector<uint32_t> fill_;
  std::vector<int32_t> entries_;
  std::vector<int32_t> wide_;
  std::vector<RBoundingBox> boxes_;
  std::vector<uint32_t> stamp_;
  std::vector<char> present_;
  uint32_t query_ = 0;
};

// The collision method and the grids over the lists of the current room, with the list that
// was asked once (see NearPositions).
struct RCollisionState {
  static constexpr EGameSlot kSlot = EGameSlot::Collision;
  ECollisionMethod method = ECollisionMethod::Indexed;
  std::unordered_map<int64_t, CBoxGrid> grids;
  // Grids dropped as stale, kept to be rebuilt in place: boxes change every step.
  std::vector<CBoxGrid> spare;
  struct RFirstQuery {
    uint64_t version = ~uint64_t{0};
    const CRoom* room = nullptr;
    int64_t key = 0;
  } first;
};
RCollisionState& CollisionState() { return TheGame().State<RCollisionState>(); }

constexpr size_t kSpareGrids = 8;

int64_t GridKey(const RListKey& key) {
  return key.list == EInstanceList::Active
             ? -1
             : int64_t{key.object} * 2 + (key.list == EInstanceList::Exact ? 0 : 1);
}

}  // namespace

ECollisionMethod& CollisionMethod() { return CollisionState().method; }

void NearPositions(const CRoom& room, const RListKey& key, const RBoundingBox& box, int32_t from, int32_t to,
                   std::vector<int32_t>& out) {
  RCollisionState& state = CollisionState();
  auto& grids = state.grids;
  // Every change of boxes or lists makes all grids stale at once; dropping them keeps the
  // cache as small as the lists one step uses.
  if (!grids.empty() &&
      (grids.begin()->second.version != BoxVersion() || grids.begin()->second.room != &room)) {
    for (auto& [k, g] : grids)
      if (state.spare.size() < kSpareGrids) state.spare.push_back(std::move(g));
    grids.clear();
  }
  // A grid costs more to build than one walk over the list: build it only for the second query
  // of the same list while nothing changes (a moving instance asking place_free each pixel
  // would otherwise rebuild it for every answer).
  RCollisionState::RFirstQuery& first = state.first;
  const int64_t gk = GridKey(key);
  if (!grids.contains(gk) && !(first.version == BoxVersion() && first.room == &room && first.key == gk)) {
    first = {BoxVersion(), &room, gk};
    out.clear();
    if (box.left > box.right || box.top > box.bottom) return;
    to = std::min(to, ListCount(room, key));
    for (int32_t p = std::max(from, 0); p < to; ++p)
      if (const CInstance* inst = ListAt(room, key, p); inst && Overlap(box, inst->i_bbox)) out.push_back(p);
    return;
  }
  auto [it, fresh] = grids.try_emplace(gk);
  CBoxGrid& grid = it->second;
  if (fresh) {
    if (!state.spare.empty()) {
      grid = std::move(state.spare.back());
      state.spare.pop_back();
    }
    grid.Build(room, key);
    grid.room = &room;
    grid.version = BoxVersion();
  }
  grid.Query(box, from, to, out);
}

namespace {

int32_t Clamp32(double v) {
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

}  // namespace

RBoundingBox PointBox(double x, double y) {
  return AreaBox(x, y, x, y);
}

RBoundingBox AreaBox(double x1, double y1, double x2, double y2) {
  if (std::isnan(x1) || std::isnan(y1) || std::isnan(x2) || std::isnan(y2)) return {1, 1, 0, 0};
  return {Clamp32(std::floor(std::min(x1, x2))), Clamp32(std::floor(std::min(y1, y2))),
          Clamp32(std::floor(std::max(x1, x2))), Clamp32(std::floor(std::max(y1, y2)))};
}

namespace {

void MoveBack(CInstance& inst) {
  inst.SetPosition(inst.i_xprevious, inst.i_yprevious);
  inst.Setpathposition(inst.i_pathpositionprevious);
}

// One meeting of i (of object a) and j (of object b) and what follows from it.
void Meet(CInstance* i, CInstance* j, const RCollisionPair& pair) {
  if (!j || !i->Collision_Instance(j, true)) return;
  if (i->i_solid || j->i_solid) {
    MoveBack(*i);
    MoveBack(*j);
  }
  if (pair.ab) PerformFoundEvent(i, j, pair.ab, ev_collision, pair.b);
  if (pair.ba) PerformFoundEvent(j, i, pair.ba, ev_collision, pair.a);
  if (i->i_solid || j->i_solid) {
    for (CInstance* k : {i, j}) {
      if (RunHooks().adaptPath) RunHooks().adaptPath(k);
      k->SetPosition(k->i_x + k->i_hspeed, k->i_y + k->i_vspeed);
    }
    if (i->Collision_Instance(j, true)) {
      i->SetPosition(i->i_xprevious, i->i_yprevious);
      j->SetPosition(j->i_xprevious, j->i_yprevious);
    }
  }
}

}  // namespace

void CollisionEvents() {
  CRoom* room = CurrentRoom();
  if (!room) return;
  ActionWalkScope walking;
  std::vector<int32_t> near;
  for (const RCollisionPair& pair : CollisionPairs()) {
    const RListKey others{EInstanceList::Exact, pair.b};
    const int32_t na = room->Obj_Number(pair.a);
    for (int32_t p = 0; p < na; ++p) {
      CInstance* i = room->Obj_Instance(pair.a, p);
      if (!i || i->i_marked) continue;
      const int32_t nb = room->Obj_Number(pair.b);
      const int32_t first = pair.a == pair.b ? p : 0;
      if (CollisionMethod() == ECollisionMethod::Exhaustive) {
        for (int32_t q = first; q < nb; ++q) Meet(i, room->Obj_Instance(pair.b, q), pair);
        continue;
      }
      for (int32_t from = first;;) {
        // i's own box is read afresh: an event may have moved it.
        NearPositions(*room, others, i->i_bbox, from, nb, near);
        const uint64_t version = BoxVersion();
        bool stale = false;
        for (int32_t q : near) {
          from = q + 1;
          Meet(i, room->Obj_Instance(pair.b, q), pair);
          if (BoxVersion() != version) {
            stale = true;
            break;
          }
        }
        if (!stale) break;
      }
    }
  }
}
