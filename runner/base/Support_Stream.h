// The runner's one binary reader and writer: an in-memory byte buffer with a position,
// typed little-endian primitives, plain/zlib/bitmap/"E" blocks, the CRC, the hex text form
// and the unscrambling of appended game data. Every loader and every saved game goes through it.
#pragma once

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class TBitmap32;
class CInflateAhead;

// Raised by a read past the end, damaged compressed data or a bad hex pair. Loading turns it
// into its own message; nothing in the stream reads or writes outside its buffer first.
class StreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The seed text of the game-data unscrambling is prefix + decimal key + suffix; the runner and
// gamebuild must agree on both.
inline constexpr std::string_view kWadSeedPrefix = "KVRX";
inline constexpr std::string_view kWadSeedSuffix = "LOAD";

class CStream {
 public:
  // Largest size of a stream (positions are signed 32-bit) and largest content that
  // ReadStreamC inflates; past either the operation raises StreamError.
  static constexpr int64_t kMaxSize = INT32_MAX;
  static constexpr int64_t kMaxInflatedSize = int64_t{1} << 30;

  // A whole load may inflate to at most this multiple of its file size (plus kInflateBase),
  // never more than kInflateCeiling: a small file of well-packed blocks must not take gigabytes.
  static constexpr int64_t kInflateFactor = 64;
  static constexpr int64_t kInflateBase = int64_t{256} << 20;
  static constexpr int64_t kInflateCeiling = int64_t{2} << 30;

  CStream() = default;
  explicit CStream(std::vector<uint8_t> bytes);             // position 0; StreamError above kMaxSize
  static CStream FromBytes(const void* data, size_t size);  // copies the bytes; position 0

  // Generic operations. Counts below 0 and reads past the end raise StreamError.
  void ReadBuffer(void* dst, int32_t count);
  void WriteBuffer(const void* src, int32_t count);
  int32_t GetPosition() const { return pos_; }
  void SetPosition(int32_t pos);  // clamped to 0..size
  int32_t GetSize() const { return static_cast<int32_t>(buf_.size()); }
  void SetSize(int32_t size);  // cuts or extends with zeros; the position stays inside
  void Clear();
  bool LoadFromFile(const std::string& path);
  bool SaveToFile(const std::string& path) const;
  void CopyFrom(CStream& src, int32_t count);  // count bytes from src at its position (0: none)
  uint8_t* Data() {  // writable: whoever inflates ahead must stop first
    ahead_.Drop();
    return buf_.data();
  }
  const uint8_t* Data() const { return buf_.data(); }
  const std::vector<uint8_t>& Bytes() const { return buf_; }

  // Gives this stream a budget of inflated bytes, shared by every block read from it and from
  // the streams those reads yield; a block past what is left raises StreamError. Without a
  // budget only the per-block cap applies. InflateBudgetFor gives the budget of a load.
  void SetInflateBudget(int64_t bytes);
  static int64_t InflateBudgetFor(int64_t fileSize);

  // Typed primitives at the position.
  int32_t ReadInteger();
  void WriteInteger(int32_t v);
  double ReadReal();
  void WriteReal(double v);
  bool ReadBoolean();
  void WriteBoolean(bool v);
  std::string ReadString();
  void WriteString(std::string_view s);

  // Blocks.
  CStream ReadStream();
  void WriteStream(CStream& source);
  CStream ReadStreamC();                 // inflates at most kMaxInflatedSize bytes
  CStream ReadStreamC(int64_t maxSize);  // same with a caller's cap
  void WriteStreamC(CStream& source);
  CStream ReadStreamE();
  void WriteStreamE(CStream& source);                 // scrambles source's buffer in place; clock-seeded
  void WriteStreamE(CStream& source, uint32_t seed);  // same, reproducible filler and table
  // Null when absent or when the block's content (zlib data or BMP file) cannot be decoded; a
  // block whose length runs past the end still raises StreamError.
  std::unique_ptr<TBitmap32> ReadBitmap();
  void WriteBitmap(const TBitmap32* bitmap);  // null or empty: written as absent

  // Checks and conversions.
  int32_t CheckSum() const;
  std::string ConvertToString() const;
  void ConvertFromString(std::string_view text);

  // Byte substitution ciphers; count < 1 means up to the end. A range outside the buffer
  // raises StreamError.
  void Encrypt(int32_t key, int32_t pos, int32_t count);
  void Decrypt(int32_t key, int32_t pos, int32_t count);
  void Encrypt2(int32_t key, int32_t pos, int32_t count);
  void Decrypt2(int32_t key, int32_t pos, int32_t count);

  // Unscrambles the game data that starts at base (just after the signature). Returns false
  // when the checksum does not match; the caller then ends the runner without a message.
  // Also false when fewer than 12 bytes follow base.
  bool DecryptWad(int32_t base);
  // The inverse, for writers of game data: base is where DecryptWad will start; the 12-byte
  // preamble there receives K1 = k1 and K2 = the CRC of the plain region that follows it (its
  // bytes 8..11 are left as they are), then the region is scrambled in place. Raises StreamError
  // when fewer than 12 bytes follow base.
  void EncryptWad(int32_t base, uint32_t k1);

 private:
  friend class CInflateAhead;

  // The inflater working ahead on this stream's blocks (Stream_Ahead.h), if any. Its workers
  // read the bytes, so anything that changes or moves them stops it first; a copy of the
  // stream has none.
  struct AheadLink {
    CInflateAhead* to = nullptr;
    AheadLink() = default;
    AheadLink(const AheadLink&) {}
    AheadLink(AheadLink&& other) noexcept { other.Drop(); }
    AheadLink& operator=(const AheadLink&) {
      Drop();
      return *this;
    }
    AheadLink& operator=(AheadLink&& other) noexcept {
      Drop();
      other.Drop();
      return *this;
    }
    ~AheadLink() { Drop(); }
    void Drop() noexcept {
      if (to != nullptr) Stop();
    }
    void Stop() noexcept;
  };

  const uint8_t* Take(int64_t count);  // checks and consumes count bytes at the position

  std::vector<uint8_t> buf_;
  std::shared_ptr<int64_t> budget_;  // inflated bytes left to the load this stream belongs to
  int32_t pos_ = 0;
  AheadLink ahead_;
};

// Inflates a whole zlib stream of at most limit bytes with the calling thread's kept buffer;
// false when it is not plain valid zlib data that fits (the caller then takes the streaming path,
// whose errors are the stream's own).
bool InflateWhole(const uint8_t* src, size_t size, int64_t limit, std::vector<uint8_t>& out);

// InitFastCRC may be called any number of times; the CRC needs no set-up. CalcCRC omits the final inversion (~ of the usual CRC-32); a count <= 0
// gives 0xFFFFFFFF.
void InitFastCRC();
uint32_t CalcCRC(const void* data, int32_t count);
uint32_t LocalRandom(uint32_t& z, uint32_t& w);

// The substitution table E of the byte ciphers for a key (D is its inverse). Keys below
// -64249 would step outside the table with the plain key set-up; there the index is taken
// modulo 254 as a non-negative remainder, so every key is safe.
std::array<uint8_t, 256> SubstitutionTable(int32_t key);

// Decodes UTF-8; every invalid sequence (maximal invalid subpart) becomes U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);
