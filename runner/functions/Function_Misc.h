// The event handlers other families build on (the action functions).
#pragma once

#include <cstdint>

class CInstance;
class RValue;

void event_inherited(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
