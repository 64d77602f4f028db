// Built-in miscellaneous functions: performing events from code, the program-level operations
// (window handle, debug messages, priority, application title) and the clipboard. Variables by
// name and dates have units of their own.
#include <climits>
#include <cstdint>
#include <string>

#include "platform/clipboard/Clipboard.h"
#include "platform/process/Process.h"
#include "platform/window/Window.h"
#include "runner/base/Runner_Process.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/functions/Function_Math.h"
#include "runner/graphics/Graphics_Window.h"
#include "runner/functions/Function_Misc.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Run_Hooks.h"

namespace {
int32_t Int(const RValue& v) {
  return RoundToInt32(v.val());
}

// An event performing itself through a function action would otherwise recurse until the stack
// runs out; code actions are bounded by the interpreter, function actions are bounded here.
bool CanPerform(CInstance* self) {
  if (!self) return false;
  if (CanNestExecution()) return true;
  ShowActionError(kMsgNestingTooDeep, false);
  return false;
}

}  // namespace

void event_inherited(CInstance* self, CInstance* other, int32_t, RValue*, RValue&) {
  if (CanPerform(self)) PerformInheritedEvent(self, other);
}

namespace {

void event_perform(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue&) {
  if (CanPerform(self)) PerformEvent(self, other, Int(argv[0]), Int(argv[1]));
}

void event_user(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue&) {
  const int64_t number = RoundToInt64(argv[0].val());
  if (number < INT32_MIN || number > INT32_MAX - 10) return;  // no event has such a number
  if (CanPerform(self)) PerformEvent(self, other, ev_other, static_cast<int32_t>(number + 10));
}

void event_perform_object(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue&) {
  if (CanPerform(self)) PerformObjectEvent(self, other, Int(argv[0]), Int(argv[1]), Int(argv[2]));
}

void window_handle(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  const platform::TWindow* window = Window_Attached();
  result.SetReal(window ? static_cast<double>(window->SystemHandle()) : 0.0);
}

// In debug mode, the debug window's messages list; without the window (outside debug mode
// above all), standard error, where the author running the game reads it. The game itself
// sees nothing either way.
void show_debug_message(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  std::string text = argv[0].IsString() ? std::string(argv[0].str()) : RealToString(argv[0].val());
  if (DebugMode() && RunHooks().addDebugLine) {
    RunHooks().addDebugLine(text);
    return;
  }
  text += '\n';
  WriteFully(2, text);
}

// Nice values standing for the priority classes and thread priorities -3 .. 3. Real-time
// scheduling could starve the whole machine, so 3 asks no more than 2.
int32_t NiceOfPriority(int32_t priority) {
  switch (priority) {
    case -3: return 19;
    case -2: return 10;
    case -1: return 5;
    case 1: return -5;
    case 2:
    case 3: return -10;
    default: return 0;
  }
}

void set_program_priority(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  platform::SetThreadNice(NiceOfPriority(Int(argv[0])));
}

void set_application_title(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (argv[0].IsString()) SetApplicationTitle(std::string(argv[0].str()));
}

void clipboard_has_text(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  result.SetReal(BoolReal(platform::Clipboard().HasText()));
}

void clipboard_set_text(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  platform::Clipboard().SetText(argv[0].str());
}

void clipboard_get_text(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  result.SetString(platform::Clipboard().Text());
}

constexpr RFunctionDef kMiscFunctions[] = {
    {"event_inherited", 0, event_inherited},
    {"event_perform", 2, event_perform},
    {"event_user", 1, event_user},
    {"event_perform_object", 3, event_perform_object},
    {"window_handle", 0, window_handle},
    {"show_debug_message", 1, show_debug_message},
    {"set_program_priority", 1, set_program_priority},
    {"set_application_title", 1, set_application_title},
    {"clipboard_has_text", 0, clipboard_has_text},
    {"clipboard_set_text", 1, clipboard_set_text},
    {"clipboard_get_text", 0, clipboard_get_text},
};
}  // namespace

FunctionFamily MiscFunctions() {
  return kMiscFunctions;
}
