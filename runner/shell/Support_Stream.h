// The runner's one binary reader and writer: an in-memory byte buffer with a position,
// typed little-endian primitives, plain/zlib/bitmap/"E" blocks, the CRC, the hex text form
// and the unscrambling of appended game data. Every loader and every saved game goes through it.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class TBitmap32;

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
  CStream() = default;
  explicit CStream(std::vector<uint8_t> bytes) : buf_(std::move(bytes)) {}

  // Generic operations.
  void ReadBuffer(void* dst, int32_t count);
  void WriteBuffer(const void* src, int32_t count);
  int32_t GetPosition() const { return pos_; }
  void SetPosition(int32_t pos);  // clamped to 0..size
  int32_t GetSize() const { return static_cast<int32_t>(buf_.size()); }
  void Clear();
  bool LoadFromFile(const std::string& path);
  bool SaveToFile(const std::string& path) const;
  void CopyFrom(CStream& src, int32_t count);  // count bytes from src at its position
  uint8_t* Data() { return buf_.data(); }
  const uint8_t* Data() const { return buf_.data(); }
  const std::vector<uint8_t>& Bytes() const { return buf_; }

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
  CStream ReadStreamC();
  void WriteStreamC(CStream& source);
  CStream ReadStreamE();
  void WriteStreamE(CStream& source);  // scrambles source's buffer in place
  std::unique_ptr<TBitmap32> ReadBitmap();  // null when absent or undecodable
  void WriteBitmap(const TBitmap32* bitmap);

  // Checks and conversions.
  int32_t CheckSum() const;
  std::string ConvertToString() const;
  void ConvertFromString(std::string_view text);

  // Byte substitution ciphers; count < 1 means up to the end.
  void Encrypt(int32_t key, int32_t pos, int32_t count);
  void Decrypt(int32_t key, int32_t pos, int32_t count);
  void Encrypt2(int32_t key, int32_t pos, int32_t count);
  void Decrypt2(int32_t key, int32_t pos, int32_t count);

  // Unscrambles the game data that starts at base (just after the signature). Returns false
  // when the checksum does not match; the caller then ends the runner without a message.
  bool DecryptWad(int32_t base);

 private:
  std::vector<uint8_t> buf_;
  int32_t pos_ = 0;
};

void InitFastCRC();
uint32_t CalcCRC(const void* data, int32_t count);
uint32_t LocalRandom(uint32_t& z, uint32_t& w);
