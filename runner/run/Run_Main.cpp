// Run state, room changes, steps and the main loop; see Run_Main.h.
#include "runner/run/Run_Main.h"

#include <climits>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock/Clock.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Main.h"
#include "runner/code/Script_Main.h"
#include "runner/code/Variable_Main.h"
#include "runner/run/Event_Main.h"
#include "runner/run/IO_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Lists.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Hooks.h"
#include "runner/base/Option_Main.h"
#include "runner/base/Runner_Process.h"

namespace {
int32_t g_pending = kNoRoomChange;
int32_t g_pendingTransition = 0;
CRoom* g_room = nullptr;
int32_t g_roomIndex = -1;
int32_t g_lastId = 100000;
RGameState g_game;
RRunHooks g_hooks;
RRunLimits g_limits;
int64_t g_steps = 0;

// Live copies by room index: the current room and persistent rooms left earlier.
std::vector<std::unique_ptr<CRoom>> g_live;
// Persistent instances on their way from the room being left to the next one.
std::vector<std::unique_ptr<CInstance>> g_carried;

constexpr int32_t kOtherOutsideRoom = 0;
constexpr int32_t kOtherBoundary = 1;
constexpr int32_t kOtherGameStart = 2;
constexpr int32_t kOtherGameEnd = 3;
constexpr int32_t kOtherRoomStart = 4;
constexpr int32_t kOtherRoomEnd = 5;
constexpr int32_t kOtherNoMoreLives = 6;
constexpr int32_t kOtherAnimationEnd = 7;
constexpr int32_t kOtherEndOfPath = 8;
constexpr int32_t kOtherNoMoreHealth = 9;
constexpr int32_t kOtherOutsideView = 40;
constexpr int32_t kOtherBoundaryView = 50;

void ClearInputState() {
  if (g_hooks.clearInput) g_hooks.clearInput();
}
void ProcessMessages() {
  if (g_hooks.processMessages) g_hooks.processMessages();
}
bool WindowActive() { return !g_hooks.windowActive || g_hooks.windowActive(); }

// Compiles and runs creation code; failures are reported with where the code came from.
void RunCreationCode(const std::string& text, CInstance* self, const std::string& where) {
  CCode code(text, false);
  if (!code.Compile()) {
    const std::string msg = "COMPILATION ERROR in creation code " + where + "\r" + CodeError().message;
    ClearCodeError();
    ShowError(msg, false);
    return;
  }
  RValue result;
  if (!ExecuteCode(self, self, code, result)) {
    const std::string msg = "EXECUTION ERROR in creation code " + where + "\r" + CodeError().message;
    ClearCodeError();
    ShowError(msg, false);
  }
}

void RunRoomCreationCode(const CRoom& room, int32_t index) {
  ExecHost& host = GetExecHost();
  CInstance* temp = host.CreateTempInstance();
  RunCreationCode(room.r_code, temp, "of room " + RoomName(index));
  host.DestroyTempInstance(temp);
}


bool HasMask(const CInstance& inst) {
  RSpriteShape s;
  return GetSpriteShape(inst.i_spriteindex, s) || GetSpriteShape(inst.i_maskindex, s);
}

// The other events of the step that test positions against the room and the views, each in
// the object-then-instance order of the event object lists.
template <typename Test>
void PerformWhere(int32_t enumb, Test test) {
  CRoom* room = g_room;
  for (const REventTarget& target : EventObjectList(ev_other, enumb)) {
    const int32_t count = room->Obj_Number(target.object);
    for (int32_t i = 0; i < count; ++i) {
      if (RoomChangePending()) return;
      CInstance* inst = room->Obj_Instance(target.object, i);
      if (inst && !inst->i_marked && test(*inst)) PerformFoundEvent(inst, inst, target.found, ev_other, enumb);
    }
  }
}

bool PointOutside(const CInstance& i, double l, double t, double r, double b) {
  return i.i_x < l || i.i_x > r || i.i_y < t || i.i_y > b;
}

void OtherEvents() {
  CRoom* room = g_room;
  const double w = room->r_width, h = room->r_height;
  PerformWhere(kOtherOutsideRoom, [&](const CInstance& i) {
    if (!HasMask(i)) return PointOutside(i, 0, 0, w, h);
    return i.i_bbox.right < 0 || i.i_bbox.left > w || i.i_bbox.bottom < 0 || i.i_bbox.top > h;
  });
  PerformWhere(kOtherBoundary, [&](const CInstance& i) {
    if (!HasMask(i)) return PointOutside(i, 0, 0, w, h);
    return !(i.i_bbox.left >= 0 && i.i_bbox.right <= w && i.i_bbox.top >= 0 && i.i_bbox.bottom <= h);
  });
  if (!room->r_enableviews) return;
  for (int32_t v = 0; v < kRoomViews; ++v) {
    const CView& view = room->r_view[static_cast<size_t>(v)];
    if (!view.visible) continue;
    const double l = view.xview, t = view.yview, r = view.xview + view.wview, b = view.yview + view.hview;
    PerformWhere(kOtherOutsideView + v, [&](const CInstance& i) {
      if (!HasMask(i)) return PointOutside(i, l, t, r, b);
      return i.i_bbox.right < l || i.i_bbox.left > r || i.i_bbox.bottom < t || i.i_bbox.top > b;
    });
    PerformWhere(kOtherBoundaryView + v, [&](const CInstance& i) {
      if (!HasMask(i)) return PointOutside(i, l, t, r, b);
      return !(i.i_bbox.left >= l && i.i_bbox.right <= r && i.i_bbox.top >= t && i.i_bbox.bottom <= b);
    });
  }
}

void Alarms() {
  CRoom* room = g_room;
  for (int32_t a = 0; a < kAlarmCount; ++a) {
    for (const REventTarget& target : EventObjectList(ev_alarm, a)) {
      const int32_t count = room->Obj_Number(target.object);
      for (int32_t i = 0; i < count; ++i) {
        if (RoomChangePending()) return;
        CInstance* inst = room->Obj_Instance(target.object, i);
        if (!inst || inst->i_marked) continue;
        int32_t left = inst->GetAlarm(a);
        if (left >= 0) inst->SetAlarm(a, --left);
        if (left == 0) PerformFoundEvent(inst, inst, target.found, ev_alarm, a);
      }
    }
  }
}

void Motion() {
  CRoom* room = g_room;
  const int32_t count = room->r_numb();
  for (int32_t i = 0; i < count; ++i) {
    CInstance* inst = room->Instance(i);
    if (!inst) continue;
    inst->Adapt_Speed();
    if (g_hooks.adaptPath && g_hooks.adaptPath(inst)) PerformEvent(inst, inst, ev_other, kOtherEndOfPath);
    inst->SetPosition(inst->i_x + inst->i_hspeed, inst->i_y + inst->i_vspeed);
  }
}

void Animate() {
  CRoom* room = g_room;
  const int32_t count = room->r_numb();
  for (int32_t i = 0; i < count; ++i) {
    CInstance* inst = room->Instance(i);
    if (!inst) continue;
    inst->i_imageindex += inst->i_imagespeed;
    const int32_t n = inst->Getimagenumber();
    if (std::floor(inst->i_imageindex) >= n) {
      inst->i_imageindex -= n;
      PerformEvent(inst, inst, ev_other, kOtherAnimationEnd);
    }
  }
}

void Triggers(ETriggerMoment moment) {
  if (g_hooks.triggers) g_hooks.triggers(moment);
}

// The first of screenshot100.png, screenshot101.png ... that does not exist yet.
std::string ScreenshotFileName() {
  std::error_code ec;
  for (int32_t n = 100;; ++n) {
    std::string name = "screenshot" + std::to_string(n) + ".png";
    if (!std::filesystem::exists(name, ec) || n == INT32_MAX) return name;
  }
}

std::string SaveFileName() { return "_save" + std::to_string(GameId()) + ".sav"; }

// F1, Escape, F4, F5, F6, F9 in this order; the first enabled match acts and eats the key.
void RunnerKeys() {
  if (!g_hooks.lastKey) return;
  const int32_t key = g_hooks.lastKey();
  const ROptions& o = Options();
  auto eat = [] {
    if (g_hooks.setLastKey) g_hooks.setLastKey(0);
  };
  if (key == 112 && o.opt_keyf1) {
    eat();
    if (g_hooks.showGameInfo) g_hooks.showGameInfo();
    ClearInputState();
  } else if (key == 27 && o.opt_keyesc) {
    eat();
    EndGameRequest();
  } else if (key == 115 && o.opt_keyf4) {
    eat();
    if (g_hooks.toggleFullScreen) g_hooks.toggleFullScreen();
  } else if (key == 116 && o.opt_keyf5f6) {
    eat();
    if (g_hooks.saveGame) g_hooks.saveGame(SaveFileName().c_str());
  } else if (key == 117 && o.opt_keyf5f6) {
    eat();
    if (g_hooks.loadGame) g_hooks.loadGame(SaveFileName().c_str());
  } else if (key == 120 && o.opt_keyf9) {
    eat();
    if (g_hooks.saveScreenshot) g_hooks.saveScreenshot(ScreenshotFileName().c_str());
  }
}

// Blocks for the bulk of the wait, then sleeps a millisecond at a time with window messages
// processed, so the game stays responsive without spinning.
void Wait(int64_t d) {
  if (d <= 0) return;
  const int64_t start = platform::NowMicros();
  if (d >= 2000) platform::SleepMicros((d - 1000) / 1000 * 1000);
  for (;;) {
    const int64_t now = platform::NowMicros();
    if (now - start >= d || now < start) break;
    platform::SleepMicros(1000);
    ProcessMessages();
  }
}

void StopAfterStepLimit() {
  ++g_steps;
  if (g_limits.maxSteps >= 0 && g_steps >= g_limits.maxSteps && !RoomChangePending()) EndGameRequest();
}
}  // namespace

