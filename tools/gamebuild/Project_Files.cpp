// Reading project files safely; see Project_Files.h.
#include "tools/gamebuild/Project_Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace fs = std::filesystem;

namespace gamebuild {

bool ReadRegularFile(const fs::path& path, std::vector<uint8_t>& bytes, std::string& why) {
  bytes.clear();
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    why = errno == ENOENT || errno == ENOTDIR ? "file not found" : std::string("cannot read: ") + std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    why = "a folder, not a file";
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    why = "not a regular file";
    return false;
  }
  // Not blocking, and checked again once open: the name may have changed meanwhile.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    why = std::string("cannot read: ") + std::strerror(errno);
    return false;
  }
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!ok) why = "not a regular file";
  char buffer[1 << 16];
  while (ok) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      why = std::string("cannot read: ") + std::strerror(errno);
      ok = false;
    }
    if (n <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  close(fd);
  return ok;
}

fs::path InsideProject(const fs::path& root, const fs::path& base, const std::string& rel, std::string& why) {
  const fs::path given(rel);
  if (given.is_absolute()) {
    why = "an absolute path; files must lie inside the project folder";
    return {};
  }
  std::error_code ec;
  const fs::path top = fs::weakly_canonical(fs::absolute(root, ec), ec);
  const fs::path full = fs::weakly_canonical(fs::absolute(base / given, ec), ec);
  if (ec) {
    why = "cannot resolve the path: " + ec.message();
    return {};
  }
  const fs::path inside = full.lexically_relative(top);
  if (inside.empty() || *inside.begin() == "..") {
    why = "leads outside the project folder";
    return {};
  }
  return full;
}

std::string JsonMessage(const std::exception& e) {
  const std::string what = e.what();
  const size_t cut = what.find("] ");
  return cut == std::string::npos ? what : what.substr(cut + 2);
}

}  // namespace gamebuild
