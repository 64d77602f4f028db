// Built-in variable handler table; see Variable_Access.h.
#include "runner/code/Variable_Access.h"

#include "runner/code/Variable_BuiltIn.h"

namespace {
struct Handlers {
  BuiltInGetter get = nullptr;
  BuiltInSetter set = nullptr;
};
Handlers g_handlers[kMaxBuiltInVars];
RBuiltInDirect g_direct[kMaxBuiltInVars];

const Handlers* At(int32_t id) { return id >= 0 && id < BuiltInVarCount() ? &g_handlers[id] : nullptr; }
}  // namespace

bool SetBuiltInAccess(std::string_view name, BuiltInGetter getter, BuiltInSetter setter) {
  const int32_t id = BuiltInVarId(name);
  if (id < 0) return false;
  g_handlers[id] = {getter, BuiltInVar(id).writable ? setter : nullptr};
  g_direct[id] = {};
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
  g_direct[id] = {getter, BuiltInVar(id).writable ? setter : nullptr};
  return true;
}

const RBuiltInDirect* BuiltInDirectTable() { return g_direct; }
