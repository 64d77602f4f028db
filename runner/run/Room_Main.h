// The room list (room resources by index with their names), the rooms and room order chunks,
// and the room order with its neighbours.
#pragma once

#include <cstdint>

#include "runner/base/Load_Chunks.h"  // kRoomOrderChunkVersion
#include "runner/base/Resource_List.h"

class CInstance;
class CRoom;
class CStream;

inline constexpr int32_t kRoomsChunkVersion = 800;

// The room list (the resources, templates of the rooms played); new entries are named
// "__newroom" + index.
TResourceList<CRoom>& Rooms();
// Appends a copy of the room; -1 when the index is invalid.
int32_t RoomDuplicate(int32_t index);
// Copies room source into room index (created when empty); false when source is invalid or
// index has no room and is out of range.
bool RoomAssign(int32_t index, int32_t source);

// Placed records become instances only when their room is played or copied, yet take the
// object's defaults of the time the room was read, as instances made then would have. Reading a
// record notes its object: the first time, an instance of it is made by the creation function
// and kept. The prototype of an object is that instance; an object the game did not have when
// the record was read gives an instance of no object. Reading the rooms chunk starts anew.
void NotePlacedObject(int32_t objectindex);
const CInstance& PlacedPrototype(int32_t objectindex);

// Loaders of the two chunks; false on a wrong version or record (or a count <= 0 for the
// order). Damaged data throws.
bool LoadRooms(CStream& str);
bool LoadRoomOrder(CStream& str);

int32_t LastTileId();
void SetLastTileId(int32_t id);
// The next tile id; at the top of the range the lowest id no tile of a room in play holds
// (defined with the rooms in play, in Run_Main.cpp).
int32_t NextTileId();

// The room order. First and last are -1 while it is empty; previous and next are -1 at the
// ends and for rooms not in the order.
int32_t RoomOrderCount();
int32_t RoomOrderAt(int32_t pos);
int32_t RoomFirst();
int32_t RoomLast();
int32_t RoomPrevious(int32_t room);
int32_t RoomNext(int32_t room);
