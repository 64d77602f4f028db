// Compiler phase 4: rewriting the tree (locals, simple variables) and folding constant operations.
#pragma once

class CCode;
struct RToken;

// Rewrites root in place; false after reporting the first error.
bool RewriteAndFold(const CCode& code, RToken* root);
