// TMask: building masks from images, merging them, and their stream form. The tests live in
// Mask_Collision.cpp.
#include "runner/graphics/Sprite_Mask.h"

#include <algorithm>
#include <cmath>

#include "runner/base/BM32_Bitmap.h"
#include "runner/base/Support_Stream.h"

namespace {

uint8_t Alpha(uint32_t pixel) { return static_cast<uint8_t>(pixel >> 24); }

RRect32 BoxOf(const TBitmap32& bm, int32_t bbmode, const RRect32& bbox, int32_t tolerance) {
  const int32_t w = bm.Width(), h = bm.Height();
  if (bbmode == kBBoxFull) return {0, 0, w - 1, h - 1};
  if (bbmode == kBBoxManual)
    return {std::max(bbox.left, 0), std::max(bbox.top, 0), std::min(bbox.right, w - 1), std::min(bbox.bottom, h - 1)};
  // An image without a pixel above the tolerance keeps the inverted start box: no bit is set.
  RRect32 box{w - 1, h - 1, 0, 0};
  const uint32_t* px = bm.Pixels().data();
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      if (Alpha(px[static_cast<size_t>(y) * w + x]) > tolerance) {
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
      }
  return box;
}

// Sets the bits of a shape (kinds 1..3) over box, within the mask; never clears.
void DrawShape(TMask& m, int32_t kind, const RRect32& box) {
  const double cx = (box.left + box.right) / 2.0, rx = cx - box.left + 0.5;
  const double cy = (box.top + box.bottom) / 2.0, ry = cy - box.top + 0.5;
  for (int32_t x = std::max(box.left, 0); x <= std::min(box.right, m.i_w - 1); ++x)
    for (int32_t y = std::max(box.top, 0); y <= std::min(box.bottom, m.i_h - 1); ++y) {
      bool on = true;
      if (kind == kMaskEllipse) {
        const double dx = (x - cx) / rx, dy = (y - cy) / ry;
        on = dx * dx + dy * dy < 1;
      } else if (kind == kMaskDiamond) {
        on = std::fabs(x - cx) / rx + std::fabs(y - cy) / ry < 1;
      }
      if (on) m.i_mask[static_cast<size_t>(x) * m.i_h + y] = 1;
    }
}

}  // namespace

TMask::TMask(const TBitmap32& bm, int32_t bbmode, const RRect32& bbox, int32_t kind, int32_t tolerance) {
  if (bm.Empty()) return;
  i_w = bm.Width();
  i_h = bm.Height();
  i_mask.assign(static_cast<size_t>(i_w) * i_h, 0);
  i_bbox = BoxOf(bm, bbmode, bbox, tolerance);
  if (kind != kMaskPrecise) {
    DrawShape(*this, kind, i_bbox);
    return;
  }
  const uint32_t* px = bm.Pixels().data();
  for (int32_t x = std::max(i_bbox.left, 0); x <= std::min(i_bbox.right, i_w - 1); ++x)
    for (int32_t y = std::max(i_bbox.top, 0); y <= std::min(i_bbox.bottom, i_h - 1); ++y)
      i_mask[static_cast<size_t>(x) * i_h + y] = Alpha(px[static_cast<size_t>(y) * i_w + x]) > tolerance;
}

void TMask::Merge(const TBitmap32& bm, int32_t bbmode, const RRect32& bbox, int32_t kind, int32_t tolerance) {
  const TMask m(bm, bbmode, bbox, kind, tolerance);
  i_bbox = {std::min(i_bbox.left, m.i_bbox.left), std::min(i_bbox.top, m.i_bbox.top),
            std::max(i_bbox.right, m.i_bbox.right), std::max(i_bbox.bottom, m.i_bbox.bottom)};
  if (kind != kMaskPrecise) {
    DrawShape(*this, kind, i_bbox);
    return;
  }
  for (int32_t x = 0; x < std::min(i_w, m.i_w); ++x)
    for (int32_t y = 0; y < std::min(i_h, m.i_h); ++y)
      if (m.i_mask[static_cast<size_t>(x) * m.i_h + y]) i_mask[static_cast<size_t>(x) * i_h + y] = 1;
}

bool TMask::LoadFromStream(CStream& str) {
  *this = TMask();
  if (str.ReadInteger() != kMaskVersion) return false;
  const int32_t w = str.ReadInteger(), h = str.ReadInteger();
  RRect32 box;
  box.left = str.ReadInteger();
  box.right = str.ReadInteger();
  box.bottom = str.ReadInteger();
  box.top = str.ReadInteger();
  const int64_t remaining = int64_t{str.GetSize()} - str.GetPosition();
  if (w < 0 || h < 0 || int64_t{w} * h > remaining / 4) throw StreamError("mask larger than its data");
  i_bbox = box;
  if (w == 0 || h == 0) return true;
  i_w = w;
  i_h = h;
  i_mask.assign(static_cast<size_t>(w) * h, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) i_mask[static_cast<size_t>(x) * h + y] = str.ReadBoolean();
  return true;
}

void TMask::SaveToStream(CStream& str) const {
  str.WriteInteger(kMaskVersion);
  str.WriteInteger(i_w);
  str.WriteInteger(i_h);
  str.WriteInteger(i_bbox.left);
  str.WriteInteger(i_bbox.right);
  str.WriteInteger(i_bbox.bottom);
  str.WriteInteger(i_bbox.top);
  for (int32_t y = 0; y < i_h; ++y)
    for (int32_t x = 0; x < i_w; ++x) str.WriteBoolean(i_mask[static_cast<size_t>(x) * i_h + y] != 0);
}
