// Private temporary directory. Shared folders like /tmp are hostile: names are claimed with
// mkdir (no check-then-create), and removal walks by descriptor with O_NOFOLLOW so a planted
// link cannot redirect it.
#include "runner/base/Runner_Temp.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "runner/base/Runner_Process.h"

namespace {


constexpr int kMaxDepth = 128;
constexpr int kMaxNameTries = 10000;

std::optional<std::string> Canonical(const std::string& path) {
  char buf[PATH_MAX];
  if (!realpath(path.c_str(), buf)) return std::nullopt;
  return std::string(buf);
}

std::optional<std::string> FdPath(int fd) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char buf[PATH_MAX];
  const ssize_t n = readlink(link, buf, sizeof buf);
  if (n <= 0 || n >= static_cast<ssize_t>(sizeof buf)) return std::nullopt;
  return std::string(buf, static_cast<size_t>(n));
}

// mkdir -p for the parents of a temporary base; they may hold private files, so 0700.
bool MakeParents(const std::string& path) {
  if (path.empty()) return true;
  std::string partial;
  size_t pos = 0;
  while (pos <= path.size()) {
    const size_t next = path.find('/', pos);
    partial = path.substr(0, next == std::string::npos ? path.size() : next);
    if (!partial.empty() && mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (next == std::string::npos) break;
    pos = next + 1;
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Empties the directory open as fd. root is the canonical temporary directory: every folder we
// delete from must lie inside it.
bool EmptyDirectory(int fd, const std::string& root, int depth) {
  if (auto here = FdPath(fd); here && !PathIsInside(*here, root)) return false;
  const int dupFd = dup(fd);
  if (dupFd < 0) return false;
  DIR* dir = fdopendir(dupFd);
  if (!dir) {
    close(dupFd);
    return false;
  }
  std::vector<std::string> names;
  while (dirent* e = readdir(dir)) {
    const std::string_view n = e->d_name;
    if (n != "." && n != "..") names.emplace_back(n);
  }
  closedir(dir);

  bool ok = true;
  for (const auto& name : names) {
    struct stat st;
    if (fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      ok = false;
      continue;
    }
    if (S_ISDIR(st.st_mode)) {
      const int sub = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub < 0 || depth >= kMaxDepth) {
        if (sub >= 0) close(sub);
        ok = false;
        continue;
      }
      ok = EmptyDirectory(sub, root, depth + 1) && ok;
      close(sub);
      if (unlinkat(fd, name.c_str(), AT_REMOVEDIR) != 0) ok = false;
    } else if (unlinkat(fd, name.c_str(), 0) != 0) {  // a link goes, its target stays
      ok = false;
    }
  }
  return ok;
}

}  // namespace

std::string MapWindowsPath(std::string_view path) {
  std::string s(path);
  for (char& c : s)
    if (c == '\\') c = '/';
  const bool drive = s.size() >= 2 && s[1] == ':' &&
                     ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
  if (drive) s.erase(0, 2);
  return s;
}

namespace {
// The first line of the file at path when it is a regular file. Anything else counts as no file:
// a FIFO would block the open for ever, a device such as /dev/zero never ends. Past 1 MiB
// without a line end the line is cut; no path is that long, so it still fails as a base.
std::optional<std::string> FirstLineOfRegularFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return std::nullopt;
  }
  constexpr size_t kMaxLine = size_t{1} << 20;
  std::string line;
  char buffer[4096];
  while (line.size() < kMaxLine && line.find('\n') == std::string::npos) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    line.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  line.resize(std::min({line.find('\n'), line.size(), kMaxLine}));
  return line;
}
}  // namespace

std::optional<std::string> ConfiguredTempBase(const std::string& exeFolder, const EnvLookup& env) {
  if (std::optional<std::string> first = FirstLineOfRegularFile(exeFolder + "/tempdir.txt")) {
    std::string& line = *first;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() >= 3 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    return MapWindowsPath(line);
  }
  for (const char* name : {"TMPDIR", "TEMP", "TMP", "temp", "tmp"}) {
    const char* v = env(name);
    if (v && *v) return MapWindowsPath(v);
  }
  return std::nullopt;
}

