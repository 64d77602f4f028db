// Which family names count as found and which get a stand-in: the runner tells the player of
// the stand-ins only, so an alias the font configuration keeps (Arial's metric twin) is found.
// The code pages that carry text characters to the bytes a font holds, and back.
#include "platform/fonts/FontRaster.h"

#include "platform/fonts/CodePage.h"

#include <gtest/gtest.h>

namespace {

TEST(FontFaces, AFamilyNotInstalledNamesItsStandIn) {
  const std::pair<const char*, bool> rows[] = {
      {"DejaVu Sans", false},
      {"dejavu sans", false},
      {"Arial", false},  // Liberation Sans is installed as its metric-compatible twin
      {"Qzxv Nonesuch Grotesk", true},
  };
  for (const auto& [name, standIn] : rows) {
    auto face = platform::fonts::OpenFontFace(name, 12, false, false, 1);
    ASSERT_NE(face, nullptr) << name;
    EXPECT_EQ(!face->StandIn().empty(), standIn) << name << " -> " << face->StandIn();
  }
}

}  // namespace

namespace {

// Characters of text to the bytes of a font's code page, and back for the rasteriser.
TEST(CodePages, MapCharactersToTheBytesOfTheFontsPage) {
  using platform::fonts::CodePageOf;
  struct Row {
    int32_t charset;
    char16_t ch;
    int32_t byte;  // -1: the page has no byte for it
  } rows[] = {
      {1, u'A', 'A'},        {1, u'\u00E9', 0xE9},  {1, u'\u00FC', 0xFC},  {1, u'\u20AC', 0x80},
      {1, u'\u2013', 0x96},  {1, u'\u201C', 0x93},  {1, u'\u201D', 0x94},  {1, u'\u0141', -1},
      {1, u'\u0081', -1},    {1, u'\xD83D', -1},    {0, u'\u20AC', 0x80},  {99, u'\u20AC', 0x80},
      {238, u'\u0141', 0xA3}, {204, u'\u0416', 0xC6}, {204, u'\u00E9', -1},  {204, u'\u20AC', 0x88},
      {161, u'\u03A9', 0xD9}, {2, u'\u00B7', 0xB7},  {2, u'\u20AC', -1},    {128, u'\uFF71', 0xB1},
      {128, u'\u65E5', -1},  {128, u'\\', '\\'},
  };
  for (const Row& r : rows) {
    const auto& page = CodePageOf(r.charset);
    EXPECT_EQ(page.ByteOf(r.ch), r.byte) << r.charset << " U+" << std::hex << int(r.ch);
    if (r.byte >= 0x80) {
      EXPECT_EQ(page.CharOf(static_cast<uint8_t>(r.byte)), r.ch) << r.charset;
    }
  }
  // A hole of the page and a lead byte of a double-byte page stand for nothing.
  EXPECT_EQ(CodePageOf(1).CharOf(0x81), platform::fonts::TCodePage::kNoChar);
  EXPECT_EQ(CodePageOf(128).CharOf(0x88), platform::fonts::TCodePage::kNoChar);
}

}  // namespace
