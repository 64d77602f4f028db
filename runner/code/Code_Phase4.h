// Compiler phase 4: rewriting the tree (locals, simple variables) and folding constant operations.
#pragma once

#include <cstdint>

class CCode;
struct RToken;
struct RCodeFaults;

// Longest text folding builds from a repetition; longer ones are built when the code runs.
inline constexpr uint64_t kMaxFoldedTextBytes = 4096;

// Rewrites root in place; false after reporting the first error. With faults, an operation that
// cannot be folded is handed over and left to run.
bool RewriteAndFold(const CCode& code, RToken* root, RCodeFaults* faults = nullptr);
