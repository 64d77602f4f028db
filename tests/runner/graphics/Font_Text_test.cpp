// Fonts and text: line layout, widths and heights against a font with a known glyph table, the
// font record and chunk, system fonts rasterised into the atlas, and drawn text as golden images.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "runner/graphics/Font_Class.h"
#include "runner/graphics/Font_Main.h"
#include "runner/graphics/Graphics_Draw.h"
#include "runner/graphics/Graphics_Text.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/base/Support_Stream.h"
#include "tests/support/Golden.h"

namespace {

// Every character of 32..127 advances 5 except the space (3), '-' (4) and 'i' (2); all are 10 high.
std::unique_ptr<CFont> KnownFont() {
  auto f = std::make_unique<CFont>();
  f->s_name = "known";
  f->s_first = 32;
  f->s_last = 127;
  for (int c = 32; c <= 127; ++c) f->s_shift[c] = 5, f->s_h[c] = 10;
  f->s_shift[' '] = 3;
  f->s_shift['-'] = 4;
  f->s_shift['i'] = 2;
  f->s_FontHeight = 10;
  return f;
}

class TextLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    Fonts().Put(0, KnownFont(), "fnt_known");
    TextState() = RTextState{0, 0, 0};
  }
};

std::string Joined(const std::vector<std::u16string>& lines) {
  std::string out;
  for (const std::u16string& l : lines) {
    out += '[';
    for (char16_t c : l) out += static_cast<char>(c);
    out += ']';
  }
  return out;
}

TEST_F(TextLayout, SplitsLinesAndWrapsWords) {
  struct Case {
    const char* text;
    int32_t width;
    const char* lines;
  } cases[] = {
      {"a#b", -1, "[a][b]"},
      {"a\\#b", -1, "[a#b]"},
      {"", -1, ""},
      {"#", -1, "[]"},
      {"#a", -1, "[][a]"},
      {"a#", -1, "[a]"},
      {"a\r\nb", -1, "[a][b]"},
      {"a\nb\rc", -1, "[a][b][c]"},
      {"a\n\rb", -1, "[a][][b]"},
      {"abc def", 21, "[abc ][def]"},
      {"abc def", 18, "[abc ][def]"},
      {"abc def", 33, "[abc def]"},
      {"abcdefgh", 10, "[abcdefgh]"},
      {"ab-cd", 15, "[ab-][cd]"},
      {"a##b", 100, "[a][][b]"},
      {"ab cd ef", 0, "[ab ][cd ][ef]"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Joined(SplitLines(*Fonts().Get(0), TextCodes(c.text), c.width)), c.lines)
        << c.text << " at " << c.width;
}

TEST_F(TextLayout, MeasuresWidthsAndHeights) {
  struct Case {
    const char* text;
    int32_t sep, width;
    int32_t w, h;
  } cases[] = {
      {"", -1, -1, 1, 1},          {"abc", -1, -1, 15, 10},
      {"abc#i", -1, -1, 15, 20},   {"a#b#c", 4, -1, 5, 18},
      {"abc def", 4, 21, 18, 14},  {"\xC3\xA9", -1, -1, 3, 10},  // outside the range: the space's advance
      {"\xC5\x81", -1, -1, 3, 10},                               // U+0141: advances as outside the range
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Text_Width(TextCodes(c.text), c.width), c.w) << c.text;
    EXPECT_EQ(Text_Height(TextCodes(c.text), c.sep, c.width), c.h) << c.text;
  }
}

