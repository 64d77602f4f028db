// Run state, room changes, steps and the main loop; see Run_Main.h.
#include "runner/run/Run_Main.h"

#include <climits>

#include "runner/code/Script_Main.h"
#include "runner/code/Variable_Main.h"
#include "runner/run/Object_Lists.h"
#include "runner/run/Run_Hooks.h"
#include "runner/shell/Runner.h"

namespace {
int32_t g_pending = kNoRoomChange;
CRoom* g_room = nullptr;
int32_t g_roomIndex = -1;
int32_t g_lastId = 100000;
RGameState g_game;
RRunHooks g_hooks;
}  // namespace

RRunHooks& RunHooks() { return g_hooks; }
RGameState& Game() { return g_game; }

int32_t PendingRoomChange() { return g_pending; }
void SetPendingRoomChange(int32_t change) { g_pending = change; }
CRoom* CurrentRoom() { return g_room; }
int32_t CurrentRoomIndex() { return g_roomIndex; }
void SetCurrentRoom(CRoom* room) { g_room = room; }
int32_t LastInstanceId() { return g_lastId; }
void SetLastInstanceId(int32_t id) { g_lastId = id; }
// The counter stops at the largest id rather than wrapping into the object range.
int32_t NextInstanceId() { return g_lastId < INT32_MAX ? ++g_lastId : g_lastId; }

// To be completed: requests, rooms, steps and the loop.
void SetLives(int32_t lives) { g_game.lives = lives; }
void SetHealth(double health) { g_game.health = health; }
void GoToRoom(int32_t index, int32_t) { g_pending = index; }
void GoToPreviousRoom(int32_t) {}
void GoToNextRoom(int32_t) {}
void RestartRoom(int32_t) {}
void EndGameRequest() { g_pending = kRoomEndGame; }
void RestartGameRequest() { g_pending = kRoomRestartGame; }
void LoadGameRequest(const std::string& file) {
  g_game.load_file = file;
  g_pending = kRoomLoadGame;
}
void StartRoom(int32_t, bool) {}
void EndRoom(bool) {}
bool StartGame() {
  BuildEventLists();
  GlobalVars().Reset();
  if (g_hooks.randomize) g_hooks.randomize();
  return RunLibraryInit();
}
void EndGame() {}
bool PerformRoomChange() { return false; }
void RunStep() {}
void RunGame() {
  if (!StartGame()) SetExitStatus(1);
}
void StopGame() {}
void PauseGame() {}
void SingleStep() {}
