// The process-wide services every subsystem may call: the trace log, the private temporary
// directory, the message pump, message boxes, starting other programs, the exit status and
// the application object. They belong to the process, not to a game: they outlive every game
// the process plays, so their state is the one process record here, not a part of the Game.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class TApplication;
}

// What the process knows of itself; one per process.
struct RProcess {
  std::string title = "runner";  // captions every message box
  bool trace = false;
  bool debugMode = false;
  bool debugSwitch = false;  // --debug: debug mode whatever the game header says
  int exitStatus = 0;
  std::string exePath, exeFolder;
  std::string gamePath;
  std::vector<std::string> args;  // program name excluded
  platform::TApplication* application = nullptr;
  std::function<void(std::string_view)> loadMessageSink;  // tests catch loading messages here
  // The private temporary directory.
  std::string tempBase, tempDir;
  bool tempCreated = false, tempAttempted = false;
};
RProcess& Process();

// Runs the application part of the start-up. An exception that escapes it is written to the
// trace log as "Unhandled Exception - " + message and gives status 1; else the exit status.
int RunStartUp(const std::function<void()>& body);

// Writes all of data to the file descriptor, retrying after interruptions and short writes;
// false when the file refuses (errno tells why).
bool WriteFully(int fd, std::string_view data);

// Trace log ("Trace.log" next to the executable).
void WriteTrace(std::string_view text);
void WriteTraceAlways(std::string_view text);

// Private temporary directory, without a trailing separator.
const std::string& GetTempDirectory();
std::string MakeTempFileName(std::string_view extension);

// Dispatches every waiting window-system event; never blocks.
void PumpMessages();

bool ShellOpen(const std::string& file, const std::string& parameters, const std::string& directory);
bool RunProcess(const std::string& program, const std::string& parameters, const std::string& directory,
                bool wait);

// The application title captions every message box; loading sets it from the game file's name.
const std::string& ApplicationTitle();
void SetApplicationTitle(std::string title);

// A plain modal message box with an OK button, captioned with the application title.
void ShowMessage(std::string_view text);

// A message of loading or preparation: through the process's load message sink when one is
// set, else a message box.
void ShowLoadMessage(std::string_view text);
// A name taken from a file, made safe to print: control bytes, bytes above 0x7E and the
// backslash become \xNN (\\ for the backslash), and a name longer than 200 bytes is cut with
// "...", so a damaged file can neither hide text in a terminal nor flood it.
std::string EscapedForMessage(std::string_view name);
void SetLoadMessageSink(std::function<void(std::string_view)> sink);

// Trace switches: ZTLOG_TRACE equal to "1", or "--ZTTrace" among the arguments (without the
// program name) except the last one. ztlogTrace is the variable's value, null when unset.
bool TraceSwitchOn(const char* ztlogTrace, std::span<const std::string> args);
bool TraceEnabled();
// The debug switch: "--debug" among the arguments except the last one, like the trace switch.
bool DebugSwitchOn(std::span<const std::string> args);
void SetTraceEnabled(bool on);

// The runner's own executable and its folder (where "Trace.log" and "tempdir.txt" live).
const std::string& ExecutablePath();
const std::string& ExecutableFolder();
void SetExecutableFolder(std::string folder);  // for embedding and tests

// The game file being run (absolute) and the arguments the runner was given, program name excluded.
const std::string& GamePath();
void SetGamePath(std::string path);
const std::vector<std::string>& ProgramArguments();

// Read from the game header by the loader; the debug window then drives the game.
void SetDebugMode(bool on);
bool DebugMode();

// Exit status of the runner: 0 after a normal end, 1 after a failed load or preparation or an
// error end. Later code asks for an error end with SetExitStatus(1).
void SetExitStatus(int status);
int ExitStatus();

// The application object while the runner runs (null before and after, or when embedded).
platform::TApplication* Application();
void SetApplication(platform::TApplication* application);
