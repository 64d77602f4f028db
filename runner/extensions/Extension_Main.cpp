// The game's extension packages: the chunk, their preparation, their initialisation and
// finalisation calls, and the calls of their functions from game code and actions.
#include "runner/extensions/Extension_Main.h"

#include "runner/base/Option_Main.h"
#include "runner/base/Runner_Process.h"
#include "runner/base/Support_Stream.h"
#include "runner/code/Code_Constant.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/run/Run_Hooks.h"

namespace {

RExtensionsState::RIdEntry* Entry(int32_t id) {
  std::vector<RExtensionsState::RIdEntry>& ids = ExtensionsState().ids;
  return id >= 0 && id < static_cast<int32_t>(ids.size()) ? &ids[static_cast<size_t>(id)] : nullptr;
}

// A game-code function runs like a script: its own argument slots, argument_count and name.
bool CallGameCode(RExtensionsState::RIdEntry& e, CInstance* self, CInstance* other, RValue& result, RValue* args,
                  int32_t argc) {
  if (!CanNestExecution()) {
    SetCodeErrorMessage(kMsgNestingTooDeep);
    return false;
  }
  if (argc < 0) argc = 0;
  if (argc > kMaxFunctionArgs) argc = kMaxFunctionArgs;
  ArgumentSlotsScope slots;
  for (int32_t i = 0; i < argc; ++i) Arguments().slots[i] = std::move(args[i]);
  RArgumentState& a = Arguments();
  const int32_t saved_count = a.count;
  const std::string_view saved_name = a.script_name;
  a.count = argc;
  a.script_name = e.function->s_name;
  result.SetReal(0.0);
  const bool ok = ExecuteForValue(self, other, *e.program, result);
  a.count = saved_count;
  a.script_name = saved_name;
  if (!ok) PrefixCodeError("In extension function " + e.function->s_name + ":\r");
  return ok;
}

// The initialisation or finalisation calls, package by package, file by file.
bool CallPackageHooks(std::string CExtensionFile::*which, const char* missing) {
  for (const CExtensionPackage& p : ExtensionsState().packages)
    for (const CExtensionFile& f : p.s_includes) {
      const std::string& name = f.*which;
      if (name.empty()) continue;
      if (SecureMode()) {
        ShowError(kMsgSecureNoPackages, true);
        return false;
      }
      int32_t id = -1;
      for (const CExtensionFunction& fn : f.s_functions)
        if (fn.s_name == name) {
          id = fn.s_id;
          break;
        }
      if (id < 0) {
        ShowError(missing + name, true);
        return false;
      }
      ExecHost& host = GetExecHost();
      CInstance* temp = host.CreateTempInstance();
      RValue result;
      const bool ok = CallExtension(id, temp, temp, result, nullptr, 0);
      if (temp) host.DestroyTempInstance(temp);
      if (!ok) {
        const std::string message = CodeError().message;
        ClearCodeError();
        ShowError(message, true);
        return false;
      }
    }
  return true;
}

}  // namespace

bool LoadExtensionPackages(CStream& s) {
  RExtensionsState& state = ExtensionsState();
  state.packages.clear();
  if (s.ReadInteger() != kExtensionRecordVersion) return false;
  const int32_t count = s.ReadInteger();
  if (count < 0 || count > (s.GetSize() - s.GetPosition()) / 4) return false;
  std::vector<CExtensionPackage> packages(static_cast<size_t>(count));
  for (CExtensionPackage& p : packages) {
    if (!p.LoadFromStream(s, GetTempDirectory())) return false;
    for (const CExtensionFile& f : p.s_includes)
      for (const CExtensionFunction& fn : f.s_functions)
        if (fn.s_id < 0 || fn.s_id > kMaxExtensionFunctionId) return false;
  }
  state.packages = std::move(packages);
  return true;
}

