#include "runner/base/Support_Stream.h"

#include <libdeflate.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <random>

#include "runner/base/BM32_Bitmap.h"
#include "runner/base/Regular_File.h"
#include "runner/base/Stream_Ahead.h"
#include "runner/base/Stream_Unscramble.h"

static_assert(std::endian::native == std::endian::little, "the stream stores its host's byte order");

namespace {

constexpr size_t kZlibStep = 32768;  // work buffer of both compression directions

[[noreturn]] void Fail(const char* what) {
  throw StreamError(what);
}

uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

void Store32(uint8_t* p, uint32_t v) {
  std::memcpy(p, &v, 4);
}

bool Aliases(const std::vector<uint8_t>& buf, const void* p) {
  const auto a = reinterpret_cast<uintptr_t>(p);
  const auto lo = reinterpret_cast<uintptr_t>(buf.data());
  return !buf.empty() && a >= lo && a < lo + buf.size();
}

// Inflates a complete zlib stream in 32 KB steps, refusing content above the limit.
std::vector<uint8_t> InflateStreaming(const uint8_t* src, size_t size, int64_t limit) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) Fail("compressed block: decompressor could not start");
  zs.next_in = const_cast<Bytef*>(src);
  zs.avail_in = static_cast<uInt>(size);
  std::vector<uint8_t> out;
  uint8_t step[kZlibStep];
  for (;;) {
    zs.next_out = step;
    zs.avail_out = sizeof step;
    const int rc = inflate(&zs, Z_NO_FLUSH);
    const size_t produced = sizeof step - zs.avail_out;
    if (rc != Z_OK && rc != Z_STREAM_END) {
      // Z_BUF_ERROR here means the input ended before the stream did.
      inflateEnd(&zs);
      Fail(rc == Z_BUF_ERROR ? "compressed block: data ends early" : "compressed block: damaged data");
    }
    if (static_cast<int64_t>(out.size() + produced) > limit) {
      inflateEnd(&zs);
      Fail("compressed block: content too large");
    }
    out.insert(out.end(), step, step + produced);
    if (rc == Z_STREAM_END) break;
  }
  inflateEnd(&zs);
  return out;
}

// Whole-buffer inflating (libdeflate) runs about twice as fast as zlib's streaming but needs
// room for all of the content up front, and a block does not state its size. So it inflates
// into a scratch buffer kept between blocks, doubled (up to the limit) when a block does not
// fit. A block it refuses for any other reason goes through the streaming path again, so
// damaged data fails exactly as it always did, with the same message.
class WholeInflater {
 public:
  WholeInflater() : d_(libdeflate_alloc_decompressor()) {}
  ~WholeInflater() { libdeflate_free_decompressor(d_); }
  WholeInflater(const WholeInflater&) = delete;
  WholeInflater& operator=(const WholeInflater&) = delete;

  // False when the block is not plain valid zlib data that fits the limit.
  bool Run(const uint8_t* src, size_t size, int64_t limit, std::vector<uint8_t>& out) {
    if (d_ == nullptr || limit < 0) return false;
    const auto cap = static_cast<size_t>(limit);
    size_t want = std::min(cap, std::max({capacity_, size * 4, kScratchStart}));
    for (;;) {
      Reserve(want);
      size_t used = 0, produced = 0;
      const libdeflate_result rc =
          libdeflate_zlib_decompress_ex(d_, src, size, scratch_.get(), want, &used, &produced);
      if (rc == LIBDEFLATE_SUCCESS) {
        out.assign(scratch_.get(), scratch_.get() + produced);
        break;
      }
      if (rc != LIBDEFLATE_INSUFFICIENT_SPACE || want >= cap) {
        Trim();
        return false;
      }
      want = want > cap / 2 ? cap : want * 2;
    }
    Trim();
    return true;
  }

 private:
  static constexpr size_t kScratchStart = size_t{256} << 10;
  static constexpr size_t kScratchKept = size_t{1} << 20;  // larger buffers go back after each block

