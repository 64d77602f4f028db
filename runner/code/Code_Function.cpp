// Built-in function registry; see Code_Function.h.
#include "runner/code/Code_Function.h"

#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "runner/functions/Function_Families.h"

namespace {
struct Registry {
  std::vector<RFunction> functions;
  std::unordered_map<std::string, int32_t> by_name;  // compile time only, never on a hot path
  bool initialised = false;
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}
}  // namespace

void RegisterFamily(FunctionFamily family) {
  Registry& r = TheRegistry();
  for (const RFunctionDef& def : family) {
    std::string name(def.name);
    if (name.size() > 64) name.resize(64);
    if (r.by_name.count(name)) throw std::logic_error("built-in function registered twice: " + name);
    r.by_name.emplace(name, static_cast<int32_t>(r.functions.size()));
    r.functions.push_back(RFunction{std::move(name), def.routine, def.argnumb});
  }
}

void InitFunctions() {
  Registry& r = TheRegistry();
  if (r.initialised) return;
  r.initialised = true;
  for (FunctionFamily family : AllFunctionFamilies()) RegisterFamily(family);
}

int32_t FunctionCount() { return static_cast<int32_t>(TheRegistry().functions.size()); }

const RFunction* FunctionAt(int32_t id) {
  const Registry& r = TheRegistry();
  if (id < 0 || id >= static_cast<int32_t>(r.functions.size())) return nullptr;
  return &r.functions[static_cast<size_t>(id)];
}

bool FindBuiltinFunction(std::string_view name, int32_t& id) {
  const Registry& r = TheRegistry();
  auto it = r.by_name.find(std::string(name));
  id = it == r.by_name.end() ? -1 : it->second;
  return it != r.by_name.end();
}
