// The registry of built-in functions: filled once at start-up from static per-family tables
// of name, argument count and handler; a function's id is its position.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runner/base/Game.h"
#include "runner/code/Code_Constant.h"
#include "runner/code/Code_Main.h"
#include "runner/code/Variable_Class.h"

class CInstance;

inline constexpr int32_t kMaxFunctionArgs = 16;
inline constexpr int32_t kScriptIdBase = 100000;
inline constexpr int32_t kExtensionIdBase = 500000;
inline constexpr int32_t kArgsAny = -1;      // any number from 0 to 16
inline constexpr int32_t kNoFunction = -100;

// A handler always returns; it reports its own problems through ShowActionError and leaves a
// result that starts as the real 0. argv holds argc meaningful values.
using TRoutine = void (*)(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue& result);

struct RFunction {
  std::string f_name;  // at most 64 bytes
  TRoutine f_routine = nullptr;
  int32_t f_argnumb = 0;
};

// One row of a family's static table.
struct RFunctionDef {
  const char* name;
  int32_t argnumb;
  TRoutine routine;
};

// A family's table; the registration order of families fixes the ids.
using FunctionFamily = std::span<const RFunctionDef>;

// Registers the families, in order (idempotent: only the first call registers). A duplicate name
// is a programming error: start-up fails with std::logic_error naming it.
void InitFunctions(std::span<const FunctionFamily> families);
// Appends one family; InitFunctions calls it for each, tests may add their own.
void RegisterFamily(FunctionFamily family);

int32_t FunctionCount();
const RFunction* FunctionAt(int32_t id);  // null outside the registry
// Built-in functions only; scripts and extension functions are found by the compile context.
bool FindBuiltinFunction(std::string_view name, int32_t& id);

// Any function id: scripts (100000 + slot) answer -1, extension ids their declared count (-100
// while no extension package exists), built-ins their f_argnumb, anything else -100.
int32_t FunctionArgCount(int32_t id);
// Name of any function id, for messages and dumps; "<undefined>" when the id names nothing.
std::string FunctionName(int32_t id);
// Calls extension function id (without the 500000 base) through the game's compile context;
// false when there is no such function or its call failed (the message may be pending).
bool CallExtensionFunction(int32_t id, CInstance* self, CInstance* other, RValue& result, RValue* args,
                           int32_t argc);

// The process-wide argument slots: argument0..15, argument[0..15], argument_count,
// argument_relative and the name of the running script for argument messages. Only script
// calls, execute_string and actions change them, and they put them back afterwards.
struct RArgumentState {
  RValue* slots;  // the current set of kMaxFunctionArgs values
  // Slots of the current set at and above this index still hold the real 0, so giving a set
  // back clears only what a call wrote. Whoever writes a slot raises it (Written).
  int32_t used = kMaxFunctionArgs;
  int32_t count = 0;
  int32_t relative = 0;
  std::string_view script_name = "<unknown>";  // views the script table, which outlives calls

  void Written(int32_t k) noexcept {
    if (k >= used) used = k + 1;
  }
};
extern RArgumentState g_ArgumentState;
inline RArgumentState& Arguments() { return g_ArgumentState; }

namespace code_detail {
// Sets of slots for nested calls, in blocks that never move; a set not in use holds zeros.
class SlotStack {
 public:
  RValue* Push() {
    if (depth_ < limit_) [[likely]]
      return top_ + kMaxFunctionArgs * (depth_++ - base_);
    return Grow();
  }
  // The first n slots of set back to zeros.
  void Pop(RValue* set, int32_t n) noexcept {
    for (int32_t i = 0; i < n; ++i) set[i].SetReal(0.0);
    if (--depth_ < base_) Shrink();
  }

 private:
  RValue* Grow();
  void Shrink() noexcept;

  static constexpr size_t kSetsPerBlock = 256;
  std::vector<std::unique_ptr<RValue[]>> blocks_;
  RValue* top_ = nullptr;  // the block holding sets base_ .. limit_-1
  size_t depth_ = 0, base_ = 0, limit_ = 0;
};
extern constinit SlotStack g_sets;  // no guard on the call path
}  // namespace code_detail

