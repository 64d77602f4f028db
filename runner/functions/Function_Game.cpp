// Built-in game functions: errors a game raises itself for now; the rest of the game and
// dialog functions join this unit.
#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"

namespace {
void show_error(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  ShowActionError(argv[0].str(), IsTrue(argv[1].val()));
}

constexpr RFunctionDef kGameFunctions[] = {
    {"show_error", 2, show_error},
};
}  // namespace

FunctionFamily GameFunctions() { return kGameFunctions; }
