#include "text/text.h"

#include <limits>

// Every step below rounds to the 64-bit significand of the x87 extended format,
// to nearest (Extended does it in software, the same on every processor).

namespace {

// 10^0 .. 10^7, exact.
constexpr Extended kSmallPowers[8] = {
    {0x8000000000000000, 0x3FFF}, {0xA000000000000000, 0x4002}, {0xC800000000000000, 0x4005},
    {0xFA00000000000000, 0x4008}, {0x9C40000000000000, 0x400C}, {0xC350000000000000, 0x400F},
    {0xF424000000000000, 0x4012}, {0x9896800000000000, 0x4016},
};

// 10^(8 * 2^j) for j = 0 .. 9: the extended values nearest to the exact powers,
// bit for bit (10^8 and 10^16 are exact, the others rounded once).
constexpr Extended kBigPowers[10] = {
    {0xBEBC200000000000, 0x4019}, // 10^8
    {0x8E1BC9BF04000000, 0x4034}, // 10^16
    {0x9DC5ADA82B70B59E, 0x4069}, // 10^32
    {0xC2781F49FFCFA6D5, 0x40D3}, // 10^64
    {0x93BA47C980E98CE0, 0x41A8}, // 10^128
    {0xAA7EEBFB9DF9DE8E, 0x4351}, // 10^256
    {0xE319A0AEA60E91C7, 0x46A3}, // 10^512
    {0xC976758681750C17, 0x4D48}, // 10^1024
    {0x9E8B3B5DC53D5DE5, 0x5A92}, // 10^2048
    {0xC46052028A20979B, 0x7525}, // 10^4096
};

constexpr Extended kZero = {0, 0};

// What a decimal exponent beyond the range of the format gives: 2^127.
constexpr Extended kOverflowValue = {0x8000000000000000, 0x407E};

constexpr int kMaxSignificant = 18; // digits that fit in the 64-bit mantissa exactly
constexpr int32_t kExponentCap = 9999;
constexpr int64_t kDecadeLimit = 4933; // |P + X| from here on is out of range
constexpr int32_t kLargestStep = 4096;

// Digit counters stop here; any text that long is already decided by the
// range check, so capping them changes no result and nothing can overflow.
constexpr int64_t kCounterCap = 1'000'000'000;

bool IsDecimalDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// m * 10^e, or m / 10^-e, with every product rounded in extended precision.
Extended ScaleByPowerOfTen(uint64_t m, int32_t e) {
    const Extended mantissa = ExtendedFromInt(static_cast<int64_t>(m)); // exact: m < 10^18
    if (e == 0) {
        return mantissa;
    }
    int32_t k = e < 0 ? -e : e;
    const bool largest = k > kLargestStep;
    if (largest) {
        k -= kLargestStep;
    }
    Extended power = kSmallPowers[k % 8];
    int j = 0;
    for (int32_t bits = k / 8; bits != 0; bits >>= 1, ++j) {
        if ((bits & 1) != 0) {
            power = power * kBigPowers[j];
        }
    }
    if (largest) {
        power = power * kBigPowers[9];
    }
    // For k above 4932 the power itself overflows, and the quotient becomes 0.
    return e > 0 ? mantissa * power : mantissa / power;
}

// [sign] digits [. digits] [(E|e|D|d) [sign] digits], from p on.
NumberReading ReadDecimal(const unsigned char* p, const unsigned char* end) {
    const unsigned char* const start = p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }

    bool anyDigit = false;
    uint64_t m = 0;          // the first 18 significant digits
    int64_t significant = 0; // N, capped
    int64_t pointPlace = 0;  // P, capped both ways
    bool afterPoint = false;
    for (; p != end; ++p) {
        const unsigned char c = *p;
        if (IsDecimalDigit(c)) {
            anyDigit = true;
            if (significant == 0 && c == '0') {
                // A leading zero; after the point it moves the point left.
                if (afterPoint && pointPlace > -kCounterCap) {
                    --pointPlace;
                }
                continue;
            }
            if (significant < kMaxSignificant) {
                m = m * 10 + (c - '0');
            }
            if (significant < kCounterCap) {
                ++significant;
            }
            if (!afterPoint && pointPlace < kCounterCap) {
                ++pointPlace;
            }
        } else if (c == '.' && !afterPoint) {
            afterPoint = true;
        } else {
            break;
        }
    }

    int32_t exponent = 0; // X
    if (p != end && (*p == 'E' || *p == 'e' || *p == 'D' || *p == 'd')) {
        ++p;
        bool exponentNegative = false;
        if (p != end && (*p == '+' || *p == '-')) {
            exponentNegative = *p == '-';
            ++p;
        }
        for (; p != end && IsDecimalDigit(*p); ++p) {
            exponent = exponent * 10 + (*p - '0');
            if (exponent > kExponentCap) {
                exponent = kExponentCap;
            }
        }
        if (exponentNegative) {
            exponent = -exponent;
        }
    }

    if (!anyDigit) {
        p = start; // a sign or a point alone is no number
    }
    Extended result = kZero; // no digits, or zeros only
    bool overflow = false;
    if (significant > 0) {
        const int64_t decades = pointPlace + exponent; // T
        if (decades >= kDecadeLimit) {
            result = kOverflowValue;
            overflow = true;
        } else if (decades > -kDecadeLimit) {
            const int64_t kept = significant < kMaxSignificant ? significant : kMaxSignificant;
            result = ScaleByPowerOfTen(m, static_cast<int32_t>(decades - kept));
        }
    }
    return {negative ? -result : result, static_cast<std::size_t>(p - start), overflow};
}

