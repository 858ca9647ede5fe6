// The software extended format and the count reader against the x87 itself,
// for the fuzz targets and extended_diff_test. Builds only where long double is
// the x87's 80-bit format (x86 with GCC or Clang, MinGW included). Each Compare
// routine does the same work in software and in hardware long double, compares
// the results bit for bit and prints every difference to standard error.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

// How many operations a run compared, and how many of them came out different.
struct X87Tally {
    uint64_t compared = 0;
    uint64_t differences = 0;
};

// Puts the x87 into 64-bit precision, rounding to nearest, exceptions masked
// (where it is not there already); returns the control word it found.
uint16_t PrepareX87();

// x as the hardware's long double, bit for bit.
long double ToLongDouble(Extended x);

// The extended value of these bits, with the integer bit made to agree with the
// exponent (set unless the exponent is 0), so that the x87 takes it as a number.
Extended ValidEncoding(uint64_t significand, uint16_t signExponent);

// ValidEncoding of 10 bytes: 8 of significand, then 2 of sign and exponent, as x86 stores them.
Extended ValidEncodingOfBytes(const uint8_t* bytes);

// a * b, a / b, -a, a <=> b and a == b, and for a in [-2^63, 2^63) its truncation and fraction.
void CompareArithmetic(Extended a, Extended b, X87Tally& tally);

// ExtendedFromInt of n, and of n's low 32 and low 16 bits read as signed.
void CompareConversions(int64_t n, X87Tally& tally);

// ParseNumber(text) against the same reading done once more with the hardware's arithmetic.
void CompareParse(std::string_view text, X87Tally& tally);
