// A binary file of the binary-file functions: bytes with a position. Games read and write one
// byte per call, so reads come from a block read ahead and writes gather in a buffer; the buffer
// reaches the file before any read, size, rewrite or close, and a failure to write it is
// reported by the call that caused it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

class CBinaryFile {
 public:
  enum class Mode { Read, Write, ReadWrite };

  CBinaryFile() = default;
  ~CBinaryFile() { Close(); }
  CBinaryFile(const CBinaryFile&) = delete;
  CBinaryFile& operator=(const CBinaryFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  // Read opens an existing plain file; the writing modes create a missing one and keep an
  // existing one's bytes. Secure opens never follow a link in the last component.
  bool Open(const std::string& path, Mode mode, bool secure);
  // False when buffered bytes could not be written; the file is closed either way.
  bool Close();

  bool Rewrite();  // empty the file, position 0
  bool Size(int64_t& size);
  int64_t Position() const { return pos_; }
  bool Seek(int64_t position);
  bool ReadByte(uint8_t& byte);  // false at the end of the file or on a failure
  bool WriteByte(uint8_t byte);

 private:
  bool Flush();

  int fd_ = -1;
  Mode mode_ = Mode::Read;
  int64_t pos_ = 0;
  std::vector<uint8_t> read_;  // bytes of the file from readStart_
  int64_t readStart_ = 0;
  std::vector<uint8_t> write_;  // bytes to be written at writeStart_
  int64_t writeStart_ = 0;
};