  void Reserve(size_t n) {
    if (n <= capacity_) return;
    scratch_.reset();  // the old content is not needed: never hold both
    scratch_.reset(new uint8_t[n]);
    capacity_ = n;
  }
  void Trim() {
    if (capacity_ <= kScratchKept) return;
    scratch_.reset();
    capacity_ = 0;
  }

  libdeflate_decompressor* d_;
  std::unique_ptr<uint8_t[]> scratch_;
  size_t capacity_ = 0;
};

// Inflates a complete zlib stream, refusing content above the limit.
std::vector<uint8_t> Inflate(const uint8_t* src, size_t size, int64_t limit) {
  std::vector<uint8_t> out;
  if (InflateWhole(src, size, limit, out)) return out;
  return InflateStreaming(src, size, limit);
}

std::vector<uint8_t> Deflate(const uint8_t* src, size_t size) {
  z_stream zs{};
  if (deflateInit(&zs, Z_DEFAULT_COMPRESSION) != Z_OK) Fail("compressed block: compressor could not start");
  zs.next_in = const_cast<Bytef*>(src);
  zs.avail_in = static_cast<uInt>(size);
  std::vector<uint8_t> out;
  uint8_t step[kZlibStep];
  int rc;
  do {
    zs.next_out = step;
    zs.avail_out = sizeof step;
    rc = deflate(&zs, Z_FINISH);
    if (rc == Z_STREAM_ERROR) {
      deflateEnd(&zs);
      Fail("compressed block: compressor failed");
    }
    out.insert(out.end(), step, step + (sizeof step - zs.avail_out));
  } while (rc != Z_STREAM_END);
  deflateEnd(&zs);
  return out;
}

// Checks that [pos, pos + count) lies inside a buffer of the given size, count < 1 meaning
// "to the end"; returns the count to use.
int64_t CipherRange(int64_t size, int32_t pos, int32_t count) {
  if (pos < 0 || pos > size) Fail("cipher range outside the stream");
  if (count < 1) return size - pos;
  if (count > size - pos) Fail("cipher range outside the stream");
  return count;
}

std::array<uint8_t, 256> InverseTable(const std::array<uint8_t, 256>& e) {
  std::array<uint8_t, 256> d{};
  for (int k = 0; k < 256; ++k) d[e[k]] = static_cast<uint8_t>(k);
  return d;
}

// The keystream of the game-data scrambling: xors the words from the start index on.
void XorWadRegion(uint8_t* region, int64_t len, uint32_t k1, uint32_t k2) {
  std::string seed;
  seed.append(kWadSeedPrefix).append(std::to_string(k1)).append(kWadSeedSuffix);
  std::vector<uint8_t> wide;  // UTF-16LE of an ASCII text
  for (char c : seed) {
    wide.push_back(static_cast<uint8_t>(c));
    wide.push_back(0);
  }
  const uint32_t w = CalcCRC(wide.data(), static_cast<int32_t>(wide.size()));
  XorKeystream(region, (w & 0xFF) + 6, len - 5, k2, w);
}

}  // namespace

// ---- Process-wide helpers ----

bool InflateWhole(const uint8_t* src, size_t size, int64_t limit, std::vector<uint8_t>& out) {
  // One per thread: the threads that inflate ahead of a load keep their own (and give it back
  // when they end), each holding at most kScratchKept between blocks.
  thread_local WholeInflater whole;
  return whole.Run(src, size, limit, out);
}

// zlib's crc32 is the same CRC with the final inversion, worked several bytes at a time from
// tables built into the library, so there is nothing left to set up.
void InitFastCRC() {}

uint32_t CalcCRC(const void* data, int32_t count) {
  if (count <= 0 || data == nullptr) return 0xFFFFFFFFu;
  return ~static_cast<uint32_t>(crc32(0, static_cast<const Bytef*>(data), static_cast<uInt>(count)));
}

uint32_t LocalRandom(uint32_t& z, uint32_t& w) {
  z = 36969u * (z & 0xFFFF) + (z >> 16);
  w = 18000u * (w & 0xFFFF) + (w >> 16);
  return (z << 16) + (w & 0xFFFF);
}

