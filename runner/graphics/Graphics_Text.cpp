// Text layout and drawing over the fonts: the one text state, line splitting with word
// wrapping, and the aligned placement of the lines.
#include "runner/graphics/Graphics_Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "runner/graphics/Font_Class.h"
#include "runner/graphics/Font_Main.h"
#include "runner/graphics/Graphics_Draw.h"

namespace {

int32_t DrawColor() {
  return Draw_GetColor();
}
double DrawAlpha() {
  return Draw_GetAlpha();
}

constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

bool IsWordEnd(char16_t c) {
  return c == u' ' || c == u'-';
}

double Origin(double v) {
  return v >= 0 ? std::floor(v + 0.001) : std::floor(v - 0.001);
}

int32_t Sep(const CFont& font, int32_t sep) {
  return sep < 0 ? font.s_FontHeight : sep;
}

}  // namespace

RTextState& TextState() { return FontState().text; }

std::u16string TextCodes(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<uint8_t>(text[i]);
    uint32_t cp = 0xFFFD;
    size_t len = 1;
    auto cont = [&](size_t k) {
      return i + k < text.size() && (static_cast<uint8_t>(text[i + k]) & 0xC0) == 0x80;
    };
    if (b0 < 0x80) {
      cp = b0;
    } else if (b0 >= 0xC2 && b0 < 0xE0 && cont(1)) {
      cp = ((b0 & 0x1Fu) << 6) | (static_cast<uint8_t>(text[i + 1]) & 0x3Fu);
      len = 2;
    } else if (b0 >= 0xE0 && b0 < 0xF0 && cont(1) && cont(2)) {
      cp = ((b0 & 0x0Fu) << 12) | ((static_cast<uint8_t>(text[i + 1]) & 0x3Fu) << 6) |
           (static_cast<uint8_t>(text[i + 2]) & 0x3Fu);
      len = 3;
      if (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000)) cp = 0xFFFD;
    } else if (b0 >= 0xF0 && b0 < 0xF5 && cont(1) && cont(2) && cont(3)) {
      cp = ((b0 & 0x07u) << 18) | ((static_cast<uint8_t>(text[i + 1]) & 0x3Fu) << 12) |
           ((static_cast<uint8_t>(text[i + 2]) & 0x3Fu) << 6) | (static_cast<uint8_t>(text[i + 3]) & 0x3Fu);
      len = 4;
      if (cp < 0x10000 || cp > 0x10FFFF) cp = 0xFFFD;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string DrawnRealText(double v) {
  char buf[400];
  if (std::isfinite(v) && v == std::floor(v))
    std::snprintf(buf, sizeof buf, "%.0f", v == 0 ? 0.0 : v);
  else
    std::snprintf(buf, sizeof buf, "%.2f", v);
  // A value that rounds to zero shows no sign, as string() does.
  if (std::string_view(buf) == "-0.00") return "0.00";
  return buf;
}

const CFont& CurrentFont() {
  const int32_t f = TextState().font;
  return Fonts().Exists(f) ? *Fonts().Get(f) : DefaultFont();
}

std::vector<std::u16string> SplitLines(const CFont& font, std::u16string_view text, int32_t width) {
  // `#` breaks; then a line feed after a carriage return goes, any other becomes one.
  std::u16string plain;
  plain.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\\' && i + 1 < text.size() && text[i + 1] == u'#') {
      plain.push_back(u'#');
      ++i;
    } else if (c == u'#') {
      plain.push_back(u'\r');
    } else if (c == u'\n') {
      if (plain.empty() || plain.back() != u'\r') plain.push_back(u'\r');
    } else {
      plain.push_back(c);
    }
  }

  std::vector<std::u16string> lines;
  size_t start = 0;
  while (start < plain.size()) {
    size_t end = plain.find(u'\r', start);
    if (end == std::u16string::npos) end = plain.size();
    const std::u16string_view piece(plain.data() + start, end - start);
    start = end + 1;
    if (width < 0 || piece.empty()) {
      lines.emplace_back(piece);
      continue;
    }
    std::vector<std::u16string_view> words;
    for (size_t w = 0; w < piece.size();) {
      size_t e = w;
      while (e < piece.size() && !IsWordEnd(piece[e])) ++e;
      if (e < piece.size()) ++e;
      words.push_back(piece.substr(w, e - w));
      w = e;
    }
    for (size_t k = 0; k < words.size();) {
      std::u16string line(words[k++]);
      int64_t lineW = font.TextWidth(line);
      while (k < words.size() && lineW < width) {
        const int64_t wordW = font.TextWidth(words[k]);
        if (lineW + wordW > width) break;
        line += words[k++];
        lineW += wordW;
      }
      lines.push_back(std::move(line));
    }
  }
  return lines;
}

