// The byte stages of unscrambling loaded game data: undoing the "E" block's two passes and the
// keystream xor of the appended data. Each has a portable form that follows the rule byte by
// byte and a wide form (processors with AVX-512 byte permutes); both give the same bytes, and
// the tests hold every form against the rule itself.
#pragma once

#include <array>
#include <cstdint>

enum class EByteKernel { Portable, Wide };

// Wide where the processor (and the system, for its registers) has AVX-512 VBMI, else Portable.
EByteKernel BestByteKernel();

// Undoes the "E" block's scrambling of len bytes at src into dst (which must not overlap src),
// with the block's permutation table t. A Wide request on a processor without it runs Portable.
void UnscrambleE(const uint8_t* src, uint8_t* dst, int32_t len, const std::array<uint8_t, 256>& t,
                 EByteKernel kernel);

// Xors the keystream of LocalRandom(z, w) into the little-endian words at region + i for
// i = start, start + 4, ... while i < end: the first word gets the first number. The generator
// is one chain, but it can be jumped ahead, so the words go in several runs side by side (four,
// or sixteen in the wide form). Every word must lie inside the region.
void XorKeystream(uint8_t* region, int64_t start, int64_t end, uint32_t z, uint32_t w,
                  EByteKernel kernel = BestByteKernel());
