// The state of the object subsystem: the object list with its names, the event object lists
// and collision pairs built from it, and the events and actions dropped while a walk still
// holds them. Objects are resources loaded from the game file, so a restart keeps them.
#pragma once

#include <memory>
#include <vector>

#include "runner/base/Game.h"
#include "runner/base/Resource_List.h"
#include "runner/run/Event_Class.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Object_Lists.h"

struct RObjectsState {
  static constexpr EGameSlot kSlot = EGameSlot::Objects;

  TResourceList<CObject> objects{"__newobject"};
  // Deleted objects stay until the list is cleared: instances may still point at them.
  std::vector<std::unique_ptr<CObject>> deleted;

  // Event object lists and collision pairs.
  int32_t triggerCount = 0;
  std::vector<std::vector<REventTarget>> lists[kEventTypeCount];
  std::vector<RCollisionPair> pairs;
  bool listsBuilt = false;

  // Action walks in progress, and what was dropped during them: event object lists replaced
  // while a walk over them still holds them too.
  int32_t walkDepth = 0;
  struct RRetiredLists {
    std::vector<std::vector<REventTarget>> lists[kEventTypeCount];
    std::vector<RCollisionPair> pairs;
  };
  std::vector<RRetiredLists> retiredLists;
  std::vector<std::unique_ptr<CAction>> retiredActions;
  std::vector<std::unique_ptr<CEvent>> retiredEvents;
};
inline RObjectsState& ObjectsState() { return TheGame().State<RObjectsState>(); }
