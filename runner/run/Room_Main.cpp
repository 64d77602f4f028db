// The room list and the room order; see Room_Main.h. To be completed with the room resource.
#include "runner/run/Room_Main.h"

#include "runner/run/Room_Class.h"

int32_t RoomCount() { return 0; }
bool RoomExists(int32_t) { return false; }
CRoom* RoomGet(int32_t) { return nullptr; }
std::string RoomName(int32_t) { return "<undefined>"; }
int32_t RoomFind(std::string_view) { return -1; }
int32_t RoomAdd() { return -1; }
int32_t RoomDuplicate(int32_t) { return -1; }
bool RoomAssign(int32_t, int32_t) { return false; }
void ClearRooms() {}
bool LoadRooms(CStream&) { return false; }
bool LoadRoomOrder(CStream&) { return false; }
int32_t LastTileId() { return 0; }
void SetLastTileId(int32_t) {}
int32_t NextTileId() { return 0; }
int32_t RoomOrderCount() { return 0; }
int32_t RoomOrderAt(int32_t) { return -1; }
int32_t RoomFirst() { return -1; }
int32_t RoomLast() { return -1; }
int32_t RoomPrevious(int32_t) { return -1; }
int32_t RoomNext(int32_t) { return -1; }
