// The room list, the rooms and room order chunks, the room order and the tile id counter; see
// Room_Main.h.
#include "runner/run/Room_Main.h"

#include <memory>
#include <string>
#include <vector>

#include "runner/base/Game.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"
#include "runner/base/Support_Stream.h"

namespace {
// The room resources as the game file gave them (and run-time additions), the room order and
// the tile id counter. A restart keeps them: it plays fresh copies of the same rooms.
struct RRoomsState {
  static constexpr EGameSlot kSlot = EGameSlot::Rooms;
  TResourceList<CRoom> rooms{"__newroom"};
  std::vector<int32_t> order;
  int32_t lastTileId = 0;
  // The placed records' prototypes by object index (null where none was noted) and the one of
  // no object.
  std::vector<std::unique_ptr<CInstance>> prototypes;
  std::unique_ptr<CInstance> noObject;
};
RRoomsState& RoomsState() { return TheGame().State<RRoomsState>(); }
std::vector<int32_t>& Order() { return RoomsState().order; }
}  // namespace

TResourceList<CRoom>& Rooms() { return RoomsState().rooms; }

int32_t RoomDuplicate(int32_t index) {
  const CRoom* source = Rooms().Get(index);
  if (!source) return -1;
  const int32_t added = Rooms().Add();
  Rooms().Get(added)->Assign(*source);
  return added;
}

bool RoomAssign(int32_t index, int32_t source) {
  const CRoom* from = Rooms().Get(source);
  if (!from || index < 0 || index >= Rooms().Count()) return false;
  if (!Rooms().Exists(index)) Rooms().Put(index, std::make_unique<CRoom>(), "__newroom" + std::to_string(index));
  Rooms().Get(index)->Assign(*from);
  return true;
}

void NotePlacedObject(int32_t objectindex) {
  if (!Objects().Exists(objectindex)) return;
  auto& prototypes = RoomsState().prototypes;
  const auto at = static_cast<size_t>(objectindex);  // below the object count, so bounded
  if (at >= prototypes.size()) prototypes.resize(at + 1);
  if (!prototypes[at]) prototypes[at] = std::make_unique<CInstance>(0, 0, 0, objectindex);
}

const CInstance& PlacedPrototype(int32_t objectindex) {
  RRoomsState& state = RoomsState();
  if (objectindex >= 0 && static_cast<size_t>(objectindex) < state.prototypes.size())
    if (const CInstance* p = state.prototypes[static_cast<size_t>(objectindex)].get()) return *p;
  if (!state.noObject) state.noObject = std::make_unique<CInstance>(0, 0, 0, -1);
  return *state.noObject;
}

bool LoadRooms(CStream& s) {
  Rooms().Clear();
  RoomsState().prototypes.clear();
  if (s.ReadInteger() != kRoomsChunkVersion) return false;
  const int32_t count = s.ReadInteger();
  // Each entry is a compressed block of at least its length integer; entries are added as
  // they are read, so the count alone allocates nothing.
  if (count < 0 || int64_t{count} * 4 > int64_t{s.GetSize()} - s.GetPosition()) throw StreamError("bad room count");
  for (int32_t i = 0; i < count; ++i) {
    CStream e = s.ReadStreamC();
    Rooms().Put(i, nullptr, std::string());
    if (!e.ReadBoolean()) continue;
    std::string name = e.ReadString();
    auto room = std::make_unique<CRoom>();
    if (!room->LoadFromStream(e)) {
      Rooms().Clear();
      return false;
    }
    Rooms().Put(i, std::move(room), std::move(name));
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
