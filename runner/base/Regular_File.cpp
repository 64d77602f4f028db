// Opening a file that is named to be read whole, refusing anything but a regular file.
#include "runner/base/Regular_File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RegularFile::RegularFile(const std::string& path, int64_t maxSize) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 || st.st_size > maxSize) {
    close(fd);
    return;
  }
  fd_ = fd;
  size_ = st.st_size;
}

RegularFile::~RegularFile() {
  if (fd_ >= 0) close(fd_);
}
