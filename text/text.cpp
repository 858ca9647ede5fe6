#include "text/text.h"

#include <limits>

// Every step below is meant to round to the 64-bit significand of the x87
// extended format, with the FPU's precision control at 64 bits and rounding to
// nearest (the start-up state under Linux and MinGW alike).
static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the 80-bit x87 extended format");

namespace {

// 10^0 .. 10^7, exact.
constexpr long double kSmallPowers[8] = {1e0L, 1e1L, 1e2L, 1e3L, 1e4L, 1e5L, 1e6L, 1e7L};

// 10^(8 * 2^j) for j = 0 .. 9: the extended values nearest to the exact powers,
// written out bit for bit (10^8 and 10^16 are exact, the others rounded once).
constexpr long double kBigPowers[10] = {
    0xB.EBC200000000000p+23L,    // 10^8
    0x8.E1BC9BF04000000p+50L,    // 10^16
    0x9.DC5ADA82B70B59Ep+103L,   // 10^32
    0xC.2781F49FFCFA6D5p+209L,   // 10^64
    0x9.3BA47C980E98CE0p+422L,   // 10^128
    0xA.A7EEBFB9DF9DE8Ep+847L,   // 10^256
    0xE.319A0AEA60E91C7p+1697L,  // 10^512
    0xC.976758681750C17p+3398L,  // 10^1024
    0x9.E8B3B5DC53D5DE5p+6800L,  // 10^2048
    0xC.46052028A20979Bp+13603L, // 10^4096
};

// What a decimal exponent beyond the range of the format gives.
constexpr long double kOverflowValue = 0x1p127L;

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
long double ScaleByPowerOfTen(uint64_t m, int32_t e) {
    const long double mantissa = static_cast<long double>(m); // exact: m < 10^18
    if (e == 0) {
        return mantissa;
    }
    int32_t k = e < 0 ? -e : e;
    const bool largest = k > kLargestStep;
    if (largest) {
        k -= kLargestStep;
    }
    long double power = kSmallPowers[k % 8];
    int j = 0;
    for (int32_t bits = k / 8; bits != 0; bits >>= 1, ++j) {
        if ((bits & 1) != 0) {
            power *= kBigPowers[j];
        }
    }
    if (largest) {
        power *= kBigPowers[9];
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
    long double result = 0.0L; // no digits, or zeros only
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

// The radix digits' value V as the suffix and the first digit say it is read.
long double RadixValue(uint64_t v, Suffix suffix, bool leadingZero) {
    if (suffix == Suffix::Unsigned) {
        return static_cast<long double>(v); // below 2^63 here
    }
    if (leadingZero || v > 0xFFFFFFFFu) {
        return static_cast<long double>(static_cast<int64_t>(v)); // two's complement
    }
    if (suffix == Suffix::Double) {
        return static_cast<long double>(v);
    }
    if (v > 0xFFFFu) {
        return static_cast<long double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
    }
    if (suffix == Suffix::Single) {
        return static_cast<long double>(v);
    }
    return static_cast<long double>(static_cast<int16_t>(static_cast<uint16_t>(v)));
}

// &H.., &O.. / &Q.., &B.., or & followed directly by octal digits; p is at the "&".
NumberReading ReadRadix(const unsigned char* p, const unsigned char* end) {
    const unsigned char* const start = p++;
    if (p == end) {
        return {0.0L, 0, false};
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
        return {0.0L, 0, false};
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
        return {0.0L, length, true};
    }
    return {RadixValue(v, suffix, leadingZero), length, false};
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

long double ParseNumber(std::string_view text) {
    return ReadNumber(text).value;
}

int32_t RoundToWhole(long double x) {
    // Everything outside [-2^63, 2^63), NaN included, is held as -2^63.
    int64_t whole = std::numeric_limits<int64_t>::min();
    if (x >= -0x1p63L && x < 0x1p63L) {
        // The conversion truncates toward zero and is defined in this range;
        // the fraction x - truncated is exact.
        const int64_t truncated = static_cast<int64_t>(x);
        const long double fraction = x - static_cast<long double>(truncated);
        const bool odd = (truncated & 1) != 0;
        whole = truncated;
        if (fraction > 0.5L || (fraction == 0.5L && odd)) {
            // x < 2^63, so only 2^63 - 0.5 can round up past the range.
            whole = truncated == std::numeric_limits<int64_t>::max()
                        ? std::numeric_limits<int64_t>::min()
                        : truncated + 1;
        } else if (fraction < -0.5L || (fraction == -0.5L && odd)) {
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
