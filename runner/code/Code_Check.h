// Compiling for an author's eyes: going on past a fault to find the others in the same code,
// for tools that show every fault at once (gamebuild checks a project this way). A game never
// compiles like this; it sees the first fault as CCode::Compile reports it.
#pragma once

#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "runner/code/Code_Error.h"

class CCode;

// The most faults one code gives; past them the rest of the code is not checked (what follows
// a long run of faults is mostly their echo, and each takes its code's length to place).
inline constexpr size_t kMaxCodeFaults = 50;

// The faults found so far. Each phase raises a fault as always, hands it over with Take() and
// goes on while the list is not Full(); a fault raised again at the same place with the same
// words is kept once.
struct RCodeFaults {
  std::vector<RCodeError> list;
  void Take();
  bool Full() const { return list.size() >= kMaxCodeFaults; }

 private:
  std::set<std::pair<int32_t, std::string>> seen_;
};

// The function id an unknown name is given when compiling goes on past it: calls to it take
// any arguments, so the unknown name is its only fault.
inline constexpr int32_t kUnknownFunctionId = std::numeric_limits<int32_t>::min();

// Compiles code as CCode::Compile does, and when there is no fault leaves it compiled the same
// way. At a fault it goes on: past an unknown function or a text too long, at the next
// statement after a broken one, past an operation on constants that cannot be done. The faults
// come in the order of their places in the code; the first fault Compile would report is among
// them. Empty when the code compiles. After kMaxCodeFaults a last entry says the rest is unchecked.
std::vector<RCodeError> CompileEveryFault(CCode& code);
