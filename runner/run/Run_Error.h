// What a run-time error does: the game settings decide whether it shows the error window, is
// logged to "game_errors.log" and ends the game; every error is recorded for error_occurred and
// error_last, and after a fatal one every later error is dropped. The language raises errors
// (Code_Error.h); this is the reporter that acts on them.
#pragma once

#include <string>
#include <string_view>

#include "runner/base/Game.h"
#include "runner/code/Code_Error.h"
#include "platform/dialogs/ErrorForm.h"

inline constexpr const char* kErrorLogName = "game_errors.log";

// The error state of the run.
struct RRunErrorState {
  static constexpr EGameSlot kSlot = EGameSlot::RunErrors;
  bool aborting = false;  // a fatal error happened: every later error is dropped
  bool first_log_write = true;  // the next log write truncates the log
  bool occurred = false;
  std::string last;
  platform::TErrorForm window;
};
inline RRunErrorState& RunErrorState() { return TheGame().State<RRunErrorState>(); }

// The reporter the game hands to the language (SetErrorReporter): an action error names the
// running action, then both act by the settings.
const RErrorReporter& RunErrorReporter();

// Adds message to the error window and shows it; true when the player aborts.
bool ShowErrorWindow(std::string_view message, bool ignorable);

bool ErrorAborting();
bool ErrorOccurred();
void SetErrorOccurred(bool occurred);
const std::string& LastError();
void SetLastError(std::string_view message);
platform::TErrorForm& ErrorWindow();
// A new run: not aborting, no error, the next log write truncates the log, an empty window.
void ResetErrorState();

// Attaches error_occurred and error_last.
void RegisterErrorVariables();
