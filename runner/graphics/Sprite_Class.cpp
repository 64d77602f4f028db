// CSprite: frames, textures, the loaders, masks and the drawing operations.
#include "runner/graphics/Sprite_Class.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <numbers>

#include "runner/graphics/Graphics_Texture.h"
#include "runner/base/Support_Stream.h"

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

// Loading, copying and masks.

namespace {

// The colour a GIF canvas starts from and returns to when an image is disposed of.
constexpr int32_t kGifFillColor = 32832;
// A bitmap record is at least its version, width and height.
constexpr int64_t kMinBitmapRecord = 12;

void Prepare(TBitmap32& bm, bool removeback, bool smooth) {
  if (removeback) bm.RemoveBackground(0);
  if (smooth) bm.SmoothEdges();
  if (removeback) bm.BleedColors();
}

bool HasNoAlpha(const TBitmap32& bm) {
  return std::all_of(bm.Pixels().begin(), bm.Pixels().end(), [](uint32_t p) { return (p >> 24) == 0; });
}

// Reads n bitmap records; false on a wrong version or damage.
bool ReadFrames(CStream& str, int32_t n, std::vector<TBitmap32>& frames) {
  if (n < 0 || int64_t{n} * kMinBitmapRecord > int64_t{str.GetSize()} - str.GetPosition())
    throw StreamError("frame count larger than its data");
  frames.resize(static_cast<size_t>(n));
  for (TBitmap32& f : frames)
    if (!f.LoadFromStream(str)) return false;
  return true;
}

}  // namespace

void CSprite::Assign(const CSprite& spr) {
  if (&spr == this) return;
  Clear();
  i_numb = spr.i_numb;
  i_bitmap = spr.i_bitmap;
  i_xorig = spr.i_xorig;
  i_yorig = spr.i_yorig;
  i_bbox = spr.i_bbox;
  i_sepmasks = spr.i_sepmasks;
  i_mask = spr.i_mask;
  InitTexture();
}

bool CSprite::LoadFromStream(CStream& str) {
  Clear();
  if (str.ReadInteger() != kSpriteRecordVersion) return false;
  const int32_t xo = str.ReadInteger(), yo = str.ReadInteger();
  std::vector<TBitmap32> frames;
  if (!ReadFrames(str, str.ReadInteger(), frames)) return false;
  const bool sep = str.ReadBoolean();
  std::vector<TMask> masks(frames.empty() ? 0 : sep ? frames.size() : 1);
  // A mask of another version would leave the rest of the record unreadable.
  for (TMask& m : masks)
    if (!m.LoadFromStream(str)) return false;
  i_numb = static_cast<int32_t>(frames.size());
  i_bitmap = std::move(frames);
  i_xorig = xo;
  i_yorig = yo;
  i_sepmasks = sep;
  i_mask = std::move(masks);
  ComputeBoundingBox();
  return true;
}

bool CSprite::LoadFromFile(const std::string& fname, int32_t imgnumb, bool removeback, bool smooth, int32_t xo,
                           int32_t yo) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(fname, ec)) return false;
  std::string ext = std::filesystem::path(fname).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const bool ok = ext == ".gif" ? LoadGifFromFile(fname, removeback, smooth)
                                : LoadStripFromFile(fname, imgnumb, removeback, smooth);
  if (!ok) return false;
  i_xorig = xo;
  i_yorig = yo;
  InitTexture();
  ComputeMask(false, kBBoxAutomatic, {}, kMaskPrecise, 0);
  return true;
}

bool CSprite::LoadStripFromFile(const std::string& fname, int32_t imgnumb, bool removeback, bool smooth) {
  Clear();
  TBitmap32 strip;
  if (!strip.LoadFromImageFile(fname)) return false;
  const int32_t n = imgnumb <= 0 ? 1 : imgnumb;
  // More frames than columns would make empty frames by the million.
  if (n > strip.Width()) return false;
  const int32_t fw = strip.Width() / n;
  i_bitmap.resize(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    TBitmap32& f = i_bitmap[static_cast<size_t>(i)];
    f.Resize(fw, strip.Height());
    f.DrawPart(0, 0, strip, i * fw, 0, fw, strip.Height());
    Prepare(f, removeback, smooth);
  }
  i_numb = n;
  return true;
}

bool CSprite::LoadGifFromFile(const std::string& fname, bool removeback, bool smooth) {
  CStream file;
  if (!file.LoadFromFile(fname)) return false;
  int32_t w = 0, h = 0;
  std::vector<RGifImage> images;
  if (!DecodeGifImages(file.Bytes(), w, h, images)) return false;
  Clear();
  const uint32_t fill = TBitmap32::FromGameColor(kGifFillColor);
  TBitmap32 canvas(w, h, fill);
  for (const RGifImage& img : images) {
    const TBitmap32& src = img.image;
    for (int32_t y = 0; y < src.Height(); ++y)
      for (int32_t x = 0; x < src.Width(); ++x) {
        const uint32_t p = src.GetPixel(x, y);
        if (p >> 24) canvas.SetPixel(img.left + x, img.top + y, p);
      }
    TBitmap32 frame = canvas;
    frame.MakeOpaque();
    Prepare(frame, removeback, smooth);
    i_bitmap.push_back(std::move(frame));
    if (!img.keep) canvas.Fill(fill);
  }
  i_numb = static_cast<int32_t>(i_bitmap.size());
  return true;
}

