// Game-wide run state that events and instances depend on: the current room, the pending room
// change and the run-time instance id counter. The main loop and room changes build on these.
#pragma once

#include <cstdint>

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

// The room being played; null before the game starts and after it ends.
CRoom* CurrentRoom();
void SetCurrentRoom(CRoom* room);

// The last instance id used; new run-time instances take the next one.
int32_t LastInstanceId();
void SetLastInstanceId(int32_t id);
int32_t NextInstanceId();
