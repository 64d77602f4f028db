// Program entry of the runner: the command line, the game file, the working folder and the
// application with its windows.
#pragma once

#include <span>
#include <string>

#include "runner/base/Runner_Process.h"

int RunnerMain(int argc, char** argv);

// What the command line asks for. The game is the runner's own file when it carries game data,
// else the last argument; --help and --version count only in that last place.
struct CommandLine {
  enum class Action { Run, Help, Version, Usage } action = Action::Usage;
  std::string gamePath;
};
CommandLine ResolveCommandLine(std::span<const std::string> args, const std::string& selfPath, bool selfHasGameData);
