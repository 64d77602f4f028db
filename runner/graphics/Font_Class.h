// CFont: a bitmap font, either a system font rasterised into an 8-bit alpha atlas with a glyph
// table, or a sprite whose frames are the characters; its record in the game data and the
// drawing of one line of text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CStream;

inline constexpr int32_t kFontRecordVersion = 800;

class CFont {
 public:
  CFont() { Clear(); }
  ~CFont();
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;

  // Frees the texture: empty name, 12 points, plain, range 32..128, charset 1, anti-aliasing 3.
  void Clear();
  // Copies everything (the atlas only for atlas fonts) and makes a new texture.
  void Assign(const CFont& obj);
  // Rasterises a system font and makes its texture; false when the face cannot be opened
  // (the font then has a name and range but no glyphs).
  bool CreateFont(const std::string& name, int32_t size, bool bold, bool italic, int32_t first, int32_t last);
  // The glyph table and atlas from s_name (or the font file given), s_size, the style,
  // s_charset and the range; no texture. Shared by the runner and the game builder.
  bool Rasterise(const std::string& fontFile = std::string());
  void CreateFromSprite(int32_t ind, int32_t first, bool prop, int32_t sep);
  // Font record; false on a wrong version. Damage throws StreamError. No texture yet.
  bool LoadFromStream(CStream& str);
  void SaveToStream(CStream& str) const;

  void InitTexture();
  void FreeTexture();

  bool IsSpriteFont() const { return s_spr >= 0; }
  // The font code of a character of text: its byte in the code page of s_charset, or -1 when
  // the page has none. Glyph and advance both follow it, so "€" draws and measures as the
  // font's euro sign, not as the byte its code ends in.
  int32_t CodeOf(char16_t ch) const;
  // Pen movement after font code c; a code outside the range (-1 too) moves as the space does.
  int32_t Advance(int32_t c) const;
  int32_t TextWidth(std::u16string_view str) const;
  int32_t TextHeight(std::u16string_view) const { return s_FontHeight; }

  // One line, no wrapping; colours are game colours, alpha 0..1, angle in degrees.
  void Draw_String(double x, double y, std::u16string_view str, int32_t col, double alpha) const;
  void Draw_String_Transformed(double x, double y, std::u16string_view str, double xsc, double ysc,
                               double angle, int32_t col, double alpha) const;
  void Draw_String_Color(double x, double y, std::u16string_view str, int32_t c1, int32_t c2, int32_t c3,
                         int32_t c4, double alpha) const;
  void Draw_String_Transformed_Color(double x, double y, std::u16string_view str, double xsc, double ysc,
                                     double angle, int32_t c1, int32_t c2, int32_t c3, int32_t c4,
                                     double alpha) const;

  std::string s_name;
  int32_t s_size = 12;
  bool s_bold = false, s_italic = false;
  int32_t s_charset = 1;
  int32_t s_AntiAlias = 3;
  int32_t s_first = 32, s_last = 128;
  int32_t s_spr = -1;
  std::array<int32_t, 256> s_x{}, s_y{}, s_w{}, s_h{}, s_shift{}, s_offset{};
  int32_t s_bw = 0, s_bh = 0;
  std::vector<uint8_t> s_bytes;
  int32_t s_tex = -1;
  int32_t s_FontHeight = 0;

 private:
  void ClearGlyphs();  // the glyph table, the atlas and the height
  // The glyph slot drawn for font code c, or -1 when nothing is drawn.
  int32_t GlyphOf(int32_t c) const;
  void DrawGlyph(int32_t g, double x, double y, double xsc, double ysc, double angle, const int32_t* cols,
                 bool general, double alpha) const;
  void UpdateFontHeight();
};