std::array<uint8_t, 256> SubstitutionTable(int32_t key) {
  int64_t a = key % 250 + 6;
  if (a < 0) a += 256;
  int64_t b = key / 250;
  if (b < 0) b += 256;
  std::array<uint8_t, 256> e{};
  for (int k = 0; k < 256; ++k) e[k] = static_cast<uint8_t>(k);
  for (int64_t j = 1; j <= 10000; ++j) {
    int64_t r = (j * a + b) % 254;
    if (r < 0) r += 254;  // only for keys whose b stays negative
    const int64_t x = r + 1;
    std::swap(e[x], e[x + 1]);
  }
  return e;
}

std::string SanitizeUtf8(std::string_view bytes) {
  static constexpr char kReplacement[] = "\xEF\xBF\xBD";
  std::string out;
  out.reserve(bytes.size());
  const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    // Runs of ASCII, nearly all of a game's texts, are checked eight bytes at a time and
    // copied whole.
    size_t run = i;
    uint64_t word;
    while (run + 8 <= n && (std::memcpy(&word, s + run, 8), (word & 0x8080808080808080u) == 0)) run += 8;
    while (run < n && s[run] < 0x80) ++run;
    if (run > i) {
      out.append(bytes.substr(i, run - i));
      i = run;
      if (i == n) break;
    }
    const uint8_t c = s[i];
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    // Length of the sequence and the allowed range of its second byte (excludes overlong
    // forms, surrogates and values above U+10FFFF).
    size_t len = 0;
    uint8_t lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    }
    if (len == 0) {  // stray continuation byte or a byte never used in UTF-8
      out.append(kReplacement);
      ++i;
      continue;
    }
    size_t k = 1;
    for (; k < len && i + k < n; ++k) {
      const uint8_t b = s[i + k];
      if (k == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) break;
    }
    if (k == len) {
      out.append(bytes.substr(i, len));
    } else {
      out.append(kReplacement);  // the valid prefix so far is one maximal invalid subpart
    }
    i += k;
  }
  return out;
}

// ---- Construction and generic operations ----

void CStream::AheadLink::Stop() noexcept {
  CInflateAhead* ahead = to;
  to = nullptr;
  ahead->Stop();
}

CStream::CStream(std::vector<uint8_t> bytes) : buf_(std::move(bytes)) {
  if (static_cast<int64_t>(buf_.size()) > kMaxSize) Fail("stream too large");
}

CStream CStream::FromBytes(const void* data, size_t size) {
  if (size > static_cast<size_t>(kMaxSize)) Fail("stream too large");
  const auto* p = static_cast<const uint8_t*>(data);
  return CStream(std::vector<uint8_t>(p, p + size));
}

const uint8_t* CStream::Take(int64_t count) {
  if (count < 0) Fail("negative byte count");
  if (count > static_cast<int64_t>(buf_.size()) - pos_) Fail("read past the end of the stream");
  const uint8_t* p = buf_.data() + pos_;
  pos_ += static_cast<int32_t>(count);
  return p;
}

void CStream::ReadBuffer(void* dst, int32_t count) {
  const uint8_t* p = Take(count);
  if (count > 0) std::memcpy(dst, p, static_cast<size_t>(count));
}

void CStream::WriteBuffer(const void* src, int32_t count) {
  ahead_.Drop();
  if (count < 0) Fail("negative byte count");
  if (count == 0) return;
  const int64_t end = int64_t{pos_} + count;
  if (end > kMaxSize) Fail("stream too large");
  if (end > static_cast<int64_t>(buf_.size())) {
    if (Aliases(buf_, src)) {  // growing may move the source: copy it first
      std::vector<uint8_t> copy(static_cast<const uint8_t*>(src), static_cast<const uint8_t*>(src) + count);
      buf_.resize(static_cast<size_t>(end));
      std::memcpy(buf_.data() + pos_, copy.data(), copy.size());
      pos_ = static_cast<int32_t>(end);
      return;
    }
    buf_.resize(static_cast<size_t>(end));
  }
  std::memmove(buf_.data() + pos_, src, static_cast<size_t>(count));
  pos_ = static_cast<int32_t>(end);
}

