// The 32-bit bitmap behind every image of the runner: width, height and the pixels, row-major,
// top row first, no padding. A pixel is 0xAARRGGBB (bytes b, g, r, a in memory); alpha 0 is fully
// transparent, 255 fully opaque; colours are not premultiplied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CStream;

class TBitmap32 {
 public:
  // Largest pixel count a decoder accepts (width × height).
  static constexpr int64_t kMaxPixels = int64_t{1} << 28;

  TBitmap32() = default;
  TBitmap32(int32_t w, int32_t h, uint32_t col = 0) { Resize(w, h, col); }

  int32_t Width() const { return s_w; }
  int32_t Height() const { return s_h; }
  bool Empty() const { return s_w <= 0 || s_h <= 0; }
  const std::vector<uint32_t>& Pixels() const { return s_data; }
  std::vector<uint32_t>& Pixels() { return s_data; }

  // Frees the pixels: size 0 × 0.
  void Clear();
  // Replaces the pixels by w × h pixels of col; a size ≤ 0 (or above kMaxPixels) clears.
  void Resize(int32_t w, int32_t h, uint32_t col = 0);

  // The pixel, or 0 (transparent black) outside the bitmap.
  uint32_t GetPixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, uint32_t col);  // ignored outside the bitmap

  // Resamples to the new size, quality × quality sub-samples per pixel (below 1 counts as 1);
  // fully transparent sub-samples add nothing, so with quality 1 they become transparent black.
  // Nothing when a size is ≤ 0 or unchanged.
  void Stretch(int32_t neww, int32_t newh, int32_t quality);
  void Fill(uint32_t col);
  // Copies the wo × ho rectangle at (xo, yo) of bm to (x, y), alpha included, clipped on both.
  void DrawPart(int32_t x, int32_t y, const TBitmap32& bm, int32_t xo, int32_t yo, int32_t wo, int32_t ho);
  void Draw(int32_t x, int32_t y, const TBitmap32& bm) { DrawPart(x, y, bm, 0, 0, bm.s_w, bm.s_h); }
  // The smallest box holding every pixel with alpha > tolerance; without such pixels the
  // inverted start box (width - 1, height - 1, 0, 0).
  void BoundingBox(int32_t tolerance, int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) const;

  // What the resource loaders do to fresh images.
  // Pixels within tolerance (each of r, g, b) of the bottom-left pixel become it with alpha 0.
  void RemoveBackground(int32_t tolerance);
  // Each fully transparent pixel lowers by 32 the alpha of its 3 × 3 neighbours that have at
  // least 32, row by row, so earlier changes are seen by later pixels.
  void SmoothEdges();
  // Fully transparent pixels take the colour of their first non-transparent neighbour (left,
  // right, above, below), so interpolated drawing shows no dark fringe.
  void BleedColors();
  void MakeOpaque();
  // Over the overlapping area, alpha = (r + g + b) div 3 of src.
  void AlphaFrom(const TBitmap32& src);
  // An opaque w × h gradient from game colour col1 to col2; kind 0..11 as the editor offers
  // them, any other kind a plain col1 fill. Sizes below 1 count as 1.
  static TBitmap32 Gradient(int32_t w, int32_t h, int32_t col1, int32_t col2, int32_t kind);
  // A game colour 0x00BBGGRR as a pixel with the given alpha.
  static uint32_t FromGameColor(int32_t col, uint8_t alpha = 255);

  // Decodes a BMP file (file header included): 1-, 4- and 8-bit paletted, 16-, 24- and 32-bit,
  // uncompressed or with bit-field masks, bottom-up or top-down. Images without alpha, and
  // 32-bit images whose alpha bytes are all 0, come out opaque. On failure returns false and
  // leaves the bitmap unchanged.
  bool LoadFromBMP(const uint8_t* data, size_t size);
  // A BMP file: 32 bits per pixel (b, g, r, a), uncompressed, bottom-up.
  std::vector<uint8_t> SaveToBMP() const;

  // Decodes PNG, BMP, JPEG, GIF (first frame) or TIFF, chosen by the extension (".png"...) or,
  // when that does not match the content, by the first bytes. A picture whose alpha is 0
  // everywhere comes out opaque. On failure returns false and leaves the bitmap unchanged.
  bool DecodeImage(const std::vector<uint8_t>& data, const std::string& extension);
  // False when the file does not exist or cannot be decoded.
  bool LoadFromImageFile(const std::string& fname);
  // A PNG file (RGBA, 8 bits per channel, one IDAT chunk); empty when compression fails.
  std::vector<uint8_t> SaveToPNG() const;
  bool SaveToImageFile(const std::string& fname) const;  // PNG; false when writing fails

  // Record: version 800, width, height, then (when width × height > 0) a plain block of the
  // pixels. Another version gives false and leaves the bitmap as it was; so does damage.
  bool LoadFromStream(CStream& str);
  void SaveToStream(CStream& str) const;

 private:
  int32_t s_w = 0;
  int32_t s_h = 0;
  std::vector<uint32_t> s_data;
};

// Every image of an animated GIF with its place on the logical screen: pixels of the
// transparent colour have alpha 0, all others 255; keep is set when the image's control
// extension asks for no disposal.
struct RGifImage {
  int32_t left = 0, top = 0;
  bool keep = false;
  TBitmap32 image;
};
// False on damage, without images, or when the canvas copies of all images together would
// exceed TBitmap32::kMaxPixels.
bool DecodeGifImages(const std::vector<uint8_t>& data, int32_t& width, int32_t& height, std::vector<RGifImage>& images);
