// The software extended format at its corners. Every expected value here is
// what the x87 gives; extended_diff_test compares far more operands with the
// hardware itself where there is one.
#include "text/extended.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

namespace {

constexpr uint64_t kTop = uint64_t{1} << 63;

constexpr Extended kPlusZero = {0, 0x0000};
constexpr Extended kMinusZero = {0, 0x8000};
constexpr Extended kOne = {kTop, 0x3FFF};
constexpr Extended kTwo = {kTop, 0x4000};
constexpr Extended kHalf = {kTop, 0x3FFE};
constexpr Extended kThreeQuarters = {0xC000000000000000, 0x3FFE};
constexpr Extended kThree = {0xC000000000000000, 0x4000};
constexpr Extended kPlusInfinity = {kTop, 0x7FFF};
constexpr Extended kMinusInfinity = {kTop, 0xFFFF};
constexpr Extended kLargest = {0xFFFFFFFFFFFFFFFF, 0x7FFE};
constexpr Extended kSmallestNormal = {kTop, 0x0001};
constexpr Extended kLargestSubnormal = {0x7FFFFFFFFFFFFFFF, 0x0000};
constexpr Extended kSmallestSubnormal = {1, 0x0000};
constexpr Extended kIndefinite = {0xC000000000000000, 0xFFFF};
constexpr Extended kQuietNaN = {0xC000000000000123, 0x7FFF};
constexpr Extended kSignalingNaN = {0x8000000000000456, 0xFFFF};

std::string Bits(Extended x) {
    char out[24];
    std::snprintf(out, sizeof out, "%04X:%016llX", x.signExponent,
                  static_cast<unsigned long long>(x.significand));
    return out;
}

bool SameBits(Extended a, Extended b) {
    return a.significand == b.significand && a.signExponent == b.signExponent;
}

TEST(ExtendedTest, ConvertsWholeNumbersExactly) {
    const struct {
        int64_t n;
        Extended value;
    } cases[] = {
        {0, kPlusZero},
        {1, kOne},
        {-1, {kTop, 0xBFFF}},
        {3, kThree},
        {std::numeric_limits<int16_t>::min(), {kTop, 0xC00E}},
        {std::numeric_limits<int32_t>::max(), {0xFFFFFFFE00000000, 0x401D}},
        {std::numeric_limits<int64_t>::max(), {0xFFFFFFFFFFFFFFFE, 0x403D}},
        {std::numeric_limits<int64_t>::min(), {kTop, 0xC03E}},
        {std::numeric_limits<int64_t>::min() + 1, {0xFFFFFFFFFFFFFFFE, 0xC03D}},
    };
    for (const auto& c : cases) {
        const Extended value = ExtendedFromInt(c.n);
        EXPECT_PRED2(SameBits, value, c.value)
            << c.n << ": got " << Bits(value) << ", want " << Bits(c.value);
    }
}

TEST(ExtendedTest, MultipliesAndDividesAsTheX87) {
    const Extended nearlyTwo = {0xFFFFFFFFFFFFFFFF, 0x3FFF}; // 2 - 2^-63
    const struct {
        const char* what;
        Extended result;
        Extended expected;
    } cases[] = {
        // Exact halves go to the even neighbour: (1 + 2^-63) * 3 and (1 + 3 * 2^-63) * 3
        // need 65 bits.
        {"tie, rounds up to even",
         Extended{0x8000000000000001, 0x3FFF} * kThree,
         {0xC000000000000002, 0x4000}},
        {"tie, stays even",
         Extended{0x8000000000000003, 0x3FFF} * kThree,
         {0xC000000000000004, 0x4000}},
        {"1 / 3", kOne / kThree, {0xAAAAAAAAAAAAAAAB, 0x3FFD}},
        {"2 / 3", kTwo / kThree, {0xAAAAAAAAAAAAAAAB, 0x3FFE}},
        // Below the normal range the exact result is rounded once, to the subnormal:
        // rounding to 64 bits first would give a tie here, and then the even 0x4000000000000000.
        {"rounded once into a subnormal",
         Extended{0xFFFFFFFFFFFFFFFF, 0x3FFD} * Extended{0x8000000000000002, 0x0001},
         {0x4000000000000001, 0x0000}},
        {"rounded up into the normal range", nearlyTwo * Extended{0x4000000000000000, 0x0000},
         kSmallestNormal},
        {"largest subnormal, exactly", kLargestSubnormal * kOne, kLargestSubnormal},
        {"half the smallest subnormal ties to +0", kSmallestSubnormal * kHalf, kPlusZero},
        {"and to -0", -kSmallestSubnormal * kHalf, kMinusZero},
        {"three quarters of it rounds up", kSmallestSubnormal * kThreeQuarters, kSmallestSubnormal},
        {"far below the range", kSmallestNormal * kSmallestNormal, kPlusZero},
        {"quotient in the subnormal range", kSmallestNormal / kThree, {0x2AAAAAAAAAAAAAAB, 0x0000}},
        // Subnormal operands carry their full value.
        {"subnormal times 2^63", kSmallestSubnormal * ExtendedFromInt(uint64_t{1} << 62) * kTwo,
         kSmallestNormal},
        {"subnormal / subnormal",
         kLargestSubnormal / kSmallestSubnormal,
         {0xFFFFFFFFFFFFFFFE, 0x403D}},
        {"normal / subnormal", kSmallestNormal / kSmallestSubnormal, {kTop, 0x403E}}, // 2^63
        {"beyond the range", kOne / kSmallestSubnormal, kPlusInfinity},
        // Overflow gives infinity, also when only the rounding carries past the largest value.
        {"overflow", kLargest * kTwo, kPlusInfinity},
        {"negative overflow", kLargest * -kTwo, kMinusInfinity},
        {"rounds up past the largest", kLargest * Extended{0x8000000000000001, 0x3FFF},
         kPlusInfinity},
        {"largest stays", kLargest * kOne, kLargest},
        {"quotient overflow", kLargest / kHalf, kPlusInfinity},
        // Signed zeros and infinities.
        {"0 * -1", kPlusZero * -kOne, kMinusZero},
        {"-0 * -0", kMinusZero * kMinusZero, kPlusZero},
        {"-0 / 5", kMinusZero / ExtendedFromInt(5), kMinusZero},
        {"1 / -inf", kOne / kMinusInfinity, kMinusZero},
        {"inf * -2", kPlusInfinity * -kTwo, kMinusInfinity},
        {"inf / 0", kPlusInfinity / kPlusZero, kPlusInfinity},
        {"-1 / 0", -kOne / kPlusZero, kMinusInfinity},
        {"1 / -0", kOne / kMinusZero, kMinusInfinity},
        {"subnormal / 0", kSmallestSubnormal / kPlusZero, kPlusInfinity},
        // Invalid operations give the real indefinite, whatever the signs.
        {"0 * inf", kPlusZero * kPlusInfinity, kIndefinite},
        {"-inf * 0", kMinusInfinity * kPlusZero, kIndefinite},
        {"0 / 0", kPlusZero / kMinusZero, kIndefinite},
        {"inf / inf", kPlusInfinity / kMinusInfinity, kIndefinite},
        {"unnormal operand", Extended{0x4000000000000000, 0x3FFF} * kOne, kIndefinite},
        // A NaN operand comes back quiet; of two, the larger significand wins.
        {"quiet NaN", kQuietNaN * kTwo, kQuietNaN},
        {"signaling NaN is quieted", kOne / kSignalingNaN, {0xC000000000000456, 0xFFFF}},
        {"NaN before 0 * inf", kQuietNaN * kPlusZero, kQuietNaN},
        {"two NaNs", kSignalingNaN * kQuietNaN, kQuietNaN},
        {"two NaNs, other order", kQuietNaN / kSignalingNaN, kQuietNaN},
        {"two NaNs alike, the positive one", -kQuietNaN * kQuietNaN, kQuietNaN},
    };
    for (const auto& c : cases) {
        EXPECT_PRED2(SameBits, c.result, c.expected)
            << c.what << ": got " << Bits(c.result) << ", want " << Bits(c.expected);
    }
}

TEST(ExtendedTest, NegationFlipsOnlyTheSign) {
    for (const Extended x : {kPlusZero, kOne, kSmallestSubnormal, kPlusInfinity, kQuietNaN}) {
        const Extended negated = -x;
        EXPECT_EQ(negated.significand, x.significand) << Bits(x);
        EXPECT_EQ(negated.signExponent, x.signExponent ^ 0x8000) << Bits(x);
        EXPECT_PRED2(SameBits, -negated, x);
    }
}

TEST(ExtendedTest, ComparesAsIeee) {
    // In increasing order; each entry equals itself and lies above everything before it.
    const Extended ordered[] = {
        kMinusInfinity,
        -kLargest,
        -kOne,
        -kSmallestNormal,
        -kLargestSubnormal,
        -kSmallestSubnormal,
        kPlusZero,
        kSmallestSubnormal,
        kLargestSubnormal,
        kSmallestNormal,
        kHalf,
        kOne,
        {0x8000000000000001, 0x3FFF},
        kTwo,
        kLargest,
        kPlusInfinity,
    };
    constexpr std::size_t n = std::size(ordered);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            const std::partial_ordering expected = i <=> j;
            EXPECT_EQ(ordered[i] <=> ordered[j], expected)
                << Bits(ordered[i]) << " vs " << Bits(ordered[j]);
            EXPECT_EQ(ordered[i] == ordered[j], i == j);
        }
    }
    EXPECT_TRUE(kMinusZero == kPlusZero);
    EXPECT_EQ(kMinusZero <=> kPlusZero, std::partial_ordering::equivalent);
    EXPECT_TRUE(kMinusZero < kSmallestSubnormal);
    for (const Extended nan : {kQuietNaN, kSignalingNaN, kIndefinite}) {
        for (const Extended other : {nan, kPlusZero, kOne, kPlusInfinity, kMinusInfinity}) {
            EXPECT_EQ(nan <=> other, std::partial_ordering::unordered) << Bits(nan);
            EXPECT_EQ(other <=> nan, std::partial_ordering::unordered) << Bits(nan);
            EXPECT_FALSE(nan == other) << Bits(nan);
        }
    }
}

