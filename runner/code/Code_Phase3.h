// Compiler phase 3: the recursive-descent parser building the code tree from resolved tokens.
#pragma once

#include "runner/code/Code_Phase2.h"

class CCode;
struct CompileContext;
struct RToken;

// Parses tokens as code's kind (program or expression) into nodes of code's arena.
// Null on failure, with the first error reported.
RToken* Parse(CCode& code, const RTokenList2& tokens, const CompileContext& ctx);
