// Fuzz target for the interpreter: the text after byte 0 (bit 0: expression) is compiled and
// run twice in the interpreter tests' small world. Code that could run for ever (loops, with,
// nested executions, scripts, instance creation, waiting for input or time) is left out: every
// other program ends, and must leave the nesting depth and the argument slots as it found them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Code_Variable.h"
#include "runner/code/Variable_Main.h"
#include "runner/base/Game.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/runner/code/TestHost.h"

namespace {

bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Whether the text holds the word (or, for a prefix, a word starting with it) anywhere, also
// right after a number, which the lexer ends at the letter.
bool HasWord(std::string_view text, std::string_view word, bool prefix) {
  for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
    const bool starts = at == 0 || !IsWordChar(text[at - 1]) || (text[at - 1] >= '0' && text[at - 1] <= '9');
    const size_t end = at + word.size();
    if (starts && (prefix || end == text.size() || !IsWordChar(text[end]))) return true;
  }
  return false;
}

bool MayRunForEver(std::string_view text) {
  // keyboard_wait and mouse_wait wait for the player, and sleep as long as it is told.
  static constexpr std::string_view kWords[] = {"while",         "do",           "until",         "for",
                                                "repeat",        "with",         "test_create",   "string_repeat",
                                                "string_format", "keyboard_wait", "mouse_wait",   "sleep"};
  static constexpr std::string_view kPrefixes[] = {"execute", "scr", "script"};
  for (std::string_view w : kWords)
    if (HasWord(text, w, false)) return true;
  for (std::string_view p : kPrefixes)
    if (HasWord(text, p, true)) return true;
  return false;
}

// Whether the outcome depends only on the language: no function calls and no built-in variables
// but the arguments (random numbers, time and the like would differ between two runs).
bool OnlyLanguage(const RToken* t) {
  if (!t) return true;
  if (t->Kind() == NodeKind::Call) return false;
  const bool var = t->Kind() == NodeKind::SimpleVariable || t->Kind() == NodeKind::Variable;
  if (var && t->ind < kFirstUserVarId && ArgumentSlotOf(t->ind) < 0)
    return false;
  for (int32_t i = 0; i < t->itemnumb; ++i)
    if (!OnlyLanguage(t->Item(i))) return false;
  return true;
}

struct Run {
  bool language_only;
  bool ok;
  RValue result;
  std::string error;
};

// One run in a fresh game and world, specialised or on the general handlers only.
Run RunOnce(std::string_view text, bool isexp, bool general) {
  GameScope fresh;
  ScopedTestWorld world;
  CCode code(text, isexp);
  Run r{false, false, RValue(), ""};
  if (!code.Compile()) return r;
  r.language_only = OnlyLanguage(code.i_token);
  LanguageState().general_handlers = general;
  r.ok = ExecuteCode(world.Self(), world.Other(), code, r.result);
  r.error = CodeError().message;
  ClearCodeError();
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (MayRunForEver(text)) return 0;
  // The handlers chosen for each node must do exactly what the general ones do.
  if (const Run a = RunOnce(text, data[0] & 1, false); a.language_only) {
    const Run b = RunOnce(text, data[0] & 1, true);
    FUZZ_CHECK(a.ok == b.ok && a.error == b.error);
    FUZZ_CHECK(a.result.kind() == b.result.kind() && a.result.str() == b.result.str());
    const double x = a.result.val(), y = b.result.val();
    FUZZ_CHECK(x == y || (x != x && y != y));  // NaN on both sides agrees too
  }
  // Each input plays in a fresh game: what a program adds (sprite_add, font_add, globals...)
  // would otherwise pile up over millions of inputs and make one input depend on the last.
  GameScope fresh;
  ScopedTestWorld world;
  CCode code(text, data[0] & 1);
  if (!code.Compile()) return 0;
  RValue* const slots = Arguments().slots;
  for (int run = 0; run < 2; ++run) {  // the second run reuses what the first one prepared
    RValue result;
    const bool ok = ExecuteCode(world.Self(), world.Other(), code, result);
    FUZZ_CHECK(ok != CodeError().pending);
    FUZZ_CHECK(ExecDepth() == 0);
    FUZZ_CHECK(Arguments().slots == slots && Arguments().count == 0);
    FUZZ_CHECK(result.str().size() <= kMaxStringBytes);
    ClearCodeError();
  }
  return 0;
}
