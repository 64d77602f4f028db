// Font tables: the record of the game data, rasterising a system font into the shared atlas
// (shelf packing into the smallest alternately halved size), sprite fonts, and drawing a line
// glyph by glyph as textured quads.
#include "runner/graphics/Font_Class.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/fonts/CodePage.h"
#include "platform/fonts/FontRaster.h"
#include "runner/base/Runner_Process.h"
#include "runner/graphics/Font_Main.h"
#include "runner/graphics/Graphics_Texture.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/base/Support_Stream.h"

namespace {

constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
constexpr int32_t kAtlasMax = 2048;
constexpr int32_t kGap = 2;
// Beyond this the glyphs of a font could not share one atlas anyway.
constexpr int32_t kMaxRasterPoints = 1000;

int32_t Mix(int32_t a, int32_t b, double t) {
  int32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const double ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    const double v = std::nearbyint(ca * (1.0 - t) + cb * t);
    out |= static_cast<int32_t>(std::clamp(v, 0.0, 255.0)) << shift;
  }
  return out;
}

struct RCell {
  int32_t code, w, h;
};

// Places the cells in order on shelves; false when a cell would leave the atlas.
bool Pack(const std::vector<RCell>& cells, int32_t bw, int32_t bh,
          std::vector<std::pair<int32_t, int32_t>>* at) {
  int32_t x = 0, y = 0, rowH = 0;
  for (const RCell& c : cells) {
    if (x + c.w >= bw) {
      x = 0;
      y += rowH + kGap;
      rowH = 0;
    }
    // A cell wider than the atlas would spill over the row's end.
    if (x + c.w > bw) return false;
    if (at) at->emplace_back(x, y);
    rowH = std::max(rowH, c.h);
    x += c.w + kGap;
  }
  return y + rowH <= bh;
}

// Font codes of the characters of one string: the code page is looked up at the first
// character past ASCII, so plain text never pays for it.
class TFontCodes {
 public:
  explicit TFontCodes(int32_t charset) : charset_(charset) {}
  int32_t operator()(char16_t ch) {
    if (ch < 0x80) return ch;
    if (!page_) page_ = &platform::fonts::CodePageOf(charset_);
    return page_->ByteOf(ch);
  }

 private:
  int32_t charset_;
  const platform::fonts::TCodePage* page_ = nullptr;
};

}  // namespace

CFont::~CFont() {
  FreeTexture();
}

void CFont::Clear() {
  FreeTexture();
  s_name.clear();
  s_size = 12;
  s_bold = s_italic = false;
  s_first = 32;
  s_last = 128;
  s_spr = -1;
  s_charset = 1;
  s_AntiAlias = 3;
  ClearGlyphs();
}

void CFont::ClearGlyphs() {
  s_x.fill(0);
  s_y.fill(0);
  s_w.fill(0);
  s_h.fill(0);
  s_shift.fill(0);
  s_offset.fill(0);
  s_bw = s_bh = 0;
  s_bytes.clear();
  s_FontHeight = 0;
}

void CFont::Assign(const CFont& obj) {
  if (&obj == this) return;
  Clear();
  s_name = obj.s_name;
  s_size = obj.s_size;
  s_bold = obj.s_bold;
  s_italic = obj.s_italic;
  s_charset = obj.s_charset;
  s_AntiAlias = obj.s_AntiAlias;
  s_first = obj.s_first;
  s_last = obj.s_last;
  s_spr = obj.s_spr;
  s_x = obj.s_x;
  s_y = obj.s_y;
  s_w = obj.s_w;
  s_h = obj.s_h;
  s_shift = obj.s_shift;
  s_offset = obj.s_offset;
  s_FontHeight = obj.s_FontHeight;
  if (!IsSpriteFont()) {
    s_bw = obj.s_bw;
    s_bh = obj.s_bh;
    s_bytes = obj.s_bytes;
  }
  InitTexture();
}

bool CFont::CreateFont(const std::string& name, int32_t size, bool bold, bool italic, int32_t first,
                       int32_t last) {
  Clear();
  s_name = name;
  s_size = size;
  s_bold = bold;
  s_italic = italic;
  s_first = std::max(first, 0);
  s_last = std::min(last, 255);
  s_charset = 1;
  s_AntiAlias = 3;
  const bool ok = Rasterise();
  InitTexture();
  return ok;
}

