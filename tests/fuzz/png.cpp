// Fuzz target for gamebuild's PNG decoder (project images): the input is a whole PNG file whose
// chunk CRCs the target sets right, so mutations reach the decoder instead of its CRC check.
// A decoded image stays within the pixel cap and the budget.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzCheck.h"
#include "tools/gamebuild/Png_Read.h"

namespace {

void FixChunkCrcs(std::vector<uint8_t>& png) {
  size_t at = 8;  // after the file signature
  while (at <= png.size() && png.size() - at >= 12) {
    const uint32_t len = uint32_t{png[at]} << 24 | uint32_t{png[at + 1]} << 16 | uint32_t{png[at + 2]} << 8 | png[at + 3];
    if (len > png.size() - at - 12) break;
    const uLong crc = crc32(0, png.data() + at + 4, static_cast<uInt>(len + 4));
    uint8_t* out = png.data() + at + 8 + len;
    for (int k = 0; k < 4; ++k) out[k] = static_cast<uint8_t>(crc >> (24 - 8 * k));
    at += 12 + len;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  FixChunkCrcs(bytes);
  // A budget small enough that mutated headers cross it both ways.
  constexpr int64_t kBudget = int64_t{1} << 20;
  const gamebuild::RPngDecoded png = gamebuild::DecodePng(bytes, kBudget);
  const auto& bitmap = png.bitmap;
  if (!bitmap) {
    FUZZ_CHECK(!png.error.empty());
    FUZZ_CHECK(!png.overBudget || int64_t{png.width} * png.height >= kBudget / 4);
    return 0;
  }
  FUZZ_CHECK(!png.overBudget && int64_t{bitmap->Width()} * bitmap->Height() * 4 < kBudget);
  FUZZ_CHECK(!bitmap->Empty());
  FUZZ_CHECK(int64_t{bitmap->Width()} * bitmap->Height() <= TBitmap32::kMaxPixels);
  FUZZ_CHECK(bitmap->Pixels().size() == static_cast<size_t>(bitmap->Width()) * static_cast<size_t>(bitmap->Height()));
  return 0;
}
