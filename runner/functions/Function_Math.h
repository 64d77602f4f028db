// Math and string built-in functions, and the runner's random number generator and number
// texts, which other families share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Random number generator: one 32-bit seed per game, seed = seed * 134775813 + 1 per draw.
void SetRandomSeed(uint32_t seed);
uint32_t GetRandomSeed();
// Seeds from the monotonic clock's low 32 bits; the game start calls it once.
void RandomizeSeed();
// A real in [0, 1).
double RandomReal();
// An integer draw below n: 0 .. n - 1 for n >= 1 (any integral n up to 2^53), 0 otherwise.
// Always takes exactly one draw.
double RandomBelow(double n);

// The text string() gives for a real: integers exactly, other reals with 2 decimals and at most
// 10 significant digits, "ERROR" for infinities and NaN. Never depends on the locale.
std::string RealToString(double v);
// Fixed notation with the given decimals and at most `precision` significant digits; exponent
// notation when the integer part needs more. "ERROR" for infinities and NaN.
std::string FormatFixed(double v, int32_t decimals, int32_t precision);
// real() of a text: surrounding blanks allowed, '.' decimals, optional sign and exponent.
// Blank or empty text is 0. False (value untouched) when the text is not a number.
bool TextToReal(std::string_view text, double& value);