void CStream::SetPosition(int32_t pos) {
  pos_ = std::clamp(pos, 0, GetSize());
}

void CStream::SetSize(int32_t size) {
  ahead_.Drop();
  if (size < 0) Fail("negative size");
  buf_.resize(static_cast<size_t>(size));
  pos_ = std::min(pos_, size);
}

void CStream::Clear() {
  ahead_.Drop();
  buf_.clear();
  buf_.shrink_to_fit();
  pos_ = 0;
}

bool CStream::LoadFromFile(const std::string& path) {
  ahead_.Drop();
  const RegularFile file(path, kMaxSize);
  if (file.fd() < 0) return false;
  std::vector<uint8_t> bytes(static_cast<size_t>(file.size()));
  size_t have = 0;
  while (have < bytes.size()) {
    const ssize_t n = read(file.fd(), bytes.data() + have, bytes.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;  // cut short while we read it
    have += static_cast<size_t>(n);
  }
  buf_ = std::move(bytes);
  pos_ = 0;
  return true;
}

bool CStream::SaveToFile(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(buf_.data()), static_cast<std::streamsize>(buf_.size()));
  out.close();
  return static_cast<bool>(out);
}

void CStream::CopyFrom(CStream& src, int32_t count) {
  const uint8_t* p = src.Take(count);
  if (count > 0) WriteBuffer(p, count);  // WriteBuffer copes with src being this stream
}

// ---- Typed primitives ----

int32_t CStream::ReadInteger() {
  int32_t v;
  std::memcpy(&v, Take(4), 4);
  return v;
}

void CStream::WriteInteger(int32_t v) {
  WriteBuffer(&v, 4);
}

double CStream::ReadReal() {
  double v;
  std::memcpy(&v, Take(8), 8);
  return v;
}

void CStream::WriteReal(double v) {
  WriteBuffer(&v, 8);
}

bool CStream::ReadBoolean() {
  return ReadInteger() > 0;
}

void CStream::WriteBoolean(bool v) {
  WriteInteger(v ? 1 : 0);
}

std::string CStream::ReadString() {
  const int32_t n = ReadInteger();
  if (n <= 0) return {};
  const uint8_t* p = Take(n);  // checked against the remaining bytes before anything is allocated
  return SanitizeUtf8(std::string_view(reinterpret_cast<const char*>(p), static_cast<size_t>(n)));
}

void CStream::WriteString(std::string_view s) {
  if (static_cast<int64_t>(s.size()) > kMaxSize) Fail("string too long");
  const auto n = static_cast<int32_t>(s.size());
  WriteInteger(n);
  WriteBuffer(s.data(), n);
}

// ---- Blocks ----

CStream CStream::ReadStream() {
  const int32_t n = ReadInteger();
  const uint8_t* p = Take(n);
  CStream block(std::vector<uint8_t>(p, p + n));
  block.budget_ = budget_;
  return block;
}

