// The debug window's texts and commands without a game running: value text, info lines, the
// watch rows, watch files (with damaged and foreign input), printing with and without lp, the
// local-window limit and the speed text. The window over a running game is the debug_window game.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "runner/dialogs/Debug_Info.h"
#include "runner/dialogs/Debug_State.h"
#include "runner/dialogs/Debug_Window.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& p, const std::string& data) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f << data;
}

fs::path Scratch(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("debug_window_test_" + std::to_string(getpid())) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::vector<std::string> Expressions() {
  std::vector<std::string> out;
  for (const RDebugWatch& w : DebugState().watches) out.push_back(w.expression);
  return out;
}

// Sets PATH for one test and puts it back.
struct PathScope {
  std::string saved;
  explicit PathScope(const std::string& path) {
    if (const char* p = std::getenv("PATH")) saved = p;
    setenv("PATH", path.c_str(), 1);
  }
  ~PathScope() { setenv("PATH", saved.c_str(), 1); }
};

TEST(DebugValueText, WholeNumbersThenTheFewestEvenDecimalsThatHoldTheValue) {
  const struct {
    RValue v;
    char decimal;
    const char* text;
  } cases[] = {
      {RValue(2.0), '.', "2"},
      {RValue(-7.0), '.', "-7"},
      {RValue(3.5), '.', "3.50"},
      {RValue(0.125), '.', "0.1250"},
      {RValue(1.0 / 3.0), '.', "0.3333333333"},
      {RValue(2.0 / 3.0), '.', "0.6666666667"},
      {RValue(0.1 + 0.2), '.', "0.30"},  // off by less than 1e-12 at 2 decimals
      {RValue(-2.5), '.', "-2.50"},
      {RValue(1234.56789012345), '.', "1234.5678900000"},  // 10 significant digits, then zeros
      {RValue(1e15), '.', "1000000000000000"},
      {RValue(12345678901.5), '.', "1.234567890E+10"},  // more than 10 integer digits
      {RValue(3.5), ',', "3,50"},
      {RValue("abc"), '.', "abc"},
      {RValue(""), '.', ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DebugValueText(c.v, c.decimal), c.text) << c.text;
}

TEST(DebugInfoLine, NamePaddedToTwentyNeverCutNulsDropped) {
  EXPECT_EQ(DebugInfoLine("keyboard_lastchar", RValue(65.0)), "keyboard_lastchar:  65\r\n");
  EXPECT_EQ(DebugInfoLine("x", RValue(1.5)), "x:                  1.50\r\n");
  EXPECT_EQ(DebugInfoLine("a_rather_long_variable_name", RValue("v")), "a_rather_long_variable_name:v\r\n");
  EXPECT_EQ(DebugInfoLine("s", RValue(std::string("a\0b", 3))), "s:                  ab\r\n");
}

TEST(DebugWatches, RowsAddChangeDeleteAndClear) {
  DebugAddWatch("");  // an empty text adds nothing
  EXPECT_TRUE(DebugState().watches.empty());
  DebugAddWatch("a");
  DebugAddWatch("b");
  DebugChangeWatch(3, "c");  // the empty last row: Change adds
  DebugChangeWatch(1, "");   // an empty text is accepted when changing
  EXPECT_EQ(Expressions(), (std::vector<std::string>{"", "b", "c"}));
  DebugDeleteWatch(4);  // the empty last row: nothing
  DebugDeleteWatch(2);
  EXPECT_EQ(Expressions(), (std::vector<std::string>{"", "c"}));
  DebugClearWatches();
  EXPECT_TRUE(DebugState().watches.empty());
}

TEST(DebugWatchFile, RoundTripKeepsEveryLineAndReadsForeignText) {
  const fs::path dir = Scratch("files");
  for (const char* e : {"global.count", "", "x + 1", "\"héllo\""}) DebugState().watches.push_back({e, "old"});
  ASSERT_EQ(DebugSaveWatches((dir / "w.txt").string()), "");
  EXPECT_EQ(ReadFile(dir / "w.txt"), "global.count\r\n\r\nx + 1\r\n\"h\xC3\xA9llo\"\r\n");
  DebugClearWatches();
  ASSERT_EQ(DebugLoadWatches((dir / "w.txt").string()), "");
  EXPECT_EQ(Expressions(), (std::vector<std::string>{"global.count", "", "x + 1", "\"h\xC3\xA9llo\""}));

  // Bytes that are not UTF-8 are CP1252; LF alone ends a line too, and a last line without an end counts.
  DebugClearWatches();
  WriteFile(dir / "old.txt", "caf\xE9\n\x80 5\r\nlast");
  ASSERT_EQ(DebugLoadWatches((dir / "old.txt").string()), "");
  EXPECT_EQ(Expressions(), (std::vector<std::string>{"caf\xC3\xA9", "\xE2\x82\xAC 5", "last"}));

  // A file that cannot be read: the system's reason, and the rows stay.
  EXPECT_NE(DebugLoadWatches((dir / "missing.txt").string()), "");
  EXPECT_NE(DebugSaveWatches((dir / "no/such/folder.txt").string()), "");
  EXPECT_EQ(Expressions().size(), 3u);
}

TEST(DebugPrint, WithoutLpSaysSoWithLpHandsTheTextOver) {
  const fs::path dir = Scratch("print");
  {
    PathScope path(dir.string());
    EXPECT_EQ(PrintDebugText("text"), "Printing is not available");
  }
  // A stand-in lp that keeps its arguments and the file it was given.
  const fs::path lp = dir / "lp";
  WriteFile(lp, "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"" + (dir / "args").string() +
                    ".part\"\neval last=\\${$#}\ncp \"$last\" \"" + (dir / "printed").string() + "\"\nmv \"" +
                    (dir / "args").string() + ".part\" \"" + (dir / "args").string() + "\"\n");
  chmod(lp.c_str(), 0755);
  {
    PathScope path(dir.string() + ":/usr/bin:/bin");
    EXPECT_EQ(PrintDebugText("line 1\r\nline 2\r\n"), "");
  }
  // The child runs on its own; give it a while to finish.
  for (int i = 0; i < 200 && !fs::exists(dir / "args"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const std::string args = ReadFile(dir / "args");
  EXPECT_EQ(args.substr(0, args.find('\n', args.find("Debug Information"))), "-t\nDebug Information");
  EXPECT_EQ(ReadFile(dir / "printed"), "line 1\r\nline 2\r\n");
}

TEST(DebugLocalWindows, AtMostOneHundredWhileAllAreVisible) {
  for (int i = 0; i < kMaxLocalWindows + 1; ++i) DebugShowLocal("obj_" + std::to_string(i));
  EXPECT_EQ(DebugState().locals.size(), static_cast<size_t>(kMaxLocalWindows));
  // A number asks for an id, never for an object named like one; a hidden window is reused.
  DebugState().locals[7]->visible = false;
  DebugShowLocal("100005");
  EXPECT_EQ(DebugState().locals[7]->localvarid, 100005);
  EXPECT_EQ(DebugState().locals[7]->localvarname, "##########");
  EXPECT_EQ(DebugState().locals[7]->title, "Local Variables for 100005");
  EXPECT_EQ(DebugState().locals[0]->localvarid, -1);
  EXPECT_EQ(DebugState().locals[0]->localvarname, "obj_0");
}

TEST(DebugSpeed, OnlyAWholeNumberChangesTheRoomSpeed) {
  CRoom room;
  SetCurrentRoom(&room);
  const struct {
    const char* text;
    int32_t speed;
  } cases[] = {{"45", 45}, {"abc", 45}, {"", 45}, {"12x", 45}, {"99999999999", 45}, {"0", 0}, {"-3", -3}};
  for (const auto& c : cases) {
    DebugSetSpeed(c.text);
    EXPECT_EQ(room.r_speed, c.speed) << c.text;
  }
  SetCurrentRoom(nullptr);
}

}  // namespace
