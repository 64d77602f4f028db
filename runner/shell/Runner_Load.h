// Loading and preparing the game data: the signature search, the unscrambling, the header,
// the settings, the chunk sequence and the preparation steps, with the loading window.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runner/base/Load_Chunks.h"

class CStream;

// True when the file holds appended game data (a signature at or after the search start).
bool FileHasGameData(const std::string& path);

// Loads the game data from the file. Returns false after showing its own message; throws on
// damaged data (the caller shows the generic load-failure message).
bool LoadGameData(const std::string& path);
// The same on a whole game file already in memory; unscrambles the stream in place.
bool LoadGameData(CStream& file);

// Runs the preparation steps of the current game's subsystems (Runner_Game.h). Returns false
// after showing its own message.
bool PrepareGame();

// The game id and session id of the chunk sequence go to the settings (Option_Main); the debug
// flag of the header goes to SetDebugMode. The Direct3D extension library is loaded from its
// path in the temporary directory by the shell state's d3dxLoader; without one the file only
// has to be there and readable (the graphics layer stands in for its functions).

// The preparation steps subsystems take part in; each succeeds when no subsystem has it.
enum class EPrepareStep : int {
  ExtensionPackages,
  Constants,
  Triggers,
  Scripts,
  TimeLines,
  Objects,
  Sounds,
  Display,    // the display set-up, SetupDisplay of the shell
  StopSound,  // after a failed display set-up
  InputHandlers,
};
