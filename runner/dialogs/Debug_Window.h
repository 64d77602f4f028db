// The debug window (TDebugForm): a tool window beside the game from which the user runs,
// pauses, single-steps, stops and restarts the game, watches expressions re-evaluated every
// step, executes code, sets the speed, and opens text windows with the global variables, the
// variables of an instance, all instances and the game's debug messages. Runner-drawn into a
// bitmap, shown through platform::TToolWindow; headless it exists as state only, and the test
// script (RUNNER_DEBUG_COMMANDS) drives it and writes out what it shows.
#pragma once

#include <cstdint>
#include <string>

#include "runner/base/BM32_Bitmap.h"

enum class EDebugCommand : int32_t {
  Run, Pause, Step, Stop, Restart,
  WatchAdd, WatchDelete, WatchChange, WatchClear, WatchLoad, WatchSave,
  Execute, Speed, ShowGlobal, ShowLocal, ShowInstances, ShowMessages,
};

// Start of the game in debug mode: the window is made and shown.
void ShowDebugWindow();
// End of the game: timer and native windows go while the application still runs.
void ShutdownDebugWindow();
// After the commands: status, watches and visible text windows; nothing unless the window exists.
void RefreshDebugWindow();
// After every step (phase 20): the window's input while the game runs, the refresh, the test script.
void DebugAfterStep();
// show_debug_message: a line for the messages window (made, hidden, on first use).
void AddDebugLine(const std::string& text);
// The 50 ms timer: mouse id, enabled states, the windows' input, the test script while paused.
void DebugTimerTick();
// Closing the window: hidden for good; while paused the game stops.
void CloseDebugWindow();

// Whether a command may run now (UpdateTheActions).
bool DebugCommandEnabled(EDebugCommand command);
// A command as the menus, tool buttons and shortcuts give it; those that ask for text ask
// through an input box (or a file dialog).
void RunDebugCommand(EDebugCommand command);

// The commands behind the input boxes, with the text given.
void DebugAddWatch(const std::string& expression);
void DebugChangeWatch(int32_t row, const std::string& expression);
void DebugDeleteWatch(int32_t row);
void DebugClearWatches();
void DebugExecuteCode(const std::string& code);
void DebugSetSpeed(const std::string& text);
void DebugShowLocal(const std::string& text);
// Watch files: one expression a line; read as UTF-8 when valid, else CP1252; written as UTF-8
// with CR LF. "" on success, else the system's reason (rows read before a failure stay).
std::string DebugLoadWatches(const std::string& file);
std::string DebugSaveWatches(const std::string& file);
// Prints text through lp when it is on PATH: "" when handed over, else the message to show.
std::string PrintDebugText(const std::string& text);

// The pictures of the windows as a player sees them.
TBitmap32 PaintDebugWindow();
TBitmap32 PaintDebugInfoWindow(const std::string& text, int32_t firstLine);
// What the windows show, as text: watches with values, status panels, the text windows.
std::string DebugWindowDump();
