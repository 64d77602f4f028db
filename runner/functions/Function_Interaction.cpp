// Built-in interaction functions: moving instances and testing places, collision queries,
// creating, copying, changing, destroying, finding, counting, deactivating and activating
// instances, changing rooms, ending and restarting the game, sleeping.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "platform/clock/Clock.h"
#include "platform/process/Signals.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/functions/Function_Interaction.h"
#include "runner/functions/Function_Math.h"
#include "runner/run/Collision_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Command.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"

namespace {
constexpr int32_t kSelf = -1, kOther = -2, kAll = -3, kNoone = -4;
constexpr int32_t kFirstInstanceId = 100000;

int32_t Int(const RValue& v) {
  return RoundToInt32(v.val());
}

bool Live(const CInstance* inst) {
  return inst && !inst->i_marked;
}

CInstance* LiveInstance(CRoom& room, int32_t id) {
  CInstance* inst = room.FindInstance(id);
  return Live(inst) ? inst : nullptr;
}

// Calls visit for each unmarked instance obj stands for, in list order, until it answers false.
template <typename Visit>
void ForEachOf(CInstance* self, CInstance* other, int32_t obj, Visit visit) {
  CRoom* room = CurrentRoom();
  if (obj == kSelf || obj == kOther) {
    CInstance* inst = obj == kSelf ? self : other;
    if (Live(inst)) visit(inst);
    return;
  }
  if (!room) return;
  if (obj == kAll) {
    for (int32_t i = 0; i < room->r_numb(); ++i)
      if (CInstance* inst = room->Instance(i); Live(inst) && !visit(inst)) return;
  } else if (obj >= kFirstInstanceId) {
    if (CInstance* inst = LiveInstance(*room, obj)) visit(inst);
  } else if (obj >= 0) {
    for (int32_t i = 0; i < room->Obj_Number_Recursive(obj); ++i)
      if (CInstance* inst = room->Obj_Instance_Recursive(obj, i); Live(inst) && !visit(inst)) return;
  }
}

int32_t IdOrNoone(const CInstance* inst) {
  return inst ? inst->i_id : kNoone;
}

void instance_find(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  const int32_t n = Int(argv[1]);
  int32_t seen = 0;
  CInstance* found = nullptr;
  if (n >= 0)
    ForEachOf(self, other, Int(argv[0]), [&](CInstance* inst) {
      if (seen++ < n) return true;
      found = inst;
      return false;
    });
  result.SetReal(IdOrNoone(found));
}

void instance_exists(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  bool any = false;
  ForEachOf(self, other, Int(argv[0]), [&](CInstance*) { return !(any = true); });
  result.SetReal(BoolReal(any));
}

}  // namespace

void instance_number(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  int32_t count = 0;
  ForEachOf(self, other, Int(argv[0]), [&](CInstance*) { return ++count, true; });
  result.SetReal(count);
}

// A failed creation answers noone: 0 would name object 0 to with and the instance functions.
// A create event that creates its own object again through a function action would recurse
// until the stack runs out; code is bounded by the interpreter, actions are bounded here.
bool CanRunEvents() {
  if (CanNestExecution()) return true;
  ShowActionError(kMsgNestingTooDeep, false);
  return false;
}

namespace {

void instance_create(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(kNoone);
  if (CanRunEvents()) result.SetReal(IdOrNoone(CreateInstance(Int(argv[2]), argv[0].val(), argv[1].val())));
}

void instance_copy(CInstance* self, CInstance*, int32_t, RValue* argv, RValue& result) {
  const bool perform = IsTrue(argv[0].val());
  result.SetReal(self && (!perform || CanRunEvents()) ? CopyInstance(self, perform) : kNoone);
}

}  // namespace

void instance_change(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  const bool perform = IsTrue(argv[1].val());
  if (!perform || CanRunEvents()) ChangeInstance(self, Int(argv[0]), perform);
}

