#include "runner/graphics/BM32_Bitmap.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

void TBitmap32::Clear() {
  s_w = 0;
  s_h = 0;
  s_data.clear();
  s_data.shrink_to_fit();
}

void TBitmap32::Resize(int32_t w, int32_t h, uint32_t col) {
  if (w <= 0 || h <= 0 || int64_t{w} * h > kMaxPixels) {
    Clear();
    return;
  }
  s_w = w;
  s_h = h;
  s_data.assign(static_cast<size_t>(w) * static_cast<size_t>(h), col);
}

uint32_t TBitmap32::GetPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= s_w || y >= s_h) return 0;
  return s_data[static_cast<size_t>(y) * static_cast<size_t>(s_w) + static_cast<size_t>(x)];
}

void TBitmap32::SetPixel(int32_t x, int32_t y, uint32_t col) {
  if (x < 0 || y < 0 || x >= s_w || y >= s_h) return;
  s_data[static_cast<size_t>(y) * static_cast<size_t>(s_w) + static_cast<size_t>(x)] = col;
}

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kCoreHeaderSize = 12;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<uint8_t>(v >> (8 * k)));
}

// One colour channel described by a bit mask: extracts and scales it to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;  // largest value after shifting

  explicit Channel(uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    max = m >> shift;
  }
  uint32_t Get(uint32_t pixel, uint32_t absent) const {
    if (max == 0) return absent;
    const uint64_t v = (pixel & mask) >> shift;
    return static_cast<uint32_t>((v * 255 + max / 2) / max) & 0xFF;
  }
};

}  // namespace

