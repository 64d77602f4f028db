// The sprite and background handlers other families build on (the action functions).
#pragma once

#include <cstdint>

class CInstance;
class RValue;

void draw_background(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void draw_background_tiled(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void sprite_replace(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void sprite_replace_sprite(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void background_replace(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void background_replace_background(CInstance* self, CInstance* other, int32_t argc, RValue* argv,
                                   RValue& result);
