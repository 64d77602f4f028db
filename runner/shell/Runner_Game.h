// The subsystem table: per subsystem, the chunks it loads, its preparation steps, what it does
// when a game starts and ends, its part of saving and loading, its reset and its shutdown. The
// shell's sequence (loading, preparing, playing, shutting down) walks the current game's table;
// the runner's own table is in Runner_Game.cpp, the one place that knows every subsystem, so
// the shell and the subsystems stay unaware of each other.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runner/base/Game.h"
#include "runner/base/Load_Chunks.h"
#include "runner/code/Code_Function.h"
#include "runner/shell/Load_Form.h"
#include "runner/shell/Runner_Load.h"
#include "runner/shell/Runner_Options.h"
#include "runner/shell/Runner_TestMode.h"

class CStream;

struct RChunkLoad {
  EChunk chunk;
  // Reads the chunk at the stream's position and leaves the position after it. False on a bad
  // chunk (wrong version, bad record); a short or damaged chunk throws StreamError.
  std::function<bool(CStream&)> load;
};

struct RPrepareStep {
  EPrepareStep step;
  std::function<bool()> run;  // false: the preparation fails
};

struct RSubsystem {
  std::string name{};  // also names its shutdown step in the trace
  std::vector<RChunkLoad> chunks{};
  std::vector<RPrepareStep> prepare{};
  std::function<void()> start{};  // a game starts: connects to the others, before any data loads
  // Plays the game after the preparation; returns when it has ended (or, in debug mode, is
  // paused). Only the runtime has one.
  std::function<void()> play{};
  std::function<bool()> running{};  // whether the game still runs or is paused
  std::function<void()> end{};      // the game has ended
  // Its part of a saved game (Runner_Save), after the file's version and game id, in the
  // order of the rows. Loading reads and checks the part into new structures without touching
  // the running game and returns the step that puts it in place; the steps run only once every
  // row has read its part. Damaged data throws StreamError.
  std::function<void(CStream&)> save{};
  std::function<std::function<void()>(CStream&)> load{};
  std::function<void()> reset{};
  // Shutting the game down; a step that throws is traced and the next rows still shut down.
  std::function<void()> shutdown{};
};
using RSubsystemTable = std::vector<RSubsystem>;

// The runner's subsystems in start-up and shutdown order.
const RSubsystemTable& GameSubsystems();
// The built-in function families of every layer, in registration order.
std::vector<FunctionFamily> RunnerFunctionFamilies();
// One row of it by name (a test loads with some real subsystems only); throws when there is none.
const RSubsystem& GameSubsystem(std::string_view name);

struct RShellState {
  static constexpr EGameSlot kSlot = EGameSlot::Shell;
  // The current game's subsystems. Empty: every chunk is checked and skipped by its default
  // loader and every preparation step succeeds.
  RSubsystemTable subsystems;
  // The top-level loading and preparation; empty: LoadGameData and PrepareGame. Tests of the
  // sequence stand in for them.
  std::function<bool(const std::string&)> loadGame;
  std::function<bool()> prepareGame;
  // Loads the Direct3D extension library; empty: the file only has to be there and readable.
  std::function<bool(const std::string& path)> d3dxLoader;
  RTestMode testMode;
  // What the player chose over the game's settings (command line and file of defaults).
  RPlayerOptions player;
  // The loading window, whoever watches it, and the screen it is centred on (1024 x 768 until
  // the display layer says otherwise).
  TLoadForm loadForm;
  std::function<void(const TLoadForm&)> loadFormView;
  int32_t loadFormScreenWidth = 1024;
  int32_t loadFormScreenHeight = 768;
};
inline RShellState& ShellState() { return TheGame().State<RShellState>(); }

// A game starts with the runner's subsystems: the table becomes the current game's and each
// row's start runs, in order. The program entry calls this once per game.
void StartGameSubsystems();

// The walks of the current game's table. A chunk is read by the first row that loads it, else
// by its default loader; a preparation step runs in every row that has it, in order, until one
// fails.
bool RunChunkLoader(EChunk chunk, CStream& stream);
bool RunPrepareStep(EPrepareStep step);
void PlayGame();     // each row's play: the game, until it ends or, in debug mode, pauses
bool GameRunning();  // true while a row says the game runs or is paused (debug mode's end timer)
