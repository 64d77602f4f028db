#include "runner/base/Support_Stream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>

#include "runner/base/BM32_Bitmap.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Le32(int32_t v) {
  Bytes b(4);
  std::memcpy(b.data(), &v, 4);
  return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

// A zlib stream of `mib` MiB of zeros, built in a few milliseconds: one fully flushed deflate
// segment of 1 MiB (it refers to nothing before it), repeated, then an empty final block and
// the Adler-32 of the whole content.
Bytes ZlibOfZeros(size_t mib) {
  const Bytes zeros(1 << 20, 0);
  z_stream zs{};
  EXPECT_EQ(deflateInit2(&zs, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes segment(deflateBound(&zs, zeros.size()) + 64);
  zs.next_in = const_cast<Bytef*>(zeros.data());
  zs.avail_in = static_cast<uInt>(zeros.size());
  zs.next_out = segment.data();
  zs.avail_out = static_cast<uInt>(segment.size());
  EXPECT_EQ(deflate(&zs, Z_FULL_FLUSH), Z_OK);
  EXPECT_EQ(zs.avail_in, 0u);
  segment.resize(segment.size() - zs.avail_out);
  deflateEnd(&zs);

  Bytes out = {0x78, 0x9C};
  uLong adler = adler32(0, nullptr, 0);
  const uLong adlerMiB = adler32(adler32(0, nullptr, 0), zeros.data(), static_cast<uInt>(zeros.size()));
  for (size_t k = 0; k < mib; ++k) {
    out.insert(out.end(), segment.begin(), segment.end());
    adler = adler32_combine(adler, adlerMiB, static_cast<z_off_t>(zeros.size()));
  }
  out.push_back(0x03);  // empty final block with fixed codes
  out.push_back(0x00);
  for (int k = 3; k >= 0; --k) out.push_back(static_cast<uint8_t>(adler >> (8 * k)));
  return out;
}

}  // namespace

// ---- Generic operations ----

TEST(Stream, WriteOverwritesAndExtendsAtThePosition) {
  CStream s;
  s.WriteInteger(0x04030201);
  s.SetPosition(2);
  const uint8_t more[] = {9, 9, 9, 9};
  s.WriteBuffer(more, 4);
  EXPECT_EQ(s.Bytes(), (Bytes{1, 2, 9, 9, 9, 9}));
  EXPECT_EQ(s.GetPosition(), 6);
}

TEST(Stream, FromBytesCopies) {
  const uint8_t raw[] = {5, 6, 7};
  CStream s = CStream::FromBytes(raw, 3);
  EXPECT_EQ(s.Bytes(), (Bytes{5, 6, 7}));
  EXPECT_EQ(s.GetPosition(), 0);
  EXPECT_EQ(CStream::FromBytes(nullptr, 0).GetSize(), 0);
}

TEST(Stream, SetPositionIsClamped) {
  CStream s(Bytes(10, 0));
  s.SetPosition(-5);
  EXPECT_EQ(s.GetPosition(), 0);
  s.SetPosition(100);
  EXPECT_EQ(s.GetPosition(), 10);
}

TEST(Stream, SetSizeCutsOrExtendsWithZeros) {
  CStream s(Bytes(10, 7));
  s.SetPosition(8);
  s.SetSize(4);
  EXPECT_EQ(s.GetPosition(), 4);
  s.SetSize(6);
  EXPECT_EQ(s.Bytes(), (std::vector<uint8_t>{7, 7, 7, 7, 0, 0}));
  EXPECT_THROW(s.SetSize(-1), StreamError);
}

TEST(Stream, NegativeCountsAreRejected) {
  CStream s(Bytes(10, 0));
  uint8_t dst[4];
  EXPECT_THROW(s.ReadBuffer(dst, -1), StreamError);
  EXPECT_THROW(s.WriteBuffer(dst, -1), StreamError);
  CStream other(Bytes(4, 1));
  EXPECT_THROW(s.CopyFrom(other, -1), StreamError);
  EXPECT_EQ(s.GetSize(), 10);
}

TEST(Stream, CopyFromTakesBytesAtTheSourcePosition) {
  CStream src(Bytes{1, 2, 3, 4, 5});
  src.SetPosition(1);
  CStream dst;
  dst.CopyFrom(src, 3);
  EXPECT_EQ(dst.Bytes(), (Bytes{2, 3, 4}));
  EXPECT_EQ(src.GetPosition(), 4);
  EXPECT_THROW(dst.CopyFrom(src, 2), StreamError);
  // A stream copied onto itself: the bytes read come after them, even though the buffer grows.
  CStream self(Bytes{7, 8});
  self.CopyFrom(self, 2);
  EXPECT_EQ(self.Bytes(), (Bytes{7, 8, 7, 8}));
}

TEST(Stream, FileRoundTrip) {
  const auto path = std::filesystem::temp_directory_path() / "support_stream_test.bin";
  CStream s(RandomBytes(1000, 3));
  ASSERT_TRUE(s.SaveToFile(path.string()));
  CStream t;
  ASSERT_TRUE(t.LoadFromFile(path.string()));
  EXPECT_EQ(t.Bytes(), s.Bytes());
  EXPECT_EQ(t.GetPosition(), 0);
  std::filesystem::remove(path);
  EXPECT_FALSE(t.LoadFromFile(path.string()));
}

// ---- Typed primitives ----

TEST(StreamPrimitives, RoundTrip) {
  CStream s;
  for (int32_t v : {0, 1, -1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()})
    s.WriteInteger(v);
  for (double v : {0.0, -0.0, 1.5, -1e300, std::numeric_limits<double>::infinity()}) s.WriteReal(v);
  s.WriteReal(std::nan(""));
  s.WriteBoolean(true);
  s.WriteBoolean(false);
  s.WriteString("hello");
  s.WriteString("");
  EXPECT_EQ(s.GetSize(), 5 * 4 + 6 * 8 + 2 * 4 + 9 + 4);

  s.SetPosition(0);
  for (int32_t v : {0, 1, -1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()})
    EXPECT_EQ(s.ReadInteger(), v);
  EXPECT_EQ(s.ReadReal(), 0.0);
  EXPECT_TRUE(std::signbit(s.ReadReal()));
  EXPECT_EQ(s.ReadReal(), 1.5);
  EXPECT_EQ(s.ReadReal(), -1e300);
  EXPECT_EQ(s.ReadReal(), std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(s.ReadReal()));
  EXPECT_TRUE(s.ReadBoolean());
  EXPECT_FALSE(s.ReadBoolean());
  EXPECT_EQ(s.ReadString(), "hello");
  EXPECT_EQ(s.ReadString(), "");
  EXPECT_EQ(s.GetPosition(), s.GetSize());
}

TEST(StreamPrimitives, LittleEndianLayout) {
  CStream s;
  s.WriteInteger(0x12345678);
  s.WriteBoolean(true);
  s.WriteString("ab");
  EXPECT_EQ(s.Bytes(), (Bytes{0x78, 0x56, 0x34, 0x12, 1, 0, 0, 0, 2, 0, 0, 0, 'a', 'b'}));
}

TEST(StreamPrimitives, BooleanIsTrueOnlyAbove0) {
  CStream s(Cat({Le32(2), Le32(-1), Le32(0), Le32(1), Le32(std::numeric_limits<int32_t>::min())}));
  EXPECT_TRUE(s.ReadBoolean());
  EXPECT_FALSE(s.ReadBoolean());
  EXPECT_FALSE(s.ReadBoolean());
  EXPECT_TRUE(s.ReadBoolean());
  EXPECT_FALSE(s.ReadBoolean());
}

TEST(StreamPrimitives, EmptyAndNegativeStringLengths) {
  CStream s(Cat({Le32(0), Le32(-7), Le32(42)}));
  EXPECT_EQ(s.ReadString(), "");
  EXPECT_EQ(s.GetPosition(), 4);
  EXPECT_EQ(s.ReadString(), "");
  EXPECT_EQ(s.GetPosition(), 8);
  EXPECT_EQ(s.ReadInteger(), 42);
}

TEST(StreamPrimitives, NonAsciiStringCountsBytes) {
  const std::string text = "h\xC3\xA9llo \xE2\x9C\x93 \xF0\x9F\x98\x80";  // é, ✓, an emoji
  CStream s;
  s.WriteString(text);
  s.SetPosition(0);
  EXPECT_EQ(s.ReadInteger(), static_cast<int32_t>(text.size()));
  EXPECT_EQ(text.size(), 15u);
  s.SetPosition(0);
  EXPECT_EQ(s.ReadString(), text);
}

TEST(StreamPrimitives, InvalidUtf8BecomesReplacementCharacters) {
  const std::string r = "\xEF\xBF\xBD";
  struct Case {
    std::string in, out;
  } cases[] = {
      {"a\x80z", "a" + r + "z"},                       // stray continuation byte
      {"\xC3", r},                                     // sequence cut at the end
      {"a\xE2\x82z", "a" + r + "z"},                   // one maximal invalid subpart
      {"\xC0\xAF", r + r},                             // overlong lead byte
      {"\xE0\x80\x80", r + r + r},                     // overlong three-byte form
      {"\xED\xA0\x80", r + r + r},                     // surrogate
      {"\xF4\x90\x80\x80", r + r + r + r},             // above U+10FFFF
      {"\xFF\xFE", r + r},                             // never valid
      {"ok\xE2\x9C\x93", "ok\xE2\x9C\x93"},            // valid stays
      {std::string("\0x", 2), std::string("\0x", 2)},  // NUL is kept
  };
  for (const Case& c : cases) {
    CStream s;
    s.WriteString(c.in);
    s.SetPosition(0);
    EXPECT_EQ(s.ReadString(), c.out) << "input bytes: " << c.in.size();
  }
}

TEST(StreamPrimitives, HugeLengthsThrowBeforeAllocating) {
  const Bytes hostile = Cat({Le32(std::numeric_limits<int32_t>::max()), Bytes(6, 'x')});
  std::vector<std::pair<const char*, std::function<void(CStream&)>>> reads = {
      {"ReadString", [](CStream& s) { s.ReadString(); }},
      {"ReadStream", [](CStream& s) { s.ReadStream(); }},
      {"ReadStreamC", [](CStream& s) { s.ReadStreamC(); }},
  };
  for (auto& [name, read] : reads) {
    CStream s(hostile);
    EXPECT_THROW(read(s), StreamError) << name;
  }
  // Position near the end plus a large count must not wrap around.
  CStream s(Bytes(10, 0));
  s.SetPosition(8);
  uint8_t dst[4];
  EXPECT_THROW(s.ReadBuffer(dst, std::numeric_limits<int32_t>::max()), StreamError);
}

TEST(StreamPrimitives, TruncatedReadsThrow) {
  struct Case {
    const char* name;
    Bytes bytes;
    std::function<void(CStream&)> read;
  };
  const Case cases[] = {
      {"ReadInteger", Bytes(3, 0), [](CStream& s) { s.ReadInteger(); }},
      {"ReadReal", Bytes(7, 0), [](CStream& s) { s.ReadReal(); }},
      {"ReadBoolean", Bytes(3, 1), [](CStream& s) { s.ReadBoolean(); }},
      {"ReadString length", Bytes(2, 0), [](CStream& s) { s.ReadString(); }},
      {"ReadString body", Cat({Le32(5), Bytes(4, 'a')}), [](CStream& s) { s.ReadString(); }},
      {"ReadStream length", Bytes(1, 0), [](CStream& s) { s.ReadStream(); }},
      {"ReadStream body", Cat({Le32(5), Bytes(4, 0)}), [](CStream& s) { s.ReadStream(); }},
      {"ReadStream negative", Le32(-1), [](CStream& s) { s.ReadStream(); }},
      {"ReadStreamC body", Cat({Le32(20), Bytes(4, 0)}), [](CStream& s) { s.ReadStreamC(); }},
      {"ReadStreamE header", Le32(100), [](CStream& s) { s.ReadStreamE(); }},
      {"ReadStreamE filler", Cat({Le32(100), Le32(100), Bytes(50, 0)}), [](CStream& s) { s.ReadStreamE(); }},
      {"ReadStreamE negative filler", Cat({Le32(-1), Le32(0)}), [](CStream& s) { s.ReadStreamE(); }},
      {"ReadStreamE huge filler", Cat({Le32(std::numeric_limits<int32_t>::max()), Le32(0), Bytes(300, 0)}),
       [](CStream& s) { s.ReadStreamE(); }},
      {"ReadBitmap flag", Bytes(2, 0), [](CStream& s) { s.ReadBitmap(); }},
      {"ReadBitmap body", Cat({Le32(1), Le32(10), Bytes(3, 0)}), [](CStream& s) { s.ReadBitmap(); }},
  };
  for (const Case& c : cases) {
    CStream s(c.bytes);
    EXPECT_THROW(c.read(s), StreamError) << c.name;
  }
}

// ---- Blocks ----

TEST(StreamBlocks, PlainBlockRoundTrip) {
  CStream payload(RandomBytes(300, 1));
  payload.SetPosition(123);
  CStream s;
  s.WriteStream(payload);
  EXPECT_EQ(payload.GetPosition(), 123);
  s.WriteInteger(77);
  s.SetPosition(0);
  CStream back = s.ReadStream();
  EXPECT_EQ(back.Bytes(), payload.Bytes());
  EXPECT_EQ(back.GetPosition(), 0);
  EXPECT_EQ(s.ReadInteger(), 77);
}

TEST(StreamBlocks, EmptyPlainBlockLeavesPositionAfterLength) {
  CStream s(Cat({Le32(0), Le32(5)}));
  CStream back = s.ReadStream();
  EXPECT_EQ(back.GetSize(), 0);
  EXPECT_EQ(s.GetPosition(), 4);
}

TEST(StreamBlocks, CompressedBlockRoundTrip) {
  for (size_t n : {size_t{0}, size_t{1}, size_t{1000}, size_t{100000}}) {
    Bytes content = RandomBytes(n, static_cast<uint32_t>(n));
    for (size_t k = 0; k < n / 2; ++k) content[k] = 0;  // make it compressible
    CStream payload(content);
    payload.SetPosition(static_cast<int32_t>(n / 3));
    CStream s;
    s.WriteStreamC(payload);
    EXPECT_EQ(payload.GetPosition(), static_cast<int32_t>(n / 3));
    s.SetPosition(0);
    CStream back = s.ReadStreamC();
    EXPECT_EQ(back.Bytes(), content) << n;
    EXPECT_EQ(back.GetPosition(), 0);
    EXPECT_EQ(s.GetPosition(), s.GetSize());
  }
}

TEST(StreamBlocks, EmptyCompressedContentIsAValidZlibStream) {
  CStream empty;
  CStream s;
  s.WriteStreamC(empty);
  EXPECT_EQ(s.Bytes(), (Bytes{8, 0, 0, 0, 0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
}

TEST(StreamBlocks, DamagedCompressedDataThrows) {
  CStream payload(RandomBytes(5000, 9));
  CStream good;
  good.WriteStreamC(payload);
  const Bytes bytes = good.Bytes();

  Bytes flipped = bytes;
  flipped[4 + 100] ^= 0xFF;
  Bytes badHeader = bytes;
  badHeader[4] = 0x00;
  Bytes badTrailer = bytes;
  badTrailer.back() ^= 0x01;
  Bytes cut = bytes;  // length and content shortened together: the stream ends early
  cut.resize(bytes.size() - 10);
  const int32_t n = static_cast<int32_t>(cut.size() - 4);
  std::memcpy(cut.data(), &n, 4);

  for (const Bytes& b : {flipped, badHeader, badTrailer, cut, Cat({Le32(0)}), Cat({Le32(-3), Bytes(8, 0)})}) {
    CStream s(b);
    EXPECT_THROW(s.ReadStreamC(), StreamError);
  }
}

// Blocks are inflated whole into a buffer guessed from their packed size; a block that packs
// far better than the guess, bytes after the zlib stream and damaged data must all come out
// as zlib's streaming reader has always had them.
TEST(StreamBlocks, CompressedBlocksReadWholeAsStreamed) {
  Bytes big = RandomBytes(3 << 20, 4);
  std::fill(big.begin(), big.begin() + (big.size() - 1000), 7);  // packs about 1000 : 1
  CStream payload(big);
  CStream packed;
  packed.WriteStreamC(payload);
  const Bytes zlib(packed.Bytes().begin() + 4, packed.Bytes().end());
  const auto block = [](const Bytes& z) { return Cat({Le32(static_cast<int32_t>(z.size())), z}); };
  {
    CStream s(block(zlib));
    EXPECT_EQ(s.ReadStreamC().Bytes(), big);
    CStream trailing(block(Cat({zlib, Bytes(9, 0xAB)})));  // ignored after the stream's end
    EXPECT_EQ(trailing.ReadStreamC().Bytes(), big);
    EXPECT_EQ(trailing.GetPosition(), trailing.GetSize());
  }
  Bytes flipped = zlib;
  flipped[zlib.size() - 100] ^= 0x55;  // among the literals of the unpackable tail
  Bytes badTrailer = zlib;
  badTrailer.back() ^= 0x01;
  const Bytes cut(zlib.begin(), zlib.end() - 10);
  struct Case {
    const char* name;
    Bytes data;
    int64_t cap;
    std::string message;
  };
  const Case cases[] = {
      {"damaged", flipped, CStream::kMaxInflatedSize, "compressed block: damaged data"},
      {"bad check value", badTrailer, CStream::kMaxInflatedSize, "compressed block: damaged data"},
      {"ends early", cut, CStream::kMaxInflatedSize, "compressed block: data ends early"},
      {"one byte over the cap", zlib, (3 << 20) - 1, "compressed block: content too large"},
  };
  for (const Case& c : cases) {
    CStream s(block(c.data));
    try {
      s.ReadStreamC(c.cap);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const StreamError& e) {
      EXPECT_EQ(e.what(), c.message) << c.name;
    }
  }
  CStream exact(block(zlib));
  EXPECT_EQ(exact.ReadStreamC(3 << 20).GetSize(), 3 << 20);
}

// A block larger than the buffer kept between blocks is inflated into a buffer of its own, given
// back after it: every byte must arrive, whether the first guess of the size held or had to grow,
// and a block read after it must not see its leftovers.
TEST(StreamBlocks, LargeBlocksArriveWhole) {
  struct Case {
    const char* name;
    size_t size;
    size_t packable;  // leading bytes that pack to almost nothing, so the guess has to grow
  };
  const Case cases[] = {
      {"just above the kept buffer", (size_t{1} << 20) + 1, 0},
      {"two and a half MiB and a few bytes", (size_t{5} << 19) + 3, 0},
      {"guessed far too small", (size_t{5} << 20) - 1, (size_t{5} << 20) - 5000},
  };
  for (const Case& c : cases) {
    Bytes content = RandomBytes(c.size, static_cast<uint32_t>(c.size));
    std::fill(content.begin(), content.begin() + static_cast<std::ptrdiff_t>(c.packable), 5);
    CStream payload(content);
    const Bytes small = RandomBytes(1000, 8);
    CStream after(small);
    CStream packed;
    packed.WriteStreamC(payload);
    packed.WriteStreamC(after);
    packed.SetPosition(0);
    EXPECT_EQ(packed.ReadStreamC().Bytes(), content) << c.name;
    EXPECT_EQ(packed.ReadStreamC().Bytes(), small) << c.name;
    EXPECT_EQ(packed.GetPosition(), packed.GetSize()) << c.name;
  }
}

TEST(StreamBlocks, InflationIsCapped) {
  const Bytes bomb = ZlibOfZeros(4);  // 4 MiB of zeros in a few KB
  ASSERT_LT(bomb.size(), 10000u);
  CStream s(Cat({Le32(static_cast<int32_t>(bomb.size())), bomb}));
  EXPECT_THROW(s.ReadStreamC(1 << 20), StreamError);
  s.SetPosition(0);
  EXPECT_EQ(s.ReadStreamC(int64_t{4} << 20).GetSize(), 4 << 20);
}

TEST(StreamBlocks, EBlockRoundTrip) {
  for (size_t n : {0, 1, 255, 256, 257, 511, 512, 4096, 10000}) {
    const Bytes content = RandomBytes(n, static_cast<uint32_t>(n) + 17);
    CStream payload(content);
    CStream s;
    s.WriteInteger(-99);
    s.WriteStreamE(payload);
    s.WriteInteger(99);
    if (n >= 256) {
      EXPECT_NE(payload.Bytes(), content) << "the source is scrambled in place";
    }
    s.SetPosition(0);
    EXPECT_EQ(s.ReadInteger(), -99);
    CStream back = s.ReadStreamE();
    EXPECT_EQ(back.Bytes(), content) << n;
    EXPECT_EQ(back.GetPosition(), 0);
    EXPECT_EQ(s.ReadInteger(), 99);
  }
}

TEST(StreamBlocks, EBlockLayoutAndSeededWriter) {
  const Bytes content = RandomBytes(700, 5);
  CStream p1(content), p2(content);
  CStream a, b;
  a.WriteStreamE(p1, 1234);
  b.WriteStreamE(p2, 1234);
  EXPECT_EQ(a.Bytes(), b.Bytes());

  a.SetPosition(0);
  const int32_t fa = a.ReadInteger(), fb = a.ReadInteger();
  EXPECT_GE(fa, 100);
  EXPECT_LE(fa, 599);
  EXPECT_GE(fb, 100);
  EXPECT_LE(fb, 599);
  EXPECT_EQ(a.GetSize(), 8 + 4 * fa + 256 + 4 * fb + 4 + 700);
  // The table is a permutation; breaking it is reported.
  Bytes broken = a.Bytes();
  broken[8 + 4 * fa] = broken[8 + 4 * fa + 1];
  CStream damaged(broken);
  EXPECT_THROW(damaged.ReadStreamE(), StreamError);
}

TEST(StreamBlocks, EBlockPayloadLengthIsChecked) {
  CStream s;
  s.WriteInteger(0);
  s.WriteInteger(0);
  for (int k = 0; k < 256; ++k) s.WriteBuffer(&k, 1);
  s.WriteInteger(std::numeric_limits<int32_t>::max());
  s.WriteInteger(0);
  s.SetPosition(0);
  EXPECT_THROW(s.ReadStreamE(), StreamError);
}

TEST(StreamBlocks, BitmapRoundTrip) {
  TBitmap32 bm(3, 2);
  bm.SetPixel(0, 0, 0x80FF0000);
  bm.SetPixel(1, 0, 0xFF00FF00);
  bm.SetPixel(2, 0, 0x010000FF);
  bm.SetPixel(0, 1, 0xFFFFFFFF);
  bm.SetPixel(2, 1, 0x7F123456);
  CStream s;
  s.WriteBitmap(&bm);
  s.WriteBitmap(nullptr);
  s.WriteInteger(5);
  s.SetPosition(0);
  auto back = s.ReadBitmap();
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Width(), 3);
  EXPECT_EQ(back->Height(), 2);
  EXPECT_EQ(back->Pixels(), bm.Pixels());
  EXPECT_EQ(s.ReadBitmap(), nullptr);
  EXPECT_EQ(s.ReadInteger(), 5);
}

TEST(StreamBlocks, DamagedBitmapBlockYieldsNoBitmap) {
  TBitmap32 bm(4, 4, 0xFF336699);
  CStream good;
  good.WriteBitmap(&bm);

  // A BMP file whose pixel data is cut short, properly compressed.
  Bytes file = bm.SaveToBMP();
  file.resize(file.size() - 10);
  CStream shortFile(file);
  CStream badBmp;
  badBmp.WriteBoolean(true);
  badBmp.WriteStreamC(shortFile);
  // Damaged zlib data inside a block whose length is intact.
  Bytes badZlib = good.Bytes();
  badZlib[8] ^= 0xFF;
  badZlib[9] ^= 0xFF;
  // Not a BMP at all.
  CStream text(Bytes{'h', 'e', 'l', 'l', 'o'});
  CStream notBmp;
  notBmp.WriteBoolean(true);
  notBmp.WriteStreamC(text);

  for (const Bytes& b : {badBmp.Bytes(), badZlib, notBmp.Bytes()}) {
    CStream s(Cat({b, Le32(1234)}));
    EXPECT_EQ(s.ReadBitmap(), nullptr);
    EXPECT_EQ(s.ReadInteger(), 1234) << "the position is just after the block";
  }
}

// ---- Checks and conversions ----

TEST(StreamChecks, CalcCRC) {
  EXPECT_EQ(CalcCRC("abc", 3), 0xCADBBE3Du);  // works before any InitFastCRC call
  InitFastCRC();
  InitFastCRC();
  EXPECT_EQ(CalcCRC("abc", 3), 0xCADBBE3Du);
  EXPECT_EQ(CalcCRC("abc", 0), 0xFFFFFFFFu);
  EXPECT_EQ(CalcCRC("abc", -5), 0xFFFFFFFFu);
  const Bytes data = RandomBytes(4096, 11);
  EXPECT_EQ(CalcCRC(data.data(), 4096), ~static_cast<uint32_t>(crc32(0, data.data(), 4096)));
}

TEST(StreamChecks, CheckSumIgnoresPositionAndWrapsAtAMillion) {
  CStream s(Bytes(5000, 0xFF));
  s.SetPosition(4000);
  EXPECT_EQ(s.CheckSum(), 1275000 % 1000000);
  EXPECT_EQ(CStream().CheckSum(), 0);
}

TEST(StreamChecks, HexText) {
  EXPECT_EQ(CStream(Bytes{0x00, 0xAB}).ConvertToString(), "00AB");
  EXPECT_EQ(CStream().ConvertToString(), "");

  CStream s(Bytes{1, 2, 3});
  s.SetPosition(3);
  s.ConvertFromString("00ab");
  EXPECT_EQ(s.Bytes(), (Bytes{0x00, 0xAB}));
  EXPECT_EQ(s.GetPosition(), 0);
  s.ConvertFromString("00A");
  EXPECT_EQ(s.Bytes(), (Bytes{0x00}));
  s.ConvertFromString("");
  EXPECT_EQ(s.GetSize(), 0);
  s.ConvertFromString("fF10");
  EXPECT_EQ(s.Bytes(), (Bytes{0xFF, 0x10}));

  EXPECT_THROW(s.ConvertFromString("AB0G12"), StreamError);
  EXPECT_EQ(s.Bytes(), (Bytes{0xAB})) << "holds the bytes converted so far";
  EXPECT_THROW(s.ConvertFromString(" 1"), StreamError);
  EXPECT_THROW(s.ConvertFromString("-1"), StreamError);
}

// ---- Byte substitution ciphers ----

TEST(StreamCiphers, TablesArePermutationsFixing0) {
  for (int32_t key : {0, 1, 249, 250, 12345, -1, -5, -6, -64249, -64250, -70000, -123456789,
                      std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
    const auto e = SubstitutionTable(key);
    EXPECT_EQ(e[0], 0) << key;
    std::array<bool, 256> seen{};
    for (uint8_t v : e) seen[v] = true;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 256) << key;
  }
  EXPECT_NE(SubstitutionTable(-5), SubstitutionTable(5));
  EXPECT_NE(SubstitutionTable(-12345), SubstitutionTable(12345));
}

TEST(StreamCiphers, EncryptAppliesTheTable) {
  Bytes all(256);
  for (int k = 0; k < 256; ++k) all[k] = static_cast<uint8_t>(k);
  CStream s(all);
  s.Encrypt(777, 0, 0);
  const auto e = SubstitutionTable(777);
  EXPECT_EQ(s.Bytes(), Bytes(e.begin(), e.end()));
  EXPECT_NE(s.Bytes(), all);
}

TEST(StreamCiphers, RoundTrips) {
  const Bytes plain = RandomBytes(1000, 21);
  for (int32_t key : {0, 42, 123456, -5, -70000, std::numeric_limits<int32_t>::min()}) {
    for (auto [pos, count] : {std::pair{0, 0}, std::pair{5, 0}, std::pair{5, 100}, std::pair{999, 1},
                              std::pair{1000, 0}, std::pair{0, -3}}) {
      CStream s(plain);
      s.Encrypt(key, pos, count);
      if (pos <= 5) {  // a range long enough to hold a byte the table moves
        EXPECT_NE(s.Bytes(), plain);
      }
      s.Decrypt(key, pos, count);
      EXPECT_EQ(s.Bytes(), plain) << key << " " << pos << " " << count;

      s.Encrypt2(key, pos, count);
      if (pos <= 5) {  // a range long enough to hold a byte the table moves
        EXPECT_NE(s.Bytes(), plain);
      }
      s.Decrypt2(key, pos, count);
      EXPECT_EQ(s.Bytes(), plain) << key << " " << pos << " " << count;
    }
  }
}

TEST(StreamCiphers, EncryptLeavesBytesOutsideTheRange) {
  const Bytes plain = RandomBytes(50, 8);
  CStream s(plain);
  s.Encrypt2(99, 10, 20);
  EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + 10, s.Bytes().begin()));
  EXPECT_TRUE(std::equal(plain.begin() + 30, plain.end(), s.Bytes().begin() + 30));
}

TEST(StreamCiphers, RangesOutsideTheBufferThrow) {
  CStream s(Bytes(10, 1));
  EXPECT_THROW(s.Encrypt(1, -1, 0), StreamError);
  EXPECT_THROW(s.Decrypt(1, 11, 0), StreamError);
  EXPECT_THROW(s.Encrypt2(1, 5, 6), StreamError);
  EXPECT_THROW(s.Decrypt2(1, 1, std::numeric_limits<int32_t>::max()), StreamError);
  EXPECT_EQ(s.Bytes(), Bytes(10, 1));
}

// ---- Game-data scrambling ----

TEST(StreamWad, LocalRandomStep) {
  uint32_t z = 0x02A8A74A, w = 0x9C29FE00;
  EXPECT_EQ(LocalRandom(z, w), 0x4002FC29u);
  EXPECT_EQ(LocalRandom(z, w), 0xBF304893u);
  EXPECT_EQ(LocalRandom(z, w), 0x8ECB2532u);
}

TEST(StreamWad, SeedTextCrc) {
  const char seed[] =
      "K\0V\0R\0X\0"
      "4\0"
      "4\0"
      "0\0"
      "L\0O\0A\0D\0";
  EXPECT_EQ(CalcCRC(seed, 22), 0x9C29FE00u);
}

// The game-data example with K1 = 440: signature, K1, K2, version word, 20-byte region.
TEST(StreamWad, WorkedExample) {
  const Bytes scrambled = {0x4b, 0x00, 0x56, 0xf7, 0x67, 0x52, 0x14, 0x58, 0xb8, 0x01, 0x00, 0x00, 0x4a, 0xa7,
                           0xa8, 0x02, 0x2a, 0x03, 0x00, 0x00, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x3f, 0xeb,
                           0x1a, 0x59, 0x89, 0x53, 0x2c, 0xa2, 0x2c, 0x3a, 0xeb, 0xaf, 0x22, 0x23};
  Bytes plain(scrambled.begin(), scrambled.begin() + 20);
  for (int k = 0; k < 20; ++k) plain.push_back(static_cast<uint8_t>(0x10 + k));

  CStream s(scrambled);
  EXPECT_TRUE(s.DecryptWad(8));
  EXPECT_EQ(s.Bytes(), plain);

  Bytes unkeyed = plain;
  std::fill(unkeyed.begin() + 8, unkeyed.begin() + 16, 0);
  CStream w(unkeyed);
  w.EncryptWad(8, 440);
  EXPECT_EQ(w.Bytes(), scrambled);
}

TEST(StreamWad, RoundTripAndTamperDetection) {
  std::mt19937 rng(77);
  for (int32_t len : {0, 1, 5, 6, 11, 12, 13, 14, 15, 16, 260, 261, 262, 263, 264, 265, 266, 1000, 20000}) {
    for (int32_t base : {0, 3, 8}) {
      const Bytes file = RandomBytes(static_cast<size_t>(base) + 12 + len, rng());
      const uint32_t k1 = rng();
      CStream s(file);
      s.EncryptWad(base, k1);
      EXPECT_TRUE(std::equal(file.begin(), file.begin() + base, s.Bytes().begin()));
      EXPECT_TRUE(std::equal(file.begin() + base + 8, file.begin() + base + 12, s.Bytes().begin() + base + 8))
          << "bytes 8..11 after base are left alone";
      const Bytes scrambled = s.Bytes();
      EXPECT_TRUE(s.DecryptWad(base)) << len << " " << base;
      EXPECT_TRUE(std::equal(file.begin() + base + 12, file.end(), s.Bytes().begin() + base + 12));

      if (len > 0) {
        Bytes tampered = scrambled;
        tampered[base + 12 + rng() % len] ^= 0x20;
        CStream t(tampered);
        EXPECT_FALSE(t.DecryptWad(base)) << len << " " << base;
      }
    }
  }
}

TEST(StreamWad, TooShortOrOutsideIsRefused) {
  CStream s(Bytes(11, 0));
  EXPECT_FALSE(s.DecryptWad(0));
  EXPECT_FALSE(s.DecryptWad(-1));
  EXPECT_FALSE(s.DecryptWad(100));
  EXPECT_THROW(s.EncryptWad(0, 1), StreamError);
  EXPECT_EQ(s.Bytes(), Bytes(11, 0));
}

TEST(StreamBlocks, DefaultInflationCapIsOneGiB) {
  const Bytes bomb = ZlibOfZeros(static_cast<size_t>(CStream::kMaxInflatedSize >> 20) + 1);
  CStream s(Cat({Le32(static_cast<int32_t>(bomb.size())), bomb}));
  EXPECT_THROW(s.ReadStreamC(), StreamError);
}

namespace {
// n compressed blocks of size zero bytes each, inside one plain block (as chunks sit in the
// scrambled data).
CStream PackedBlocks(int n, int32_t size) {
  CStream inner;
  for (int i = 0; i < n; ++i) {
    CStream content(std::vector<uint8_t>(static_cast<size_t>(size), 0));
    inner.WriteStreamC(content);
  }
  CStream outer;
  outer.WriteStream(inner);
  outer.SetPosition(0);
  return outer;
}
}  // namespace

// A load's blocks share one budget of inflated bytes, through the streams they are read from;
// well-packed data past it is refused instead of taking gigabytes.
TEST(Stream, InflationStaysWithinTheLoadsBudget) {
  const struct {
    int blocks;
    int64_t budget;  // -1: none
    int readable;    // blocks read before the refusal
  } rows[] = {
      {4, -1, 4},
      {4, 4 << 20, 4},        // exactly the budget
      {4, (4 << 20) - 1, 3},  // one byte short: the last block is refused
      {4, 2 << 20, 2},
      {4, 0, 0},
  };
  for (const auto& r : rows) {
    CStream file = PackedBlocks(r.blocks, 1 << 20);
    if (r.budget >= 0) file.SetInflateBudget(r.budget);
    CStream chunk = file.ReadStream();
    int read = 0;
    try {
      for (; read < r.blocks; ++read) EXPECT_EQ(chunk.ReadStreamC().GetSize(), 1 << 20);
    } catch (const StreamError&) {
    }
    EXPECT_EQ(read, r.readable) << "budget " << r.budget;
  }
  // The budget of a load: a multiple of the file, with a floor and a ceiling.
  EXPECT_EQ(CStream::InflateBudgetFor(0), CStream::kInflateBase);
  EXPECT_EQ(CStream::InflateBudgetFor(1 << 20), CStream::kInflateBase + (int64_t{1} << 20) * CStream::kInflateFactor);
  EXPECT_EQ(CStream::InflateBudgetFor(int64_t{1} << 30), CStream::kInflateCeiling);
}
