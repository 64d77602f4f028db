// An INI file held in memory as its own lines, so that writing it back changes only the lines
// a game changed: comments, blank lines and lines the reader does not understand survive.
// Section and key names compare without regard to ASCII letter case; a key line is split at
// its first "=", with blanks and tabs trimmed around both sides. Sections of the same name count
// as one; of keys repeated in a section, the first wins.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CIniFile {
 public:
  // Larger files are not read: the copy starts empty instead.
  static constexpr size_t kMaxBytes = 16u << 20;

  // Reads lines ended by CR LF, LF or a lone CR, after an optional byte-order mark.
  void Parse(std::string_view text);
  // The lines as they would be written: CR LF after each, the byte-order mark kept.
  std::string Text() const;

  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  bool KeyExists(std::string_view section, std::string_view key) const { return Read(section, key).has_value(); }
  bool SectionExists(std::string_view section) const;
  void Write(std::string_view section, std::string_view key, std::string_view value);
  void DeleteKey(std::string_view section, std::string_view key);
  void DeleteSection(std::string_view section);

  // Whether anything changed since the copy was read.
  bool changed() const { return changed_; }
  void MarkSaved() { changed_ = false; }

 private:
  std::vector<std::string> lines_;
  bool bom_ = false;
  bool changed_ = false;
};

// The INI number rule: decimal point "." or ",", exponent "E"/"e", "-" flips the sign of the
// mantissa or, after the exponent mark, of the exponent; anything else ends the scan.
double IniNumber(std::string_view text);
// A real as INI files keep it: up to 15 significant digits, "." as the decimal point, and an
// exponent without "+" so that the number rule reads it back.
std::string IniRealText(double value);