TEST_F(TextLayout, MeasuresCharactersByTheirCodePageBytes) {
  // The known font widened to 255, with the bytes of the euro sign (0x80 in 1252, 0x88 in 1251),
  // é (0xE9) and Ж (0xC6 in 1251) told apart by their advances.
  CFont& f = *Fonts().Get(0);
  f.s_last = 255;
  for (int c = 128; c <= 255; ++c) f.s_shift[c] = 5;
  f.s_shift[0x80] = 9;
  f.s_shift[0x88] = 8;
  f.s_shift[0xE9] = 6;
  f.s_shift[0xC6] = 7;
  struct Case {
    int32_t charset;
    const char* text;
    int32_t w;
  } cases[] = {
      {1, "\xE2\x82\xAC", 9},        // € is 0x80, not the 0xAC its code ends in
      {1, "\xC3\xA9", 6},            // é is itself
      {1, "a\xE2\x82\xAC-i", 20},    // ASCII around it as before
      {1, "\xC5\x81", 3},            // Ł has no byte in 1252: the space's advance
      {1, "\xF0\x9F\x98\x80", 6},    // a character beyond UTF-16's plane is two units, each a space
      {204, "\xE2\x82\xAC", 8},      // the same text in a Cyrillic font
      {204, "\xD0\x96", 7},          // Ж
      {204, "\xC3\xA9", 3},          // é has no byte in 1251
  };
  for (const Case& c : cases) {
    f.s_charset = c.charset;
    EXPECT_EQ(Text_Width(TextCodes(c.text), -1), c.w) << c.charset << " " << c.text;
  }
  // Wrapping measures words the same way: "€€ €" breaks after the first word at 22.
  f.s_charset = 1;
  EXPECT_EQ(SplitLines(f, TextCodes("\xE2\x82\xAC\xE2\x82\xAC \xE2\x82\xAC"), 22).size(), 2u);
  EXPECT_EQ(SplitLines(f, TextCodes("\xE2\x82\xAC\xE2\x82\xAC \xE2\x82\xAC"), 30).size(), 1u);
}

TEST(TextValues, RealsShowWholeOrWithTwoDecimals) {
  struct Case {
    double v;
    const char* text;
  } cases[] = {{2.5, "2.50"},     {7, "7"},    {-3, "-3"},
               {3.14159, "3.14"}, {-0.0, "0"}, {1e20, "100000000000000000000"},
               {-0.004, "0.00"}};
  for (const Case& c : cases) EXPECT_EQ(DrawnRealText(c.v), c.text) << c.v;
}

TEST(FontRecord, RoundTripsAndRejectsDamage) {
  auto f = KnownFont();
  f->s_charset = 204;
  f->s_AntiAlias = 0;
  f->s_x['A'] = 7;
  f->s_bw = 4;
  f->s_bh = 2;
  f->s_bytes = {1, 2, 3, 4, 5, 6, 7, 8};
  CStream s;
  f->SaveToStream(s);
  s.SetPosition(0);
  CFont g;
  ASSERT_TRUE(g.LoadFromStream(s));
  EXPECT_EQ(g.s_name, "known");
  EXPECT_EQ(g.s_charset, 204);
  EXPECT_EQ(g.s_AntiAlias, 0);
  EXPECT_EQ(g.s_first, 32);
  EXPECT_EQ(g.s_last, 127);
  EXPECT_EQ(g.s_x['A'], 7);
  EXPECT_EQ(g.s_shift, f->s_shift);
  EXPECT_EQ(g.s_bytes, f->s_bytes);
  EXPECT_EQ(g.s_FontHeight, 10);

  // A first word without charset or anti-aliasing bits reads as the defaults; ranges are cut to 0..255.
  CStream raw;
  raw.WriteInteger(kFontRecordVersion);
  raw.WriteString("x");
  raw.WriteInteger(12);
  raw.WriteBoolean(false);
  raw.WriteBoolean(false);
  raw.WriteInteger(0xFFFF);
  raw.WriteInteger(100000);
  for (int i = 0; i < 256 * 6; ++i) raw.WriteInteger(0);
  raw.WriteInteger(1000);  // an atlas larger than its data is dropped
  raw.WriteInteger(1000);
  CStream tiny;
  tiny.WriteInteger(0);
  raw.WriteStream(tiny);
  raw.SetPosition(0);
  ASSERT_TRUE(g.LoadFromStream(raw));
  EXPECT_EQ(g.s_charset, 1);
  EXPECT_EQ(g.s_AntiAlias, 3);
  EXPECT_EQ(g.s_first, 255);
  EXPECT_EQ(g.s_last, 255);
  EXPECT_EQ(g.s_bw, 0);
  EXPECT_EQ(g.Advance(0x1234), 0);

  CStream wrong;
  wrong.WriteInteger(801);
  wrong.SetPosition(0);
  EXPECT_FALSE(g.LoadFromStream(wrong));
  CStream cut = CStream::FromBytes(s.Data(), 40);
  EXPECT_THROW(g.LoadFromStream(cut), StreamError);
}

