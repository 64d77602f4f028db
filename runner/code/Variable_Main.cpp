// Variable name table and global store; see Variable_Main.h.
#include "runner/code/Variable_Main.h"

#include <functional>
#include <unordered_map>

#include "runner/code/Variable_BuiltIn.h"

namespace {
// Looks names up by string_view without building a string per lookup.
struct NameHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

struct NameTable {
  std::vector<std::string> names;
  std::unordered_map<std::string, int32_t, NameHash, std::equal_to<>> ids;
};

NameTable& Names() {
  static NameTable t;
  return t;
}
}  // namespace

int32_t VarIdOfName(std::string_view name) {
  int32_t b = BuiltInVarId(name);
  if (b >= 0) return b;
  NameTable& t = Names();
  auto it = t.ids.find(name);
  if (it != t.ids.end()) return it->second;
  int32_t id = kFirstUserVarId + static_cast<int32_t>(t.names.size());
  t.names.emplace_back(name);
  t.ids.emplace(std::string(name), id);
  return id;
}

std::string VarNameOfId(int32_t id) {
  if (id < kFirstUserVarId) return std::string(BuiltInVarName(id));
  const NameTable& t = Names();
  size_t i = static_cast<size_t>(id - kFirstUserVarId);
  if (i >= t.names.size()) return "<unknown variable>";
  return t.names[i];
}

int32_t UserVarCount() { return static_cast<int32_t>(Names().names.size()); }

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

CGlobalVars& GlobalVars() {
  static CGlobalVars g;
  return g;
}
