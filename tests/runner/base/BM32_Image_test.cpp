// Image files: every decoder on a small picture made here with its own library, the PNG
// writer's round trip, the no-alpha rule, damaged files, and the bitmap stream record.
#include <cstdio>  // jpeglib.h needs FILE

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <tiffio.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "runner/base/BM32_Bitmap.h"
#include "runner/base/Support_Stream.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("bm32_image_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path dir_;
};

// 2 × 2: red, green / blue, white; grey JPEG blocks would blur it, so JPEG is checked loosely.
Bytes Jpeg() {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buf, &size);
  c.image_width = 8;
  c.image_height = 8;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  jpeg_start_compress(&c, TRUE);
  uint8_t row[8 * 3];
  for (int i = 0; i < 8; ++i) row[i * 3] = 200, row[i * 3 + 1] = 40, row[i * 3 + 2] = 40;
  while (c.next_scanline < 8) {
    JSAMPROW r = row;
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes out(buf, buf + size);
  free(buf);
  return out;
}

void Gif(const fs::path& p) {
  int err = 0;
  GifFileType* g = EGifOpenFileName(p.c_str(), false, &err);
  ASSERT_TRUE(g);
  GifColorType colors[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  ColorMapObject* map = GifMakeMapObject(4, colors);
  EGifPutScreenDesc(g, 3, 1, 2, 0, map);
  GraphicsControlBlock gcb{};
  gcb.TransparentColor = 3;
  GifByteType ext[4];
  const size_t n = EGifGCBToExtension(&gcb, ext);
  EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext);
  EGifPutImageDesc(g, 0, 0, 3, 1, false, nullptr);
  GifPixelType line[3] = {0, 2, 3};
  EGifPutLine(g, line, 3);
  EGifCloseFile(g, &err);
  GifFreeMapObject(map);
}

void Tiff(const fs::path& p) {
  TIFF* t = TIFFOpen(p.c_str(), "w");
  ASSERT_TRUE(t);
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 2);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  uint8_t row[6] = {255, 0, 0, 0, 0, 255};
  TIFFWriteScanline(t, row, 0, 0);
  TIFFClose(t);
}

