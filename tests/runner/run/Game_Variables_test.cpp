// Game-wide built-in variables run through the interpreter: conversions on writing, layer and
// view index clamping, the instance list, room_speed refusals, read-only variables, the
// no-more-lives and no-more-health events, the caption choice, the system values and a game
// without a current room.
#include "runner/base/Option_Main.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Game_Variables.h"

#include <climits>
#include <filesystem>
#include <set>
#include <string>

#include "platform/clock/Clock.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Variable_Access.h"
#include "runner/code/Variable_BuiltIn.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Host.h"
#include "runner/functions/DataNew_Class.h"
#include "runner/base/Runner_Process.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

class GameVariables : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    InitInterpreter();
    InstallRuntimeHost();
    SetErrorSink([](std::string_view m, bool fatal) {
      Errors().push_back(std::string(fatal ? "F:" : "") + std::string(m));
    });
    Errors().clear();
    ClearCodeError();
    GameState() = RGameState();
    room.r_width = 300;
    room.r_height = 200;
    obj = AddObject();
    first = room.AddInstance(0, 0, obj);
    room.AddInstance(0, 0, obj);
  }
  void TearDown() override {
    ClearCodeError();
    SetErrorSink(nullptr);
    SetExecHost(nullptr);
    GameState() = RGameState();
    WorldTest::TearDown();
  }
  static std::vector<std::string>& Errors() {
    static std::vector<std::string> e;
    return e;
  }
  // Runs code for the first instance; returns what t_log printed, joined by '|', then the
  // code error when the run failed.
  std::string Run(const std::string& text) {
    Trace().clear();
    CCode code(text, false);
    EXPECT_TRUE(code.Compile()) << text;
    RValue result;
    const bool ok = ExecuteCode(first, first, code, result);
    std::string out;
    for (const std::string& line : Trace()) out += (out.empty() ? "" : "|") + line.substr(0, line.find('@'));
    if (!ok) out += " !" + CodeError().text;
    ClearCodeError();
    return out;
  }

  int32_t obj = -1;
  CInstance* first = nullptr;
};

TEST_F(GameVariables, WritesConvertAndReadBack) {
  struct Case {
    const char* code;
    const char* printed;
  };
  const Case cases[] = {
      {"score = 2.5; t_log(score); score = 3.5; t_log(score)", "2|4"},
      {"health = 0.5; t_log(health)", "0.5"},
      {"transition_kind = 2.6; transition_steps = 9; t_log(transition_kind); t_log(transition_steps)", "3|9"},
      {"cursor_sprite = 4; t_log(cursor_sprite)", "4"},
      {"room_caption = \"Hall\"; t_log(room_caption); room_caption = 5; t_log(room_caption)", "Hall|"},
      {"room_speed = 59.6; t_log(room_speed)", "60"},
      {"room_persistent = 0.5; t_log(room_persistent); room_persistent = 0.6; t_log(room_persistent)", "0|1"},
      {"t_log(room_width); t_log(room_height)", "300|200"},
      {"background_color = 255; background_showcolor = 0; t_log(background_color); "
       "t_log(background_showcolor)",
       "255|0"},
      {"background_visible[2] = 0.5; t_log(background_visible[2]); background_visible[2] = 0.6; "
       "t_log(background_visible[2])",
       "0|1"},
      {"background_index[7] = 3.4; background_x[7] = 1.5; t_log(background_index[7]); t_log(background_x[7])",
       "3|1.5"},
      {"background_alpha[8] = 0.25; t_log(background_alpha[0])", "0.25"},
      {"background_blend[1] = 65280; t_log(background_blend[1]); t_log(background_blend[0])",
       "65280|16777215"},
      {"view_enabled = 1; t_log(view_enabled)", "1"},
      {"view_xview[9] = 5; t_log(view_xview[0]); t_log(view_xview[9])", "5|5"},
      {"view_yview[3] = 2.5; view_angle[3] = 2.5; t_log(view_yview[3]); t_log(view_angle[3])", "2|2.5"},
      {"view_wview[1, 2] = 7; t_log(view_wview[0]); t_log(view_wview[1])", "7|640"},
      {"view_object[2] = 100005.4; view_hspeed[2] = -1; t_log(view_object[2]); t_log(view_hspeed[2])",
       "100005|-1"},
      {"t_log(instance_count); t_log(instance_id[0]); t_log(instance_id[1]); "
       "t_log(instance_id[instance_count])",
       "2|100001|100002|-4"},
      {"t_log(instance_id[1, 0])", "-4"},
      {"show_lives = 0.6; show_health = 0.5; t_log(show_lives); t_log(show_health)", "1|0"},
      {"caption_score = \"Points: \"; caption_lives = 3; t_log(caption_score); t_log(caption_lives)",
       "Points: |"},
      {"t_log(caption_health)", "Health: "},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(c.code), c.printed) << c.code;
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(room.r_background[7].index, 3);
  EXPECT_EQ(room.r_view[0].xview, 5);
  EXPECT_EQ(room.r_view[2].index, 100005);
  EXPECT_EQ(GameState().caption_score, "Points: ");
}

