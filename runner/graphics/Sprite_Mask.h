// TMask: the boolean collision mask of one sprite image (or of several merged), built from the
// image's alpha with a bounding-box mode, a shape and a tolerance; its stream form; and the five
// tests (mask, point, rectangle, ellipse, line) with the instance's position, origin, scales
// and angle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CStream;
class TBitmap32;

// Inclusive rectangle in pixels.
struct RRect32 {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const RRect32&) const = default;
};

inline constexpr int32_t kMaskVersion = 800;

// Shapes and bounding-box modes.
enum EMaskKind : int32_t { kMaskPrecise = 0, kMaskRectangle = 1, kMaskEllipse = 2, kMaskDiamond = 3 };
enum EBBoxMode : int32_t { kBBoxAutomatic = 0, kBBoxFull = 1, kBBoxManual = 2 };

class TMask {
 public:
  TMask() = default;
  // Builds the mask of bm; an empty bm gives an empty mask.
  TMask(const TBitmap32& bm, int32_t bbmode, const RRect32& bbox, int32_t kind, int32_t tolerance);

  // Adds another image (shared masks): the box becomes the union of both.
  void Merge(const TBitmap32& bm, int32_t bbmode, const RRect32& bbox, int32_t kind, int32_t tolerance);

  // Stream form: version, width, height, left, right, bottom, top, then height rows of width
  // booleans. False on a wrong version (the mask is then empty); damage throws StreamError.
  bool LoadFromStream(CStream& str);
  void SaveToStream(CStream& str) const;

  bool Bit(int32_t x, int32_t y) const {  // false outside the mask
    return x >= 0 && y >= 0 && x < i_w && y < i_h && i_mask[static_cast<size_t>(x) * i_h + y] != 0;
  }

  // The tests; coordinates in room pixels, (x1, y1) the rounded instance position, (xo1, yo1)
  // the sprite origin, angles in degrees; bb1 and bb2 the instances' bounding boxes.
  bool CollisionMask(const RRect32& bb1, int32_t x1, int32_t y1, int32_t xo1, int32_t yo1, double scale1x,
                     double scale1y, double angle1, const TMask& msk, const RRect32& bb2, int32_t x2, int32_t y2,
                     int32_t xo2, int32_t yo2, double scale2x, double scale2y, double angle2) const;
  bool CollisionPoint(const RRect32& bb1, int32_t x1, int32_t y1, int32_t xo1, int32_t yo1, double scalex,
                      double scaley, double angle, int32_t x, int32_t y) const;
  bool CollisionRectangle(const RRect32& bb1, int32_t x1, int32_t y1, int32_t xo1, int32_t yo1, double scalex,
                          double scaley, double angle, const RRect32& rr) const;
  bool CollisionEllipse(const RRect32& bb1, int32_t x1, int32_t y1, int32_t xo1, int32_t yo1, double scalex,
                        double scaley, double angle, const RRect32& rr) const;
  bool CollisionLine(const RRect32& bb1, int32_t x1, int32_t y1, int32_t xo1, int32_t yo1, double scalex,
                     double scaley, double angle, int32_t xl, int32_t yl, int32_t xr, int32_t yr) const;

  int32_t i_w = 0, i_h = 0;
  // Column-major bytes: i_mask[x * i_h + y] is the bit at (x, y), so a column is contiguous.
  std::vector<uint8_t> i_mask;
  RRect32 i_bbox;
};
