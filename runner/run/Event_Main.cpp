// Event dispatch and the action-list walk; see Event_Main.h.
#include "runner/run/Event_Main.h"

#include <climits>
#include <span>

#include "runner/code/Event_Action.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Lists.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"
#include "runner/run/Run_State.h"

namespace {
constexpr int32_t kStop = INT32_MAX;
// Blocks, repeats and questions nest by recursion; a list nested deeper than this (only a
// damaged or hostile one) ends its event instead of exhausting the stack.
constexpr int32_t kMaxNesting = 2000;

// The instances an object-targeted action runs for: the object's and its descendants'
// unmarked instances in the room, counted at the start.
template <typename F>
void ForObjectInstances(int32_t object, F f) {
  CRoom* room = CurrentRoom();
  if (!room) return;
  const int32_t count = room->Obj_Number_Recursive(object);
  for (int32_t i = 0; i < count; ++i) {
    CInstance* inst = room->Obj_Instance_Recursive(object, i);
    if (!inst || inst->i_marked) continue;
    if (!f(inst)) return;
  }
}

class Walker {
 public:
  Walker(CEvent& e, CInstance* self, CInstance* other) : Walker(e, self, other, CurrentEvent()) {}
  Walker(CEvent& e, CInstance* self, CInstance* other, REventContext& context)
      : e_(e), self_(self), other_(other), context_(context) {}

  void Run() {
    int32_t i = 0;
    while (i < e_.e_number()) i = RunStatement(i, 0);
  }

 private:
  int32_t Count() const { return e_.e_number(); }
  CAction& At(int32_t i) { return e_.Action(i); }

  int32_t RunStatement(int32_t i, int32_t depth) {
    if (i >= Count() || RoomChangePending() || depth > kMaxNesting) return kStop;
    CAction& a = At(i);
    if (a.act_kind == kActBegin) {
      int32_t j = i + 1;
      while (j < Count() && At(j).act_kind != kActEnd) {
        j = RunStatement(j, depth + 1);
        if (j == kStop || RoomChangePending()) return kStop;
      }
      return j + 1;
    }
    if (a.act_kind == kActRepeat) {
      const int32_t times = RepeatCount(a);
      for (int32_t k = 0; k < times; ++k) {
        if (RunStatement(i + 1, depth + 1) == kStop || RoomChangePending()) return kStop;
      }
      return SkipStatement(i + 1, depth + 1);
    }
    context_.action = i;
    if (a.act_isquestion) {
      const bool answer = Ask(a);
      int32_t r = answer ? RunStatement(i + 1, depth + 1) : SkipStatement(i + 1, depth + 1);
      if (r < Count() && At(r).act_kind == kActElse)
        r = answer ? SkipStatement(r + 1, depth + 1) : RunStatement(r + 1, depth + 1);
      return RoomChangePending() ? kStop : r;
    }
    if (a.act_kind == kActExit) return kStop;
    Execute(a);
    return RoomChangePending() ? kStop : i + 1;
  }

  int32_t SkipStatement(int32_t i, int32_t depth) {
    if (i >= Count() || depth > kMaxNesting) return kStop;
    const CAction& a = At(i);
    if (a.act_kind == kActBegin) {
      int32_t j = i + 1;
      while (j < Count() && At(j).act_kind != kActEnd) j = SkipStatement(j, depth + 1);
      return j == kStop ? kStop : j + 1;
    }
    if (a.act_isquestion || a.act_kind == kActRepeat) return SkipStatement(i + 1, depth + 1);
    return i + 1;
  }

  int32_t RepeatCount(CAction& a) {
    if (a.act_argtype[0] == kArgConstant) return RoundToInt32(a.act_argvalue[0].val());
    return RoundToInt32(ActionArgument(a, 0, self_, other_).val());
  }

  void Execute(CAction& a) {
    if (!a.act_useapplyto || a.act_who == -1) {
      ExecuteAction(a, self_, other_);
    } else if (a.act_who == -2) {
      ExecuteAction(a, other_, self_);
    } else if (a.act_who >= 0) {
      ForObjectInstances(a.act_who, [&](CInstance* inst) {
        ExecuteAction(a, inst, other_);
        return !RoomChangePending();
      });
    }
  }

  bool Ask(CAction& a) {
    if (!a.act_useapplyto || a.act_who == -1) return EvaluateAction(a, self_, other_);
    if (a.act_who == -2) return EvaluateAction(a, other_, self_);
    bool all = true;
    if (a.act_who >= 0) ForObjectInstances(a.act_who, [&](CInstance* inst) { return all = EvaluateAction(a, inst, other_); });
    return all;
  }

  CEvent& e_;
  CInstance* self_;
  CInstance* other_;
  // The run state's context, which lasts the whole game: one lookup per event, not per action.
  REventContext& context_;
};
}  // namespace

REventContext& CurrentEvent() { return RunState().event; }

void RunActionList(CEvent& event, CInstance* self, CInstance* other) {
  ActionWalkScope walking;
  Walker(event, self, other).Run();
}

void PerformFoundEvent(CInstance* self, CInstance* other, const REventRef& found, int32_t etype, int32_t enumb) {
  if (!found || RoomChangePending()) return;
  EventContextScope scope({found.owner, etype, enumb, 0});
  RunActionList(*found.event, self, other);
}

void PerformObjectEvent(CInstance* self, CInstance* other, int32_t objindex, int32_t etype, int32_t enumb) {
  if (RoomChangePending()) return;
  const CObject* obj = Objects().Get(objindex);
  if (!obj) return;
  PerformFoundEvent(self, other, obj->GetEventRecursive(etype, enumb), etype, enumb);
}

void PerformEvent(CInstance* self, CInstance* other, int32_t etype, int32_t enumb) {
  if (self) PerformObjectEvent(self, other, self->i_objectindex, etype, enumb);
}

void PerformEventForAll(int32_t etype, int32_t enumb) {
  CRoom* room = CurrentRoom();
  if (!room || RoomChangePending()) return;
  const int32_t count = room->r_numb();
  for (int32_t i = 0; i < count; ++i) {
    CInstance* inst = room->Instance(i);
    if (inst && !inst->i_marked) PerformObjectEvent(inst, inst, inst->i_objectindex, etype, enumb);
  }
}

void PerformEventForObjects(int32_t etype, int32_t enumb) {
  CRoom* room = CurrentRoom();
  if (!room) return;
  const std::span<const REventTarget> targets = EventObjectList(etype, enumb);
  if (targets.empty()) return;
  // One walk scope and one saved context for the whole phase: between two instances' events
  // nothing runs that could see the context, and each event sets it afresh. Lists rebuilt by an
  // event stay alive until the phase ends, since the loop walks them.
  ActionWalkScope walking;
  EventContextScope scope(CurrentEvent());
  REventContext& context = CurrentEvent();
  for (const REventTarget& target : targets) {
    const int32_t count = room->Obj_Number(target.object);
    for (int32_t i = 0; i < count; ++i) {
      if (RoomChangePending()) return;
      CInstance* inst = room->Obj_Instance(target.object, i);
      if (!inst || inst->i_marked) continue;
      context = {target.found.owner, etype, enumb, 0};
      Walker(*target.found.event, inst, inst, context).Run();
    }
  }
}

void PerformInheritedEvent(CInstance* self, CInstance* other) {
  const CObject* owner = Objects().Get(CurrentEvent().owner);
  const CObject* parent = owner ? ParentOf(*owner) : nullptr;
  if (parent) PerformObjectEvent(self, other, parent->o_index, CurrentEvent().type, CurrentEvent().number);
}