RRunHooks& RunHooks() { return g_hooks; }
RGameState& GameState() { return g_game; }
RRunLimits& RunLimits() { return g_limits; }
int64_t StepCount() { return g_steps; }

int32_t PendingRoomChange() { return g_pending; }
void SetPendingRoomChange(int32_t change) { g_pending = change; }
int32_t PendingTransition() { return g_pendingTransition; }
CRoom* CurrentRoom() { return g_room; }
int32_t CurrentRoomIndex() { return g_roomIndex; }
void SetCurrentRoom(CRoom* room) { g_room = room; }
int32_t LastInstanceId() { return g_lastId; }
void SetLastInstanceId(int32_t id) { g_lastId = id; }
// The counter stops at the largest id rather than wrapping into the object range.
int32_t NextInstanceId() { return g_lastId < INT32_MAX ? ++g_lastId : g_lastId; }

void SetLives(int32_t lives) {
  const int32_t old = g_game.lives;
  g_game.lives = lives;
  if (old > 0 && lives <= 0) PerformEventForAll(ev_other, kOtherNoMoreLives);
}

void SetHealth(double health) {
  const double old = g_game.health;
  g_game.health = health;
  if (old > 0 && health <= 0) PerformEventForAll(ev_other, kOtherNoMoreHealth);
}

