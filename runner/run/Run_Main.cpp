// Run state, room changes, steps and the main loop; see Run_Main.h.
#include "runner/run/Run_Main.h"

#include <climits>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <memory>
#include <span>
#include <string>
#include <algorithm>
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
#include "runner/run/Run_State.h"
#include "runner/base/Option_Main.h"
#include "runner/base/Runner_Process.h"

namespace {
// The part of the run that a game start (and so a restart) begins anew.
struct RPlayState {
  static constexpr EGameSlot kSlot = EGameSlot::Play;
  int32_t pending = kNoRoomChange;
  int32_t pendingTransition = 0;
  CRoom* room = nullptr;
  int32_t roomIndex = -1;
  // Live copies by room index: the current room and persistent rooms left earlier.
  std::vector<std::unique_ptr<CRoom>> live;
  // Persistent instances on their way from the room being left to the next one.
  std::vector<std::unique_ptr<CInstance>> carried;
};
RPlayState& Play() { return TheGame().State<RPlayState>(); }
RRunHooks& Hooks() { return RunState().hooks; }

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
  if (Hooks().clearInput) Hooks().clearInput();
}
void ProcessMessages() {
  if (Hooks().processMessages) Hooks().processMessages();
}
bool WindowActive() { return !Hooks().windowActive || Hooks().windowActive(); }

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
  RunCreationCode(room.r_code, temp, "of room " + Rooms().Name(index));
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
  CRoom* room = Play().room;
  ActionWalkScope walking;
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
  CRoom* room = Play().room;
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

