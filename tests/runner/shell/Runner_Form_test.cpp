// The main window's top-level sequence driven by its timers: load, prepare, run, shut down,
// terminate, with every message and the exit status.
#include "runner/shell/Runner_Form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dialogs/MessageBox.h"
#include "runner/dialogs/Debug_State.h"
#include "runner/shell/Runner.h"
#include "runner/shell/Runner_Game.h"
#include "tests/support/TempFolder.h"

using platform::Clock;

namespace {

class Sequence : public ::testing::Test {
 protected:
  Sequence() : app_([this] { return now_; }) {}

  void SetUp() override {
    platform::SetTestMode(true);
    SetApplicationTitle("mygame");
    SetExitStatus(0);
    SetDebugMode(false);
    ShellState().subsystems = {
        {.name = "first", .shutdown = [this] { log_.push_back("shutdown 1"); }},
        {.name = "second", .shutdown = [this] { log_.push_back("shutdown 2"); }},
        {.name = "game", .play = [this] { log_.push_back("run"); }},
    };
    ShellState().loadGame = [this](const std::string&) {
      log_.push_back("load");
      return loadResult_;
    };
    ShellState().prepareGame = [this] {
      log_.push_back("prepare");
      if (prepareThrows_) throw std::runtime_error("prep");
      return true;
    };
    SetApplication(&app_);
    CreateRunnerWindows(app_);
  }
  void TearDown() override {
    ForgetRunnerWindows();
    SetApplication(nullptr);
    SetDebugMode(false);
    SetExitStatus(0);
    platform::SetTestMode(false);
  }
  // The subsystem that plays the game.
  static RSubsystem& GameRow() { return ShellState().subsystems.back(); }
  // Moves time on and pumps, as the message loop would.
  std::string Step(int ms) {
    now_ += std::chrono::milliseconds(ms);
    testing::internal::CaptureStderr();
    app_.ProcessMessages();
    return testing::internal::GetCapturedStderr();
  }

  Clock::time_point now_{};
  platform::TApplication app_;
  std::vector<std::string> log_;
  bool loadResult_ = true;
  bool prepareThrows_ = false;
};

using V = std::vector<std::string>;

}  // namespace

TEST_F(Sequence, WindowsExistInTheFixedOrderAndOnlyTheMainOneIsShown) {
  V names;
  for (const auto& w : app_.Windows()) names.push_back(w->Name());
  EXPECT_EQ(names, (V{"TRunnerForm", "THelpForm", "TDebugForm", "TScoreForm", "TSplashForm", "TLoadForm",
                      "TMessageForm", "TParticleForm", "TErrorForm"}));
  for (const auto& w : app_.Windows()) EXPECT_EQ(w->Visible(), w->Name() == "TRunnerForm") << w->Name();
  EXPECT_EQ(RunnerForm()->Bounds(), (platform::WindowBounds{0, 0, 0, 0}));
  EXPECT_FALSE(RunnerForm()->Bordered());
  EXPECT_TRUE(RunnerForm()->StartTimer.Enabled());
  EXPECT_FALSE(RunnerForm()->EndTimer.Enabled());
}

TEST_F(Sequence, NormalRunLoadsPreparesRunsShutsDownAndEndsWithStatusZero) {
  EXPECT_EQ(Step(99), "");
  EXPECT_TRUE(log_.empty());
  EXPECT_EQ(Step(1), "");
  EXPECT_EQ(log_, (V{"load", "prepare", "run", "shutdown 1", "shutdown 2"}));
  EXPECT_TRUE(app_.Terminated());
  EXPECT_EQ(ExitStatus(), 0);
  EXPECT_FALSE(RunnerForm()->Visible());
  EXPECT_EQ(DebugForm(), nullptr);  // dropped: never needed without debug mode
  EXPECT_EQ(app_.Windows().size(), 8u);
  Step(1000);  // the start timer fired once only
  EXPECT_EQ(log_.size(), 5u);
}

TEST_F(Sequence, AFailedLoadOrPreparationEndsWithStatusOneWithoutShutdownOrFurtherMessage) {
  // Both report failure after showing their own message.
  for (bool failLoad : {true, false}) {
    SCOPED_TRACE(failLoad ? "load" : "prepare");
    log_.clear();
    loadResult_ = !failLoad;
    if (!failLoad) ShellState().prepareGame = [this] {
      log_.push_back("prepare");
      return false;
    };
    SetExitStatus(0);
    EXPECT_FALSE(LoadAndRunGame());
    EXPECT_EQ(log_, (failLoad ? V{"load"} : V{"load", "prepare"}));
    EXPECT_EQ(ExitStatus(), 1);
  }
  loadResult_ = false;
  EXPECT_EQ(Step(100), "");
  EXPECT_TRUE(app_.Terminated());
  EXPECT_EQ(std::count(log_.begin(), log_.end(), "shutdown 1"), 0);
}

