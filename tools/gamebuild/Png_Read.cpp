// PNG decoding through libpng's simplified interface, with a size cap before allocating.
#include "tools/gamebuild/Png_Read.h"

#include <png.h>

#include <cstring>

namespace gamebuild {

std::unique_ptr<TBitmap32> DecodePng(const std::vector<uint8_t>& bytes, std::string& error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    error = image.message;
    return nullptr;
  }
  if (image.width == 0 || image.height == 0 ||
      int64_t{image.width} * int64_t{image.height} > TBitmap32::kMaxPixels) {
    png_image_free(&image);
    error = "image size out of range";
    return nullptr;
  }
  // Deflate expands at most about 1032 times and a pixel takes at least one bit, so a small
  // file claiming a huge image is refused before the pixels are allocated.
  if (int64_t{image.width} * int64_t{image.height} / 8 > static_cast<int64_t>(bytes.size()) * 1032 + 4096) {
    png_image_free(&image);
    error = "image data too short for its size";
    return nullptr;
  }
  // BGRA in memory is the bitmap's own pixel layout (0xAARRGGBB, little-endian).
  image.format = PNG_FORMAT_BGRA;
  auto bitmap = std::make_unique<TBitmap32>(static_cast<int32_t>(image.width), static_cast<int32_t>(image.height));
  if (!png_image_finish_read(&image, nullptr, bitmap->Pixels().data(), 0, nullptr)) {
    error = image.message;
    png_image_free(&image);
    return nullptr;
  }
  return bitmap;
}

}  // namespace gamebuild