// Gives the code that runs in its lifetime a fresh set of 16 slots, all the real 0; the
// caller's set is untouched and current again afterwards, on every path. Sets are taken from
// a stack, so a call costs no copy of the caller's values.
class ArgumentSlotsScope {
 public:
  ArgumentSlotsScope() : ArgumentSlotsScope(true) {}
  // With enter false the set is taken but the caller's stays current until Enter, so a call's
  // arguments can be evaluated straight into Pending() without copies.
  explicit ArgumentSlotsScope(bool enter)
      : saved_(g_ArgumentState.slots), saved_used_(g_ArgumentState.used), set_(code_detail::g_sets.Push()) {
    if (enter) Enter();
  }
  ~ArgumentSlotsScope() {
    // Not entered (a failed argument): the pending set may hold anything.
    const int32_t n = g_ArgumentState.slots == set_ ? g_ArgumentState.used : kMaxFunctionArgs;
    code_detail::g_sets.Pop(set_, n);
    g_ArgumentState.slots = saved_;
    g_ArgumentState.used = saved_used_;
  }
  ArgumentSlotsScope(const ArgumentSlotsScope&) = delete;
  ArgumentSlotsScope& operator=(const ArgumentSlotsScope&) = delete;

  RValue* Pending() const { return set_; }
  // Makes the set current; only its first used slots were written.
  void Enter(int32_t used = kMaxFunctionArgs) {
    g_ArgumentState.slots = set_;
    g_ArgumentState.used = used;
  }

 private:
  RValue* saved_;
  int32_t saved_used_;
  RValue* set_;
};

// The runner's one compile context. Functions are answered here (scripts, then extension
// functions, then built-ins) and constants by the constant table; resources and triggers come
// from lookups that their own units plug in, and an unplugged lookup finds nothing.
// InstallRunnerCompileContext makes it the context of every later compilation.
class RunnerCompileContext : public CompileContext {
 public:
  using ResourceLookup = bool (*)(ResourceKind kind, std::string_view name, int32_t& index);
  using TriggerLookup = bool (*)(std::string_view name, int32_t& index);
  using ConstantLookup = bool (*)(std::string_view name, RValue& value);
  // Extension functions: id by name (without the 500000 base), declared count by id, name by
  // id, and the call (false: the calling code fails, with the message pending if there is one).
  using ExtensionLookup = bool (*)(std::string_view name, int32_t& id);
  using ExtensionArgCount = int32_t (*)(int32_t id);
  using ExtensionName = std::string (*)(int32_t id);
  using ExtensionCall = bool (*)(int32_t id, CInstance* self, CInstance* other, RValue& result, RValue* args,
                                 int32_t argc);

  ResourceLookup resources = nullptr;
  TriggerLookup triggers = nullptr;
  ConstantLookup constants = nullptr;
  ExtensionLookup extensions = nullptr;
  ExtensionArgCount extension_args = nullptr;
  ExtensionName extension_name = nullptr;
  ExtensionCall extension_call = nullptr;

  bool FindFunction(std::string_view name, int32_t& id) const override;
  int32_t FunctionArgCount(int32_t id) const override;
  std::string FunctionName(int32_t id) const override;
  bool FindResource(ResourceKind kind, std::string_view name, int32_t& index) const override;
  bool FindTrigger(std::string_view name, int32_t& index) const override;
  bool FindConstant(std::string_view name, RValue& value) const override;
};

// The language's settings and plug-ins in a game.
struct RLanguageState {
  static constexpr EGameSlot kSlot = EGameSlot::Language;
  // The context of every compilation; null is the empty one, which finds nothing.
  CompileContext* context = nullptr;
  RunnerCompileContext runner_context = [] {
    RunnerCompileContext c;
    c.constants = ::FindConstant;
    return c;
  }();
  ConstantEvaluator constant_evaluator = nullptr;
  ConstantMessageSink constant_messages = nullptr;  // null: a message box
  // Mirror the game settings "treat uninitialised variables as 0" and "check script argument
  // counts"; the settings loader sets them.
  bool uninit_zero = false;
  bool script_arg_errors = false;
  // Codes lowered while set run on the interpreter's general handlers alone, which the
  // specialised ones must always agree with; the tests and the fuzz target compare the two.
  bool general_handlers = false;
};
inline RLanguageState& LanguageState() { return TheGame().State<RLanguageState>(); }

inline RunnerCompileContext& TheRunnerCompileContext() { return LanguageState().runner_context; }
void InstallRunnerCompileContext();
