// Delivery of input at the start of a step and at pumps inside it, recording, replay of a
// recording to the same states, hand-written scripts, waits and the direct key state.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/clock/Clock.h"
#include "runner/base/Runner_Process.h"
#include "runner/shell/Runner_TestMode.h"
#include "runner/run/Run_Hooks.h"
#include "tests/runner/run/InputWorld.h"

using namespace world;
using platform::EInput;

namespace {

std::string Temp(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string(name) + "_" + std::to_string(getpid())))
      .string();
}

std::string ReadAll(const std::string& file) {
  std::ifstream in(file);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// What a step can see of the input, as text.
std::string Snapshot() {
  std::string s;
  for (int32_t k = 0; k < kKeyCount; ++k) {
    if (KeyIsDown(k)) s += " d" + std::to_string(k);
    if (KeyIsPressed(k)) s += " p" + std::to_string(k);
    if (KeyIsReleased(k)) s += " r" + std::to_string(k);
  }
  for (int32_t b = 1; b <= 3; ++b) {
    if (ButtonIsDown(b)) s += " D" + std::to_string(b);
    if (ButtonIsPressed(b)) s += " P" + std::to_string(b);
    if (ButtonIsReleased(b)) s += " R" + std::to_string(b);
  }
  s += " last" + std::to_string(LastKey()) + " str'" + TypedString() + "' mouse" + std::to_string(MouseX()) +
       "," + std::to_string(MouseY()) + " active" + std::to_string(InputWindowActive()) + " wheel" +
       std::to_string(WheelWentUp()) + std::to_string(WheelWentDown()) + " joy" +
       std::to_string(JoystickState(1).present) + std::to_string(JoystickState(1).pos[0]);
  return s;
}

class Intake : public InputTest {
 protected:
  // The input parts of a step as the main loop runs them, between two message pumps.
  std::string Step(const std::function<void()>& during = {}) {
    RRunHooks& h = RunHooks();
    h.processMessages();
    h.lastKey();
    if (!h.windowActive()) h.clearInput();
    h.keyboardEvents();
    h.joystickEvents();
    h.mouseEvents();
    if (during) during();
    const std::string seen = Snapshot();
    h.clearPressed();
    return seen;
  }
  void Live(EInput kind, int32_t a = 0, int32_t b = 0) { QueueLiveInput({kind, a, b}); }
  void TearDown() override {
    std::filesystem::remove(Temp("input_record"));
    std::filesystem::remove(Temp("input_replay"));
    InputTest::TearDown();
  }
};

TEST_F(Intake, LiveInputWaitsForTheNextStep) {
  Live(EInput::KeyDown, 37);
  Live(EInput::Char, 'a');
  EXPECT_FALSE(KeyIsDown(37));  // queued, not yet handled
  EXPECT_EQ(Step(), " d37 p37 last37 str'a' mouse0,0 active1 wheel00 joy032768");
  Live(EInput::KeyUp, 37);
  Live(EInput::MouseMove, 12, 34);
  Live(EInput::WheelDown);
  EXPECT_EQ(Step(), " r37 last37 str'a' mouse12,34 active1 wheel01 joy032768");
  Live(EInput::Focus, 0);
  Live(EInput::KeyDown, 40);
  EXPECT_EQ(Step(), " last0 str'' mouse12,34 active0 wheel00 joy032768");  // inactive: cleared
}

TEST_F(Intake, SidedModifiersReachTheGameAsGenericKeysAndStayDirect) {
  Live(EInput::KeyDown, 160);
  Live(EInput::KeyDown, 161);
  Live(EInput::KeyUp, 160);
  EXPECT_EQ(Step(), " p16 r16 last16 str'' mouse0,0 active1 wheel00 joy032768");
  EXPECT_TRUE(KeyHeldDirect(161));
  EXPECT_FALSE(KeyHeldDirect(160));
  EXPECT_TRUE(KeyHeldDirect(16));  // the right one still holds it
  ClearInput();
  EXPECT_TRUE(KeyHeldDirect(161));  // the platform's view ignores the game's clearing
  Live(EInput::NumLock, 1);
  Step();
  EXPECT_TRUE(NumLockOn());
  Live(EInput::KeyDown, 144);
  Step();
  EXPECT_FALSE(NumLockOn());  // not while the key is held
}

TEST_F(Intake, InjectedKeysComeBackThroughTheRunnersQueue) {
  InjectKey(65, true);
  InjectKey(65, false);
  InjectKey(400, true);
  EXPECT_EQ(Step(), " p65 r65 last65 str'' mouse0,0 active1 wheel00 joy032768");
  SetNumLock(true);
  EXPECT_EQ(Step(), " p144 r144 last144 str'' mouse0,0 active1 wheel00 joy032768");
  EXPECT_TRUE(NumLockOn());
}

TEST_F(Intake, HandWrittenScriptReachesEachStepAndPump) {
  RInputScript script;
  std::string error;
  ASSERT_TRUE(
      ParseInputScript("input 1\n"
                       "step 1\nkeydown 37\nmouse 5 6\n"
                       "step 2\nkeyup 37\n"
                       "step 3 pump 2\nmousedown 1\n"
                       "step 5\njoystick 1 connect 2 4 0 Stick\njoystick 1 state 100 0 0 0 0 0 1 -1\n",
                       script, error))
      << error;
  StartReplay(std::move(script));
  Live(EInput::KeyDown, 99);  // the devices are not listened to
  EXPECT_EQ(Step(), " d37 p37 last37 str'' mouse5,6 active1 wheel00 joy032768");
  EXPECT_EQ(Step(), " r37 last37 str'' mouse5,6 active1 wheel00 joy032768");
  int pumps = 0;
  Step([&] {
    for (pumps = 1; !ButtonIsDown(1) && pumps < 5; ++pumps) PumpInputInStep();
  });
  EXPECT_EQ(pumps, 3);  // the second pump delivered it
  EXPECT_FALSE(ReplayFinished());
  EXPECT_EQ(Step(), " D1 last37 str'' mouse5,6 active1 wheel00 joy032768");
  EXPECT_EQ(Step(), " D1 last37 str'' mouse5,6 active1 wheel00 joy1100");
  EXPECT_TRUE(ReplayFinished());
  EXPECT_EQ(JoystickState(7).name, "Stick");
}

TEST_F(Intake, ARecordingReplaysToTheSameStates) {
  const std::string file = Temp("input_record");
  std::string error;
  ASSERT_TRUE(StartRecording(file, error)) << error;
  // Step by step: what arrives before it, and what arrives at pumps inside it.
  const std::vector<std::function<void()>> before = {
      [&] {
        Live(EInput::MouseMove, 10, 10);
        Live(EInput::KeyDown, 160);
        Live(EInput::Char, 'h');
      },
      [&] {
        Live(EInput::MouseMove, 11, 10);
        Live(EInput::MouseMove, 12, 10);  // only the last position counts
        Live(EInput::MouseDown, 2);
        Live(EInput::WheelUp);
      },
      [&] { Live(EInput::Focus, 0); },
      [&] {
        Live(EInput::Focus, 1);
        Live(EInput::KeyUp, 160);
        Live(EInput::Close);
      },
      [&] {},
  };
  auto during = [&](size_t step) {
    return [&, step] {
      if (step != 1) return;
      Live(EInput::Char, 'i');
      PumpInputInStep();
      PumpInputInStep();
      Live(EInput::MouseUp, 2);
      PumpInputInStep();
    };
  };
  std::vector<std::string> recorded;
  for (size_t i = 0; i < before.size(); ++i) {
    before[i]();
    recorded.push_back(Step(during(i)));
  }
  StopInputScripts();
  EXPECT_EQ(ReadAll(file),
            "input 1\n"
            "step 1\nmouse 10 10\nkeydown 160\nchar 104\n"
            "step 2\nmouse 12 10\nmousedown 2\nwheelup\n"
            "step 2 pump 1\nchar 105\n"
            "step 2 pump 3\nmouseup 2\n"
            "step 3\nfocus 0\n"
            "step 4\nfocus 1\nkeyup 160\nclose\n");

  TheGame().Renew<RInputState>();
  ASSERT_TRUE(StartReplay(file, error)) << error;
  std::vector<std::string> replayed;
  for (size_t i = 0; i < before.size(); ++i)
    replayed.push_back(Step([&, i] {
      if (i == 1)
        for (int p = 0; p < 3; ++p) PumpInputInStep();
    }));
  EXPECT_EQ(replayed, recorded);
  EXPECT_TRUE(ReplayFinished());
}

TEST_F(Intake, WaitsEndOnInputACloseRequestOrAnExhaustedReplay) {
  platform::UseVirtualClock(true);
  RInputScript script;
  std::string error;
  ASSERT_TRUE(ParseInputScript("input 1\nstep 1 pump 3\nkeydown 65\nstep 4\nkeydown 66\n", script, error));
  StartReplay(std::move(script));
  int64_t waited = 0;
  Step([&] {
    SetLastKey(0);
    const int64_t t = platform::NowMicros();
    WaitForInput([] { return LastKey() != 0; });
    waited = platform::NowMicros() - t;
    EXPECT_EQ(LastKey(), 65);
  });
  EXPECT_EQ(waited, 100000);  // two sleeps of 50 ms between three pumps
  // Nothing more comes in step 2: the wait ends at once instead of hanging.
  Step([&] { WaitForInput([] { return false; }); });
  StopInputScripts();

  // Live: a close request ends a wait for a button.
  Step([&] {
    ForgetLastButton();
    Live(EInput::Close);
    WaitForInput([] { return LastButton() != 0; });
  });
  EXPECT_EQ(LastButton(), 0);

  // Unattended: nothing is coming, so the wait ends; keys the game pressed itself still count.
  const bool driverSet = std::getenv("SDL_VIDEODRIVER") != nullptr;
  ApplyTestMode({.on = true});
  Step([&] { WaitForInput([] { return false; }); });
  Step([&] {
    InjectKey(70, true);
    SetLastKey(0);
    WaitForInput([] { return LastKey() != 0; });
    EXPECT_EQ(LastKey(), 70);
  });
  ApplyTestMode({});
  if (!driverSet) unsetenv("SDL_VIDEODRIVER");
}

TEST_F(Intake, EndingAReplayAndClosingTheWindowDuringOne) {
  RInputScript script;
  std::string error;
  ASSERT_TRUE(ParseInputScript("input 1\nstep 2\nend\n", script, error));
  StartReplay(std::move(script));
  Step();
  EXPECT_EQ(PendingRoomChange(), kNoRoomChange);
  Step();
  EXPECT_EQ(PendingRoomChange(), kRoomEndGame);

  SetPendingRoomChange(kNoRoomChange);
  ASSERT_TRUE(ParseInputScript("input 1\n", script, error));
  StartReplay(std::move(script));
  Live(EInput::Close);
  Step();
  EXPECT_EQ(PendingRoomChange(), kRoomEndGame);
  EXPECT_FALSE(KeyIsDown(kEscapeKey));  // not handed to the game
}

TEST_F(Intake, UnreadableAndDamagedFilesAreReported) {
  std::string error;
  const std::string missing = Temp("input_missing");
  EXPECT_FALSE(StartReplay(missing, error));
  EXPECT_EQ(error, "Cannot read the input script \"" + missing + "\".");
  const std::string file = Temp("input_replay");
  std::ofstream(file) << "input 1\nstep 1\nkeydown 999\n";
  EXPECT_FALSE(StartReplay(file, error));
  EXPECT_EQ(error, "Input script \"" + file + "\", line 3: keydown takes one key: a key name or a code from 0 to 255");
  EXPECT_FALSE(Replaying());
  const std::string folder = std::filesystem::temp_directory_path().string();
  EXPECT_FALSE(StartReplay(folder, error));
  EXPECT_EQ(error, "Cannot read the input script \"" + folder + "\".");
  EXPECT_FALSE(StartReplay("/dev/zero", error));  // endless: refused after the size limit
  EXPECT_EQ(error, "Input script \"/dev/zero\", the script is larger than 64 MiB");
  EXPECT_FALSE(StartRecording(missing + "/no/such/folder", error));
  EXPECT_EQ(error, "Cannot write the input recording \"" + missing + "/no/such/folder\".");
}

// Files the recording and the replay must not touch or wait on: the game file, a FIFO (whose
// open would block for ever), a device that takes nothing, a folder.
TEST_F(Intake, RecordingAndReplayRefuseWhatTheyCannotUse) {
  const std::string game = Temp("input_game");
  std::ofstream(game) << "game data";
  const std::string oldGame = GamePath();
  SetGamePath(game);
  const std::string fifo = Temp("input_fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string folder = std::filesystem::temp_directory_path().string();
  const std::pair<std::string, std::string> rows[] = {
      {game, "The input recording \"" + game + "\" is the game file."},
      {fifo, "Cannot write the input recording \"" + fifo + "\"."},
      {"/dev/full", "Cannot write the input recording \"/dev/full\"."},
      {folder, "Cannot write the input recording \"" + folder + "\"."},
  };
  for (const auto& [file, message] : rows) {
    std::string error;
    EXPECT_FALSE(StartRecording(file, error)) << file;
    EXPECT_EQ(error, message);
  }
  EXPECT_EQ(ReadAll(game), "game data");
  std::string error;
  EXPECT_FALSE(StartReplay(fifo, error));
  EXPECT_EQ(error, "Cannot read the input script \"" + fifo + "\".");
  SetGamePath(oldGame);
  std::filesystem::remove(game);
  std::filesystem::remove(fifo);
}

}  // namespace
