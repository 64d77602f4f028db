#include "runner/base/BM32_Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(v >> (8 * k)));
}

// A BMP file with a 40-byte info header; `extra` (masks or palette) sits between the header
// and the pixel rows, which are given already padded.
Bytes MakeBmp(int32_t w, int32_t h, uint16_t bpp, uint32_t compression, const Bytes& extra, const Bytes& rows,
              uint32_t colorsUsed = 0) {
  Bytes b = {'B', 'M'};
  const uint32_t off = 14 + 40 + static_cast<uint32_t>(extra.size());
  Put32(b, off + static_cast<uint32_t>(rows.size()));
  Put32(b, 0);
  Put32(b, off);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(w));
  Put32(b, static_cast<uint32_t>(h));
  Put16(b, 1);
  Put16(b, bpp);
  Put32(b, compression);
  Put32(b, static_cast<uint32_t>(rows.size()));
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, colorsUsed);
  Put32(b, 0);
  b.insert(b.end(), extra.begin(), extra.end());
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

}  // namespace

TEST(Bitmap32, CreateClearAndPixels) {
  TBitmap32 bm(2, 3, 0x11223344);
  EXPECT_EQ(bm.Width(), 2);
  EXPECT_EQ(bm.Height(), 3);
  EXPECT_EQ(bm.GetPixel(1, 2), 0x11223344u);
  EXPECT_EQ(bm.GetPixel(2, 0), 0u);
  EXPECT_EQ(bm.GetPixel(-1, 0), 0u);
  bm.SetPixel(5, 5, 1);  // ignored
  bm.Clear();
  EXPECT_TRUE(bm.Empty());
  EXPECT_EQ(bm.Width(), 0);
  bm.Resize(-1, 4);
  EXPECT_TRUE(bm.Empty());
}

TEST(Bitmap32, SaveAndLoadRoundTrip) {
  TBitmap32 bm(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) bm.SetPixel(x, y, 0x01000000u * (x * 50 + y + 1) + 0x010203u * (x + 7 * y));
  const Bytes file = bm.SaveToBMP();
  ASSERT_EQ(file.size(), 14u + 40 + 5 * 3 * 4);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[28], 32) << "32 bits per pixel";
  // Bottom-up: the first stored pixel is the bottom-left one, stored b, g, r, a.
  uint32_t first;
  std::memcpy(&first, file.data() + 54, 4);
  EXPECT_EQ(first, bm.GetPixel(0, 2));

  TBitmap32 back;
  ASSERT_TRUE(back.LoadFromBMP(file.data(), file.size()));
  EXPECT_EQ(back.Width(), 5);
  EXPECT_EQ(back.Height(), 3);
  EXPECT_EQ(back.Pixels(), bm.Pixels());
}

TEST(Bitmap32, Reads24BitBottomUpWithPadding) {
  // 3 × 2: rows of 9 bytes padded to 12; stored bottom row first.
  Bytes rows = {
      0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xEE, 0xEE, 0xEE,  // bottom: red green blue
      0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xEE, 0xEE, 0xEE,  // top
  };
  const Bytes file = MakeBmp(3, 2, 24, 0, {}, rows);
  TBitmap32 bm;
  ASSERT_TRUE(bm.LoadFromBMP(file.data(), file.size()));
  EXPECT_EQ(bm.GetPixel(0, 1), 0xFFFF0000u);
  EXPECT_EQ(bm.GetPixel(1, 1), 0xFF00FF00u);
  EXPECT_EQ(bm.GetPixel(2, 1), 0xFF0000FFu);
  EXPECT_EQ(bm.GetPixel(0, 0), 0xFF302010u);
  EXPECT_EQ(bm.GetPixel(2, 0), 0xFF908070u);
}

TEST(Bitmap32, Reads32BitTopDownAndMakesZeroAlphaOpaque) {
  Bytes rows;
  Put32(rows, 0x00112233);  // top row
  Put32(rows, 0x00445566);  // bottom row
  const Bytes file = MakeBmp(1, -2, 32, 0, {}, rows);
  TBitmap32 bm;
  ASSERT_TRUE(bm.LoadFromBMP(file.data(), file.size()));
  EXPECT_EQ(bm.GetPixel(0, 0), 0xFF112233u);
  EXPECT_EQ(bm.GetPixel(0, 1), 0xFF445566u);

  Bytes withAlpha;
  Put32(withAlpha, 0x80112233);
  Put32(withAlpha, 0x00445566);
  const Bytes file2 = MakeBmp(1, -2, 32, 0, {}, withAlpha);
  ASSERT_TRUE(bm.LoadFromBMP(file2.data(), file2.size()));
  EXPECT_EQ(bm.GetPixel(0, 0), 0x80112233u);
  EXPECT_EQ(bm.GetPixel(0, 1), 0x00445566u) << "alpha kept as stored once any pixel has some";
}