void GoToRoom(int32_t index, int32_t transition) {
  if (!RoomExists(index)) {
    ShowActionError("Unexisting room number: " + std::to_string(index), true);
    g_pending = kRoomErrorEnd;
    return;
  }
  g_pending = index;
  g_pendingTransition = transition;
}

void GoToPreviousRoom(int32_t transition) {
  if (g_roomIndex == RoomFirst()) {
    ShowActionError("Moving to previous room before the first room.", true);
    g_pending = kRoomErrorEnd;
    return;
  }
  GoToRoom(RoomPrevious(g_roomIndex), transition);
}

void GoToNextRoom(int32_t transition) {
  if (g_roomIndex == RoomLast()) {
    ShowActionError("Moving to next room after the last room.", true);
    g_pending = kRoomErrorEnd;
    return;
  }
  GoToRoom(RoomNext(g_roomIndex), transition);
}

void RestartRoom(int32_t transition) { GoToRoom(g_roomIndex, transition); }
void EndGameRequest() { g_pending = kRoomEndGame; }
void RestartGameRequest() { g_pending = kRoomRestartGame; }
void LoadGameRequest(const std::string& file) {
  g_game.load_file = file;
  g_pending = kRoomLoadGame;
}

void ScreenRedraw() {
  CRoom* room = g_room;
  if (!room) return;
  room->FollowViews();
  RecordRoomViews(*room);
  room->SortInstances();
  room->SortTiles();
  if (g_hooks.drawRoom) g_hooks.drawRoom();
}

