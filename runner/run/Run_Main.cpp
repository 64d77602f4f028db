// Run state shared by events, instances and rooms; see Run_Main.h.
#include "runner/run/Run_Main.h"

#include <climits>

namespace {
int32_t g_pending = kNoRoomChange;
CRoom* g_room = nullptr;
int32_t g_lastId = 100000;
}  // namespace

int32_t PendingRoomChange() { return g_pending; }
void SetPendingRoomChange(int32_t change) { g_pending = change; }
CRoom* CurrentRoom() { return g_room; }
void SetCurrentRoom(CRoom* room) { g_room = room; }
int32_t LastInstanceId() { return g_lastId; }
void SetLastInstanceId(int32_t id) { g_lastId = id; }
// The counter stops at the largest id rather than wrapping into the object range.
int32_t NextInstanceId() { return g_lastId < INT32_MAX ? ++g_lastId : g_lastId; }
