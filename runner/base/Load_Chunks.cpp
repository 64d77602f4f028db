// Finding appended game data by its signature, and the key of its version word.
#include "runner/base/Load_Chunks.h"

#include <cstring>

bool IsGameDataSignature(const uint8_t* p) {
  return (ReadLE32(p) & 0xFF00FF00u) + (ReadLE32(p + 4) & 0x00FF00FFu) == 0xF7140067u;
}

int64_t FindGameDataSignatureFrom(const uint8_t* data, size_t size, size_t from) {
  if (size < kSignatureSize) return -1;
  // Byte 3 of every signature is 0xF7, which is rare in code and never in the zeros that pad a
  // runner, so memchr skips to the few places worth testing; taken in order, the first that
  // matches is still the first signature.
  constexpr size_t kMarkAt = 3;
  const size_t last = size - kSignatureSize;
  for (size_t p = from; p <= last; ++p) {
    const void* mark = std::memchr(data + p + kMarkAt, 0xF7, last - p + 1);
    if (!mark) return -1;
    p = static_cast<size_t>(static_cast<const uint8_t*>(mark) - data) - kMarkAt;
    if (IsGameDataSignature(data + p)) return static_cast<int64_t>(p);
  }
  return -1;
}

int64_t FindGameDataSignature(const uint8_t* data, size_t size) {
  return FindGameDataSignatureFrom(data, size, static_cast<size_t>(kSignatureSearchStart));
}

int32_t VersionWordKey(int64_t signatureOffset) {
  return static_cast<int32_t>((signatureOffset - 1 - kSignatureSearchStart) / 4);
}