TEST_F(Sequence, ExceptionWhileLoadingShowsTheCorruptFileMessage) {
  ShellState().loadGame = [](const std::string&) -> bool { throw std::runtime_error("short read"); };
  EXPECT_EQ(Step(100), "mygame: Failed to load the game data. File seems corrupted.\n");
  EXPECT_TRUE(log_.empty());
  EXPECT_TRUE(app_.Terminated());
  EXPECT_EQ(ExitStatus(), 1);
}

TEST_F(Sequence, ExceptionWhilePreparingShowsTheUnexpectedErrorMessage) {
  prepareThrows_ = true;
  EXPECT_EQ(Step(100), "mygame: Unexpected error occured when running the game.\n");
  EXPECT_EQ(log_, (V{"load", "prepare"}));
  EXPECT_TRUE(app_.Terminated());
  EXPECT_EQ(ExitStatus(), 1);
}

TEST_F(Sequence, ExceptionWhileRunningShowsTheUnexpectedErrorMessage) {
  GameRow().play = [] { throw 42; };  // not even a std::exception
  EXPECT_EQ(Step(100), "mygame: Unexpected error occured when running the game.\n");
  EXPECT_TRUE(app_.Terminated());
  EXPECT_EQ(ExitStatus(), 1);
  EXPECT_EQ(log_, (V{"load", "prepare"}));
}

TEST_F(Sequence, DebugModeKeepsRunningWhileTheGameRunsAndEndsOnTheNextPollAfter) {
  SetDebugMode(true);
  bool running = true;
  GameRow().running = [&] { return running; };
  Step(100);
  EXPECT_EQ(log_, (V{"load", "prepare", "run"}));
  ASSERT_NE(DebugForm(), nullptr);
  // The debug window proper is the runner-drawn tool window, not the form's blank native window.
  EXPECT_TRUE(DebugState().visible);
  EXPECT_FALSE(DebugForm()->Visible());
  EXPECT_TRUE(RunnerForm()->EndTimer.Enabled());
  EXPECT_FALSE(app_.Terminated());

  Step(100);
  Step(100);  // paused or running: still alive
  EXPECT_FALSE(app_.Terminated());
  running = false;
  Step(50);
  EXPECT_FALSE(app_.Terminated());
  Step(50);
  EXPECT_TRUE(app_.Terminated());
  EXPECT_EQ(log_, (V{"load", "prepare", "run", "shutdown 1", "shutdown 2"}));
  EXPECT_FALSE(RunnerForm()->EndTimer.Enabled());
  EXPECT_EQ(ExitStatus(), 0);
}

TEST_F(Sequence, AFailingShutdownStepDoesNotStopTheOthersAndIsTraced) {
  TempFolder exe;
  const std::string saved = ExecutableFolder();
  SetExecutableFolder(exe.str());
  ShellState().subsystems = {
      {.name = "sound", .shutdown = [] { throw std::runtime_error("device gone"); }},
      {.name = "files", .shutdown = [this] { log_.push_back("files"); }},
  };
  ShutdownGame();
  SetExecutableFolder(saved);
  EXPECT_EQ(log_, (V{"files"}));
  std::ifstream trace(exe.path / "Trace.log");
  std::string line;
  std::getline(trace, line);
  EXPECT_EQ(line, "Shutdown step sound failed: device gone");
}

TEST_F(Sequence, LaterCodeCanAskForAnErrorEnd) {
  GameRow().play = [] { SetExitStatus(1); };
  Step(100);
  EXPECT_TRUE(app_.Terminated());
  EXPECT_EQ(ExitStatus(), 1);
}

TEST(RunnerForm, SystemCommandFilterAnswersOnlyScreensaverCommandsWhenAsked) {
  platform::TApplication app;
  auto& form = app.CreateForm<TRunnerForm>(app);
  struct Case {
    bool noScreenSaver;
    uint32_t command;
    bool answered;
  } cases[] = {
      {true, 0xF170, true}, {true, 0xF140, true},  {true, 0xF060, false},
      {false, 0xF170, false}, {false, 0xF140, false},
  };
  for (const auto& c : cases) {
    form.SetNoScreenSaver(c.noScreenSaver);
    intptr_t result = 0;
    EXPECT_EQ(form.WMSysCommand(c.command, result), c.answered) << std::hex << c.command;
    EXPECT_EQ(result, c.answered ? -1 : 0);
  }
}

TEST(RunnerForm, SetupDisplayIsAHookThatSucceedsWhenUnset) {
  EXPECT_TRUE(SetupDisplay());
  ShellState().subsystems = {{.name = "display", .prepare = {{EPrepareStep::Display, [] { return false; }}}}};
  EXPECT_FALSE(SetupDisplay());
  ShellState().subsystems.clear();
  ApplyPriority(0);
  ApplyPriority(7);  // unknown values do nothing
}
