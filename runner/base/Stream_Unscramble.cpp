// The byte stages of unscrambling loaded game data (see the header). The "E" block's swaps form
// one chain from the end down, so no form splits them; the wide form keeps their order and only
// does a whole round of 256 swaps at once.
#include "runner/base/Stream_Unscramble.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "runner/base/Support_Stream.h"

namespace {

std::array<uint8_t, 256> Inverse(const std::array<uint8_t, 256>& t) {
  std::array<uint8_t, 256> u{};
  for (int k = 0; k < 256; ++k) u[t[k]] = static_cast<uint8_t>(k);
  return u;
}

// Undoing pass 2 needs each byte's own and its predecessor's scrambled value only, so it reads
// the source as it runs forwards, with no chain from one byte to the next.
void UndoMixPortable(const uint8_t* p, uint8_t* q, int32_t from, int32_t len, const std::array<uint8_t, 256>& u) {
  int32_t i = from;
  for (; i + 4 <= len; i += 4) {
    const auto k = static_cast<uint8_t>(i);
    q[i] = static_cast<uint8_t>(u[p[i]] - k - p[i - 1]);
    q[i + 1] = static_cast<uint8_t>(u[p[i + 1]] - k - 1 - p[i]);
    q[i + 2] = static_cast<uint8_t>(u[p[i + 2]] - k - 2 - p[i + 1]);
    q[i + 3] = static_cast<uint8_t>(u[p[i + 3]] - k - 3 - p[i + 2]);
  }
  for (; i < len; ++i) q[i] = static_cast<uint8_t>(u[p[i]] - i - p[i - 1]);
}

void Swap(uint8_t* q, int32_t a, int32_t b) {
  const uint8_t x = q[a];
  q[a] = q[b];
  q[b] = x;
}

// The swaps from the top down to the first index whose table position is 255 (or to 255):
// above 255 no partner falls below 0. Returns the next index to swap.
int32_t UndoTopSwaps(uint8_t* q, int32_t len, const std::array<uint8_t, 256>& t) {
  int32_t i = len - 1;
  for (; i >= 255 && (i & 255) != 255; --i) Swap(q, i, i - t[i & 255]);
  return i;
}

void UndoLowSwaps(uint8_t* q, int32_t i, const std::array<uint8_t, 256>& t) {
  for (; i >= 0; --i) Swap(q, i, std::max(0, i - t[i & 255]));
}

void UnscrambleEPortable(const uint8_t* p, uint8_t* q, int32_t len, const std::array<uint8_t, 256>& t) {
  const std::array<uint8_t, 256> u = Inverse(t);
  if (len > 0) q[0] = p[0];
  UndoMixPortable(p, q, 1, len, u);
  // Whole rounds of 256 end where the table index is 255.
  int32_t i = UndoTopSwaps(q, len, t);
  for (; i >= 511; i -= 256) {
    const int32_t base = i - 255;
    for (int32_t k = 255; k >= 0; k -= 4) {
      Swap(q, base + k, base + k - t[k]);
      Swap(q, base + k - 1, base + k - 1 - t[k - 1]);
      Swap(q, base + k - 2, base + k - 2 - t[k - 2]);
      Swap(q, base + k - 3, base + k - 3 - t[k - 3]);
    }
  }
  UndoLowSwaps(q, i, t);
}

#define RUNNER_WIDE __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// GCC 12's AVX-512 intrinsics pass an unset vector through for the lanes they fill anyway, and
// optimised builds then warn about it; nothing here reads an unset lane.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// A 256-entry byte table looked up for 64 bytes at once: two 128-byte permutes, picked by the
// top bit of each byte.
RUNNER_WIDE inline __m512i Lookup256(const __m512i (&table)[4], __m512i x) {
  const __m512i lo = _mm512_permutex2var_epi8(table[0], x, table[1]);
  const __m512i hi = _mm512_permutex2var_epi8(table[2], x, table[3]);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), lo, hi);
}

