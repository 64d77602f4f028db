// Instance commands; see Run_Command.h.
#include "runner/run/Run_Command.h"

#include <string>
#include <vector>

#include "runner/code/Code_Error.h"
#include "runner/run/Collision_Main.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"

namespace {
template <typename Prepare>
CInstance* CreatePrepared(int32_t object, double x, double y, Prepare prepare) {
  if (!Objects().Exists(object)) {
    ShowActionError("Creating instance for non-existing object: " + std::to_string(object), false);
    return nullptr;
  }
  CRoom* room = CurrentRoom();
  if (!room) return nullptr;
  CInstance* inst = room->AddInstance(x, y, object);
  prepare(*inst);
  PerformObjectEvent(inst, inst, object, ev_create, 0);
  return inst;
}
}  // namespace

CInstance* CreateInstance(int32_t object, double x, double y) {
  return CreatePrepared(object, x, y, [](CInstance&) {});
}

CInstance* CreateInstanceMoving(int32_t object, double x, double y, double speed, double direction) {
  return CreatePrepared(object, x, y, [&](CInstance& inst) {
    inst.Setspeed(speed);
    inst.Setdirection(direction);
  });
}

void DestroyInstance(CInstance* inst) {
  // Destroying an instance again from inside its own destroy event would recurse without end.
  if (!inst || inst->i_marked || inst->i_destroying) return;
  inst->i_destroying = true;
  PerformObjectEvent(inst, inst, inst->i_objectindex, ev_destroy, 0);
  inst->i_destroying = false;
  inst->i_marked = true;
}

int32_t CopyInstance(CInstance* inst, bool perform) {
  CRoom* room = CurrentRoom();
  if (!inst || !room) return -4;
  CInstance* copy = room->AddInstance(inst->i_x, inst->i_y, inst->i_objectindex);
  const int32_t id = copy->i_id;
  copy->Assign(*inst);
  copy->i_id = id;
  if (perform) PerformObjectEvent(copy, copy, copy->i_objectindex, ev_create, 0);
  return id;
}

void ChangeInstance(CInstance* inst, int32_t object, bool perform) {
  if (!Objects().Exists(object)) {
    ShowActionError("Asking to change into non-existing object: " + std::to_string(object), false);
    return;
  }
  CRoom* room = CurrentRoom();
  if (!inst || !room) return;
  if (perform) PerformObjectEvent(inst, inst, inst->i_objectindex, ev_destroy, 0);
  CInstance* changed = room->AddInstance(inst->i_x, inst->i_y, object);
  changed->Assign(*inst);
  changed->Setobjectindex(object);
  room->InvalidateIds();
  inst->i_marked = true;
  if (perform) PerformObjectEvent(changed, changed, object, ev_create, 0);
}

void SetInstanceSprite(CInstance* inst, int32_t sprite) {
  RSpriteShape shape;
  if (!GetSpriteShape(sprite, shape)) {
    ShowActionError("Setting instance to non-existing sprite: " + std::to_string(sprite), false);
    return;
  }
  if (inst) inst->Setspriteindex(sprite);
}

namespace {

constexpr int32_t kAllInstances = -3, kFirstId = 100000;

// Moves an instance for a test and back; the index stays valid when the box comes back the same.
class CTempPlace {
 public:
  CTempPlace(CInstance& inst, double x, double y)
      : inst_(inst), x_(inst.i_x), y_(inst.i_y), box_(inst.i_bbox), version_(BoxVersion()) {
    inst.i_x = x;
    inst.i_y = y;
    inst.ComputeBoundingBox();
  }
  ~CTempPlace() {
    inst_.i_x = x_;
    inst_.i_y = y_;
    inst_.ComputeBoundingBox();
    if (inst_.i_bbox == box_) BoxVersion() = version_;
  }
  CTempPlace(const CTempPlace&) = delete;
  CTempPlace& operator=(const CTempPlace&) = delete;

 private:
  CInstance& inst_;
  double x_, y_;
  RBoundingBox box_;
  uint64_t version_;
};

// The first unmarked instance of target near box for which hit holds. Positions are found
// before hit runs: the tests run no events.
template <typename Hit>
CInstance* FirstOf(CRoom& room, int32_t target, const RBoundingBox& box, CInstance* moved, double x, double y,
                   Hit hit) {
  if (target >= kFirstId) {
    CInstance* inst = room.FindInstance(target);
    if (!inst || inst->i_marked) return nullptr;
    if (!moved) return hit(inst) ? inst : nullptr;
    CTempPlace place(*moved, x, y);
    return hit(inst) ? inst : nullptr;
  }
  if (target != kAllInstances && target < 0) return nullptr;
  const RListKey key = target == kAllInstances ? RListKey{} : RListKey{EInstanceList::Recursive, target};
  const int32_t count = ListCount(room, key);
  std::vector<int32_t> near;
  if (CollisionMethod() == ECollisionMethod::Exhaustive) {
    near.resize(static_cast<size_t>(count));
    for (int32_t p = 0; p < count; ++p) near[static_cast<size_t>(p)] = p;
  } else {
    NearPositions(room, key, box, 0, count, near);
  }
  if (near.empty()) return nullptr;
  auto walk = [&]() -> CInstance* {
    for (int32_t p : near)
      if (CInstance* inst = ListAt(room, key, p); inst && !inst->i_marked && hit(inst)) return inst;
    return nullptr;
  };
  if (!moved) return walk();
  CTempPlace place(*moved, x, y);
  return walk();
}

}  // namespace

bool PlaceEmpty(CInstance* inst, double x, double y) {
  return !InstanceAtPlace(inst, kAllInstances, x, y);
}

bool PlaceFree(CInstance* inst, double x, double y) {
  CRoom* room = CurrentRoom();
  if (!inst || !room) return true;
  return !FirstOf(*room, kAllInstances, inst->BoxAt(x, y), inst, x, y,
                  [&](CInstance* j) { return j->i_solid && inst->Collision_Instance(j, true); });
}

CInstance* InstanceAtPlace(CInstance* inst, int32_t target, double x, double y) {
  CRoom* room = CurrentRoom();
  if (!inst || !room) return nullptr;
  return FirstOf(*room, target, inst->BoxAt(x, y), inst, x, y,
                 [&](CInstance* j) { return inst->Collision_Instance(j, true); });
}

CInstance* InstanceAtPosition(int32_t target, double x, double y) {
  CRoom* room = CurrentRoom();
  if (!room) return nullptr;
  return FirstOf(*room, target, PointBox(x, y), nullptr, x, y,
                 [&](CInstance* j) { return j->Collision_Point(x, y, true); });
}

void DestroyAtPosition(double x, double y) {
  CRoom* room = CurrentRoom();
  if (!room) return;
  ForEachNear(*room, RListKey{}, PointBox(x, y), [&](CInstance* inst) {
    if (inst->Collision_Point(x, y, true)) DestroyInstance(inst);
    return true;
  });
}

void ChangeAtPosition(double x, double y, int32_t object, bool perform) {
  if (!Objects().Exists(object)) {
    ShowActionError("Asking to change into non-existing object: " + std::to_string(object), false);
    return;
  }
  CRoom* room = CurrentRoom();
  if (!room) return;
  ForEachNear(*room, RListKey{}, PointBox(x, y), [&](CInstance* inst) {
    if (inst->Collision_Point(x, y, true)) ChangeInstance(inst, object, perform);
    return true;
  });
}
