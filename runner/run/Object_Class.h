// CObject: the blueprint of instances (default sprite, mask, depth, flags, parent) with its
// table of events by type and number, its stored record and the lookups through parent chains.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "runner/run/Event_Class.h"

class CStream;

inline constexpr int32_t kObjectVersion = 430;
inline constexpr int32_t kEventTypeCount = 12;

enum EEventType : int32_t {
  ev_create = 0,
  ev_destroy = 1,
  ev_alarm = 2,
  ev_step = 3,
  ev_collision = 4,
  ev_keyboard = 5,
  ev_mouse = 6,
  ev_other = 7,
  ev_draw = 8,
  ev_keypress = 9,
  ev_keyrelease = 10,
  ev_trigger = 11,
};

// An event found through a parent chain and the object whose table holds it.
struct REventRef {
  CEvent* event = nullptr;
  int32_t owner = -1;
  explicit operator bool() const { return event != nullptr; }
};

class CObject {
 public:
  // Resets the fields and frees every event.
  void Clear();
  // The slot (etype, enumb), created when missing; null for etype outside 0..11 or enumb < 0.
  CEvent* CreateEvent(int32_t etype, int32_t enumb);
  // False on a wrong object version; damaged data throws StreamError.
  bool LoadFromStream(CStream& str);
  // Compiles every event in order of type, then number, with the event context set.
  bool Compile();

  // The own event with at least one action, else null.
  CEvent* GetEventDirect(int32_t etype, int32_t enumb) const;
  bool HasEventDirect(int32_t etype) const;
  // Through the parent chain (and, for collisions, the ancestors of the other object).
  REventRef GetEventRecursive(int32_t etype, int32_t enumb) const;
  bool HasEventRecursive(int32_t etype) const;
  bool IsDecendentOf(int32_t objind) const;

  int32_t o_spriteindex = -1;
  bool o_solid = false;
  bool o_visible = true;
  int32_t o_depth = 0;
  bool o_persistent = false;
  int32_t o_parent = -1;
  int32_t o_mask = -1;
  // Per type, the slots in increasing number. Slots are kept only where one was created, which
  // answers every lookup like the full array (an empty slot counts as absent) without letting a
  // large number allocate the numbers below it.
  std::array<std::vector<std::pair<int32_t, std::unique_ptr<CEvent>>>, kEventTypeCount> o_events;

  // Set by the object list: this object's own index, for lookups that report the owner.
  int32_t o_index = -1;
};

// The parent of an object inside the object list, or null; a walk over parents must also stop
// after Objects().Count() steps, since stored parents may form a cycle.
const CObject* ParentOf(const CObject& obj);
