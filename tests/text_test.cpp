#include "text/text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

using namespace std::string_view_literals;

// The 80 bits of an extended value as "sign+exponent:significand" in hex.
std::string Bits(Extended x) {
    char out[24];
    std::snprintf(out, sizeof out, "%04X:%016llX", x.signExponent,
                  static_cast<unsigned long long>(x.significand));
    return out;
}

// Same value bit for bit.
::testing::AssertionResult SameValue(Extended actual, Extended expected) {
    if (actual.significand == expected.significand &&
        actual.signExponent == expected.signExponent) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "got " << Bits(actual) << ", want " << Bits(expected);
}

// The finite double d as an extended value, exactly (doubles' subnormals are not used here).
constexpr Extended Ext(double d) {
    const auto bits = std::bit_cast<uint64_t>(d);
    const auto sign = static_cast<uint16_t>((bits >> 63) << 15);
    const auto exponent = static_cast<uint16_t>((bits >> 52) & 0x7FF);
    if (exponent == 0) {
        return {0, sign};
    }
    return {(uint64_t{1} << 63) | (bits << 11), static_cast<uint16_t>(sign | (exponent + 15360))};
}

// The value that C writes 0xD.DDDDDDDDDDDDDDDpP, with 16 hex digits and the first
// of them 8 or more; below the normal range it is stored as a subnormal (the
// digits' low bits that this drops are zero in every case here).
constexpr Extended Hex(uint64_t digits, int p) {
    const int biased = 16383 + p + 3;
    if (biased <= 0) {
        return {digits >> (1 - biased), 0};
    }
    return {digits, static_cast<uint16_t>(biased)};
}

struct TextCase {
    std::string_view text;
    Extended value;
    int32_t count;
};

void ExpectReads(const TextCase& c) {
    const Extended value = ParseNumber(c.text);
    EXPECT_TRUE(SameValue(value, c.value)) << "text \"" << c.text << "\"";
    EXPECT_EQ(RoundToWhole(value), c.count) << "text \"" << c.text << "\"";
}

constexpr Extended kOverflow = Ext(0x1p127);

TEST(ParseNumberTest, ReadsTheCountBoxTexts) {
    const TextCase cases[] = {
        {"", Ext(0.0), 0},
        {"10", Ext(10.0), 10},
        {" 12", Ext(12.0), 12},
        {"\t7", Ext(7.0), 7},
        {"\r5", Ext(0.0), 0},
        {"abc", Ext(0.0), 0},
        {"12abc", Ext(12.0), 12},
        {"1 2", Ext(1.0), 1},
        {"007", Ext(7.0), 7},
        {"000", Ext(0.0), 0},
        {"999", Ext(999.0), 999},
        {"-3", Ext(-3.0), -3},
        {"+7", Ext(7.0), 7},
        {"-", Ext(-0.0), 0},
        {"--1", Ext(-0.0), 0},
        {"2.5", Ext(2.5), 2},
        {"3.5", Ext(3.5), 4},
        {".5", Ext(0.5), 0},
        {"1.5", Ext(1.5), 2},
        {"5.", Ext(5.0), 5},
        {"1.2.3", Hex(0x999999999999999A, -3), 1}, // 12 / 10, rounded once
        {"1,000", Ext(1.0), 1},
        {"1e2", Ext(100.0), 100},
        {"1D2", Ext(100.0), 100},
        {"1e", Ext(1.0), 1},
        {"1e-1", Hex(0xCCCCCCCCCCCCCCCD, -7), 0}, // 1 / 10, rounded once
        {"9e9", Ext(9e9), 410065408},
        {"3e9", Ext(3e9), -1294967296},
        {"e5", Ext(0.0), 0},
        {"0x10", Ext(0.0), 0},
        {"&H10", Ext(16.0), 16},
        {"&h1f", Ext(31.0), 31},
        {"&17", Ext(15.0), 15},
        {"&B101", Ext(5.0), 5},
        {"&O17", Ext(15.0), 15},
        {"&H", Ext(0.0), 0},
        {"&", Ext(0.0), 0},
        {"&H1G", Ext(1.0), 1},
        {"&HFFFF", Ext(-1.0), -1},
        {"&H0FFFF", Ext(65535.0), 65535},
        {"&HFFFF&", Ext(65535.0), 65535},
        {"&H8000", Ext(-32768.0), -32768},
        {"&HFFFFFFFF", Ext(-1.0), -1},
        {"&HFFFFFFFF&&", Ext(4294967295.0), -1},
        {"&HFF?", Ext(255.0), 255},
        // 123456789012345678 * 1000: digits 19 to 21 are cut, the product rounded.
        {"123456789012345678901", Hex(0xD629D3F025E6CD16, 63), 0},
        {"1e5000", kOverflow, 0},
    };
    for (const auto& c : cases) {
        ExpectReads(c);
    }
}

