// Variable access through owners and the argument built-ins; see Code_Variable.h.
#include "runner/code/Code_Variable.h"

#include <string>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Code_Main.h"
#include "runner/code/Variable_BuiltIn.h"
#include "runner/code/Variable_Main.h"

namespace {
const int32_t kArg0 = BuiltInArgument0Id();
const int32_t kArgArray = BuiltInArgumentArrayId();
const int32_t kArgCount = BuiltInVarId("argument_count");
const int32_t kArgRelative = BuiltInVarId("argument_relative");

int32_t ClampArgIndex(int32_t arr) { return arr < 0 || arr >= kMaxFunctionArgs ? 0 : arr; }

bool GlobalRead(int32_t id, int32_t arr, int32_t& hint, RValue& out) {
  RVariable* v = GlobalVars().List().FindHinted(id, hint);
  if (!v) return false;
  RValue* e = ElementFind(*v, arr);
  if (!e) return false;
  out = *e;
  return true;
}

void GlobalWrite(int32_t id, int32_t arr, int32_t& hint, const RValue& val) {
  CVariableList& list = GlobalVars().List();
  if (RVariable* v = list.FindHinted(id, hint))
    ElementWrite(*v, arr, val);
  else
    list.SetVar(id, arr, val);
}

// First instance of a list that is not marked as destroyed.
template <typename Count, typename At>
CInstance* FirstLive(ExecHost& host, Count count, At at) {
  int32_t n = count();
  for (int32_t i = 0; i < n; ++i) {
    CInstance* inst = at(i);
    if (inst && !host.IsMarked(inst)) return inst;
  }
  return nullptr;
}

// Writes into every live instance of a list; only the last write's failure counts.
template <typename Count, typename At>
bool WriteAll(ExecHost& host, Count count, At at, int32_t id, int32_t arr, int32_t& hint,
              const RValue& v) {
  bool ok = true;
  int32_t n = count();
  for (int32_t i = 0; i < n && i < count(); ++i) {
    CInstance* inst = at(i);
    if (inst && !host.IsMarked(inst)) ok = InstanceWrite(inst, id, arr, hint, v);
  }
  return ok;
}
}  // namespace

RValue* ElementFind(RVariable& v, int32_t arr) noexcept {
  if (arr == 0) return &v.simplevalue;
  if (arr < 0 || arr > kMaxArrayIndex) return nullptr;
  size_t row = static_cast<size_t>(arr / kArrayDim);
  size_t col = static_cast<size_t>(arr % kArrayDim);
  if (row >= v.value.size() || col >= v.value[row].size()) return nullptr;
  return &v.value[row][col];
}

void ElementWrite(RVariable& v, int32_t arr, const RValue& val) {
  if (arr == 0) {
    v.simplevalue = val;
    return;
  }
  if (arr < 0 || arr > kMaxArrayIndex) return;
  size_t row = static_cast<size_t>(arr / kArrayDim);
  size_t col = static_cast<size_t>(arr % kArrayDim);
  if (row < v.value.size() && col < v.value[row].size()) {
    v.value[row][col] = val;
    return;
  }
  RValue copy = val;  // val may live in a row that the growth moves
  if (v.value.size() < row + 1) v.value.resize(row + 1);
  std::vector<RValue>& r = v.value[row];
  if (r.size() < col + 1) r.resize(col + 1);
  r[col] = std::move(copy);
}

bool InstanceRead(CInstance* inst, int32_t id, int32_t arr, int32_t& hint, RValue& out) {
  if (id < kBuiltInVarLimit) return BuiltInRead(inst, id, arr, out);
  RValue* e = InstanceElement(inst, id, arr, hint);
  if (!e) return false;
  out = *e;
  return true;
}

RValue* InstanceElement(CInstance* inst, int32_t id, int32_t arr, int32_t& hint) {
  if (id < kBuiltInVarLimit) return nullptr;
  CVariableList* vars = GetExecHost().InstanceVars(inst);
  if (!vars) return nullptr;
  RVariable* v = vars->FindHinted(id, hint);
  return v ? ElementFind(*v, arr) : nullptr;
}

bool InstanceWrite(CInstance* inst, int32_t id, int32_t arr, int32_t& hint, const RValue& val) {
  if (id < kBuiltInVarLimit) return BuiltInWrite(inst, id, arr, val);
  CVariableList* vars = GetExecHost().InstanceVars(inst);
  if (!vars) return false;
  if (RVariable* v = vars->FindHinted(id, hint))
    ElementWrite(*v, arr, val);
  else
    vars->SetVar(id, arr, val);
  return true;
}

