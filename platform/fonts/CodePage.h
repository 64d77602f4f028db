// The single-byte characters of the Windows code page behind a font character set. Fonts hold
// glyphs for the bytes 0..255 of their code page while text is Unicode, so both the glyph
// rasteriser (byte to character) and text drawing (character to byte) go through this table.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace platform::fonts {

// The iconv name of a character set's code page; the default set and unknown ones use CP1252.
const char* CodePageName(int32_t charset);

class TCodePage {
 public:
  static constexpr char32_t kNoChar = 0xFFFFFFFF;
  // The character byte b stands for alone; kNoChar when it stands for none (a lead byte of a
  // double-byte code page, or a hole of the page).
  char32_t CharOf(uint8_t b) const { return chars_[b]; }
  // The byte that stands for the UTF-16 unit c; -1 when the page has none. ASCII is always
  // itself, so text that never leaves it draws exactly as it always did.
  int32_t ByteOf(char16_t c) const;

 private:
  friend const TCodePage& CodePageOf(int32_t charset);
  std::array<char32_t, 256> chars_{};
  std::vector<std::pair<char16_t, uint8_t>> beyondAscii_;  // bytes of characters past ASCII, sorted
};

// The table of a character set; the symbol set (2) has no code page and maps each byte to
// itself. Built once per process: the pages are constants of the system.
const TCodePage& CodePageOf(int32_t charset);

}  // namespace platform::fonts
