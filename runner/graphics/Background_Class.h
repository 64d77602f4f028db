// CBackground: a single-image resource used for room backgrounds, tiles and drawing, its
// loaders and its drawing operations.
#pragma once

#include <cstdint>
#include <string>

#include "runner/base/BM32_Bitmap.h"

class CStream;

inline constexpr int32_t kBackgroundRecordVersion = 710;

class CBackground {
 public:
  CBackground() = default;
  ~CBackground();
  CBackground(const CBackground&) = delete;
  CBackground& operator=(const CBackground&) = delete;

  void Clear();  // frees the pixels and the texture
  void Assign(const CBackground& back);

  // Background record; false on a wrong version. Damage throws StreamError. No texture yet.
  bool LoadFromStream(CStream& str);
  bool LoadFromFile(const std::string& fname, bool removeback, bool smooth);
  bool LoadFromBackgroundFile(const std::string& fname);
  // From a picture: a picture without any alpha becomes opaque, then as LoadFromFile.
  void CreateFromBitmap(const TBitmap32& bbb, bool removeback, bool smooth);
  void CreateColor(int32_t w, int32_t h, int32_t col);
  void CreateGradient(int32_t w, int32_t h, int32_t col1, int32_t col2, int32_t kind);
  void SetAlphaFromBackground(const CBackground& back);

  void InitTexture();
  void FreeTexture();
  int32_t GetTexture() const { return i_tex; }

  int32_t GetWidth() const { return i_bitmap.Width(); }
  int32_t GetHeight() const { return i_bitmap.Height(); }

  // Drawing; angles in degrees, colours game colours, alpha 0..1.
  void DrawSimple(double x, double y) const;
  void Draw(double x, double y, double xscale, double yscale, double angle, int32_t color, double alpha) const;
  void DrawStretched(double x, double y, double w, double h, int32_t color, double alpha) const;
  void DrawPart(double xo, double yo, double w, double h, double x, double y, double xscale, double yscale,
                int32_t color, double alpha) const;
  void DrawGeneral(double xo, double yo, double w, double h, double x, double y, double xscale, double yscale,
                   double angle, int32_t c1, int32_t c2, int32_t c3, int32_t c4, double alpha) const;
  void DrawTiled(double x, double y, double xscale, double yscale, bool htiled, bool vtiled, double xr, double yr,
                 double wr, double hr, int32_t color, double alpha) const;

  TBitmap32 i_bitmap;
  int32_t i_tex = -1;
};