bool OwnerRead(CInstance* self, CInstance* other, int32_t owner, int32_t id, int32_t arr,
               int32_t& hint, RValue& out) {
  ExecHost& host = GetExecHost();
  switch (owner) {
    case kOwnerUnqualified:
      if (GlobalVars().IsDeclared(id)) return GlobalRead(id, arr, hint, out);
      return InstanceRead(self, id, arr, hint, out);
    case kOwnerSelf: return InstanceRead(self, id, arr, hint, out);
    case kOwnerOther: return InstanceRead(other, id, arr, hint, out);
    case kOwnerGlobal: return GlobalRead(id, arr, hint, out);
    case kOwnerAll: {
      CInstance* inst = FirstLive(
          host, [&] { return host.RoomInstanceCount(); }, [&](int32_t i) { return host.RoomInstanceAt(i); });
      return inst && InstanceRead(inst, id, arr, hint, out);
    }
    default: break;
  }
  if (owner < 0) return false;  // noone, local (kept by the frames) and unnamed owners
  if (owner >= kFirstUserVarId) {
    CInstance* inst = host.InstanceById(owner);
    return inst && !host.IsMarked(inst) && InstanceRead(inst, id, arr, hint, out);
  }
  CInstance* inst = FirstLive(
      host, [&] { return host.ObjectInstanceCount(owner); },
      [&](int32_t i) { return host.ObjectInstanceAt(owner, i); });
  return inst && InstanceRead(inst, id, arr, hint, out);
}

bool OwnerWrite(CInstance* self, CInstance* other, int32_t owner, int32_t id, int32_t arr,
                int32_t& hint, const RValue& v) {
  ExecHost& host = GetExecHost();
  switch (owner) {
    case kOwnerUnqualified:
      if (GlobalVars().IsDeclared(id)) {
        GlobalWrite(id, arr, hint, v);
        return true;
      }
      return InstanceWrite(self, id, arr, hint, v);
    case kOwnerSelf: return InstanceWrite(self, id, arr, hint, v);
    case kOwnerOther: return InstanceWrite(other, id, arr, hint, v);
    case kOwnerGlobal: GlobalWrite(id, arr, hint, v); return true;
    case kOwnerAll:
      return WriteAll(
          host, [&] { return host.RoomInstanceCount(); }, [&](int32_t i) { return host.RoomInstanceAt(i); },
          id, arr, hint, v);
    default: break;
  }
  if (owner < 0) return false;
  if (owner >= kFirstUserVarId) {
    CInstance* inst = host.InstanceById(owner);
    if (!inst || host.IsMarked(inst)) return true;  // a vanished instance: nothing to do
    return InstanceWrite(inst, id, arr, hint, v);
  }
  return WriteAll(
      host, [&] { return host.ObjectInstanceCount(owner); },
      [&](int32_t i) { return host.ObjectInstanceAt(owner, i); }, id, arr, hint, v);
}

int32_t ArgumentSlotOf(int32_t id) noexcept {
  int32_t k = id - kArg0;
  return k >= 0 && k < kMaxFunctionArgs ? k : -1;
}

bool BuiltInRead(CInstance* inst, int32_t id, int32_t arr, RValue& out) {
  RArgumentState& a = Arguments();
  if (int32_t k = ArgumentSlotOf(id); k >= 0) {
    out = a.slots[k];
    return true;
  }
  if (id == kArgArray) {
    if (LanguageState().script_arg_errors && arr >= a.count) {
      ShowError("Illegal array index in script \"" + std::string(a.script_name) + "\".\r" +
                    "trying to access argument[" + std::to_string(arr) + "], but only " +
                    std::to_string(a.count) + " arguments have been supplied.",
                false);
      return false;
    }
    out = a.slots[ClampArgIndex(arr)];
    return true;
  }
  if (id == kArgCount) {
    out.SetReal(a.count);
    return true;
  }
  if (id == kArgRelative) {
    out.SetReal(a.relative);
    return true;
  }
  return GetExecHost().GetBuiltIn(inst, id, arr, out);
}

bool BuiltInWrite(CInstance* inst, int32_t id, int32_t arr, const RValue& v) {
  if (id < 0 || id >= BuiltInVarCount() || !BuiltInVar(id).writable) return false;
  RArgumentState& a = Arguments();
  if (int32_t k = ArgumentSlotOf(id); k >= 0) {
    a.slots[k] = v;
    a.Written(k);
    return true;
  }
  if (id == kArgArray) {
    const int32_t k = ClampArgIndex(arr);
    a.slots[k] = v;
    a.Written(k);
    return true;
  }
  return GetExecHost().SetBuiltIn(inst, id, arr, v);
}