void StartRoom(int32_t index, bool gameStarts) {
  g_pending = kNoRoomChange;
  ClearInputState();

  if (index < 0) index = 0;
  if (static_cast<size_t>(index) >= g_live.size()) g_live.resize(static_cast<size_t>(index) + 1);
  g_roomIndex = index;
  auto& slot = g_live[static_cast<size_t>(index)];
  const bool fresh = !slot;
  if (fresh) {
    slot = std::make_unique<CRoom>();
    if (const CRoom* resource = RoomGet(index)) slot->Assign(*resource);
  }
  CRoom* room = slot.get();
  g_room = room;

  if (g_hooks.adaptRegion) g_hooks.adaptRegion();
  if (gameStarts && g_hooks.showWindow) g_hooks.showWindow();

  // Carried instances replace any instance with their id and keep that id.
  const int32_t fromResource = room->r_numb();
  for (auto& carried : g_carried) {
    for (const auto& inst : room->r_instance)
      if (inst->i_id == carried->i_id) inst->i_marked = true;
    CInstance* inst = room->AddInstance(carried->i_x, carried->i_y, carried->i_objectindex);
    inst->Assign(*carried);
    room->InvalidateIds();
  }
  g_carried.clear();

  if (fresh) {
    for (int32_t i = 0; i < fromResource; ++i) {
      CInstance* inst = room->Instance(i);
      if (!inst || inst->i_marked) continue;
      if (!inst->i_initcode.empty())
        RunCreationCode(inst->i_initcode, inst,
                        "for instance " + std::to_string(inst->i_id) + " in room " + RoomName(index));
      PerformEvent(inst, inst, ev_create, 0);
    }
  }
  if (gameStarts) PerformEventForAll(ev_other, kOtherGameStart);
  if (fresh && !room->r_code.empty()) RunRoomCreationCode(*room, index);
  PerformEventForAll(ev_other, kOtherRoomStart);

  if (!RoomChangePending() && g_game.automatic_draw) {
    ScreenRedraw();
    if (g_hooks.showTransition) g_hooks.showTransition();
    g_pendingTransition = 0;
  }
}

void EndRoom(bool gameEnds) {
  CRoom* room = g_room;
  if (!room) return;
  if (g_hooks.prepareTransition) g_hooks.prepareTransition();
  room->RemoveMarked();

  const int32_t saved = g_pending;
  g_pending = kNoRoomChange;
  PerformEventForAll(ev_other, kOtherRoomEnd);
  if (gameEnds) PerformEventForAll(ev_other, kOtherGameEnd);
  g_pending = saved;

  g_carried.clear();
  g_carried.reserve(10);
  for (const auto& inst : room->r_instance) {
    if (!inst->i_persistent || inst->i_marked) continue;
    auto copy = std::make_unique<CInstance>(inst->i_x, inst->i_y, inst->i_id, inst->i_objectindex);
    copy->Assign(*inst);
    g_carried.push_back(std::move(copy));
    inst->i_marked = true;
  }

  if (!room->r_persistent && g_roomIndex >= 0 && static_cast<size_t>(g_roomIndex) < g_live.size()) {
    g_live[static_cast<size_t>(g_roomIndex)].reset();
    g_room = nullptr;
  }
}

bool StartGame() {
  BuildEventLists();
  GlobalVars().Reset();
  g_game.score = 0;
  g_game.lives = -1;
  g_game.cursor_sprite = -1;
  g_game.cursor_image = 0;
  g_pendingTransition = 0;
  g_pending = kNoRoomChange;
  if (g_hooks.randomize) g_hooks.randomize();
  if (!RunLibraryInit()) return false;
  if (g_hooks.initExtensions && !g_hooks.initExtensions()) return false;
  if (g_hooks.setCursor) g_hooks.setCursor(Options().opt_showcursor);
  g_live.clear();
  g_live.resize(static_cast<size_t>(RoomCount()));
  g_carried.clear();
  const int32_t first = RoomFirst();
  if (!RoomExists(first)) {
    ShowError("Unexisting room number: " + std::to_string(first), true);
    return false;
  }
  StartRoom(first, true);
  return true;
}

void EndGame() {
  EndRoom(true);
  g_live.clear();
  g_room = nullptr;
  g_roomIndex = -1;
  if (!g_hooks.finalizeExtensions || g_hooks.finalizeExtensions()) {
    if (g_hooks.setCursor) g_hooks.setCursor(true);
  }
}

bool PerformRoomChange() {
  const int32_t change = g_pending;
  if (change == kRoomEndGame || change == kRoomErrorEnd) {
    g_game.running = false;
  } else if (change == kRoomLoadGame) {
    g_pending = kNoRoomChange;
    ClearInputState();
    if (g_hooks.loadGame) g_hooks.loadGame(g_game.load_file.c_str());
  } else if (change == kRoomRestartGame) {
    EndGame();
    if (!StartGame()) g_game.running = false;
  } else if (change >= 0) {
    EndRoom(false);
    StartRoom(change, false);
  }
  return g_game.running;
}

