#include "runner/base/BM32_Bitmap.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
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

// Pixel operations.

namespace {

uint8_t A(uint32_t p) { return static_cast<uint8_t>(p >> 24); }

}  // namespace

uint32_t TBitmap32::FromGameColor(int32_t col, uint8_t alpha) {
  const uint32_t c = static_cast<uint32_t>(col);
  return uint32_t{alpha} << 24 | (c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

void TBitmap32::Stretch(int32_t neww, int32_t newh, int32_t quality) {
  if (neww <= 0 || newh <= 0 || (neww == s_w && newh == s_h) || Empty()) return;
  if (int64_t{neww} * newh > kMaxPixels) return;
  // Kept small: q² sub-samples per pixel, and nobody asks for more than 1.
  const int32_t q = std::clamp(quality, 1, 16);
  const double fx = static_cast<double>(neww) / s_w, fy = static_cast<double>(newh) / s_h;
  std::vector<uint32_t> out(static_cast<size_t>(neww) * static_cast<size_t>(newh));
  for (int32_t y = 0; y < newh; ++y)
    for (int32_t x = 0; x < neww; ++x) {
      uint32_t sum[4] = {0, 0, 0, 0};
      for (int32_t sy = 0; sy < q; ++sy)
        for (int32_t sx = 0; sx < q; ++sx) {
          const int32_t col = std::min(static_cast<int32_t>((static_cast<double>(sx) / q + x) / fx), s_w - 1);
          const int32_t row = std::min(static_cast<int32_t>((static_cast<double>(sy) / q + y) / fy), s_h - 1);
          const uint32_t p = s_data[static_cast<size_t>(row) * static_cast<size_t>(s_w) + static_cast<size_t>(col)];
          if (A(p) == 0) continue;
          for (int k = 0; k < 4; ++k) sum[k] += (p >> (8 * k)) & 0xFF;
        }
      uint32_t p = 0;
      const double n = static_cast<double>(q) * q;
      for (int k = 0; k < 4; ++k) p |= static_cast<uint32_t>(std::lround(sum[k] / n)) << (8 * k);
      out[static_cast<size_t>(y) * static_cast<size_t>(neww) + static_cast<size_t>(x)] = p;
    }
  s_w = neww;
  s_h = newh;
  s_data = std::move(out);
}

void TBitmap32::Fill(uint32_t col) { std::fill(s_data.begin(), s_data.end(), col); }

void TBitmap32::DrawPart(int32_t x, int32_t y, const TBitmap32& bm, int32_t xo, int32_t yo, int32_t wo, int32_t ho) {
  // Clip in 64 bits: callers pass game values.
  int64_t sx0 = std::max<int64_t>(xo, 0), sy0 = std::max<int64_t>(yo, 0);
  int64_t sx1 = std::min<int64_t>(int64_t{xo} + wo, bm.s_w), sy1 = std::min<int64_t>(int64_t{yo} + ho, bm.s_h);
  const int64_t dx = int64_t{x} - xo, dy = int64_t{y} - yo;  // destination = source + d
  sx0 = std::max(sx0, -dx);
  sy0 = std::max(sy0, -dy);
  sx1 = std::min(sx1, s_w - dx);
  sy1 = std::min(sy1, s_h - dy);
  if (sx0 >= sx1 || sy0 >= sy1) return;
  for (int64_t sy = sy0; sy < sy1; ++sy)
    std::copy_n(bm.s_data.begin() + static_cast<ptrdiff_t>(sy * bm.s_w + sx0), sx1 - sx0,
                s_data.begin() + static_cast<ptrdiff_t>((sy + dy) * s_w + sx0 + dx));
}

void TBitmap32::BoundingBox(int32_t tolerance, int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) const {
  left = s_w - 1;
  top = s_h - 1;
  right = 0;
  bottom = 0;
  for (int32_t y = 0; y < s_h; ++y)
    for (int32_t x = 0; x < s_w; ++x)
      if (A(s_data[static_cast<size_t>(y) * static_cast<size_t>(s_w) + static_cast<size_t>(x)]) > tolerance) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
}

void TBitmap32::RemoveBackground(int32_t tolerance) {
  if (Empty()) return;
  const uint32_t key = GetPixel(0, s_h - 1) & 0x00FFFFFFu;
  auto near = [&](uint32_t p, int shift) {
    return std::abs(static_cast<int32_t>((p >> shift) & 0xFF) - static_cast<int32_t>((key >> shift) & 0xFF)) <=
           tolerance;
  };
  for (uint32_t& p : s_data)
    if (near(p, 0) && near(p, 8) && near(p, 16)) p = key;
}

void TBitmap32::SmoothEdges() {
  for (int32_t y = 0; y < s_h; ++y)
    for (int32_t x = 0; x < s_w; ++x) {
      if (A(s_data[static_cast<size_t>(y) * static_cast<size_t>(s_w) + static_cast<size_t>(x)]) != 0) continue;
      for (int32_t ny = std::max(y - 1, 0); ny <= std::min(y + 1, s_h - 1); ++ny)
        for (int32_t nx = std::max(x - 1, 0); nx <= std::min(x + 1, s_w - 1); ++nx) {
          uint32_t& p = s_data[static_cast<size_t>(ny) * static_cast<size_t>(s_w) + static_cast<size_t>(nx)];
          if (A(p) >= 32) p -= uint32_t{32} << 24;
        }
    }
}

void TBitmap32::BleedColors() {
  // In place is safe: a bled pixel keeps alpha 0, so it never feeds a neighbour.
  for (int32_t y = 0; y < s_h; ++y)
    for (int32_t x = 0; x < s_w; ++x) {
      uint32_t& p = s_data[static_cast<size_t>(y) * static_cast<size_t>(s_w) + static_cast<size_t>(x)];
      if (A(p) != 0) continue;
      const int32_t nb[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
      for (const auto& n : nb) {
        const uint32_t q = GetPixel(n[0], n[1]);  // 0, so skipped, outside
        if (A(q) == 0) continue;
        p = q & 0x00FFFFFFu;
        break;
      }
    }
}

void TBitmap32::MakeOpaque() {
  for (uint32_t& p : s_data) p |= 0xFF000000u;
}

void TBitmap32::AlphaFrom(const TBitmap32& src) {
  const int32_t w = std::min(s_w, src.s_w), h = std::min(s_h, src.s_h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t s = src.s_data[static_cast<size_t>(y) * static_cast<size_t>(src.s_w) + static_cast<size_t>(x)];
      const uint32_t a = (((s >> 16) & 0xFF) + ((s >> 8) & 0xFF) + (s & 0xFF)) / 3;
      uint32_t& p = s_data[static_cast<size_t>(y) * static_cast<size_t>(s_w) + static_cast<size_t>(x)];
      p = (p & 0x00FFFFFFu) | a << 24;
    }
}

namespace {

// A one-pixel pen on an opaque canvas, with the usual raster rule: lines leave out their last
// point.
struct Canvas {
  TBitmap32& bm;
  // Walks only the steps that land on the canvas, so far-off lines cost nothing.
  void Line(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t c) {
    const int64_t dx = x1 - x0, dy = y1 - y0;
    const bool alongX = std::abs(dx) >= std::abs(dy);
    const int64_t n = alongX ? std::abs(dx) : std::abs(dy);  // steps, the last point left out
    if (n == 0) return;
    const int64_t lo = 0, hi = alongX ? bm.Width() - 1 : bm.Height() - 1;
    const int64_t s0 = alongX ? x0 : y0, dir = (alongX ? dx : dy) > 0 ? 1 : -1;
    // Steps k with s0 + dir·k inside [lo, hi] and 0 <= k < n.
    int64_t k0 = dir > 0 ? lo - s0 : s0 - hi, k1 = dir > 0 ? hi - s0 : s0 - lo;
    k0 = std::max<int64_t>(k0, 0);
    k1 = std::min<int64_t>(k1, n - 1);
    for (int64_t k = k0; k <= k1; ++k) {
      const double t = static_cast<double>(k) / static_cast<double>(n);
      const int64_t x = alongX ? x0 + dir * k : x0 + std::llround(t * static_cast<double>(dx));
      const int64_t y = alongX ? y0 + std::llround(t * static_cast<double>(dy)) : y0 + dir * k;
      if (x >= 0 && y >= 0 && x < bm.Width() && y < bm.Height())
        bm.SetPixel(static_cast<int32_t>(x), static_cast<int32_t>(y), c);
    }
  }
};

// Whether the pixel's centre lies in the ellipse filling [l, r) × [t, b).
bool InEllipse(int64_t x, int64_t y, int64_t l, int64_t t, int64_t r, int64_t b) {
  const double rx = (r - l) / 2.0, ry = (b - t) / 2.0;
  if (rx <= 0 || ry <= 0) return false;
  const double ux = (x + 0.5 - (l + r) / 2.0) / rx, uy = (y + 0.5 - (t + b) / 2.0) / ry;
  return ux * ux + uy * uy <= 1;
}

uint32_t Mix(int32_t col1, int32_t col2, double t) {
  if (!(t >= 0)) t = 0;  // a zero-sized step (0 / 0) is the start colour
  int32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const double a = (col1 >> shift) & 0xFF, b = (col2 >> shift) & 0xFF;
    out |= static_cast<int32_t>(std::lround(std::clamp(a * (1 - t) + b * t, 0.0, 255.0))) << shift;
  }
  return TBitmap32::FromGameColor(out);
}

double Ratio(int64_t a, int64_t b) { return b == 0 ? 0.0 : static_cast<double>(a) / static_cast<double>(b); }

}  // namespace

TBitmap32 TBitmap32::Gradient(int32_t w, int32_t h, int32_t col1, int32_t col2, int32_t kind) {
  TBitmap32 bm(std::max(w, 1), std::max(h, 1), FromGameColor(col1));
  if (bm.Empty()) return bm;
  // Shapes beyond the canvas draw nothing, so the loops stop at its size.
  w = std::max(w, 1);
  h = std::max(h, 1);
  Canvas cv{bm};
  switch (kind) {
    case 0:
      for (int32_t x = 0; x < w; ++x) cv.Line(x, 0, x, h, Mix(col1, col2, Ratio(x, w)));
      break;
    case 1:
      for (int32_t y = 0; y < h; ++y) cv.Line(0, y, w, y, Mix(col1, col2, Ratio(y, h)));
      break;
    case 2:
    case 3: {
      // The shapes nest, so each pixel ends with the innermost one that holds it: found per
      // pixel rather than by painting every shape over the last.
      const int32_t s = std::min(w, h) / 2;
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
          int32_t inner = std::min({x, y, w - 1 - x, h - 1 - y, s});
          if (kind == 3) {
            if (!InEllipse(x, y, 0, 0, w, h)) continue;
            int32_t lo = 0, hi = inner;  // ellipse lo holds the pixel; find the last that does
            while (lo < hi) {
              const int32_t mid = lo + (hi - lo + 1) / 2;
              if (InEllipse(x, y, mid, mid, w - mid, h - mid))
                lo = mid;
              else
                hi = mid - 1;
            }
            inner = lo;
          }
          bm.SetPixel(x, y, Mix(col1, col2, Ratio(inner, s)));
        }
      break;
    }
    case 4: {
      const int32_t s = w / 2;
      for (int32_t i = 0; i <= s; ++i) {
        const uint32_t c = Mix(col1, col2, Ratio(i, s));
        cv.Line(i, 0, i, h, c);
        cv.Line(w - i, 0, w - i, h, c);
      }
      break;
    }
    case 5: {
      const int32_t s = h / 2;
      for (int32_t i = 0; i <= s; ++i) {
        const uint32_t c = Mix(col1, col2, Ratio(i, s));
        cv.Line(0, i, w, i, c);
        cv.Line(0, h - i, w, h - i, c);
      }
      break;
    }
    case 6:
    case 7:
      for (int32_t i = 0; i <= h; ++i) {
        const uint32_t c = Mix(col1, col2, Ratio(i, h));
        if (kind == 6) {
          cv.Line(0, i, w, int64_t{i} + h, c);
          cv.Line(0, -i, w, h - i, c);
        } else {
          cv.Line(0, int64_t{i} + h, w, i, c);
          cv.Line(0, h - i, w, -i, c);
        }
      }
      break;
    case 8:
    case 9:
    case 10:
    case 11: {
      // Circles about one corner, largest first: a pixel keeps the smallest radius that holds it.
      const int32_t n = std::min(w, h);
      const double cx = (kind == 9 || kind == 11) ? w : 0, cy = (kind == 10 || kind == 11) ? h : 0;
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
          const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
          const int32_t r = std::max(1, static_cast<int32_t>(std::ceil(d)));
          if (r <= n) bm.SetPixel(x, y, Mix(col2, col1, Ratio(r, n)));
        }
      break;
    }
    default: break;
  }
  return bm;
}