RUNNER_WIDE void UnscrambleEWide(const uint8_t* p, uint8_t* q, int32_t len, const std::array<uint8_t, 256>& t) {
  const std::array<uint8_t, 256> u = Inverse(t);
  if (len > 0) q[0] = p[0];

  // Pass 2 undone 64 bytes at a time: q[i] = u[p[i]] - i - p[i - 1] (mod 256).
  __m512i ut[4];
  for (int k = 0; k < 4; ++k) ut[k] = _mm512_loadu_si512(u.data() + 64 * k);
  alignas(64) uint8_t iota[64];
  for (int k = 0; k < 64; ++k) iota[k] = static_cast<uint8_t>(k);
  const __m512i steps = _mm512_load_si512(iota);
  int32_t i = 1;
  for (; i + 64 <= len; i += 64) {
    const __m512i x = _mm512_loadu_si512(p + i);
    const __m512i prev = _mm512_loadu_si512(p + i - 1);
    const __m512i index = _mm512_add_epi8(steps, _mm512_set1_epi8(static_cast<char>(i & 255)));
    _mm512_storeu_si512(q + i, _mm512_sub_epi8(_mm512_sub_epi8(Lookup256(ut, x), index), prev));
  }
  UndoMixPortable(p, q, i, len, u);

  // Pass 1 undone. A whole round of 256 swaps (indices 256b + 255 down to 256b) touches only
  // block b and block b - 1, and does the same to them every round: a fixed permutation of
  // those 512 bytes. Block b comes out final; block b - 1 comes out as the next round's input.
  i = UndoTopSwaps(q, len, t);
  if (i >= 511) {
    // from[x]: which of the 512 input bytes (block b - 1, then block b) lands at x.
    uint16_t from[512];
    for (int x = 0; x < 512; ++x) from[x] = static_cast<uint16_t>(x);
    for (int k = 255; k >= 0; --k) std::swap(from[256 + k], from[256 + k - t[k]]);
    __m512i index[8];
    __mmask64 bit7[8], bit8[8];
    for (int v = 0; v < 8; ++v) {
      alignas(64) uint8_t low[64];
      uint64_t b7 = 0, b8 = 0;
      for (int k = 0; k < 64; ++k) {
        const unsigned f = from[64 * v + k];
        low[k] = static_cast<uint8_t>(f & 127);
        b7 |= uint64_t{(f >> 7) & 1} << k;
        b8 |= uint64_t{(f >> 8) & 1} << k;
      }
      index[v] = _mm512_load_si512(low);
      bit7[v] = _cvtu64_mask64(b7);
      bit8[v] = _cvtu64_mask64(b8);
    }
    int32_t base = i - 255;  // block b's first index
    __m512i in[8];
    for (int k = 0; k < 4; ++k) in[4 + k] = _mm512_loadu_si512(q + base + 64 * k);
    for (; base >= 256; base -= 256) {
      for (int k = 0; k < 4; ++k) in[k] = _mm512_loadu_si512(q + base - 256 + 64 * k);
      __m512i out[8];
      for (int v = 0; v < 8; ++v) {
        const __m512i r0 = _mm512_permutex2var_epi8(in[0], index[v], in[1]);
        const __m512i r1 = _mm512_permutex2var_epi8(in[2], index[v], in[3]);
        const __m512i r2 = _mm512_permutex2var_epi8(in[4], index[v], in[5]);
        const __m512i r3 = _mm512_permutex2var_epi8(in[6], index[v], in[7]);
        out[v] = _mm512_mask_blend_epi8(bit8[v], _mm512_mask_blend_epi8(bit7[v], r0, r1),
                                        _mm512_mask_blend_epi8(bit7[v], r2, r3));
      }
      for (int k = 0; k < 4; ++k) {
        _mm512_storeu_si512(q + base + 64 * k, out[4 + k]);
        in[4 + k] = out[k];
      }
    }
    for (int k = 0; k < 4; ++k) _mm512_storeu_si512(q + base + 64 * k, in[4 + k]);
    i = 255;
  }
  UndoLowSwaps(q, i, t);
}