std::string TempCandidate(const std::string& base, int n) {
  std::string b = base;
  while (!b.empty() && b.back() == '/') b.pop_back();
  return b + "/kv_ttt_" + std::to_string(n);
}

std::optional<std::string> CreateTempDirectoryUnder(const std::string& base, std::mt19937& random) {
  std::string b = base;
  while (!b.empty() && b.back() == '/') b.pop_back();
  if (!MakeParents(b)) return std::nullopt;
  std::uniform_int_distribution<int> pick(0, 99999);
  for (int i = 0; i < kMaxNameTries; ++i) {
    const std::string candidate = TempCandidate(b, pick(random));
    if (mkdir(candidate.c_str(), 0700) == 0) {
      if (auto canonical = Canonical(candidate)) return canonical;
      rmdir(candidate.c_str());
      return std::nullopt;
    }
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

bool PathIsInside(std::string_view path, std::string_view dir) {
  if (path == dir) return true;
  std::string prefix(dir);
  if (prefix.empty() || prefix.back() != '/') prefix += '/';
  return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

bool RemoveDirectoryTree(const std::string& dir) {
  const auto root = Canonical(dir);
  if (!root || *root == "/") return false;
  // The path itself may have been swapped for a link since: O_NOFOLLOW refuses it.
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = EmptyDirectory(fd, *root, 0);
  close(fd);
  if (rmdir(dir.c_str()) != 0) ok = false;
  return ok;
}

std::mt19937& TempRandom() {
  static std::mt19937 random([] {
    std::random_device device;
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::seed_seq seq{static_cast<unsigned>(ticks), static_cast<unsigned>(ticks >> 32), device(),
                      static_cast<unsigned>(getpid())};
    return std::mt19937(seq);
  }());
  return random;
}

void CreateTempDirectory() {
  if (Process().tempCreated) return;
  if (!Process().tempAttempted) std::atexit(RemoveTempDirectory);  // also when something calls exit()
  Process().tempAttempted = true;
  const auto configured = ConfiguredTempBase(ExecutableFolder(), [](const char* n) { return std::getenv(n); });
  std::vector<std::string> bases;
  if (configured) bases.push_back(*configured);
  bases.push_back("/tmp");
  if (auto cwd = Canonical(".")) bases.push_back(*cwd);
  for (const auto& base : bases) {
    if (auto dir = CreateTempDirectoryUnder(base, TempRandom())) {
      Process().tempBase = base;
      Process().tempDir = *dir;
      Process().tempCreated = true;
      WriteTrace("Temporary directory: " + Process().tempDir);
      return;
    }
  }
  // Nothing was created: the path names no directory of ours, and is never removed.
  Process().tempBase = bases.back();
  Process().tempDir = TempCandidate(Process().tempBase, std::uniform_int_distribution<int>(0, 99999)(TempRandom()));
  ShowMessage("Failed to create temp dir. This can cause serious problems with sounds, etc.");
}

void RemoveTempDirectory() {
  if (!Process().tempCreated) return;
  Process().tempCreated = false;
  RemoveDirectoryTree(Process().tempDir);
}

const std::string& GetTempDirectory() {
  // Code run without the program entry (tools, tests) still gets a private directory.
  if (!Process().tempAttempted) CreateTempDirectory();
  return Process().tempDir;
}

std::string MakeTempFileName(std::string_view extension) {
  const std::string& temp = GetTempDirectory();
  std::uniform_int_distribution<int> pick(0, 99999);
  std::string candidate;
  for (int i = 0; i < kMaxNameTries; ++i) {
    candidate = temp + "/a" + std::to_string(pick(TempRandom())) + std::string(extension);
    struct stat st;
    if (lstat(candidate.c_str(), &st) != 0 && errno == ENOENT) break;
  }
  return candidate;
}