TEST_F(ImageTest, DecodersByFormat) {
  {
    std::ofstream(dir_ / "a.jpg", std::ios::binary).write(reinterpret_cast<const char*>(Jpeg().data()),
                                                          static_cast<std::streamsize>(Jpeg().size()));
    TBitmap32 bm;
    ASSERT_TRUE(bm.LoadFromImageFile((dir_ / "a.jpg").string()));
    EXPECT_EQ(bm.Width(), 8);
    const uint32_t p = bm.GetPixel(3, 3);
    EXPECT_EQ(p >> 24, 0xFFu);
    EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 200, 3);
    EXPECT_NEAR(static_cast<int>(p & 0xFF), 40, 3);
  }
  {
    Gif(dir_ / "b.gif");
    TBitmap32 bm;
    ASSERT_TRUE(bm.LoadFromImageFile((dir_ / "b.gif").string()));
    EXPECT_EQ(bm.Width(), 3);
    EXPECT_EQ(bm.GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(bm.GetPixel(1, 0), 0xFF0000FFu);
    EXPECT_EQ(bm.GetPixel(2, 0) >> 24, 0u);  // the transparent index
  }
  {
    Tiff(dir_ / "c.tif");
    TBitmap32 bm;
    ASSERT_TRUE(bm.LoadFromImageFile((dir_ / "c.tif").string()));
    EXPECT_EQ(bm.GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(bm.GetPixel(1, 0), 0xFF0000FFu);
  }
}

TEST_F(ImageTest, PngRoundTripKeepsAlpha) {
  TBitmap32 bm(3, 2);
  bm.SetPixel(0, 0, 0x80FF0000);
  bm.SetPixel(2, 1, 0xFF00FF00);
  bm.SetPixel(1, 1, 0x00ABCDEF);  // transparent keeps its colour
  const std::string path = (dir_ / "r.png").string();
  ASSERT_TRUE(bm.SaveToImageFile(path));
  const Bytes file = ReadFile(path);
  // Signature, then IHDR with RGBA 8-bit; the file ends with the fixed IEND chunk.
  ASSERT_GE(file.size(), 33u);
  EXPECT_EQ(file[1], 'P');
  EXPECT_EQ(file[24], 8);
  EXPECT_EQ(file[25], 6);
  EXPECT_EQ(Bytes(file.end() - 4, file.end()), (Bytes{0xAE, 0x42, 0x60, 0x82}));
  TBitmap32 back;
  ASSERT_TRUE(back.LoadFromImageFile(path));
  EXPECT_EQ(back.Pixels(), bm.Pixels());
}

TEST_F(ImageTest, NoAlphaMeansOpaque) {
  TBitmap32 bm(2, 2, 0x00123456);  // alpha 0 everywhere
  const std::string path = (dir_ / "o.png").string();
  ASSERT_TRUE(bm.SaveToImageFile(path));
  TBitmap32 back;
  ASSERT_TRUE(back.LoadFromImageFile(path));
  EXPECT_EQ(back.GetPixel(1, 1), 0xFF123456u);
}

TEST_F(ImageTest, MissingAndDamagedFilesFail) {
  TBitmap32 good(4, 4, 0xFF00FF00);
  const Bytes png = good.SaveToPNG();
  const Bytes jpeg = Jpeg();
  struct Case {
    const char* name;
    Bytes data;
  };
  const Case cases[] = {
      {"cut.png", Bytes(png.begin(), png.begin() + static_cast<long>(png.size() / 2))},
      {"cut.jpg", Bytes(jpeg.begin(), jpeg.begin() + 40)},
      {"head.gif", Bytes{'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF}},
      {"head.tif", Bytes{'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0}},
      {"noise.bmp", Bytes{'B', 'M', 1, 2, 3}},
      {"text.png", Bytes{'h', 'e', 'l', 'l', 'o'}},
      {"empty.png", Bytes{}},
  };
  TBitmap32 bm(1, 1, 7);
  for (const Case& c : cases) {
    std::ofstream(dir_ / c.name, std::ios::binary)
        .write(reinterpret_cast<const char*>(c.data.data()), static_cast<std::streamsize>(c.data.size()));
    EXPECT_FALSE(bm.LoadFromImageFile((dir_ / c.name).string())) << c.name;
    EXPECT_EQ(bm.GetPixel(0, 0), 7u) << c.name << " left the bitmap as it was";
  }
  EXPECT_FALSE(bm.LoadFromImageFile((dir_ / "absent.png").string()));
  // A PNG header claiming more pixels than the cap is refused before decoding.
  Bytes huge = png;
  huge[16] = huge[20] = 0x7F;  // width and height about 2^30
  EXPECT_FALSE(bm.DecodeImage(huge, ".png"));
}

TEST(BitmapStream, RecordRoundTripAndErrors) {
  TBitmap32 bm(2, 1);
  bm.SetPixel(1, 0, 0xAABBCCDD);
  CStream s;
  bm.SaveToStream(s);
  TBitmap32 empty;
  empty.SaveToStream(s);
  s.SetPosition(0);
  TBitmap32 a(5, 5), b(5, 5);
  ASSERT_TRUE(a.LoadFromStream(s));
  EXPECT_EQ(a.Pixels(), bm.Pixels());
  ASSERT_TRUE(b.LoadFromStream(s));  // 0 × 0: no pixel block
  EXPECT_TRUE(b.Empty());

  CStream wrong;
  wrong.WriteInteger(801);
  wrong.SetPosition(0);
  EXPECT_FALSE(a.LoadFromStream(wrong));
  EXPECT_EQ(a.Width(), 2) << "unchanged";
  CStream cut;
  cut.WriteInteger(800);
  cut.WriteInteger(100);
  cut.WriteInteger(100);
  cut.WriteInteger(40000);  // block length with no data behind it
  cut.SetPosition(0);
  EXPECT_FALSE(a.LoadFromStream(cut));
  EXPECT_EQ(a.Width(), 2);
}

}  // namespace
