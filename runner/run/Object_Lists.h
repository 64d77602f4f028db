// The event object lists (per event type and number, the objects that react, with the event
// each one resolves to) and the collision pair list. Built at game start and after run-time
// changes to events or parents, so the step finds its events without lookups.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "runner/run/Object_Class.h"

// An object that reacts to an event, and where its event was found.
struct REventTarget {
  int32_t object = -1;
  REventRef found;
};

// A pair of objects whose instances may collide, with the events each side runs (either may
// be absent), so the collision phase looks nothing up.
struct RCollisionPair {
  int32_t a = -1, b = -1;  // a <= b
  REventRef ab;            // a's event for a collision with b
  REventRef ba;            // b's event for a collision with a
};

// Event numbers covered by each type's table (trigger: the trigger count).
int32_t EventListRange(int32_t etype);
void SetEventListTriggerCount(int32_t count);

// Rebuilds every list from the object list.
void BuildEventLists();
void ClearEventLists();
// Whether the lists hold anything to keep current: code that changes events or parents at run
// time rebuilds them when this is true, since they point at events.
bool EventListsBuilt();
// The objects reacting to (etype, enumb) in increasing index; empty outside the table.
std::span<const REventTarget> EventObjectList(int32_t etype, int32_t enumb);
std::span<const RCollisionPair> CollisionPairs();
// The event the object resolves to in one of those lists; none when the object is not in it.
REventRef ListedEvent(std::span<const REventTarget> list, int32_t object);
