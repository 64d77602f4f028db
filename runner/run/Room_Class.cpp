// CRoom: settings, instance lists, the room record, sorting, activation, scrolling, view
// following and the tile store; see Room_Class.h.
#include "runner/run/Room_Class.h"

#include <algorithm>
#include <cmath>

#include "runner/code/Variable_Class.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Path_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Main.h"
#include "runner/run/Run_State.h"
#include "runner/run/TimeLine_Class.h"
#include "runner/base/Support_Stream.h"

CInstance* CRoom::AddInstance(double x, double y, int32_t objectind) {
  return AppendInstance(std::make_unique<CInstance>(x, y, NextInstanceId(), objectind));
}

CInstance* CRoom::AppendInstance(std::unique_ptr<CInstance> inst) {
  CInstance* p = inst.get();
  r_instance.push_back(std::move(inst));
  AddToObjectLists(p);
  if (ids_valid_) ids_.try_emplace(p->i_id, p);
  return p;
}

void CRoom::AddToObjectLists(CInstance* inst) {
  BumpBoxVersion();
  const int32_t obj = inst->i_objectindex;
  const auto count = static_cast<size_t>(Objects().Count());
  if (r_obj_instance.size() < count) r_obj_instance.resize(count);
  if (r_obj_instance_recursive.size() < count) r_obj_instance_recursive.resize(count);
  if (obj >= 0 && static_cast<size_t>(obj) < r_obj_instance.size()) r_obj_instance[static_cast<size_t>(obj)].push_back(inst);
  // The step limit ends a walk round a cycle of parents; an object met again on the way
  // already has the instance at the end of its list.
  int32_t steps = Objects().Count();
  for (const CObject* o = Objects().Get(obj); o && steps-- > 0; o = ParentOf(*o)) {
    auto& list = r_obj_instance_recursive[static_cast<size_t>(o->o_index)];
    if (list.empty() || list.back() != inst) list.push_back(inst);
  }
}

void CRoom::ClearInstances() {
  BumpBoxVersion();
  r_placed.clear();
  r_placedcode.clear();
  r_instance.clear();
  r_obj_instance.clear();
  r_obj_instance_recursive.clear();
  ids_.clear();
  ids_valid_ = false;
}

void CRoom::RemoveMarked() {
  MakePlacedInstances();
  auto keep = std::stable_partition(r_instance.begin(), r_instance.end(), [](const auto& i) { return !i->i_marked; });
  if (keep == r_instance.end()) return;
  r_instance.erase(keep, r_instance.end());
  RebuildObjectLists();
}

void CRoom::RebuildObjectLists() {
  // Records have no lists yet; making them into instances builds the lists.
  if (!r_placed.empty()) return;
  BumpBoxVersion();
  const auto count = static_cast<size_t>(Objects().Count());
  r_obj_instance.assign(count, {});
  r_obj_instance_recursive.assign(count, {});
  // The lists are sized from a count first: a room of thousands of instances would otherwise
  // grow each of them step by step, which was most of the cost of reading a room.
  std::vector<size_t> direct(count), recursive(count);
  for (const auto& inst : r_instance)
    if (inst->i_objectindex >= 0 && static_cast<size_t>(inst->i_objectindex) < count)
      ++direct[static_cast<size_t>(inst->i_objectindex)];
  for (size_t obj = 0; obj < count; ++obj) {
    if (direct[obj] == 0) continue;
    r_obj_instance[obj].reserve(direct[obj]);
    int32_t steps = static_cast<int32_t>(count);  // a cycle of parents only makes this too large
    for (const CObject* o = Objects().Get(static_cast<int32_t>(obj)); o && steps-- > 0; o = ParentOf(*o))
      if (static_cast<size_t>(o->o_index) < count) recursive[static_cast<size_t>(o->o_index)] += direct[obj];
  }
  for (size_t obj = 0; obj < count; ++obj) r_obj_instance_recursive[obj].reserve(recursive[obj]);
  for (const auto& inst : r_instance) AddToObjectLists(inst.get());
  ids_valid_ = false;
}

