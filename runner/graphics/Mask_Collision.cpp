// TMask: the five collision tests (mask against mask, point, rectangle, ellipse, line). Room
// pixels map into mask pixels through the instance's position, origin, scales and angle; the
// plain case (no rotation, unit scales) indexes the column-major bytes directly.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "runner/graphics/Sprite_Mask.h"

namespace {

constexpr double kRad = std::numbers::pi / 180.0;

// Room-to-mask mapping of one placed mask. Loops run in 64 bits: boxes may reach the ends of
// the 32-bit range.
struct RPlaced {
  const TMask& m;
  int64_t x, y, xo, yo;
  double sx, sy, c, s;
  bool plain;

  RPlaced(const TMask& mask, int32_t px, int32_t py, int32_t pxo, int32_t pyo, double scalex, double scaley,
          double angle, bool isplain)
      : m(mask),
        x(px),
        y(py),
        xo(pxo),
        yo(pyo),
        sx(scalex),
        sy(scaley),
        c(std::cos(-angle * kRad)),
        s(std::sin(-angle * kRad)),
        plain(isplain) {}

  bool Plain(int64_t px, int64_t py) const {
    const int64_t u = px - x + xo, v = py - y + yo;
    return u >= 0 && v >= 0 && u < m.i_w && v < m.i_h &&
           m.i_mask[static_cast<size_t>(u) * static_cast<size_t>(m.i_h) + static_cast<size_t>(v)] != 0;
  }
  // Real coordinates for the line test; NaN and infinities fail the range checks.
  bool General(double px, double py) const {
    if (sx == 0 || sy == 0) return false;  // a flattened mask covers no pixel
    const double dx = px - static_cast<double>(x), dy = py - static_cast<double>(y);
    const double u = std::floor(static_cast<double>(xo) + (dx * c + dy * s) / sx);
    const double v = std::floor(static_cast<double>(yo) + (dy * c - dx * s) / sy);
    if (!(u >= 0 && v >= 0 && u < m.i_w && v < m.i_h)) return false;
    return m.i_mask[static_cast<size_t>(u) * static_cast<size_t>(m.i_h) + static_cast<size_t>(v)] != 0;
  }
  bool Hit(int64_t px, int64_t py) const {
    return plain ? Plain(px, py) : General(static_cast<double>(px), static_cast<double>(py));
  }
};

bool IsPlain(double scalex, double scaley, double angle) {
  return angle == 0 && scalex == 1 && scaley == 1;
}

struct RSpan {
  int64_t left, top, right, bottom;
  bool Empty() const { return left > right || top > bottom; }
};

RSpan Intersect(const RRect32& a, const RRect32& b) {
  return {std::max<int64_t>(a.left, b.left), std::max<int64_t>(a.top, b.top),
          std::min<int64_t>(a.right, b.right), std::min<int64_t>(a.bottom, b.bottom)};
}

// First set pixel of the area, column by column, top to bottom; keep(px, py) limits which count.
template <typename Keep>
bool ScanArea(const RPlaced& p, const RSpan& r, Keep keep) {
  if (r.Empty() || p.m.i_w <= 0 || p.m.i_h <= 0) return false;
  if (p.plain) {
    // Only the part of the area the mask covers can hit.
    const int64_t l = std::max(r.left, p.x - p.xo), t = std::max(r.top, p.y - p.yo);
    const int64_t rt = std::min(r.right, p.x - p.xo + p.m.i_w - 1),
                  b = std::min(r.bottom, p.y - p.yo + p.m.i_h - 1);
    for (int64_t px = l; px <= rt; ++px) {
      const uint8_t* col = &p.m.i_mask[static_cast<size_t>(px - p.x + p.xo) * static_cast<size_t>(p.m.i_h)];
      for (int64_t py = t; py <= b; ++py)
        if (col[py - p.y + p.yo] && keep(px, py)) return true;
    }
    return false;
  }
  for (int64_t px = r.left; px <= r.right; ++px)
    for (int64_t py = r.top; py <= r.bottom; ++py)
      if (keep(px, py) && p.Hit(px, py)) return true;
  return false;
}

}  // namespace