TEST(ParseNumberTest, DecimalDetails) {
    const TextCase cases[] = {
        // Only space, tab and line feed are skipped.
        {" \t\n \n12", Ext(12.0), 12},
        {"\v5", Ext(0.0), 0},
        {"\xA0"
         "5",
         Ext(0.0), 0},
        {"\0005"sv, Ext(0.0), 0},
        {"5\0005"sv, Ext(5.0), 5},
        // The sign.
        {"- 1", Ext(-0.0), 0},
        {"-0", Ext(-0.0), 0},
        {"-0.00e5", Ext(-0.0), 0},
        {"-abc", Ext(-0.0), 0},
        {"+-1", Ext(0.0), 0},
        {"-.5", Ext(-0.5), 0},
        {"-2.5", Ext(-2.5), -2},
        {"-3.5", Ext(-3.5), -4},
        // The mantissa and the point.
        {".", Ext(0.0), 0},
        {".e5", Ext(0.0), 0},
        {"00.5", Ext(0.5), 0},
        {"0.05", Hex(0xCCCCCCCCCCCCCCCD, -8), 0}, // 5 / 100
        {"1.05", Hex(0x8666666666666666, -3), 1}, // 105 / 100
        {"1000", Ext(1000.0), 1000},
        {"1.000", Ext(1.0), 1},
        {"12.5e-1", Ext(1.25), 1},
        // Cut after 18 significant digits, not rounded: ...789 reads as ...780.
        {"1234567890123456789", Hex(0x891087A3EF4C0860, 57), 2112454924}, // ...780
        {"0.000000000000000000001234567890123456789", Hex(0xBA90082DDFFFD61F, -73), 0},
        // The exponent.
        {"1e+5", Ext(1e5), 100000},
        {"1E2", Ext(100.0), 100},
        {"1d2", Ext(100.0), 100},
        {"1e-", Ext(1.0), 1},
        {"1e+", Ext(1.0), 1},
        {"1e+-5", Ext(1.0), 1},
        {"1e2.5", Ext(100.0), 100},
        {"1e000000000000000000000005", Ext(1e5), 100000},
        {"1e0010000", kOverflow, 0}, // capped at 9999
        {"1e-99999999999999999999", Ext(0.0), 0},
        {"-1e5000", -kOverflow, 0},
        // Counts near the ends of the 32- and 64-bit ranges.
        {"2147483647.5", Ext(2147483647.5), -2147483647 - 1},
        {"4294967297", Ext(4294967297.0), 1},
        {"9223372036854775807", Hex(0xFFFFFFFFFFFFFFF0, 59), -8}, // ...800
        {"-9223372036854775808", -Hex(0xFFFFFFFFFFFFFFF0, 59), 8},
        {"9.3e18", Ext(9.3e18), 0},
    };
    for (const auto& c : cases) {
        ExpectReads(c);
    }
}

// Results near the ends of the exponent range, and ones where the order of the
// roundings decides the last bit.
TEST(ParseNumberTest, ScalingAndRange) {
    const TextCase cases[] = {
        // P + X = 4933 is out of range even though 10^4932 itself would fit.
        {"1e4932", kOverflow, 0},
        {".999e4932", Hex(0xD6F59CFA9996639D, 16380), 0},
        {"9e4931", Hex(0xC1A83A6539A577B8, 16380), 0},
        {"1e4096", Hex(0xC46052028A20979B, 13603), 0},
        {"1e-4096", Hex(0xA6DD04C8D2CE9FDE, -13610), 0},
        // Subnormal results.
        {"1e-4932", Hex(0x98491F23CA4D5FC0, -16387), 0},
        {"0.1e-4931", Hex(0x98491F23CA4D5FC0, -16387), 0},
        // 10^4933 overflows, so dividing by it gives 0 although P + X is in range.
        {"1e-4933", Ext(0.0), 0},
        {"123456789012345678e-4950", Ext(0.0), 0},
        {"-1e-4933", Ext(-0.0), 0},
        {"1e-4934", Ext(0.0), 0},
        // 10 * 10^8 first, then 10^32: taking 10^32 first would round differently.
        {"1e41", Hex(0x92EFD1B8D0CF37BE, 133), 0},
        // The nearest values to 10^-100 and 10^4100 end in ...EBD and ...910.
        {"1e-100", Hex(0xDFF9772470297EBE, -336), 0},
        {"1e4100", Hex(0xEFB7941C199CC911, 13616), 0},
        // 10^4096 comes last; taking it first would round differently.
        {"1e4109", Hex(0xDF4102E1B6B2DB76, 13646), 0},
        {"1e-4109", Hex(0x92C64978FB0BBC09, -13653), 0},
    };
    for (const auto& c : cases) {
        ExpectReads(c);
    }
}

