// Getters and setters of the built-in variables by id. The unit that owns each variable's
// state attaches them at start-up; an id without a getter reads as missing and one without a
// setter refuses writes.
#pragma once

#include <cstdint>
#include <string_view>

class CInstance;
class RValue;

// arr is the encoded array index; instance is the one the access goes through.
using BuiltInGetter = bool (*)(CInstance* inst, int32_t arr, RValue& out);
using BuiltInSetter = bool (*)(CInstance* inst, int32_t arr, const RValue& v);

// Attaches handlers to the built-in variable of that name; false when there is none.
bool SetBuiltInAccess(std::string_view name, BuiltInGetter getter, BuiltInSetter setter);
// Reads through the getter; false when there is none or it reports the value missing.
bool ReadBuiltIn(CInstance* inst, int32_t id, int32_t arr, RValue& out);
// Writes through the setter; false for read-only variables, ids without a setter, or a refusal.
bool WriteBuiltIn(CInstance* inst, int32_t id, int32_t arr, const RValue& v);

// The direct form of a variable whose value is always a real and which never refuses an
// instance: the interpreter binds it to the nodes that name the variable without an index, so
// a read of x loads the field instead of passing through the host and the getter. Both must
// do what the getter and setter do at index 0; inst is never null.
using BuiltInRealGetter = double (*)(CInstance* inst);
using BuiltInRealSetter = void (*)(CInstance* inst, double v);
struct RBuiltInDirect {
  BuiltInRealGetter get = nullptr;  // null: the variable has no direct form
  BuiltInRealSetter set = nullptr;  // null for read-only variables
};
// Attaches the direct form; attaching handlers again (SetBuiltInAccess) drops it.
bool SetBuiltInDirect(std::string_view name, BuiltInRealGetter getter, BuiltInRealSetter setter);
// The direct forms by id (kMaxBuiltInVars entries), which the runtime's host hands to the
// interpreter: they reach into the runtime's instances, so no other host may use them.
const RBuiltInDirect* BuiltInDirectTable();
