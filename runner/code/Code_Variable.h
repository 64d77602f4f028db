// Reading and writing variables through their owners (self, other, all, noone, global, objects,
// instance ids), array elements of a variable record, and the argument built-in variables.
// Locals live in the interpreter's frames and are handled there.
#pragma once

#include <cstdint>

#include "runner/code/Variable_Class.h"

class CInstance;

// Built-in variables are ids below this; user variables start at kFirstUserVarId.
inline constexpr int32_t kBuiltInVarLimit = 10000;

// The element arr of a variable record: null when it lies outside the stored rows and columns.
RValue* ElementFind(RVariable& v, int32_t arr) noexcept;
void ElementWrite(RVariable& v, int32_t arr, const RValue& val);

// Instance access: built-ins through their getter or setter, user variables in the
// instance's own list; hint is a caller-kept position guess for the list.
bool InstanceRead(CInstance* inst, int32_t id, int32_t arr, int32_t& hint, RValue& out);
bool InstanceWrite(CInstance* inst, int32_t id, int32_t arr, int32_t& hint, const RValue& v);
// The stored user-variable element, or null (built-ins, missing variable or element).
RValue* InstanceElement(CInstance* inst, int32_t id, int32_t arr, int32_t& hint);

// Reads by owner value (every owner but local); false when the read finds nothing, before
// the "treat uninitialised variables as 0" setting is applied.
bool OwnerRead(CInstance* self, CInstance* other, int32_t owner, int32_t id, int32_t arr,
               int32_t& hint, RValue& out);
// Writes by owner value; false when the write fails ("Cannot assign to the variable").
bool OwnerWrite(CInstance* self, CInstance* other, int32_t owner, int32_t id, int32_t arr,
                int32_t& hint, const RValue& v);

// Built-in variables: the argument ones here, every other one through the host.
bool BuiltInRead(CInstance* inst, int32_t id, int32_t arr, RValue& out);
bool BuiltInWrite(CInstance* inst, int32_t id, int32_t arr, const RValue& v);
// Whether id is argument0..15 (and which), for the interpreter's direct slot access.
int32_t ArgumentSlotOf(int32_t id) noexcept;  // -1 when it is not