void CRoom::MakePlaced() {
  std::vector<std::unique_ptr<CInstance>> made;
  made.reserve(r_placed.size() + r_instance.size());
  for (const RPlacedInstance& p : r_placed) {
    // Made by the creation function, then given the defaults its object had when the record
    // was read, with the record's own position and id.
    auto inst = std::make_unique<CInstance>(p.x, p.y, p.id, p.objectindex);
    inst->Assign(PlacedPrototype(p.objectindex));
    inst->i_id = p.id;
    inst->i_objectindex = p.objectindex;
    inst->i_x = inst->i_xstart = inst->i_xprevious = p.x;
    inst->i_y = inst->i_ystart = inst->i_yprevious = p.y;
    inst->ComputeBoundingBox();
    if (p.codelength > 0) inst->i_initcode.assign(r_placedcode, p.code, p.codelength);
    made.push_back(std::move(inst));
  }
  for (auto& inst : r_instance) made.push_back(std::move(inst));
  r_instance = std::move(made);
  r_placed = {};
  r_placedcode = {};
  RebuildObjectLists();
}

CInstance* CRoom::FindInstance(int32_t id) {
  MakePlacedInstances();
  CInstance* found = nullptr;
  if (ids_valid_) {
    auto it = ids_.find(id);
    // An id changed since the index was built shows as a mismatch; rebuild then.
    if (it == ids_.end()) return nullptr;
    if (it->second->i_id == id) found = it->second;
  }
  if (!found) {
    ids_.clear();
    for (const auto& inst : r_instance) ids_.try_emplace(inst->i_id, inst.get());
    ids_valid_ = true;
    auto it = ids_.find(id);
    if (it == ids_.end()) return nullptr;
    found = it->second;
  }
  // A changed or carried instance leaves a marked copy with its id earlier in the list; the
  // id names the live one.
  if (found->i_marked) {
    for (const auto& inst : r_instance) {
      if (inst->i_id == id && !inst->i_marked) {
        ids_[id] = inst.get();
        return inst.get();
      }
    }
  }
  return found;
}

