// Built-in functions that bind and call native functions of external libraries. The calling
// convention a game asks for is recorded but selects nothing on a machine with one C calling
// convention (x86-64, arm64); on 32-bit x86 it chooses stdcall or cdecl.
#include "runner/extensions/Function_External.h"

#include <cstdint>

#include "runner/base/Option_Main.h"
#include "runner/code/Code_Error.h"
#include "runner/extensions/Extension_Main.h"

namespace {

constexpr const char* kMsgSecure = "In secure mode you cannot use DLLs";

bool Refused() {
  if (!SecureMode()) return false;
  ShowActionError(kMsgSecure, false);
  return true;
}

int32_t TypeOf(const RValue& v) { return v.IsReal() && v.val() == 1.0 ? kExternalString : 0; }

void Define(std::string_view dll, std::string_view name, int32_t calltype, int32_t restype, const int32_t* types,
            int32_t argnumb, RValue& result) {
  const int32_t position =
      ExtensionsState().externals.Define(dll, dll, name, calltype, restype, types, argnumb);
  if (position < 0) ShowActionError("Error defining an external function.", false);
  result.SetReal(position);
}

void Call(int32_t argc, RValue* argv, RValue& result) {
  if (argc < 1) return;
  std::string why_not;
  ExtensionsState().externals.Call(RoundToInt32(argv[0].val()), argv + 1, argc - 1, result, &why_not);
}

void F_ExternalDefine(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) {
  if (Refused()) return;
  if (argc < 5 || argc != RoundToInt32(argv[4].val()) + 5) {
    ShowActionError("Wrong number of arguments to external_define()", false);
    return;
  }
  const int32_t argnumb = argc - 5;
  if (argnumb > kMaxExternalArgs) {
    ShowActionError("DLL functions can have at most 16 arguments", false);
    return;
  }
  int32_t types[kMaxExternalArgs] = {};
  for (int32_t i = 0; i < argnumb; ++i) {
    if (argnumb > 4 && !(argv[5 + i].IsReal() && argv[5 + i].val() == 0.0)) {
      ShowActionError("DLL functions with more than 4 arguments cannot have string arguments", false);
      return;
    }
    types[i] = TypeOf(argv[5 + i]);
  }
  const int32_t calltype = RoundToInt32(argv[2].val()) == kExternalStdcall ? kExternalStdcall : 0;
  Define(argv[0].str(), argv[1].str(), calltype, TypeOf(argv[3]), types, argnumb, result);
}

void F_ExternalCall(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) {
  if (Refused()) return;
  Call(argc, argv, result);
}

void F_ExternalFree(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) {
  if (Refused()) return;
  ExtensionsState().externals.Free(argv[0].str());
}

void F_GetFunctionAddress(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) {
  if (Refused()) return;
  int32_t id = -1;
  const RFunction* f = FindBuiltinFunction(argv[0].str(), id) ? FunctionAt(id) : nullptr;
  // User-space addresses stay below 2^47, which a double holds exactly.
  result.SetReal(f && f->f_routine ? static_cast<double>(reinterpret_cast<uintptr_t>(f->f_routine)) : -1.0);
}

// external_defineN for N = 0 ... 4: dll, name, N argument types, result type; always cdecl.
template <int N>
void F_ExternalDefineTyped(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) {
  if (Refused()) return;
  int32_t types[kMaxExternalArgs] = {};
  for (int32_t i = 0; i < N; ++i) types[i] = TypeOf(argv[2 + i]);
  Define(argv[0].str(), argv[1].str(), 0, TypeOf(argv[2 + N]), types, N, result);
}

// external_defineN for N = 5 ... 8: dll, name, result type; N reals, always cdecl.
template <int N>
void F_ExternalDefineReals(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) {
  if (Refused()) return;
  int32_t types[kMaxExternalArgs] = {};
  Define(argv[0].str(), argv[1].str(), 0, TypeOf(argv[2]), types, N, result);
}

// external_callN: id and exactly N arguments (the registry holds the count).
void F_ExternalCallN(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) {
  if (Refused()) return;
  Call(argc, argv, result);
}

constexpr RFunctionDef kExternalFunctions[] = {
    {"external_define", kArgsAny, F_ExternalDefine},
    {"external_call", kArgsAny, F_ExternalCall},
    {"external_free", 1, F_ExternalFree},
    {"get_function_address", 1, F_GetFunctionAddress},
    {"external_define0", 3, F_ExternalDefineTyped<0>},
    {"external_call0", 1, F_ExternalCallN},
    {"external_define1", 4, F_ExternalDefineTyped<1>},
    {"external_call1", 2, F_ExternalCallN},
    {"external_define2", 5, F_ExternalDefineTyped<2>},
    {"external_call2", 3, F_ExternalCallN},
    {"external_define3", 6, F_ExternalDefineTyped<3>},
    {"external_call3", 4, F_ExternalCallN},
    {"external_define4", 7, F_ExternalDefineTyped<4>},
    {"external_call4", 5, F_ExternalCallN},
    {"external_define5", 3, F_ExternalDefineReals<5>},
    {"external_call5", 6, F_ExternalCallN},
    {"external_define6", 3, F_ExternalDefineReals<6>},
    {"external_call6", 7, F_ExternalCallN},
    {"external_define7", 3, F_ExternalDefineReals<7>},
    {"external_call7", 8, F_ExternalCallN},
    {"external_define8", 3, F_ExternalDefineReals<8>},
    {"external_call8", 9, F_ExternalCallN},
};

}  // namespace

FunctionFamily ExternalFunctions() { return kExternalFunctions; }