TEST(FontChunk, LoadsSlotsAndFailsOnAWrongRecord) {
  CStream chunk;
  chunk.WriteInteger(kFontsChunkVersion);
  chunk.WriteInteger(2);
  CStream absent;
  absent.WriteBoolean(false);
  chunk.WriteStreamC(absent);
  CStream present;
  present.WriteBoolean(true);
  present.WriteString("fnt_title");
  KnownFont()->SaveToStream(present);
  chunk.WriteStreamC(present);
  chunk.SetPosition(0);
  ASSERT_TRUE(LoadFonts(chunk));
  EXPECT_FALSE(Fonts().Exists(0));
  EXPECT_EQ(Fonts().Find("fnt_title"), 1);

  CStream bad;
  bad.WriteInteger(kFontsChunkVersion);
  bad.WriteInteger(1);
  CStream rec;
  rec.WriteBoolean(true);
  rec.WriteString("f");
  rec.WriteInteger(799);
  bad.WriteStreamC(rec);
  bad.SetPosition(0);
  EXPECT_FALSE(LoadFonts(bad));

  CStream huge;
  huge.WriteInteger(kFontsChunkVersion);
  huge.WriteInteger(INT32_MAX);
  huge.SetPosition(0);
  EXPECT_THROW(LoadFonts(huge), StreamError);
}

TEST(SystemFont, RasterisesIntoTheSmallestAtlas) {
  CFont f;
  ASSERT_TRUE(f.CreateFont("Arial", 12, false, false, -5, 300));
  EXPECT_EQ(f.s_first, 0);
  EXPECT_EQ(f.s_last, 255);
  CFont g;
  ASSERT_TRUE(g.CreateFont("Arial", 12, false, false, 32, 127));
  // 12 points are 16 pixels: the cells reach from the line top to the glyph bottom.
  EXPECT_GT(g.s_w['A'], 8);
  EXPECT_LE(g.s_h['A'], g.s_FontHeight);
  EXPECT_GT(g.s_shift[' '], 0);
  EXPECT_EQ(g.s_w[' '], g.s_shift[' ']);
  EXPECT_EQ(g.s_FontHeight, g.s_h[' ']);
  // Every glyph inside the atlas, without overlaps; the atlas is a halving of 2048.
  EXPECT_EQ(2048 % g.s_bw, 0);
  EXPECT_EQ(2048 % g.s_bh, 0);
  EXPECT_TRUE(g.s_bw == g.s_bh || g.s_bw == 2 * g.s_bh);
  std::vector<int> owner(static_cast<size_t>(g.s_bw * g.s_bh), -1);
  for (int c = 32; c <= 127; ++c) {
    ASSERT_LE(g.s_x[c] + g.s_w[c], g.s_bw) << c;
    ASSERT_LE(g.s_y[c] + g.s_h[c], g.s_bh) << c;
    for (int y = g.s_y[c]; y < g.s_y[c] + g.s_h[c]; ++y)
      for (int x = g.s_x[c]; x < g.s_x[c] + g.s_w[c]; ++x) {
        ASSERT_EQ(owner[static_cast<size_t>(y * g.s_bw + x)], -1) << c;
        owner[static_cast<size_t>(y * g.s_bw + x)] = c;
      }
  }
  // The same font again gives the same bytes; a bold one differs.
  CFont again, bold;
  again.CreateFont("Arial", 12, false, false, 32, 127);
  bold.CreateFont("Arial", 12, true, false, 32, 127);
  EXPECT_EQ(again.s_bytes, g.s_bytes);
  EXPECT_EQ(again.s_x, g.s_x);
  EXPECT_NE(bold.s_bytes, g.s_bytes);
  // A huge size leaves the glyphs out that cannot fit rather than overrun the atlas.
  CFont big;
  ASSERT_TRUE(big.CreateFont("Arial", 100000, false, false, 65, 90));
  EXPECT_LE(big.s_bw, 2048);
  EXPECT_GT(big.s_shift['A'], 0);
  for (int c = 65; c <= 90; ++c) EXPECT_LE(big.s_y[c] + big.s_h[c], big.s_bh);
}

int32_t White() {
  return 0xFFFFFF;
}
double Opaque() {
  return 1.0;
}

class TextDrawing : public DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    if (IsSkipped()) return;
    Draw_SetColor(White());
    Draw_SetAlpha(Opaque());
  }
};

// FreeType output may move a grey level or two between builds; shapes may not.
constexpr int kGlyphTolerance = 24;

TEST_F(TextDrawing, AlignsLinesAroundThePoint) {
  struct Case {
    int h, v;
    double x, y;
  } cases[] = {{0, 0, 2, 2}, {1, 0, 32, 2}, {2, 0, 62, 2}, {0, 1, 2, 32}, {1, 2, 32, 46}, {2, 1, 62, 32}};
  for (const Case& c : cases) {
    TextState().halign = c.h;
    TextState().valign = c.v;
    Text_Draw(c.x, c.y, TextCodes("Ab"), -1, -1);
  }
  EXPECT_TRUE(MatchesGolden(Capture(), "text_align", kGlyphTolerance));
}

