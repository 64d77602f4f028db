// Routing of message boxes between the SDL backend and the scripted, headless one.
#include "platform/dialogs/MessageBox.h"

#include <cstdlib>

#include "platform/dialogs/headless/HeadlessMessageBox.h"
#include "platform/dialogs/sdl/SdlMessageBox.h"
#include "platform/video/Video.h"

namespace platform {
namespace {
bool g_testMode = false;
std::optional<MessageAnswer> g_answer;  // empty: the environment decides
}  // namespace

void SetTestMode(bool on) { g_testMode = on; }

bool TestMode() {
  if (g_testMode) return true;
  const char* env = std::getenv("RUNNER_TEST_MODE");
  return env && std::string_view(env) == "1";
}

void SetMessageAnswer(std::optional<MessageAnswer> answer) { g_answer = answer; }

std::optional<MessageAnswer> ParseMessageAnswer(std::string_view text) {
  if (text == "ok") return MessageAnswer::Ok;
  if (text == "cancel") return MessageAnswer::Cancel;
  if (text == "yes") return MessageAnswer::Yes;
  if (text == "no") return MessageAnswer::No;
  return std::nullopt;
}

std::optional<MessageAnswer> ConfiguredMessageAnswer() {
  if (g_answer) return g_answer;
  const char* env = std::getenv("RUNNER_MESSAGE_ANSWER");
  return env ? ParseMessageAnswer(env) : std::nullopt;
}

MessageAnswer ResolveAnswer(MessageButtons buttons, std::optional<MessageAnswer> configured) {
  const bool negative = configured == MessageAnswer::No || configured == MessageAnswer::Cancel;
  switch (buttons) {
    case MessageButtons::Ok:
      return MessageAnswer::Ok;
    case MessageButtons::OkCancel:
      return negative ? MessageAnswer::Cancel : MessageAnswer::Ok;
    case MessageButtons::YesNo:
      return negative ? MessageAnswer::No : MessageAnswer::Yes;
    case MessageButtons::YesNoCancel:
      if (!negative) return MessageAnswer::Yes;
      return *configured;
  }
  return MessageAnswer::Ok;
}

const char* AnswerName(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Ok: return "ok";
    case MessageAnswer::Cancel: return "cancel";
    case MessageAnswer::Yes: return "yes";
    case MessageAnswer::No: return "no";
  }
  return "ok";
}

MessageAnswer ShowMessageBox(const std::string& caption, const std::string& text, MessageButtons buttons) {
  if (!TestMode() && DisplayVisible()) {
    // A box that cannot be shown (no dialog helper, no fonts) must not lose the message.
    if (auto answer = ShowSdlMessageBox(caption, text, buttons)) return *answer;
  }
  return ShowHeadlessMessageBox(caption, text, buttons, ResolveAnswer(buttons, ConfiguredMessageAnswer()));
}

}  // namespace platform
