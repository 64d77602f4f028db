// The modal loop every runner-drawn window runs in: the window is painted over the last game
// frame (or into a window of its own) and takes all input until it closes; the game does not
// step meanwhile. In unattended
// runs (test mode, or nobody sees the screen) nothing waits: the window takes the next scripted
// answer (RUNNER_DIALOG_ANSWERS, one a line; a line "shot FILE.png" first saves the picture of
// the next window shown: every such line before an answer is a picture of the window that takes
// it, and a window that takes no answer takes one), or its default answer when none is left, and
// says so on standard error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/events/InputEvents.h"
#include "platform/window/ToolWindow.h"
#include "runner/base/BM32_Bitmap.h"

class TModalDialog {
 public:
  virtual ~TModalDialog() = default;
  // The picture of the window and where it goes in a screen of the given size.
  virtual TBitmap32 Paint() = 0;
  virtual void Place(int32_t screenW, int32_t screenH, int32_t& left, int32_t& top) = 0;
  virtual int32_t Alpha() const { return 255; }
  // Input while shown; mouse positions are relative to the window's top-left corner.
  virtual void Input(const platform::RInputEvent& e) = 0;
  // Once per turn of the loop while shown (timers).
  virtual void Tick() {}
  // Unattended: one scripted answer, or none left.
  virtual void Answer(const std::string& answer) = 0;
  virtual void Unanswered() = 0;
  // For the line on standard error: what the window asked, and what it answered.
  virtual std::string Describe() const = 0;
  virtual std::string Result() const = 0;
  // A window of its own, when the dialog is not drawn over the game screen: it is painted there
  // and takes that window's input (a close there ends it); the game window's input is not its.
  virtual platform::TToolWindow* Window() { return nullptr; }
  bool done = false;
};

// Shows the dialog until it is done. A close request while it is open counts as Escape and is
// handed to the game after the dialog has closed.
void RunModal(TModalDialog& dialog);
// Every dialog function ends with this: the key or click that closed the dialog does not reach
// the game, a close request that came meanwhile does.
void ClearInputAfterDialog();
// Whether windows answer from the script instead of waiting for a player.
bool DialogsUnattended();
// The next scripted answer (after any "shot" lines, which save the picture of dialog); none
// when the script is used up.
std::optional<std::string> NextScriptedAnswer(TModalDialog& dialog);
// For windows that take no answer: the one "shot" line at the head of the script, if any.
void TakeScriptedPictures(TModalDialog& dialog);
// The picture of the game screen with the dialog on it; of a dialog in its own window, the
// picture of that window.
TBitmap32 ComposeScreen(TModalDialog& dialog);
// The size of the desktop that windows of their own are placed on.
void DesktopSize(int32_t& w, int32_t& h);
// One turn of a dialog in its own window: its events, its timers, its picture. False once it is
// done. The modal loop turns it, and so does the game between steps for a window it goes on beside.
bool ServeWindow(TModalDialog& dialog);
// Fills the modal input hook.
void InstallModalInput();