// ---- The keystream ----

// One of LocalRandom's two multiply-with-carry generators: s := a * (s & 0xFFFF) + (s >> 16).
// From its third step on, s stays below m = a * 2^16 - 1 and each step is s := a * s mod m,
// so n steps are one multiplication by a^n mod m (0 and m stay where they are).
uint32_t Step(uint32_t s, uint32_t a) {
  return a * (s & 0xFFFF) + (s >> 16);
}

uint32_t Jump(uint32_t s, uint32_t a, uint64_t n) {
  for (int k = 0; k < 3 && n > 0; ++k, --n) s = Step(s, a);  // any state is in range after these
  const uint64_t m = uint64_t{a} * 65536 - 1;
  if (n == 0 || s == 0 || s == m) return s;
  uint64_t power = 1, base = a;
  for (; n > 0; n >>= 1) {
    if (n & 1) power = power * base % m;
    base = base * base % m;
  }
  return static_cast<uint32_t>(power * s % m);
}

constexpr uint32_t kZ = 36969, kW = 18000;

void XorSerial(uint8_t* region, int64_t from, int64_t to, uint32_t& z, uint32_t& w) {
  for (int64_t i = from; i < to; i += 4) {
    uint32_t v;
    std::memcpy(&v, region + i, 4);
    v ^= LocalRandom(z, w);
    std::memcpy(region + i, &v, 4);
  }
}

// Sixteen runs, one per lane: sixteen steps give a 16 x 16 block of words, run by step, which
// turned over gives sixteen words in a row of each run.
RUNNER_WIDE void Transpose16(__m512i (&r)[16]) {
  __m512i t[16], u[16];
  for (int i = 0; i < 8; ++i) {
    t[2 * i] = _mm512_unpacklo_epi32(r[2 * i], r[2 * i + 1]);
    t[2 * i + 1] = _mm512_unpackhi_epi32(r[2 * i], r[2 * i + 1]);
  }
  for (int k = 0; k < 4; ++k) {  // each 128-bit lane now holds a 4 x 4 block turned over
    u[4 * k] = _mm512_unpacklo_epi64(t[4 * k], t[4 * k + 2]);
    u[4 * k + 1] = _mm512_unpackhi_epi64(t[4 * k], t[4 * k + 2]);
    u[4 * k + 2] = _mm512_unpacklo_epi64(t[4 * k + 1], t[4 * k + 3]);
    u[4 * k + 3] = _mm512_unpackhi_epi64(t[4 * k + 1], t[4 * k + 3]);
  }
  for (int c = 0; c < 4; ++c) {  // then the lanes go to their rows
    const __m512i v1 = _mm512_shuffle_i32x4(u[c], u[4 + c], 0x44), v2 = _mm512_shuffle_i32x4(u[c], u[4 + c], 0xEE);
    const __m512i w1 = _mm512_shuffle_i32x4(u[8 + c], u[12 + c], 0x44),
                  w2 = _mm512_shuffle_i32x4(u[8 + c], u[12 + c], 0xEE);
    r[c] = _mm512_shuffle_i32x4(v1, w1, 0x88);
    r[4 + c] = _mm512_shuffle_i32x4(v1, w1, 0xDD);
    r[8 + c] = _mm512_shuffle_i32x4(v2, w2, 0x88);
    r[12 + c] = _mm512_shuffle_i32x4(v2, w2, 0xDD);
  }
}