bool TMask::CollisionMask(const RRect32& bb1, int32_t x1, int32_t y1, int32_t xo1, int32_t yo1,
                          double scale1x, double scale1y, double angle1, const TMask& msk, const RRect32& bb2,
                          int32_t x2, int32_t y2, int32_t xo2, int32_t yo2, double scale2x, double scale2y,
                          double angle2) const {
  const bool plain = IsPlain(scale1x, scale1y, angle1) && IsPlain(scale2x, scale2y, angle2);
  const RPlaced a(*this, x1, y1, xo1, yo1, scale1x, scale1y, angle1, plain);
  const RPlaced b(msk, x2, y2, xo2, yo2, scale2x, scale2y, angle2, plain);
  RSpan r = Intersect(bb1, bb2);
  if (r.Empty() || i_w <= 0 || i_h <= 0 || msk.i_w <= 0 || msk.i_h <= 0) return false;
  if (!plain) return ScanArea(a, r, [&](int64_t px, int64_t py) { return b.Hit(px, py); });
  // Both plain: walk the area both masks cover with two column pointers.
  r.left = std::max({r.left, a.x - a.xo, b.x - b.xo});
  r.top = std::max({r.top, a.y - a.yo, b.y - b.yo});
  r.right = std::min({r.right, a.x - a.xo + i_w - 1, b.x - b.xo + msk.i_w - 1});
  r.bottom = std::min({r.bottom, a.y - a.yo + i_h - 1, b.y - b.yo + msk.i_h - 1});
  for (int64_t px = r.left; px <= r.right; ++px) {
    const uint8_t* ca = &i_mask[static_cast<size_t>(px - a.x + a.xo) * static_cast<size_t>(i_h)];
    const uint8_t* cb = &msk.i_mask[static_cast<size_t>(px - b.x + b.xo) * static_cast<size_t>(msk.i_h)];
    for (int64_t py = r.top; py <= r.bottom; ++py)
      if (ca[py - a.y + a.yo] & cb[py - b.y + b.yo]) return true;
  }
  return false;
}

bool TMask::CollisionPoint(const RRect32&, int32_t x1, int32_t y1, int32_t xo1, int32_t yo1, double scalex,
                           double scaley, double angle, int32_t x, int32_t y) const {
  return RPlaced(*this, x1, y1, xo1, yo1, scalex, scaley, angle, IsPlain(scalex, scaley, angle)).Hit(x, y);
}

bool TMask::CollisionRectangle(const RRect32& bb1, int32_t x1, int32_t y1, int32_t xo1, int32_t yo1,
                               double scalex, double scaley, double angle, const RRect32& rr) const {
  const RPlaced p(*this, x1, y1, xo1, yo1, scalex, scaley, angle, IsPlain(scalex, scaley, angle));
  return ScanArea(p, Intersect(bb1, rr), [](int64_t, int64_t) { return true; });
}

bool TMask::CollisionEllipse(const RRect32& bb1, int32_t x1, int32_t y1, int32_t xo1, int32_t yo1,
                             double scalex, double scaley, double angle, const RRect32& rr) const {
  const double cx = (static_cast<double>(rr.left) + rr.right) / 2,
               rx = (static_cast<double>(rr.right) - rr.left) / 2;
  const double cy = (static_cast<double>(rr.top) + rr.bottom) / 2,
               ry = (static_cast<double>(rr.bottom) - rr.top) / 2;
  // A flat ellipse is its rectangle; dividing by a zero radius would decide nothing.
  if (rx == 0 || ry == 0) return CollisionRectangle(bb1, x1, y1, xo1, yo1, scalex, scaley, angle, rr);
  const RPlaced p(*this, x1, y1, xo1, yo1, scalex, scaley, angle, IsPlain(scalex, scaley, angle));
  return ScanArea(p, Intersect(bb1, rr), [&](int64_t px, int64_t py) {
    const double dx = (static_cast<double>(px) - cx) / rx, dy = (static_cast<double>(py) - cy) / ry;
    return dx * dx + dy * dy <= 1;
  });
}

bool TMask::CollisionLine(const RRect32& bb1, int32_t x1, int32_t y1, int32_t xo1, int32_t yo1, double scalex,
                          double scaley, double angle, int32_t xl, int32_t yl, int32_t xr, int32_t yr) const {
  if (xl > xr) {
    std::swap(xl, xr);
    std::swap(yl, yr);
  }
  if (xl == xr || yl == yr)
    return CollisionRectangle(bb1, x1, y1, xo1, yo1, scalex, scaley, angle,
                              {xl, std::min(yl, yr), xr, std::max(yl, yr)});
  if (i_w <= 0 || i_h <= 0) return false;
  // The line test walks real points, so it always maps the general way.
  const RPlaced p(*this, x1, y1, xo1, yo1, scalex, scaley, angle, false);
  const double dxl = xr - static_cast<double>(xl), dyl = yr - static_cast<double>(yl);
  if (std::fabs(dxl) < std::fabs(dyl)) {
    const bool down = yl < yr;
    const int64_t ymin = down ? yl : yr, ymax = down ? yr : yl;
    const double xa = down ? xl : xr, xb = down ? xr : xl;
    const int64_t from = std::max<int64_t>(bb1.top, ymin), to = std::min<int64_t>(bb1.bottom, ymax);
    for (int64_t y = from; y <= to; ++y) {
      const double x = xa + static_cast<double>(y - ymin) * (xb - xa) / static_cast<double>(ymax - ymin);
      if (p.General(x, static_cast<double>(y))) return true;
    }
    return false;
  }
  const int64_t from = std::max<int64_t>(bb1.left, xl), to = std::min<int64_t>(bb1.right, xr);
  for (int64_t x = from; x <= to; ++x) {
    const double y = yl + static_cast<double>(x - xl) * dyl / dxl;
    if (p.General(static_cast<double>(x), y)) return true;
  }
  return false;
}
