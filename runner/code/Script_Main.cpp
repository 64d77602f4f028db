// The script table, script calls and the library initialisation code; see Script_Main.h.
#include "runner/code/Script_Main.h"

#include <memory>
#include <string>
#include <vector>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/base/Game.h"
#include "runner/base/Load_Chunks.h"
#include "runner/base/Support_Stream.h"

namespace {
std::vector<std::string>& LibraryTexts() { return TheGame().State<RScriptsState>().library_texts; }

// Saves argument_count and the script name; puts them back on every path.
class ScriptArgumentsScope {
 public:
  ScriptArgumentsScope() : count_(Arguments().count), name_(Arguments().script_name) {}
  ~ScriptArgumentsScope() {
    Arguments().count = count_;
    Arguments().script_name = name_;
  }
  ScriptArgumentsScope(const ScriptArgumentsScope&) = delete;
  ScriptArgumentsScope& operator=(const ScriptArgumentsScope&) = delete;

 private:
  int32_t count_;
  std::string_view name_;
};
}  // namespace

TResourceList<CScript>& Scripts() { return TheGame().State<RScriptsState>().scripts; }

bool LoadScripts(CStream& str) {
  Scripts().Clear();
  if (str.ReadInteger() != kScriptsChunkVersion) return false;
  int32_t count = str.ReadInteger();
  if (count < 0) return false;
  // Every slot is a block of at least four bytes, so a false count runs into the end of the
  // data long before it could exhaust memory.
  TResourceList<CScript> scripts{"__newscript"};
  for (int32_t i = 0; i < count; ++i) {
    CStream block = str.ReadStreamC();
    std::unique_ptr<CScript> script;
    std::string name;
    if (block.ReadBoolean()) {
      name = block.ReadString();
      script = std::make_unique<CScript>();
      if (!script->LoadFromStream(block)) return false;
    }
    scripts.Put(i, std::move(script), std::move(name));
  }
  Scripts() = std::move(scripts);
  return true;
}

bool CompileScripts() {
  TResourceList<CScript>& scripts = Scripts();
  for (int32_t i = 0; i < scripts.Count(); ++i) {
    CScript* script = scripts.Get(i);
    if (!script || (script->s_code && script->s_code->i_compiled)) continue;
    if (!script->Compile()) {
      std::string msg = "COMPILATION ERROR in Script: " + scripts.Name(i) + "\r" + CodeError().message;
      ClearCodeError();
      ShowError(msg, true);
      return false;
    }
  }
  return true;
}

bool CallScript(int32_t index, CInstance* self, CInstance* other, RValue& result, bool check,
                RValue* args, int32_t argc) {
  if (!Scripts().Exists(index)) return false;
  if (argc < 0) argc = 0;
  if (argc > kMaxFunctionArgs) argc = kMaxFunctionArgs;
  ArgumentSlotsScope slots(false);
  for (int32_t i = 0; i < argc; ++i) slots.Pending()[i] = std::move(args[i]);
  slots.Enter(argc);
  return CallScriptInSlots(index, self, other, result, check, argc);
}

bool CallScriptInSlots(int32_t index, CInstance* self, CInstance* other, RValue& result, bool check,
                       int32_t argc) {
  CScript* script = Scripts().Get(index);
  if (!script) return false;
  const std::string& name = Scripts().NameOf(index);

  ScriptArgumentsScope saved;
  RArgumentState& a = Arguments();
  a.count = argc;
  a.script_name = name;

  result.SetReal(0.0);
  static CCode uncompiled("", false);  // executing it reports the non-compiled error
  CCode& code = script->s_code ? *script->s_code : uncompiled;
  if (!ExecuteForValue(self, other, code, result)) PrefixCodeError("In script " + name + ":\r");

  if (check && LanguageState().script_arg_errors && !ScriptArgumentsFit(index, code, argc)) return false;
  return true;
}

bool ScriptArgumentsFit(int32_t index, const CCode& code, int32_t argc) {
  if (!code.i_compiled) return true;
  const bool short_of_array = code.i_ArgArray && argc < code.i_Args;
  const bool wrong_count = !code.i_ArgArray && argc != code.i_Args;
  if (!short_of_array && !wrong_count) return true;
  SetCodeErrorMessage("Illegal argument count calling script \"" + Scripts().NameOf(index) + "\".\r" +
                      (code.i_ArgArray ? "Script requires at least " : "Script requires ") +
                      std::to_string(code.i_Args) + " arguments, " + std::to_string(argc) + " have been supplied.");
  return false;
}

bool LoadLibraryInit(CStream& str) {
  LibraryTexts().clear();
  if (str.ReadInteger() != kLibraryInitChunkVersion) return false;
  int32_t count = str.ReadInteger();
  if (count < 0) return false;
  std::vector<std::string> texts;
  for (int32_t i = 0; i < count; ++i) texts.push_back(str.ReadString());
  LibraryTexts() = std::move(texts);
  return true;
}

bool RunLibraryInit() {
  std::vector<std::string> texts = std::move(LibraryTexts());
  LibraryTexts().clear();
  for (const std::string& text : texts) {
    if (text.empty()) continue;
    CCode code(text, false);
    if (!code.Compile()) {
      std::string msg = "COMPILATION ERROR in library initialization code\r" + CodeError().message;
      ClearCodeError();
      ShowError(msg, true);
      return false;
    }
    ExecHost& host = GetExecHost();
    CInstance* temp = host.CreateTempInstance();
    RValue result;
    ExecuteAndReport(temp, temp, code, result);
    if (temp) host.DestroyTempInstance(temp);
  }
  return true;
}
