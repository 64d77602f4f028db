// Finding appended game data by its signature, and the key of its version word.
#include "runner/base/Load_Chunks.h"

bool IsGameDataSignature(const uint8_t* p) {
  return (ReadLE32(p) & 0xFF00FF00u) + (ReadLE32(p + 4) & 0x00FF00FFu) == 0xF7140067u;
}

int64_t FindGameDataSignature(const uint8_t* data, size_t size) {
  for (int64_t p = kSignatureSearchStart; p + int64_t{kSignatureSize} <= static_cast<int64_t>(size); ++p)
    if (IsGameDataSignature(data + p)) return p;
  return -1;
}

int32_t VersionWordKey(int64_t signatureOffset) {
  return static_cast<int32_t>((signatureOffset - 1 - kSignatureSearchStart) / 4);
}
