// Built-in miscellaneous functions: performing events from code for now; the external-library,
// variable, clipboard and date functions join this unit.
#include <climits>
#include <cstdint>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/functions/Function_Misc.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Class.h"

namespace {
int32_t Int(const RValue& v) {
  return RoundToInt32(v.val());
}

// An event performing itself through a function action would otherwise recurse until the stack
// runs out; code actions are bounded by the interpreter, function actions are bounded here.
bool CanPerform(CInstance* self) {
  if (!self) return false;
  if (CanNestExecution()) return true;
  ShowActionError(kMsgNestingTooDeep, false);
  return false;
}

}  // namespace

void event_inherited(CInstance* self, CInstance* other, int32_t, RValue*, RValue&) {
  if (CanPerform(self)) PerformInheritedEvent(self, other);
}

namespace {

void event_perform(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue&) {
  if (CanPerform(self)) PerformEvent(self, other, Int(argv[0]), Int(argv[1]));
}

void event_user(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue&) {
  const int64_t number = RoundToInt64(argv[0].val());
  if (number < INT32_MIN || number > INT32_MAX - 10) return;  // no event has such a number
  if (CanPerform(self)) PerformEvent(self, other, ev_other, static_cast<int32_t>(number + 10));
}

void event_perform_object(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue&) {
  if (CanPerform(self)) PerformObjectEvent(self, other, Int(argv[0]), Int(argv[1]), Int(argv[2]));
}

constexpr RFunctionDef kMiscFunctions[] = {
    {"event_inherited", 0, event_inherited},
    {"event_perform", 2, event_perform},
    {"event_user", 1, event_user},
    {"event_perform_object", 3, event_perform_object},
};
}  // namespace

FunctionFamily MiscFunctions() {
  return kMiscFunctions;
}
