// Built-in functions that give transition kinds to the game's own scripts and ask which kinds
// exist.
#include <string>

#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/graphics/Graphics_Transition.h"

namespace {
using Args = RValue*;

void transition_define(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r = RValue(Transition_Define(RoundToInt32(a[0].val()), std::string(a[1].str())) ? 1.0 : 0.0);
}
void transition_exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r = RValue(Transition_Valid(RoundToInt32(a[0].val())) ? 1.0 : 0.0);
}

constexpr RFunctionDef kTransitionFunctions[] = {
    {"transition_define", 2, transition_define},
    {"transition_exists", 1, transition_exists},
};
}  // namespace

FunctionFamily TransitionFunctions() { return kTransitionFunctions; }
