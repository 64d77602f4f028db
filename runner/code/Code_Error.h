// The compile-error state shared by the compiler and the interpreter: the first error of a
// compilation or execution wins and is composed into its message text here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CCode;

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

// Run-time errors outside the compiler: built-in functions, argument checks, preparation.
// Until the error window exists every error goes to the installed sink; the default one
// writes to standard error and the trace log.
using ErrorSink = void (*)(std::string_view message, bool fatal);
void SetErrorSink(ErrorSink sink);  // null restores the default
// With the running action's context (built-in functions, execute and report, show_error).
void ShowActionError(std::string_view message, bool fatal);
// Without an action context (preparation, script argument checks).
void ShowError(std::string_view message, bool fatal);