namespace {

void instance_destroy(CInstance* self, CInstance*, int32_t, RValue*, RValue&) {
  DestroyInstance(self);
}

void instance_sprite(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  SetInstanceSprite(self, Int(argv[0]));
}

// ---- Places and movement.

constexpr double kRad = std::numbers::pi / 180.0;

// -1 and -2 name self's and other's ids where a place or position test takes an object.
int32_t TargetOf(CInstance* self, CInstance* other, int32_t obj) {
  if (obj == kSelf) return self ? self->i_id : kNoone;
  if (obj == kOther) return other ? other->i_id : kNoone;
  return obj;
}

bool HasMask(const CInstance& inst) {
  RSpriteShape shape;
  return GetSpriteShape(inst.i_spriteindex, shape) || GetSpriteShape(inst.i_maskindex, shape);
}

// A place test: free (no solid instance) or empty (no instance at all).
bool PlaceOk(CInstance* self, double x, double y, bool solidonly) {
  return solidonly ? PlaceFree(self, x, y) : PlaceEmpty(self, x, y);
}

void place_free(CInstance* self, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(BoolReal(PlaceFree(self, argv[0].val(), argv[1].val())));
}
void place_empty(CInstance* self, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(BoolReal(PlaceEmpty(self, argv[0].val(), argv[1].val())));
}

}  // namespace

void place_meeting(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  const int32_t target = TargetOf(self, other, Int(argv[2]));
  result.SetReal(BoolReal(InstanceAtPlace(self, target, argv[0].val(), argv[1].val()) != nullptr));
}

namespace {

bool Snapped(double v, double snap) {
  return !(snap > 0) || std::fabs(v - snap * std::round(v / snap)) <= 0.001;
}

}  // namespace

void place_snapped(CInstance* self, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(BoolReal(self && Snapped(self->i_x, argv[0].val()) && Snapped(self->i_y, argv[1].val())));
}

void move_snap(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  if (!self) return;
  const double hs = argv[0].val(), vs = argv[1].val();
  double x = self->i_x, y = self->i_y;
  if (hs > 0) x = hs * RoundHalfEven(x / hs);
  if (vs > 0) y = vs * RoundHalfEven(y / vs);
  self->SetPosition(x, y);
}

namespace {

// A random integer in [lo, hi]; one draw.
double RandomIn(double lo, double hi) {
  if (!(hi > lo)) return lo;
  return lo + std::floor(RandomBelow(hi - lo + 1));
}

}  // namespace

void move_random(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  CRoom* room = CurrentRoom();
  if (!self || !room) return;
  const int32_t hs = Int(argv[0]), vs = Int(argv[1]);
  const double w = room->r_width, h = room->r_height;
  // The integers that keep the box inside the room; the position itself without a mask.
  double xlo = 0, xhi = w - 1, ylo = 0, yhi = h - 1;
  if (HasMask(*self)) {
    xlo = std::ceil(self->i_x - self->i_bbox.left);
    xhi = std::floor(w - 1 - (self->i_bbox.right - self->i_x));
    ylo = std::ceil(self->i_y - self->i_bbox.top);
    yhi = std::floor(h - 1 - (self->i_bbox.bottom - self->i_y));
  }
  for (int32_t tries = 0; tries < 100; ++tries) {
    double x = RandomIn(xlo, xhi), y = RandomIn(ylo, yhi);
    if (hs > 0) x = hs * std::floor(x / hs);
    if (vs > 0) y = vs * std::floor(y / vs);
    if (PlaceFree(self, x, y)) {
      self->SetPosition(x, y);
      return;
    }
  }
}

void move_towards_point(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  if (!self) return;
  self->Sethspeed(argv[0].val() - self->i_x);
  self->Setvspeed(argv[1].val() - self->i_y);
  self->Setspeed(argv[2].val());
}

namespace {

int32_t StepLimit(double maxdist) {
  return maxdist > 0 ? RoundToInt32(maxdist) : 1000;
}

}  // namespace

void MoveContact(CInstance* self, double dir, double maxdist, bool solidonly) {
  if (!self || !PlaceOk(self, self->i_x, self->i_y, solidonly)) return;
  const double dx = std::cos(dir * kRad), dy = -std::sin(dir * kRad);
  for (int32_t n = StepLimit(maxdist); n > 0; --n) {
    const double x = self->i_x + dx, y = self->i_y + dy;
    if (!PlaceOk(self, x, y, solidonly)) return;
    self->SetPosition(x, y);
  }
}

