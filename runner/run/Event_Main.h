// Performing events: the current event context, the walk over an event's action list (blocks,
// questions, else, repeat, exit) with the apply-to rule, and the dispatch operations that
// every other part uses to run an event for an instance.
#pragma once

#include <cstdint>

#include "runner/run/Object_Class.h"

class CInstance;

// The event whose actions are running (or being compiled). While a time line moment runs the
// owner is the time line and the type kTimeLineEventType.
struct REventContext {
  int32_t owner = -1;
  int32_t type = -1;
  int32_t number = -1;
  int32_t action = -1;
};
inline constexpr int32_t kTimeLineEventType = 100000;

REventContext& CurrentEvent();

// Sets the context for one event run and puts the previous one back afterwards.
class EventContextScope {
 public:
  explicit EventContextScope(const REventContext& ctx) : saved_(CurrentEvent()) { CurrentEvent() = ctx; }
  ~EventContextScope() { CurrentEvent() = saved_; }
  EventContextScope(const EventContextScope&) = delete;
  EventContextScope& operator=(const EventContextScope&) = delete;

 private:
  REventContext saved_;
};

// Walks an action list for self and other under the current context. Also used by time lines.
void RunActionList(CEvent& event, CInstance* self, CInstance* other);

// Runs an event already found (from the event object lists): context set, actions walked,
// context restored. Nothing while a room change is pending.
void PerformFoundEvent(CInstance* self, CInstance* other, const REventRef& found, int32_t etype, int32_t enumb);
// Looks the event up from the object through its parents and runs it.
void PerformObjectEvent(CInstance* self, CInstance* other, int32_t objindex, int32_t etype, int32_t enumb);
// The same with self's object; nothing without self.
void PerformEvent(CInstance* self, CInstance* other, int32_t etype, int32_t enumb);
// For every unmarked instance of the current room in list order, with self = other.
void PerformEventForAll(int32_t etype, int32_t enumb);
// The step's form: object by object through the event object list, and for each object through
// its own instance list (counted at the start), skipping marked instances; self = other.
void PerformEventForObjects(int32_t etype, int32_t enumb);
// The current event of the parent of the current owner object, for the same self and other.
void PerformInheritedEvent(CInstance* self, CInstance* other);
