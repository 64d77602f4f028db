// The text handlers other families build on (the action functions).
#pragma once

#include <cstdint>

class CInstance;
class RValue;

void draw_set_font(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
// Draws a value as text: strings as they are, whole reals without decimals, others with two.
void draw_text(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void draw_text_transformed(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
