// Compiler phase 2: name resolution, turning identifiers, numbers and strings into function,
// constant and variable tokens.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "runner/code/Code_Phase1.h"
#include "runner/code/Variable_Class.h"

class CCode;
struct CompileContext;
struct RCodeFaults;

struct RToken2 {
  int32_t symbol = 0;  // sym::kConst, kFunction, kVariable, or the raw keyword/operator code
  int32_t ind = 0;     // function id or variable id
  RValue val;          // constant value
  int32_t position = 0;
};

using RTokenList2 = std::vector<RToken2>;

struct RResolveInfo {
  int32_t max_arg = -1;  // highest N of argumentN named
  bool arg_array = false;
};

// With faults, an unknown function (kUnknownFunctionId) or a text too long is handed over and
// resolving goes on.
bool Resolve(const CCode& code, const RTokenList1& in, const CompileContext& ctx, RTokenList2& out,
             RResolveInfo& info, RCodeFaults* faults = nullptr);

// Value of a number token's text: $hex, or decimal digits where dots after the first are skipped.
double NumberValue(std::string_view text);