namespace {

void MoveOutside(CInstance* self, double dir, double maxdist, bool solidonly) {
  if (!self) return;
  const double dx = std::cos(dir * kRad), dy = -std::sin(dir * kRad);
  for (int32_t n = StepLimit(maxdist); n > 0 && !PlaceOk(self, self->i_x, self->i_y, solidonly); --n)
    self->SetPosition(self->i_x + dx, self->i_y + dy);
}

void move_contact(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  if (!self) return;
  if (PlaceFree(self, self->i_x, self->i_y))
    MoveContact(self, argv[0].val(), -1, true);
  else
    MoveOutside(self, argv[0].val(), -1, true);
}
void move_contact_solid(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  MoveContact(self, argv[0].val(), argv[1].val(), true);
}
void move_contact_all(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  MoveContact(self, argv[0].val(), argv[1].val(), false);
}
void move_outside_solid(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  MoveOutside(self, argv[0].val(), argv[1].val(), true);
}
void move_outside_all(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  MoveOutside(self, argv[0].val(), argv[1].val(), false);
}

}  // namespace

void Bounce(CInstance* self, bool advanced, bool solidonly) {
  if (!self) return;
  bool hit = false;
  if (!PlaceOk(self, self->i_x, self->i_y, solidonly)) {
    self->SetPosition(self->i_xprevious, self->i_yprevious);
    hit = true;
  }
  const double x = self->i_x, y = self->i_y;
  if (advanced) {
    const double m = 10 * RoundHalfEven(self->i_direction / 10), sp = self->i_speed;
    auto passes = [&](double d) {
      const bool ok = PlaceOk(self, x + std::cos(d * kRad) * sp, y - std::sin(d * kRad) * sp, solidonly);
      hit = hit || !ok;
      return ok;
    };
    double o = m, r = m;
    for (int32_t k = 0; k < 35 && !passes(o); ++k) o -= 10;
    for (int32_t k = 0; k < 35 && !passes(r); ++k) r += 10;
    if (hit) self->Setdirection(o + r + 180 - m);
    return;
  }
  const double hs = self->i_hspeed, vs = self->i_vspeed;
  const bool h = PlaceOk(self, x + hs, y, solidonly), v = PlaceOk(self, x, y + vs, solidonly);
  const bool d = PlaceOk(self, x + hs, y + vs, solidonly);
  if ((!h && !v) || (h && v && !d)) {
    self->Sethspeed(-hs);
    self->Setvspeed(-vs);
  } else if (!h) {
    self->Sethspeed(-hs);
  } else if (!v) {
    self->Setvspeed(-vs);
  }
}

