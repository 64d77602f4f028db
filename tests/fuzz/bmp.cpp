// Fuzz target for the BMP decoder: the input is a whole BMP file. A decoded image must save and
// decode to the same pixels; a rejected one must leave the bitmap as it was.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runner/base/BM32_Bitmap.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr uint32_t kMarker = 0x12345678;
  TBitmap32 bmp(1, 1, kMarker);
  if (!bmp.LoadFromBMP(data, size)) {
    FUZZ_CHECK(bmp.Width() == 1 && bmp.Height() == 1 && bmp.GetPixel(0, 0) == kMarker);
    return 0;
  }
  FUZZ_CHECK(!bmp.Empty());
  FUZZ_CHECK(int64_t{bmp.Width()} * bmp.Height() <= TBitmap32::kMaxPixels);
  FUZZ_CHECK(bmp.Pixels().size() == static_cast<size_t>(bmp.Width()) * static_cast<size_t>(bmp.Height()));

  const std::vector<uint8_t> file = bmp.SaveToBMP();
  TBitmap32 again;
  FUZZ_CHECK(again.LoadFromBMP(file.data(), file.size()));
  FUZZ_CHECK(again.Width() == bmp.Width() && again.Height() == bmp.Height());
  FUZZ_CHECK(again.Pixels() == bmp.Pixels());
  return 0;
}