TEST_F(GameVariables, RefusedWrites) {
  struct Case {
    const char* code;
    bool speedMessage;
  };
  const Case cases[] = {
      {"room_speed = 0", true},
      {"room_speed = 0.5", true},
      {"room_speed = -3", true},
      {"room_speed = \"60\"", true},
      {"fps = 3", false},
      {"room_width = 5", false},
      {"instance_count = 1", false},
      {"instance_id[0] = 1", false},
      {"background_width[0] = 1", false},
      {"view_current = 1", false},
      {"korvex_version = 1", false},
      {"current_time = 0", false},
  };
  room.r_speed = 30;
  for (const Case& c : cases) {
    Errors().clear();
    EXPECT_EQ(Run(c.code), " !Cannot assign to the variable") << c.code;
    EXPECT_EQ(Errors(), c.speedMessage
                            ? std::vector<std::string>{"Trying to set the room speed to a value <= 0."}
                            : std::vector<std::string>{})
        << c.code;
  }
  EXPECT_EQ(room.r_speed, 30);
  EXPECT_EQ(room.r_width, 300);
}

TEST_F(GameVariables, RoomWriteRequestsTheChange) {
  for (int i = 0; i < 3; ++i) Rooms().Add();
  EXPECT_EQ(Run("room = 1.6"), "");
  EXPECT_EQ(PendingRoomChange(), 2);
}

TEST_F(GameVariables, LivesAndHealthFallingToZeroPerformTheirEvents) {
  Tag(obj, ev_other, 6, "no lives");
  Tag(obj, ev_other, 9, "no health");
  room.Instance(1)->i_marked = true;
  EXPECT_EQ(Run("lives = 3; lives = 0; lives = -1; t_log(lives)"), "no lives|-1");
  EXPECT_EQ(Run("health = 5; health = 0.5; health = -2; health = -3; t_log(health)"), "no health|-3");
  EXPECT_EQ(Run("lives = 0; t_log(lives)"), "0");
}

TEST_F(GameVariables, WritingShowScoreMarksTheChoice) {
  EXPECT_EQ(Run("show_lives = 1; show_health = 1; caption_score = \"\""), "");
  EXPECT_FALSE(GameState().score_chosen);
  EXPECT_EQ(Run("show_score = 0; t_log(show_score)"), "0");
  EXPECT_FALSE(GameState().show_score);
  EXPECT_TRUE(GameState().score_chosen);
}

TEST_F(GameVariables, BackgroundSizeComesFromTheLayersBackground) {
  RunLookups().backgroundSize = [](int32_t bg, int32_t& w, int32_t& h) {
    if (bg != 4) return false;
    w = 32;
    h = 16;
    return true;
  };
  room.r_background[3].index = 4;
  room.r_background[0].index = 5;
  EXPECT_EQ(Run("t_log(background_width[3]); t_log(background_height[3]); t_log(background_width[0]); "
                "t_log(background_height[1]); t_log(background_width[11])"),
            "32|16|0|0|0");
  RunLookups().backgroundSize = nullptr;
  EXPECT_EQ(Run("t_log(background_width[3])"), "0");
}

