// The interaction functions other families build on: the action functions move, test places
// and change instances exactly as the functions games call from code do.
#pragma once

#include <cstdint>

class CInstance;
class RValue;

// False, with the nesting message, when events may not nest any deeper.
bool CanRunEvents();
void MoveContact(CInstance* self, double dir, double maxdist, bool solidonly);
void Bounce(CInstance* self, bool advanced, bool solidonly);

// Handlers, called with the arguments their functions take.
void instance_number(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void instance_change(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void place_meeting(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void place_snapped(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void move_snap(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void move_random(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void move_towards_point(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void position_destroy(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
void F_sleep(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);
