// CSprite: an animated image resource (frames, origin, collision masks and bounding box, one
// texture per frame), its loaders and the drawing operations every other part draws sprites
// through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runner/base/BM32_Bitmap.h"
#include "runner/graphics/Sprite_Mask.h"

class CStream;

inline constexpr int32_t kSpriteRecordVersion = 800;
inline constexpr int32_t kSpriteFileMagic = 1234321;

class CSprite {
 public:
  CSprite() = default;
  ~CSprite();
  CSprite(const CSprite&) = delete;
  CSprite& operator=(const CSprite&) = delete;

  // Frees frames, textures and masks: origin 0, box (0, 0, 0, 0), no separate masks.
  void Clear();
  // Deep copy, then textures.
  void Assign(const CSprite& spr);

  // Sprite record of the game data; false on a wrong version (the sprite stays empty).
  // Damage throws StreamError. Textures are made later.
  bool LoadFromStream(CStream& str);
  bool LoadFromFile(const std::string& fname, int32_t imgnumb, bool removeback, bool smooth, int32_t xo,
                    int32_t yo);
  bool LoadStripFromFile(const std::string& fname, int32_t imgnumb, bool removeback, bool smooth);
  bool LoadGifFromFile(const std::string& fname, bool removeback, bool smooth);
  bool LoadFromSpriteFile(const std::string& fname);
  // One frame from a picture: removeback 1 removes the background (then smooths when asked
  // and bleeds), -1 makes it opaque, 2 keeps the alpha as it is; otherwise a picture without
  // any alpha becomes opaque. Then textures and masks.
  void CreateFromBitmap(const TBitmap32& bbb, int32_t removeback, bool smooth, int32_t xo, int32_t yo);
  // Appends a frame (alpha as it is), prepared as asked and stretched to the sprite's size.
  void AddFromBitmap(const TBitmap32& bbb, bool removeback, bool smooth);
  void AddFromSprite(const CSprite& spr);
  void SetAlphaFromSprite(const CSprite& spr);

  void ComputeMask(bool sepmasks, int32_t bbmode, const RRect32& bbox, int32_t kind, int32_t tolerance);
  void ComputeBoundingBox();
  void FreeMask();

  void InitTexture();
  void FreeTexture();
  int32_t GetTexture(int32_t ind) const;  // ind reduced to a frame; -1 without frames

  // A copy of frame ind (no wrapping); empty outside 0 .. i_numb - 1.
  TBitmap32 GetBitmap(int32_t ind) const;
  // The alpha box (tolerance 0) of frame ind; (0, 0, 0, 0) outside the range.
  RRect32 GetBoundingBoxImg(int32_t ind) const;

  int32_t GetWidth() const;  // frame 0's, or 1
  int32_t GetHeight() const;
  // ind reduced into 0 .. i_numb - 1 (negative values wrap); 0 without frames.
  int32_t Frame(int32_t ind) const;

  // Drawing; angles in degrees, colours game colours, alpha 0..1; nothing without frames.
  void DrawSimple(int32_t ind, double x, double y) const;
  void Draw(int32_t ind, double x, double y, double xscale, double yscale, double angle, int32_t color,
            double alpha) const;
  void DrawStretched(int32_t ind, double x, double y, double w, double h, int32_t color, double alpha) const;
  void DrawPart(int32_t ind, double xo, double yo, double w, double h, double x, double y, double xscale,
                double yscale, int32_t color, double alpha) const;
  void DrawGeneral(int32_t ind, double xo, double yo, double w, double h, double x, double y, double xscale,
                   double yscale, double angle, int32_t c1, int32_t c2, int32_t c3, int32_t c4, double alpha) const;
  void DrawTiled(int32_t ind, double x, double y, double xscale, double yscale, bool htiled, bool vtiled, double xr,
                 double yr, double wr, double hr, int32_t color, double alpha) const;

  // Collisions with the mask of a sub-image (img reduced as Frame); a sprite without frames
  // never collides.
  bool CheckCollision(int32_t img1, const RRect32& bb1, int32_t x1, int32_t y1, double scale1x, double scale1y,
                      double angle1, const CSprite& spr, int32_t img2, const RRect32& bb2, int32_t x2, int32_t y2,
                      double scale2x, double scale2y, double angle2) const;
  bool CheckCollisionPoint(int32_t img1, const RRect32& bb1, int32_t x1, int32_t y1, double scalex, double scaley,
                           double angle, int32_t x, int32_t y) const;
  bool CheckCollisionRectangle(int32_t img1, const RRect32& bb1, int32_t x1, int32_t y1, double scalex,
                               double scaley, double angle, const RRect32& rr) const;
  bool CheckCollisionEllipse(int32_t img1, const RRect32& bb1, int32_t x1, int32_t y1, double scalex,
                             double scaley, double angle, const RRect32& rr) const;
  bool CheckCollisionLine(int32_t img1, const RRect32& bb1, int32_t x1, int32_t y1, double scalex, double scaley,
                          double angle, int32_t xl, int32_t yl, int32_t xr, int32_t yr) const;
  // The mask a sub-image uses; null without frames or masks.
  const TMask* MaskFor(int32_t img) const;

  int32_t i_numb = 0;
  std::vector<TBitmap32> i_bitmap;
  int32_t i_xorig = 0, i_yorig = 0;
  RRect32 i_bbox;
  std::vector<TMask> i_mask;
  bool i_sepmasks = false;
  std::vector<int32_t> i_tex;
};
