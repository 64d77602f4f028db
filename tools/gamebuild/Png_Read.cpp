// PNG decoding through libpng's simplified interface, with size caps before allocating.
#include "tools/gamebuild/Png_Read.h"

#include <png.h>

#include <cstring>

namespace gamebuild {

namespace {

uint32_t Big32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

// The size in the IHDR chunk, which a PNG file must start with: read here so that the budget
// holds even for a file that is nothing but its header.
bool HeaderSize(const std::vector<uint8_t>& bytes, uint32_t& w, uint32_t& h) {
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (bytes.size() < 24 || std::memcmp(bytes.data(), kSignature, 8) != 0 || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0)
    return false;
  w = Big32(bytes.data() + 16);
  h = Big32(bytes.data() + 20);
  return true;
}

// Whether w × h pixels of 4 bytes take budget bytes or more (asked without the product of 4,
// which a header's size can overflow).
bool OverBudget(uint32_t w, uint32_t h, int64_t budget) {
  return budget <= 0 || uint64_t{w} * uint64_t{h} > static_cast<uint64_t>((budget - 1) / 4);
}

}  // namespace

RPngDecoded DecodePng(const std::vector<uint8_t>& bytes, int64_t budget) {
  RPngDecoded out;
  uint32_t hw = 0, hh = 0;
  if (HeaderSize(bytes, hw, hh) && hw > 0 && hh > 0 && hw <= INT32_MAX && hh <= INT32_MAX) {
    out.width = static_cast<int32_t>(hw);
    out.height = static_cast<int32_t>(hh);
    if (OverBudget(hw, hh, budget)) {
      out.overBudget = true;
      out.error = "over the budget";
      return out;
    }
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    out.error = image.message;
    return out;
  }
  if (image.width == 0 || image.height == 0 ||
      int64_t{image.width} * int64_t{image.height} > TBitmap32::kMaxPixels) {
    png_image_free(&image);
    out.error = "image size out of range";
    return out;
  }
  if (OverBudget(image.width, image.height, budget)) {
    png_image_free(&image);
    out.width = static_cast<int32_t>(image.width);
    out.height = static_cast<int32_t>(image.height);
    out.overBudget = true;
    out.error = "over the budget";
    return out;
  }
  // Deflate expands at most about 1032 times and a pixel takes at least one bit, so a small
  // file claiming a huge image is refused before the pixels are allocated.
  if (int64_t{image.width} * int64_t{image.height} / 8 > static_cast<int64_t>(bytes.size()) * 1032 + 4096) {
    png_image_free(&image);
    out.error = "image data too short for its size";
    return out;
  }
  // BGRA in memory is the bitmap's own pixel layout (0xAARRGGBB, little-endian).
  image.format = PNG_FORMAT_BGRA;
  auto bitmap = std::make_unique<TBitmap32>(static_cast<int32_t>(image.width), static_cast<int32_t>(image.height));
  if (!png_image_finish_read(&image, nullptr, bitmap->Pixels().data(), 0, nullptr)) {
    out.error = image.message;
    png_image_free(&image);
    return out;
  }
  out.bitmap = std::move(bitmap);
  return out;
}

std::string PngRefusal(const RPngDecoded& decoded, const std::string& rel) {
  if (decoded.overBudget)
    return rel + " is " + std::to_string(decoded.width) + " x " + std::to_string(decoded.height) +
           " pixels: the images together are larger than a game can hold (1 GiB)";
  return "not a readable PNG file: " + rel + " (" + decoded.error + ")";
}

}  // namespace gamebuild
