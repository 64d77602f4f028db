// PNG files of a project as 32-bit bitmaps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runner/base/BM32_Bitmap.h"

namespace gamebuild {

// Decodes a PNG file; null with a reason in error when it cannot. Pixels without alpha come
// out opaque; the colour of fully transparent pixels is kept.
std::unique_ptr<TBitmap32> DecodePng(const std::vector<uint8_t>& bytes, std::string& error);

}  // namespace gamebuild
