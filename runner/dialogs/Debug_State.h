// What the debug window keeps for a game: the watch rows, the text windows (global variables,
// instances, messages and the local-variable windows), the status texts, the last code given
// to Execute Code, and the native windows with their timer. One struct in the game's Debug slot.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/timer/Timer.h"
#include "platform/window/ToolWindow.h"
#include "runner/base/Game.h"

struct RDebugWatch {
  std::string expression;
  std::string value;
};

// A text window (TDebugInfoForm). Local windows also name what they show.
struct RDebugInfoWindow {
  std::string title = "Debug Information";
  std::string text;        // lines end in CR LF
  bool visible = false;
  int32_t firstLine = 0;   // the first visible line: kept when the text is replaced
  bool followEnd = true;   // the messages window scrolls with new lines while it stands at the end
  int32_t lineCount = 0;   // of the messages window, counted as lines come
  int32_t left = -1, top = -1;  // where it first appears; -1 until then
  int32_t localvarid = -1;
  std::string localvarname;
  std::unique_ptr<platform::TToolWindow> native;
};

// A command of the test script (RUNNER_DEBUG_COMMANDS): run once the game has taken `step` steps.
struct RDebugScriptLine {
  int64_t step = 0;
  std::string command, argument;
};

struct RDebugState {
  static constexpr EGameSlot kSlot = EGameSlot::Debug;
  bool exists = false;       // made at the start in debug mode
  bool shown = false;        // shown once: the timer runs from then on
  bool visible = false;      // closing hides it for good
  std::vector<RDebugWatch> watches;
  int32_t selected = 0;      // the selected grid row (1 = first watch; watches.size() + 1 = the empty row)
  std::string panels[3];     // frames per second, instance count, mouse id
  RDebugInfoWindow global, instances, messages;
  bool globalMade = false, instancesMade = false, messagesMade = false;
  std::vector<std::unique_ptr<RDebugInfoWindow>> locals;  // at most kMaxLocalWindows
  std::string lastCode;      // pre-fills the next Execute Code
  int32_t column0 = 136, column1 = 109;
  int32_t openMenu = -1;     // the pulled-down menu, -1 none
  bool ctrl = false, alt = false;
  int64_t lastClick = 0;     // milliseconds, for double clicks
  int32_t lastClickX = -1, lastClickY = -1;
  std::unique_ptr<platform::TToolWindow> native;
  std::unique_ptr<platform::TTimer> timer;
  std::deque<RDebugScriptLine> script;
  bool scriptRead = false;
  bool scriptRunning = false;
  bool asking = false;       // a command's input box or file dialog is open
  int32_t placed = 0;        // text windows placed so far
  char decimal = 0;          // the user's decimal separator, read on first use
};
inline RDebugState& DebugState() { return TheGame().State<RDebugState>(); }

inline constexpr int32_t kMaxLocalWindows = 100;
