// Open form of packed data for the fuzz targets: compressed and "E" blocks appear in the input
// as plain markers that the target packs before the reader sees them, so mutations land in the
// records inside the blocks instead of dying in the decompressor. make_corpus.py writes the
// same form from real game files.
//
//   "ZBLK" u32 n, n bytes  ->  a ReadStreamC block of those bytes (after their own expansion)
//   "EBLK" u32 n, n bytes  ->  a ReadStreamE block of them
// A length running past the end takes what is left. Anything else is copied as it is.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "runner/base/Support_Stream.h"

namespace fuzz {

inline constexpr int kMaxBlockNesting = 8;

inline std::vector<uint8_t> ExpandBlocks(const uint8_t* data, size_t size, int depth = 0) {
  CStream out;
  size_t i = 0;
  while (i < size) {
    const bool z = size - i >= 8 && std::memcmp(data + i, "ZBLK", 4) == 0;
    const bool e = size - i >= 8 && std::memcmp(data + i, "EBLK", 4) == 0;
    if ((!z && !e) || depth >= kMaxBlockNesting) {
      // Runs of plain bytes are copied in one go up to the next possible marker.
      size_t j = i + 1;
      while (j < size && data[j] != 'Z' && data[j] != 'E') ++j;
      out.WriteBuffer(data + i, static_cast<int32_t>(j - i));
      i = j;
      continue;
    }
    uint32_t n;
    std::memcpy(&n, data + i + 4, 4);
    const size_t len = std::min<size_t>(n, size - i - 8);
    CStream inner(ExpandBlocks(data + i + 8, len, depth + 1));
    if (z)
      out.WriteStreamC(inner);
    else
      out.WriteStreamE(inner, 0);
    i += 8 + len;
  }
  return out.Bytes();
}

}  // namespace fuzz