bool PrepareExtensionPackages() {
  RExtensionsState& state = ExtensionsState();
  for (const CExtensionPackage& p : state.packages)
    for (const CExtensionFile& f : p.s_includes)
      for (const CExtensionConstant& c : f.s_constants) DefineConstantFromText(c.s_name, c.s_value);

  int32_t largest = -1;
  for (const CExtensionPackage& p : state.packages)
    for (const CExtensionFile& f : p.s_includes)
      for (const CExtensionFunction& fn : f.s_functions) largest = std::max(largest, fn.s_id);
  state.ids.clear();
  state.ids.resize(static_cast<size_t>(largest + 1));

  const std::string temp = GetTempDirectory();
  for (CExtensionPackage& p : state.packages)
    for (CExtensionFile& f : p.s_includes)
      for (CExtensionFunction& fn : f.s_functions) {
        RExtensionsState::RIdEntry& e = state.ids[static_cast<size_t>(fn.s_id)];
        if (!e.function) e.function = &fn;
        if (f.s_kind == CExtensionFile::kDll) {
          // Opening a library runs its constructors: in secure mode none is opened at all.
          if (SecureMode()) continue;
          int32_t types[17];
          for (int32_t i = 0; i < 17; ++i) types[i] = fn.s_argtype[static_cast<size_t>(i)] == 1 ? kExternalString : 0;
          const std::string file = temp + "/" + p.s_folder + "/" + f.s_filename;
          e.external = state.externals.Define(file, file, fn.s_extname, fn.s_kind == 12 ? 0 : kExternalStdcall,
                                              fn.s_returntype == 1 ? kExternalString : 0, types, fn.s_argcount);
        } else if (f.s_kind == CExtensionFile::kGameCode && !fn.s_script.empty()) {
          auto code = std::make_unique<CCode>(fn.s_script, false);
          fn.s_script.clear();
          if (!code->Compile()) {
            const std::string message = "COMPILATION ERROR in extension package " + p.s_name + "\r" + CodeError().message;
            ClearCodeError();
            ShowError(message, true);
            return false;
          }
          e.program = std::move(code);
        }
      }
  return true;
}

bool InitializeExtensionPackages() {
  return CallPackageHooks(&CExtensionFile::s_init, "Could not locate initialization function ");
}

bool FinalizeExtensionPackages() {
  return CallPackageHooks(&CExtensionFile::s_final, "Could not locate finalization function ");
}

int32_t FindExtensionFunction(std::string_view name) {
  for (const CExtensionPackage& p : ExtensionsState().packages)
    for (const CExtensionFile& f : p.s_includes)
      for (const CExtensionFunction& fn : f.s_functions)
        if (fn.s_name == name) return fn.s_id;
  return -1;
}

int32_t ExtensionFunctionArgCount(int32_t id) {
  for (const CExtensionPackage& p : ExtensionsState().packages)
    for (const CExtensionFile& f : p.s_includes)
      for (const CExtensionFunction& fn : f.s_functions)
        if (fn.s_id == id) return fn.s_argcount;
  return kNoFunction;
}

std::string ExtensionFunctionName(int32_t id) {
  for (const CExtensionPackage& p : ExtensionsState().packages)
    for (const CExtensionFile& f : p.s_includes)
      for (const CExtensionFunction& fn : f.s_functions)
        if (fn.s_id == id) return fn.s_name;
  return "<extension function " + std::to_string(id) + ">";
}

bool CallExtension(int32_t id, CInstance* self, CInstance* other, RValue& result, RValue* args, int32_t argc) {
  result.SetReal(0.0);
  RExtensionsState::RIdEntry* e = Entry(id);
  if (!e) return false;
  if (SecureMode()) {
    SetCodeErrorMessage(kMsgSecureNoPackages);
    return false;
  }
  if (e->program) return CallGameCode(*e, self, other, result, args, argc);
  std::string why_not;
  if (!ExtensionsState().externals.Call(e->external, args, argc, result, &why_not)) WriteTrace(why_not);
  return true;
}

void StartExtensions() {
  RunnerCompileContext& context = TheRunnerCompileContext();
  context.extensions = [](std::string_view name, int32_t& id) {
    id = FindExtensionFunction(name);
    return id >= 0;
  };
  context.extension_args = ExtensionFunctionArgCount;
  context.extension_name = ExtensionFunctionName;
  context.extension_call = CallExtension;
  RunHooks().initExtensions = InitializeExtensionPackages;
  RunHooks().finalizeExtensions = FinalizeExtensionPackages;
}

void ShutdownExtensions() {
  if (TheGame().Has<RExtensionsState>()) ExtensionsState().externals.FreeAll();
}
