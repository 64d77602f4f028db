// A small reader of rich text (RTF) for the game information and text splash screens: the text
// with its paragraph and line breaks, tabs, 8-bit characters in the document's (or the font's)
// code page and Unicode escapes, in styled runs: bold, italic, underline, size, colour (through
// the colour table), font (through the font table) and paragraph alignment. It is iterative, with
// the nesting of groups and the tables capped, so a damaged or hostile file gives as much text as
// is readable, never a crash.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct RRtfStyle {
  std::string font = "Arial";
  int32_t size = 12;  // points
  int32_t color = 0;  // 0x00BBGGRR
  bool bold = false, italic = false, underline = false;
  bool operator==(const RRtfStyle&) const = default;
};

// Text in one style; "\n" inside is a line break within the paragraph, "\t" a tab.
struct RRtfRun {
  RRtfStyle style;
  std::u32string text;
};

struct RRtfParagraph {
  int32_t align = 0;  // 0 left (also justified), 1 centre, 2 right
  std::vector<RRtfRun> runs;
};

struct RRtfDocument {
  std::vector<RRtfParagraph> paragraphs;
};

// Text without "{\rtf" is plain text in the base style, one paragraph a line.
RRtfDocument ReadRtf(std::string_view rtf, const RRtfStyle& base);
// The text alone, UTF-8, paragraphs ended by "\n" (none after the last).
std::string RtfToText(std::string_view rtf);
