// The error window's memo and the routing between its SDL and scripted backends.
#include "platform/dialogs/ErrorForm.h"

#include <cstdlib>

#include "platform/dialogs/MessageBox.h"
#include "platform/dialogs/headless/HeadlessErrorForm.h"
#include "platform/dialogs/sdl/SdlErrorForm.h"
#include "platform/video/Video.h"

namespace platform {
namespace {
std::optional<ErrorAnswer> g_answer;  // empty: the environment decides
}  // namespace

void TErrorForm::AddLine(std::string line) {
  if (line.size() > kMaxLineBytes) {
    line.resize(kMaxLineBytes - 3);
    line += "...";
  }
  MemoBytes += line.size();
  ErrorMemo.push_back(std::move(line));
}

void TErrorForm::AddMessage(std::string_view message) {
  AddLine({});
  AddLine(std::string(kSeparatorLength, '_'));
  std::string line;
  for (char c : message) {
    if (c == '\r') {
      AddLine(std::move(line));
      line.clear();
    } else if (c != '\n' && line.size() <= kMaxLineBytes) {
      line += c;
    }
  }
  AddLine(std::move(line));
  while (ErrorMemo.size() > kMaxMemoLines || (MemoBytes > kMaxMemoBytes && ErrorMemo.size() > 1)) {
    MemoBytes -= ErrorMemo.front().size();
    ErrorMemo.pop_front();
  }
}

std::string TErrorForm::MemoText() const {
  std::string text;
  for (size_t i = 0; i < ErrorMemo.size(); ++i) {
    if (i) text += '\n';
    text += ErrorMemo[i];
  }
  return text;
}

bool TErrorForm::CopyBtnClick() const { return CopyTextToClipboard(MemoText()); }

ErrorAnswer TErrorForm::Execute(std::string_view message, bool ignorable) {
  AddMessage(message);
  if (!TestMode() && DisplayVisible()) {
    // A window that cannot be shown must not lose the message: it goes the scripted way.
    if (auto answer = ShowSdlErrorForm(*this, ignorable)) return *answer;
  }
  const ErrorAnswer configured = ConfiguredErrorAnswer().value_or(ErrorAnswer::Abort);
  return ShowHeadlessErrorForm(kCaption, message, ignorable ? configured : ErrorAnswer::Abort);
}

void SetErrorAnswer(std::optional<ErrorAnswer> answer) { g_answer = answer; }

std::optional<ErrorAnswer> ParseErrorAnswer(std::string_view text) {
  if (text == "abort") return ErrorAnswer::Abort;
  if (text == "ignore") return ErrorAnswer::Ignore;
  return std::nullopt;
}

std::optional<ErrorAnswer> ConfiguredErrorAnswer() {
  if (g_answer) return g_answer;
  const char* env = std::getenv("RUNNER_ERROR_ANSWER");
  return env ? ParseErrorAnswer(env) : std::nullopt;
}

const char* ErrorAnswerName(ErrorAnswer answer) { return answer == ErrorAnswer::Ignore ? "ignore" : "abort"; }

}  // namespace platform
