// Text on the screen: the text drawing state (font, alignment), the layout of a text into lines
// (`#` breaks, line ends, word wrapping) and drawing it aligned, scaled, rotated and coloured.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CFont;

struct RTextState {
  int32_t font = -1;   // -1: the default font
  int32_t halign = 0;  // 0 left, 1 centre, 2 right
  int32_t valign = 0;  // 0 top, 1 middle, 2 bottom
};
RTextState& TextState();

// Where text takes the drawing colour and alpha from; until set, black and opaque.
void SetTextColorSource(int32_t (*color)(), double (*alpha)());

// Game text (UTF-8) as the 16-bit codes fonts index by; invalid bytes become U+FFFD.
std::u16string TextCodes(std::string_view text);

// A real as draw_text shows it: whole numbers in plain digits, others with two decimals.
std::string DrawnRealText(double v);

// The font of the font index when it exists, else the default font.
const CFont& CurrentFont();

// `#` and line ends break lines (`\#` is a literal `#`); a width of 0 or more wraps words.
std::vector<std::u16string> SplitLines(const CFont& font, std::u16string_view text, int32_t width);
int32_t Text_Width(std::u16string_view text, int32_t width);
int32_t Text_Height(std::u16string_view text, int32_t sep, int32_t width);

// sep below 0 is the font height; width below 0 does not wrap. Angles in degrees.
void Text_Draw(double x, double y, std::u16string_view text, int32_t sep, int32_t width);
void Text_DrawTransformed(double x, double y, std::u16string_view text, int32_t sep, int32_t width,
                          double xscale, double yscale, double angle);
void Text_DrawColor(double x, double y, std::u16string_view text, int32_t sep, int32_t width, int32_t c1,
                    int32_t c2, int32_t c3, int32_t c4, double alpha);
void Text_DrawTransformedColor(double x, double y, std::u16string_view text, int32_t sep, int32_t width,
                               double xscale, double yscale, double angle, int32_t c1, int32_t c2, int32_t c3,
                               int32_t c4, double alpha);
