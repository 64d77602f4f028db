// Game file names on this file system, and the text files behind the text-file functions.
// Games write Windows names: backslashes, drive letters and any letter case. Names are mapped
// only where they reach the file system; messages keep the game's own text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

// A name holding a folder separator; secure mode refuses to write through one.
bool IsPathName(std::string_view name);

// The name as this file system spells it: separators made "/" and collapsed, a drive letter
// dropped. Nothing for names that are empty, hold a NUL or are network paths.
std::optional<std::string> MapFileName(std::string_view name);

// The existing file or folder the game means: the mapped name as it is, else each component
// matched without regard to letter case (an exact match wins, then the first in byte order).
// Nothing for a name that is empty, holds a NUL, is a network path or names nothing.
std::optional<std::string> ResolveExisting(std::string_view name);
// Where writing the name goes: the folders resolved as above, an existing case variant of the
// last component reused, else the component as given. Nothing for names that cannot be files.
std::optional<std::string> ResolveForWrite(std::string_view name);

// Where replacing the file at path (a temporary file renamed over it) should go: through a
// symbolic link to the file it names, as writing into it would, except in secure mode, where
// the link itself is replaced and nothing outside the game's folder is touched.
std::string ReplaceTarget(const std::string& path, bool secure);

// A text file open for reading or for writing. Reading accepts CR LF, LF and a lone CR as line
// ends and skips a leading byte-order mark; every write is flushed at once.
class CTextFile {
 public:
  enum Mode : int32_t { kFree = 0, kRead = 1, kWrite = 2 };

  CTextFile() = default;
  ~CTextFile() { Close(); }
  CTextFile(const CTextFile&) = delete;
  CTextFile& operator=(const CTextFile&) = delete;

  Mode mode() const { return mode_; }
  // No read or write has failed.
  bool Good() const { return file_ && !std::ferror(file_); }
  // False when the file cannot be opened; the mode is then free. Secure writes never follow a
  // link in the last component.
  bool OpenRead(const std::string& path);
  bool OpenWrite(const std::string& path, bool append, bool secure);
  // False when buffered data could not be written.
  bool Close();

  // Reading. The string functions stop before the line end; false on a read failure.
  bool ReadString(std::string& out);
  // The number rule of the text functions; skipAll is the older single-file rule.
  double ReadReal(bool skipAll);
  bool ReadLn();
  bool Eof();
  bool Eoln();

  // Writing; false when the bytes did not reach the file.
  bool Write(std::string_view text);

 private:
  int Peek();
  int Get();
  void SkipLineEnd();

  std::FILE* file_ = nullptr;
  Mode mode_ = kFree;
};

// A real as the text functions write it: a blank, the sign, the integer part and, when the first
// six decimals are not all zero, a point and exactly six digits.
std::string TextFileReal(double value);
