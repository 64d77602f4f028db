// Action execution; see Event_Action.h.
#include "runner/code/Event_Action.h"

#include "runner/code/Action_Class.h"
#include "runner/code/Code_Function.h"

RValue ActionArgument(CAction& act, int32_t i, CInstance*, CInstance*) {
  if (i < 0 || i >= kActionArgs) return RValue();
  return act.act_argvalue[static_cast<size_t>(i)];
}

namespace {
// Runs the action and leaves the function's or the code's result in result.
void Run(CAction& act, CInstance* self, CInstance* other, RValue& result) {
  if (act.act_exetype != kExeFunction) return;
  const RFunction* f = FunctionAt(act.act_functionid);
  if (!f || !f->f_routine) return;
  RValue args[kActionCallArgs];
  const int32_t n = act.act_argumentcount < kActionCallArgs ? act.act_argumentcount : kActionCallArgs;
  for (int32_t i = 0; i < n; ++i) args[i] = act.act_argvalue[static_cast<size_t>(i)];
  f->f_routine(self, other, n, args, result);
}
}  // namespace

void ExecuteAction(CAction& act, CInstance* self, CInstance* other) {
  RValue result;
  Run(act, self, other, result);
}

bool EvaluateAction(CAction& act, CInstance* self, CInstance* other) {
  if (act.act_exetype != kExeFunction && act.act_exetype != kExeCode) return false;
  RValue result;
  Run(act, self, other, result);
  return IsTrue(result.val()) != act.act_isnot;
}
