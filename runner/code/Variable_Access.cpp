// Built-in variable handler table; see Variable_Access.h.
#include "runner/code/Variable_Access.h"

#include "runner/code/Variable_BuiltIn.h"

namespace {
struct Handlers {
  BuiltInGetter get = nullptr;
  BuiltInSetter set = nullptr;
};
// Filled once at start-up by the runtime. The direct forms stay an array of their own because the
// host hands that array to the interpreter as it is.
struct AccessTable {
  Handlers handlers[kMaxBuiltInVars];
  RBuiltInDirect direct[kMaxBuiltInVars];
};
AccessTable g_access;

const Handlers* At(int32_t id) { return id >= 0 && id < BuiltInVarCount() ? &g_access.handlers[id] : nullptr; }
}  // namespace

bool SetBuiltInAccess(std::string_view name, BuiltInGetter getter, BuiltInSetter setter) {
  const int32_t id = BuiltInVarId(name);
  if (id < 0) return false;
  g_access.handlers[id] = {getter, BuiltInVar(id).writable ? setter : nullptr};
  g_access.direct[id] = {};
  return true;
}

bool ReadBuiltIn(CInstance* inst, int32_t id, int32_t arr, RValue& out) {
  const Handlers* h = At(id);
  return h && h->get && h->get(inst, arr, out);
}

bool WriteBuiltIn(CInstance* inst, int32_t id, int32_t arr, const RValue& v) {
  const Handlers* h = At(id);
  return h && h->set && h->set(inst, arr, v);
}

bool SetBuiltInDirect(std::string_view name, BuiltInRealGetter getter, BuiltInRealSetter setter) {
  const int32_t id = BuiltInVarId(name);
  if (id < 0) return false;
  g_access.direct[id] = {getter, BuiltInVar(id).writable ? setter : nullptr};
  return true;
}

const RBuiltInDirect* BuiltInDirectTable() { return g_access.direct; }
