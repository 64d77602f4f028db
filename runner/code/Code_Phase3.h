// Compiler phase 3: the recursive-descent parser building the code tree from resolved tokens.
#pragma once

#include "runner/code/Code_Phase2.h"

class CCode;
struct CompileContext;
struct RCodeFaults;
struct RToken;

// Parses tokens as code's kind (program or expression) into nodes of code's arena.
// Null on failure, with the first error reported. With faults, a statement of a list that fails
// is handed over and left out, and parsing goes on at the next statement.
RToken* Parse(CCode& code, const RTokenList2& tokens, const CompileContext& ctx, RCodeFaults* faults = nullptr);
