// Action execution; see Event_Action.h.
#include "runner/code/Event_Action.h"

#include <string>

#include "runner/code/Action_Class.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Script_Main.h"

namespace {

int32_t RelativeFlag(const CAction& act) { return act.act_userelative && act.act_relative ? 1 : 0; }

void CallFunction(CAction& act, CInstance* self, CInstance* other, RValue& result) {
  Arguments().relative = RelativeFlag(act);
  RValue args[kActionCallArgs];
  const int32_t n = act.act_argumentcount < kActionCallArgs ? act.act_argumentcount : kActionCallArgs;
  for (int32_t i = 0; i < n; ++i) args[i] = ActionArgument(act, i, self, other);
  const int32_t id = act.act_functionid;
  if (id >= kExtensionIdBase) {
    if (!CallExtensionFunction(id - kExtensionIdBase, self, other, result, args, n)) ShowPendingCodeError();
    return;
  }
  if (id >= kScriptIdBase) {
    if (!CanNestExecution()) {
      ShowActionError(kMsgNestingTooDeep, false);
      return;
    }
    CallScript(id - kScriptIdBase, self, other, result, true, args, n);
    ShowPendingCodeError();
    return;
  }
  // An unresolved function (-1) was reported when the game loaded; calling it does nothing.
  const RFunction* f = FunctionAt(id);
  if (f && f->f_routine) f->f_routine(self, other, n, args, result);
}

// The action's code with its argument values in the first argument slots; those slots and the
// relative flag are put back afterwards. Out of line, so that the usual code action, which has
// no arguments, sets up none of this.
[[gnu::noinline]] void RunCodeWithArguments(CAction& act, int32_t n, CInstance* self, CInstance* other, RValue& result) {
  RArgumentState& a = Arguments();
  RValue saved[kActionArgs];
  for (int32_t i = 0; i < n; ++i) saved[i] = a.slots[i];
  const int32_t relative = a.relative;
  a.relative = RelativeFlag(act);
  for (int32_t i = 0; i < n; ++i) Arguments().slots[i] = ActionArgument(act, i, self, other);
  Arguments().Written(n - 1);
  ExecuteAndReport(self, other, *act.act_codecode, result);
  RArgumentState& after = Arguments();
  for (int32_t i = 0; i < n; ++i) after.slots[i] = std::move(saved[i]);
  after.relative = relative;
}

void RunCode(CAction& act, CInstance* self, CInstance* other, RValue& result) {
  if (!act.act_codecode) return;
  const int32_t n = act.act_argumentcount < kActionArgs ? act.act_argumentcount : kActionArgs;
  if (n > 0) return RunCodeWithArguments(act, n, self, other, result);
  // A code action of an event: only the flag to put back, no slots to save.
  RArgumentState& a = Arguments();
  const int32_t relative = a.relative;
  a.relative = RelativeFlag(act);
  ExecuteAndReport(self, other, *act.act_codecode, result);
  Arguments().relative = relative;
}

void Run(CAction& act, CInstance* self, CInstance* other, RValue& result) {
  if (act.act_exetype == kExeFunction)
    CallFunction(act, self, other, result);
  else if (act.act_exetype == kExeCode)
    RunCode(act, self, other, result);
}
}  // namespace

RValue ActionArgument(CAction& act, int32_t i, CInstance* self, CInstance* other) {
  if (i < 0 || i >= kActionArgs) return RValue();
  const auto k = static_cast<size_t>(i);
  if (act.act_argtype[k] == kArgConstant || !act.act_argcode[k]) return act.act_argvalue[k];
  RValue v;
  ExecuteAndReport(self, other, *act.act_argcode[k], v);
  return v;
}

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
