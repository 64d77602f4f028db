// Saved games as files: the exact layout for a tiny game, a damaged or foreign file refused
// with the game left exactly as it was, a full disk keeping the old save, and secure mode.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "runner/base/Option_Main.h"
#include "runner/base/Support_Stream.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Main.h"
#include "runner/run/Run_Save.h"
#include "runner/shell/Runner_Game.h"
#include "runner/shell/Runner_Save.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string>& Errors() {
  static std::vector<std::string> errors;
  return errors;
}

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
void Put(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }
// Where two byte strings first differ; -1 when they are equal (big files print badly).
int64_t FirstDifference(const std::string& a, const std::string& b) {
  const auto [i, j] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return i == a.end() && j == b.end() ? -1 : i - a.begin();
}
std::string Text(const CStream& s) { return std::string(reinterpret_cast<const char*>(s.Data()), static_cast<size_t>(s.GetSize())); }

// A game of two rooms and one object, played in a folder of its own: the first room has two
// instances (one with variables), a tile and a caption; the second is never visited.
class SavedGames : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "saved_games_XXXXXX").string();
    ASSERT_TRUE(mkdtemp(tmpl.data()));
    dir_ = tmpl;
    old_ = fs::current_path();
    fs::current_path(dir_);
    SetErrorSink([](std::string_view m, bool) { Errors().emplace_back(m); });
    Errors().clear();

    SettingsState().gameId = 7;
    obj_ = ObjectAdd();
    for (int32_t i = 0; i < 2; ++i) Rooms().Put(i, std::make_unique<CRoom>(), "rm" + std::to_string(i));
    CRoom& first = *Rooms().Get(0);
    first.r_caption = "Hi";
    SetLastInstanceId(100000);
    first.AddInstance(16, 32, obj_);
    first.AddInstance(48, 32, obj_);
    SetLastTileId(10000000);
    RTile tile;
    tile.w = tile.h = 16;
    first.AddTile(tile);  // takes the next tile id
    CStream order;
    order.WriteInteger(kRoomOrderChunkVersion);
    order.WriteInteger(2);
    order.WriteInteger(0);
    order.WriteInteger(1);
    order.SetPosition(0);
    ASSERT_TRUE(LoadRoomOrder(order));
    ShellState().subsystems = {GameSubsystem("runtime")};
    ASSERT_TRUE(StartGame());

    CInstance* inst = CurrentRoom()->Instance(1);
    inst->i_vars.SetVar(100000, 0, RValue(2.5));
    inst->i_vars.SetVar(100001, 3, RValue(std::string_view("three")));
    GlobalVars().Set(100002, 0, RValue(std::string_view("global")));
    GameState().score = 120;
  }
  void TearDown() override {
    SetErrorSink(nullptr);
    SetSecureMode(false);
    fs::current_path(old_);
    fs::remove_all(dir_);
  }

  // Everything a saved game holds of the running game, as the bytes it saves.
  static std::string Snapshot() {
    CStream s;
    SaveRunState(s);
    return Text(s);
  }

  int32_t obj_ = -1;
  fs::path dir_, old_;
};

