// Buffered binary files; see Support_BinaryFile.h.
#include "runner/functions/Support_BinaryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {
constexpr size_t kBlock = 4096;
constexpr size_t kMaxPending = 1 << 16;
}  // namespace

bool CBinaryFile::Open(const std::string& path, Mode mode, bool secure) {
  Close();
  int flags = O_CLOEXEC | O_NONBLOCK;
  flags |= mode == Mode::Read ? O_RDONLY : mode == Mode::Write ? (O_WRONLY | O_CREAT) : (O_RDWR | O_CREAT);
  if (secure) flags |= O_NOFOLLOW;
  const int fd = open(path.c_str(), flags, 0666);
  if (fd < 0) return false;
  struct stat st;
  // Only plain files: a pipe or a device could block the game or never end.
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  mode_ = mode;
  pos_ = 0;
  read_.clear();
  write_.clear();
  return true;
}

bool CBinaryFile::Flush() {
  size_t done = 0;
  while (done < write_.size()) {
    const ssize_t n = pwrite(fd_, write_.data() + done, write_.size() - done, writeStart_ + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      write_.clear();  // reported once; the bytes are lost either way
      return false;
    }
    done += static_cast<size_t>(n);
  }
  write_.clear();
  return true;
}

bool CBinaryFile::Close() {
  if (fd_ < 0) return true;
  bool ok = Flush();
  if (close(fd_) != 0) ok = false;
  fd_ = -1;
  read_.clear();
  return ok;
}

bool CBinaryFile::Rewrite() {
  write_.clear();
  read_.clear();
  pos_ = 0;
  return ftruncate(fd_, 0) == 0;
}

bool CBinaryFile::Size(int64_t& size) {
  struct stat st;
  if (!Flush() || fstat(fd_, &st) != 0) return false;
  size = st.st_size;
  return true;
}

bool CBinaryFile::Seek(int64_t position) {
  if (position < 0) return false;
  pos_ = position;
  return true;
}

bool CBinaryFile::ReadByte(uint8_t& byte) {
  if (mode_ == Mode::Write) return false;
  if (!write_.empty() && !Flush()) return false;
  if (pos_ < readStart_ || pos_ >= readStart_ + static_cast<int64_t>(read_.size())) {
    read_.resize(kBlock);
    ssize_t n;
    do n = pread(fd_, read_.data(), kBlock, pos_);
    while (n < 0 && errno == EINTR);
    read_.resize(n > 0 ? static_cast<size_t>(n) : 0);
    readStart_ = pos_;
    if (n <= 0) return false;
  }
  byte = read_[static_cast<size_t>(pos_ - readStart_)];
  ++pos_;
  return true;
}

bool CBinaryFile::WriteByte(uint8_t byte) {
  if (mode_ == Mode::Read) return false;
  // Keep the bytes read ahead the same as the file will be.
  if (pos_ >= readStart_ && pos_ < readStart_ + static_cast<int64_t>(read_.size()))
    read_[static_cast<size_t>(pos_ - readStart_)] = byte;
  const bool follows = !write_.empty() && pos_ == writeStart_ + static_cast<int64_t>(write_.size());
  if (!write_.empty() && (!follows || write_.size() >= kMaxPending) && !Flush()) return false;
  if (write_.empty()) writeStart_ = pos_;
  write_.push_back(byte);
  ++pos_;
  return true;
}
