// CSprite: collisions through the mask of a sub-image, with the sprite's origin.
#include "runner/graphics/Sprite_Class.h"

bool CSprite::CheckCollision(int32_t img1, const RRect32& bb1, int32_t x1, int32_t y1, double scale1x,
                             double scale1y, double angle1, const CSprite& spr, int32_t img2,
                             const RRect32& bb2, int32_t x2, int32_t y2, double scale2x, double scale2y,
                             double angle2) const {
  const TMask* m1 = MaskFor(img1);
  const TMask* m2 = spr.MaskFor(img2);
  if (!m1 || !m2) return false;
  return m1->CollisionMask(bb1, x1, y1, i_xorig, i_yorig, scale1x, scale1y, angle1, *m2, bb2, x2, y2,
                           spr.i_xorig, spr.i_yorig, scale2x, scale2y, angle2);
}

bool CSprite::CheckCollisionPoint(int32_t img1, const RRect32& bb1, int32_t x1, int32_t y1, double scalex,
                                  double scaley, double angle, int32_t x, int32_t y) const {
  const TMask* m = MaskFor(img1);
  return m && m->CollisionPoint(bb1, x1, y1, i_xorig, i_yorig, scalex, scaley, angle, x, y);
}

bool CSprite::CheckCollisionRectangle(int32_t img1, const RRect32& bb1, int32_t x1, int32_t y1, double scalex,
                                      double scaley, double angle, const RRect32& rr) const {
  const TMask* m = MaskFor(img1);
  return m && m->CollisionRectangle(bb1, x1, y1, i_xorig, i_yorig, scalex, scaley, angle, rr);
}

bool CSprite::CheckCollisionEllipse(int32_t img1, const RRect32& bb1, int32_t x1, int32_t y1, double scalex,
                                    double scaley, double angle, const RRect32& rr) const {
  const TMask* m = MaskFor(img1);
  return m && m->CollisionEllipse(bb1, x1, y1, i_xorig, i_yorig, scalex, scaley, angle, rr);
}

bool CSprite::CheckCollisionLine(int32_t img1, const RRect32& bb1, int32_t x1, int32_t y1, double scalex,
                                 double scaley, double angle, int32_t xl, int32_t yl, int32_t xr,
                                 int32_t yr) const {
  const TMask* m = MaskFor(img1);
  return m && m->CollisionLine(bb1, x1, y1, i_xorig, i_yorig, scalex, scaley, angle, xl, yl, xr, yr);
}
