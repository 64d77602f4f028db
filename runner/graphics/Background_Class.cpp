// CBackground: the image, its texture and the drawing operations.
#include "runner/graphics/Background_Class.h"

#include <numbers>

#include "runner/graphics/Graphics_Texture.h"

namespace {
constexpr double kDegToRad = std::numbers::pi / 180.0;

// Game colour 0x00BBGGRR to an opaque bitmap pixel 0xAARRGGBB.
uint32_t OpaquePixel(int32_t col) {
  const uint32_t c = static_cast<uint32_t>(col);
  return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
}  // namespace

CBackground::~CBackground() { FreeTexture(); }

void CBackground::Clear() {
  FreeTexture();
  i_bitmap.Clear();
}

void CBackground::CreateColor(int32_t w, int32_t h, int32_t col) {
  Clear();
  i_bitmap.Resize(w, h, OpaquePixel(col));
  InitTexture();
}

void CBackground::InitTexture() {
  FreeTexture();
  if (i_bitmap.Empty()) return;
  i_tex = Texture_FromBitmap(&i_bitmap);
  Texture_Preload(i_tex);
}

void CBackground::FreeTexture() {
  Texture_Free(i_tex);
  i_tex = -1;
}

void CBackground::DrawSimple(double x, double y) const { Texture_Draw(i_tex, x, y); }

void CBackground::Draw(double x, double y, double xscale, double yscale, double angle, int32_t color,
                       double alpha) const {
  Texture_DrawTransformed(i_tex, color, 0, 0, x, y, xscale, yscale, angle * kDegToRad, alpha);
}

void CBackground::DrawStretched(double x, double y, double w, double h, int32_t color, double alpha) const {
  if (w <= 0 || h <= 0 || GetWidth() <= 0 || GetHeight() <= 0) return;
  Texture_DrawTransformed(i_tex, color, 0, 0, x, y, w / GetWidth(), h / GetHeight(), 0, alpha);
}

void CBackground::DrawPart(double xo, double yo, double w, double h, double x, double y, double xscale,
                           double yscale, int32_t color, double alpha) const {
  Texture_DrawPart(i_tex, color, xo, yo, w, h, x, y, xscale, yscale, 0, alpha);
}

void CBackground::DrawGeneral(double xo, double yo, double w, double h, double x, double y, double xscale,
                              double yscale, double angle, int32_t c1, int32_t c2, int32_t c3, int32_t c4,
                              double alpha) const {
  Texture_DrawGeneral(i_tex, xo, yo, w, h, x, y, xscale, yscale, angle * kDegToRad, c1, c2, c3, c4, alpha);
}

void CBackground::DrawTiled(double x, double y, double xscale, double yscale, bool htiled, bool vtiled, double xr,
                            double yr, double wr, double hr, int32_t color, double alpha) const {
  Texture_DrawTiled(i_tex, color, 0, 0, x, y, xscale, yscale, htiled, vtiled, xr, yr, wr, hr, alpha);
}
