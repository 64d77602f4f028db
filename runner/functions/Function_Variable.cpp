// Built-in functions that reach variables by name at run time: the global store directly, and
// self's variables (built-in ones through their getters and setters).
#include <cstdint>
#include <string_view>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Code_Variable.h"
#include "runner/code/Variable_Class.h"
#include "runner/code/Variable_Main.h"
#include "runner/functions/Function_Families.h"

namespace {

// The encoded array index of one or two index arguments, or -1 after the message. Only the
// first failing index is reported, and a negative one is refused as well: it would otherwise
// reach a neighbouring element once the two indices are combined.
int32_t ArrayIndex(const RValue* index, int32_t count) {
  int32_t encoded = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int64_t v = RoundToInt64(index[i].val());
    if (v >= kArrayDim) {
      ShowActionError("Array index >= 32000", false);
      return -1;
    }
    if (v < 0) {
      ShowActionError("Negative array index", false);
      return -1;
    }
    encoded = encoded * kArrayDim + static_cast<int32_t>(v);
  }
  return encoded;
}

int32_t IdOf(const RValue& name) {
  return VarIdOfName(name.str());
}

bool UninitialisedAsZero() {
  return LanguageState().uninit_zero;
}

void GlobalGet(RValue* argv, int32_t indices, RValue& result) {
  const int32_t arr = ArrayIndex(argv + 1, indices);
  if (arr < 0) return;
  RValue v;
  if (GlobalVars().Get(IdOf(argv[0]), arr, v)) result = v;
}

void GlobalSet(RValue* argv, int32_t indices) {
  const int32_t arr = ArrayIndex(argv + 1, indices);
  if (arr < 0) return;
  GlobalVars().Set(IdOf(argv[0]), arr, argv[1 + indices]);
}

void LocalGet(CInstance* self, RValue* argv, int32_t indices, RValue& result) {
  const int32_t arr = ArrayIndex(argv + 1, indices);
  if (arr < 0 || !self) return;
  int32_t hint = -1;
  RValue v;
  if (InstanceRead(self, IdOf(argv[0]), arr, hint, v)) result = v;
}

// A read-only built-in variable refuses the write; that is not an error here.
void LocalSet(CInstance* self, RValue* argv, int32_t indices) {
  const int32_t arr = ArrayIndex(argv + 1, indices);
  if (arr < 0 || !self) return;
  int32_t hint = -1;
  InstanceWrite(self, IdOf(argv[0]), arr, hint, argv[1 + indices]);
}

void variable_global_exists(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  RValue v;
  result.SetReal(BoolReal(UninitialisedAsZero() || GlobalVars().Get(IdOf(argv[0]), 0, v)));
}

void variable_global_get(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  GlobalGet(argv, 0, result);
}
void variable_global_array_get(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  GlobalGet(argv, 1, result);
}
void variable_global_array2_get(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  GlobalGet(argv, 2, result);
}
void variable_global_set(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) { GlobalSet(argv, 0); }
void variable_global_array_set(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) { GlobalSet(argv, 1); }
void variable_global_array2_set(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) { GlobalSet(argv, 2); }

void variable_local_exists(CInstance* self, CInstance*, int32_t, RValue* argv, RValue& result) {
  int32_t hint = -1;
  RValue v;
  const bool found = self && InstanceRead(self, IdOf(argv[0]), 0, hint, v);
  result.SetReal(BoolReal(UninitialisedAsZero() || found));
}

void variable_local_get(CInstance* self, CInstance*, int32_t, RValue* argv, RValue& result) {
  LocalGet(self, argv, 0, result);
}
void variable_local_array_get(CInstance* self, CInstance*, int32_t, RValue* argv, RValue& result) {
  LocalGet(self, argv, 1, result);
}
void variable_local_array2_get(CInstance* self, CInstance*, int32_t, RValue* argv, RValue& result) {
  LocalGet(self, argv, 2, result);
}
void variable_local_set(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) { LocalSet(self, argv, 0); }
void variable_local_array_set(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  LocalSet(self, argv, 1);
}
void variable_local_array2_set(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  LocalSet(self, argv, 2);
}

constexpr RFunctionDef kVariableFunctions[] = {
    {"variable_global_exists", 1, variable_global_exists},
    {"variable_global_get", 1, variable_global_get},
    {"variable_global_array_get", 2, variable_global_array_get},
    {"variable_global_array2_get", 3, variable_global_array2_get},
    {"variable_global_set", 2, variable_global_set},
    {"variable_global_array_set", 3, variable_global_array_set},
    {"variable_global_array2_set", 4, variable_global_array2_set},
    {"variable_local_exists", 1, variable_local_exists},
    {"variable_local_get", 1, variable_local_get},
    {"variable_local_array_get", 2, variable_local_array_get},
    {"variable_local_array2_get", 3, variable_local_array2_get},
    {"variable_local_set", 2, variable_local_set},
    {"variable_local_array_set", 3, variable_local_array_set},
    {"variable_local_array2_set", 4, variable_local_array2_set},
};
}  // namespace

FunctionFamily VariableFunctions() {
  return kVariableFunctions;
}