TEST(ParseNumberTest, LongTexts) {
    const std::string zeros4930(4930, '0');
    const std::string pointDigits = [] {
        std::string s = "0.";
        for (int i = 0; i < 1000; ++i) {
            s += "1234567890";
        }
        return s;
    }();
    const struct {
        const char* name;
        std::string text;
        Extended value;
    } cases[] = {
        {"4000 nines", std::string(4000, '9'), Hex(0xD1BA8323FE558C53, 13284)},
        {"10000 digits after the point", pointDigits, Hex(0xFCD6E9BA37B2F85D, -7)},
        {"1 and 4931 zeros", "1" + std::string(4931, '0'), Hex(0xAC23C22116CBF8A5, 16377)},
        {"1 and 4932 zeros", "1" + std::string(4932, '0'), kOverflow},
        {"4930 zeros after the point, then 1", "0." + zeros4930 + "1",
         Hex(0xBE5B66ECBCE0B7B1, -16384)},
        {"4931 zeros after the point, then 123", "0." + zeros4930 + "0123", Ext(0.0)},
        // The exponent stops at 9999, so this reads as 10^10000 * 10^-9999.
        {"1 and 10000 zeros, e-10000", "1" + std::string(10000, '0') + "e-10000", Ext(10.0)},
        {"100000 digits", std::string(100000, '7'), kOverflow},
        {"100000 zeros after the point", "0." + std::string(100000, '0') + "1", Ext(0.0)},
        {"-, then 100000 zeros", "-" + std::string(100000, '0'), Ext(-0.0)},
        {"100000 leading spaces", std::string(100000, ' ') + "7", Ext(7.0)},
        {"100000 exponent digits", "1e" + std::string(100000, '9'), kOverflow},
        {"100000 negative exponent digits", "1e-" + std::string(100000, '9'), Ext(0.0)},
        {"100000 bytes of &", std::string(100000, '&'), Ext(0.0)},
        {"100000 hex zeros", "&H" + std::string(100000, '0') + "F", Ext(15.0)},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(SameValue(ParseNumber(c.text), c.value)) << c.name;
    }
}

TEST(ParseNumberTest, ReadsOnlyWithinTheLength) {
    // Each buffer reads differently in full; the bytes past the length must not count.
    const struct {
        const char* buffer;
        std::size_t length;
        Extended value;
    } cases[] = {
        {"1234", 2, Ext(12.0)}, {"1234", 0, Ext(0.0)},     {"1e5", 2, Ext(1.0)},
        {"-5", 1, Ext(-0.0)},   {"&HFFFF&", 6, Ext(-1.0)}, {"&HFFFF&&", 7, Ext(65535.0)},
        {"&H7", 1, Ext(0.0)},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(SameValue(ParseNumber(std::string_view(c.buffer, c.length)), c.value))
            << c.buffer << " cut to " << c.length;
    }
}

