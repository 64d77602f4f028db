// The process-wide services: trace log, message pump, message boxes, starting programs, the
// exit status and the application object.
#include "runner/base/Runner_Process.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <filesystem>

#include "platform/app/Application.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/events/EventPump.h"
#include "platform/process/Process.h"
#include "platform/process/Signals.h"

namespace {
void SleepMs(long ms) {
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
  }
}
}  // namespace

RProcess& Process() {
  // One per process, by definition; a function-local record so that it exists before any
  // static initialiser of another unit might ask for it.
  static RProcess process;
  return process;
}

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

bool TraceSwitchOn(const char* ztlogTrace, std::span<const std::string> args) {
  if (ztlogTrace && std::string_view(ztlogTrace) == "1") return true;
  // The last argument is never examined (it is the game file when one is given).
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == "--ZTTrace") return true;
  return false;
}
bool DebugSwitchOn(std::span<const std::string> args) {
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == "--debug") return true;
  return false;
}
bool TraceEnabled() { return Process().trace; }
void SetTraceEnabled(bool on) { Process().trace = on; }

const std::string& ExecutablePath() {
  if (Process().exePath.empty()) {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
    if (n > 0 && n < static_cast<ssize_t>(sizeof buf)) Process().exePath.assign(buf, static_cast<size_t>(n));
  }
  return Process().exePath;
}

const std::string& ExecutableFolder() {
  if (Process().exeFolder.empty()) Process().exeFolder = std::filesystem::path(ExecutablePath()).parent_path().string();
  return Process().exeFolder;
}
void SetExecutableFolder(std::string folder) { Process().exeFolder = std::move(folder); }

const std::string& GamePath() { return Process().gamePath; }
void SetGamePath(std::string path) { Process().gamePath = std::move(path); }
const std::vector<std::string>& ProgramArguments() { return Process().args; }

void SetDebugMode(bool on) { Process().debugMode = on; }
bool DebugMode() { return Process().debugMode; }
void SetExitStatus(int status) { Process().exitStatus = status; }
int ExitStatus() { return Process().exitStatus; }

platform::TApplication* Application() { return Process().application; }
void SetApplication(platform::TApplication* application) { Process().application = application; }

void WriteTrace(std::string_view text) {
  if (Process().trace) WriteTraceAlways(text);
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
  if (Process().application) {
    Process().application->ProcessMessages();
    return;
  }
  platform::DiscardEvents();
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
  // A termination signal ends the wait: the program runs on, the game closes.
  while (platform::PollChild(pid) == platform::ChildState::Running && !platform::TerminationSignal()) {
    PumpMessages();
    SleepMs(50);
  }
  return true;
}

const std::string& ApplicationTitle() { return Process().title; }
void SetApplicationTitle(std::string title) { Process().title = std::move(title); }

void ShowMessage(std::string_view text) { platform::ShowMessageBox(Process().title, std::string(text)); }

void ShowLoadMessage(std::string_view text) {
  if (Process().loadMessageSink)
    Process().loadMessageSink(text);
  else
    ShowMessage(text);
}
void SetLoadMessageSink(std::function<void(std::string_view)> sink) { Process().loadMessageSink = std::move(sink); }

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

std::string EscapedForMessage(std::string_view name) {
  constexpr size_t kMaxShown = 200;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < name.size() && i < kMaxShown; ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c > 0x7E) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  if (name.size() > kMaxShown) out += "...";
  return out;
}
