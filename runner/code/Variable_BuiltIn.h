// The table of built-in variable names (ids 0..499): name, id, array form and writability.
// Getters and setters are attached by the runtime; the compiler needs only the names.
#pragma once

#include <cstdint>
#include <string_view>

struct RBuiltInVar {
  std::string_view name;
  bool is_array;
  bool writable;
};

inline constexpr int32_t kMaxBuiltInVars = 500;

int32_t BuiltInVarCount();
// Ids below this belong to an instance (x, speed, alarm...); the ones from it on are the
// arguments of the running code and the game-wide variables.
int32_t BuiltInInstanceVarCount();
const RBuiltInVar& BuiltInVar(int32_t id);  // id in 0..BuiltInVarCount()-1
// Id of a built-in name, or -1.
int32_t BuiltInVarId(std::string_view name);
// The name, or "<unknown built-in variable>".
std::string_view BuiltInVarName(int32_t id);

// Ids the compiler needs for its argument bookkeeping.
int32_t BuiltInArgument0Id();  // argument0; argument1..15 follow it
int32_t BuiltInArgumentArrayId();  // argument
