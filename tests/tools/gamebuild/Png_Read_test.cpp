// PNG decoding refuses files that claim more pixels than their data can hold, or than the
// budget it is given, before it allocates them.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
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

// Nothing but the signature and an IHDR chunk claiming w x h.
std::vector<uint8_t> HeaderOnly(uint32_t w, uint32_t h) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> ihdr;
  Put32(ihdr, w);
  Put32(ihdr, h);
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  Chunk(png, "IHDR", ihdr);
  return png;
}

constexpr int64_t kNoBudget = INT64_MAX;
constexpr int64_t kGiB = int64_t{1} << 30;

TEST(PngRead, DecodesAnImageWhoseDataFits) {
  const gamebuild::RPngDecoded png = gamebuild::DecodePng(Png(4, 1), kNoBudget);
  ASSERT_TRUE(png.bitmap) << png.error;
  EXPECT_EQ(png.bitmap->Width(), 4);
}

TEST(PngRead, RefusesAHugeClaimInATinyFile) {
  const gamebuild::RPngDecoded png = gamebuild::DecodePng(Png(16384, 16384), kNoBudget);
  EXPECT_FALSE(png.bitmap);
  EXPECT_EQ(png.error, "image data too short for its size");
}

// The budget is what is left of a record: pixels (4 bytes each) must stay below it, and the
// header alone decides, so a file of nothing but its header is refused for its size.
TEST(PngRead, RefusesFromTheHeaderWhatTheBudgetCannotHold) {
  struct Case {
    std::vector<uint8_t> file;
    int64_t budget;
    bool overBudget;
  };
  const Case cases[] = {
      {HeaderOnly(16384, 16384), kGiB, true},    // exactly the budget
      {HeaderOnly(65536, 4096), kGiB, true},
      {HeaderOnly(1, 268435456), kGiB, true},
      {HeaderOnly(0x7FFFFFFF, 0x7FFFFFFF), kGiB, true},
      {HeaderOnly(16384, 16383), kGiB, false},   // within: unreadable for want of data
      {HeaderOnly(16, 16), kGiB, false},
      {HeaderOnly(0x80000000, 1), kGiB, false},  // no valid PNG size at all
      {HeaderOnly(0, 5), kGiB, false},
      {HeaderOnly(4, 4), 64, true},              // what earlier images left is all that counts
      {Png(4, 1), 16, true},
  };
  for (const Case& c : cases) {
    const gamebuild::RPngDecoded png = gamebuild::DecodePng(c.file, c.budget);
    const std::string name = std::to_string(c.file.size()) + " bytes, budget " + std::to_string(c.budget);
    EXPECT_FALSE(png.bitmap) << name;
    EXPECT_EQ(png.overBudget, c.overBudget) << name;
    EXPECT_FALSE(png.error.empty()) << name;
  }
  const gamebuild::RPngDecoded fits = gamebuild::DecodePng(Png(4, 1), 17);
  ASSERT_TRUE(fits.bitmap) << fits.error;
  EXPECT_EQ(gamebuild::PngRefusal(gamebuild::DecodePng(HeaderOnly(16384, 16384), kGiB), "big.png"),
            "big.png is 16384 x 16384 pixels: the images together are larger than a game can hold (1 GiB)");
}

}  // namespace
