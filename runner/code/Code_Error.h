// Errors of game code and of the game at run time: the compile-error state shared by the
// compiler and the interpreter (the first error of a compilation or execution wins and is
// composed into its message text here), and the one path every run-time error takes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runner/base/Game.h"

class CCode;

struct RCodeError {
  bool pending = false;
  std::string message;  // composed text, what the player sees
  std::string text;     // the bare message, as raised
  int32_t position = 0;  // as raised, before clamping

  // Nothing pending and nothing left over: what nearly every entry into code finds.
  bool Clear() const noexcept { return !pending && position == 0 && message.empty() && text.empty(); }
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

// Run-time errors: built-in functions, execute and report, argument checks, preparation. The
// language only raises them; what an error does (window, log, the end of the game) is the
// runtime's decision, reached through the game's error reporter.
struct RErrorReporter {
  // An error of the running action, named by the action it came from.
  void (*action)(std::string_view message, bool fatal);
  // An error without an action context.
  void (*plain)(std::string_view message, bool fatal);
};
// The reporter of the current game; without one, raised errors go nowhere.
void SetErrorReporter(const RErrorReporter* reporter);

// With the running action's context (built-in functions, execute and report, show_error).
void ShowActionError(std::string_view message, bool fatal);
// Without an action context (preparation, script argument checks).
void ShowError(std::string_view message, bool fatal);
// Shows the pending code error, if any, as a non-fatal action error and clears it.
void ShowPendingCodeError();

// Tests may take every error where it is raised, bare and before the reporter sees it; null
// hands errors back to the reporter.
using ErrorSink = void (*)(std::string_view message, bool fatal);
void SetErrorSink(ErrorSink sink);

// The language's error state in a game: the pending code error and where raised errors go.
struct RErrorsState {
  static constexpr EGameSlot kSlot = EGameSlot::Errors;
  RCodeError error;
  ErrorSink sink = nullptr;
  const RErrorReporter* reporter = nullptr;
};
inline RErrorsState& ErrorsState() { return TheGame().State<RErrorsState>(); }