void CStream::WriteStream(CStream& source) {
  const std::vector<uint8_t> copy = &source == this ? buf_ : std::vector<uint8_t>{};
  const std::vector<uint8_t>& bytes = &source == this ? copy : source.buf_;
  WriteInteger(static_cast<int32_t>(bytes.size()));
  WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

CStream CStream::ReadStreamC() {
  return ReadStreamC(kMaxInflatedSize);
}

void CStream::SetInflateBudget(int64_t bytes) { budget_ = std::make_shared<int64_t>(std::max<int64_t>(bytes, 0)); }

int64_t CStream::InflateBudgetFor(int64_t fileSize) {
  const int64_t size = std::clamp<int64_t>(fileSize, 0, kMaxSize);
  return std::min(kInflateBase + size * kInflateFactor, kInflateCeiling);
}

CStream CStream::ReadStreamC(int64_t maxSize) {
  const int32_t at = pos_;
  const int32_t n = ReadInteger();
  if (n <= 0) Fail("compressed block: bad length");
  const uint8_t* p = Take(n);
  int64_t limit = std::min(maxSize, kMaxSize);
  // What the load has left caps the block as its own cap does.
  if (budget_) limit = std::min(limit, *budget_);
  std::vector<uint8_t> content;
  if (ahead_.to == nullptr || !ahead_.to->Take(at, limit, content)) content = Inflate(p, static_cast<size_t>(n), limit);
  CStream block(std::move(content));
  if (budget_) *budget_ -= block.GetSize();
  block.budget_ = budget_;
  return block;
}

void CStream::WriteStreamC(CStream& source) {
  std::vector<uint8_t> packed = Deflate(source.buf_.data(), source.buf_.size());
  if (static_cast<int64_t>(packed.size()) > kMaxSize) Fail("compressed block too large");
  WriteInteger(static_cast<int32_t>(packed.size()));
  WriteBuffer(packed.data(), static_cast<int32_t>(packed.size()));
}

CStream CStream::ReadStreamE() {
  const int32_t a = ReadInteger();
  const int32_t b = ReadInteger();
  if (a < 0 || b < 0) Fail("E block: bad filler count");
  Take(int64_t{a} * 4);
  std::array<uint8_t, 256> t;
  std::memcpy(t.data(), Take(256), 256);
  Take(int64_t{b} * 4);
  std::array<bool, 256> seen{};
  for (int k = 0; k < 256; ++k) {
    if (seen[t[k]]) Fail("E block: table is not a permutation");
    seen[t[k]] = true;
  }
  const int32_t len = ReadInteger();
  const uint8_t* p = Take(len);
  std::vector<uint8_t> m(static_cast<size_t>(len));
  UnscrambleE(p, m.data(), len, t, BestByteKernel());
  CStream block(std::move(m));
  block.budget_ = budget_;  // the unscrambled data still belongs to the same load
  return block;
}

void CStream::WriteStreamE(CStream& source) {
  const auto now = std::chrono::system_clock::now().time_since_epoch().count();
  WriteStreamE(source, static_cast<uint32_t>(now ^ (now >> 32)));
}

void CStream::WriteStreamE(CStream& source, uint32_t seed) {
  source.ahead_.Drop();
  ahead_.Drop();
  std::mt19937 rng(seed);
  std::array<uint8_t, 256> t;
  for (int k = 0; k < 256; ++k) t[k] = static_cast<uint8_t>(k);
  for (int k = 0; k < 256; ++k) std::swap(t[k], t[rng() % 255]);
  const int32_t a = 100 + static_cast<int32_t>(rng() % 500);
  const int32_t b = 100 + static_cast<int32_t>(rng() % 500);

  // Scramble the source in place first, so that writing into this stream cannot disturb it.
  std::vector<uint8_t>& m = source.buf_;
  const int64_t len = static_cast<int64_t>(m.size());
  for (int64_t i = 0; i < len; ++i) {
    const int64_t j = std::max<int64_t>(0, i - t[i % 256]);
    std::swap(m[i], m[j]);
  }
  for (int64_t i = 1; i < len; ++i) m[i] = t[(m[i] + m[i - 1] + i) % 256];
  const std::vector<uint8_t> payload = &source == this ? m : std::vector<uint8_t>{};

  WriteInteger(a);
  WriteInteger(b);
  for (int32_t k = 0; k < a; ++k) WriteInteger(static_cast<int32_t>(rng() % 268435455));
  WriteBuffer(t.data(), 256);
  for (int32_t k = 0; k < b; ++k) WriteInteger(static_cast<int32_t>(rng() % 268435455));
  const std::vector<uint8_t>& bytes = &source == this ? payload : m;
  WriteInteger(static_cast<int32_t>(bytes.size()));
  WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

std::unique_ptr<TBitmap32> CStream::ReadBitmap() {
  if (!ReadBoolean()) return nullptr;
  // The block's frame (length and bytes present) must hold, or the stream is out of step and
  // the read raises; what is inside may be damaged and then only yields no bitmap.
  const int32_t n = ReadInteger();
  const uint8_t* p = Take(std::max(n, 0));
  try {
    if (n <= 0) return nullptr;
    const std::vector<uint8_t> file =
        Inflate(p, static_cast<size_t>(n), budget_ ? std::min(kMaxInflatedSize, *budget_) : kMaxInflatedSize);
    if (budget_) *budget_ -= static_cast<int64_t>(file.size());
    auto bitmap = std::make_unique<TBitmap32>();
    if (!bitmap->LoadFromBMP(file.data(), file.size())) return nullptr;
    return bitmap;
  } catch (const StreamError&) {
    return nullptr;
  }
}

void CStream::WriteBitmap(const TBitmap32* bitmap) {
  if (bitmap == nullptr || bitmap->Empty()) {
    WriteBoolean(false);
    return;
  }
  WriteBoolean(true);
  CStream file(bitmap->SaveToBMP());
  WriteStreamC(file);
}

// ---- Checks and conversions ----

int32_t CStream::CheckSum() const {
  int32_t sum = 0;
  for (uint8_t b : buf_) sum = (sum + b) % 1000000;
  return sum;
}

std::string CStream::ConvertToString() const {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(buf_.size() * 2);
  for (uint8_t b : buf_) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0xF]);
  }
  return out;
}