TEST(Bitmap32, ReadsPalettedImages) {
  Bytes palette;
  Put32(palette, 0x00000000);
  Put32(palette, 0x00FF8000);
  Put32(palette, 0x000000FF);
  // 8-bit, 3 × 1, a 3-colour palette; index 7 is past the palette and reads as opaque black.
  const Bytes file8 = MakeBmp(3, 1, 8, 0, palette, {1, 2, 7, 0}, 3);
  TBitmap32 bm;
  ASSERT_TRUE(bm.LoadFromBMP(file8.data(), file8.size()));
  EXPECT_EQ(bm.GetPixel(0, 0), 0xFFFF8000u);
  EXPECT_EQ(bm.GetPixel(1, 0), 0xFF0000FFu);
  EXPECT_EQ(bm.GetPixel(2, 0), 0xFF000000u);

  // 1-bit, 10 × 1: bits 1010000011 left to right.
  Bytes two(palette.begin(), palette.begin() + 8);
  const Bytes file1 = MakeBmp(10, 1, 1, 0, two, {0xA0, 0xC0, 0, 0}, 2);
  ASSERT_TRUE(bm.LoadFromBMP(file1.data(), file1.size()));
  const uint32_t on = 0xFFFF8000u, off = 0xFF000000u;
  const uint32_t expect[10] = {on, off, on, off, off, off, off, off, on, on};
  for (int x = 0; x < 10; ++x) EXPECT_EQ(bm.GetPixel(x, 0), expect[x]) << x;

  // 4-bit, 3 × 1.
  const Bytes file4 = MakeBmp(3, 1, 4, 0, palette, {0x12, 0x00, 0, 0}, 3);
  ASSERT_TRUE(bm.LoadFromBMP(file4.data(), file4.size()));
  EXPECT_EQ(bm.GetPixel(0, 0), 0xFFFF8000u);
  EXPECT_EQ(bm.GetPixel(1, 0), 0xFF0000FFu);
  EXPECT_EQ(bm.GetPixel(2, 0), 0xFF000000u);
}

TEST(Bitmap32, Reads16BitBitfields) {
  Bytes masks;
  Put32(masks, 0xF800);
  Put32(masks, 0x07E0);
  Put32(masks, 0x001F);
  Bytes rows;
  Put16(rows, 0xF800);
  Put16(rows, 0x07FF);
  const Bytes file = MakeBmp(2, 1, 16, 3, masks, rows);
  TBitmap32 bm;
  ASSERT_TRUE(bm.LoadFromBMP(file.data(), file.size()));
  EXPECT_EQ(bm.GetPixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(bm.GetPixel(1, 0), 0xFF00FFFFu);
}

TEST(Bitmap32, RejectsDamagedOrAbsurdFiles) {
  TBitmap32 keep(1, 1, 0xDEADBEEF);
  const Bytes good = MakeBmp(2, 2, 32, 0, {}, Bytes(16, 0x7F));
  ASSERT_TRUE(TBitmap32().LoadFromBMP(good.data(), good.size()));

  auto with32 = [&](size_t at, uint32_t v) {
    Bytes b = good;
    std::memcpy(b.data() + at, &v, 4);
    return b;
  };
  const Bytes cases[] = {
      Bytes(good.begin(), good.end() - 1),     // pixels cut short
      Bytes(good.begin(), good.begin() + 20),  // header cut short
      with32(10, 0xFFFFFFF0),                  // pixel offset past the end
      with32(10, 4000),
      with32(14, 0xFFFFFFFF),  // info header size past the end
      with32(14, 20),          // unknown info header size
      with32(18, 0),           // width 0
      with32(18, 0x80000000),  // negative width
      with32(22, 0),           // height 0
      with32(22, 0x80000000),  // most negative height
      with32(18, 1 << 15) /* 32768 × 2: fits the cap but not the data */,
      with32(30, 1),                               // run-length compression
      with32(30, 77),                              // unknown compression
      MakeBmp(1 << 15, 1 << 14, 32, 0, {}, {}),    // 2^29 pixels: over the cap
      MakeBmp(2, 2, 7, 0, {}, Bytes(16, 0)),       // odd bit depth
      MakeBmp(1, 1, 24, 3, {}, Bytes(4, 0)),       // bit fields need 16 or 32 bits
      MakeBmp(1, 1, 8, 0, {}, {0, 0, 0, 0}, 200),  // palette past the end
  };
  int k = 0;
  for (const Bytes& b : cases) {
    EXPECT_FALSE(keep.LoadFromBMP(b.data(), b.size())) << "case " << k;
    EXPECT_EQ(keep.GetPixel(0, 0), 0xDEADBEEFu) << "case " << k;
    ++k;
  }
  Bytes notBmp = good;
  notBmp[0] = 'X';
  EXPECT_FALSE(keep.LoadFromBMP(notBmp.data(), notBmp.size()));
  EXPECT_FALSE(keep.LoadFromBMP(nullptr, 0));
}
