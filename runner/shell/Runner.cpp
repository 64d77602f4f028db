// Program entry and the process-wide services: trace log, message pump, message boxes,
// starting other programs, and the state every subsystem reads (game path, debug mode,
// exit status).
#include "runner/shell/Runner.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/app/Application.h"
#include "platform/audio/AudioDevice.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/events/EventPump.h"
#include "platform/process/Process.h"
#include "platform/process/Signals.h"
#include "platform/video/Video.h"
#include "runner/base/Game.h"
#include "runner/shell/Runner_Form.h"
#include "runner/shell/Runner_Game.h"
#include "runner/shell/Runner_Load.h"
#include "runner/shell/Runner_Options.h"
#include "runner/shell/Runner_TestMode.h"
#include "runner/base/Runner_Temp.h"

namespace {

// How long the game has to close in order after the first termination signal.
constexpr std::chrono::seconds kTerminationDeadline{5};

std::string Usage(const char* program) {
  const std::string name = std::filesystem::path(program && *program ? program : "runner").filename().string();
  return "Usage: " + name + " [OPTIONS] [--ZTTrace] [--debug] [ARGS...] GAMEFILE\n"
         "       " + name + " --help | --version\n"
         "Runs the game stored in GAMEFILE, or the game appended to this executable.\n"
         "Options (before GAMEFILE; \"--\" ends them, other arguments go to the game):\n" +
         PlayerOptionsHelp() +
         "  --ZTTrace           append trace lines to Trace.log next to the executable\n"
         "  --debug             run the game with the debug window\n"
         "  --help, --version   this help, the version (in the game file's place)\n"
         "Defaults for the first seven: $XDG_CONFIG_HOME/korvex-runner/options, one a line\n"
         "without the dashes (\"scale 200\"). The game's own settings hold where nobody chose.\n"
         "Environment: RUNNER_TEST_MODE RUNNER_TEST_STEPS RUNNER_TEST_SEED RUNNER_RECORD\n"
         "  RUNNER_REPLAY RUNNER_HEADLESS RUNNER_TEST_TRANSITION_FRAMES RUNNER_MESSAGE_ANSWER\n"
         "  RUNNER_DIALOG_ANSWERS RUNNER_ERROR_ANSWER RUNNER_SOUNDFONT ZTLOG_TRACE TMPDIR\n"
         "  SDL_VIDEODRIVER SDL_AUDIODRIVER ALSOFT_DRIVERS\n"
         "See docs/command-line.md (man runner) for what each does and the exit statuses.\n";
}

bool ReadSmallFile(const std::string& path, std::string& out);

// The player's file of defaults, when there is one. False, with the problem, when it cannot
// be read or says something the runner does not know: better told than half obeyed.
bool ReadPlayerConfig(RPlayerOptions& options, std::string& problem) {
  const std::string path = PlayerConfigPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  std::error_code ec;
  if (path.empty() || !std::filesystem::exists(path, ec)) return true;
  std::string text;
  if (!std::filesystem::is_regular_file(path, ec) || !ReadSmallFile(path, text)) {
    problem = path + ": cannot be read";
    return false;
  }
  if (!ParsePlayerConfig(text, options, problem)) {
    problem = path + ": " + problem;
    return false;
  }
  return true;
}

bool ReadSmallFile(const std::string& path, std::string& out) {
  constexpr std::streamsize kMost = 64 * 1024;  // a few lines of options; more is not this file
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.resize(static_cast<size_t>(kMost) + 1);
  in.read(out.data(), kMost + 1);
  out.resize(static_cast<size_t>(in.gcount()));
  return !in.bad() && out.size() <= static_cast<size_t>(kMost);
}

bool IsReadableFile(const std::string& path, std::string& why) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    why = std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    why = std::strerror(EISDIR);
    return false;
  }
  // A FIFO or a device would block the open or never end: only a regular file is a game.
  if (!S_ISREG(st.st_mode)) {
    why = "not a regular file";
    return false;
  }
  if (access(path.c_str(), R_OK) != 0) {
    why = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace


namespace {

// Step 2 of the program entry: the application, its windows and its message loop.
void RunApplication() {
  platform::InitVideo();
  platform::TApplication app;
  SetApplication(&app);
  struct Release {
    ~Release() {
      ForgetRunnerWindows();
      SetApplication(nullptr);
    }
  } release;
  CreateRunnerWindows(app);
  app.Run();
}

}  // namespace


CommandLine ResolveCommandLine(std::span<const std::string> args, const std::string& selfPath, bool selfHasGameData) {
  if (selfHasGameData) return {CommandLine::Action::Run, selfPath};
  if (args.empty()) return {CommandLine::Action::Usage, {}};
  const std::string& last = args.back();
  if (last == "--help" || last == "-h") return {CommandLine::Action::Help, {}};
  if (last == "--version") return {CommandLine::Action::Version, {}};
  return {CommandLine::Action::Run, last};
}


int RunnerMain(int argc, char** argv) {
  Process().args.assign(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  // The sound libraries speak only into the trace log; what a player must know we say ourselves.
  platform::audio::RouteLibraryMessages([](const std::string& text) { WriteTrace(text); });

  const std::string& self = ExecutablePath();
  const bool bound = !self.empty() && FileHasGameData(self);
  const CommandLine cmd = ResolveCommandLine(ProgramArguments(), self, bound);
  const char* program = argc > 0 ? argv[0] : "runner";
  std::string why;
  // A game bound to the runner owns every argument; a plain runner's options are taken out
  // so the game sees only what was meant for it.
  RPlayerOptions chosen;
  if (cmd.action == CommandLine::Action::Run && !bound) {
    std::vector<std::string> gameArgs;
    if (!ParsePlayerOptions(ProgramArguments(), chosen, gameArgs, why)) {
      std::fprintf(stderr, "runner: %s\n", why.c_str());
      return 2;
    }
    Process().args = std::move(gameArgs);
  }
  Process().trace = TraceSwitchOn(std::getenv("ZTLOG_TRACE"), ProgramArguments());
  Process().debugSwitch = DebugSwitchOn(ProgramArguments());
  switch (cmd.action) {
    case CommandLine::Action::Usage:
      std::fputs(Usage(program).c_str(), stderr);
      return 2;
    case CommandLine::Action::Help:
      std::fputs(Usage(program).c_str(), stdout);
      return 0;
    case CommandLine::Action::Version:
      std::printf("runner %s\n", RUNNER_VERSION);
      return 0;
    case CommandLine::Action::Run:
      break;
  }

  RPlayerOptions defaults;
  if (!ReadPlayerConfig(defaults, why)) {
    std::fprintf(stderr, "runner: %s\n", why.c_str());
    return 2;
  }
  const RPlayerOptions player = MergePlayerOptions(defaults, chosen);
  ExportTestSwitches(player);
  RTestMode testMode;
  if (!ReadTestMode(testMode, why)) {
    std::fprintf(stderr, "runner: %s\n", why.c_str());
    return 2;
  }
  if (!IsReadableFile(cmd.gamePath, why)) {
    std::fprintf(stderr, "runner: cannot open game file \"%s\": %s\n", cmd.gamePath.c_str(), why.c_str());
    return 1;
  }
  std::error_code ec;
  const std::filesystem::path game = std::filesystem::absolute(cmd.gamePath, ec).lexically_normal();
  if (ec) {
    std::fprintf(stderr, "runner: cannot open game file \"%s\": %s\n", cmd.gamePath.c_str(), ec.message().c_str());
    return 1;
  }
  SetGamePath(game.string());
  SetApplicationTitle(game.stem().string());

  // Before any window, and before leaving the start directory: relative bases are meant
  // relative to where the runner was started.
  CreateTempDirectory();
  // From here a termination signal closes the game in order; a second one, or the deadline,
  // exits at once with the temporary directory removed.
  std::function<void()> lastCleanup;
  if (Process().tempCreated) lastCleanup = [temp = GetTempDirectory()] { RemoveDirectoryTree(temp); };
  platform::WatchTerminationSignals(kTerminationDeadline, std::move(lastCleanup));

  // Games expect their own folder as the working directory (INI files, saves, error log).
  if (chdir(game.parent_path().c_str()) != 0) {
    std::fprintf(stderr, "runner: cannot enter the folder of \"%s\": %s\n", game.c_str(), std::strerror(errno));
    RemoveTempDirectory();
    return 1;
  }

  WriteTrace("Game file: " + GamePath());
  int status = 0;
  {
    // The game's state is made for this game and goes, in slot order, before the video shuts down.
    GameScope scope;
    ShellState().player = player;
    StartGameSubsystems();
    status = RunStartUp(RunApplication);
  }
  platform::ShutdownVideo();
  RemoveTempDirectory();
  // A run a signal ended is not a normal end, however orderly.
  if (const int signal = platform::TerminationSignal()) return 128 + signal;
  return status;
}

