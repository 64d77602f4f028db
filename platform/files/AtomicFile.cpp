// Temporary file + fsync + rename; see AtomicFile.h.
#include "platform/files/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {
namespace {
// Writes all of data, retrying short writes and interruptions.
bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

std::string FolderOf(const std::string& path) {
  const size_t cut = path.rfind('/');
  if (cut == std::string::npos) return ".";
  return cut == 0 ? "/" : path.substr(0, cut);
}

// The rename itself must reach the disk too, or a crash could bring the old name back.
void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}
}  // namespace

bool ReplaceFile(const std::string& path, const FileWriter& write) {
  if (path.empty() || path.back() == '/') {
    errno = EINVAL;
    return false;
  }
  const std::string folder = FolderOf(path);
  const size_t cut = path.rfind('/');
  // Cut so that the temporary name stays within the longest name a folder entry may have.
  const std::string leaf = (cut == std::string::npos ? path : path.substr(cut + 1)).substr(0, 200);
  // Hidden and unique, in the target's folder so that the rename never crosses file systems.
  std::string temp = (folder == "/" ? "" : folder) + "/." + leaf + ".new-XXXXXX";
  if (cut == std::string::npos) temp = "." + leaf + ".new-XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  struct stat old;
  const mode_t mode = stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode) ? (old.st_mode & 07777) : NewFileMode();
  bool ok = fchmod(fd, mode) == 0 && write(fd) && fsync(fd) == 0;
  int saved = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok && rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    saved = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    errno = saved;
    return false;
  }
  SyncFolder(folder);
  return true;
}

bool ReplaceFileContents(const std::string& path, std::string_view data) {
  return ReplaceFile(path, [data](int fd) { return WriteAll(fd, data.data(), data.size()); });
}

bool CopyFileReplacing(const std::string& source, const std::string& target) {
  const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (in < 0) return false;
  struct stat from, to;
  if (fstat(in, &from) != 0 || !S_ISREG(from.st_mode)) {
    close(in);
    errno = EINVAL;
    return false;
  }
  if (stat(target.c_str(), &to) == 0 && to.st_dev == from.st_dev && to.st_ino == from.st_ino) {
    close(in);
    return true;
  }
  const bool ok = ReplaceFile(target, [in](int out) {
    char buffer[1 << 16];
    for (;;) {
      const ssize_t n = read(in, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) return true;
      if (!WriteAll(out, buffer, static_cast<size_t>(n))) return false;
    }
  });
  const int saved = errno;
  close(in);
  errno = saved;
  return ok;
}

}  // namespace platform
