// The registry of built-in functions: filled once at start-up from static per-family tables
// of name, argument count and handler; a function's id is its position.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class CInstance;
class RValue;

inline constexpr int32_t kMaxFunctionArgs = 16;
inline constexpr int32_t kScriptIdBase = 100000;
inline constexpr int32_t kExtensionIdBase = 500000;
inline constexpr int32_t kArgsAny = -1;      // any number from 0 to 16
inline constexpr int32_t kNoFunction = -100;

// A handler always returns; it reports its own problems through ShowActionError and leaves a
// result that starts as the real 0. argv holds argc meaningful values.
using TRoutine = void (*)(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);

struct RFunction {
  std::string f_name;  // at most 64 bytes
  TRoutine f_routine = nullptr;
  int32_t f_argnumb = 0;
};

// One row of a family's static table.
struct RFunctionDef {
  const char* name;
  int32_t argnumb;
  TRoutine routine;
};

// A family's table; the registration order of families fixes the ids.
using FunctionFamily = std::span<const RFunctionDef>;

// Registers every family (idempotent). A duplicate name is a programming error: start-up fails
// with std::logic_error naming it.
void InitFunctions();
// Appends one family; InitFunctions calls it for each, tests may add their own.
void RegisterFamily(FunctionFamily family);

int32_t FunctionCount();
const RFunction* FunctionAt(int32_t id);  // null outside the registry
// Built-in functions only; scripts and extension functions are found by the compile context.
bool FindBuiltinFunction(std::string_view name, int32_t& id);
