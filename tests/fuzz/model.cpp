// Fuzz target for the 3D model text reader: the input is a whole model file. Whatever it reads
// stays within what the text could hold; an accepted model writes a text that reads back to a
// model writing the same text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runner/graphics/Graphics_3D_Model.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<REntry> entries;
  const bool ok = ParseModelText(text, entries);
  FUZZ_CHECK(entries.size() <= size / 22 + 1);
  for (const REntry& e : entries)
    for (double v : e.arg) FUZZ_CHECK(std::isfinite(v));
  if (!ok) return 0;
  const std::string written = ModelText(entries);
  std::vector<REntry> again;
  FUZZ_CHECK(ParseModelText(written, again));
  FUZZ_CHECK(again.size() == entries.size());
  FUZZ_CHECK(ModelText(again) == written);
  return 0;
}