bool CFont::Rasterise(const std::string& fontFile) {
  ClearGlyphs();
  const int32_t points = std::clamp(s_size, -kMaxRasterPoints, kMaxRasterPoints);
  auto face = platform::fonts::OpenFontFace(fontFile.empty() ? s_name : fontFile, points, s_bold, s_italic,
                                            s_charset);
  if (!face) return false;
  if (const std::string& standIn = face->StandIn(); !standIn.empty() && FontState().standInsTold.insert(s_name).second)
    std::fprintf(stderr, "runner: font \"%s\" is not installed; \"%s\" stands in for it\n",
                 EscapedForMessage(s_name).c_str(), EscapedForMessage(standIn).c_str());
  const platform::fonts::RTextMetrics& tm = face->Metrics();
  const int32_t first = std::clamp(s_first, 0, 255), last = std::clamp(s_last, -1, 255);

  std::array<bool, 256> hasBitmap{};
  int32_t spaceAdvance = 0;
  for (int32_t c = first; c <= last; ++c) {
    platform::fonts::RGlyph g;
    const bool got = face->Glyph(c, g);
    if (c == 32) spaceAdvance = got && g.advance != 0 ? g.advance : std::min(tm.avgWidth, tm.maxWidth);
    // Bitmaps are rendered again when copied, so a large size never holds them all at once.
    if (!got || g.grey.empty()) continue;
    hasBitmap[c] = true;
    s_w[c] = g.blackW;
    s_h[c] = std::max(0, tm.ascent + g.blackH - g.originY);
    s_shift[c] = g.advance - std::min(g.originX, 0);
    s_offset[c] = g.originX;
  }
  if (first <= 32 && 32 <= last) {
    if (s_h[32] == 0) s_h[32] = tm.height;
    if (s_w[32] == 0) s_w[32] = s_shift[32] = spaceAdvance;
  }

  std::vector<RCell> cells;
  for (int32_t c = first; c <= last; ++c) cells.push_back({c, s_w[c], s_h[c]});
  std::stable_sort(cells.begin(), cells.end(),
                   [](const RCell& a, const RCell& b) { return int64_t{a.w} * a.h > int64_t{b.w} * b.h; });
  // Cells that cannot fit even the largest atlas are left out (they still advance the pen).
  for (RCell& c : cells)
    if (c.w >= kAtlasMax || c.h > kAtlasMax) {
      s_w[c.code] = s_h[c.code] = 0;
      c.w = c.h = 0;
    }

  int32_t bw = kAtlasMax, bh = kAtlasMax;
  if (Pack(cells, bw, bh, nullptr)) {
    bool halveHeight = true;
    for (;;) {
      const int32_t nw = halveHeight ? bw : bw / 2, nh = halveHeight ? bh / 2 : bh;
      if (nw < 1 || nh < 1 || !Pack(cells, nw, nh, nullptr)) break;
      bw = nw;
      bh = nh;
      halveHeight = !halveHeight;
    }
  }
  std::vector<std::pair<int32_t, int32_t>> at;
  Pack(cells, bw, bh, &at);

  s_bw = bw;
  s_bh = bh;
  s_bytes.assign(static_cast<size_t>(bw) * static_cast<size_t>(bh), 0);
  for (size_t i = 0; i < at.size(); ++i) {
    const int32_t c = cells[i].code;
    const auto [x, y] = at[i];
    // What did not fit into the atlas is left out.
    if (y + s_h[c] > bh) {
      s_w[c] = s_h[c] = 0;
      continue;
    }
    s_x[c] = x;
    s_y[c] = y;
    platform::fonts::RGlyph g;
    if (c == 32 || !hasBitmap[c] || !face->Glyph(c, g) || g.grey.empty()) continue;
    const int32_t top = y + tm.ascent - g.originY;
    // Rows outside the cell (a glyph reaching above the ascent) would spill into a neighbour.
    for (int32_t r = 0; r < g.blackH; ++r) {
      const int32_t ay = top + r;
      if (ay < y || ay >= y + s_h[c]) continue;
      for (int32_t col = 0; col < g.blackW && col < s_w[c]; ++col) {
        const uint8_t level = g.grey[static_cast<size_t>(r) * g.stride + col];
        s_bytes[static_cast<size_t>(ay) * bw + x + col] = level >= 64 ? 255 : static_cast<uint8_t>(level * 4);
      }
    }
  }
  UpdateFontHeight();
  return true;
}

