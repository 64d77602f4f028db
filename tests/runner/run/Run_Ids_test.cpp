// Instance and tile ids at the top of their range: the counter cannot pass it, and no id is
// ever handed out twice (a game file can start the counters anywhere).
#include <climits>
#include <set>

#include "runner/run/Room_Main.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

class Ids : public WorldTest {};

TEST_F(Ids, NeverHandedOutTwiceAtTheTopOfTheRange) {
  const int32_t obj = AddObject();
  SetLastInstanceId(INT32_MAX - 2);
  std::set<int32_t> ids;
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(ids.insert(room.AddInstance(0, 0, obj)->i_id).second) << i;
  EXPECT_EQ(ids, (std::set<int32_t>{100001, 100002, 100003, 100004, INT32_MAX - 1, INT32_MAX}));

  SetLastTileId(INT32_MAX - 1);
  std::set<int32_t> tiles;
  for (int i = 0; i < 4; ++i) {
    room.AddTile(RTile{});
    EXPECT_TRUE(tiles.insert(room.r_tile.back().id).second) << i;
  }
  EXPECT_EQ(tiles, (std::set<int32_t>{1, 2, 3, INT32_MAX}));
}

// A room not played yet holds its placed instances as records with the ids they will have, and
// its tiles with theirs: a wrapped counter passes over them, so entering the room later makes
// no second instance or tile with an id already given out.
TEST_F(Ids, AtTheTopTheRoomsNotPlayedYetKeepTheirIds) {
  const int32_t obj = AddObject();
  const int32_t waiting = Rooms().Add();
  CRoom& other = *Rooms().Get(waiting);
  other.r_placed.push_back(RPlacedInstance{0, 0, obj, 100001, 0, 0});
  RTile tile;
  tile.id = 1;
  other.r_tile.push_back(tile);
  SetLastInstanceId(INT32_MAX);
  EXPECT_EQ(room.AddInstance(0, 0, obj)->i_id, 100002);
  SetLastTileId(INT32_MAX);
  room.AddTile(RTile{});
  EXPECT_EQ(room.r_tile.back().id, 2);
  other.MakePlacedInstances();
  EXPECT_EQ(other.Instance(0)->i_id, 100001);
  Rooms().DropLast();
}

}  // namespace
