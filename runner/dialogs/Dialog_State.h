// What the dialogs keep for a game: the message dialog's look (pictures, fonts, colours,
// translucency, place, size, caption), the high-score window's settings, the splash settings,
// the game information, the scripted answers of unattended runs, the dialog being shown, and the
// splash and information windows with what they show beside the game.
// One struct in the game's Dialogs slot.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "platform/fonts/FontRaster.h"
#include "runner/base/BM32_Bitmap.h"
#include "runner/base/Game.h"
#include "runner/dialogs/Dialog_Modal.h"

// A font of the runner-drawn windows; size in points, style bit 0 bold, bit 1 italic.
struct RDialogFont {
  std::string name = "Arial";
  int32_t size = 8;
  int32_t color = 0xFFFFFF;
  int32_t style = 0;
  int32_t charset = 0;
};

struct RMessageLook {
  TBitmap32 background;        // stretched over the window
  bool backgroundKeyed = false;  // a transparent colour key: the bottom-left pixel's colour
  TBitmap32 buttons[3];        // normal, mouse over, pressed
  bool buttonsKeyed = false;
  RDialogFont text{"Arial", 8, 0xFFFFFF, 0, 0};
  RDialogFont button{"Arial", 8, 0xFFFFFF, 1, 0};
  RDialogFont input{"Arial", 8, 0xFFFFFF, 0, 0};
  int32_t mouseColor = 0xFFFFFF;   // button text while the mouse is over it
  int32_t inputColor = 0x3C3C3C;   // the box's background
  int32_t alpha = 255;
  int32_t fixedLeft = -1, fixedTop = -1, fixedWidth = -1, fixedHeight = -1;
  bool showCaption = false;
  std::string caption;
};

struct RScoreSettings {
  int32_t background = -1;
  bool border = true;
  int32_t windowColor = 0xF0FBFF, newColor = 0x0000FF, otherColor = 0;
  std::string fontName = "Times New Roman";
  int32_t fontSize = 12;
  int32_t fontStyle = 0;
  std::string caption = "Top Ten Players";
  std::string nobody = "<nobody>";
  std::string closeText = "press <Escape> to close";
};

struct RSplashSettings {
  std::string caption;
  bool fullScreen = false, border = true;
  int32_t width = 640, height = 480, left = -1, top = -1;
  bool adapt = true, top_most = true;
  int32_t color = 0;
  bool main = true;
  double scale = -1.0;
  bool cursor = true, interrupt = true, stopKey = true, stopMouse = true, closeButton = true;
  bool sizeable = false;  // the frame can be resized: only the information window's
};

struct RGameInfo {
  int32_t color = 0xFFFFFF;
  bool embed = false;
  std::string caption = "Game Information";
  int32_t left = -1, top = -1, width = 600, height = 400;
  bool border = true, sizeable = true, stayOnTop = false, pause = true;
  std::string text;  // as stored: rich text or plain text
};

// A window of its own beside the game window, made on first use and reused. While what it shows
// lets the game go on, that is served between steps until it ends.
struct RDialogWindow {
  std::unique_ptr<platform::TToolWindow> native;
  std::unique_ptr<TModalDialog> beside;
  int32_t steps = 0;  // steps `beside` has been open, for the line of unattended runs
  std::optional<std::pair<int32_t, int32_t>> at;  // where the window was put last
};

struct RDialogsState {
  static constexpr EGameSlot kSlot = EGameSlot::Dialogs;
  RMessageLook look;
  bool lookMade = false;  // the built-in pictures are made on first use
  RScoreSettings score;
  RSplashSettings splash;
  RGameInfo info;
  bool splashInWindow = false, infoInWindow = false;
  // Unattended runs: answers in order, read once from RUNNER_DIALOG_ANSWERS (one a line).
  std::deque<std::string> answers;
  bool answersRead = false;
  TModalDialog* shown = nullptr;  // the dialog taking the input, while one is open
  bool closePending = false;      // the window was asked to close while a dialog was open
  // The splash window and the information window, for what is not shown in the game window.
  RDialogWindow splashWindow, infoWindow;
  // Faces by name, size, style and character set.
  std::map<std::tuple<std::string, int32_t, int32_t, int32_t>, std::unique_ptr<platform::fonts::TFontFace>> faces;
};
inline RDialogsState& DialogsState() { return TheGame().State<RDialogsState>(); }