void CFont::CreateFromSprite(int32_t ind, int32_t first, bool prop, int32_t sep) {
  Clear();
  const CSprite* spr = Sprites().Exists(ind) ? Sprites().Get(ind) : nullptr;
  if (!spr) return;
  s_spr = ind;
  s_charset = 1;
  s_AntiAlias = 0;
  s_first = std::clamp(first, 0, 255);
  s_last = static_cast<int32_t>(std::min<int64_t>(int64_t{first} + spr->i_numb - 1, 255));
  const int32_t w = spr->GetWidth(), h = spr->GetHeight();
  for (int32_t c = s_first; c <= s_last; ++c) {
    const int64_t f = int64_t{c} - first;
    int32_t l = 0, t = 0, r = w;
    if (prop) {
      const RRect32 box = spr->GetBoundingBoxImg(static_cast<int32_t>(f));
      l = box.left, t = box.top, r = box.right;
    }
    s_x[c] = l;
    s_y[c] = t;
    s_w[c] = r - l;
    s_h[c] = h;
    s_shift[c] = static_cast<int32_t>(std::clamp<int64_t>(int64_t{r} + sep - l, INT32_MIN, INT32_MAX));
    s_offset[c] = -l;
  }
  s_FontHeight = h;
}

bool CFont::LoadFromStream(CStream& str) {
  Clear();
  if (str.ReadInteger() != kFontRecordVersion) return false;
  s_name = str.ReadString();
  s_size = str.ReadInteger();
  s_bold = str.ReadBoolean();
  s_italic = str.ReadBoolean();
  const int32_t packed = str.ReadInteger();
  const uint32_t bits = static_cast<uint32_t>(packed);
  s_first = std::min<int32_t>(bits & 0xFFFF, 255);
  s_charset = (bits >> 16) & 0xFF ? static_cast<int32_t>((bits >> 16) & 0xFF) : 1;
  s_AntiAlias = packed > 0xFFFFFF ? (packed >> 24) - 1 : 3;
  s_last = std::clamp(str.ReadInteger(), -1, 255);
  for (int32_t c = 0; c < 256; ++c) {
    s_x[c] = str.ReadInteger();
    s_y[c] = str.ReadInteger();
    s_w[c] = str.ReadInteger();
    s_h[c] = str.ReadInteger();
    s_shift[c] = str.ReadInteger();
    s_offset[c] = str.ReadInteger();
  }
  const int32_t bw = str.ReadInteger(), bh = str.ReadInteger();
  CStream atlas = str.ReadStream();
  if (bw > 0 && bh > 0 && int64_t{bw} * bh <= atlas.GetSize()) {
    s_bw = bw;
    s_bh = bh;
    s_bytes.assign(atlas.Data(), atlas.Data() + static_cast<size_t>(bw) * static_cast<size_t>(bh));
  }
  UpdateFontHeight();
  return true;
}

void CFont::SaveToStream(CStream& str) const {
  str.WriteInteger(kFontRecordVersion);
  str.WriteString(s_name);
  str.WriteInteger(s_size);
  str.WriteBoolean(s_bold);
  str.WriteBoolean(s_italic);
  str.WriteInteger((s_first & 0xFFFF) | ((s_charset & 0xFF) << 16) | ((s_AntiAlias + 1) << 24));
  str.WriteInteger(s_last);
  for (int32_t c = 0; c < 256; ++c)
    for (int32_t v : {s_x[c], s_y[c], s_w[c], s_h[c], s_shift[c], s_offset[c]}) str.WriteInteger(v);
  str.WriteInteger(s_bw);
  str.WriteInteger(s_bh);
  CStream atlas;
  atlas.WriteBuffer(s_bytes.data(), static_cast<int32_t>(s_bytes.size()));
  str.WriteStream(atlas);
}

void CFont::InitTexture() {
  FreeTexture();
  if (IsSpriteFont() || s_name.empty() || s_bw <= 0 || s_bh <= 0) return;
  if (s_bytes.size() < static_cast<size_t>(s_bw) * static_cast<size_t>(s_bh)) return;
  s_tex = Texture_FromAlphaMap(s_bw, s_bh, s_bytes.data());
}

void CFont::FreeTexture() {
  if (s_tex >= 0) Texture_Free(s_tex);
  s_tex = -1;
}

void CFont::UpdateFontHeight() {
  s_FontHeight = *std::max_element(s_h.begin(), s_h.end());
}

int32_t CFont::CodeOf(char16_t ch) const {
  return TFontCodes(s_charset)(ch);
}

int32_t CFont::Advance(int32_t c) const {
  if (c >= 0 && c <= 255 && s_first <= c && c <= s_last) return s_shift[c];
  if (s_first <= 32 && 32 <= s_last) return s_shift[32];
  return s_shift[std::clamp(s_first, 0, 255)];
}

