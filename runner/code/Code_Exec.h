// The interpreter: runs compiled code for an instance, and the narrow host interface through
// which it reaches instances, objects and the room without knowing how the runtime keeps them.
#pragma once

#include <cstdint>

#include "runner/code/Code_Main.h"
#include "runner/code/Variable_Class.h"

class CInstance;
struct RBuiltInDirect;

// What the interpreter needs from the runtime. The runtime installs one host; until then the
// empty default answers "no instances", so code can run only where nothing asks for them.
// Lists are read through count/at on every step, so they may change while code runs.
struct ExecHost {
  virtual ~ExecHost() = default;
  // The instance with that id (100000 and up), marked or not; null when there is none.
  virtual CInstance* InstanceById(int32_t id) { return nullptr; }
  // Marked as destroyed: such instances are skipped by reads, writes and with.
  virtual bool IsMarked(CInstance* inst) { return false; }
  // The instance's own user variables; null makes reads missing and writes fail.
  virtual CVariableList* InstanceVars(CInstance* inst) { return nullptr; }
  // The room's instance list, in its order.
  virtual int32_t RoomInstanceCount() { return 0; }
  virtual CInstance* RoomInstanceAt(int32_t pos) { return nullptr; }
  // Instances of an object and of every object descending from it, in the runtime's order.
  // Objects that do not exist have none.
  virtual int32_t ObjectInstanceCount(int32_t object) { return 0; }
  virtual CInstance* ObjectInstanceAt(int32_t object, int32_t pos) { return nullptr; }
  // Built-in variables (ids below 10000) other than the argument ones, which the interpreter
  // keeps itself. Read-only ones are refused before the setter is asked.
  virtual bool GetBuiltIn(CInstance* inst, int32_t id, int32_t arr, RValue& out) { return false; }
  virtual bool SetBuiltIn(CInstance* inst, int32_t id, int32_t arr, const RValue& v) { return false; }
  // A temporary instance (id 0, object 0, at 0,0) for library initialisation and constants.
  virtual CInstance* CreateTempInstance() { return nullptr; }
  virtual void DestroyTempInstance(CInstance* inst) {}
  // The direct forms of built-in variables by id (Variable_Access.h), when this host's
  // instances are the ones they reach into; null sends every access through the calls above.
  const RBuiltInDirect* direct = nullptr;
};

ExecHost& GetExecHost();
void SetExecHost(ExecHost* host);  // null restores the empty default

// Runs code for self with other; result receives the value (expression) or whatever the
// program left in its result slot. False on a run-time error, with the message pending.
bool ExecuteCode(CInstance* self, CInstance* other, CCode& code, RValue& result);
// The same, then a failure is shown (ShowActionError, not fatal) and the pending flag cleared.
bool ExecuteAndReport(CInstance* self, CInstance* other, CCode& code, RValue& result);
// The same as ExecuteCode, but a failure leaves the string "ERROR" in result.
bool ExecuteForValue(CInstance* self, CInstance* other, CCode& code, RValue& result);

// Makes this interpreter the runner's: installs the runner compile context and lets the
// constant table evaluate value texts that do not fold (with a temporary instance).
void InitInterpreter();

// Nested executions (script calls, execute_string, event code started by functions) deeper
// than this, or closer to the end of the C++ stack than kStackReserve, end with
// kMsgNestingTooDeep instead of overflowing the stack.
inline constexpr int32_t kMaxExecDepth = 10000;
inline constexpr const char* kMsgNestingTooDeep = "Script calls are nested too deeply.";
int32_t ExecDepth();
// True when one more nested execution fits.
bool CanNestExecution();
