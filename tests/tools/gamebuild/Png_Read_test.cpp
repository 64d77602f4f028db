// PNG decoding refuses files that claim more pixels than their data can hold, before it
// allocates them.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "tools/gamebuild/Png_Read.h"

namespace {

void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<uint8_t>(x >> s));
}

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  Put32(png, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  Put32(png, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// A grey 8-bit PNG of the claimed size whose image data is one compressed empty row.
std::vector<uint8_t> Png(uint32_t w, uint32_t h) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> ihdr;
  Put32(ihdr, w);
  Put32(ihdr, h);
  ihdr.insert(ihdr.end(), {8, 0, 0, 0, 0});
  Chunk(png, "IHDR", ihdr);
  std::vector<uint8_t> raw(1 + w, 0);
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> z(size);
  compress(z.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  z.resize(size);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", {});
  return png;
}

TEST(PngRead, DecodesAnImageWhoseDataFits) {
  std::string error;
  auto bmp = gamebuild::DecodePng(Png(4, 1), error);
  ASSERT_TRUE(bmp) << error;
  EXPECT_EQ(bmp->Width(), 4);
}

TEST(PngRead, RefusesAHugeClaimInATinyFile) {
  std::string error;
  EXPECT_FALSE(gamebuild::DecodePng(Png(16384, 16384), error));
  EXPECT_EQ(error, "image data too short for its size");
}

}  // namespace
