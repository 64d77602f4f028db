// The game handlers other families build on (the action functions).
#pragma once

#include <cstdint>

class CInstance;
class RValue;

// Takes the input that has arrived, then forgets every key and button state.
void io_clear(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