// Every alarm counts down even after an alarm event asked for a room change: only the events
// stay silent then, so no instance loses a step of its countdown.
void Alarms() {
  CRoom* room = Play().room;
  ActionWalkScope walking;
  for (int32_t a = 0; a < kAlarmCount; ++a) {
    for (const REventTarget& target : EventObjectList(ev_alarm, a)) {
      const int32_t count = room->Obj_Number(target.object);
      for (int32_t i = 0; i < count; ++i) {
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
  CRoom* room = Play().room;
  const int32_t count = room->r_numb();
  const RRunHooks& hooks = Hooks();
  for (int32_t i = 0; i < count; ++i) {
    CInstance* inst = room->Instance(i);
    if (!inst) continue;
    inst->Adapt_Speed();
    if (hooks.adaptPath && hooks.adaptPath(inst)) PerformEvent(inst, inst, ev_other, kOtherEndOfPath);
    inst->SetPosition(inst->i_x + inst->i_hspeed, inst->i_y + inst->i_vspeed);
  }
}

// One step of an instance's animation; true when it went past its last image and wrapped.
bool AdvanceImage(CInstance& inst) {
  inst.i_imageindex += inst.i_imagespeed;
  const int32_t n = inst.Getimagenumber();
  if (std::floor(inst.i_imageindex) < n) return false;
  inst.i_imageindex -= n;
  return true;
}

void Animate() {
  CRoom* room = Play().room;
  const int32_t count = room->r_numb();
  // An instance without a sprite wraps every step, so its event is found through the event
  // object list: most objects have none. The list is fetched again after an event has run,
  // since an animation end event may change events and so the lists.
  bool listed = EventListsBuilt();
  std::span<const REventTarget> list = listed ? EventObjectList(ev_other, kOtherAnimationEnd) : std::span<const REventTarget>{};
  for (int32_t i = 0; i < count; ++i) {
    CInstance* inst = room->Instance(i);
    if (!inst || !AdvanceImage(*inst)) continue;
    if (!listed) {
      PerformEvent(inst, inst, ev_other, kOtherAnimationEnd);
    } else if (const REventRef found = ListedEvent(list, inst->i_objectindex)) {
      PerformFoundEvent(inst, inst, found, ev_other, kOtherAnimationEnd);
      listed = EventListsBuilt();
      list = listed ? EventObjectList(ev_other, kOtherAnimationEnd) : std::span<const REventTarget>{};
    }
  }
}

void Triggers(ETriggerMoment moment) {
  if (Hooks().triggers) Hooks().triggers(moment);
}

std::string SaveFileName() { return "_save" + std::to_string(GameId()) + ".sav"; }

// F1, Escape, F4, F5, F6, F9 in this order; the first enabled match acts and eats the key.
void RunnerKeys() {
  if (!Hooks().lastKey) return;
  const int32_t key = Hooks().lastKey();
  const ROptions& o = Options();
  auto eat = [] {
    if (Hooks().setLastKey) Hooks().setLastKey(0);
  };
  if (key == 112 && o.opt_keyf1) {
    eat();
    if (Hooks().showGameInfo) Hooks().showGameInfo();
    ClearInputState();
  } else if (key == 27 && o.opt_keyesc) {
    eat();
    EndGameRequest();
  } else if (key == 115 && o.opt_keyf4) {
    eat();
    if (Hooks().toggleFullScreen) Hooks().toggleFullScreen();
  } else if (key == 116 && o.opt_keyf5f6) {
    eat();
    if (Hooks().saveGame) Hooks().saveGame(SaveFileName().c_str());
  } else if (key == 117 && o.opt_keyf5f6) {
    eat();
    if (Hooks().loadGame) Hooks().loadGame(SaveFileName().c_str());
  } else if (key == 120 && o.opt_keyf9) {
    eat();
    if (Hooks().saveScreenshot) Hooks().saveScreenshot(ScreenshotFileName().c_str());
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
  RRunState& run = RunState();
  ++run.steps;
  // The limit ends the run whatever is pending: a game that changes room every step would
  // otherwise never meet it. An error end stays an error end.
  if (run.limits.maxSteps >= 0 && run.steps >= run.limits.maxSteps && Play().pending != kRoomErrorEnd) EndGameRequest();
}
}  // namespace

// The first of screenshot100.png, screenshot101.png ... that does not exist yet.
std::string ScreenshotFileName() {
  std::error_code ec;
  for (int32_t n = 100;; ++n) {
    std::string name = "screenshot" + std::to_string(n) + ".png";
    if (!std::filesystem::exists(name, ec) || n == INT32_MAX) return name;
  }
}

RRunHooks& RunHooks() { return Hooks(); }
RRunLookups& RunLookups() { return RunState().lookups; }
RGameState& GameState() { return RunState().game; }
RRunLimits& RunLimits() { return RunState().limits; }
int64_t StepCount() { return RunState().steps; }

int32_t PendingRoomChange() { return Play().pending; }
void SetPendingRoomChange(int32_t change) { Play().pending = change; }
int32_t PendingTransition() { return Play().pendingTransition; }
CRoom* CurrentRoom() { return Play().room; }
int32_t CurrentRoomIndex() { return Play().roomIndex; }
void SetCurrentRoom(CRoom* room) { Play().room = room; }
void RebuildLiveObjectLists() {
  bool currentDone = false;
  for (const auto& room : Play().live) {
    if (!room) continue;
    room->RebuildObjectLists();
    currentDone = currentDone || room.get() == Play().room;
  }
  // A room made current without being entered (tests, tools) is not among the live copies.
  if (Play().room && !currentDone) Play().room->RebuildObjectLists();
}
const std::vector<std::unique_ptr<CRoom>>& LiveRooms() { return Play().live; }
void ReplaceLiveRooms(std::vector<std::unique_ptr<CRoom>> rooms, int32_t index) {
  Play().carried.clear();
  Play().live = std::move(rooms);
  Play().roomIndex = index;
  Play().room = Play().live.at(static_cast<size_t>(index)).get();
}
int32_t LastInstanceId() { return RunState().lastInstanceId; }
void SetLastInstanceId(int32_t id) { RunState().lastInstanceId = id; }
// At the top of the range (game data can start the counter anywhere) the counter stays there
// and each new instance takes the lowest id above the object range that no instance holds: in
// the room played, in the rooms kept, among those carried between rooms. Rare, so the search
// may be slow; an id is never handed out twice.
namespace {
// The lowest id from `from` up that is not in used.
int32_t LowestFreeId(std::vector<int32_t> used, int32_t from) {
  std::sort(used.begin(), used.end());
  int64_t id = from;
  for (int32_t u : used) {
    if (u > id) break;
    if (u == id) ++id;
  }
  return static_cast<int32_t>(std::min<int64_t>(id, INT32_MAX));
}
}  // namespace

int32_t NextInstanceId() {
  int32_t& last = RunState().lastInstanceId;
  if (last < INT32_MAX) return ++last;
  std::vector<int32_t> used;
  if (Play().room)
    for (const auto& inst : Play().room->r_instance) used.push_back(inst->i_id);
  for (const auto& room : Play().live)
    if (room)
      for (const auto& inst : room->r_instance) used.push_back(inst->i_id);
  for (const auto& inst : Play().carried) used.push_back(inst->i_id);
  // Rooms not played yet hold the ids their placed instances will have when entered.
  for (int32_t i = 0; i < Rooms().Count(); ++i)
    if (const CRoom* room = Rooms().Get(i)) {
      for (const RPlacedInstance& placed : room->r_placed) used.push_back(placed.id);
      for (const auto& inst : room->r_instance) used.push_back(inst->i_id);
    }
  return LowestFreeId(std::move(used), kFirstFreeInstanceId);
}

// Tiles the same way, among the tiles of the rooms played, kept and not played yet.
int32_t NextTileId() {
  const int32_t last = LastTileId();
  if (last < INT32_MAX) {
    SetLastTileId(last + 1);
    return last + 1;
  }
  std::vector<int32_t> used;
  if (Play().room)
    for (const RTile& t : Play().room->r_tile) used.push_back(t.id);
  for (const auto& room : Play().live)
    if (room)
      for (const RTile& t : room->r_tile) used.push_back(t.id);
  for (int32_t i = 0; i < Rooms().Count(); ++i)
    if (const CRoom* room = Rooms().Get(i))
      for (const RTile& t : room->r_tile) used.push_back(t.id);
  return LowestFreeId(std::move(used), 1);
}

void SetLives(int32_t lives) {
  const int32_t old = GameState().lives;
  GameState().lives = lives;
  if (old > 0 && lives <= 0) PerformEventForAll(ev_other, kOtherNoMoreLives);
}

void SetHealth(double health) {
  const double old = GameState().health;
  GameState().health = health;
  if (old > 0 && health <= 0) PerformEventForAll(ev_other, kOtherNoMoreHealth);
}

void GoToRoom(int32_t index, int32_t transition) {
  if (!Rooms().Exists(index)) {
    ShowActionError("Unexisting room number: " + std::to_string(index), true);
    Play().pending = kRoomErrorEnd;
    return;
  }
  Play().pending = index;
  Play().pendingTransition = transition;
}

void GoToPreviousRoom(int32_t transition) {
  if (Play().roomIndex == RoomFirst()) {
    ShowActionError("Moving to previous room before the first room.", true);
    Play().pending = kRoomErrorEnd;
    return;
  }
  GoToRoom(RoomPrevious(Play().roomIndex), transition);
}

void GoToNextRoom(int32_t transition) {
  if (Play().roomIndex == RoomLast()) {
    ShowActionError("Moving to next room after the last room.", true);
    Play().pending = kRoomErrorEnd;
    return;
  }
  GoToRoom(RoomNext(Play().roomIndex), transition);
}

void RestartRoom(int32_t transition) { GoToRoom(Play().roomIndex, transition); }
void EndGameRequest() { Play().pending = kRoomEndGame; }
void RestartGameRequest() { Play().pending = kRoomRestartGame; }
void LoadGameRequest(const std::string& file) {
  GameState().load_file = file;
  Play().pending = kRoomLoadGame;
}

namespace {
// The redraw, told by a caller that has just walked the room whether its instances are in
// depth order and whether any is to be drawn.
void Redraw(bool knownInOrder, bool instancesShown) {
  CRoom* room = Play().room;
  if (!room) return;
  room->FollowViews();
  RecordRoomViews(*room);
  room->SortInstances(knownInOrder);
  room->SortTiles();
  if (Hooks().drawRoom) Hooks().drawRoom(instancesShown);
}

// The end of a step: removal of the destroyed, the redraw, the layers' scrolling, then the
// animation. Each of these walks every instance, and over many instances a walk costs the
// memory it streams more than its work. When no game code can run in them (no object has an
// animation end event, and none has a draw event when the room is drawn), nothing can see in
// which walk an image index moves, so one walk does removal's test, the sort's order test,
// drawing's visibility test and the animation of every instance that is not drawn; an instance
// that is drawn moves after the drawing, as before. Removal, the sort and the drawing's walk
// over the instances then only run when the walk found something for them.
void FinishStep(CRoom& room) {
  const bool draw = GameState().automatic_draw;
  const bool quiet = EventListsBuilt() && EventObjectList(ev_other, kOtherAnimationEnd).empty() &&
                     (!draw || EventObjectList(ev_draw, 0).empty());
  if (!quiet) {
    room.RemoveMarked();
    if (draw) ScreenRedraw();
    room.ScrollBackground();
    Animate();
    return;
  }
  room.MakePlacedInstances();
  bool marked = false, inOrder = true, shown = false;
  const CInstance* previous = nullptr;
  for (const auto& p : room.r_instance) {
    CInstance& inst = *p;
    if (inst.i_marked) {
      marked = true;
      continue;
    }
    if (previous && !CRoom::InDepthOrder(*previous, inst)) inOrder = false;
    previous = &inst;
    if (draw && inst.i_visible)
      shown = true;
    else
      AdvanceImage(inst);
  }
  if (marked) room.RemoveMarked();
  if (draw) Redraw(inOrder, shown);
  room.ScrollBackground();
  // Nothing ran since the walk, so the visible instances are still those it left.
  if (shown)
    for (const auto& p : room.r_instance)
      if (p->i_visible) AdvanceImage(*p);
}
}  // namespace

void ScreenRedraw() { Redraw(false, true); }

void StartRoom(int32_t index, bool gameStarts) {
  Play().pending = kNoRoomChange;
  ClearInputState();
  // Effects belong to the room they were made in; any made by the new room's events stay.
  if (Hooks().clearEffects) Hooks().clearEffects();

  if (index < 0) index = 0;
  if (static_cast<size_t>(index) >= Play().live.size()) Play().live.resize(static_cast<size_t>(index) + 1);
  Play().roomIndex = index;
  auto& slot = Play().live[static_cast<size_t>(index)];
  const bool fresh = !slot;
  if (fresh) {
    slot = std::make_unique<CRoom>();
    if (const CRoom* resource = Rooms().Get(index)) slot->Assign(*resource);
  }
  CRoom* room = slot.get();
  Play().room = room;

  if (Hooks().adaptRegion) Hooks().adaptRegion();
  if (gameStarts && Hooks().showWindow) Hooks().showWindow();

  // Carried instances replace any instance with their id and keep that id.
  const int32_t fromResource = room->r_numb();
  for (auto& carried : Play().carried) {
    for (const auto& inst : room->r_instance)
      if (inst->i_id == carried->i_id) inst->i_marked = true;
    CInstance* inst = room->AddInstance(carried->i_x, carried->i_y, carried->i_objectindex);
    inst->Assign(*carried);
    room->InvalidateIds();
  }
  Play().carried.clear();

  if (fresh) {
    for (int32_t i = 0; i < fromResource; ++i) {
      CInstance* inst = room->Instance(i);
      if (!inst || inst->i_marked) continue;
      if (!inst->i_initcode.empty())
        RunCreationCode(inst->i_initcode, inst,
                        "for instance " + std::to_string(inst->i_id) + " in room " + Rooms().Name(index));
      PerformEvent(inst, inst, ev_create, 0);
    }
  }
  if (gameStarts) PerformEventForAll(ev_other, kOtherGameStart);
  if (fresh && !room->r_code.empty()) RunRoomCreationCode(*room, index);
  PerformEventForAll(ev_other, kOtherRoomStart);

  if (!RoomChangePending() && GameState().automatic_draw) {
    ScreenRedraw();
    if (Hooks().showTransition) Hooks().showTransition();
    Play().pendingTransition = 0;
  } else if (Hooks().cancelTransition) {
    // Nothing will show the prepared pictures; drawing must not stay captured by them.
    Hooks().cancelTransition();
  }
}

void EndRoom(bool gameEnds) {
  CRoom* room = Play().room;
  if (!room) return;
  if (Hooks().prepareTransition) Hooks().prepareTransition();
  room->RemoveMarked();

  const int32_t saved = Play().pending;
  Play().pending = kNoRoomChange;
  PerformEventForAll(ev_other, kOtherRoomEnd);
  if (gameEnds) PerformEventForAll(ev_other, kOtherGameEnd);
  Play().pending = saved;

  Play().carried.clear();
  Play().carried.reserve(10);
  for (const auto& inst : room->r_instance) {
    if (!inst->i_persistent || inst->i_marked) continue;
    auto copy = std::make_unique<CInstance>(inst->i_x, inst->i_y, inst->i_id, inst->i_objectindex);
    copy->Assign(*inst);
    Play().carried.push_back(std::move(copy));
    inst->i_marked = true;
  }

  if (!room->r_persistent && Play().roomIndex >= 0 && static_cast<size_t>(Play().roomIndex) < Play().live.size()) {
    Play().live[static_cast<size_t>(Play().roomIndex)].reset();
    Play().room = nullptr;
  }
}

bool StartGame() {
  // Every start, a restart too, plays from a fresh play state: no room, no pending change, no
  // live copies of rooms, no carried instances.
  TheGame().Renew<RPlayState>();
  BuildEventLists();
  GlobalVars().Reset();
  // The game-wide values outlive a restart (they are the game's settings), except these, which
  // belong to one play.
  RGameState& game = GameState();
  game.score = 0;
  game.lives = -1;
  game.cursor_sprite = -1;
  game.cursor_image = 0;
  if (Hooks().randomize) Hooks().randomize();
  if (!RunLibraryInit()) return false;
  if (Hooks().initExtensions && !Hooks().initExtensions()) return false;
  if (Hooks().setCursor) Hooks().setCursor(Options().opt_showcursor);
  Play().live.resize(static_cast<size_t>(Rooms().Count()));
  const int32_t first = RoomFirst();
  if (!Rooms().Exists(first)) {
    ShowError("Unexisting room number: " + std::to_string(first), true);
    return false;
  }
  // Entering the room forgets pending changes; an end the initialisation code asked for
  // (game_end(), or an error that ends the game) must still end it once the room has started.
  const int32_t asked = Play().pending;
  StartRoom(first, true);
  if ((asked == kRoomEndGame || asked == kRoomErrorEnd) && Play().pending != kRoomErrorEnd) Play().pending = asked;
  return true;
}

void EndGame() {
  EndRoom(true);
  Play().live.clear();
  Play().room = nullptr;
  Play().roomIndex = -1;
  if (!Hooks().finalizeExtensions || Hooks().finalizeExtensions()) {
    if (Hooks().setCursor) Hooks().setCursor(true);
  }
}

bool PerformRoomChange() {
  const int32_t change = Play().pending;
  if (change == kRoomEndGame || change == kRoomErrorEnd) {
    GameState().running = false;
  } else if (change == kRoomLoadGame) {
    Play().pending = kNoRoomChange;
    ClearInputState();
    if (Hooks().loadGame) Hooks().loadGame(GameState().load_file.c_str());
  } else if (change == kRoomRestartGame) {
    EndGame();
    if (!StartGame()) GameState().running = false;
  } else if (change >= 0) {
    EndRoom(false);
    StartRoom(change, false);
  }
  return GameState().running;
}

void RunStep() {
  CRoom* room = Play().room;
  if (!room) return;
  if (Hooks().stepBlocked && Hooks().stepBlocked()) return;
  if (Options().opt_freeze && !WindowActive()) return;
  RunnerKeys();
  // F6 loads at once: the rest of the step plays the loaded room.
  room = Play().room;
  if (!room) return;
  if (!WindowActive()) ClearInputState();

  for (const auto& inst : room->r_instance) {
    inst->i_xprevious = inst->i_x;
    inst->i_yprevious = inst->i_y;
    inst->i_pathpositionprevious = inst->i_pathposition;
  }

  Triggers(ETriggerMoment::BeginStep);
  PerformEventForObjects(ev_step, 1);
  if (RoomChangePending()) return;
  if (Hooks().timeLines) Hooks().timeLines();
  if (RoomChangePending()) return;
  Alarms();
  if (RoomChangePending()) return;
  if (Hooks().keyboardEvents) Hooks().keyboardEvents();
  if (RoomChangePending()) return;
  if (Hooks().joystickEvents) Hooks().joystickEvents();
  if (RoomChangePending()) return;
  if (Hooks().mouseEvents) Hooks().mouseEvents();
  if (RoomChangePending()) return;
  Triggers(ETriggerMoment::Step);
  PerformEventForObjects(ev_step, 0);
  if (RoomChangePending()) return;
  Motion();
  OtherEvents();
  if (RoomChangePending()) return;
  if (Hooks().collisionEvents) Hooks().collisionEvents();
  if (RoomChangePending()) return;
  Triggers(ETriggerMoment::EndStep);
  PerformEventForObjects(ev_step, 2);
  if (RoomChangePending()) return;

  // From here on the step runs to its end; events stay silent while a change is pending.
  if (Hooks().updateParticles) Hooks().updateParticles();
  FinishStep(*room);
  ++GameState().cursor_image;
  if (Hooks().refreshDebug) Hooks().refreshDebug();
  if (Hooks().clearPressed) Hooks().clearPressed();
}

namespace {
// One iteration of the main loop after the step: the wait, the frame count, the frame, the
// room change and the window messages. False when the loop is to end.
bool FinishIteration(bool timed) {
  StopAfterStepLimit();
  RRunState::RClock& clock = RunState().clock;
  if (timed) {
    const int64_t now = platform::NowMicros();
    if (now < clock.t) clock.t = now;
    if (Play().room && Play().room->r_speed < 1) Play().room->r_speed = 1;
    const int64_t period = 1000000 / (Play().room ? Play().room->r_speed : 30);
    int64_t d = period - (now - clock.t);
    if (d < 0) d = 0;
    if (d > 1000000) d = 1000000;
    Wait(d);
    clock.t = now + d;
    if (clock.t < clock.w) clock.w = clock.t;
    if (clock.t / 1000000 > clock.w / 1000000) {
      GameState().fps = clock.count;
      clock.count = 0;
      clock.w = clock.t;
    }
    ++clock.count;
  }
  if (!RoomChangePending() && GameState().automatic_draw && Hooks().presentFrame) Hooks().presentFrame();
  if (!PerformRoomChange()) return false;
  ProcessMessages();
  if (Hooks().serviceNetwork) Hooks().serviceNetwork();
  if (Hooks().serveWindows) Hooks().serveWindows();
  return true;
}
}  // namespace

void RunGame() {
  if (!GameState().running) {
    GameState().running = true;
    RunState().steps = 0;
    if (!StartGame()) {
      GameState().running = false;
      SetExitStatus(1);
      EndGame();
      return;
    }
  }
  GameState().running = true;
  GameState().paused = false;

  if (PerformRoomChange()) {
    RRunState::RClock& clock = RunState().clock;
    clock.t = platform::NowMicros();
    clock.w = clock.t;
    clock.count = 0;
    GameState().fps = 0;
    ProcessMessages();
    while (GameState().running && !GameState().paused) {
      try {
        RunStep();
      } catch (...) {
        // A failing step must not end the game; the next one runs as usual.
      }
      if (!FinishIteration(true)) break;
    }
  }
  if (!GameState().running) {
    if (Play().pending == kRoomErrorEnd) SetExitStatus(1);
    EndGame();
  }
}

void StopGame() {
  if (GameState().paused) EndGame();
  GameState().running = false;
  GameState().paused = false;
}

void PauseGame() { GameState().paused = true; }

void SingleStep() {
  if (!GameState().running || !GameState().paused) return;
  try {
    RunStep();
  } catch (...) {
  }
  if (!FinishIteration(false)) EndGame();
}