bool TBitmap32::LoadFromBMP(const uint8_t* data, size_t size) {
  if (data == nullptr || size < kFileHeaderSize + kCoreHeaderSize) return false;
  if (data[0] != 'B' || data[1] != 'M') return false;
  const uint64_t offBits = Get32(data + 10);
  const uint64_t infoSize = Get32(data + kFileHeaderSize);
  if (infoSize < kCoreHeaderSize || kFileHeaderSize + infoSize > size) return false;
  const uint8_t* info = data + kFileHeaderSize;

  int64_t width, height;
  uint32_t bpp, compression = kBiRgb, colorsUsed = 0;
  size_t paletteEntrySize = 4;
  if (infoSize == kCoreHeaderSize) {
    width = Get16(info + 4);
    height = Get16(info + 6);
    bpp = Get16(info + 10);
    paletteEntrySize = 3;
  } else if (infoSize >= kInfoHeaderSize) {
    width = static_cast<int32_t>(Get32(info + 4));
    height = static_cast<int32_t>(Get32(info + 8));
    bpp = Get16(info + 14);
    compression = Get32(info + 16);
    colorsUsed = Get32(info + 32);
  } else {
    return false;
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width * height > kMaxPixels) return false;

  // Where the masks or the palette start: right after the info header, plus the masks that
  // follow a plain 40-byte header in the bit-field formats.
  uint64_t tableOffset = kFileHeaderSize + infoSize;
  uint32_t masks[4] = {0, 0, 0, 0};
  bool hasAlphaMask = false;
  if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
    if (bpp != 16 && bpp != 32) return false;
    const size_t count = compression == kBiAlphaBitfields ? 4 : 3;
    const uint8_t* src = info + 40;
    if (infoSize == kInfoHeaderSize) {
      if (tableOffset + 4 * count > size) return false;
      src = data + tableOffset;
      tableOffset += 4 * count;
    } else if (infoSize < 40 + 4 * count) {
      return false;
    }
    for (size_t k = 0; k < count; ++k) masks[k] = Get32(src + 4 * k);
    if (count == 3 && infoSize >= 56) masks[3] = Get32(info + 52);  // V4/V5 carry an alpha mask
    hasAlphaMask = masks[3] != 0;
  } else if (compression == kBiRgb) {
    if (bpp == 16) {
      masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bpp == 32) {
      masks[0] = 0x00FF0000, masks[1] = 0x0000FF00, masks[2] = 0x000000FF, masks[3] = 0xFF000000;
      hasAlphaMask = true;
    } else if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) {
      return false;
    }
  } else {
    return false;  // run-length and embedded JPEG/PNG variants are not read
  }

  std::array<uint32_t, 256> palette{};
  palette.fill(0xFF000000);
  if (bpp <= 8) {
    const uint64_t maxColors = uint64_t{1} << bpp;
    const uint64_t n = (colorsUsed == 0 || colorsUsed > maxColors) ? maxColors : colorsUsed;
    if (tableOffset + n * paletteEntrySize > size) return false;
    for (uint64_t k = 0; k < n; ++k) {
      const uint8_t* e = data + tableOffset + k * paletteEntrySize;
      palette[k] = 0xFF000000u | (uint32_t{e[2]} << 16) | (uint32_t{e[1]} << 8) | e[0];
    }
  }

  const uint64_t stride = ((static_cast<uint64_t>(width) * bpp + 31) / 32) * 4;
  if (offBits > size || stride * static_cast<uint64_t>(height) > size - offBits) return false;

  const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  std::vector<uint32_t> pixels(static_cast<size_t>(width * height));
  bool anyAlpha = false;
  for (int64_t y = 0; y < height; ++y) {
    const int64_t srcRow = topDown ? y : height - 1 - y;
    const uint8_t* row = data + offBits + static_cast<uint64_t>(srcRow) * stride;
    uint32_t* dst = pixels.data() + y * width;
    for (int64_t x = 0; x < width; ++x) {
      uint32_t col;
      switch (bpp) {
        case 1:
          col = palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
          break;
        case 4:
          col = palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
          break;
        case 8:
          col = palette[row[x]];
          break;
        case 24: {
          const uint8_t* p = row + x * 3;
          col = 0xFF000000u | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
          break;
        }
        default: {
          const uint32_t raw = bpp == 16 ? Get16(row + x * 2) : Get32(row + x * 4);
          const uint32_t a = alpha.Get(raw, 0xFF);
          if (hasAlphaMask && a != 0) anyAlpha = true;
          col = (a << 24) | (red.Get(raw, 0) << 16) | (green.Get(raw, 0) << 8) | blue.Get(raw, 0);
          break;
        }
      }
      dst[x] = col;
    }
  }
  // An alpha channel that is 0 everywhere means the file carries no alpha: make it opaque.
  if (hasAlphaMask && !anyAlpha) {
    for (uint32_t& p : pixels) p |= 0xFF000000u;
  }

  s_w = static_cast<int32_t>(width);
  s_h = static_cast<int32_t>(height);
  s_data = std::move(pixels);
  return true;
}

std::vector<uint8_t> TBitmap32::SaveToBMP() const {
  const uint32_t w = Empty() ? 0 : static_cast<uint32_t>(s_w);
  const uint32_t h = Empty() ? 0 : static_cast<uint32_t>(s_h);
  const uint32_t imageSize = w * h * 4;  // at most 2^30: kMaxPixels × 4
  const uint32_t offBits = kFileHeaderSize + kInfoHeaderSize;
  std::vector<uint8_t> out;
  out.reserve(offBits + imageSize);
  // File header.
  out.push_back('B');
  out.push_back('M');
  Put32(out, offBits + imageSize);
  Put32(out, 0);
  Put32(out, offBits);
  // Info header: 32 bits per pixel, uncompressed, positive height (bottom-up).
  Put32(out, kInfoHeaderSize);
  Put32(out, w);
  Put32(out, h);
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, kBiRgb);
  Put32(out, imageSize);
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (uint32_t y = h; y-- > 0;) {
    const uint32_t* row = s_data.data() + static_cast<size_t>(y) * w;
    for (uint32_t x = 0; x < w; ++x) Put32(out, row[x]);
  }
  return out;
}
