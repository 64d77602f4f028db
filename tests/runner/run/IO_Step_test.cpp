// Input inside the real step: replayed keys reaching the runner keys under their settings, the
// close button, the input phases in their place among the step's events, and a recorded run
// replayed to the same events.
#include <filesystem>

#include "runner/base/Option_Main.h"
#include "runner/run/Run_Hooks.h"
#include "runner/shell/Runner_Load.h"
#include "tests/runner/run/InputWorld.h"

using namespace world;

namespace {

std::vector<std::string>& Calls() {
  static std::vector<std::string> c;
  return c;
}

class StepInput : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    Calls().clear();
    RRunHooks& h = RunHooks();
    h.showGameInfo = [] { Calls().push_back("info"); };
    h.toggleFullScreen = [] { Calls().push_back("fullscreen"); };
    h.saveGame = [](const char* f) { Calls().push_back(std::string("save ") + f); };
    h.loadGame = [](const char* f) { Calls().push_back(std::string("load ") + f); };
    h.saveScreenshot = [](const char* f) { Calls().push_back(std::string("screenshot ") + f); };
    GameState().automatic_draw = false;
  }
  void TearDown() override {
    RRunHooks& h = RunHooks();
    h.showGameInfo = nullptr;
    h.toggleFullScreen = nullptr;
    h.saveGame = h.loadGame = h.saveScreenshot = nullptr;
    GameState().automatic_draw = true;
    InputTest::TearDown();
  }
  void Replay(const std::string& blocks) {
    RInputScript script;
    std::string error;
    ASSERT_TRUE(ParseInputScript("input 1\n" + blocks, script, error)) << error;
    StartReplay(std::move(script));
  }
  // The main loop's part around one step: the pump between steps, then the step.
  void Step() {
    RunHooks().processMessages();
    RunStep();
  }
};

struct RRunnerKeyCase {
  const char* what;
  RKeySettings settings;
  const char* input;
  std::vector<std::string> calls;
  int32_t pending;
  int32_t lastKey;  // after the step
};

std::string Save() { return "_save" + std::to_string(GameId()) + ".sav"; }

const RRunnerKeyCase kRunnerKeys[] = {
    {"escape ends the game", {}, "keydown 27", {}, kRoomEndGame, 0},
    {"escape disabled", {.esc = false}, "keydown 27", {}, kNoRoomChange, 27},
    {"F1 shows the game information and clears the input",
     {},
     "keydown 112\nchar 97",
     {"info"},
     kNoRoomChange,
     0},
    {"F1 disabled", {.f1 = false}, "keydown 112", {}, kNoRoomChange, 112},
    {"F4 switches full screen", {}, "keydown 115", {"fullscreen"}, kNoRoomChange, 0},
    {"F4 disabled", {.f4 = false}, "keydown 115", {}, kNoRoomChange, 115},
    {"F5 saves", {}, "keydown 116", {"save " + Save()}, kNoRoomChange, 0},
    {"F6 loads", {}, "keydown 117", {"load " + Save()}, kNoRoomChange, 0},
    {"F5 and F6 disabled", {.f5f6 = false}, "keydown 116\nkeydown 117", {}, kNoRoomChange, 117},
    {"F9 takes a screenshot", {}, "keydown 120", {"screenshot screenshot100.png"}, kNoRoomChange, 0},
    {"F9 disabled", {.f9 = false}, "keydown 120", {}, kNoRoomChange, 120},
    {"only the last key counts", {}, "keydown 27\nkeydown 115", {"fullscreen"}, kNoRoomChange, 0},
    {"the close button ends the game through escape", {}, "close", {}, kRoomEndGame, 0},
    {"the close button leaves escape held when escape is off",
     {.esc = false},
     "close",
     {},
     kNoRoomChange,
     27},
};

void PrintTo(const RRunnerKeyCase& c, std::ostream* os) { *os << c.what; }
class RunnerKeys : public StepInput, public ::testing::WithParamInterface<RRunnerKeyCase> {};