void RunStep() {
  CRoom* room = g_room;
  if (!room) return;
  if (g_hooks.stepBlocked && g_hooks.stepBlocked()) return;
  if (Options().opt_freeze && !WindowActive()) return;
  RunnerKeys();
  if (!WindowActive()) ClearInputState();

  for (const auto& inst : room->r_instance) {
    inst->i_xprevious = inst->i_x;
    inst->i_yprevious = inst->i_y;
    inst->i_pathpositionprevious = inst->i_pathposition;
  }

  Triggers(ETriggerMoment::BeginStep);
  PerformEventForObjects(ev_step, 1);
  if (RoomChangePending()) return;
  if (g_hooks.timeLines) g_hooks.timeLines();
  if (RoomChangePending()) return;
  Alarms();
  if (RoomChangePending()) return;
  if (g_hooks.keyboardEvents) g_hooks.keyboardEvents();
  if (RoomChangePending()) return;
  if (g_hooks.joystickEvents) g_hooks.joystickEvents();
  if (RoomChangePending()) return;
  if (g_hooks.mouseEvents) g_hooks.mouseEvents();
  if (RoomChangePending()) return;
  Triggers(ETriggerMoment::Step);
  PerformEventForObjects(ev_step, 0);
  if (RoomChangePending()) return;
  Motion();
  OtherEvents();
  if (RoomChangePending()) return;
  if (g_hooks.collisionEvents) g_hooks.collisionEvents();
  if (RoomChangePending()) return;
  Triggers(ETriggerMoment::EndStep);
  PerformEventForObjects(ev_step, 2);
  if (RoomChangePending()) return;

  // From here on the step runs to its end; events stay silent while a change is pending.
  if (g_hooks.updateParticles) g_hooks.updateParticles();
  room->RemoveMarked();
  if (g_game.automatic_draw) ScreenRedraw();
  room->ScrollBackground();
  Animate();
  ++g_game.cursor_image;
  if (g_hooks.refreshDebug) g_hooks.refreshDebug();
  if (g_hooks.clearPressed) g_hooks.clearPressed();
}

namespace {
// One iteration of the main loop after the step: the wait, the frame count, the frame, the
// room change and the window messages. False when the loop is to end.
struct RLoopClock {
  int64_t t = 0;  // scheduled start of the step just run
  int64_t w = 0;  // start of the current whole second
  int32_t count = 0;
};
RLoopClock g_clock;

bool FinishIteration(bool timed) {
  StopAfterStepLimit();
  if (timed) {
    const int64_t now = platform::NowMicros();
    if (now < g_clock.t) g_clock.t = now;
    if (g_room && g_room->r_speed < 1) g_room->r_speed = 1;
    const int64_t period = 1000000 / (g_room ? g_room->r_speed : 30);
    int64_t d = period - (now - g_clock.t);
    if (d < 0) d = 0;
    if (d > 1000000) d = 1000000;
    Wait(d);
    g_clock.t = now + d;
    if (g_clock.t < g_clock.w) g_clock.w = g_clock.t;
    if (g_clock.t / 1000000 > g_clock.w / 1000000) {
      g_game.fps = g_clock.count;
      g_clock.count = 0;
      g_clock.w = g_clock.t;
    }
    ++g_clock.count;
  }
  if (!RoomChangePending() && g_game.automatic_draw && g_hooks.presentFrame) g_hooks.presentFrame();
  if (!PerformRoomChange()) return false;
  ProcessMessages();
  return true;
}
}  // namespace

void RunGame() {
  if (!g_game.running) {
    g_game.running = true;
    g_steps = 0;
    if (!StartGame()) {
      g_game.running = false;
      SetExitStatus(1);
      EndGame();
      return;
    }
  }
  g_game.running = true;
  g_game.paused = false;

  if (PerformRoomChange()) {
    g_clock.t = platform::NowMicros();
    g_clock.w = g_clock.t;
    g_clock.count = 0;
    g_game.fps = 0;
    ProcessMessages();
    while (g_game.running && !g_game.paused) {
      try {
        RunStep();
      } catch (...) {
        // A failing step must not end the game; the next one runs as usual.
      }
      if (!FinishIteration(true)) break;
    }
  }
  if (!g_game.running) {
    if (g_pending == kRoomErrorEnd) SetExitStatus(1);
    EndGame();
  }
}

void StopGame() {
  if (g_game.paused) EndGame();
  g_game.running = false;
  g_game.paused = false;
}

void PauseGame() { g_game.paused = true; }

void SingleStep() {
  if (!g_game.running || !g_game.paused) return;
  try {
    RunStep();
  } catch (...) {
  }
  if (!FinishIteration(false)) EndGame();
}
