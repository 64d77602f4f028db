// The heart of the runtime: the game-wide run state, the pending room change through which
// every request for a change goes, entering and leaving rooms, starting and ending the game,
// one step in its fixed order, and the main loop that runs steps at the room's speed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CRoom;

// Pending room change values.
inline constexpr int32_t kNoRoomChange = -1;
inline constexpr int32_t kRoomEndGame = -100;
inline constexpr int32_t kRoomRestartGame = -200;
inline constexpr int32_t kRoomLoadGame = -300;
inline constexpr int32_t kRoomErrorEnd = -400;

int32_t PendingRoomChange();
void SetPendingRoomChange(int32_t change);
inline bool RoomChangePending() { return PendingRoomChange() != kNoRoomChange; }
// The transition kind to show when the pending change happens; 0 none.
int32_t PendingTransition();

// The room being played (its live copy); null before the game starts and after it ends.
CRoom* CurrentRoom();
int32_t CurrentRoomIndex();
// For tests and tools that run events without a game: makes room current without entering it.
void SetCurrentRoom(CRoom* room);
// Refills the per-object lists of every live room (the current one and persistent rooms left
// earlier), whose lists by ancestor follow the parent relation: for a parent changed at run time.
void RebuildLiveObjectLists();

// The live copies of rooms by room index, null where a room has none; for saved games.
const std::vector<std::unique_ptr<CRoom>>& LiveRooms();
// A loaded game's live copies take the place of the running game's, and the one at index (which
// must be present) becomes the current room; no event runs.
void ReplaceLiveRooms(std::vector<std::unique_ptr<CRoom>> rooms, int32_t index);

// The last instance id used; new run-time instances take the next one.
int32_t LastInstanceId();
void SetLastInstanceId(int32_t id);
// Instance ids start above this; the lowest an instance may get once the counter has reached
// the top of the range.
inline constexpr int32_t kFirstFreeInstanceId = 100001;
int32_t NextInstanceId();

// Game-wide state read and written by the built-in variables.
struct RGameState {
  bool running = false;
  bool paused = false;
  int32_t transition_kind = 0;   // for the next room change
  int32_t transition_steps = 80;
  std::string load_file;         // for a pending load
  int32_t fps = 0;
  int32_t view_current = 0;     // the view being drawn
  bool automatic_draw = true;
  int32_t cursor_image = 0;
  int32_t cursor_sprite = -1;
  int32_t score = 0;
  int32_t lives = -1;
  double health = 100;
  bool show_score = true, show_lives = false, show_health = false;
  bool score_chosen = false;  // the game chose to show the score: shown even while 0
  std::string caption_score = "Score: ", caption_lives = "Lives: ", caption_health = "Health: ";
};
RGameState& GameState();

// Writers of lives and health: a fall from above 0 to 0 or below performs the no-more-lives
// (no-more-health) event for every unmarked instance, unless a room change is pending.
void SetLives(int32_t lives);
void SetHealth(double health);

// Requests: they set the pending room change, acted on between steps. A bad room reports its
// error and ends the game.
void GoToRoom(int32_t index, int32_t transition);
void GoToPreviousRoom(int32_t transition);
void GoToNextRoom(int32_t transition);
void RestartRoom(int32_t transition);
void EndGameRequest();
void RestartGameRequest();
void LoadGameRequest(const std::string& file);

// The room drawing pass of a step and of screen_redraw: views follow their instances and are
// recorded for the mouse, instances and tiles are sorted by depth, then the display draws.
void ScreenRedraw();

// Entering and leaving rooms.
void StartRoom(int32_t index, bool gameStarts);
void EndRoom(bool gameEnds);

// Start and end of the game; start fails when the library initialisation code or the
// extension packages fail.
bool StartGame();
void EndGame();
// Acts on the pending room change; false when the game is to stop (end or error end).
bool PerformRoomChange();
// One step of the current room in its fixed order.
// The first of screenshot100.png, screenshot101.png ... that does not exist yet (F9 and the
// input scripts' screenshot line).
std::string ScreenshotFileName();
void RunStep();
// Runs the game until it ends (or is paused): start when not running, then the main loop;
// ends the game when the loop stops with running cleared.
void RunGame();
// Limits for unattended runs (the test mode): after maxSteps steps the game ends as if asked.
struct RRunLimits {
  int64_t maxSteps = -1;  // -1 no limit
  // Nobody presses keys: waits for input end when nothing has come at once.
  bool unattended = false;
};
RRunLimits& RunLimits();
// Steps run since the game started.
int64_t StepCount();
void StopGame();
void PauseGame();
void SingleStep();
