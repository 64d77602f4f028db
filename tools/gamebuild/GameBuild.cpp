// Building a game file from a project and writing it in one piece.
#include "tools/gamebuild/GameBuild.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#include "runner/base/Runner_Process.h"
#include "runner/shell/Runner_Load.h"
#include "tools/gamebuild/GameWriter.h"
#include "tools/gamebuild/Project_Code.h"
#include "tools/gamebuild/Project_Files.h"

namespace fs = std::filesystem;

namespace gamebuild {
namespace {

std::vector<uint8_t> ReadRunner(const fs::path& path) {
  std::vector<uint8_t> bytes;
  std::string why;
  if (path.empty() || !ReadRegularFile(path, bytes, why))
    throw BuildError("cannot read the runner: " + path.string() + (why.empty() ? "" : " (" + why + ")"));
  return bytes;
}

void WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  if (!WriteFully(fd, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())))
    throw BuildError(std::string("write failed: ") + std::strerror(errno));
}

}  // namespace

bool IsRunnerExecutable(const fs::path& path, std::string& why) {
  std::vector<uint8_t> bytes;
  if (!ReadRegularFile(path, bytes, why)) return false;
  // Spelled backwards here so gamebuild itself does not carry the mark.
  std::string mark = "\x7f" "elbatucexe-rennur-xevrok" "\x7f";
  std::reverse(mark.begin(), mark.end());
  if (std::search(bytes.begin(), bytes.end(), mark.begin(), mark.end()) == bytes.end()) {
    why = "it is not a runner";
    return false;
  }
  if (FileHasGameData(path.string())) {
    why = "it is a game already, not a bare runner";
    return false;
  }
  return true;
}

std::vector<uint8_t> BuildGameBytes(const BuildOptions& options) {
  const RProject project = ReadProject(options.project);
  if (options.checkCode) {
    CheckProjectCode(project, options.project);
  } else {
    // Trigger conditions are always checked: a condition has nowhere to report a fault at run time.
    RProject conditions;
    conditions.scripts = project.scripts;
    conditions.triggers = project.triggers;
    for (const RCodeSource& c : project.codes)
      if (c.what == "bad condition") conditions.codes.push_back(c);
    CheckProjectCode(conditions, options.project);
  }
  const std::vector<uint8_t> runner = options.dataOnly ? std::vector<uint8_t>{} : ReadRunner(options.runner);
  return WriteGameFile(project, runner, options.seed.value_or(project.seed));
}

namespace {
void CheckOutput(const BuildOptions& options) {
  const fs::path& out = options.output;
  const std::string cannot = "cannot write " + out.string() + ": ";
  struct stat target;
  if (lstat(out.c_str(), &target) == 0) {
    // The new file is renamed over the old name: a device, a FIFO, a folder or a link there
    // would be replaced by a regular file.
    if (!S_ISREG(target.st_mode)) throw BuildError(cannot + "it exists and is not a regular file");
    struct stat runner;
    if (!options.dataOnly && stat(options.runner.c_str(), &runner) == 0 && runner.st_dev == target.st_dev &&
        runner.st_ino == target.st_ino)
      throw BuildError(cannot + "it is the runner the game is built with");
  }
  // Everything else the build reads lies in the project folder, so the output may not.
  std::error_code ec;
  const fs::path project = fs::weakly_canonical(fs::absolute(options.project, ec), ec);
  const fs::path file = fs::weakly_canonical(fs::absolute(out, ec), ec);
  const fs::path inside = file.lexically_relative(project);
  if (!ec && !inside.empty() && *inside.begin() != "..")
    throw BuildError(cannot + "it lies inside the project folder " + options.project.string());
}

}  // namespace

void BuildGame(const BuildOptions& options) {
  CheckOutput(options);
  const std::vector<uint8_t> bytes = BuildGameBytes(options);
  const fs::path out = options.output;
  const fs::path dir = out.has_parent_path() ? out.parent_path() : fs::path(".");
  std::string tmpl = (dir / ("." + out.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) throw BuildError("cannot write " + out.string() + ": " + std::strerror(errno));
  bool closed = false;
  try {
    WriteAll(fd, bytes);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t mode = (options.dataOnly ? 0666 : 0777) & ~mask;
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
      throw BuildError("cannot write " + out.string() + ": " + std::strerror(errno));
    closed = true;
    if (::close(fd) != 0) throw BuildError("cannot write " + out.string() + ": " + std::strerror(errno));
  } catch (...) {
    if (!closed) ::close(fd);
    ::unlink(tmpl.c_str());
    throw;
  }
  if (::rename(tmpl.c_str(), out.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmpl.c_str());
    throw BuildError("cannot write " + out.string() + ": " + std::strerror(err));
  }
}

}  // namespace gamebuild
