// CBackground: the image, its texture, the loaders and the drawing operations.
#include "runner/graphics/Background_Class.h"

#include <algorithm>
#include <numbers>

#include "runner/graphics/Graphics_Texture.h"
#include "runner/graphics/Sprite_Class.h"
#include "runner/base/Support_Stream.h"

namespace {
constexpr double kDegToRad = std::numbers::pi / 180.0;

}  // namespace

CBackground::~CBackground() { FreeTexture(); }

void CBackground::Clear() {
  FreeTexture();
  i_bitmap.Clear();
}

void CBackground::CreateColor(int32_t w, int32_t h, int32_t col) {
  Clear();
  i_bitmap.Resize(w, h, TBitmap32::FromGameColor(col));
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

// Loading and copying.

namespace {

void Prepare(TBitmap32& bm, bool removeback, bool smooth) {
  if (removeback) bm.RemoveBackground(0);
  if (smooth) bm.SmoothEdges();
  if (removeback) bm.BleedColors();
}

}  // namespace

void CBackground::Assign(const CBackground& back) {
  if (&back == this) return;
  Clear();
  i_bitmap = back.i_bitmap;
  InitTexture();
}

bool CBackground::LoadFromStream(CStream& str) {
  Clear();
  if (str.ReadInteger() != kBackgroundRecordVersion) return false;
  return i_bitmap.LoadFromStream(str);
}

bool CBackground::LoadFromFile(const std::string& fname, bool removeback, bool smooth) {
  TBitmap32 bm;
  if (!bm.LoadFromImageFile(fname)) return false;
  Prepare(bm, removeback, smooth);
  Clear();
  i_bitmap = std::move(bm);
  InitTexture();
  return true;
}

bool CBackground::LoadFromBackgroundFile(const std::string& fname) {
  CStream file;
  if (!file.LoadFromFile(fname)) return false;
  try {
    if (file.ReadInteger() != kSpriteFileMagic) return false;
    CStream body = file.ReadStreamC();
    if (body.ReadInteger() != kBackgroundRecordVersion) return false;
    body.ReadBoolean();
    for (int i = 0; i < 6; ++i) body.ReadInteger();  // tile settings of the editor
    TBitmap32 bm;
    if (!bm.LoadFromStream(body)) return false;
    bm.BleedColors();
    Clear();
    i_bitmap = std::move(bm);
    InitTexture();
    return true;
  } catch (const StreamError&) {
    return false;
  }
}

void CBackground::CreateFromBitmap(const TBitmap32& bbb, bool removeback, bool smooth) {
  TBitmap32 bm = bbb;
  if (std::all_of(bm.Pixels().begin(), bm.Pixels().end(), [](uint32_t p) { return (p >> 24) == 0; }))
    bm.MakeOpaque();
  Prepare(bm, removeback, smooth);
  Clear();
  i_bitmap = std::move(bm);
  InitTexture();
}

void CBackground::CreateGradient(int32_t w, int32_t h, int32_t col1, int32_t col2, int32_t kind) {
  Clear();
  i_bitmap = TBitmap32::Gradient(w, h, col1, col2, kind);
  InitTexture();
}

void CBackground::SetAlphaFromBackground(const CBackground& back) {
  i_bitmap.AlphaFrom(back.i_bitmap);
  InitTexture();
}
