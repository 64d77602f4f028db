// Rooms written by gamebuild and read back by the runner's rooms and room order loaders: every
// field, defaults, instance and tile ids across rooms, the counters, and the faults of room
// files.
#include <gtest/gtest.h>

#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Main.h"
#include "tests/tools/gamebuild/GameFixture.h"

using namespace fixture;
using gamebuild::ProjectError;

namespace {

std::string Game(const std::string& rooms, const std::string& order, const std::string& objects = R"(["obj_a", "obj_b"])") {
  return R"({"game_id": 1, "room_order": )" + order + R"(, "resources": {"rooms": )" + rooms +
         R"(, "objects": )" + objects + "}}";
}

// Loads the built game with the objects, rooms and room order loaders; all stay loaded for the
// test.
struct Loaded : LoadRun {
  explicit Loaded(const Project& p) {
    UseSubsystem("objects");
    AddChunkLoader(EChunk::Rooms, LoadRooms);
    AddChunkLoader(EChunk::RoomOrder, LoadRoomOrder);
    Load(p.Build());
  }
};

TEST(RoomRecords, EveryFieldRoundTrips) {
  Project p({{"game.json", Game(R"(["rm_title", null, "rm_level"])", R"(["rm_level", "rm_title"])")},
             {"objects/obj_a.json", "{}"},
             {"objects/obj_b.json", "{}"},
             {"rooms/rm_level/create.kvs", "a = 1;\nb = 2;\n"},
             {"rooms/rm_level/hp.kvs", "hp = 3;"},
             {"rooms/rm_level.json", R"({
                "caption": "Level ü", "width": 1024, "height": 768, "speed": 60, "persistent": true,
                "color": "#102030", "show_color": false, "code_file": "rm_level/create.kvs",
                "backgrounds": [{"background": 3, "foreground": true, "x": -5, "y": 7, "htiled": false,
                                 "hspeed": -2, "vspeed": 1, "stretch": true},
                                {"visible": true, "vtiled": false}],
                "enable_views": true,
                "views": [{}, {"visible": false, "xview": 1, "yview": 2, "wview": 320, "hview": 240, "xport": 3,
                          "yport": 4, "wport": 640, "hport": 480, "hborder": 100, "vborder": 50, "hspeed": 4,
                          "vspeed": 0, "follow": "obj_b"},
                          {"follow": 100002}],
                "instances": [{"object": "obj_b", "x": 32, "y": -16, "code": "hp = 1;\nmp = 2;"},
                              {"object": "obj_a", "code_file": "rm_level/hp.kvs"}],
                "tiles": [{"background": 2, "x": 8, "y": 9, "left": 16, "top": 32, "width": 48, "height": 24,
                           "depth": -100}]})"}});
  Loaded run(p);
  ASSERT_TRUE(run.loaded) << (run.messages.empty() ? "" : run.messages[0]);
  ASSERT_EQ(Rooms().Count(), 3);
  EXPECT_FALSE(Rooms().Exists(1));
  EXPECT_EQ(Rooms().Name(0), "rm_title");
  EXPECT_EQ(Rooms().Name(2), "rm_level");
  EXPECT_EQ(RoomOrderCount(), 2);
  EXPECT_EQ(RoomFirst(), 2);
  EXPECT_EQ(RoomNext(2), 0);

  const CRoom& r = *Rooms().Get(2);
  EXPECT_EQ(r.r_caption, "Level ü");
  EXPECT_EQ(r.r_width, 1024);
  EXPECT_EQ(r.r_height, 768);
  EXPECT_EQ(r.r_speed, 60);
  EXPECT_TRUE(r.r_persistent);
  EXPECT_EQ(r.r_color, 0x302010u);
  EXPECT_FALSE(r.r_showcolor);
  EXPECT_EQ(r.r_code, "a = 1;\r\nb = 2;\r\n");

  const CBack& b0 = r.r_background[0];
  EXPECT_TRUE(b0.visible);  // naming a background shows it
  EXPECT_TRUE(b0.foreground);
  EXPECT_EQ(b0.index, 3);
  EXPECT_EQ(b0.x, -5);
  EXPECT_EQ(b0.y, 7);
  EXPECT_FALSE(b0.htiled);
  EXPECT_TRUE(b0.vtiled);
  EXPECT_EQ(b0.hspeed, -2);
  EXPECT_EQ(b0.vspeed, 1);
  EXPECT_EQ(b0.xscale, 1);  // no such background to stretch
  const CBack& b1 = r.r_background[1];
  EXPECT_TRUE(b1.visible);
  EXPECT_EQ(b1.index, -1);
  EXPECT_FALSE(b1.vtiled);
  EXPECT_FALSE(r.r_background[2].visible);
  EXPECT_TRUE(r.r_background[7].htiled);

  EXPECT_TRUE(r.r_enableviews);
  const CView& v0 = r.r_view[0];
  EXPECT_TRUE(v0.visible);  // a listed view
  EXPECT_EQ(v0.wview, 640);
  EXPECT_EQ(v0.hborder, 32);
  EXPECT_EQ(v0.hspeed, -1);
  EXPECT_EQ(v0.index, -1);
  const CView& v1 = r.r_view[1];
  EXPECT_FALSE(v1.visible);
  const int32_t fields[] = {v1.xview, v1.yview, v1.wview, v1.hview, v1.xport, v1.yport, v1.wport,
                            v1.hport, v1.hborder, v1.vborder, v1.hspeed, v1.vspeed, v1.index};
  const int32_t expected[] = {1, 2, 320, 240, 3, 4, 640, 480, 100, 50, 4, 0, 1};
  for (size_t i = 0; i < std::size(fields); ++i) EXPECT_EQ(fields[i], expected[i]) << "view field " << i;
  EXPECT_EQ(r.r_view[2].index, 100002);
  EXPECT_FALSE(r.r_view[3].visible);

  ASSERT_EQ(r.r_numb(), 2);
  const CInstance& i0 = *r.Instance(0);
  EXPECT_EQ(i0.i_objectindex, 1);
  EXPECT_EQ(i0.i_x, 32);
  EXPECT_EQ(i0.i_y, -16);
  EXPECT_EQ(i0.i_id, 100001);
  EXPECT_EQ(i0.i_initcode, "hp = 1;\r\nmp = 2;");
  EXPECT_EQ(r.Instance(1)->i_id, 100002);
  EXPECT_EQ(r.Instance(1)->i_initcode, "hp = 3;");
  EXPECT_EQ(r.Obj_Number(0), 1);

  ASSERT_EQ(r.r_tnumb(), 1);
  const RTile& t = r.r_tile[0];
  EXPECT_EQ(t.index, 2);
  EXPECT_EQ(t.x, 8);
  EXPECT_EQ(t.y, 9);
  EXPECT_EQ(t.xo, 16);
  EXPECT_EQ(t.yo, 32);
  EXPECT_EQ(t.w, 48);
  EXPECT_EQ(t.h, 24);
  EXPECT_EQ(t.depth, -100);
  EXPECT_EQ(t.id, 10000001);

  const CRoom& title = *Rooms().Get(0);  // "{}": every default
  EXPECT_EQ(title.r_caption, "");
  EXPECT_EQ(title.r_width, 640);
  EXPECT_EQ(title.r_speed, 30);
  EXPECT_EQ(title.r_color, 0xC0C0C0u);
  EXPECT_TRUE(title.r_showcolor);
  EXPECT_FALSE(title.r_enableviews);
  EXPECT_FALSE(title.r_view[0].visible);
  EXPECT_FALSE(title.r_background[0].visible);
  EXPECT_EQ(title.r_numb() + title.r_tnumb(), 0);

  EXPECT_EQ(LastInstanceId(), 100002);
  EXPECT_EQ(LastTileId(), 10000001);
}

TEST(RoomRecords, IdsAreUniqueAcrossRoomsAndGivenOnesAreSkipped) {
  Project p({{"game.json", Game(R"(["rm_a", "rm_b", "rm_empty"])", R"(["rm_a"])")},
             {"objects/obj_a.json", "{}"},
             {"objects/obj_b.json", "{}"},
             {"rooms/rm_a.json", R"({"instances": [{"object": "obj_a"}, {"object": "obj_a", "id": 100002},
                                                    {"object": "obj_a"}],
                                    "tiles": [{"background": 0, "width": 1, "height": 1, "id": 10000001},
                                              {"background": 0, "width": 1, "height": 1}]})"},
             {"rooms/rm_b.json", R"({"instances": [{"object": "obj_b"}, {"object": "obj_b", "id": 200000}],
                                    "tiles": [{"background": 0, "width": 1, "height": 1, "id": 5}]})"}});
  Loaded run(p);
  ASSERT_TRUE(run.loaded) << (run.messages.empty() ? "" : run.messages[0]);
  auto ids = [](int32_t room) {
    std::vector<int32_t> v;
    for (int32_t i = 0; i < Rooms().Get(room)->r_numb(); ++i) v.push_back(Rooms().Get(room)->Instance(i)->i_id);
    return v;
  };
  EXPECT_EQ(ids(0), (std::vector<int32_t>{100001, 100002, 100003}));
  EXPECT_EQ(ids(1), (std::vector<int32_t>{100004, 200000}));
  EXPECT_EQ(Rooms().Get(0)->r_tile[1].id, 10000002);
  EXPECT_EQ(Rooms().Get(1)->r_tile[0].id, 5);
  EXPECT_EQ(LastInstanceId(), 200000);
  EXPECT_EQ(LastTileId(), 10000002);
  EXPECT_EQ(NextTileId(), 10000003);
}

TEST(RoomRecords, NoInstancesOrTilesLeaveTheCountersBelowTheFirstIds) {
  Project p;
  Loaded run(p);
  ASSERT_TRUE(run.loaded);
  EXPECT_EQ(Rooms().Count(), 1);
  EXPECT_EQ(LastInstanceId(), 100000);
  EXPECT_EQ(LastTileId(), 10000000);
}

struct RoomFault {
  const char* what;
  std::string room;  // rooms/rm.json
  const char* key;
  const char* message;
};

void PrintTo(const RoomFault& c, std::ostream* os) { *os << c.what; }

class RoomFaults : public ::testing::TestWithParam<RoomFault> {};

TEST_P(RoomFaults, NameFileAndKey) {
  const RoomFault& c = GetParam();
  Project p({{"game.json", Game(R"(["rm", "rm2"])", R"(["rm"])", R"(["obj_a"])")},
             {"objects/obj_a.json", "{}"},
             {"rooms/rm.json", c.room},
             {"rooms/rm2.json", R"({"instances": [{"object": "obj_a", "id": 100007}]})"}});
  try {
    p.BuildBytes();
    FAIL() << "no error for " << c.what;
  } catch (const ProjectError& e) {
    EXPECT_EQ(e.File(), "rooms/rm.json");
    EXPECT_EQ(e.Key(), c.key);
    EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RoomFaults,
    ::testing::Values(
        RoomFault{"unknown key", R"({"colour": 1})", "colour", "unknown key"},
        RoomFault{"speed zero", R"({"speed": 0})", "speed", "out of range"},
        RoomFault{"code twice", R"({"code": "a = 1;", "code_file": "x.kvs"})", "code_file", "not both"},
        RoomFault{"missing code file", R"({"code_file": "nope.kvs"})", "code_file", "file not found"},
        RoomFault{"nine backgrounds", R"({"backgrounds": [{},{},{},{},{},{},{},{},{}]})", "backgrounds", "at most 8"},
        RoomFault{"unknown background", R"({"backgrounds": [{"background": "bg_sky"}]})", "backgrounds[0].background",
                  "unknown background \"bg_sky\""},
        RoomFault{"view follows an unknown object", R"({"views": [{}, {"follow": "obj_z"}]})", "views[1].follow",
                  "unknown object \"obj_z\""},
        RoomFault{"view follows an object index", R"({"views": [{"follow": 3}]})", "views[0].follow", "out of range"},
        RoomFault{"instance without object", R"({"instances": [{"x": 1}]})", "instances[0].object", "missing"},
        RoomFault{"instance id names an object", R"({"instances": [{"object": "obj_a", "id": 99999}]})",
                  "instances[0].id", "out of range"},
        RoomFault{"instance id given twice in one room",
                  R"({"instances": [{"object": "obj_a", "id": 100005}, {"object": "obj_a", "id": 100005}]})",
                  "instances[1].id", "also given at rooms/rm.json: instances[0].id"},
        RoomFault{"tile without size", R"({"tiles": [{"background": 0, "width": 4}]})", "tiles[0].height", "missing"},
        RoomFault{"tile id twice", R"({"tiles": [{"background": 0, "width": 1, "height": 1, "id": 9},
                                                {"background": 0, "width": 1, "height": 1, "id": 9}]})",
                  "tiles[1].id", "also given"},
        RoomFault{"not an object", "[]", "(top level)", "expected an object"}),
    [](const auto& info) {
      std::string n = info.param.what;
      for (char& ch : n)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

TEST(RoomFiles, IdsClashAcrossRoomsAndFilesMustMatchTheList) {
  const std::string game = Game(R"(["rm", "rm2"])", R"(["rm"])", R"(["obj_a"])");
  Project p({{"game.json", game},
             {"objects/obj_a.json", "{}"},
             {"rooms/rm.json", R"({"instances": [{"object": "obj_a", "id": 100001}]})"},
             {"rooms/rm2.json", R"({"instances": [{"object": "obj_a", "id": 100001}]})"}});
  try {
    p.BuildBytes();
    FAIL() << "no error for an id in two rooms";
  } catch (const ProjectError& e) {
    EXPECT_EQ(e.File(), "rooms/rm2.json");
    EXPECT_NE(std::string(e.what()).find("also given at rooms/rm.json"), std::string::npos) << e.what();
  }
  p.Write("rooms/rm2.json", "{}");
  p.Write("rooms/rm_old.json", "{}");
  EXPECT_THROW(
      {
        try {
          p.BuildBytes();
        } catch (const ProjectError& e) {
          EXPECT_EQ(e.File(), "rooms/rm_old.json");
          throw;
        }
      },
      ProjectError);
  fs::remove(p.path() / "rooms/rm_old.json");
  fs::remove(p.path() / "rooms/rm2.json");
  try {
    p.BuildBytes();
    FAIL() << "no error for a missing room file";
  } catch (const ProjectError& e) {
    EXPECT_EQ(e.File(), "rooms/rm2.json");
    EXPECT_NE(std::string(e.what()).find("file not found"), std::string::npos) << e.what();
  }
}

}  // namespace