namespace {

void move_bounce_solid(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  Bounce(self, IsTrue(argv[0].val()), true);
}
void move_bounce_all(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  Bounce(self, IsTrue(argv[0].val()), false);
}

void move_wrap(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  CRoom* room = CurrentRoom();
  if (!self || !room) return;
  const double margin = argv[2].val(), w = room->r_width, h = room->r_height;
  double x = self->i_x, y = self->i_y;
  if (IsTrue(argv[0].val())) {
    if (x < -margin)
      x += w + 2 * margin;
    else if (x > w + margin)
      x -= w + 2 * margin;
  }
  if (IsTrue(argv[1].val())) {
    if (y < -margin)
      y += h + 2 * margin;
    else if (y > h + margin)
      y -= h + 2 * margin;
  }
  self->SetPosition(x, y);
}

void motion_set(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  if (!self) return;
  self->Setdirection(argv[0].val());
  self->Setspeed(argv[1].val());
}
void motion_add(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  if (self) self->AddTo_Speed(argv[0].val(), argv[1].val());
}

void distance_to_point(CInstance* self, CInstance*, int32_t, RValue* argv, RValue& result) {
  if (!self) return;
  const double x = argv[0].val(), y = argv[1].val();
  const RBoundingBox& b = self->i_bbox;
  const double dx = x > b.right ? x - b.right : x < b.left ? x - b.left : 0;
  const double dy = y > b.bottom ? y - b.bottom : y < b.top ? y - b.top : 0;
  result.SetReal(std::sqrt(dx * dx + dy * dy));
}

void distance_to_object(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  double best = 1000000;
  if (self) {
    const RBoundingBox& a = self->i_bbox;
    ForEachOf(self, other, Int(argv[0]), [&](CInstance* inst) {
      if (inst == self) return true;
      const RBoundingBox& b = inst->i_bbox;
      const double dx = a.right < b.left   ? static_cast<double>(b.left) - a.right
                        : b.right < a.left ? static_cast<double>(b.right) - a.left
                                           : 0;
      const double dy = a.bottom < b.top   ? static_cast<double>(b.top) - a.bottom
                        : b.bottom < a.top ? static_cast<double>(b.bottom) - a.top
                                           : 0;
      best = std::min(best, std::sqrt(dx * dx + dy * dy));
      return true;
    });
  }
  result.SetReal(best);
}

// ---- Collision queries.

// The first unmarked instance obj stands for, among those whose boxes meet box, for which hit
// holds; notme leaves self out.
template <typename Hit>
int32_t FirstHit(CInstance* self, CInstance* other, int32_t obj, bool notme, const RBoundingBox& box,
                 Hit hit) {
  CInstance* found = nullptr;
  auto visit = [&](CInstance* inst) {
    if (!Live(inst) || (notme && inst == self) || !hit(inst)) return true;
    found = inst;
    return false;
  };
  CRoom* room = CurrentRoom();
  if (room && obj == kAll)
    ForEachNear(*room, RListKey{}, box, visit);
  else if (room && obj >= 0 && obj < kFirstInstanceId)
    ForEachNear(*room, RListKey{EInstanceList::Recursive, obj}, box, visit);
  else
    ForEachOf(self, other, obj, visit);
  return IdOrNoone(found);
}

void collision_point(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  const double x = argv[0].val(), y = argv[1].val();
  const bool prec = IsTrue(argv[3].val());
  result.SetReal(FirstHit(self, other, Int(argv[2]), IsTrue(argv[4].val()), PointBox(x, y),
                          [&](CInstance* i) { return i->Collision_Point(x, y, prec); }));
}

void collision_rectangle(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  const double x1 = argv[0].val(), y1 = argv[1].val(), x2 = argv[2].val(), y2 = argv[3].val();
  const bool prec = IsTrue(argv[5].val());
  result.SetReal(FirstHit(self, other, Int(argv[4]), IsTrue(argv[6].val()), AreaBox(x1, y1, x2, y2),
                          [&](CInstance* i) { return i->Collision_Rectangle(x1, y1, x2, y2, prec); }));
}

void collision_circle(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  const double xc = argv[0].val(), yc = argv[1].val(), r = argv[2].val();
  const bool prec = IsTrue(argv[4].val());
  result.SetReal(
      FirstHit(self, other, Int(argv[3]), IsTrue(argv[5].val()), AreaBox(xc - r, yc - r, xc + r, yc + r),
               [&](CInstance* i) { return i->Collision_Ellipse(xc - r, yc - r, xc + r, yc + r, prec); }));
}

void collision_ellipse(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  const double x1 = argv[0].val(), y1 = argv[1].val(), x2 = argv[2].val(), y2 = argv[3].val();
  const bool prec = IsTrue(argv[5].val());
  result.SetReal(FirstHit(self, other, Int(argv[4]), IsTrue(argv[6].val()), AreaBox(x1, y1, x2, y2),
                          [&](CInstance* i) { return i->Collision_Ellipse(x1, y1, x2, y2, prec); }));
}

void collision_line(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  const double x1 = argv[0].val(), y1 = argv[1].val(), x2 = argv[2].val(), y2 = argv[3].val();
  const bool prec = IsTrue(argv[5].val());
  result.SetReal(FirstHit(self, other, Int(argv[4]), IsTrue(argv[6].val()), AreaBox(x1, y1, x2, y2),
                          [&](CInstance* i) { return i->Collision_Line(x1, y1, x2, y2, prec); }));
}

void instance_position(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  const double x = argv[0].val(), y = argv[1].val();
  result.SetReal(FirstHit(self, other, Int(argv[2]), false, PointBox(x, y),
                          [&](CInstance* i) { return i->Collision_Point(x, y, true); }));
}

void instance_place(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  const int32_t target = TargetOf(self, other, Int(argv[2]));
  result.SetReal(IdOrNoone(InstanceAtPlace(self, target, argv[0].val(), argv[1].val())));
}

void NearestOrFurthest(CInstance* self, CInstance* other, RValue* argv, RValue& result, bool furthest) {
  const double x = argv[0].val(), y = argv[1].val();
  const int32_t obj = Int(argv[2]);
  CInstance* found = nullptr;
  double best = 0;
  if (obj < kFirstInstanceId)
    ForEachOf(self, other, obj, [&](CInstance* inst) {
      const double d = std::hypot(inst->i_x - x, inst->i_y - y);
      if (!found || (furthest ? d > best : d < best)) {
        found = inst;
        best = d;
      }
      return true;
    });
  result.SetReal(IdOrNoone(found));
}
void instance_nearest(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  NearestOrFurthest(self, other, argv, result, false);
}
void instance_furthest(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  NearestOrFurthest(self, other, argv, result, true);
}

void position_empty(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(BoolReal(!InstanceAtPosition(kAll, argv[0].val(), argv[1].val())));
}
void position_meeting(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  const int32_t target = TargetOf(self, other, Int(argv[2]));
  result.SetReal(BoolReal(InstanceAtPosition(target, argv[0].val(), argv[1].val()) != nullptr));
}

}  // namespace

