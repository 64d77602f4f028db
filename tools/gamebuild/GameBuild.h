// gamebuild's entry points: a project directory in, a game file out, either as a standalone
// executable (the runner with the data appended) or as data alone.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/gamebuild/Project.h"

namespace gamebuild {

// A fault outside the project: the runner cannot be read, the output cannot be written.
class BuildError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct BuildOptions {
  std::filesystem::path project;
  std::filesystem::path output;
  std::filesystem::path runner;  // unused with dataOnly
  bool dataOnly = false;
  std::optional<uint32_t> seed;  // default: the project's own seed
  // The command line turns it on; compiling gives the game's names variable ids in this
  // process, which callers that load the game in the same process must not see.
  bool checkCode = false;
};

// Whether the file is a runner a game can be built on: it carries the runner's mark and no
// game yet. why says what it is otherwise.
bool IsRunnerExecutable(const std::filesystem::path& path, std::string& why);

// The file's bytes. Throws ProjectError (CodeErrors when code does not compile) or BuildError.
std::vector<uint8_t> BuildGameBytes(const BuildOptions& options);

// Writes the file through a temporary file in the output's folder, so a failed build leaves
// no partial output and an earlier file stays as it was. Refuses, before building, an output
// that exists and is not a regular file, that is the runner, or that lies in the project folder.
void BuildGame(const BuildOptions& options);

}  // namespace gamebuild
