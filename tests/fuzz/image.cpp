// Fuzz target for the image-file decoders (PNG, JPEG, GIF, TIFF, BMP, chosen by the first
// bytes): a rejected file leaves the bitmap as it was; a decoded one stays within the pixel
// cap and survives the PNG writer unchanged. GIF data also goes through the all-images decoder
// of animated sprites, whose canvas copies stay within the cap.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runner/base/BM32_Bitmap.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr uint32_t kMarker = 0x12345678;
  const std::vector<uint8_t> input(data, data + size);
  int32_t gw = 0, gh = 0;
  std::vector<RGifImage> images;
  if (DecodeGifImages(input, gw, gh, images))
    FUZZ_CHECK(!images.empty() && gw > 0 && gh > 0 &&
               int64_t{gw} * gh * static_cast<int64_t>(images.size()) <= TBitmap32::kMaxPixels);
  TBitmap32 bm(1, 1, kMarker);
  if (!bm.DecodeImage(input, "")) {
    FUZZ_CHECK(bm.Width() == 1 && bm.Height() == 1 && bm.GetPixel(0, 0) == kMarker);
    return 0;
  }
  FUZZ_CHECK(!bm.Empty());
  FUZZ_CHECK(int64_t{bm.Width()} * bm.Height() <= TBitmap32::kMaxPixels);
  if (int64_t{bm.Width()} * bm.Height() > (1 << 20)) return 0;  // writing is slow; the decode was the test
  TBitmap32 again;
  FUZZ_CHECK(again.DecodeImage(bm.SaveToPNG(), ".png"));
  FUZZ_CHECK(again.Pixels() == bm.Pixels());
  return 0;
}
