// The screen handlers other families build on (the action functions).
#pragma once

#include <cstdint>

class CInstance;
class RValue;

void screen_redraw(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void screen_save(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