bool CSprite::LoadFromSpriteFile(const std::string& fname) {
  CStream file;
  if (!file.LoadFromFile(fname)) return false;
  try {
    if (file.ReadInteger() != kSpriteFileMagic) return false;
  } catch (const StreamError&) {
    return false;
  }
  Clear();
  try {
    CStream body = file.ReadStreamC();
    if (body.ReadInteger() != kSpriteRecordVersion) return false;
    const int32_t xo = body.ReadInteger(), yo = body.ReadInteger();
    std::vector<TBitmap32> frames;
    if (!ReadFrames(body, body.ReadInteger(), frames)) return false;
    for (TBitmap32& f : frames) f.BleedColors();
    const int32_t kind = body.ReadInteger(), tolerance = body.ReadInteger();
    const bool sep = body.ReadBoolean();
    const int32_t bbmode = body.ReadInteger();
    RRect32 box;
    box.left = body.ReadInteger();
    box.right = body.ReadInteger();
    box.bottom = body.ReadInteger();
    box.top = body.ReadInteger();
    i_numb = static_cast<int32_t>(frames.size());
    i_bitmap = std::move(frames);
    i_xorig = xo;
    i_yorig = yo;
    InitTexture();
    ComputeMask(sep, bbmode, box, kind, tolerance);
    return true;
  } catch (const StreamError&) {
    Clear();
    return false;
  }
}

void CSprite::CreateFromBitmap(const TBitmap32& bbb, int32_t removeback, bool smooth, int32_t xo, int32_t yo) {
  Clear();
  TBitmap32 f = bbb;
  if (removeback != 2 && HasNoAlpha(f)) f.MakeOpaque();
  if (removeback == 1) Prepare(f, true, smooth);
  if (removeback == -1) f.MakeOpaque();
  i_bitmap.push_back(std::move(f));
  i_numb = 1;
  i_xorig = xo;
  i_yorig = yo;
  InitTexture();
  ComputeMask(false, kBBoxAutomatic, {}, kMaskPrecise, 0);
}

void CSprite::AddFromBitmap(const TBitmap32& bbb, bool removeback, bool smooth) {
  TBitmap32 f = bbb;
  Prepare(f, removeback, smooth);
  f.Stretch(GetWidth(), GetHeight(), 1);
  i_bitmap.push_back(std::move(f));
  i_numb = static_cast<int32_t>(i_bitmap.size());
  InitTexture();
  ComputeMask(i_sepmasks, kBBoxAutomatic, {}, kMaskPrecise, 0);
}

void CSprite::AddFromSprite(const CSprite& spr) {
  const int32_t w = GetWidth(), h = GetHeight();
  std::vector<TBitmap32> added = spr.i_bitmap;  // spr may be this sprite
  for (TBitmap32& f : added) {
    f.Stretch(w, h, 1);
    i_bitmap.push_back(std::move(f));
  }
  i_numb = static_cast<int32_t>(i_bitmap.size());
  InitTexture();
  ComputeMask(i_sepmasks, kBBoxAutomatic, {}, kMaskPrecise, 0);
}

void CSprite::SetAlphaFromSprite(const CSprite& spr) {
  if (spr.i_numb <= 0) return;
  for (int32_t i = 0; i < i_numb; ++i)
    i_bitmap[static_cast<size_t>(i)].AlphaFrom(spr.i_bitmap[static_cast<size_t>(i % spr.i_numb)]);
  InitTexture();
}

void CSprite::FreeMask() { i_mask.clear(); }

void CSprite::ComputeMask(bool sepmasks, int32_t bbmode, const RRect32& bbox, int32_t kind, int32_t tolerance) {
  FreeMask();
  i_sepmasks = sepmasks;
  if (i_numb <= 0) {
    i_bbox = {};
    return;
  }
  if (sepmasks) {
    for (const TBitmap32& f : i_bitmap) i_mask.emplace_back(f, bbmode, bbox, kind, tolerance);
  } else {
    TMask m(i_bitmap[0], bbmode, bbox, kind, tolerance);
    for (size_t i = 1; i < i_bitmap.size(); ++i) m.Merge(i_bitmap[i], bbmode, bbox, kind, tolerance);
    i_mask.push_back(std::move(m));
  }
  ComputeBoundingBox();
}

void CSprite::ComputeBoundingBox() {
  if (i_numb <= 0 || i_mask.empty()) {
    i_bbox = {};
    return;
  }
  if (!i_sepmasks) {
    i_bbox = i_mask[0].i_bbox;
    return;
  }
  i_bbox = {GetWidth() - 1, GetHeight() - 1, 0, 0};
  for (const TMask& m : i_mask) {
    i_bbox.left = std::min(i_bbox.left, m.i_bbox.left);
    i_bbox.top = std::min(i_bbox.top, m.i_bbox.top);
    i_bbox.right = std::max(i_bbox.right, m.i_bbox.right);
    i_bbox.bottom = std::max(i_bbox.bottom, m.i_bbox.bottom);
  }
}

TBitmap32 CSprite::GetBitmap(int32_t ind) const {
  if (ind < 0 || ind >= i_numb) return {};
  return i_bitmap[static_cast<size_t>(ind)];
}

RRect32 CSprite::GetBoundingBoxImg(int32_t ind) const {
  if (ind < 0 || ind >= i_numb) return {};
  RRect32 r;
  i_bitmap[static_cast<size_t>(ind)].BoundingBox(0, r.left, r.top, r.right, r.bottom);
  return r;
}
