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
