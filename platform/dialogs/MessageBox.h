// Every plain message box of the runner goes through here: a real SDL box when someone can see
// it, otherwise the caption and text go to standard error and a configured answer comes back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

MessageAnswer ShowMessageBox(const std::string& caption, const std::string& text,
                             MessageButtons buttons = MessageButtons::Ok);

// Test mode: boxes never show, even with a display. On when set here or when the
// environment has RUNNER_TEST_MODE=1.
void SetTestMode(bool on);
bool TestMode();

// The answer a scripted box gives: set here (nullopt hands the choice back to the environment),
// else RUNNER_MESSAGE_ANSWER=yes|no|ok|cancel, else the box's first, affirmative button.
void SetMessageAnswer(std::optional<MessageAnswer> answer);
std::optional<MessageAnswer> ConfiguredMessageAnswer();
std::optional<MessageAnswer> ParseMessageAnswer(std::string_view text);

// Maps a configured answer onto the buttons a box really has: affirmative answers (ok, yes)
// take the first button, negative ones (no, cancel) the matching button, else the last one.
MessageAnswer ResolveAnswer(MessageButtons buttons, std::optional<MessageAnswer> configured);

const char* AnswerName(MessageAnswer answer);

}  // namespace platform