TEST(ExtendedTest, TruncatesAndKeepsTheExactFraction) {
    const Extended twoTo62 = {kTop, 0x403D};
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    const struct {
        Extended x;
        int64_t whole;
        Extended fraction;
    } cases[] = {
        {{0xA000000000000000, 0x4000}, 2, kHalf},                // 2.5
        {{0xA000000000000000, 0xC000}, -2, -kHalf},              // -2.5
        {kThreeQuarters, 0, kThreeQuarters},                     // below 1: all fraction
        {-kHalf, 0, -kHalf},                                     // the sign stays
        {kThree, 3, kPlusZero},                                  // whole: +0
        {-kThree, -3, kPlusZero},                                // +0 also below zero
        {kMinusZero, 0, kMinusZero},                             // -0 stays
        {-kSmallestSubnormal, 0, -kSmallestSubnormal},           // subnormal
        {{0x8000000000000001, 0x403D}, int64_t{1} << 62, kHalf}, // 2^62 + 0.5
        {{0xFFFFFFFFFFFFFFFF, 0x403D}, kMax, kHalf},             // 2^63 - 0.5
        {{0xFFFFFFFFFFFFFFFF, 0xC03D}, -kMax, -kHalf},
        {{kTop, 0xC03E}, std::numeric_limits<int64_t>::min(), kPlusZero}, // -2^63
        {{0x8000000000000001, 0x3FFF}, 1, {kTop, 0x3FFF - 63}},           // 1 + 2^-63
        {twoTo62, int64_t{1} << 62, kPlusZero},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TruncateToInt64(c.x), c.whole) << Bits(c.x);
        const Extended fraction = FractionPart(c.x);
        EXPECT_PRED2(SameBits, fraction, c.fraction)
            << Bits(c.x) << ": got " << Bits(fraction) << ", want " << Bits(c.fraction);
    }
}

} // namespace