// The file for the tiny game, built field by field; offsets of interest are noted by name.
std::string ExpectedFile(std::map<std::string, int32_t>& at) {
  CStream s;
  auto mark = [&](const char* name) { at[name] = s.GetPosition(); };
  mark("version");
  s.WriteInteger(540);
  mark("game id");
  s.WriteInteger(7);
  mark("current room");
  s.WriteInteger(0);
  s.WriteInteger(0);    // transition
  s.WriteInteger(120);  // score
  s.WriteInteger(-1);   // lives
  s.WriteReal(100);     // health
  mark("cursor sprite");
  s.WriteInteger(-1);
  s.WriteInteger(0);       // cursor image
  s.WriteBoolean(true);    // automatic drawing
  mark("globals");
  GlobalVars().SaveToStream(s);  // the global store's own form, tested with it
  mark("slot count");
  s.WriteInteger(2);
  s.WriteBoolean(true);
  mark("room version");
  s.WriteInteger(540);
  mark("caption");
  s.WriteString("Hi");
  for (int32_t v : {640, 480, 30}) s.WriteInteger(v);
  s.WriteBoolean(false);        // persistent
  s.WriteInteger(0xC0C0C0);     // colour
  s.WriteBoolean(true);         // show colour
  s.WriteString("");            // creation code
  mark("layer count");
  s.WriteInteger(8);
  for (int i = 0; i < 8; ++i) {
    s.WriteBoolean(false);
    s.WriteBoolean(false);
    if (i == 0) mark("layer background");
    s.WriteInteger(-1);
    s.WriteReal(0);
    s.WriteReal(0);
    s.WriteBoolean(true);
    s.WriteBoolean(true);
    for (double v : {1.0, 1.0, 0.0, 0.0}) s.WriteReal(v);
    s.WriteInteger(0xFFFFFF);
    s.WriteReal(1);
  }
  s.WriteBoolean(false);  // views enabled
  mark("view count");
  s.WriteInteger(8);
  for (int i = 0; i < 8; ++i) {
    s.WriteBoolean(false);
    for (int32_t v : {0, 0, 640, 480, 0, 0, 640, 480}) s.WriteInteger(v);
    s.WriteReal(0);
    for (int32_t v : {32, 32, -1, -1, -1}) s.WriteInteger(v);
  }
  mark("active count");
  s.WriteInteger(2);
  for (int32_t i = 0; i < 2; ++i) {
    if (i == 1) mark("instance id");
    CurrentRoom()->Instance(i)->SaveToStream(s);  // the instance's own form, tested with it
  }
  at["object index"] = at["instance id"] + 204;  // after 11 integers and booleans and 20 reals
  s.WriteInteger(0);  // inactive instances
  mark("tile count");
  s.WriteInteger(1);
  s.WriteReal(0);
  s.WriteReal(0);
  mark("tile background");
  for (int32_t v : {-1, 0, 0, 16, 16}) s.WriteInteger(v);
  s.WriteReal(0);  // depth
  s.WriteInteger(10000001);
  s.WriteReal(1);
  s.WriteReal(1);
  s.WriteInteger(0xFFFFFF);
  s.WriteReal(1);
  s.WriteBoolean(true);
  mark("second slot");
  s.WriteBoolean(false);
  s.WriteInteger(100002);    // last instance id
  s.WriteInteger(10000001);  // last tile id
  return Text(s);
}

TEST_F(SavedGames, TheFileIsLaidOutFieldByField) {
  SaveGameFile("tiny.sav");
  EXPECT_TRUE(Errors().empty());
  std::map<std::string, int32_t> at;
  EXPECT_EQ(FirstDifference(Bytes("tiny.sav"), ExpectedFile(at)), -1);
}

TEST_F(SavedGames, LoadingPutsBackWhatWasSavedWithoutRunningEvents) {
  const std::string saved = Snapshot();
  SaveGameFile("a.sav");
  GameState().score = 0;
  GlobalVars().Set(100002, 0, RValue(1.0));
  CurrentRoom()->Instance(1)->i_vars.SetVar(100001, 3, RValue(0.0));
  CurrentRoom()->AddInstance(0, 0, obj_);
  GoToRoom(1, 0);
  PerformRoomChange();
  ASSERT_EQ(CurrentRoomIndex(), 1);
  LoadGameFile("a.sav");
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(CurrentRoomIndex(), 0);
  EXPECT_EQ(FirstDifference(Snapshot(), saved), -1);
  RValue v;
  ASSERT_TRUE(CurrentRoom()->Instance(1)->i_vars.GetVar(100001, 3, v));
  EXPECT_EQ(v.str(), "three");
  EXPECT_EQ(CurrentRoom()->Obj_Number(obj_), 2);  // the per-object lists are rebuilt
  EXPECT_EQ(LastInstanceId(), 100002);

  // A missing file does nothing at all.
  LoadGameFile("none.sav");
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(FirstDifference(Snapshot(), saved), -1);
}

