// The collision event phase of a step with its solid handling, and the spatial index that lets
// it and the instance queries skip instances whose boxes cannot touch. The index only prunes:
// every answer and every event, in its order, is what testing each instance in turn gives; the
// exhaustive way stays selectable as the reference.
#pragma once

#include <cstdint>
#include <vector>

#include "runner/run/Instance_Class.h"

class CRoom;

enum class ECollisionMethod { Indexed, Exhaustive };
ECollisionMethod& CollisionMethod();

// Which of a room's instance lists a query walks.
enum class EInstanceList { Active, Exact, Recursive };

struct RListKey {
  EInstanceList list = EInstanceList::Active;
  int32_t object = -1;  // Exact and Recursive
};

int32_t ListCount(const CRoom& room, const RListKey& key);
CInstance* ListAt(const CRoom& room, const RListKey& key, int32_t pos);

// The positions in [from, to) of the list whose instances' boxes overlap box (inclusive
// sides), ascending. Built per list and kept while no box and no list changes.
void NearPositions(const CRoom& room, const RListKey& key, const RBoundingBox& box, int32_t from, int32_t to,
                   std::vector<int32_t>& out);

// Calls visit(inst) for the instances of the list, in list order, that may overlap box (with the
// exhaustive method: every instance), until visit answers false. visit may run events that
// move, create or destroy instances: the walk then continues from the next position with
// fresh boxes. Null entries are skipped; marked ones are left to visit.
template <typename Visit>
void ForEachNear(CRoom& room, const RListKey& key, const RBoundingBox& box, Visit visit) {
  const int32_t count = ListCount(room, key);
  if (CollisionMethod() == ECollisionMethod::Exhaustive) {
    for (int32_t p = 0; p < count; ++p)
      if (CInstance* inst = ListAt(room, key, p); inst && !visit(inst)) return;
    return;
  }
  std::vector<int32_t> near;
  int32_t from = 0;
  for (;;) {
    NearPositions(room, key, box, from, count, near);
    const uint64_t version = BoxVersion();
    bool stale = false;
    for (int32_t p : near) {
      from = p + 1;
      if (CInstance* inst = ListAt(room, key, p); inst && !visit(inst)) return;
      if (BoxVersion() != version) {
        stale = true;
        break;
      }
    }
    if (!stale) return;
  }
}

// The smallest box holding every point whose precise or box test could hit an instance box
// containing (x, y): the pixel of the point. Non-finite coordinates give a box no instance has.
RBoundingBox PointBox(double x, double y);
// The pixels a real rectangle can touch under the shape tests' overlap rule.
RBoundingBox AreaBox(double x1, double y1, double x2, double y2);

// Step phase: for each pair of the collision pair list, the collision events of the instances
// that meet, with solid instances put back.
void CollisionEvents();
