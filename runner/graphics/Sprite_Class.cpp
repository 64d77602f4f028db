// CSprite: frames, textures and the drawing operations.
#include "runner/graphics/Sprite_Class.h"

#include <numbers>

#include "runner/graphics/Graphics_Texture.h"

namespace {
constexpr double kDegToRad = std::numbers::pi / 180.0;
}

CSprite::~CSprite() { FreeTexture(); }

void CSprite::Clear() {
  FreeTexture();
  i_numb = 0;
  i_bitmap.clear();
  i_mask.clear();
  i_xorig = i_yorig = 0;
  i_bbox = {};
  i_sepmasks = false;
}

int32_t CSprite::Frame(int32_t ind) const {
  if (i_numb <= 0) return 0;
  const int32_t r = ind % i_numb;
  return r < 0 ? r + i_numb : r;
}

int32_t CSprite::GetWidth() const { return i_numb > 0 ? i_bitmap[0].Width() : 1; }
int32_t CSprite::GetHeight() const { return i_numb > 0 ? i_bitmap[0].Height() : 1; }

void CSprite::InitTexture() {
  FreeTexture();
  i_tex.resize(i_bitmap.size());
  for (size_t i = 0; i < i_bitmap.size(); ++i) {
    i_tex[i] = Texture_FromBitmap(&i_bitmap[i]);
    Texture_Preload(i_tex[i]);
  }
}

void CSprite::FreeTexture() {
  for (int32_t t : i_tex) Texture_Free(t);
  i_tex.clear();
}

int32_t CSprite::GetTexture(int32_t ind) const {
  if (i_numb <= 0) return -1;
  const int32_t f = Frame(ind);
  return f < static_cast<int32_t>(i_tex.size()) ? i_tex[f] : -1;
}

const TMask* CSprite::MaskFor(int32_t img) const {
  if (i_numb <= 0 || i_mask.empty()) return nullptr;
  const size_t m = i_sepmasks ? static_cast<size_t>(Frame(img)) : 0;
  return m < i_mask.size() ? &i_mask[m] : nullptr;
}

void CSprite::DrawSimple(int32_t ind, double x, double y) const {
  if (i_numb <= 0) return;
  Texture_Draw(GetTexture(ind), x - i_xorig, y - i_yorig);
}

void CSprite::Draw(int32_t ind, double x, double y, double xscale, double yscale, double angle, int32_t color,
                   double alpha) const {
  if (i_numb <= 0) return;
  Texture_DrawTransformed(GetTexture(ind), color, i_xorig, i_yorig, x, y, xscale, yscale, angle * kDegToRad, alpha);
}

void CSprite::DrawStretched(int32_t ind, double x, double y, double w, double h, int32_t color, double alpha) const {
  if (i_numb <= 0 || w <= 0 || h <= 0 || GetWidth() <= 0 || GetHeight() <= 0) return;
  Texture_DrawTransformed(GetTexture(ind), color, 0, 0, x, y, w / GetWidth(), h / GetHeight(), 0, alpha);
}

void CSprite::DrawPart(int32_t ind, double xo, double yo, double w, double h, double x, double y, double xscale,
                       double yscale, int32_t color, double alpha) const {
  if (i_numb <= 0) return;
  Texture_DrawPart(GetTexture(ind), color, xo, yo, w, h, x, y, xscale, yscale, 0, alpha);
}

void CSprite::DrawGeneral(int32_t ind, double xo, double yo, double w, double h, double x, double y, double xscale,
                          double yscale, double angle, int32_t c1, int32_t c2, int32_t c3, int32_t c4,
                          double alpha) const {
  if (i_numb <= 0) return;
  Texture_DrawGeneral(GetTexture(ind), xo, yo, w, h, x, y, xscale, yscale, angle * kDegToRad, c1, c2, c3, c4, alpha);
}

void CSprite::DrawTiled(int32_t ind, double x, double y, double xscale, double yscale, bool htiled, bool vtiled,
                        double xr, double yr, double wr, double hr, int32_t color, double alpha) const {
  if (i_numb <= 0) return;
  Texture_DrawTiled(GetTexture(ind), color, i_xorig, i_yorig, x, y, xscale, yscale, htiled, vtiled, xr, yr, wr, hr,
                    alpha);
}
