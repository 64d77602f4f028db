// The error window: a memo holding every error message of the run, shown modally with Abort,
// Ignore (only for errors that may be ignored), Copy and Clear. A real SDL box when someone can
// see it; otherwise the message goes to standard error and a configured answer comes back.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class ErrorAnswer { Abort, Ignore };

class TErrorForm {
 public:
  static constexpr const char* kCaption = "Error Messages";
  static constexpr size_t kSeparatorLength = 43;
  // The oldest lines go first beyond this, so a game that fails every step cannot exhaust memory.
  static constexpr size_t kMaxMemoLines = 65536;
  // Bytes as well as lines: a few huge messages must not pin hundreds of megabytes. A line
  // longer than kMaxLineBytes keeps its start and ends in "...".
  static constexpr size_t kMaxMemoBytes = size_t{4} << 20;
  static constexpr size_t kMaxLineBytes = size_t{64} << 10;

  // The memo, one entry per line, and the bytes its lines hold.
  std::deque<std::string> ErrorMemo;
  size_t MemoBytes = 0;

  // Appends message to the memo after an empty line and a separator, then shows the window
  // until it is closed. Abort unless closed with Ignore; Ignore is offered only when ignorable.
  ErrorAnswer Execute(std::string_view message, bool ignorable);

  // An empty line, the separator, then the message's lines: split at carriage returns, line
  // feeds dropped.
  void AddMessage(std::string_view message);
  std::string MemoText() const;  // lines joined by line feeds

  // Puts the whole memo on the clipboard; false without a clipboard (no SDL video).
  bool CopyBtnClick() const;
  void ClearBtnClick() {
    ErrorMemo.clear();
    MemoBytes = 0;
  }

 private:
  void AddLine(std::string line);
};

// How the scripted window answers: set here (nullopt hands the choice back to the environment),
// else RUNNER_ERROR_ANSWER=abort|ignore, else abort, as closing the window would. A window
// without Ignore always answers abort.
void SetErrorAnswer(std::optional<ErrorAnswer> answer);
std::optional<ErrorAnswer> ConfiguredErrorAnswer();
std::optional<ErrorAnswer> ParseErrorAnswer(std::string_view text);
const char* ErrorAnswerName(ErrorAnswer answer);

}  // namespace platform
