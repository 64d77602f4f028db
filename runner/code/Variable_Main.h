// The variables of a game: the variable name table (name <-> id) and the global variable store
// with its declared-global flags and saved-game format.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runner/base/Game.h"
#include "runner/code/Variable_Class.h"

class CStream;

inline constexpr int32_t kFirstUserVarId = 100000;

// Built-in id for a built-in name; otherwise the user id, adding the name when it is new.
int32_t VarIdOfName(std::string_view name);
// Built-in name, table entry, "<unknown built-in variable>" or "<unknown variable>".
std::string VarNameOfId(int32_t id);
int32_t UserVarCount();

// The global store: variables reached through global. or declared with globalvar.
class CGlobalVars {
 public:
  void Reset();
  void Declare(int32_t id);
  bool IsDeclared(int32_t id) const noexcept {
    int64_t i = static_cast<int64_t>(id) - kFirstUserVarId;
    return i >= 0 && i < static_cast<int64_t>(flags_.size()) && flags_[static_cast<size_t>(i)];
  }
  void Set(int32_t id, int32_t arr_ind, const RValue& v) { list_.SetVar(id, arr_ind, v); }
  bool Get(int32_t id, int32_t arr_ind, RValue& v) const { return list_.GetVar(id, arr_ind, v); }
  void SaveToStream(CStream& str) const;
  // Throws StreamError on damaged data and then leaves the store unchanged.
  void LoadFromStream(CStream& str);

  CVariableList& List() { return list_; }
  const CVariableList& List() const { return list_; }
  int32_t FlagCount() const { return static_cast<int32_t>(flags_.size()); }

 private:
  CVariableList list_;
  std::vector<bool> flags_ = std::vector<bool>(10000, false);
};

struct RVariablesState {
  static constexpr EGameSlot kSlot = EGameSlot::Variables;
  // Looks names up by string_view without building a string per lookup.
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
  };
  // User variable names by id - kFirstUserVarId; ids are given as code compiles and stay for
  // the whole game, since compiled code holds them.
  std::vector<std::string> names;
  std::unordered_map<std::string, int32_t, NameHash, std::equal_to<>> ids;
  CGlobalVars globals;
};
inline RVariablesState& VariablesState() { return TheGame().State<RVariablesState>(); }

inline CGlobalVars& GlobalVars() { return VariablesState().globals; }