TEST_P(RunnerKeys, ActUnderTheirSettings) {
  const RRunnerKeyCase& c = GetParam();
  LoadKeySettings(c.settings);
  Replay(std::string("step 1\n") + c.input + "\n");
  Step();
  EXPECT_EQ(Calls(), c.calls);
  EXPECT_EQ(PendingRoomChange(), c.pending);
  EXPECT_EQ(LastKey(), c.lastKey);
  if (c.calls == std::vector<std::string>{"info"}) {
    EXPECT_EQ(TypedString(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, RunnerKeys, ::testing::ValuesIn(kRunnerKeys));

TEST_F(StepInput, EscapeStaysHeldAfterTheCloseButtonWhenEscapeIsOff) {
  LoadKeySettings({.esc = false});
  Replay("step 1\nclose\n");
  Step();
  Step();
  EXPECT_TRUE(KeyIsDown(kEscapeKey));
}

TEST_F(StepInput, TheCloseEventRunsWhenTheCloseButtonIsNotEscape) {
  LoadKeySettings({.closeAsEsc = false});
  const int32_t obj = AddObject();
  Tag(obj, ev_other, kCloseButtonEvent, "close");
  room.AddInstance(0, 0, obj);
  BuildEventLists();
  Replay("step 2\nclose\n");
  Step();
  EXPECT_TRUE(Tags().empty());
  Step();
  EXPECT_EQ(Tags(), std::vector<std::string>{"close"});
  EXPECT_EQ(PendingRoomChange(), kNoRoomChange);
}

// Begin step, keyboard kinds, mouse, step: the input events run between the begin step and
// step events, and pressed flags are gone by the next step.
class StepPhases : public StepInput {
 protected:
  void SetUp() override {
    StepInput::SetUp();
    const int32_t obj = AddObject();
    Tag(obj, ev_step, 1, "begin");
    Tag(obj, ev_keyboard, 37, "kb37");
    Tag(obj, ev_keypress, 37, "press37");
    Tag(obj, ev_keyrelease, 37, "rel37");
    Tag(obj, ev_mouse, 4, "leftpress");
    Tag(obj, ev_mouse, 16, "joyleft");
    Tag(obj, ev_step, 0, "step");
    Tag(obj, ev_step, 2, "end");
    CInstance* inst = room.AddInstance(0, 0, obj);
    inst->i_bbox = {0, 0, 10, 10};
    BuildEventLists();
  }
  std::vector<std::string> Steps(int n) {
    std::vector<std::string> out;
    for (int i = 1; i <= n; ++i) {
      Step();
      for (const std::string& t : Tags()) out.push_back(std::to_string(i) + ":" + t);
    }
    return out;
  }
};

TEST_F(StepPhases, InputEventsRunInTheirPhase) {
  Replay(
      "step 1\nkeydown 37\nmouse 5 5\nmousedown 1\n"
      "step 2\nkeyup 37\nmouseup 1\njoystick 1 connect 2 2 0 Stick\njoystick 1 state 0 32768 0 0 0 0 0 -1\n"
      "step 3\njoystick 1 disconnect\n");
  EXPECT_EQ(Steps(3), (std::vector<std::string>{"1:begin", "1:kb37", "1:press37", "1:leftpress", "1:step",
                                                "1:end", "2:begin", "2:rel37", "2:joyleft", "2:step", "2:end",
                                                "3:begin", "3:step", "3:end"}));
}

TEST_F(StepPhases, ARecordedRunReplaysToTheSameEvents) {
  const std::string file =
      (std::filesystem::temp_directory_path() / ("step_record_" + std::to_string(getpid()))).string();
  std::string error;
  ASSERT_TRUE(StartRecording(file, error)) << error;
  QueueLiveInput({platform::EInput::KeyDown, 37, 0});
  std::vector<std::string> recorded = Steps(1);
  QueueLiveInput({platform::EInput::MouseMove, 3, 4});
  QueueLiveInput({platform::EInput::MouseDown, 1, 0});
  QueueLiveInput({platform::EInput::KeyUp, 37, 0});
  for (const std::string& s : Steps(1)) recorded.push_back(s);
  QueueLiveInput({platform::EInput::MouseUp, 1, 0});
  QueueLiveInput({platform::EInput::KeyDown, 37, 0});
  for (const std::string& s : Steps(2)) recorded.push_back(s);
  StopInputScripts();
  TheGame().Renew<RInputState>();

  ASSERT_TRUE(StartReplay(file, error)) << error;
  std::vector<std::string> replayed = Steps(1);  // grouped as recorded, for the same labels
  for (int n : {1, 2})
    for (const std::string& s : Steps(n)) replayed.push_back(s);
  EXPECT_EQ(replayed, recorded);
  EXPECT_TRUE(ReplayFinished());
  std::filesystem::remove(file);
}

}  // namespace