TEST(ParseNumberTest, RadixForms) {
    const TextCase cases[] = {
        // Letters and default octal.
        {"&HfF", Ext(255.0), 255},
        {"&Q777", Ext(511.0), 511},
        {"&o10", Ext(8.0), 8},
        {"&777", Ext(511.0), 511},
        {"&8", Ext(0.0), 0},
        {"&Z", Ext(0.0), 0},
        {"&0", Ext(0.0), 0},
        {"&B102", Ext(2.0), 2},
        {" \t&H10", Ext(16.0), 16},
        {"-&H10", Ext(-0.0), 0},
        {"&H1\0"sv, Ext(1.0), 1},
        // Suffixes.
        {"&HFFFF%", Ext(-1.0), -1},
        {"&HFFFF&&", Ext(65535.0), 65535},
        {"&HFFFF&H", Ext(65535.0), 65535},
        {"&HFFFF &", Ext(-1.0), -1},
        {"&HFF??", Ext(255.0), 255},
        {"&HFFFF???", Ext(65535.0), 65535},
        // 32-bit values.
        {"&H10000", Ext(65536.0), 65536},
        {"&H80000000", Ext(-2147483648.0), -2147483647 - 1},
        {"&H80000000&", Ext(-2147483648.0), -2147483647 - 1},
        {"&H80000000&&", Ext(2147483648.0), -2147483647 - 1},
        {"&H0FFFFFFFF", Ext(4294967295.0), -1},
        {"&H100000000", Ext(4294967296.0), 0},
        // 64-bit values; 17 hex digits fit only with a leading zero.
        {"&H10000000000000000", Ext(0.0), 0},
        {"&H10000000000000001", Ext(0.0), 0},
        {"&H1FFFFFFFFFFFFFFFF&&", Ext(0.0), 0},
        {"&H00000000000000001", Ext(1.0), 1},
        {"&H0FFFFFFFFFFFFFFFF", Ext(-1.0), -1},
        {"&HFFFFFFFFFFFFFFFF", Ext(-1.0), -1},
        {"&HFFFFFFFFFFFFFFFF&&", Ext(-1.0), -1},
        {"&HFFFFFFFFFFFFFFFF?", Ext(0.0), 0},
        {"&H8000000000000000??", Ext(0.0), 0},
        {"&H7FFFFFFFFFFFFFFF?", Hex(0xFFFFFFFFFFFFFFFE, 59), -1}, // 2^63 - 1
        {"&H7FFFFFFFFFFFFFFF", Hex(0xFFFFFFFFFFFFFFFE, 59), -1},
        {"&H8000000000000000", Ext(-0x1p63), 0},
        {"&O1777777777777777777777", Ext(-1.0), -1},
        {"&O2000000000000000000000", Ext(0.0), 0},
        {"&O2000000000000000000007", Ext(0.0), 0},
        {"&B1111111111111111111111111111111111111111111111111111111111111111", Ext(-1.0), -1},
        {"&B10000000000000000000000000000000000000000000000000000000000000000", Ext(0.0), 0},
        {"&B01111111111111111111111111111111111111111111111111111111111111111", Ext(-1.0), -1},
    };
    for (const auto& c : cases) {
        ExpectReads(c);
    }
}

TEST(ReadNumberTest, TellsHowMuchOfTheTextTheNumberTook) {
    const struct {
        std::string_view text;
        std::size_t length;
        bool overflow = false;
    } cases[] = {
        // No number at all: nothing is taken, not even blanks or a sign.
        {"", 0},
        {"abc", 0},
        {"\r5", 0},
        {"  ", 0},
        {"-", 0},
        {"--1", 0},
        {"- 1", 0},
        {".", 0},
        {".e5", 0},
        {"-&H10", 0},
        {"&", 0},
        {"&H", 0},
        {"&8", 0},
        {"&Hx", 0},
        // Decimal: blanks, sign, digits, one point, the exponent with its letter.
        {"10", 2},
        {" \t\n12", 5},
        {"12abc", 2},
        {"1 2", 1},
        {"000", 3},
        {"+7", 2},
        {"2.5", 3},
        {"5.", 2},
        {".5", 2},
        {"1.2.3", 3},
        {"1,000", 1},
        {"1e2", 3},
        {"1D2x", 3},
        {"1e", 2},
        {"1e+", 3},
        {"1e-1", 4},
        {"0e7", 3},
        {"123456789012345678901", 21},
        {"1e5000", 6, true},
        {"1e-5000", 7},
        // Radix: the letter, the digits and the longest suffix.
        {"&H10", 4},
        {"&17", 3},
        {"&H1G", 3},
        {"&HFFFF&", 7},
        {"&HFFFFFFFF&&", 12},
        {"&HFF%x", 5},
        {"&HFF?", 5},
        {"&HFF???", 7},
        {"&HFF????", 7},
        {"&H10000000000000000", 19, true}, // 65 bits
        {"&HFFFFFFFFFFFFFFFF", 18},        // 64 bits: -1
        {"&H8000000000000000?", 19, true}, // unsigned, 2^63
        {"&H7FFFFFFFFFFFFFFF??", 20},
    };
    for (const auto& c : cases) {
        const NumberReading reading = ReadNumber(c.text);
        EXPECT_EQ(reading.length, c.length) << "text \"" << c.text << "\"";
        EXPECT_EQ(reading.overflow, c.overflow) << "text \"" << c.text << "\"";
        EXPECT_TRUE(SameValue(reading.value, ParseNumber(c.text))) << "text \"" << c.text << "\"";
    }
}

