// Errors of game code and of the game at run time: the compile-error state shared by the
// compiler and the interpreter (the first error of a compilation or execution wins and is
// composed into its message text here), and the one path every run-time error takes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CCode;
namespace platform {
class TErrorForm;
}

struct RCodeError {
  bool pending = false;
  std::string message;  // composed text, what the player sees
  std::string text;     // the bare message, as raised
  int32_t position = 0;  // as raised, before clamping
};

const RCodeError& CodeError();
void ClearCodeError();
// Records the error unless one is already pending.
void ReportCodeError(const CCode& code, int32_t position, std::string_view message);
// Replaces the pending error by a message that names no place in code (argument checks).
void SetCodeErrorMessage(std::string_view message);
// Puts text in front of the pending error message (the script a run-time error came from).
void PrefixCodeError(std::string_view prefix);
// The composed message for an error at position in code (program or expression form).
std::string ComposeCodeError(const CCode& code, int32_t position, std::string_view message);
// Position in UTF-16 units of every character of text; helpers for callers that map positions.
int32_t Utf16Length(std::string_view text);

// Run-time errors: built-in functions, execute and report, argument checks, preparation. Each
// may show the error window, is logged to "game_errors.log", recorded for error_occurred and
// error_last, and a fatal one ends the game; the game settings decide which.
inline constexpr const char* kErrorLogName = "game_errors.log";

// With the running action's context (built-in functions, execute and report, show_error).
void ShowActionError(std::string_view message, bool fatal);
// Without an action context (preparation, script argument checks).
void ShowError(std::string_view message, bool fatal);
// Shows the pending code error, if any, as a non-fatal action error and clears it.
void ShowPendingCodeError();
// Adds message to the error window and shows it; true when the player aborts.
bool ShowErrorWindow(std::string_view message, bool ignorable);

// The error state of the run.
bool ErrorAborting();  // a fatal error happened: every later error is dropped
bool ErrorOccurred();
void SetErrorOccurred(bool occurred);
const std::string& LastError();
void SetLastError(std::string_view message);
platform::TErrorForm& ErrorWindow();
// A new run: not aborting, no error, the next log write truncates the log, an empty memo.
void ResetErrorState();

// Attaches error_occurred and error_last.
void RegisterErrorVariables();

// Tests may take every error where it is raised, bare and before the settings act on it;
// null restores the error path.
using ErrorSink = void (*)(std::string_view message, bool fatal);
void SetErrorSink(ErrorSink sink);
