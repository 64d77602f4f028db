// Painting the runner-drawn windows into a bitmap: boxes, pictures and text in system fonts.
#include "runner/dialogs/Dialog_Paint.h"

#include <algorithm>

namespace dialog {
namespace {
uint32_t Mix(uint32_t dst, uint32_t src, int32_t alpha) {
  if (alpha <= 0) return dst;
  if (alpha >= 255) return (src & 0xFFFFFF) | (dst & 0xFF000000u) | 0xFF000000u;
  uint32_t out = 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const int32_t d = static_cast<int32_t>((dst >> shift) & 0xFF), s = static_cast<int32_t>((src >> shift) & 0xFF);
    out |= static_cast<uint32_t>(d + (s - d) * alpha / 255) << shift;
  }
  return out;
}
void Put(TBitmap32& bm, int32_t x, int32_t y, uint32_t pixel, int32_t alpha) {
  if (x < 0 || y < 0 || x >= bm.Width() || y >= bm.Height()) return;
  uint32_t& p = bm.Pixels()[static_cast<size_t>(y) * static_cast<size_t>(bm.Width()) + static_cast<size_t>(x)];
  p = Mix(p, pixel, alpha);
}
}  // namespace

uint32_t Pixel(int32_t color) { return TBitmap32::FromGameColor(color); }

void FillBox(TBitmap32& bm, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t pixel) {
  const int32_t x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int32_t x1 = std::min(x + w, bm.Width()), y1 = std::min(y + h, bm.Height());
  for (int32_t yy = y0; yy < y1; ++yy)
    for (int32_t xx = x0; xx < x1; ++xx) bm.Pixels()[static_cast<size_t>(yy) * static_cast<size_t>(bm.Width()) + static_cast<size_t>(xx)] = pixel;
}

void FrameBox(TBitmap32& bm, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t pixel) {
  FillBox(bm, x, y, w, 1, pixel);
  FillBox(bm, x, y + h - 1, w, 1, pixel);
  FillBox(bm, x, y, 1, h, pixel);
  FillBox(bm, x + w - 1, y, 1, h, pixel);
}

void DrawPicture(TBitmap32& bm, const TBitmap32& pic, int32_t x, int32_t y, int32_t w, int32_t h,
                 std::optional<uint32_t> key) {
  if (pic.Empty() || w <= 0 || h <= 0) return;
  for (int32_t yy = 0; yy < h; ++yy) {
    const int32_t sy = static_cast<int32_t>(int64_t{yy} * pic.Height() / h);
    for (int32_t xx = 0; xx < w; ++xx) {
      const uint32_t p = pic.GetPixel(static_cast<int32_t>(int64_t{xx} * pic.Width() / w), sy);
      if (key && (p & 0xFFFFFF) == (*key & 0xFFFFFF)) continue;
      Put(bm, x + xx, y + yy, p, static_cast<int32_t>(p >> 24));
    }
  }
}

void Blend(TBitmap32& bm, const TBitmap32& src, int32_t x, int32_t y, int32_t alpha) {
  for (int32_t yy = 0; yy < src.Height(); ++yy)
    for (int32_t xx = 0; xx < src.Width(); ++xx) {
      const uint32_t p = src.GetPixel(xx, yy);
      Put(bm, x + xx, y + yy, p, static_cast<int32_t>(p >> 24) * alpha / 255);
    }
}

namespace {
// Larger sizes are drawn at this one: a glyph thousands of pixels high would take more memory
// than any window it could show in.
constexpr int32_t kMaxPoints = 1000;
int32_t Points(const RDialogFont& font) { return std::clamp(font.size, 0, kMaxPoints); }
}  // namespace