void CStream::ConvertFromString(std::string_view text) {
  ahead_.Drop();
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  Clear();
  if (text.size() / 2 > static_cast<size_t>(kMaxSize)) Fail("hex text too long");
  buf_.reserve(text.size() / 2);
  for (size_t k = 0; k + 1 < text.size(); k += 2) {
    const int hi = digit(text[k]), lo = digit(text[k + 1]);
    if (hi < 0 || lo < 0) {
      pos_ = GetSize();
      Fail("hex text: not a hexadecimal pair");
    }
    buf_.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  pos_ = 0;
}

// ---- Byte substitution ciphers ----

void CStream::Encrypt(int32_t key, int32_t pos, int32_t count) {
  ahead_.Drop();
  const int64_t n = CipherRange(GetSize(), pos, count);
  const auto e = SubstitutionTable(key);
  for (int64_t i = pos; i < pos + n; ++i) buf_[i] = e[buf_[i]];
}

void CStream::Decrypt(int32_t key, int32_t pos, int32_t count) {
  ahead_.Drop();
  const int64_t n = CipherRange(GetSize(), pos, count);
  const auto d = InverseTable(SubstitutionTable(key));
  for (int64_t i = pos; i < pos + n; ++i) buf_[i] = d[buf_[i]];
}

void CStream::Encrypt2(int32_t key, int32_t pos, int32_t count) {
  ahead_.Drop();
  const int64_t n = CipherRange(GetSize(), pos, count);
  const auto e = SubstitutionTable(key);
  for (int64_t i = pos; i < pos + n; ++i) buf_[i] = e[(buf_[i] + i) & 0xFF];
}

void CStream::Decrypt2(int32_t key, int32_t pos, int32_t count) {
  ahead_.Drop();
  const int64_t n = CipherRange(GetSize(), pos, count);
  const auto d = InverseTable(SubstitutionTable(key));
  for (int64_t i = pos; i < pos + n; ++i) buf_[i] = static_cast<uint8_t>(d[buf_[i]] - (i & 0xFF));
}

// ---- Game-data scrambling ----

bool CStream::DecryptWad(int32_t base) {
  ahead_.Drop();
  if (base < 0 || int64_t{GetSize()} - base < 12) return false;
  uint8_t* data = buf_.data() + base;
  const int64_t len = int64_t{GetSize()} - base - 12;
  const uint32_t k1 = Load32(data);
  const uint32_t k2 = Load32(data + 4);
  XorWadRegion(data + 12, len, k1, k2);
  return CalcCRC(data + 12, static_cast<int32_t>(len)) == k2;
}

void CStream::EncryptWad(int32_t base, uint32_t k1) {
  ahead_.Drop();
  if (base < 0 || int64_t{GetSize()} - base < 12) Fail("game data: no room for the preamble");
  uint8_t* data = buf_.data() + base;
  const int64_t len = int64_t{GetSize()} - base - 12;
  const uint32_t k2 = CalcCRC(data + 12, static_cast<int32_t>(len));
  Store32(data, k1);
  Store32(data + 4, k2);
  XorWadRegion(data + 12, len, k1, k2);
}
