// The x87 80-bit extended format in software, with integer arithmetic only, so
// that the count reader gives the same bits on every processor: the x87's own
// results with precision control at 64 bits, rounding to nearest (ties to
// even) and every exception masked.
#pragma once

#include <compare>
#include <cstdint>

// One extended value; on x86 the two fields hold the bytes of the long double
// of the same value. Finite non-zero values are significand * 2^(exponent -
// 16383 - 63); exponent 0 holds zeros and subnormals (significand * 2^-16445),
// exponent 0x7FFF infinities (significand 2^63) and NaNs.
struct Extended {
    uint64_t significand;  // with the explicit integer bit, as x87 keeps it
    uint16_t signExponent; // sign in bit 15, biased exponent (bias 16383) in bits 0..14
};

// The value of n, exactly (so also of every int32_t and int16_t, which widen exactly).
Extended ExtendedFromInt(int64_t n);

// a * b rounded once as the x87 rounds it: infinity on overflow, subnormals below the normal range.
Extended operator*(Extended a, Extended b);

// a / b rounded as for a * b; x / 0 is a signed infinity, 0/0 and inf/inf the real indefinite NaN.
Extended operator/(Extended a, Extended b);

// x with its sign flipped (zeros, infinities and NaNs included).
Extended operator-(Extended x);

// IEEE equality: -0 == +0, and a NaN equals nothing, not even itself.
bool operator==(Extended a, Extended b);

// IEEE order: unordered when either side is a NaN (or an encoding the x87 refuses).
std::partial_ordering operator<=>(Extended a, Extended b);

// x truncated toward zero; x must lie in [-2^63, 2^63).
int64_t TruncateToInt64(Extended x);

// x - TruncateToInt64(x), exact, for x in [-2^63, 2^63): x's sign, or +0 when x is whole (-0
// stays).
Extended FractionPart(Extended x);