int32_t CFont::TextWidth(std::u16string_view str) const {
  TFontCodes codes(s_charset);
  int64_t w = 0;
  for (char16_t ch : str) w += Advance(codes(ch));
  return static_cast<int32_t>(std::clamp<int64_t>(w, INT32_MIN, INT32_MAX));
}

int32_t CFont::GlyphOf(int32_t c) const {
  return c >= 0 && c <= 255 && s_first <= c && c <= s_last ? c : -1;
}

// cols: one colour, or four (top-left, top-right, bottom-right, bottom-left) when general.
void CFont::DrawGlyph(int32_t g, double x, double y, double xsc, double ysc, double angle,
                      const int32_t* cols, bool general, double alpha) const {
  if (IsSpriteFont()) {
    const CSprite* spr = Sprites().Exists(s_spr) ? Sprites().Get(s_spr) : nullptr;
    if (!spr || g - s_first >= spr->i_numb) return;
    if (general)
      spr->DrawGeneral(g - s_first, 0, 0, spr->GetWidth(), spr->GetHeight(), x, y, xsc, ysc, angle, cols[0],
                       cols[1], cols[2], cols[3], alpha);
    else
      spr->Draw(g - s_first, x, y, xsc, ysc, angle, cols[0], alpha);
    return;
  }
  if (s_tex < 0 || s_w[g] <= 0 || s_h[g] <= 0) return;
  if (general)
    Texture_DrawGeneral(s_tex, s_x[g], s_y[g], s_w[g], s_h[g], x, y, xsc, ysc, angle * kDegToRad, cols[0],
                        cols[1], cols[2], cols[3], alpha);
  else
    Texture_DrawPart(s_tex, cols[0], s_x[g], s_y[g], s_w[g], s_h[g], x, y, xsc, ysc, angle * kDegToRad,
                     alpha);
}

void CFont::Draw_String(double x, double y, std::u16string_view str, int32_t col, double alpha) const {
  TFontCodes codes(s_charset);
  for (char16_t ch : str) {
    const int32_t code = codes(ch);
    const int32_t g = GlyphOf(code);
    if (g >= 0) DrawGlyph(g, x + s_offset[g], y, 1, 1, 0, &col, false, alpha);
    x += Advance(code);
  }
}

void CFont::Draw_String_Transformed(double x, double y, std::u16string_view str, double xsc, double ysc,
                                    double angle, int32_t col, double alpha) const {
  const double s = std::sin(angle * kDegToRad), c = std::cos(angle * kDegToRad);
  TFontCodes codes(s_charset);
  for (char16_t ch : str) {
    const int32_t code = codes(ch);
    const int32_t g = GlyphOf(code);
    if (g >= 0) {
      const double o = s_offset[g];
      DrawGlyph(g, x + xsc * o * c, y - xsc * o * s, xsc, ysc, angle, &col, false, alpha);
    }
    const double a = Advance(code);
    x += a * c * xsc;
    y -= a * s * xsc;
  }
}

void CFont::Draw_String_Color(double x, double y, std::u16string_view str, int32_t c1, int32_t c2, int32_t c3,
                              int32_t c4, double alpha) const {
  Draw_String_Transformed_Color(x, y, str, 1, 1, 0, c1, c2, c3, c4, alpha);
}

void CFont::Draw_String_Transformed_Color(double x, double y, std::u16string_view str, double xsc, double ysc,
                                          double angle, int32_t c1, int32_t c2, int32_t c3, int32_t c4,
                                          double alpha) const {
  if (str.empty()) return;
  const double width = TextWidth(str);
  const double s = std::sin(angle * kDegToRad), c = std::cos(angle * kDegToRad);
  double p = 0;
  TFontCodes codes(s_charset);
  for (char16_t ch : str) {
    const int32_t code = codes(ch);
    const double a = Advance(code);
    const int32_t g = GlyphOf(code);
    if (g >= 0) {
      // A zero total width leaves the whole line in the left colours.
      const double t0 = width != 0 ? p / width : 0, t1 = width != 0 ? (p + a) / width : 0;
      const int32_t cols[4] = {Mix(c1, c2, t0), Mix(c1, c2, t1), Mix(c4, c3, t1), Mix(c4, c3, t0)};
      const double o = s_offset[g];
      DrawGlyph(g, x + xsc * o * c, y - xsc * o * s, xsc, ysc, angle, cols, true, alpha);
    }
    x += a * c * xsc;
    y -= a * s * xsc;
    p += a;
  }
}