int32_t Text_Width(std::u16string_view text, int32_t width) {
  const CFont& font = CurrentFont();
  int32_t w = 1;
  for (const std::u16string& line : SplitLines(font, text, width)) w = std::max(w, font.TextWidth(line));
  return w;
}

int32_t Text_Height(std::u16string_view text, int32_t sep, int32_t width) {
  const CFont& font = CurrentFont();
  const size_t n = SplitLines(font, text, width).size();
  if (n == 0) return 1;
  const int64_t h = font.s_FontHeight + int64_t{Sep(font, sep)} * static_cast<int64_t>(n - 1);
  return static_cast<int32_t>(std::clamp<int64_t>(h, INT32_MIN, INT32_MAX));
}

namespace {

// colors: null for the drawing colour and alpha, else the four corner colours.
void DrawLines(double x, double y, std::u16string_view text, int32_t sep, int32_t width,
               const int32_t* colors, double alpha) {
  const CFont& font = CurrentFont();
  const std::vector<std::u16string> lines = SplitLines(font, text, width);
  const int64_t s = Sep(font, sep);
  const int64_t n = static_cast<int64_t>(lines.size());
  double x0 = Origin(x), y0 = Origin(y);
  if (TextState().valign == 1) y0 -= static_cast<double>((n * s) / 2);
  if (TextState().valign == 2) y0 -= static_cast<double>(n * s);
  const int32_t col = DrawColor();
  if (!colors) alpha = DrawAlpha();
  for (int64_t i = 0; i < n; ++i) {
    const std::u16string& line = lines[static_cast<size_t>(i)];
    const int32_t w = font.TextWidth(line);
    const double dx = TextState().halign == 1   ? -(w / 2)
                      : TextState().halign == 2 ? -static_cast<double>(w)
                                                : 0;
    const double ly = y0 + static_cast<double>(i * s);
    if (colors)
      font.Draw_String_Color(x0 + dx, ly, line, colors[0], colors[1], colors[2], colors[3], alpha);
    else
      font.Draw_String(x0 + dx, ly, line, col, alpha);
  }
}

void DrawLinesTransformed(double x, double y, std::u16string_view text, int32_t sep, int32_t width,
                          double xscale, double yscale, double angle, const int32_t* colors, double alpha) {
  const CFont& font = CurrentFont();
  const std::vector<std::u16string> lines = SplitLines(font, text, width);
  const double s = std::sin(angle * kDegToRad), c = std::cos(angle * kDegToRad);
  const double sp = Sep(font, sep);
  const double n = static_cast<double>(lines.size());
  double x0 = Origin(x), y0 = Origin(y);
  if (TextState().valign == 1) {
    y0 -= std::nearbyint(n * yscale * c * sp / 2);
    x0 -= std::nearbyint(n * yscale * s * sp / 2);
  } else if (TextState().valign == 2) {
    y0 -= std::nearbyint(n * yscale * c * sp);
    x0 -= std::nearbyint(n * yscale * s * sp);
  }
  const int32_t col = DrawColor();
  if (!colors) alpha = DrawAlpha();
  for (const std::u16string& line : lines) {
    const double w = font.TextWidth(line);
    const double h = TextState().halign == 1   ? -std::nearbyint(xscale * w / 2)
                     : TextState().halign == 2 ? -std::nearbyint(xscale * w)
                                               : 0;
    if (colors)
      font.Draw_String_Transformed_Color(x0 + c * h, y0 - s * h, line, xscale, yscale, angle, colors[0],
                                         colors[1], colors[2], colors[3], alpha);
    else
      font.Draw_String_Transformed(x0 + c * h, y0 - s * h, line, xscale, yscale, angle, col, alpha);
    x0 += yscale * s * sp;
    y0 += yscale * c * sp;
  }
}

}  // namespace

void Text_Draw(double x, double y, std::u16string_view text, int32_t sep, int32_t width) {
  DrawLines(x, y, text, sep, width, nullptr, 1);
}

void Text_DrawTransformed(double x, double y, std::u16string_view text, int32_t sep, int32_t width,
                          double xscale, double yscale, double angle) {
  DrawLinesTransformed(x, y, text, sep, width, xscale, yscale, angle, nullptr, 1);
}

void Text_DrawColor(double x, double y, std::u16string_view text, int32_t sep, int32_t width, int32_t c1,
                    int32_t c2, int32_t c3, int32_t c4, double alpha) {
  const int32_t cols[4] = {c1, c2, c3, c4};
  DrawLines(x, y, text, sep, width, cols, alpha);
}

void Text_DrawTransformedColor(double x, double y, std::u16string_view text, int32_t sep, int32_t width,
                               double xscale, double yscale, double angle, int32_t c1, int32_t c2, int32_t c3,
                               int32_t c4, double alpha) {
  const int32_t cols[4] = {c1, c2, c3, c4};
  DrawLinesTransformed(x, y, text, sep, width, xscale, yscale, angle, cols, alpha);
}
