// PNG files of a project as 32-bit bitmaps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runner/base/BM32_Bitmap.h"

namespace gamebuild {

// What decoding a PNG file gives: the image, or why there is none.
struct RPngDecoded {
  std::unique_ptr<TBitmap32> bitmap;
  std::string error;
  // The size in the header alone was over the budget; nothing was allocated for the pixels.
  bool overBudget = false;
  int32_t width = 0, height = 0;  // the header's, when it could be read
};

// Decodes a PNG file. Pixels without alpha come out opaque; the colour of fully transparent
// pixels is kept. An image whose pixels (4 bytes each) would take `budget` bytes or more is
// refused from its header, before anything is decoded: a small file can claim gigabytes.
RPngDecoded DecodePng(const std::vector<uint8_t>& bytes, int64_t budget);

// The message for a file named rel that gave no image.
std::string PngRefusal(const RPngDecoded& decoded, const std::string& rel);

}  // namespace gamebuild