TEST_F(TextDrawing, ColoursScalesAndRotates) {
  Text_DrawColor(2, 2, TextCodes("HHHH"), -1, -1, 0x0000FF, 0xFF0000, 0xFF0000, 0x00FF00, 1);
  Text_DrawTransformed(2, 20, TextCodes("x"), -1, -1, 2, 1.5, 0);
  Text_DrawTransformedColor(40, 46, TextCodes("Tj"), -1, -1, 1, 1, 90, 0x00FFFF, 0x00FFFF, 0xFF00FF, 0xFF00FF,
                            1);
  EXPECT_TRUE(MatchesGolden(Capture(), "text_transform", kGlyphTolerance));
}

TEST_F(TextDrawing, DrawsCharactersPastAsciiFromTheFontsCodePage) {
  // A font of the game's own (its family installed) and one whose family is not installed, so
  // another stands in; both hold the whole byte range of the Western code page.
  auto own = std::make_unique<CFont>();
  ASSERT_TRUE(own->CreateFont("Liberation Serif", 12, false, false, 32, 255));
  auto standIn = std::make_unique<CFont>();
  ASSERT_TRUE(standIn->CreateFont("Qzxv Nonesuch Grotesk", 12, false, false, 32, 255));
  Fonts().Put(0, std::move(own), "fnt_own");
  Fonts().Put(1, std::move(standIn), "fnt_stand_in");
  // é ü € – “ ”: the euro sign, dash and quotes live at 0x80..0x9F of the page, far from their codes.
  const std::u16string text = TextCodes("\xC3\xA9\xC3\xBC\xE2\x82\xAC\xE2\x80\x93\xE2\x80\x9C\xE2\x80\x9D");
  for (int32_t f = 0; f < 2; ++f) {
    TextState().font = f;
    Text_Draw(2, 2 + 22 * f, text, -1, -1);
    // Each character measures as the glyph it draws.
    const CFont& font = *Fonts().Get(f);
    int32_t sum = 0;
    for (int32_t code : {0xE9, 0xFC, 0x80, 0x96, 0x93, 0x94}) sum += font.s_shift[code];
    EXPECT_EQ(Text_Width(text, -1), sum) << f;
  }
  EXPECT_TRUE(MatchesGolden(Capture(), "text_code_page", kGlyphTolerance));
}

TEST_F(TextDrawing, SpriteFontsDrawFrames) {
  // Frame 0 a 2-wide bar in a 5 × 6 frame, frame 1 a full block.
  const int32_t ind = Sprites().Add();
  CSprite* s = Sprites().Get(ind);
  s->i_numb = 2;
  s->i_bitmap.assign(2, TBitmap32(5, 6, 0));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 5; ++x) {
      if (x >= 1 && x <= 2) s->i_bitmap[0].SetPixel(x, y, 0xFFFFFFFF);
      s->i_bitmap[1].SetPixel(x, y, 0xFFFF8000);
    }
  s->InitTexture();
  auto prop = std::make_unique<CFont>();
  prop->CreateFromSprite(ind, 'A', true, 1);
  EXPECT_EQ(prop->s_shift['A'], 2);  // right 2 + sep 1 - left 1
  EXPECT_EQ(prop->s_offset['A'], -1);
  EXPECT_EQ(prop->s_FontHeight, 6);
  auto mono = std::make_unique<CFont>();
  mono->CreateFromSprite(ind, 'A', false, 1);
  EXPECT_EQ(mono->s_shift['A'], 6);
  Fonts().Put(0, std::move(prop), "fnt_prop");
  Fonts().Put(1, std::move(mono), "fnt_mono");
  TextState().font = 0;
  Text_Draw(2, 2, TextCodes("ABAB"), -1, -1);
  TextState().font = 1;
  Text_Draw(2, 12, TextCodes("ABAB"), -1, -1);
  Text_DrawColor(2, 22, TextCodes("BAB"), -1, -1, 0x0000FF, 0x0000FF, 0xFFFFFF, 0xFFFFFF, 1);
  EXPECT_TRUE(MatchesGolden(Capture(), "text_sprite_font"));
  // A deleted sprite leaves the font measuring but drawing nothing.
  Sprites().Delete(ind);
  EXPECT_EQ(Text_Width(TextCodes("AB"), -1), 12);
}

}  // namespace