TEST(RoundToWholeTest, RoundsHalfToEvenAndKeepsTheLow32Bits) {
    constexpr Extended kTwoTo63 = Ext(0x1p63);
    const struct {
        Extended x;
        int32_t count;
    } cases[] = {
        {Ext(0.0), 0},
        {Ext(-0.0), 0},
        {Ext(0.5), 0},
        {Ext(-0.5), 0},
        {Ext(1.5), 2},
        {Ext(-1.5), -2},
        {Ext(2.5), 2},
        {Ext(-2.5), -2},
        {Hex(0xFFFFFFFFFFFFFFFF, -5), 0},   // 0.5 - 2^-65
        {Hex(0x8000000000000001, -4), 1},   // 0.5 + 2^-64
        {-Hex(0x8000000000000001, -4), -1}, // -0.5 - 2^-64
        {{1, 0}, 0},                        // the smallest subnormal
        {{1, 0x8000}, 0},
        {Ext(2147483647.5), -2147483647 - 1},
        {Ext(-2147483648.5), -2147483647 - 1},
        {Ext(-2147483649.0), 2147483647},
        {Ext(4294967296.5), 0},
        {Ext(4294967297.0), 1},
        {Hex(0x8000000000000001, 59), 0},  // 2^62 + 0.5
        {Hex(0x8000000000000003, 59), 2},  // 2^62 + 1.5
        {Hex(0xFFFFFFFFFFFFFFFE, 59), -1}, // 2^63 - 1
        {Hex(0xFFFFFFFFFFFFFFFD, 59), -2}, // 2^63 - 1.5
        {Hex(0xFFFFFFFFFFFFFFFF, 59), 0},  // 2^63 - 0.5 rounds up to 2^63, out of range
        {kTwoTo63, 0},
        {-kTwoTo63, 0},
        {-Hex(0xFFFFFFFFFFFFFFFF, 59), 0}, // -2^63 + 0.5 ties to -2^63
        {-Hex(0xFFFFFFFFFFFFFFFD, 59), 2}, // -2^63 + 1.5
        {-Hex(0x8000000000000001, 60), 0}, // -2^63 - 1
        {Hex(0x8000000000000002, 61), 0},  // 2^64 + 4: out of range, not wrapped
        {-Hex(0x8000000000000002, 61), 0},
        {kOverflow, 0},
        {{0xFFFFFFFFFFFFFFFF, 0x7FFE}, 0}, // the largest finite value
        {{0x8000000000000000, 0x7FFF}, 0}, // infinity
        {{0x8000000000000000, 0xFFFF}, 0},
        {{0xC000000000000000, 0x7FFF}, 0}, // a quiet NaN
        {{0xC000000000000000, 0xFFFF}, 0}, // the real indefinite
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RoundToWhole(c.x), c.count) << Bits(c.x);
    }
}

TEST(TrimTest, RemovesOnlySpaces) {
    const struct {
        std::string text;
        std::string leading;
        std::string trailing;
    } cases[] = {
        {"  ab  ", "ab  ", "  ab"},
        {"   ", "", ""},
        {"", "", ""},
        {"ab", "ab", "ab"},
        {"\tab ", "\tab ", "\tab"},
        {" a b ", "a b ", " a b"},
        {std::string(" \0 "sv), std::string("\0 "sv), std::string(" \0"sv)},
        {" \r\n\xA0", "\r\n\xA0", " \r\n\xA0"},
        {"\xA0 x \t", "\xA0 x \t", "\xA0 x \t"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrimLeadingSpaces(c.text), c.leading) << '"' << c.text << '"';
        EXPECT_EQ(TrimTrailingSpaces(c.text), c.trailing) << '"' << c.text << '"';
    }
    EXPECT_EQ(TrimTrailingSpaces(TrimLeadingSpaces(" \t ab \t  ")), "\t ab \t");
}

} // namespace
