#include "text/extended.h"

#include <bit>
#include <limits>
#include <utility>

namespace {

constexpr uint16_t kSignBit = 0x8000;
constexpr uint16_t kExponentMask = 0x7FFF; // also the exponent of infinities and NaNs
constexpr int32_t kBias = 16383;
constexpr uint64_t kIntegerBit = uint64_t{1} << 63;
constexpr uint64_t kQuietBit = uint64_t{1} << 62;
constexpr uint64_t kHalf = kIntegerBit; // the rounding rest of exactly half a unit
constexpr uint64_t kLow32 = 0xFFFFFFFFu;

// What the x87 gives for an invalid operation: the "real indefinite" quiet NaN.
constexpr Extended kIndefinite = {0xC000000000000000u, 0xFFFF};

// The last two are the operands that no arithmetic looks into (kind >= NaN).
enum class Kind { Zero, Finite, Infinity, NaN, Unsupported };

Kind KindOf(Extended x) {
    const uint16_t biased = x.signExponent & kExponentMask;
    if (biased == 0) {
        return x.significand == 0 ? Kind::Zero : Kind::Finite; // subnormal when finite
    }
    if ((x.significand & kIntegerBit) == 0) {
        return Kind::Unsupported; // an unnormal, pseudo-infinity or pseudo-NaN: the x87 refuses it
    }
    if (biased == kExponentMask) {
        return (x.significand << 1) == 0 ? Kind::Infinity : Kind::NaN;
    }
    return Kind::Finite;
}

bool IsNegative(Extended x) {
    return (x.signExponent & kSignBit) != 0;
}

Extended Zero(bool negative) {
    return {0, negative ? kSignBit : uint16_t{0}};
}

Extended Infinity(bool negative) {
    return {kIntegerBit, static_cast<uint16_t>((negative ? kSignBit : 0) | kExponentMask)};
}

// A finite non-zero value as significand * 2^(exponent - 63), the significand's top bit set.
struct Normalised {
    int32_t exponent;
    uint64_t significand;
};

Normalised Normalise(Extended x) {
    const int32_t biased = x.signExponent & kExponentMask;
    // A subnormal has the exponent of the smallest normal, only without the integer bit.
    const int shift = std::countl_zero(x.significand);
    return {(biased == 0 ? 1 : biased) - kBias - shift, x.significand << shift};
}

// The NaN that the x87 gives when an operand is a NaN, made quiet: of two NaNs
// the one with the larger significand, and of two alike the positive one; any
// operand the x87 refuses gives the real indefinite instead.
Extended PropagateNaN(Extended a, Kind ka, Extended b, Kind kb) {
    if (ka == Kind::Unsupported || kb == Kind::Unsupported) {
        return kIndefinite;
    }
    Extended nan = ka == Kind::NaN ? a : b;
    if (ka == Kind::NaN && kb == Kind::NaN &&
        (b.significand > a.significand || (b.significand == a.significand && !IsNegative(b)))) {
        nan = b;
    }
    nan.significand |= kQuietBit;
    return nan;
}

// Shifts significand:rest right by count bits; any set bit shifted out of rest
// stays as the lowest bit of rest, which is enough to round correctly.
void ShiftRightSticky(uint64_t& significand, uint64_t& rest, uint32_t count) {
    if (count == 0) {
        return;
    }
    if (count >= 128) {
        rest = (significand | rest) != 0 ? 1 : 0;
        significand = 0;
    } else if (count >= 64) {
        const uint64_t lost = rest | (count > 64 ? significand << (128 - count) : 0);
        rest = (count > 64 ? significand >> (count - 64) : significand) | (lost != 0 ? 1 : 0);
        significand = 0;
    } else {
        const uint64_t lost = rest << (64 - count);
        rest = (significand << (64 - count)) | (rest >> count) | (lost != 0 ? 1 : 0);
        significand >>= count;
    }
}

// (significand + rest / 2^64) * 2^(exponent - 63), significand's top bit set,
// rounded to nearest even at 64 bits. Below the normal range the exact value is
// first shifted into a subnormal, then rounded once, as the x87 does with a
// masked underflow; beyond the range it becomes infinity (masked overflow).
Extended RoundAndPack(bool negative, int32_t exponent, uint64_t significand, uint64_t rest) {
    int32_t biased = exponent + kBias;
    if (biased <= 0) {
        ShiftRightSticky(significand, rest, static_cast<uint32_t>(1 - biased));
        biased = 0;
    }
    if (rest > kHalf || (rest == kHalf && (significand & 1) != 0)) {
        ++significand;
        if (significand == 0) { // all ones carried out: the next power of two
            significand = kIntegerBit;
            ++biased;
        } else if (biased == 0 && significand == kIntegerBit) {
            biased = 1; // a subnormal rounded up into the normal range
        }
    }
    if (biased >= kExponentMask) {
        return Infinity(negative);
    }
    return {significand, static_cast<uint16_t>((negative ? kSignBit : 0) | biased)};
}

// a * b in full: the high and the low 64 bits of the 128-bit product.
void Multiply64(uint64_t a, uint64_t b, uint64_t& high, uint64_t& low) {
    const uint64_t aLow = a & kLow32, aHigh = a >> 32;
    const uint64_t bLow = b & kLow32, bHigh = b >> 32;
    const uint64_t lowLow = aLow * bLow;
    const uint64_t lowHigh = aLow * bHigh;
    const uint64_t highLow = aHigh * bLow;
    const uint64_t middle = (lowLow >> 32) + (lowHigh & kLow32) + (highLow & kLow32); // < 2^34
    high = aHigh * bHigh + (lowHigh >> 32) + (highLow >> 32) + (middle >> 32);
    low = (middle << 32) | (lowLow & kLow32);
}

// One 32-bit quotient digit of (top:next) / d, where top < d, d >= 2^63 and
// next < 2^32; top is replaced by the remainder (Knuth's algorithm D, one step).
uint64_t DivideStep(uint64_t& top, uint64_t next, uint64_t d) {
    const uint64_t dHigh = d >> 32, dLow = d & kLow32;
    uint64_t q = top / dHigh; // at most 2 above the true digit
    uint64_t r = top - q * dHigh;
    while (q > kLow32 || q * dLow > ((r << 32) | next)) {
        --q;
        r += dHigh;
        if (r > kLow32) {
            break;
        }
    }
    top = (top << 32) + next - q * d; // the true remainder is below d: the wrap-around cancels
    return q;
}

// (high:low) / d for high < d and d >= 2^63: the quotient; remainder receives the remainder.
uint64_t Divide128(uint64_t high, uint64_t low, uint64_t d, uint64_t& remainder) {
    const uint64_t q1 = DivideStep(high, low >> 32, d);
    const uint64_t q0 = DivideStep(high, low & kLow32, d);
    remainder = high;
    return (q1 << 32) | q0;
}

} // namespace

