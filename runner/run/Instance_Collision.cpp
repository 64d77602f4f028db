// CInstance: collision tests against points, rectangles, ellipses, lines and other instances.
// Each rejects by the bounding box first and only then asks the graphics for the mask of the
// sprite that decides the instance's shape.
#include <algorithm>
#include <cmath>

#include "runner/run/Instance_Class.h"
#include "runner/run/Run_Hooks.h"

namespace {

int32_t R(double v) {
  return RoundToInt32(v);
}

// The box overlap all shape tests start from, in reals: a box side may be the 32-bit limit.
bool Overlaps(const RBoundingBox& b, double minx, double miny, double maxx, double maxy) {
  return minx < b.right + 1.0 && maxx >= b.left && miny < b.bottom + 1.0 && maxy >= b.top;
}

bool InEllipse(double px, double py, double cx, double cy, double rx, double ry) {
  const double dx = (px - cx) / rx, dy = (py - cy) / ry;
  return dx * dx + dy * dy <= 1;
}

}  // namespace

bool CInstance::Collision_Point(double x, double y, bool prec) const {
  if (i_marked) return false;
  if (!(i_bbox.left <= x && x < i_bbox.right + 1.0 && i_bbox.top <= y && y < i_bbox.bottom + 1.0))
    return false;
  if (!prec) return true;
  // The pixel holding the point, as the box test has it: rounding would test the next pixel for
  // points in the right or lower half of a pixel, which the box test let through.
  const RInstanceMasks& m = RunLookups().masks;
  return m.point && m.point(*this, R(std::floor(x)), R(std::floor(y)));
}

bool CInstance::Collision_Rectangle(double x1, double y1, double x2, double y2, bool prec) const {
  if (i_marked) return false;
  const double minx = std::min(x1, x2), maxx = std::max(x1, x2), miny = std::min(y1, y2),
               maxy = std::max(y1, y2);
  if (!Overlaps(i_bbox, minx, miny, maxx, maxy)) return false;
  if (!prec) return true;
  const RInstanceMasks& m = RunLookups().masks;
  return m.rectangle && m.rectangle(*this, R(minx), R(miny), R(maxx), R(maxy));
}

bool CInstance::Collision_Ellipse(double x1, double y1, double x2, double y2, bool prec) const {
  if (i_marked) return false;
  const double minx = std::min(x1, x2), maxx = std::max(x1, x2), miny = std::min(y1, y2),
               maxy = std::max(y1, y2);
  if (!Overlaps(i_bbox, minx, miny, maxx, maxy)) return false;
  struct {
    int32_t left, top, right, bottom;
  } const rr{R(minx), R(miny), R(maxx), R(maxy)};
  if (rr.left == rr.right || rr.top == rr.bottom) return Collision_Rectangle(x1, y1, x2, y2, prec);
  const double cx = (static_cast<double>(rr.left) + rr.right) / 2,
               rx = (static_cast<double>(rr.right) - rr.left) / 2;
  const double cy = (static_cast<double>(rr.top) + rr.bottom) / 2,
               ry = (static_cast<double>(rr.bottom) - rr.top) / 2;
  const RBoundingBox& b = i_bbox;
  // Beside the box diagonally: only a box corner inside the ellipse can still touch.
  if ((cx < b.left || cx > b.right) && (cy < b.top || cy > b.bottom) &&
      !InEllipse(b.left, b.top, cx, cy, rx, ry) && !InEllipse(b.right, b.top, cx, cy, rx, ry) &&
      !InEllipse(b.left, b.bottom, cx, cy, rx, ry) && !InEllipse(b.right, b.bottom, cx, cy, rx, ry))
    return false;
  if (!prec) return true;
  const RInstanceMasks& m = RunLookups().masks;
  return m.ellipse && m.ellipse(*this, rr.left, rr.top, rr.right, rr.bottom);
}

bool CInstance::Collision_Line(double x1, double y1, double x2, double y2, bool prec) const {
  if (i_marked) return false;
  if (!Overlaps(i_bbox, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2))) return false;
  if (x1 > x2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  // Clip the piece to the box's columns, moving the ends along the line.
  const double left = i_bbox.left, right = i_bbox.right + 1.0;
  double xl = x1, yl = y1, xr = x2, yr = y2;
  if (x2 != x1) {
    const double slope = (y2 - y1) / (x2 - x1);
    if (xl < left) {
      yl = y1 + (left - x1) * slope;
      xl = left;
    }
    if (xr > right) {
      yr = y1 + (right - x1) * slope;
      xr = right;
    }
  }
  if ((yl < i_bbox.top && yr < i_bbox.top) || (yl >= i_bbox.bottom + 1.0 && yr >= i_bbox.bottom + 1.0))
    return false;
  if (!prec) return true;
  const RInstanceMasks& m = RunLookups().masks;
  return m.line && m.line(*this, R(xl), R(yl), R(xr), R(yr));
}

bool CInstance::Collision_Instance(const CInstance* inst, bool prec) const {
  if (!inst || inst == this || i_marked || inst->i_marked) return false;
  const RBoundingBox &a = i_bbox, &b = inst->i_bbox;
  if (a.left >= b.right + 1.0 || b.left >= a.right + 1.0 || a.top >= b.bottom + 1.0 ||
      b.top >= a.bottom + 1.0)
    return false;
  if (!prec) return true;
  const RInstanceMasks& m = RunLookups().masks;
  return m.instance && m.instance(*this, *inst);
}