platform::fonts::TFontFace* Face(const RDialogFont& font) {
  auto& faces = DialogsState().faces;
  const int32_t points = Points(font);
  const auto key = std::make_tuple(font.name, points, font.style & 3, font.charset);
  auto it = faces.find(key);
  if (it == faces.end()) {
    auto face = platform::fonts::OpenFontFace(font.name, points, (font.style & 1) != 0, (font.style & 2) != 0,
                                              font.charset);
    // A name the system does not know falls back on the dialogs' own font.
    if (!face) face = platform::fonts::OpenFontFace("Arial", points, (font.style & 1) != 0, (font.style & 2) != 0, 0);
    it = faces.emplace(key, std::move(face)).first;
  }
  return it->second.get();
}

int32_t LineHeight(const RDialogFont& font) {
  platform::fonts::TFontFace* face = Face(font);
  return face ? std::max(1, face->Metrics().height) : std::max(1, Points(font) * 4 / 3);
}

int32_t TextWidth(const RDialogFont& font, std::u32string_view text) {
  platform::fonts::TFontFace* face = Face(font);
  if (!face) return 0;
  int32_t w = 0;
  platform::fonts::RGlyph g;
  for (char32_t c : text)
    if (face->CodePointGlyph(c, g)) w += g.advance;
  return w;
}

