// Running one action for a self and an other instance: argument values, function calls, code,
// and the answer of a question.
#pragma once

#include <cstdint>

class CAction;
class CInstance;
class RValue;

// Runs a normal action once.
void ExecuteAction(CAction& act, CInstance* self, CInstance* other);
// Runs a question once and returns its answer (inverted by the not option).
bool EvaluateAction(CAction& act, CInstance* self, CInstance* other);
// The value of argument i: its constant, or its expression run for self and other (a failure
// is shown and yields what the expression left).
RValue ActionArgument(CAction& act, int32_t i, CInstance* self, CInstance* other);
