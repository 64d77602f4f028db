// Opening a file that is named to be read whole: only a regular file of a size a stream can
// hold is opened, and without blocking, because a FIFO or a device named as a file would
// otherwise hang the open or feed bytes without end.
#pragma once

#include <cstdint>
#include <string>

class RegularFile {
 public:
  // Closed (fd() < 0) when the file cannot be opened, is no regular file or is larger than
  // maxSize bytes.
  RegularFile(const std::string& path, int64_t maxSize);
  ~RegularFile();
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;

  int fd() const { return fd_; }
  int64_t size() const { return size_; }

 private:
  int fd_ = -1;
  int64_t size_ = 0;
};