void position_destroy(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (CanRunEvents()) DestroyAtPosition(argv[0].val(), argv[1].val());
}

namespace {

void position_change(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  const bool perform = IsTrue(argv[3].val());
  if (!perform || CanRunEvents()) ChangeAtPosition(argv[0].val(), argv[1].val(), Int(argv[2]), perform);
}

// ---- Deactivation.

// Outside a region: with a mask, the region misses the box (edges touch); without one, the
// position lies outside the closed region.
bool OutsideRegion(const CInstance& inst, double left, double top, double width, double height) {
  if (HasMask(inst)) {
    const RBoundingBox& b = inst.i_bbox;
    return !(left <= b.right && left + width >= b.left && top <= b.bottom && top + height >= b.top);
  }
  return !(inst.i_x >= left && inst.i_x <= left + width && inst.i_y >= top && inst.i_y <= top + height);
}

void UpdateActive() {
  if (CRoom* room = CurrentRoom()) room->UpdateActive();
}

void instance_deactivate_all(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  CRoom* room = CurrentRoom();
  if (!room) return;
  const bool notme = IsTrue(argv[0].val());
  for (const auto& inst : room->r_instance)
    if (!inst->i_marked && !(notme && inst.get() == self)) inst->i_deactivated = true;
  UpdateActive();
}

void instance_deactivate_object(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue&) {
  ForEachOf(self, other, Int(argv[0]), [](CInstance* inst) { return inst->i_deactivated = true; });
  UpdateActive();
}

void instance_deactivate_region(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  CRoom* room = CurrentRoom();
  if (!room) return;
  const double left = argv[0].val(), top = argv[1].val(), width = argv[2].val(), height = argv[3].val();
  const bool inside = IsTrue(argv[4].val()), notme = IsTrue(argv[5].val());
  for (const auto& inst : room->r_instance)
    if (!inst->i_marked && !(notme && inst.get() == self) &&
        OutsideRegion(*inst, left, top, width, height) != inside)
      inst->i_deactivated = true;
  UpdateActive();
}

void instance_activate_all(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  CRoom* room = CurrentRoom();
  if (!room) return;
  for (const auto& inst : room->r_instance_deact) inst->i_deactivated = false;
  UpdateActive();
}

void instance_activate_object(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue&) {
  CRoom* room = CurrentRoom();
  if (!room) return;
  const int32_t obj = Int(argv[0]);
  for (const auto& inst : room->r_instance_deact) {
    const CInstance* i = inst.get();
    const CObject* o = Objects().Get(i->i_objectindex);
    const bool chosen = obj == kSelf    ? i == self
                        : obj == kOther ? i == other
                        : obj == kAll   ? true
                        : obj >= kFirstInstanceId
                            ? i->i_id == obj
                            : obj >= 0 && (i->i_objectindex == obj || (o && o->IsDecendentOf(obj)));
    if (chosen) inst->i_deactivated = false;
  }
  UpdateActive();
}

void instance_activate_region(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  CRoom* room = CurrentRoom();
  if (!room) return;
  const double left = argv[0].val(), top = argv[1].val(), width = argv[2].val(), height = argv[3].val();
  const bool inside = IsTrue(argv[4].val());
  for (const auto& inst : room->r_instance_deact)
    if (OutsideRegion(*inst, left, top, width, height) != inside) inst->i_deactivated = false;
  UpdateActive();
}

void room_goto(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  GoToRoom(Int(argv[0]), GameState().transition_kind);
}
void room_goto_previous(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  GoToPreviousRoom(GameState().transition_kind);
}
void room_goto_next(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  GoToNextRoom(GameState().transition_kind);
}
void room_previous(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(RoomPrevious(Int(argv[0])));
}
void room_next(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(RoomNext(Int(argv[0])));
}
void room_restart(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  RestartRoom(GameState().transition_kind);
}
void game_end(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  EndGameRequest();
}
void game_restart(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  RestartGameRequest();
}

}  // namespace

