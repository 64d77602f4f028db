// Built-in interaction functions that need only the run state: creating, copying, changing,
// destroying, finding and counting instances, changing rooms, ending and restarting the game,
// sleeping. Collisions, motion, places, deactivation, saving and transitions join this unit.
#include <cstdint>

#include "platform/clock/Clock.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Command.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"

namespace {
constexpr int32_t kSelf = -1, kOther = -2, kAll = -3, kNoone = -4;
constexpr int32_t kFirstInstanceId = 100000;

int32_t Int(const RValue& v) {
  return RoundToInt32(v.val());
}

bool Live(const CInstance* inst) {
  return inst && !inst->i_marked;
}

CInstance* LiveInstance(CRoom& room, int32_t id) {
  CInstance* inst = room.FindInstance(id);
  return Live(inst) ? inst : nullptr;
}

// Calls visit for each unmarked instance obj stands for, in list order, until it answers false.
template <typename Visit>
void ForEachOf(CInstance* self, CInstance* other, int32_t obj, Visit visit) {
  CRoom* room = CurrentRoom();
  if (obj == kSelf || obj == kOther) {
    CInstance* inst = obj == kSelf ? self : other;
    if (Live(inst)) visit(inst);
    return;
  }
  if (!room) return;
  if (obj == kAll) {
    for (int32_t i = 0; i < room->r_numb(); ++i)
      if (CInstance* inst = room->Instance(i); Live(inst) && !visit(inst)) return;
  } else if (obj >= kFirstInstanceId) {
    if (CInstance* inst = LiveInstance(*room, obj)) visit(inst);
  } else if (obj >= 0) {
    for (int32_t i = 0; i < room->Obj_Number_Recursive(obj); ++i)
      if (CInstance* inst = room->Obj_Instance_Recursive(obj, i); Live(inst) && !visit(inst)) return;
  }
}

int32_t IdOrNoone(const CInstance* inst) {
  return inst ? inst->i_id : kNoone;
}

void instance_find(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  const int32_t n = Int(argv[1]);
  int32_t seen = 0;
  CInstance* found = nullptr;
  if (n >= 0)
    ForEachOf(self, other, Int(argv[0]), [&](CInstance* inst) {
      if (seen++ < n) return true;
      found = inst;
      return false;
    });
  result.SetReal(IdOrNoone(found));
}

void instance_exists(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  bool any = false;
  ForEachOf(self, other, Int(argv[0]), [&](CInstance*) { return !(any = true); });
  result.SetReal(BoolReal(any));
}

void instance_number(CInstance* self, CInstance* other, int32_t, RValue* argv, RValue& result) {
  int32_t count = 0;
  ForEachOf(self, other, Int(argv[0]), [&](CInstance*) { return ++count, true; });
  result.SetReal(count);
}

// A failed creation answers noone: 0 would name object 0 to with and the instance functions.
// A create event that creates its own object again through a function action would recurse
// until the stack runs out; code is bounded by the interpreter, actions are bounded here.
bool CanRunEvents() {
  if (CanNestExecution()) return true;
  ShowActionError(kMsgNestingTooDeep, false);
  return false;
}

void instance_create(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(kNoone);
  if (CanRunEvents()) result.SetReal(IdOrNoone(CreateInstance(Int(argv[2]), argv[0].val(), argv[1].val())));
}

void instance_copy(CInstance* self, CInstance*, int32_t, RValue* argv, RValue& result) {
  const bool perform = IsTrue(argv[0].val());
  result.SetReal(self && (!perform || CanRunEvents()) ? CopyInstance(self, perform) : kNoone);
}

void instance_change(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  const bool perform = IsTrue(argv[1].val());
  if (!perform || CanRunEvents()) ChangeInstance(self, Int(argv[0]), perform);
}

void instance_destroy(CInstance* self, CInstance*, int32_t, RValue*, RValue&) {
  DestroyInstance(self);
}

void instance_sprite(CInstance* self, CInstance*, int32_t, RValue* argv, RValue&) {
  SetInstanceSprite(self, Int(argv[0]));
}

void room_goto(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  GoToRoom(Int(argv[0]), Game().transition_kind);
}
void room_goto_previous(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  GoToPreviousRoom(Game().transition_kind);
}
void room_goto_next(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  GoToNextRoom(Game().transition_kind);
}
void room_previous(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(RoomPrevious(Int(argv[0])));
}
void room_next(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(RoomNext(Int(argv[0])));
}
void room_restart(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  RestartRoom(Game().transition_kind);
}
void game_end(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  EndGameRequest();
}
void game_restart(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  RestartGameRequest();
}
// Waits like the main loop: a blocking wait for the bulk, then 1 ms sleeps, with window
// messages processed. A room change that arrives meanwhile (closing the window) ends the wait
// early, so a long sleep never makes the game unstoppable.
void F_sleep(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  constexpr int64_t kMaxMillis = INT64_MAX / 4000;
  int64_t ms = RoundToInt64(argv[0].val());
  if (ms <= 0) return;
  if (ms > kMaxMillis) ms = kMaxMillis;
  const int32_t pending = PendingRoomChange();
  const int64_t end = platform::NowMicros() + ms * 1000;
  for (;;) {
    if (RunHooks().processMessages) RunHooks().processMessages();
    if (PendingRoomChange() != pending) return;
    const int64_t left = end - platform::NowMicros();
    if (left <= 0) return;
    platform::SleepMicros(left > 1000 ? left - 1000 : 1000);
  }
}

void zantor_zero(CInstance*, CInstance*, int32_t, RValue*, RValue&) {}

constexpr RFunctionDef kInteractionFunctions[] = {
    {"instance_find", 2, instance_find},
    {"instance_exists", 1, instance_exists},
    {"instance_number", 1, instance_number},
    {"instance_create", 3, instance_create},
    {"instance_copy", 1, instance_copy},
    {"instance_change", 2, instance_change},
    {"instance_destroy", 0, instance_destroy},
    {"instance_sprite", 1, instance_sprite},
    {"room_goto", 1, room_goto},
    {"room_goto_previous", 0, room_goto_previous},
    {"room_goto_next", 0, room_goto_next},
    {"room_previous", 1, room_previous},
    {"room_next", 1, room_next},
    {"room_restart", 0, room_restart},
    {"game_end", 0, game_end},
    {"game_restart", 0, game_restart},
    {"sleep", 1, F_sleep},
    {"Zantor_GetPlatform", 0, zantor_zero},
    {"Zantor_GetDevice", 0, zantor_zero},
};
}  // namespace

FunctionFamily InteractionFunctions() {
  return kInteractionFunctions;
}
