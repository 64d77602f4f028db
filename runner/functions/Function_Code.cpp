// Built-in functions that run game code given at run time (script_execute, execute_string,
// execute_file) and the queries of the game's scripts.
#include "runner/functions/Function_Families.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <string>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Script_Class.h"
#include "runner/code/Script_Main.h"
#include "runner/base/Support_Stream.h"

namespace {

void F_ScriptExecute(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result) {
  int32_t index = RoundToInt32(argv[0].val());
  if (argc < 1 || !Scripts().Exists(index)) {
    ShowActionError("Trying to execute non-existing script.", false);
    return;
  }
  if (!CanNestExecution()) {
    ShowActionError(kMsgNestingTooDeep, false);
    return;
  }
  int32_t n = argc - 1;
  if (n > kMaxFunctionArgs - 1) n = kMaxFunctionArgs - 1;
  CallScript(index, self, other, result, true, argv + 1, n);
  ShowPendingCodeError();
}

// Runs text as a program with the values after the first argument in the slots.
void RunText(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result,
             const std::string& text, const char* compile_error) {
  ArgumentSlotsScope saved;
  RArgumentState& a = Arguments();
  int32_t n = argc < kMaxFunctionArgs ? argc : kMaxFunctionArgs;
  for (int32_t i = 1; i < n; ++i) a.slots[i - 1] = argv[i];
  CCode code(text, false);
  if (!code.Compile()) {
    std::string msg = std::string(compile_error) + "\r" + CodeError().message;
    ClearCodeError();
    ShowError(msg, false);
    return;
  }
  ExecuteAndReport(self, other, code, result);
}

void F_ExecuteString(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result) {
  if (argc < 1) return;
  RunText(self, other, argc, argv, result, std::string(argv[0].str()),
          "COMPILATION ERROR in string to be executed");
}

void F_ExecuteFile(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result) {
  if (argc < 1) return;
  const std::string name(argv[0].str());
  std::error_code ec;
  std::ifstream file;
  if (std::filesystem::is_regular_file(name, ec)) file.open(name, std::ios::binary);
  if (!file.is_open()) {
    ShowActionError("Trying to execute non-existing file.", false);
    return;
  }
  // Line by line, each line closed by a carriage return, whatever the file's line ends were.
  std::string text, line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    text += line;
    text += '\r';
  }
  RunText(self, other, argc, argv, result, SanitizeUtf8(text), "COMPILATION ERROR in file to be executed");
}

void F_ScriptName(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetString(Scripts().Name(RoundToInt32(argv[0].val())));
}

void F_ScriptExists(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(BoolReal(Scripts().Exists(RoundToInt32(argv[0].val()))));
}

// The text as the game carries it; "" for a script that does not exist.
void F_ScriptGetText(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const int32_t index = RoundToInt32(argv[0].val());
  if (Scripts().Exists(index)) result.SetString(Scripts().Get(index)->s_text);
  else result.SetString("");
}

constexpr RFunctionDef kCodeFunctions[] = {
    {"script_execute", kArgsAny, F_ScriptExecute},
    {"execute_string", kArgsAny, F_ExecuteString},
    {"execute_file", kArgsAny, F_ExecuteFile},
    {"script_name", 1, F_ScriptName},
    {"script_get_name", 1, F_ScriptName},
    {"script_exists", 1, F_ScriptExists},
    {"script_get_text", 1, F_ScriptGetText},
};
}  // namespace

FunctionFamily CodeFunctions() { return kCodeFunctions; }
