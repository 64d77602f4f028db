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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>

#include "platform/app/Application.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/events/EventPump.h"
#include "platform/process/Process.h"
#include "platform/video/Video.h"
#include "runner/shell/Runner_Form.h"
#include "runner/shell/Runner_Game.h"
#include "runner/shell/Runner_Load.h"
#include "runner/shell/Runner_Temp.h"

namespace {

std::string g_title = "runner";
bool g_trace = false;
bool g_debugMode = false;
int g_exitStatus = 0;
std::string g_exePath;
std::string g_exeFolder;
std::string g_gamePath;
std::vector<std::string> g_args;
platform::TApplication* g_application = nullptr;

void SleepMs(long ms) {
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
  }
}

std::string Usage(const char* program) {
  const std::string name = std::filesystem::path(program && *program ? program : "runner").filename().string();
  return "Usage: " + name + " [--ZTTrace] [ARGS...] GAMEFILE\n"
         "       " + name + " --help | --version\n"
         "Runs the game stored in GAMEFILE, or the game appended to this executable.\n"
         "  --ZTTrace   append trace lines to Trace.log next to the executable\n"
         "              (as any argument but the last)\n"
         "  --help      show this help\n"
         "  --version   show the version\n"
         "See docs/command-line.md for the environment variables and exit statuses.\n";
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
  if (access(path.c_str(), R_OK) != 0) {
    why = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

int RunStartUp(const std::function<void()>& body) {
  try {
    body();
    return ExitStatus();
  } catch (const std::exception& e) {
    WriteTraceAlways(std::string("Unhandled Exception - ") + e.what());
  } catch (...) {
    WriteTraceAlways("Unhandled Exception - unknown exception");
  }
  SetExitStatus(1);
  return 1;
}

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

bool TraceSwitchOn(const char* ztlogTrace, std::span<const std::string> args) {
  if (ztlogTrace && std::string_view(ztlogTrace) == "1") return true;
  // The last argument is never examined (it is the game file when one is given).
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == "--ZTTrace") return true;
  return false;
}
bool TraceEnabled() { return g_trace; }
void SetTraceEnabled(bool on) { g_trace = on; }

CommandLine ResolveCommandLine(std::span<const std::string> args, const std::string& selfPath, bool selfHasGameData) {
  if (selfHasGameData) return {CommandLine::Action::Run, selfPath};
  if (args.empty()) return {CommandLine::Action::Usage, {}};
  const std::string& last = args.back();
  if (last == "--help" || last == "-h") return {CommandLine::Action::Help, {}};
  if (last == "--version") return {CommandLine::Action::Version, {}};
  return {CommandLine::Action::Run, last};
}

const std::string& ExecutablePath() {
  if (g_exePath.empty()) {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
    if (n > 0 && n < static_cast<ssize_t>(sizeof buf)) g_exePath.assign(buf, static_cast<size_t>(n));
  }
  return g_exePath;
}

const std::string& ExecutableFolder() {
  if (g_exeFolder.empty()) g_exeFolder = std::filesystem::path(ExecutablePath()).parent_path().string();
  return g_exeFolder;
}
void SetExecutableFolder(std::string folder) { g_exeFolder = std::move(folder); }

const std::string& GamePath() { return g_gamePath; }
void SetGamePath(std::string path) { g_gamePath = std::move(path); }
const std::vector<std::string>& ProgramArguments() { return g_args; }

void SetDebugMode(bool on) { g_debugMode = on; }
bool DebugMode() { return g_debugMode; }
void SetExitStatus(int status) { g_exitStatus = status; }
int ExitStatus() { return g_exitStatus; }

platform::TApplication* Application() { return g_application; }
void SetApplication(platform::TApplication* application) { g_application = application; }

void WriteTrace(std::string_view text) {
  if (g_trace) WriteTraceAlways(text);
}

void WriteTraceAlways(std::string_view text) {
  if (ExecutableFolder().empty()) return;
  const std::string path = ExecutableFolder() + "/Trace.log";
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  std::string line(text);
  line += '\n';
  // One write per line, so lines of two runners sharing the log do not interleave.
  WriteFully(fd, line);
  close(fd);
}

void PumpMessages() {
  if (g_application) {
    g_application->ProcessMessages();
    return;
  }
  SDL_Event event;
  while (platform::PollEvent(event)) {
  }
  platform::ReapChildren();
}

bool ShellOpen(const std::string& file, const std::string& parameters, const std::string& directory) {
  // xdg-open takes one target; anything starting with "-" would be read as an option.
  (void)parameters;
  if (file.empty() || file[0] == '-') return false;
  const pid_t pid = platform::SpawnProcess({"xdg-open", file}, directory, true);
  if (pid < 0) return false;
  platform::ReleaseChild(pid);
  return true;
}

bool RunProcess(const std::string& program, const std::string& parameters, const std::string& directory,
                bool wait) {
  std::vector<std::string> argv{program};
  for (auto& a : platform::SplitCommandLine(parameters)) argv.push_back(std::move(a));
  const pid_t pid = platform::SpawnProcess(argv, directory, program.find('/') == std::string::npos);
  if (pid < 0) return false;
  if (!wait) {
    platform::ReleaseChild(pid);
    return true;
  }
  while (platform::PollChild(pid) == platform::ChildState::Running) {
    PumpMessages();
    SleepMs(50);
  }
  return true;
}

const std::string& ApplicationTitle() { return g_title; }
void SetApplicationTitle(std::string title) { g_title = std::move(title); }

void ShowMessage(std::string_view text) { platform::ShowMessageBox(g_title, std::string(text)); }

int RunnerMain(int argc, char** argv) {
  g_args.assign(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  g_trace = TraceSwitchOn(std::getenv("ZTLOG_TRACE"), g_args);

  const std::string& self = ExecutablePath();
  const CommandLine cmd = ResolveCommandLine(g_args, self, !self.empty() && FileHasGameData(self));
  const char* program = argc > 0 ? argv[0] : "runner";
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

  std::string why;
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

  // Games expect their own folder as the working directory (INI files, saves, error log).
  if (chdir(game.parent_path().c_str()) != 0) {
    std::fprintf(stderr, "runner: cannot enter the folder of \"%s\": %s\n", game.c_str(), std::strerror(errno));
    RemoveTempDirectory();
    return 1;
  }

  WriteTrace("Game file: " + GamePath());
  InstallGameSubsystems();
  const int status = RunStartUp(RunApplication);
  platform::ShutdownVideo();
  RemoveTempDirectory();
  return status;
}

bool WriteFully(int fd, std::string_view data) {
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}
