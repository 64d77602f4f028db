// Program entry rules and process services: trace switches, game-file resolution, the trace
// log, starting programs.
#include "runner/shell/Runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/app/Application.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;
using V = std::vector<std::string>;

TEST(TraceSwitch, EnvironmentMustBeExactlyOneAndTheLastArgumentIsNeverExamined) {
  struct Case {
    const char* env;
    V args;
    bool on;
  } cases[] = {
      {nullptr, {}, false},
      {"1", {}, true},
      {"1 ", {}, false},
      {"true", {}, false},
      {"", {}, false},
      {nullptr, {"--ZTTrace"}, false},  // one argument: nothing is examined
      {nullptr, {"--ZTTrace", "x"}, true},
      {nullptr, {"x", "--ZTTrace"}, false},
      {nullptr, {"a", "--ZTTrace", "game"}, true},
      {nullptr, {"--zttrace", "game"}, false},
      {nullptr, {"--ZTTrace ", "game"}, false},
      {"0", {"--ZTTrace", "game"}, true},
  };
  for (const auto& c : cases) {
    std::ostringstream what;
    what << (c.env ? c.env : "(unset)") << " |";
    for (const auto& a : c.args) what << " " << a;
    EXPECT_EQ(TraceSwitchOn(c.env, c.args), c.on) << what.str();
  }
}

TEST(DebugSwitch, AnyArgumentButTheLastExactly) {
  const struct {
    V args;
    bool on;
  } cases[] = {
      {{}, false}, {{"--debug"}, false}, {{"--debug", "game"}, true}, {{"game", "--debug"}, false},
      {{"a", "--debug", "game"}, true}, {{"--Debug", "game"}, false}, {{"--debug=1", "game"}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(DebugSwitchOn(c.args), c.on) << (c.args.empty() ? "" : c.args.front());
}

TEST(CommandLineResolution, OwnGameDataWinsElseTheLastArgumentNamesTheGame) {
  using A = CommandLine::Action;
  struct Case {
    V args;
    bool selfHasData;
    A action;
    std::string game;
  } cases[] = {
      {{}, false, A::Usage, ""},
      {{}, true, A::Run, "/self"},
      {{"--help"}, false, A::Help, ""},
      {{"-h"}, false, A::Help, ""},
      {{"--version"}, false, A::Version, ""},
      {{"--ZTTrace", "--help"}, false, A::Help, ""},
      {{"--help"}, true, A::Run, "/self"},  // a bound game gets its arguments untouched
      {{"game.kvx"}, false, A::Run, "game.kvx"},
      {{"--ZTTrace", "dir/game.kvx"}, false, A::Run, "dir/game.kvx"},
      {{"--help", "game.kvx"}, false, A::Run, "game.kvx"},
  };
  for (const auto& c : cases) {
    const CommandLine r = ResolveCommandLine(c.args, "/self", c.selfHasData);
    EXPECT_EQ(r.action, c.action) << (c.args.empty() ? "(none)" : c.args.back());
    EXPECT_EQ(r.gamePath, c.game);
  }
}

class TraceLog : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = ExecutableFolder();
    SetExecutableFolder(dir_.str());
  }
  void TearDown() override {
    SetExecutableFolder(saved_);
    SetTraceEnabled(false);
  }
  std::string Log() {
    std::ifstream in(dir_.path / "Trace.log", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  TempFolder dir_;
  std::string saved_;
};

TEST_F(TraceLog, AppendsLinesNextToTheExecutableOnlyWhenTracingUnlessAlways) {
  SetTraceEnabled(false);
  WriteTrace("hidden");
  EXPECT_FALSE(fs::exists(dir_.path / "Trace.log"));
  WriteTraceAlways("Unhandled Exception - boom");
  SetTraceEnabled(true);
  WriteTrace("Loading sprites");
  EXPECT_EQ(Log(), "Unhandled Exception - boom\nLoading sprites\n");
}

TEST_F(TraceLog, AnExceptionEscapingStartUpIsTracedEvenWithTracingOff) {
  SetTraceEnabled(false);
  SetExitStatus(0);
  EXPECT_EQ(RunStartUp([] { throw std::runtime_error("window class not registered"); }), 1);
  EXPECT_EQ(RunStartUp([] { throw 7; }), 1);
  EXPECT_EQ(Log(), "Unhandled Exception - window class not registered\nUnhandled Exception - unknown exception\n");
  SetExitStatus(0);
  EXPECT_EQ(RunStartUp([] {}), 0);
}

TEST(ShellOpen, RefusesTargetsThatWouldBeReadAsOptions) {
  EXPECT_FALSE(ShellOpen("-x", "", ""));
  EXPECT_FALSE(ShellOpen("--help", "", ""));
  EXPECT_FALSE(ShellOpen("", "", ""));
}

TEST(RunProcess, WaitsForTheChildWhilePumpingMessages) {
  TempFolder dir;
  // The child waits for a file that only a timer on our message pump creates, so RunProcess
  // returns only if it pumped while waiting, and only after the child wrote its last file.
  platform::TApplication app([] { return platform::Clock::time_point{}; });
  SetApplication(&app);
  int pumped = 0;
  platform::TTimer timer(app.Timers(), 0, true, [&] {
    if (++pumped == 1) std::ofstream(dir.path / "go") << "go";
  });
  const bool ok = RunProcess("/bin/sh",
                             "-c \"i=0; while [ ! -e go ] && [ $i -lt 2000 ]; do sleep 0.01; i=$((i+1)); done; "
                             "[ -e go ] && echo \\\"done\\\" > out\"",
                             dir.str(), true);
  SetApplication(nullptr);
  EXPECT_TRUE(ok);
  EXPECT_GE(pumped, 1);
  std::ifstream in(dir.path / "out");
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "done");
}

TEST(RunProcess, FailsWhenTheProgramCannotStart) {
  EXPECT_FALSE(RunProcess("/nonexistent/program", "", "", true));
  EXPECT_FALSE(RunProcess("no-such-program-kv", "a b", "", false));
}
