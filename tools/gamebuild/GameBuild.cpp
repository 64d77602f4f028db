// Building a game file from a project and writing it in one piece.
#include "tools/gamebuild/GameBuild.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#include "runner/base/Runner_Process.h"
#include "tools/gamebuild/GameWriter.h"

namespace fs = std::filesystem;

namespace gamebuild {
namespace {

std::vector<uint8_t> ReadRunner(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (path.empty() || !in || !fs::is_regular_file(path))
    throw BuildError("cannot read the runner: " + path.string());
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw BuildError("cannot read the runner: " + path.string());
  return bytes;
}

void WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  if (!WriteFully(fd, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())))
    throw BuildError(std::string("write failed: ") + std::strerror(errno));
}

}  // namespace

std::vector<uint8_t> BuildGameBytes(const BuildOptions& options) {
  const RProject project = ReadProject(options.project);
  const std::vector<uint8_t> runner = options.dataOnly ? std::vector<uint8_t>{} : ReadRunner(options.runner);
  return WriteGameFile(project, runner, options.seed.value_or(project.seed));
}

void BuildGame(const BuildOptions& options) {
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
