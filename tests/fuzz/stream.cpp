// Fuzz target for CStream's readers: a short program of read operations run over the rest of
// the input, with round-trip checks wherever a reader has a writer to answer to.
//
// Input: byte 0 gives the number of operations n = (byte 0 & 15) + 1; the next n bytes are the
// operations (low nibble: what, high nibble: its argument); the rest is the stream's content.
// Block reads can descend into the block they return, so nested data is reachable too.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "runner/base/BM32_Bitmap.h"
#include "runner/base/Support_Stream.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Blocks nested below the input's own level may inflate zlib inside zlib; a small cap keeps a
// run inside the fuzzer's memory limit without hiding the top-level reader's own cap.
constexpr int64_t kNestedInflateCap = int64_t{16} << 20;
constexpr size_t kMaxDepth = 4;
// Round trips re-encode what was read; beyond this size they only slow the run down.
constexpr int32_t kRoundTripLimit = 1 << 20;

enum Op : uint8_t {
  kInteger,
  kReal,
  kString,
  kStream,
  kStreamC,
  kStreamE,
  kBitmap,
  kFromString,
  kDecryptWad,
  kSetPosition,
  kCopyFrom,
  kCipher,
  kChecks,
  kWriteStream,
  kPop,
  kSkip,
};

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return out;
}