// Waits like the main loop: a blocking wait for the bulk, then 1 ms sleeps, with window
// messages processed. A room change that arrives meanwhile (closing the window) ends the wait
// early, so a long sleep never makes the game unstoppable.
void F_sleep(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  constexpr int64_t kMaxMillis = INT64_MAX / 4000;
  int64_t ms = RoundToInt64(argv[0].val());
  if (ms <= 0) return;
  if (ms > kMaxMillis) ms = kMaxMillis;
  const int32_t pending = PendingRoomChange();
  const int64_t end = platform::NowMicros() + ms * 1000;
  // Slept in slices, so a termination signal is noticed within one of them.
  constexpr int64_t kSliceMicros = 100000;
  for (;;) {
    if (RunHooks().processMessages) RunHooks().processMessages();
    if (PendingRoomChange() != pending || platform::TerminationSignal()) return;
    const int64_t left = end - platform::NowMicros();
    if (left <= 0) return;
    platform::SleepMicros(std::min(left > 1000 ? left - 1000 : 1000, kSliceMicros));
  }
}

namespace {

void zantor_zero(CInstance*, CInstance*, int32_t, RValue*, RValue&) {}

constexpr RFunctionDef kInteractionFunctions[] = {
    {"instance_find", 2, instance_find},
    {"instance_exists", 1, instance_exists},
    {"instance_number", 1, instance_number},
    {"instance_create", 3, instance_create},
    {"instance_copy", 1, instance_copy},
    {"instance_change", 2, instance_change},
    {"instance_destroy", 0, instance_destroy},
    {"instance_sprite", 1, instance_sprite},
    {"move_random", 2, move_random},
    {"place_free", 2, place_free},
    {"place_empty", 2, place_empty},
    {"place_meeting", 3, place_meeting},
    {"place_snapped", 2, place_snapped},
    {"move_snap", 2, move_snap},
    {"move_towards_point", 3, move_towards_point},
    {"move_contact", 1, move_contact},
    {"move_contact_solid", 2, move_contact_solid},
    {"move_contact_all", 2, move_contact_all},
    {"move_outside_solid", 2, move_outside_solid},
    {"move_outside_all", 2, move_outside_all},
    {"move_bounce", 1, move_bounce_solid},
    {"move_bounce_solid", 1, move_bounce_solid},
    {"move_bounce_all", 1, move_bounce_all},
    {"move_wrap", 3, move_wrap},
    {"motion_set", 2, motion_set},
    {"motion_add", 2, motion_add},
    {"distance_to_point", 2, distance_to_point},
    {"distance_to_object", 1, distance_to_object},
    {"collision_point", 5, collision_point},
    {"collision_rectangle", 7, collision_rectangle},
    {"collision_circle", 6, collision_circle},
    {"collision_ellipse", 7, collision_ellipse},
    {"collision_line", 7, collision_line},
    {"instance_position", 3, instance_position},
    {"instance_nearest", 3, instance_nearest},
    {"instance_furthest", 3, instance_furthest},
    {"instance_place", 3, instance_place},
    {"position_empty", 2, position_empty},
    {"position_meeting", 3, position_meeting},
    {"position_destroy", 2, position_destroy},
    {"position_change", 4, position_change},
    {"instance_deactivate_all", 1, instance_deactivate_all},
    {"instance_deactivate_object", 1, instance_deactivate_object},
    {"instance_deactivate_region", 6, instance_deactivate_region},
    {"instance_activate_all", 0, instance_activate_all},
    {"instance_activate_object", 1, instance_activate_object},
    {"instance_activate_region", 5, instance_activate_region},
    {"room_goto", 1, room_goto},
    {"room_goto_previous", 0, room_goto_previous},
    {"room_goto_next", 0, room_goto_next},
    {"room_previous", 1, room_previous},
    {"room_next", 1, room_next},
    {"room_restart", 0, room_restart},
    {"game_end", 0, game_end},
    {"game_restart", 0, game_restart},
    {"sleep", 1, F_sleep},
    {"Zantor_GetPlatform", 0, zantor_zero},
    {"Zantor_GetDevice", 0, zantor_zero},
};
}  // namespace

FunctionFamily InteractionFunctions() {
  return kInteractionFunctions;
}
