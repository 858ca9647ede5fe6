// The software extended format and the count reader against the x87 itself, bit
// for bit, on millions of operands from a fixed seed: random encodings,
// subnormals, results that overflow or underflow, exact ties, the largest
// significands, powers of ten, zeros, infinities and NaNs. Built only where
// long double is the x87's format; the first differences end the run.
#include "fuzz/x87.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <utility>

namespace {

constexpr uint64_t kTop = uint64_t{1} << 63;
constexpr int kBias = 16383;

// The reference reading of a text is slow under the sanitizers (a long text
// takes milliseconds there), so their run reads a tenth as many texts.
#if defined(__SANITIZE_ADDRESS__)
constexpr uint64_t kTexts = 80000;
#else
constexpr uint64_t kTexts = 800000;
#endif

std::mt19937_64 Random(20240611);

uint64_t Below(uint64_t n) {
    return Random() % n;
}

// A random value in [lo, hi].
int Between(int lo, int hi) {
    return lo + static_cast<int>(Below(static_cast<uint64_t>(hi - lo + 1)));
}

uint16_t RandomSign() {
    return (Random() & 1) != 0 ? 0x8000 : 0;
}

Extended WithExponent(uint64_t significand, int biased) {
    return ValidEncoding(significand, static_cast<uint16_t>(RandomSign() | biased));
}

// An odd number of exactly `width` bits (1, or 4 to 64) that starts 100 in binary,
// so that the product of two of them has exactly their widths' sum less one bits.
uint64_t OddOfWidth(int width) {
    if (width == 1) {
        return 1;
    }
    const uint64_t top = uint64_t{1} << (width - 1);
    return top | (Random() & ((top >> 2) - 1)) | 1;
}

// One kind of case: how many to compare, and how to make and compare one.
struct Kind {
    const char* name;
    uint64_t count;
    std::function<void(X87Tally&)> compare;
};

// Compares the arithmetic on the operand pairs that make() gives.
std::function<void(X87Tally&)> Pairs(std::pair<Extended, Extended> (*make)()) {
    return [make](X87Tally& tally) {
        const auto [a, b] = make();
        CompareArithmetic(a, b, tally);
    };
}

// a with the biased exponent ea and b with the one that makes a * b (or a / b)
// land at biased exponent target, before rounding; both within 1 .. 0x7FFE.
std::pair<Extended, Extended> AroundExponent(uint64_t sa, uint64_t sb, int target, bool product) {
    const int lo = product ? std::max(1, target + kBias - 0x7FFE) : std::max(1, target - kBias + 1);
    const int hi =
        product ? std::min(0x7FFE, target + kBias - 1) : std::min(0x7FFE, target - kBias + 0x7FFE);
    const int ea = Between(lo, hi);
    const int eb = product ? target + kBias - ea : ea - target + kBias;
    return {WithExponent(sa, ea), WithExponent(sb, eb)};
}

// Up to 40 bytes of digits, points, signs, exponent letters, radix forms,
// suffixes and blanks, shaped like numbers more often than not.
std::string RandomText() {
    static const std::string kBytes = "0123456789012345678.eEdD+-&HhOoQqBbFfZz%?& \t\n\rx";
    std::string text;
    if (Below(3) == 0) {
        for (uint64_t n = Below(40); n > 0; --n) {
            text += kBytes[Below(kBytes.size())];
        }
        return text;
    }
    const auto digits = [](uint64_t most, const char* alphabet, uint64_t size) {
        std::string out;
        for (uint64_t n = Below(most + 1); n > 0; --n) {
            out += alphabet[Below(size)];
        }
        return out;
    };
    text = std::string(Below(3), ' ');
    if (Below(2) == 0) {
        static const char* const kRadix[] = {"&H", "&h", "&O", "&Q", "&B", "&", "&o", "&b"};
        static const char* const kSuffix[] = {"", "", "%", "&", "&&", "?", "??", "???", "x"};
        text += kRadix[Below(8)] + std::string(Below(4) == 0 ? "0" : "");
        text += digits(23, "0123456789ABCDEFabcdef01234567", 30) + kSuffix[Below(9)];
        return text;
    }
    text += std::string(Below(3) == 0 ? "-" : Below(6) == 0 ? "+" : "");
    text += std::string(Below(4) == 0 ? Below(6) : 0, '0') + digits(25, "0123456789", 10);
    if (Below(2) == 0) {
        text += "." + std::string(Below(3) == 0 ? Below(4930) : Below(4), '0') +
                digits(25, "0123456789", 10);
    }
    if (Below(2) == 0) {
        text += "EeDd"[Below(4)] + std::string(Below(3) == 0 ? "-" : Below(3) == 0 ? "+" : "");
        text += std::to_string(Below(3) == 0 ? Below(100) : Below(10000));
    }
    return text;
}

const Kind kKinds[] = {
    {"random encodings", 600000, Pairs([] {
         return std::pair{ValidEncoding(Random(), static_cast<uint16_t>(Random())),
                          ValidEncoding(Random(), static_cast<uint16_t>(Random()))};
     })},
    {"random, near 1", 500000, Pairs([] {
         return std::pair{WithExponent(Random(), kBias + Between(-70, 70)),
                          WithExponent(Random(), kBias + Between(-70, 70))};
     })},
    {"subnormal operands", 200000, Pairs([] {
         const Extended sub = ValidEncoding(Random() >> Below(64), RandomSign());
         const Extended other = Below(2) == 0 ? ValidEncoding(Random() >> Below(64), RandomSign())
                                              : WithExponent(Random(), Between(1, 0x7FFE));
         return Below(2) == 0 ? std::pair{sub, other} : std::pair{other, sub};
     })},
    {"results at the top of the range", 200000, Pairs([] {
         const bool product = Below(2) == 0;
         return AroundExponent(Random(), Random(), Between(0x7FFC, 0x7FFF), product);
     })},
    {"results at the bottom of the range", 300000, Pairs([] {
         const bool product = Below(2) == 0;
         return AroundExponent(Random(), Random(), Between(-66, 2), product);
     })},
    {"products exactly halfway", 300000, Pairs([] {
         // The significands' product has `width` bits and ends in 1: rounded to 64
         // bits (width 65), or to the fewer bits of a subnormal, it lies halfway.
         const int width = Between(7, 65);
         const int wa = Between(4, width - 3);
         const uint64_t a = OddOfWidth(wa), b = OddOfWidth(width + 1 - wa);
         const int target = width == 65 ? Between(1, 0x7FFE) : width - 64;
         return AroundExponent(a << (64 - wa), b << (64 - (width + 1 - wa)), target, true);
     })},
    {"quotients exactly halfway", 200000, Pairs([] {
         // a = q * b with q odd of `width` bits: the quotient q lies halfway once a
         // subnormal keeps width - 1 of its bits (no tie exists in the normal range).
         const int width = Between(4, 61);
         const int wb = Below(4) == 0 ? 1 : Between(4, 65 - width);
         const uint64_t q = OddOfWidth(width), b = OddOfWidth(wb);
         const int wa = width + wb - 1;
         return AroundExponent((q * b) << (64 - wa), b << (64 - wb), width - 64, false);
     })},
    {"the largest significands", 150000, Pairs([] {
         const uint64_t sa = ~uint64_t{0} - Below(4) * (Below(2) == 0 ? 1 : 0x100000000);
         const uint64_t sb = Below(2) == 0 ? ~uint64_t{0} - Below(3) : Random() | kTop;
         const int target = Below(2) == 0 ? Between(-66, 2) : Between(1, 0x7FFF);
         return AroundExponent(sa, sb, target, Below(2) == 0);
     })},
    {"powers of ten", 150000, Pairs([] {
         const std::string power = "1e" + std::to_string(Between(-4950, 4931));
         uint64_t m = 0;
         for (int digits = Between(1, 18); digits > 0; --digits) {
             m = m * 10 + Below(10);
         }
         const Extended a = ExtendedFromInt(static_cast<int64_t>(m));
         return std::pair{a, ParseNumber(power)};
     })},
    {"zeros, infinities and NaNs", 150000, Pairs([] {
         const auto special = [] {
             switch (Below(6)) {
             case 0:
                 return Extended{0, RandomSign()};
             case 1:
                 return Extended{kTop, static_cast<uint16_t>(RandomSign() | 0x7FFF)};
             case 2: // quiet NaN
                 return Extended{kTop | (kTop >> 1) | (Random() >> Below(64) >> 2),
                                 static_cast<uint16_t>(RandomSign() | 0x7FFF)};
             case 3: // signaling NaN
                 return Extended{kTop | (Random() >> Below(62) >> 2) | 1,
                                 static_cast<uint16_t>(RandomSign() | 0x7FFF)};
             case 4: // an encoding the x87 refuses: unnormal, pseudo-infinity or pseudo-NaN
                 return Extended{Random() >> 1, static_cast<uint16_t>(Random() | 1)};
             default:
                 return WithExponent(Random(), Between(1, 0x7FFE));
             }
         };
         const Extended a = special(), b = special();
         return Below(3) == 0 ? std::pair{a, WithExponent(Random(), Between(0, 0x7FFE))}
                              : std::pair{a, b};
     })},
    {"conversions from whole numbers", 1000000,
     [](X87Tally& tally) {
         const uint64_t magnitude = Random() >> Below(64);
         CompareConversions(static_cast<int64_t>(Below(2) == 0 ? magnitude : 0 - magnitude), tally);
     }},
    {"ParseNumber", kTexts, [](X87Tally& tally) { CompareParse(RandomText(), tally); }},
};

TEST(ExtendedDiffTest, AgreesWithTheX87BitForBit) {
    const uint16_t found = PrepareX87();
    std::printf("x87 control word at the start: %04X%s\n", found,
                (found & 0x0F00) == 0x0300 ? "" : " (precision or rounding set for the test)");
    X87Tally total;
    const auto start = std::chrono::steady_clock::now();
    for (const Kind& kind : kKinds) {
        X87Tally tally;
        const auto kindStart = std::chrono::steady_clock::now();
        for (uint64_t i = 0; i < kind.count && tally.differences == 0; ++i) {
            kind.compare(tally);
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - kindStart;
        std::printf("%-36s %10llu operations compared in %.2f s\n", kind.name,
                    static_cast<unsigned long long>(tally.compared), took.count());
        total.compared += tally.compared;
        ASSERT_EQ(tally.differences, 0u) << kind.name << ": the differences are printed above";
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%-36s %10llu operations compared in %.2f s, no difference\n", "in all",
                static_cast<unsigned long long>(total.compared), took.count());
    EXPECT_GE(total.compared, 10000000u);
}

} // namespace