uint32_t Load32(const Bytes& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

void CheckBitmapRoundTrip(const TBitmap32& bmp) {
  FUZZ_CHECK(!bmp.Empty());
  FUZZ_CHECK(bmp.Pixels().size() == static_cast<size_t>(bmp.Width()) * static_cast<size_t>(bmp.Height()));
  CStream w;
  w.WriteBitmap(&bmp);
  w.SetPosition(0);
  const auto again = w.ReadBitmap();
  FUZZ_CHECK(again != nullptr);
  FUZZ_CHECK(again->Width() == bmp.Width() && again->Height() == bmp.Height());
  FUZZ_CHECK(again->Pixels() == bmp.Pixels());
}

void CheckCipher(CStream& s, uint8_t arg) {
  const int32_t key = s.ReadInteger();
  const int32_t count = s.ReadInteger();
  const int32_t pos = s.GetPosition();

  const auto e = SubstitutionTable(key);
  std::array<bool, 256> seen{};
  for (uint8_t v : e) seen[v] = true;
  FUZZ_CHECK(e[0] == 0);
  FUZZ_CHECK(std::all_of(seen.begin(), seen.end(), [](bool b) { return b; }));

  const Bytes before = s.Bytes();
  const bool second = arg & 1;
  if (arg & 4) {  // one way only, as the extension loader does: what follows reads the result
    second ? s.Decrypt2(key, pos, count) : s.Decrypt(key, pos, count);
    return;
  }
  try {
    second ? s.Encrypt2(key, pos, count) : s.Encrypt(key, pos, count);
  } catch (const StreamError&) {
    FUZZ_CHECK(s.Bytes() == before);  // the range is checked before anything changes
    throw;
  }
  second ? s.Decrypt2(key, pos, count) : s.Decrypt(key, pos, count);
  FUZZ_CHECK(s.Bytes() == before);
}

void CheckDecryptWad(CStream& s) {
  const int32_t base = s.GetPosition();
  const Bytes before = s.Bytes();
  const bool ok = s.DecryptWad(base);
  if (int64_t{s.GetSize()} - base < 12) {
    FUZZ_CHECK(!ok && s.Bytes() == before);
    return;
  }
  const uint32_t k1 = Load32(before, static_cast<size_t>(base));
  if (ok) {  // the checksum held, so the writer must give back exactly what was read
    CStream again(s.Bytes());
    again.EncryptWad(base, k1);
    FUZZ_CHECK(again.Bytes() == before);
  }
  // Any plain region the writer scrambles is unscrambled and passes the check.
  CStream written(before);
  written.EncryptWad(base, k1);
  FUZZ_CHECK(written.DecryptWad(base));
  FUZZ_CHECK(std::equal(before.begin() + base + 8, before.end(), written.Bytes().begin() + base + 8));
}

void CheckHex(const CStream& s) {
  const std::string hex = s.ConvertToString();
  FUZZ_CHECK(hex.size() == s.Bytes().size() * 2);
  CStream back;
  back.ConvertFromString(hex);
  FUZZ_CHECK(back.Bytes() == s.Bytes());
  const int32_t sum = s.CheckSum();
  FUZZ_CHECK(sum >= 0 && sum < 1000000);
  if (s.GetSize() > 0) {
    const uint32_t standard = static_cast<uint32_t>(crc32(0, s.Data(), static_cast<uInt>(s.GetSize())));
    FUZZ_CHECK(CalcCRC(s.Data(), s.GetSize()) == ~standard);
  }
}

// Runs one operation on the top of the stack; may push a block read or pop back out.
void Run(std::vector<CStream>& stack, uint8_t op) {
  CStream& s = stack.back();
  const uint8_t arg = op >> 4;
  const bool descend = (arg & 1) && stack.size() < kMaxDepth;
  switch (static_cast<Op>(op & 15)) {
    case kInteger: {
      const int32_t pos = s.GetPosition();
      const int32_t v = s.ReadInteger();
      s.SetPosition(pos);
      FUZZ_CHECK(s.ReadBoolean() == (v > 0));
      break;
    }
    case kReal:
      (void)s.ReadReal();
      break;
    case kString: {
      const std::string text = s.ReadString();
      FUZZ_CHECK(SanitizeUtf8(text) == text);  // what comes out is valid UTF-8 already
      CStream w;
      w.WriteString(text);
      w.SetPosition(0);
      FUZZ_CHECK(w.ReadString() == text);
      break;
    }
    case kStream: {
      CStream block = s.ReadStream();
      FUZZ_CHECK(block.GetPosition() == 0);
      if (descend) stack.push_back(std::move(block));
      break;
    }
    case kStreamC: {
      CStream block = stack.size() == 1 ? s.ReadStreamC() : s.ReadStreamC(kNestedInflateCap);
      FUZZ_CHECK(block.GetPosition() == 0);
      if (block.GetSize() <= kRoundTripLimit) {
        CStream copy = block, w;
        w.WriteStreamC(copy);
        w.SetPosition(0);
        FUZZ_CHECK(w.ReadStreamC().Bytes() == block.Bytes());
      }
      if (descend) stack.push_back(std::move(block));
      break;
    }
    case kStreamE: {
      CStream block = s.ReadStreamE();
      FUZZ_CHECK(block.GetPosition() == 0);
      if (block.GetSize() <= kRoundTripLimit) {
        CStream copy = block, w;
        w.WriteStreamE(copy, arg);
        w.SetPosition(0);
        FUZZ_CHECK(w.ReadStreamE().Bytes() == block.Bytes());
      }
      if (descend) stack.push_back(std::move(block));
      break;
    }
    case kBitmap:
      if (const auto bmp = s.ReadBitmap()) CheckBitmapRoundTrip(*bmp);
      break;
    case kFromString: {
      const std::string_view text(reinterpret_cast<const char*>(s.Data()) + s.GetPosition(),
                                  static_cast<size_t>(s.GetSize() - s.GetPosition()));
      CStream t;
      try {
        t.ConvertFromString(text);
        FUZZ_CHECK(t.GetPosition() == 0);
        FUZZ_CHECK(t.ConvertToString() == Upper(text.substr(0, text.size() / 2 * 2)));
      } catch (const StreamError&) {
        // The bytes converted before the bad pair stay.
        FUZZ_CHECK(t.GetSize() < static_cast<int64_t>(text.size() / 2) + 1);
        FUZZ_CHECK(t.ConvertToString() == Upper(text.substr(0, static_cast<size_t>(t.GetSize()) * 2)));
        throw;
      }
      if (descend) stack.push_back(std::move(t));
      break;
    }
    case kDecryptWad:
      CheckDecryptWad(s);
      break;
    case kSetPosition: {
      const int32_t pos = s.ReadInteger();
      s.SetPosition(pos);
      FUZZ_CHECK(s.GetPosition() == std::clamp(pos, 0, s.GetSize()));
      break;
    }
    case kCopyFrom: {
      const int32_t count = s.ReadInteger();
      CStream dst;
      dst.CopyFrom(s, count);
      FUZZ_CHECK(dst.GetSize() == count && dst.GetPosition() == count);
      dst.SetPosition(0);
      if (descend) stack.push_back(std::move(dst));
      break;
    }
    case kCipher:
      CheckCipher(s, arg);
      break;
    case kChecks:
      CheckHex(s);
      break;
    case kWriteStream: {
      const int32_t pos = s.GetPosition();
      CStream w;
      w.WriteStream(s);
      FUZZ_CHECK(s.GetPosition() == pos);
      w.SetPosition(0);
      FUZZ_CHECK(w.ReadStream().Bytes() == s.Bytes());
      CStream self = s;  // writing a stream into itself at its own position
      self.WriteStream(self);
      self.SetPosition(pos);
      FUZZ_CHECK(self.ReadStream().Bytes() == s.Bytes());
      break;
    }
    case kPop:
      if (stack.size() > 1) stack.pop_back();
      break;
    case kSkip: {
      uint8_t dst[16];
      s.ReadBuffer(dst, arg);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t count = std::min<size_t>((data[0] & 15) + 1, size - 1);
  const uint8_t* ops = data + 1;
  std::vector<CStream> stack;
  stack.push_back(CStream::FromBytes(data + 1 + count, size - 1 - count));
  for (size_t k = 0; k < count; ++k) {
    try {
      Run(stack, ops[k]);
    } catch (const StreamError&) {
      // A rejected read is the expected answer to bad data; the next operation goes on from
      // wherever the stream was left.
    }
  }
  return 0;
}