TEST_F(GameVariables, GameStateAndSystemValues) {
  GameState().fps = 57;
  GameState().view_current = 3;
  SetDisplayAA(0);
  EXPECT_EQ(Run("t_log(fps); t_log(view_current); t_log(korvex_version); t_log(os_type); t_log(os_device); "
                "t_log(display_aa)"),
            "57|3|810|0|0|0");
  SetDisplayAA(6);
  SetSecureMode(true);
  SetDebugMode(true);
  EXPECT_EQ(Run("t_log(display_aa); t_log(secure_mode); t_log(debug_mode)"), "6|1|1");
  SetDisplayAA(0);
  SetSecureMode(false);
  SetDebugMode(false);
  EXPECT_EQ(Run("t_log(secure_mode); t_log(debug_mode)"), "0|0");

  platform::UseVirtualClock(true);  // 2000-01-01 00:00:00, a Saturday
  EXPECT_EQ(Run("t_log(current_year); t_log(current_month); t_log(current_day); t_log(current_weekday); "
                "t_log(current_hour); t_log(current_minute); t_log(current_second)"),
            "2000|1|1|7|0|0|0");
  const double before = platform::UptimeMillis();
  platform::SleepMicros(3661000000);
  EXPECT_EQ(Run("t_log(current_hour); t_log(current_minute); t_log(current_second); t_log(current_time)"),
            "1|1|1|" + RealText(before + 3661000));
  platform::UseVirtualClock(false);

  EXPECT_EQ(Run("t_log(temp_directory)"), GetTempDirectory());
  EXPECT_EQ(Run("t_log(working_directory)"), std::filesystem::current_path().string());
  const std::string saved = ExecutableFolder();
  for (const auto& [folder, shown] : {std::pair<const char*, const char*>{"/games/demo", "/games/demo"},
                                      {"/games/demo/", "/games/demo"},
                                      {"/", ""}}) {
    SetExecutableFolder(folder);
    EXPECT_EQ(Run("t_log(program_directory)"), shown) << folder;
  }
  SetExecutableFolder(saved);
}

TEST_F(GameVariables, WithoutARoomReadsAreZeroAndWritesGoNowhere) {
  CRoom* const saved = CurrentRoom();
  SetCurrentRoom(nullptr);
  EXPECT_EQ(
      Run("t_log(room_width); t_log(room_caption); t_log(room_speed); t_log(background_x[2]); "
          "t_log(background_width[0]); t_log(view_xview[3]); t_log(view_enabled); t_log(instance_count); "
          "t_log(instance_id[0])"),
      "0||0|0|0|0|0|0|-4");
  EXPECT_EQ(Run("room_caption = \"x\"; room_speed = 10; room_persistent = 1; background_color = 1; "
                "background_x[2] = 4; view_enabled = 1; view_xview[3] = 4"),
            "");
  EXPECT_EQ(Run("room_speed = 0"), " !Cannot assign to the variable");
  SetCurrentRoom(saved);
}

// Every game-wide variable this unit owns answers, so a name missing from the registration shows;
// any array index is safe, even those the interpreter never passes.
TEST_F(GameVariables, EveryOwnedVariableAnswersForAnyIndex) {
  const std::set<std::string_view> elsewhere = {
      "error_occurred",   "error_last",   "mouse_x",          "mouse_y",           "mouse_button",
      "mouse_lastbutton", "keyboard_key", "keyboard_lastkey", "keyboard_lastchar", "keyboard_string"};
  for (int32_t id = 0; id < BuiltInVarCount(); ++id) {
    const std::string_view name = BuiltInVarName(id);
    if (elsewhere.count(name) || name.starts_with("argument")) continue;
    for (int32_t arr : {0, 7, 8, -1, INT32_MIN, INT32_MAX}) {
      RValue v;
      EXPECT_TRUE(ReadBuiltIn(first, id, arr, v)) << name << "[" << arr << "]";
    }
  }
  for (int32_t arr : {-1, INT32_MIN, INT32_MAX}) {
    EXPECT_TRUE(WriteBuiltIn(first, BuiltInVarId("view_xview"), arr, RValue(9.0)));
    EXPECT_TRUE(WriteBuiltIn(first, BuiltInVarId("background_alpha"), arr, RValue(0.5)));
  }
  EXPECT_EQ(room.r_view[0].xview, 9);
  EXPECT_EQ(room.r_background[0].alpha, 0.5);
}

}  // namespace
