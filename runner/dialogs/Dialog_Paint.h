// Painting the runner-drawn windows into a bitmap: filled and framed boxes, pictures (stretched,
// keyed by a transparent colour) and text in the system fonts, word-wrapped and aligned. The
// windows are pictures first, so a test captures exactly what a player would see.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runner/base/BM32_Bitmap.h"
#include "runner/dialogs/Dialog_State.h"
#include "runner/dialogs/Support_Rtf.h"

namespace dialog {

// A game colour 0x00BBGGRR as an opaque pixel.
uint32_t Pixel(int32_t color);

void FillBox(TBitmap32& bm, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t pixel);
void FrameBox(TBitmap32& bm, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t pixel);
// Draws pic stretched to w × h at (x, y), blending by its alpha; with a key, pixels of the key's
// colour are left out.
void DrawPicture(TBitmap32& bm, const TBitmap32& pic, int32_t x, int32_t y, int32_t w, int32_t h,
                 std::optional<uint32_t> key = std::nullopt);
// Blends src onto bm at (x, y) with the given opacity 0..255.
void Blend(TBitmap32& bm, const TBitmap32& src, int32_t x, int32_t y, int32_t alpha);

// The face of a font (cached in the game's dialog state); null when no font can be opened.
platform::fonts::TFontFace* Face(const RDialogFont& font);
int32_t LineHeight(const RDialogFont& font);
int32_t TextWidth(const RDialogFont& font, std::u32string_view text);
// Lines of text broken at line ends (CR, LF, CR LF) and, when width > 0, between words.
std::vector<std::u32string> WrapText(const RDialogFont& font, std::u32string_view text, int32_t width);
// Draws one line with its top at y, in the colour given.
void DrawLine(TBitmap32& bm, const RDialogFont& font, std::u32string_view text, int32_t x, int32_t y, int32_t color);
// Wrapped text within the box, aligned 0 left, 1 centre, 2 right, and centred vertically when asked.
void DrawTextBox(TBitmap32& bm, const RDialogFont& font, std::u32string_view text, int32_t x, int32_t y, int32_t w,
                 int32_t h, int32_t halign, bool vcentre, int32_t color, bool wrap);

// Rich text in the box: each paragraph aligned, words wrapped across runs of different faces,
// each line as high as its tallest run and sharing one baseline. The text is scrolled up by
// `scroll` pixels; lines scrolled above the box are left out, what does not fit below is cut.
// Returns the height of the whole text, so a scroll bar knows how far it goes.
int32_t DrawRichText(TBitmap32& bm, const RRtfDocument& doc, int32_t x, int32_t y, int32_t w, int32_t h,
                     int32_t scroll = 0);
// A window with a dialog border: a frame and a caption bar around its client picture. The client
// sits at (kFrameSide, kCaptionBar) in the result, which is kFrameSide × 2 wider and
// kCaptionBar + kFrameSide higher.
constexpr int32_t kCaptionBar = 22, kFrameSide = 1;
TBitmap32 FrameWithCaption(const TBitmap32& client, std::u32string_view caption);
// The close button at the right of a caption bar across a window of that width: drawn, and
// whether a point (relative to the window's top-left corner) is on it.
constexpr int32_t kCloseBox = 16;
void DrawCloseBox(TBitmap32& bm, int32_t windowWidth);
bool OnCloseBox(int32_t x, int32_t y, int32_t windowWidth);
// The dialogs' font for a style of rich text.
RDialogFont FontOf(const RRtfStyle& style);

std::u32string FromUtf8(std::string_view s);
std::string ToUtf8(std::u32string_view s);
// UTF-16 code units (surrogate pairs above U+FFFF): what names and code-page text are counted and
// encoded in.
std::u16string ToUtf16(std::string_view utf8);

}  // namespace dialog