Extended ExtendedFromInt(int64_t n) {
    if (n == 0) {
        return Zero(false);
    }
    const bool negative = n < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
    const int shift = std::countl_zero(magnitude);
    return {magnitude << shift,
            static_cast<uint16_t>((negative ? kSignBit : 0) | (kBias + 63 - shift))};
}

Extended operator*(Extended a, Extended b) {
    const Kind ka = KindOf(a), kb = KindOf(b);
    const bool negative = IsNegative(a) != IsNegative(b);
    if (ka >= Kind::NaN || kb >= Kind::NaN) {
        return PropagateNaN(a, ka, b, kb);
    }
    if (ka == Kind::Infinity || kb == Kind::Infinity) {
        return ka == Kind::Zero || kb == Kind::Zero ? kIndefinite : Infinity(negative);
    }
    if (ka == Kind::Zero || kb == Kind::Zero) {
        return Zero(negative);
    }
    const Normalised x = Normalise(a), y = Normalise(b);
    uint64_t high, low;
    Multiply64(x.significand, y.significand, high, low); // in [2^126, 2^128)
    if ((high & kIntegerBit) != 0) {
        return RoundAndPack(negative, x.exponent + y.exponent + 1, high, low);
    }
    return RoundAndPack(negative, x.exponent + y.exponent, (high << 1) | (low >> 63), low << 1);
}