// Xors whole steps of sixteen words of every run; returns how many words of each run that was,
// with the states moved on as far.
RUNNER_WIDE int64_t XorSixteenRuns(uint8_t* const (&at)[16], int64_t run, uint32_t (&zs)[16], uint32_t (&ws)[16]) {
  __m512i z = _mm512_loadu_si512(zs), w = _mm512_loadu_si512(ws);
  const __m512i low = _mm512_set1_epi32(0xFFFF), az = _mm512_set1_epi32(kZ), aw = _mm512_set1_epi32(kW);
  int64_t k = 0;
  for (; k + 16 <= run; k += 16) {
    __m512i words[16];
    for (int s = 0; s < 16; ++s) {
      z = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_and_si512(z, low), az), _mm512_srli_epi32(z, 16));
      w = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_and_si512(w, low), aw), _mm512_srli_epi32(w, 16));
      words[s] = _mm512_add_epi32(_mm512_slli_epi32(z, 16), _mm512_and_si512(w, low));
    }
    Transpose16(words);
    for (int r = 0; r < 16; ++r) {
      uint8_t* p = at[r] + 4 * k;
      _mm512_storeu_si512(p, _mm512_xor_si512(_mm512_loadu_si512(p), words[r]));
    }
  }
  _mm512_storeu_si512(zs, z);
  _mm512_storeu_si512(ws, w);
  return k;
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

}  // namespace

EByteKernel BestByteKernel() {
  static const EByteKernel best = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                   __builtin_cpu_supports("avx512vbmi")
               ? EByteKernel::Wide
               : EByteKernel::Portable;
  }();
  return best;
}

void UnscrambleE(const uint8_t* src, uint8_t* dst, int32_t len, const std::array<uint8_t, 256>& t,
                 EByteKernel kernel) {
  if (len <= 0) return;
  if (kernel == EByteKernel::Wide && BestByteKernel() == EByteKernel::Wide) {
    UnscrambleEWide(src, dst, len, t);
  } else {
    UnscrambleEPortable(src, dst, len, t);
  }
}

void XorKeystream(uint8_t* region, int64_t start, int64_t end, uint32_t z, uint32_t w, EByteKernel kernel) {
  if (start >= end) return;
  const int64_t words = (end - start + 3) / 4;
  // Below a few thousand words the jumps are not worth it.
  if (words < 4096) {
    XorSerial(region, start, end, z, w);
    return;
  }
  if (kernel == EByteKernel::Wide && BestByteKernel() == EByteKernel::Wide) {
    constexpr int kLanes = 16;
    const int64_t run = words / kLanes;
    uint32_t zs[kLanes], ws[kLanes];
    uint8_t* at[kLanes];
    for (int r = 0; r < kLanes; ++r) {
      zs[r] = Jump(z, kZ, static_cast<uint64_t>(run * r));
      ws[r] = Jump(w, kW, static_cast<uint64_t>(run * r));
      at[r] = region + start + 4 * run * r;
    }
    const int64_t done = XorSixteenRuns(at, run, zs, ws);
    for (int r = 0; r < kLanes; ++r) XorSerial(at[r], 4 * done, 4 * run, zs[r], ws[r]);
    XorSerial(region, start + 4 * run * kLanes, end, zs[kLanes - 1], ws[kLanes - 1]);
    return;
  }
  // Four runs side by side hide the latency of each generator step.
  constexpr int kRuns = 4;
  const int64_t run = words / kRuns;
  uint32_t zs[kRuns], ws[kRuns];
  uint8_t* at[kRuns];
  for (int r = 0; r < kRuns; ++r) {
    zs[r] = Jump(z, kZ, static_cast<uint64_t>(run * r));
    ws[r] = Jump(w, kW, static_cast<uint64_t>(run * r));
    at[r] = region + start + 4 * run * r;
  }
  for (int64_t k = 0; k < run; ++k) {
    for (int r = 0; r < kRuns; ++r) {
      zs[r] = Step(zs[r], kZ);
      ws[r] = Step(ws[r], kW);
      uint32_t v;
      std::memcpy(&v, at[r] + 4 * k, 4);
      v ^= (zs[r] << 16) + (ws[r] & 0xFFFF);
      std::memcpy(at[r] + 4 * k, &v, 4);
    }
  }
  // The last run takes the words the even split left over.
  XorSerial(region, start + 4 * run * kRuns, end, zs[kRuns - 1], ws[kRuns - 1]);
}
