// The room list, the rooms and room order chunks, the room order and the tile id counter; see
// Room_Main.h.
#include "runner/run/Room_Main.h"

#include <memory>
#include <vector>

#include "runner/base/Game.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"
#include "runner/base/Support_Stream.h"

namespace {
struct Entry {
  std::unique_ptr<CRoom> room;
  std::string name;
};

// The room resources as the game file gave them (and run-time additions), the room order and
// the tile id counter. A restart keeps them: it plays fresh copies of the same rooms.
struct RRoomsState {
  static constexpr EGameSlot kSlot = EGameSlot::Rooms;
  std::vector<Entry> rooms;
  std::vector<int32_t> order;
  int32_t lastTileId = 0;
};
RRoomsState& RoomsState() { return TheGame().State<RRoomsState>(); }
std::vector<Entry>& RoomEntries() { return RoomsState().rooms; }
std::vector<int32_t>& Order() { return RoomsState().order; }

bool InRange(int32_t i) { return i >= 0 && i < static_cast<int32_t>(RoomEntries().size()); }
bool Valid(int32_t i) { return InRange(i) && RoomEntries()[static_cast<size_t>(i)].room; }
std::string NewName(int32_t index) { return "__newroom" + std::to_string(index); }
}  // namespace

int32_t RoomCount() { return static_cast<int32_t>(RoomEntries().size()); }
bool RoomExists(int32_t index) { return Valid(index); }
CRoom* RoomGet(int32_t index) { return Valid(index) ? RoomEntries()[static_cast<size_t>(index)].room.get() : nullptr; }
std::string RoomName(int32_t index) { return Valid(index) ? RoomEntries()[static_cast<size_t>(index)].name : "<undefined>"; }

int32_t RoomFind(std::string_view name) {
  for (size_t i = 0; i < RoomEntries().size(); ++i)
    if (RoomEntries()[i].room && RoomEntries()[i].name == name) return static_cast<int32_t>(i);
  return -1;
}

int32_t RoomAdd() {
  const auto index = RoomCount();
  RoomEntries().push_back({std::make_unique<CRoom>(), NewName(index)});
  return index;
}

int32_t RoomDuplicate(int32_t index) {
  if (!Valid(index)) return -1;
  auto copy = std::make_unique<CRoom>();
  copy->Assign(*RoomEntries()[static_cast<size_t>(index)].room);
  const auto added = RoomCount();
  RoomEntries().push_back({std::move(copy), NewName(added)});
  return added;
}

bool RoomAssign(int32_t index, int32_t source) {
  if (!Valid(source) || !InRange(index)) return false;
  Entry& e = RoomEntries()[static_cast<size_t>(index)];
  if (!e.room) {
    e.room = std::make_unique<CRoom>();
    e.name = NewName(index);
  }
  e.room->Assign(*RoomEntries()[static_cast<size_t>(source)].room);
  return true;
}

bool LoadRooms(CStream& s) {
  RoomEntries().clear();
  if (s.ReadInteger() != kRoomsChunkVersion) return false;
  const int32_t count = s.ReadInteger();
  // Each entry is a compressed block of at least its length integer; entries are added as
  // they are read, so the count alone allocates nothing.
  if (count < 0 || int64_t{count} * 4 > int64_t{s.GetSize()} - s.GetPosition()) throw StreamError("bad room count");
  for (int32_t i = 0; i < count; ++i) {
    CStream e = s.ReadStreamC();
    Entry& entry = RoomEntries().emplace_back();
    if (!e.ReadBoolean()) continue;
    entry.name = e.ReadString();
    auto room = std::make_unique<CRoom>();
    if (!room->LoadFromStream(e)) {
      RoomEntries().clear();
      return false;
    }
    entry.room = std::move(room);
  }
  SetLastInstanceId(s.ReadInteger());
  SetLastTileId(s.ReadInteger());
  return true;
}

bool LoadRoomOrder(CStream& s) {
  Order().clear();
  if (s.ReadInteger() != kRoomOrderChunkVersion) return false;
  const int32_t count = s.ReadInteger();
  if (count <= 0) return false;
  if (int64_t{count} * 4 > int64_t{s.GetSize()} - s.GetPosition()) throw StreamError("bad room order count");
  Order().reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) Order().push_back(s.ReadInteger());
  return true;
}

int32_t LastTileId() { return RoomsState().lastTileId; }
void SetLastTileId(int32_t id) { RoomsState().lastTileId = id; }
int32_t NextTileId() { return RoomsState().lastTileId < INT32_MAX ? ++RoomsState().lastTileId : RoomsState().lastTileId; }

int32_t RoomOrderCount() { return static_cast<int32_t>(Order().size()); }
int32_t RoomOrderAt(int32_t pos) {
  return pos >= 0 && pos < RoomOrderCount() ? Order()[static_cast<size_t>(pos)] : -1;
}
int32_t RoomFirst() { return RoomOrderAt(0); }
int32_t RoomLast() { return RoomOrderAt(RoomOrderCount() - 1); }

// A room listed twice counts from its first place.
int32_t RoomPrevious(int32_t room) {
  for (int32_t i = 0; i < RoomOrderCount(); ++i)
    if (Order()[static_cast<size_t>(i)] == room) return RoomOrderAt(i - 1);
  return -1;
}
int32_t RoomNext(int32_t room) {
  for (int32_t i = 0; i < RoomOrderCount(); ++i)
    if (Order()[static_cast<size_t>(i)] == room) return RoomOrderAt(i + 1);
  return -1;
}