std::vector<std::u32string> WrapText(const RDialogFont& font, std::u32string_view text, int32_t width) {
  std::vector<std::u32string> lines;
  std::u32string line;
  size_t i = 0;
  auto flush = [&] {
    lines.push_back(line);
    line.clear();
  };
  while (i <= text.size()) {
    if (i == text.size()) {
      flush();
      break;
    }
    const char32_t c = text[i];
    if (c == U'\r' || c == U'\n') {
      flush();
      i += (c == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ? 2 : 1;
      continue;
    }
    // The next word with the blanks before it.
    size_t j = i;
    while (j < text.size() && text[j] == U' ') ++j;
    while (j < text.size() && text[j] != U' ' && text[j] != U'\r' && text[j] != U'\n') ++j;
    const std::u32string_view word = text.substr(i, j - i);
    if (width > 0 && !line.empty() && TextWidth(font, std::u32string(line) + std::u32string(word)) > width) {
      flush();
      size_t k = 0;
      while (k < word.size() && word[k] == U' ') ++k;
      line.assign(word.substr(k));
    } else {
      line.append(word);
    }
    i = j;
  }
  return lines;
}

// Draws the glyphs of one run of a face from x on the baseline; gives the x after the last.
static int32_t DrawRun(TBitmap32& bm, platform::fonts::TFontFace& face, std::u32string_view text, int32_t x,
                       int32_t baseline, uint32_t pixel) {
  platform::fonts::RGlyph g;
  for (char32_t c : text) {
    if (!face.CodePointGlyph(c, g)) continue;
    for (int32_t gy = 0; gy < g.blackH; ++gy)
      for (int32_t gx = 0; gx < g.blackW; ++gx) {
        const int32_t level = g.grey[static_cast<size_t>(gy) * static_cast<size_t>(g.stride) + static_cast<size_t>(gx)];
        if (level) Put(bm, x + g.originX + gx, baseline - g.originY + gy, pixel, std::min(255, level * 4));
      }
    x += g.advance;
  }
  return x;
}

void DrawLine(TBitmap32& bm, const RDialogFont& font, std::u32string_view text, int32_t x, int32_t y, int32_t color) {
  platform::fonts::TFontFace* face = Face(font);
  if (!face) return;
  DrawRun(bm, *face, text, x, y + face->Metrics().ascent, Pixel(color));
}

void DrawTextBox(TBitmap32& bm, const RDialogFont& font, std::u32string_view text, int32_t x, int32_t y, int32_t w,
                 int32_t h, int32_t halign, bool vcentre, int32_t color, bool wrap) {
  const std::vector<std::u32string> lines = WrapText(font, text, wrap ? w : 0);
  const int32_t lh = LineHeight(font);
  int32_t top = y;
  if (vcentre) top = y + (h - lh * static_cast<int32_t>(lines.size())) / 2;
  for (const std::u32string& line : lines) {
    const int32_t lw = TextWidth(font, line);
    const int32_t left = halign == 1 ? x + (w - lw) / 2 : (halign == 2 ? x + w - lw : x);
    DrawLine(bm, font, line, left, top, color);
    top += lh;
  }
}

TBitmap32 FrameWithCaption(const TBitmap32& client, std::u32string_view caption) {
  const int32_t w = client.Width() + 2 * kFrameSide, h = client.Height() + kCaptionBar + kFrameSide;
  TBitmap32 bm(w, h, Pixel(0x404040));
  FillBox(bm, kFrameSide, kFrameSide, w - 2 * kFrameSide, kCaptionBar - kFrameSide, Pixel(0x800000));
  const RDialogFont title{"Arial", 9, 0xFFFFFF, 1, 0};
  DrawTextBox(bm, title, caption, kFrameSide + 5, kFrameSide, w - 2 * kFrameSide - 10, kCaptionBar - kFrameSide, 0, true,
              0xFFFFFF, false);
  DrawCloseBox(bm, w);
  for (int32_t y = 0; y < client.Height(); ++y)
    for (int32_t x = 0; x < client.Width(); ++x)
      bm.Pixels()[static_cast<size_t>(y + kCaptionBar) * static_cast<size_t>(w) + static_cast<size_t>(x + kFrameSide)] =
          client.GetPixel(x, y);
  return bm;
}

namespace {
int32_t CloseBoxLeft(int32_t windowWidth) { return windowWidth - kFrameSide - 3 - kCloseBox; }
constexpr int32_t kCloseBoxTop = (kCaptionBar - kCloseBox) / 2;
}  // namespace

void DrawCloseBox(TBitmap32& bm, int32_t windowWidth) {
  const int32_t x = CloseBoxLeft(windowWidth), y = kCloseBoxTop;
  FillBox(bm, x, y, kCloseBox, kCloseBox, Pixel(0xC0C0C0));
  FrameBox(bm, x, y, kCloseBox, kCloseBox, Pixel(0x404040));
  for (int32_t k = 4; k < kCloseBox - 4; ++k) {
    FillBox(bm, x + k, y + k, 1, 1, Pixel(0));
    FillBox(bm, x + kCloseBox - 1 - k, y + k, 1, 1, Pixel(0));
  }
}

bool OnCloseBox(int32_t x, int32_t y, int32_t windowWidth) {
  const int32_t left = CloseBoxLeft(windowWidth);
  return x >= left && x < left + kCloseBox && y >= kCloseBoxTop && y < kCloseBoxTop + kCloseBox;
}

RDialogFont FontOf(const RRtfStyle& style) {
  return RDialogFont{style.font, style.size, style.color, (style.bold ? 1 : 0) | (style.italic ? 2 : 0), 0};
}

namespace {
constexpr int32_t kTabStop = 48;

// A piece of a line: a word, a run of blanks, a tab or a line break, in one style.
struct RPiece {
  const RRtfStyle* style;
  std::u32string_view text;
  int32_t width = 0;
  int32_t x = 0;  // within the line, once placed
};

struct RLine {
  std::vector<RPiece> pieces;
  int32_t width = 0;  // without the blanks at its end
  int32_t ascent = 0, height = 0;
};

std::vector<RPiece> Pieces(const RRtfParagraph& p) {
  std::vector<RPiece> out;
  for (const RRtfRun& run : p.runs) {
    const std::u32string_view t = run.text;
    size_t i = 0;
    while (i < t.size()) {
      size_t j = i + 1;
      const char32_t c = t[i];
      if (c == U' ') {
        while (j < t.size() && t[j] == U' ') ++j;
      } else if (c != U'\n' && c != U'\t') {
        while (j < t.size() && t[j] != U' ' && t[j] != U'\n' && t[j] != U'\t') ++j;
      }
      out.push_back(RPiece{&run.style, t.substr(i, j - i)});
      i = j;
    }
  }
  return out;
}

void Measure(RLine& line, const RRtfStyle& fallback) {
  line.ascent = line.height = 0;
  int32_t descent = 0;
  const auto grow = [&](const RRtfStyle& s) {
    platform::fonts::TFontFace* face = Face(FontOf(s));
    const int32_t asc = face ? face->Metrics().ascent : s.size;
    const int32_t hgt = face ? std::max(1, face->Metrics().height) : s.size * 4 / 3;
    line.ascent = std::max(line.ascent, asc);
    descent = std::max(descent, hgt - asc);
  };
  for (const RPiece& pc : line.pieces) grow(*pc.style);
  if (line.pieces.empty()) grow(fallback);
  line.height = line.ascent + descent;
  line.width = 0;
  for (const RPiece& pc : line.pieces)
    if (pc.text[0] != U' ') line.width = std::max(line.width, pc.x + pc.width);
}

void DrawGlyphs(TBitmap32& bm, const RRtfStyle& style, std::u32string_view text, int32_t x, int32_t baseline) {
  platform::fonts::TFontFace* face = Face(FontOf(style));
  if (!face) return;
  const uint32_t pixel = Pixel(style.color);
  const int32_t left = x;
  x = DrawRun(bm, *face, text, x, baseline, pixel);
  if (style.underline && x > left) FillBox(bm, left, baseline + 1 + style.size / 12, x - left, std::max(1, style.size / 12), pixel);
}
}  // namespace

int32_t DrawRichText(TBitmap32& bm, const RRtfDocument& doc, int32_t x, int32_t y, int32_t w, int32_t h,
                     int32_t scroll) {
  static const RRtfStyle kPlain{};
  int32_t top = y - scroll;
  for (const RRtfParagraph& para : doc.paragraphs) {
    const RRtfStyle& first = para.runs.empty() ? kPlain : para.runs.front().style;
    std::vector<RPiece> pieces = Pieces(para);
    std::vector<RLine> lines(1);
    int32_t pen = 0;
    for (RPiece& pc : pieces) {
      RLine& line = lines.back();
      if (pc.text[0] == U'\n') {
        lines.emplace_back();
        pen = 0;
        continue;
      }
      if (pc.text[0] == U'\t') {
        pc.width = kTabStop - pen % kTabStop;
      } else {
        pc.width = TextWidth(FontOf(*pc.style), pc.text);
        // A word that does not fit starts a new line; blanks never do, and vanish at its start.
        if (pc.text[0] != U' ' && !line.pieces.empty() && pen + pc.width > w) {
          lines.emplace_back();
          pen = 0;
        }
        if (pc.text[0] == U' ' && lines.back().pieces.empty() && lines.size() > 1) continue;
      }
      pc.x = pen;
      pen += pc.width;
      lines.back().pieces.push_back(pc);
    }
    for (RLine& line : lines) {
      Measure(line, first);
      // Lines scrolled above the box or starting below it are measured only, for the height of
      // the whole.
      const int32_t left = para.align == 1 ? x + (w - line.width) / 2 : para.align == 2 ? x + w - line.width : x;
      if (top >= y && top < y + h)
        for (const RPiece& pc : line.pieces)
          if (pc.text[0] != U'\t') DrawGlyphs(bm, *pc.style, pc.text, left + pc.x, top + line.ascent);
      top += line.height;
    }
  }
  return top - (y - scroll);
}

std::u16string ToUtf16(std::string_view utf8) {
  std::u16string out;
  for (char32_t c : FromUtf8(utf8)) {
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::u32string FromUtf8(std::string_view s) {
  std::u32string out;
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    const size_t n = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : 4;
    char32_t c = n == 0 ? b : n == 1 ? (b & 0x1F) : n == 2 ? (b & 0x0F) : (b & 0x07);
    bool ok = n < 4 && i + n < s.size();
    for (size_t k = 1; ok && k <= n; ++k) {
      const auto cb = static_cast<unsigned char>(s[i + k]);
      if ((cb & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (cb & 0x3F);
    }
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(c);
    i += n + 1;
  }
  return out;
}

std::string ToUtf8(std::u32string_view s) {
  std::string out;
  for (char32_t c : s) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace dialog
