// Variable name table and global store; see Variable_Main.h.
#include "runner/code/Variable_Main.h"

#include "runner/code/Variable_BuiltIn.h"

int32_t VarIdOfName(std::string_view name) {
  int32_t b = BuiltInVarId(name);
  if (b >= 0) return b;
  RVariablesState& t = VariablesState();
  auto it = t.ids.find(name);
  if (it != t.ids.end()) return it->second;
  int32_t id = kFirstUserVarId + static_cast<int32_t>(t.names.size());
  t.names.emplace_back(name);
  t.ids.emplace(std::string(name), id);
  return id;
}

std::string VarNameOfId(int32_t id) {
  if (id < kFirstUserVarId) return std::string(BuiltInVarName(id));
  const RVariablesState& t = VariablesState();
  size_t i = static_cast<size_t>(id - kFirstUserVarId);
  if (i >= t.names.size()) return "<unknown variable>";
  return t.names[i];
}

int32_t UserVarCount() { return static_cast<int32_t>(VariablesState().names.size()); }

void CGlobalVars::Reset() {
  list_.Clear();
  flags_.assign(10000, false);
}

void CGlobalVars::Declare(int32_t id) {
  if (id < kFirstUserVarId) return;
  size_t i = static_cast<size_t>(id - kFirstUserVarId);
  if (i >= flags_.size()) flags_.resize(static_cast<size_t>(id) - 99000, false);
  flags_[i] = true;
  list_.Init(id);
}