// The value of a radix digit: 0-9, then A-Z (or a-z) as 10-35; 36 for any other byte.
unsigned DigitValue(unsigned char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    return 36;
}

enum class Suffix { None, Percent, Single, Double, Unsigned };

// The whole number that the radix digits' value V stands for, as the suffix and the first digit
// say.
int64_t RadixWhole(uint64_t v, Suffix suffix, bool leadingZero) {
    // An unsigned reading is below 2^63 here and a "&&" one below 2^32: like a
    // 64-bit reading (two's complement), they keep the bits of V as they are.
    if (suffix == Suffix::Unsigned || suffix == Suffix::Double || leadingZero || v > 0xFFFFFFFFu) {
        return static_cast<int64_t>(v);
    }
    if (v > 0xFFFFu) {
        return static_cast<int32_t>(static_cast<uint32_t>(v));
    }
    if (suffix == Suffix::Single) {
        return static_cast<int64_t>(v);
    }
    return static_cast<int16_t>(static_cast<uint16_t>(v));
}

// &H.., &O.. / &Q.., &B.., or & followed directly by octal digits; p is at the "&".
NumberReading ReadRadix(const unsigned char* p, const unsigned char* end) {
    const unsigned char* const start = p++;
    if (p == end) {
        return {kZero, 0, false};
    }
    unsigned shift = 3; // octal unless a letter says otherwise
    switch (*p) {
    case 'H':
    case 'h':
        shift = 4;
        ++p;
        break;
    case 'O':
    case 'o':
    case 'Q':
    case 'q':
        ++p;
        break;
    case 'B':
    case 'b':
        shift = 1;
        ++p;
        break;
    default:
        break; // this byte is the first digit
    }
    const unsigned radix = 1u << shift;

    uint64_t v = 0;
    bool anyDigit = false;
    bool leadingZero = false;
    bool lost = false; // a set bit was shifted out: the number reads as 0
    for (; p != end; ++p) {
        const unsigned digit = DigitValue(*p);
        if (digit >= radix) {
            break;
        }
        if (!anyDigit) {
            anyDigit = true;
            leadingZero = digit == 0;
        }
        lost = lost || (v >> (64 - shift)) != 0;
        v = (v << shift) | digit;
    }
    if (!anyDigit) {
        return {kZero, 0, false};
    }

    Suffix suffix = Suffix::None;
    if (p != end) {
        if (*p == '%') {
            suffix = Suffix::Percent; // taken, but reads like no suffix
            ++p;
        } else if (*p == '?') {
            suffix = Suffix::Unsigned; // "??" and "???" read the same
            for (int marks = 0; marks < 3 && p != end && *p == '?'; ++marks) {
                ++p;
            }
        } else if (*p == '&') {
            suffix = (p + 1 != end && p[1] == '&') ? Suffix::Double : Suffix::Single;
            p += suffix == Suffix::Double ? 2 : 1;
        }
    }
    const auto length = static_cast<std::size_t>(p - start);
    constexpr uint64_t kSignBit64 = uint64_t{1} << 63;
    if (lost || (suffix == Suffix::Unsigned && v >= kSignBit64)) {
        return {kZero, length, true};
    }
    return {ExtendedFromInt(RadixWhole(v, suffix, leadingZero)), length, false};
}

} // namespace

NumberReading ReadNumber(std::string_view text) {
    const auto* const begin = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = begin + text.size();
    const auto* p = begin;
    while (p != end && (*p == ' ' || *p == '\t' || *p == '\n')) {
        ++p;
    }
    NumberReading reading = p != end && *p == '&' ? ReadRadix(p, end) : ReadDecimal(p, end);
    if (reading.length != 0) {
        reading.length += static_cast<std::size_t>(p - begin);
    }
    return reading;
}

Extended ParseNumber(std::string_view text) {
    return ReadNumber(text).value;
}

int32_t RoundToWhole(Extended x) {
    constexpr Extended kTwoTo63 = {0x8000000000000000, 0x403E};
    constexpr Extended kHalf = {0x8000000000000000, 0x3FFE};
    // Everything outside [-2^63, 2^63), NaN included, is held as -2^63.
    int64_t whole = std::numeric_limits<int64_t>::min();
    if (x >= -kTwoTo63 && x < kTwoTo63) {
        // The truncation toward zero is defined in this range; the fraction x - truncated is exact.
        const int64_t truncated = TruncateToInt64(x);
        const Extended fraction = FractionPart(x);
        const bool odd = (truncated & 1) != 0;
        whole = truncated;
        if (fraction > kHalf || (fraction == kHalf && odd)) {
            // x < 2^63, so only 2^63 - 0.5 can round up past the range.
            whole = truncated == std::numeric_limits<int64_t>::max()
                        ? std::numeric_limits<int64_t>::min()
                        : truncated + 1;
        } else if (fraction < -kHalf || (fraction == -kHalf && odd)) {
            whole = truncated - 1; // x >= -2^63 keeps this in range
        }
    }
    // The count is the low 32 bits, read as signed.
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(whole)));
}

std::string TrimLeadingSpaces(std::string text) {
    // With no other byte, find_first_not_of gives npos and erase takes everything.
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

std::string TrimTrailingSpaces(std::string text) {
    // With no other byte, find_last_not_of gives npos, and npos + 1 wraps to 0.
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}