Extended operator/(Extended a, Extended b) {
    const Kind ka = KindOf(a), kb = KindOf(b);
    const bool negative = IsNegative(a) != IsNegative(b);
    if (ka >= Kind::NaN || kb >= Kind::NaN) {
        return PropagateNaN(a, ka, b, kb);
    }
    if (ka == Kind::Infinity) {
        return kb == Kind::Infinity ? kIndefinite : Infinity(negative);
    }
    if (kb == Kind::Infinity) {
        return Zero(negative);
    }
    if (kb == Kind::Zero) {
        return ka == Kind::Zero ? kIndefinite : Infinity(negative);
    }
    if (ka == Kind::Zero) {
        return Zero(negative);
    }
    const Normalised x = Normalise(a), y = Normalise(b);
    // The quotient digits come out in [2^63, 2^64): x * 2^63 / y when x >= y, else x * 2^64 / y.
    const bool atLeast = x.significand >= y.significand;
    uint64_t remainder;
    const uint64_t quotient =
        atLeast ? Divide128(x.significand >> 1, x.significand << 63, y.significand, remainder)
                : Divide128(x.significand, 0, y.significand, remainder);
    // Only how the remainder compares with half of y matters: below, at or above
    // half a unit, or nothing at all (once shifted into a subnormal, any of the
    // three stands for a set bit below the rounding place).
    uint64_t rest = 0;
    if (remainder != 0) {
        const uint64_t other = y.significand - remainder;
        rest = remainder < other ? kHalf / 2 : remainder == other ? kHalf : kHalf + kHalf / 2;
    }
    return RoundAndPack(negative, x.exponent - y.exponent - (atLeast ? 0 : 1), quotient, rest);
}

Extended operator-(Extended x) {
    return {x.significand, static_cast<uint16_t>(x.signExponent ^ kSignBit)};
}

bool operator==(Extended a, Extended b) {
    return (a <=> b) == 0;
}

std::partial_ordering operator<=>(Extended a, Extended b) {
    const Kind ka = KindOf(a), kb = KindOf(b);
    if (ka >= Kind::NaN || kb >= Kind::NaN) {
        return std::partial_ordering::unordered;
    }
    const bool negativeA = ka != Kind::Zero && IsNegative(a);
    const bool negativeB = kb != Kind::Zero && IsNegative(b);
    if (negativeA != negativeB) {
        return negativeA ? std::partial_ordering::less : std::partial_ordering::greater;
    }
    // Magnitudes order as (exponent, significand), with a subnormal's exponent read as 1.
    const auto key = [](Extended x) {
        const uint16_t biased = x.signExponent & kExponentMask;
        return std::pair<uint16_t, uint64_t>(biased == 0 ? 1 : biased, x.significand);
    };
    const std::partial_ordering magnitude = key(a) <=> key(b);
    return negativeA ? 0 <=> magnitude : magnitude;
}

int64_t TruncateToInt64(Extended x) {
    if (KindOf(x) != Kind::Finite) {
        return 0; // zero; other kinds lie outside the range
    }
    const Normalised n = Normalise(x);
    if (n.exponent < 0) {
        return 0;
    }
    if (n.exponent >= 63) {
        return std::numeric_limits<int64_t>::min(); // only -2^63 is in range
    }
    const uint64_t magnitude = n.significand >> (63 - n.exponent);
    return static_cast<int64_t>(IsNegative(x) ? 0 - magnitude : magnitude);
}

Extended FractionPart(Extended x) {
    if (KindOf(x) != Kind::Finite) {
        return x; // a zero is its own fraction; other kinds lie outside the range
    }
    const Normalised n = Normalise(x);
    if (n.exponent < 0) {
        return x; // nothing whole to take away
    }
    // The bits below the point, as a multiple of 2^-64.
    const uint64_t bits = n.exponent >= 63 ? 0 : n.significand << (n.exponent + 1);
    if (bits == 0) {
        return Zero(false); // x - x is +0 when rounding to nearest
    }
    const int shift = std::countl_zero(bits);
    return {bits << shift,
            static_cast<uint16_t>((IsNegative(x) ? kSignBit : 0) | (kBias - 1 - shift))};
}