namespace {
// Depth order: larger first. NaN counts as the lowest depth so the order stays a strict weak
// one whatever game code stores.
double DepthKey(double d) { return std::isnan(d) ? -INFINITY : d; }
bool Deeper(double a, double b) { return DepthKey(a) > DepthKey(b); }

// Sorts by decreasing depth, keeping ties in order; nothing moves when already in order.
template <typename T, typename Depth>
void SortByDepth(std::vector<T>& v, Depth depth) {
  bool ordered = true;
  for (size_t i = 1; i < v.size() && ordered; ++i) ordered = !Deeper(depth(v[i]), depth(v[i - 1]));
  if (ordered) return;
  std::stable_sort(v.begin(), v.end(), [&](const T& a, const T& b) { return Deeper(depth(a), depth(b)); });
}

// A count read from a record, checked against what is left before anything is read for it.
int32_t ReadCount(CStream& s, int32_t entrySize) {
  const int32_t n = s.ReadInteger();
  if (n < 0 || int64_t{n} * entrySize > int64_t{s.GetSize()} - s.GetPosition()) throw StreamError("bad room record count");
  return n;
}

// New view origin on one axis: X is the followed position rounded.
int32_t FollowAxis(int32_t view, int32_t size, int32_t border, int32_t speed, int32_t roomSize, int32_t pos) {
  const int64_t old = view, w = size, b = border, x = pos;
  int64_t v = old;
  if (2 * b < w) {
    if (x - b < v)
      v = x - b;
    else if (x + b > v + w)
      v = x + b - w;
  } else {
    v = x - w / 2;
  }
  if (v < 0) v = 0;
  if (v + w > roomSize) v = roomSize - w;
  if (speed >= 0) {
    if (v > old + speed) v = old + speed;
    if (v < old - speed) v = old - speed;
  }
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

bool TileAt(const RTile& t, double x, double y, bool closed) {
  const double right = t.x + t.w * t.xscale, bottom = t.y + t.h * t.yscale;
  if (closed) return t.x <= x && x <= right && t.y <= y && y <= bottom;
  return t.x <= x && x < right && t.y <= y && y < bottom;
}
}  // namespace

bool GetBackgroundSize(int32_t background, int32_t& width, int32_t& height) {
  if (background < 0) return false;
  const auto lookup = RunLookups().backgroundSize;
  return lookup && lookup(background, width, height);
}

void CRoom::Clear() {
  ClearInstances();
  r_instance_deact.clear();
  r_caption.clear();
  r_speed = 30;
  r_width = 640;
  r_height = 480;
  r_persistent = false;
  r_color = 0xC0C0C0;
  r_showcolor = true;
  r_background.fill(CBack{});
  r_enableviews = false;
  r_view.fill(CView{});
  r_code.clear();
  r_tile.clear();
  r_lasttile = -1;
}

void CRoom::Assign(const CRoom& obj) {
  if (this == &obj) return;
  Clear();
  r_caption = obj.r_caption;
  r_speed = obj.r_speed;
  r_width = obj.r_width;
  r_height = obj.r_height;
  r_persistent = obj.r_persistent;
  r_color = obj.r_color;
  r_showcolor = obj.r_showcolor;
  r_background = obj.r_background;
  r_enableviews = obj.r_enableviews;
  r_view = obj.r_view;
  r_code = obj.r_code;
  // Records stay records: a copy of a room not played yet is as compact as the room.
  r_placed = obj.r_placed;
  r_placedcode = obj.r_placedcode;
  auto copy = [](const std::vector<std::unique_ptr<CInstance>>& from, std::vector<std::unique_ptr<CInstance>>& to) {
    to.reserve(from.size());
    for (const auto& src : from) {
      auto inst = std::make_unique<CInstance>(src->i_x, src->i_y, src->i_id, src->i_objectindex);
      inst->Assign(*src);
      to.push_back(std::move(inst));
    }
  };
  copy(obj.r_instance, r_instance);
  copy(obj.r_instance_deact, r_instance_deact);
  r_tile = obj.r_tile;
  r_lasttile = obj.r_lasttile;
  RebuildObjectLists();
}

bool CRoom::LoadFromStream(CStream& s) {
  Clear();
  if (s.ReadInteger() != kRoomRecordVersion) return false;
  r_caption = s.ReadString();
  r_width = s.ReadInteger();
  r_height = s.ReadInteger();
  r_speed = s.ReadInteger();
  r_persistent = s.ReadBoolean();
  r_color = static_cast<uint32_t>(s.ReadInteger());
  r_showcolor = s.ReadBoolean();
  r_code = s.ReadString();

  const int32_t backs = ReadCount(s, 40);
  for (int32_t i = 0; i < backs; ++i) {
    CBack b;
    b.visible = s.ReadBoolean();
    b.foreground = s.ReadBoolean();
    b.index = s.ReadInteger();
    b.x = s.ReadInteger();
    b.y = s.ReadInteger();
    b.htiled = s.ReadBoolean();
    b.vtiled = s.ReadBoolean();
    b.hspeed = s.ReadInteger();
    b.vspeed = s.ReadInteger();
    const bool stretch = s.ReadBoolean();
    int32_t w = 0, h = 0;
    if (stretch && GetBackgroundSize(b.index, w, h)) {
      if (w > 0) b.xscale = static_cast<double>(r_width) / w;
      if (h > 0) b.yscale = static_cast<double>(r_height) / h;
    }
    if (i < kRoomLayers) r_background[static_cast<size_t>(i)] = b;  // more are read and dropped
  }

  r_enableviews = s.ReadBoolean();
  const int32_t views = ReadCount(s, 56);
  for (int32_t i = 0; i < views; ++i) {
    CView v;
    v.visible = s.ReadBoolean();
    for (int32_t* f : {&v.xview, &v.yview, &v.wview, &v.hview, &v.xport, &v.yport, &v.wport, &v.hport, &v.hborder,
                       &v.vborder, &v.hspeed, &v.vspeed, &v.index})
      *f = s.ReadInteger();
    if (i < kRoomViews) r_view[static_cast<size_t>(i)] = v;
  }

  const int32_t instances = ReadCount(s, 20);
  r_placed.resize(static_cast<size_t>(instances));
  for (RPlacedInstance& p : r_placed) {
    p.x = s.ReadInteger();
    p.y = s.ReadInteger();
    p.objectindex = s.ReadInteger();
    p.id = s.ReadInteger();
    NotePlacedObject(p.objectindex);
    const std::string code = s.ReadString();
    // The record stays smaller than the stream it came from, so the pool's offsets fit.
    p.code = static_cast<uint32_t>(r_placedcode.size());
    p.codelength = static_cast<uint32_t>(code.size());
    r_placedcode += code;
  }

  const int32_t tiles = ReadCount(s, 36);
  r_tile.reserve(static_cast<size_t>(tiles));
  for (int32_t i = 0; i < tiles; ++i) {
    RTile t;
    t.x = s.ReadInteger();
    t.y = s.ReadInteger();
    t.index = s.ReadInteger();
    t.xo = s.ReadInteger();
    t.yo = s.ReadInteger();
    t.w = s.ReadInteger();
    t.h = s.ReadInteger();
    t.depth = s.ReadInteger();
    t.id = s.ReadInteger();
    r_tile.push_back(t);
  }
  RebuildObjectLists();
  return true;
}

namespace {
// The fewest bytes an instance takes in a saved game (no variables, an empty creation code).
constexpr int32_t kSavedInstanceMin = 368;
constexpr int32_t kSavedTileSize = 2 * 8 + 5 * 4 + 8 + 4 + 2 * 8 + 4 + 8 + 4;

// A resource index the game may hold: none (negative) or a resource it has.
bool NoneOrSprite(int32_t i) {
  RSpriteShape shape;
  return i < 0 || GetSpriteShape(i, shape);
}
bool NoneOrBackground(int32_t i) {
  int32_t w = 0, h = 0;
  return i < 0 || GetBackgroundSize(i, w, h);
}

void ReadSavedInstances(CStream& s, std::vector<std::unique_ptr<CInstance>>& into) {
  const int32_t n = ReadCount(s, kSavedInstanceMin);
  into.reserve(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    auto inst = std::make_unique<CInstance>(0, 0, 0, 0);
    inst->LoadFromStream(s);
    if (inst->i_id <= 99999 || !Objects().Exists(inst->i_objectindex) || !NoneOrSprite(inst->i_spriteindex) ||
        !NoneOrSprite(inst->i_maskindex) || (inst->i_pathindex >= 0 && !Paths().Exists(inst->i_pathindex)) ||
        (inst->i_timelineindex >= 0 && !TimeLines().Exists(inst->i_timelineindex)))
      throw StreamError("saved instance names what the game does not have");
    into.push_back(std::move(inst));
  }
}
}  // namespace

void CRoom::SaveGameToStream(CStream& s) const {
  MakePlacedInstances();
  s.WriteInteger(kRoomSaveVersion);
  s.WriteString(r_caption);
  s.WriteInteger(r_width);
  s.WriteInteger(r_height);
  s.WriteInteger(r_speed);
  s.WriteBoolean(r_persistent);
  s.WriteInteger(static_cast<int32_t>(r_color));
  s.WriteBoolean(r_showcolor);
  s.WriteString(r_code);
  s.WriteInteger(kRoomLayers);
  for (const CBack& b : r_background) {
    s.WriteBoolean(b.visible);
    s.WriteBoolean(b.foreground);
    s.WriteInteger(b.index);
    s.WriteReal(b.x);
    s.WriteReal(b.y);
    s.WriteBoolean(b.htiled);
    s.WriteBoolean(b.vtiled);
    for (double v : {b.xscale, b.yscale, b.hspeed, b.vspeed}) s.WriteReal(v);
    s.WriteInteger(static_cast<int32_t>(b.blend));
    s.WriteReal(b.alpha);
  }
  s.WriteBoolean(r_enableviews);
  s.WriteInteger(kRoomViews);
  for (const CView& v : r_view) {
    s.WriteBoolean(v.visible);
    for (int32_t f : {v.xview, v.yview, v.wview, v.hview, v.xport, v.yport, v.wport, v.hport}) s.WriteInteger(f);
    s.WriteReal(v.angle);
    for (int32_t f : {v.hborder, v.vborder, v.hspeed, v.vspeed, v.index}) s.WriteInteger(f);
  }
  for (const auto* list : {&r_instance, &r_instance_deact}) {
    s.WriteInteger(static_cast<int32_t>(list->size()));
    for (const auto& inst : *list) inst->SaveToStream(s);
  }
  s.WriteInteger(r_tnumb());
  for (const RTile& t : r_tile) {
    s.WriteReal(t.x);
    s.WriteReal(t.y);
    for (int32_t f : {t.index, t.xo, t.yo, t.w, t.h}) s.WriteInteger(f);
    s.WriteReal(t.depth);
    s.WriteInteger(t.id);
    s.WriteReal(t.xscale);
    s.WriteReal(t.yscale);
    s.WriteInteger(static_cast<int32_t>(t.blend));
    s.WriteReal(t.alpha);
    s.WriteBoolean(t.visible);
  }
}

bool CRoom::LoadGameFromStream(CStream& s) {
  Clear();
  if (s.ReadInteger() != kRoomSaveVersion) return false;
  r_caption = s.ReadString();
  r_width = s.ReadInteger();
  r_height = s.ReadInteger();
  r_speed = s.ReadInteger();
  r_persistent = s.ReadBoolean();
  r_color = static_cast<uint32_t>(s.ReadInteger());
  r_showcolor = s.ReadBoolean();
  r_code = s.ReadString();
  if (s.ReadInteger() != kRoomLayers) throw StreamError("saved room without its eight layers");
  for (CBack& b : r_background) {
    b.visible = s.ReadBoolean();
    b.foreground = s.ReadBoolean();
    b.index = s.ReadInteger();
    b.x = s.ReadReal();
    b.y = s.ReadReal();
    b.htiled = s.ReadBoolean();
    b.vtiled = s.ReadBoolean();
    for (double* v : {&b.xscale, &b.yscale, &b.hspeed, &b.vspeed}) *v = s.ReadReal();
    b.blend = static_cast<uint32_t>(s.ReadInteger());
    b.alpha = s.ReadReal();
    if (!NoneOrBackground(b.index)) throw StreamError("saved layer names a missing background");
  }
  r_enableviews = s.ReadBoolean();
  if (s.ReadInteger() != kRoomViews) throw StreamError("saved room without its eight views");
  for (CView& v : r_view) {
    v.visible = s.ReadBoolean();
    for (int32_t* f : {&v.xview, &v.yview, &v.wview, &v.hview, &v.xport, &v.yport, &v.wport, &v.hport}) *f = s.ReadInteger();
    v.angle = s.ReadReal();
    for (int32_t* f : {&v.hborder, &v.vborder, &v.hspeed, &v.vspeed, &v.index}) *f = s.ReadInteger();
  }
  ReadSavedInstances(s, r_instance);
  ReadSavedInstances(s, r_instance_deact);
  const int32_t tiles = ReadCount(s, kSavedTileSize);
  r_tile.reserve(static_cast<size_t>(tiles));
  for (int32_t i = 0; i < tiles; ++i) {
    RTile t;
    t.x = s.ReadReal();
    t.y = s.ReadReal();
    for (int32_t* f : {&t.index, &t.xo, &t.yo, &t.w, &t.h}) *f = s.ReadInteger();
    t.depth = s.ReadReal();
    t.id = s.ReadInteger();
    t.xscale = s.ReadReal();
    t.yscale = s.ReadReal();
    t.blend = static_cast<uint32_t>(s.ReadInteger());
    t.alpha = s.ReadReal();
    t.visible = s.ReadBoolean();
    if (!NoneOrBackground(t.index)) throw StreamError("saved tile names a missing background");
    r_tile.push_back(t);
  }
  RebuildObjectLists();
  return true;
}

bool CRoom::InDepthOrder(const CInstance& before, const CInstance& after) {
  return !Deeper(after.i_depth, before.i_depth);
}

void CRoom::SortInstances(bool knownInOrder) {
  MakePlacedInstances();
  BumpBoxVersion();
  if (knownInOrder) return;
  SortByDepth(r_instance, [](const std::unique_ptr<CInstance>& i) { return i->i_depth; });
}

void CRoom::UpdateActive() {
  MakePlacedInstances();
  const bool wake = std::any_of(r_instance_deact.begin(), r_instance_deact.end(), [](const auto& i) { return !i->i_deactivated; });
  const bool sleep = std::any_of(r_instance.begin(), r_instance.end(), [](const auto& i) { return i->i_deactivated; });
  if (!wake && !sleep) return;
  // Moves the instances whose flag is `flag` from `from` to the end of `to`; both keep their order.
  auto move = [](std::vector<std::unique_ptr<CInstance>>& from, std::vector<std::unique_ptr<CInstance>>& to, bool flag) {
    auto stay = std::stable_partition(from.begin(), from.end(), [flag](const auto& i) { return i->i_deactivated != flag; });
    for (auto it = stay; it != from.end(); ++it) to.push_back(std::move(*it));
    from.erase(stay, from.end());
  };
  move(r_instance_deact, r_instance, false);
  move(r_instance, r_instance_deact, true);
  RebuildObjectLists();
}

void CRoom::ScrollBackground() {
  for (CBack& b : r_background) {
    b.x += b.hspeed;
    b.y += b.vspeed;
  }
}

void CRoom::FollowViews() {
  if (!r_enableviews) return;
  MakePlacedInstances();
  for (CView& v : r_view) {
    if (!v.visible) continue;
    CInstance* inst = nullptr;
    if (v.index > 99999) {
      inst = FindInstance(v.index);
      if (inst && inst->i_marked) {  // a marked copy may precede the live one
        inst = nullptr;
        for (const auto& i : r_instance)
          if (i->i_id == v.index && !i->i_marked) {
            inst = i.get();
            break;
          }
      }
    } else if (Objects().Exists(v.index)) {
      for (int32_t n = 0, count = Obj_Number_Recursive(v.index); n < count && !inst; ++n) {
        CInstance* i = Obj_Instance_Recursive(v.index, n);
        if (!i->i_marked) inst = i;
      }
    }
    if (!inst) continue;
    v.xview = FollowAxis(v.xview, v.wview, v.hborder, v.hspeed, r_width, RoundToInt32(inst->i_x));
    v.yview = FollowAxis(v.yview, v.hview, v.vborder, v.vspeed, r_height, RoundToInt32(inst->i_y));
  }
}

int32_t CRoom::AddTile(const RTile& val) {
  RTile& t = r_tile.emplace_back(val);
  t.id = NextTileId();
  r_lasttile = r_tnumb() - 1;
  return r_lasttile;
}

void CRoom::ClearTiles() {
  r_tile.clear();
  r_lasttile = -1;
}

void CRoom::DeleteTilesAt(double x, double y, bool foreground) {
  std::erase_if(r_tile, [&](const RTile& t) {
    return (foreground ? t.depth <= 0 : t.depth >= 0) && TileAt(t, x, y, true);
  });
}

int32_t CRoom::FindTile(int32_t id) {
  if (r_lasttile >= 0 && r_lasttile < r_tnumb() && r_tile[static_cast<size_t>(r_lasttile)].id == id) return r_lasttile;
  for (int32_t i = 0; i < r_tnumb(); ++i)
    if (r_tile[static_cast<size_t>(i)].id == id) return r_lasttile = i;
  return -1;
}

int32_t CRoom::FindTileAt(double x, double y, bool foreground) {
  for (int32_t i = 0; i < r_tnumb(); ++i) {
    const RTile& t = r_tile[static_cast<size_t>(i)];
    if ((foreground ? t.depth < 0 : t.depth >= 0) && TileAt(t, x, y, false)) return r_lasttile = i;
  }
  return -1;
}

void CRoom::DeleteTile(int32_t ind) {
  if (ind >= 0 && ind < r_tnumb()) r_tile.erase(r_tile.begin() + ind);
}

void CRoom::SortTiles() {
  SortByDepth(r_tile, [](const RTile& t) { return t.depth; });
}

void CRoom::HideTilesDepth(double depth) {
  for (RTile& t : r_tile)
    if (t.depth == depth) t.visible = false;
}

void CRoom::ShowTilesDepth(double depth) {
  for (RTile& t : r_tile)
    if (t.depth == depth) t.visible = true;
}

void CRoom::DeleteTilesDepth(double depth) {
  std::erase_if(r_tile, [&](const RTile& t) { return t.depth == depth; });
}

void CRoom::ShiftTilesDepth(double depth, double x, double y) {
  for (RTile& t : r_tile)
    if (t.depth == depth) {
      t.x += x;
      t.y += y;
    }
}

int32_t CRoom::FindTileAtDepth(double depth, double x, double y) {
  for (int32_t i = 0; i < r_tnumb(); ++i) {
    const RTile& t = r_tile[static_cast<size_t>(i)];
    if (t.depth == depth && TileAt(t, x, y, false)) return i;
  }
  return -1;
}

void CRoom::DeleteTilesAtDepth(double depth, double x, double y) {
  std::erase_if(r_tile, [&](const RTile& t) { return t.depth == depth && TileAt(t, x, y, false); });
}

void CRoom::ChangeTilesDepth(double olddepth, double newdepth) {
  for (RTile& t : r_tile)
    if (t.depth == olddepth) t.depth = newdepth;
}

bool CRoom::GetTile(int32_t ind, RTile& out) const {
  if (ind < 0 || ind >= r_tnumb()) return false;
  out = r_tile[static_cast<size_t>(ind)];
  return true;
}

void CRoom::SetTile(int32_t ind, const RTile& val) {
  if (ind >= 0 && ind < r_tnumb()) r_tile[static_cast<size_t>(ind)] = val;
}