TEST_F(SavedGames, ADamagedOrForeignFileLeavesTheGameAsItWas) {
  std::map<std::string, int32_t> at;
  const std::string good = ExpectedFile(at);
  const std::string damaged = "Failed to load game from file x.sav";
  struct Case {
    const char* field;
    int32_t value;
    std::string message;
  };
  const Case cases[] = {
      {"version", 541, "Cannot load game saved with other version."},
      {"game id", 8, "This is a save file for a different game!"},
      {"current room", 1, damaged},   // a slot without a room
      {"current room", -1, damaged},
      {"cursor sprite", 3, damaged},  // no such sprite
      {"slot count", 0x7FFFFFFF, damaged},
      {"slot count", -1, damaged},
      {"room version", 541, damaged},
      {"caption", 0x7FFFFFF0, damaged},
      {"layer count", 9, damaged},
      {"layer background", 4, damaged},
      {"view count", 7, damaged},
      {"active count", 0x10000000, damaged},
      {"active count", 3, damaged},
      {"instance id", 5, damaged},  // in the object range
      {"object index", 1, damaged},  // no such object
      {"tile count", -1, damaged},
      {"tile background", 2, damaged},
      {"second slot", 1, damaged},  // a room that is not there
  };
  const std::string state = Snapshot();
  CRoom* room = CurrentRoom();
  auto refused = [&](const std::string& bytes, const std::string& message, const std::string& what) {
    Put("x.sav", bytes);
    Errors().clear();
    LoadGameFile("x.sav");
    EXPECT_EQ(Errors(), std::vector<std::string>{message}) << what;
    EXPECT_EQ(FirstDifference(Snapshot(), state), -1) << what;
    EXPECT_EQ(CurrentRoom(), room) << what;
  };
  for (const Case& c : cases) {
    std::string bytes = good;
    ASSERT_TRUE(at.count(c.field)) << c.field;
    for (int k = 0; k < 4; ++k) bytes[static_cast<size_t>(at[c.field] + k)] = static_cast<char>((c.value >> (8 * k)) & 0xFF);
    refused(bytes, c.message, c.field);
  }
  refused(good.substr(0, 4) + good.substr(8), "This is a save file for a different game!", "no game id");
  // Cut short anywhere: the smallest piece of every field.
  // (Inside the ten thousand declaration flags of the global store only now and then.)
  const size_t flagsEnd = static_cast<size_t>(at["slot count"]), flagsBegin = flagsEnd - 40000;
  for (size_t n = 0; n < good.size(); ++n)
    if (n < flagsBegin + 8 || n + 8 > flagsEnd || n % 4999 == 0)
      refused(good.substr(0, n), damaged, "cut at " + std::to_string(n));
  // Only the whole file loads.
  Put("x.sav", good);
  Errors().clear();
  LoadGameFile("x.sav");
  EXPECT_TRUE(Errors().empty());
}

TEST_F(SavedGames, AFullDiskKeepsTheOldSaveAndSaysSo) {
  SaveGameFile("slot.sav");
  const std::string old = Bytes("slot.sav");
  ASSERT_GT(old.size(), 1000u);
  GameState().score = 5;
  CurrentRoom()->Instance(0)->i_vars.SetVar(100003, 0, RValue(std::string_view(std::string(4000, 'x'))));
  const pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit small{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &small);
    Errors().clear();
    SaveGameFile("slot.sav");
    _exit(Errors() == std::vector<std::string>{"Failed to save game to file slot.sav"} ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(FirstDifference(Bytes("slot.sav"), old), -1);
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(".")) left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"slot.sav"});  // no temporary file stays behind
  LoadGameFile("slot.sav");
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(GameState().score, 120);
}

TEST_F(SavedGames, SecureModeRefusesPathNames) {
  SetSecureMode(true);
  fs::create_directory("sub");
  for (const char* name : {"sub/a.sav", "sub\\a.sav"}) {
    Errors().clear();
    SaveGameFile(name);
    EXPECT_EQ(Errors(), std::vector<std::string>{std::string("In secure mode you cannot save game to file ") + name});
  }
  EXPECT_TRUE(fs::is_empty("sub"));
  Errors().clear();
  SaveGameFile("a.sav");
  EXPECT_TRUE(Errors().empty());
  EXPECT_TRUE(fs::exists("a.sav"));
  // Reading is allowed from anywhere, as for every other file.
  fs::rename("a.sav", "sub/a.sav");
  GameState().score = 0;
  LoadGameFile("sub/a.sav");
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(GameState().score, 120);
}

}  // namespace
