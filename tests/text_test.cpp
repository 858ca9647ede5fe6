#include "text/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

namespace {

using namespace std::string_view_literals;

// The 80 bits of an extended value as "sign+exponent:significand" in hex.
std::string Bits(long double x) {
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &x, sizeof x);
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (int i = 9; i >= 0; --i) {
        out += kHex[bytes[i] >> 4];
        out += kHex[bytes[i] & 15];
        if (i == 8) {
            out += ':';
        }
    }
    return out;
}

// Same value bit for bit; for the finite results here that is equality plus the sign of zero.
::testing::AssertionResult SameValue(long double actual, long double expected) {
    if (actual == expected && std::signbit(actual) == std::signbit(expected)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "got " << Bits(actual) << ", want " << Bits(expected);
}

struct TextCase {
    std::string_view text;
    long double value;
    int32_t count;
};

void ExpectReads(const TextCase& c) {
    const long double value = ParseNumber(c.text);
    EXPECT_TRUE(SameValue(value, c.value)) << "text \"" << c.text << "\"";
    EXPECT_EQ(RoundToWhole(value), c.count) << "text \"" << c.text << "\"";
}

constexpr long double kOverflow = 0x1p127L;

TEST(ParseNumberTest, ReadsTheCountBoxTexts) {
    const TextCase cases[] = {
        {"", 0.0L, 0},
        {"10", 10.0L, 10},
        {" 12", 12.0L, 12},
        {"\t7", 7.0L, 7},
        {"\r5", 0.0L, 0},
        {"abc", 0.0L, 0},
        {"12abc", 12.0L, 12},
        {"1 2", 1.0L, 1},
        {"007", 7.0L, 7},
        {"000", 0.0L, 0},
        {"999", 999.0L, 999},
        {"-3", -3.0L, -3},
        {"+7", 7.0L, 7},
        {"-", -0.0L, 0},
        {"--1", -0.0L, 0},
        {"2.5", 2.5L, 2},
        {"3.5", 3.5L, 4},
        {".5", 0.5L, 0},
        {"1.5", 1.5L, 2},
        {"5.", 5.0L, 5},
        {"1.2.3", 0x9.99999999999999Ap-3L, 1}, // 12 / 10, rounded once
        {"1,000", 1.0L, 1},
        {"1e2", 100.0L, 100},
        {"1D2", 100.0L, 100},
        {"1e", 1.0L, 1},
        {"1e-1", 0xC.CCCCCCCCCCCCCCDp-7L, 0}, // 1 / 10, rounded once
        {"9e9", 9e9L, 410065408},
        {"3e9", 3e9L, -1294967296},
        {"e5", 0.0L, 0},
        {"0x10", 0.0L, 0},
        {"&H10", 16.0L, 16},
        {"&h1f", 31.0L, 31},
        {"&17", 15.0L, 15},
        {"&B101", 5.0L, 5},
        {"&O17", 15.0L, 15},
        {"&H", 0.0L, 0},
        {"&", 0.0L, 0},
        {"&H1G", 1.0L, 1},
        {"&HFFFF", -1.0L, -1},
        {"&H0FFFF", 65535.0L, 65535},
        {"&HFFFF&", 65535.0L, 65535},
        {"&H8000", -32768.0L, -32768},
        {"&HFFFFFFFF", -1.0L, -1},
        {"&HFFFFFFFF&&", 4294967295.0L, -1},
        {"&HFF?", 255.0L, 255},
        // 123456789012345678 * 1000: digits 19 to 21 are cut, the product rounded.
        {"123456789012345678901", 0xD.629D3F025E6CD16p+63L, 0},
        {"1e5000", kOverflow, 0},
    };
    for (const auto& c : cases) {
        ExpectReads(c);
    }
}

TEST(ParseNumberTest, DecimalDetails) {
    const TextCase cases[] = {
        // Only space, tab and line feed are skipped.
        {" \t\n \n12", 12.0L, 12},
        {"\v5", 0.0L, 0},
        {"\xA0"
         "5",
         0.0L, 0},
        {"\0005"sv, 0.0L, 0},
        {"5\0005"sv, 5.0L, 5},
        // The sign.
        {"- 1", -0.0L, 0},
        {"-0", -0.0L, 0},
        {"-0.00e5", -0.0L, 0},
        {"-abc", -0.0L, 0},
        {"+-1", 0.0L, 0},
        {"-.5", -0.5L, 0},
        {"-2.5", -2.5L, -2},
        {"-3.5", -3.5L, -4},
        // The mantissa and the point.
        {".", 0.0L, 0},
        {".e5", 0.0L, 0},
        {"00.5", 0.5L, 0},
        {"0.05", 0xC.CCCCCCCCCCCCCCDp-8L, 0}, // 5 / 100
        {"1.05", 0x8.666666666666666p-3L, 1}, // 105 / 100
        {"1000", 1000.0L, 1000},
        {"1.000", 1.0L, 1},
        {"12.5e-1", 1.25L, 1},
        // Cut after 18 significant digits, not rounded: ...789 reads as ...780.
        {"1234567890123456789", 1234567890123456780.0L, 2112454924},
        {"0.000000000000000000001234567890123456789", 0xB.A90082DDFFFD61Fp-73L, 0},
        // The exponent.
        {"1e+5", 1e5L, 100000},
        {"1E2", 100.0L, 100},
        {"1d2", 100.0L, 100},
        {"1e-", 1.0L, 1},
        {"1e+", 1.0L, 1},
        {"1e+-5", 1.0L, 1},
        {"1e2.5", 100.0L, 100},
        {"1e000000000000000000000005", 1e5L, 100000},
        {"1e0010000", kOverflow, 0}, // capped at 9999
        {"1e-99999999999999999999", 0.0L, 0},
        {"-1e5000", -kOverflow, 0},
        // Counts near the ends of the 32- and 64-bit ranges.
        {"2147483647.5", 2147483647.5L, -2147483647 - 1},
        {"4294967297", 4294967297.0L, 1},
        {"9223372036854775807", 9223372036854775800.0L, -8},
        {"-9223372036854775808", -9223372036854775800.0L, 8},
        {"9.3e18", 9.3e18L, 0},
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
        {".999e4932", 0xD.6F59CFA9996639Dp+16380L, 0},
        {"9e4931", 0xC.1A83A6539A577B8p+16380L, 0},
        {"1e4096", 0xC.46052028A20979Bp+13603L, 0},
        {"1e-4096", 0xA.6DD04C8D2CE9FDEp-13610L, 0},
        // Subnormal results.
        {"1e-4932", 0x9.8491F23CA4D5FC0p-16387L, 0},
        {"0.1e-4931", 0x9.8491F23CA4D5FC0p-16387L, 0},
        // 10^4933 overflows, so dividing by it gives 0 although P + X is in range.
        {"1e-4933", 0.0L, 0},
        {"123456789012345678e-4950", 0.0L, 0},
        {"-1e-4933", -0.0L, 0},
        {"1e-4934", 0.0L, 0},
        // 10 * 10^8 first, then 10^32: taking 10^32 first would round differently.
        {"1e41", 0x9.2EFD1B8D0CF37BEp+133L, 0},
        // The nearest values to 10^-100 and 10^4100 end in ...EBD and ...910.
        {"1e-100", 0xD.FF9772470297EBEp-336L, 0},
        {"1e4100", 0xE.FB7941C199CC911p+13616L, 0},
        // 10^4096 comes last; taking it first would round differently.
        {"1e4109", 0xD.F4102E1B6B2DB76p+13646L, 0},
        {"1e-4109", 0x9.2C64978FB0BBC09p-13653L, 0},
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
        long double value;
    } cases[] = {
        {"4000 nines", std::string(4000, '9'), 0xD.1BA8323FE558C53p+13284L},
        {"10000 digits after the point", pointDigits, 0xF.CD6E9BA37B2F85Dp-7L},
        {"1 and 4931 zeros", "1" + std::string(4931, '0'), 0xA.C23C22116CBF8A5p+16377L},
        {"1 and 4932 zeros", "1" + std::string(4932, '0'), kOverflow},
        {"4930 zeros after the point, then 1", "0." + zeros4930 + "1", 0xB.E5B66ECBCE0B7B1p-16384L},
        {"4931 zeros after the point, then 123", "0." + zeros4930 + "0123", 0.0L},
        // The exponent stops at 9999, so this reads as 10^10000 * 10^-9999.
        {"1 and 10000 zeros, e-10000", "1" + std::string(10000, '0') + "e-10000", 10.0L},
        {"100000 digits", std::string(100000, '7'), kOverflow},
        {"100000 zeros after the point", "0." + std::string(100000, '0') + "1", 0.0L},
        {"-, then 100000 zeros", "-" + std::string(100000, '0'), -0.0L},
        {"100000 leading spaces", std::string(100000, ' ') + "7", 7.0L},
        {"100000 exponent digits", "1e" + std::string(100000, '9'), kOverflow},
        {"100000 negative exponent digits", "1e-" + std::string(100000, '9'), 0.0L},
        {"100000 bytes of &", std::string(100000, '&'), 0.0L},
        {"100000 hex zeros", "&H" + std::string(100000, '0') + "F", 15.0L},
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
        long double value;
    } cases[] = {
        {"1234", 2, 12.0L},    {"1234", 0, 0.0L},         {"1e5", 2, 1.0L}, {"-5", 1, -0.0L},
        {"&HFFFF&", 6, -1.0L}, {"&HFFFF&&", 7, 65535.0L}, {"&H7", 1, 0.0L},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(SameValue(ParseNumber(std::string_view(c.buffer, c.length)), c.value))
            << c.buffer << " cut to " << c.length;
    }
}

TEST(ParseNumberTest, RadixForms) {
    const TextCase cases[] = {
        // Letters and default octal.
        {"&HfF", 255.0L, 255},
        {"&Q777", 511.0L, 511},
        {"&o10", 8.0L, 8},
        {"&777", 511.0L, 511},
        {"&8", 0.0L, 0},
        {"&Z", 0.0L, 0},
        {"&0", 0.0L, 0},
        {"&B102", 2.0L, 2},
        {" \t&H10", 16.0L, 16},
        {"-&H10", -0.0L, 0},
        {"&H1\0"sv, 1.0L, 1},
        // Suffixes.
        {"&HFFFF%", -1.0L, -1},
        {"&HFFFF&&", 65535.0L, 65535},
        {"&HFFFF&H", 65535.0L, 65535},
        {"&HFFFF &", -1.0L, -1},
        {"&HFF??", 255.0L, 255},
        {"&HFFFF???", 65535.0L, 65535},
        // 32-bit values.
        {"&H10000", 65536.0L, 65536},
        {"&H80000000", -2147483648.0L, -2147483647 - 1},
        {"&H80000000&", -2147483648.0L, -2147483647 - 1},
        {"&H80000000&&", 2147483648.0L, -2147483647 - 1},
        {"&H0FFFFFFFF", 4294967295.0L, -1},
        {"&H100000000", 4294967296.0L, 0},
        // 64-bit values; 17 hex digits fit only with a leading zero.
        {"&H10000000000000000", 0.0L, 0},
        {"&H10000000000000001", 0.0L, 0},
        {"&H1FFFFFFFFFFFFFFFF&&", 0.0L, 0},
        {"&H00000000000000001", 1.0L, 1},
        {"&H0FFFFFFFFFFFFFFFF", -1.0L, -1},
        {"&HFFFFFFFFFFFFFFFF", -1.0L, -1},
        {"&HFFFFFFFFFFFFFFFF&&", -1.0L, -1},
        {"&HFFFFFFFFFFFFFFFF?", 0.0L, 0},
        {"&H8000000000000000??", 0.0L, 0},
        {"&H7FFFFFFFFFFFFFFF?", 9223372036854775807.0L, -1},
        {"&H7FFFFFFFFFFFFFFF", 9223372036854775807.0L, -1},
        {"&H8000000000000000", -0x1p63L, 0},
        {"&O1777777777777777777777", -1.0L, -1},
        {"&O2000000000000000000000", 0.0L, 0},
        {"&O2000000000000000000007", 0.0L, 0},
        {"&B1111111111111111111111111111111111111111111111111111111111111111", -1.0L, -1},
        {"&B10000000000000000000000000000000000000000000000000000000000000000", 0.0L, 0},
        {"&B01111111111111111111111111111111111111111111111111111111111111111", -1.0L, -1},
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
    const long double inf = std::numeric_limits<long double>::infinity();
    const struct {
        long double x;
        int32_t count;
    } cases[] = {
        {0.0L, 0},
        {-0.0L, 0},
        {0.5L, 0},
        {-0.5L, 0},
        {1.5L, 2},
        {-1.5L, -2},
        {2.5L, 2},
        {-2.5L, -2},
        {0.5L - 0x1p-65L, 0},
        {0.5L + 0x1p-64L, 1},
        {-0.5L - 0x1p-64L, -1},
        {std::numeric_limits<long double>::denorm_min(), 0},
        {-std::numeric_limits<long double>::denorm_min(), 0},
        {2147483647.5L, -2147483647 - 1},
        {-2147483648.5L, -2147483647 - 1},
        {-2147483649.0L, 2147483647},
        {4294967296.5L, 0},
        {4294967297.0L, 1},
        {0x1p62L + 0.5L, 0},
        {0x1p62L + 1.5L, 2},
        {0x1p63L - 1.0L, -1},
        {0x1p63L - 1.5L, -2},
        {0x1p63L - 0.5L, 0}, // rounds up to 2^63, out of range
        {0x1p63L, 0},
        {-0x1p63L, 0},
        {-0x1p63L + 0.5L, 0}, // ties to -2^63
        {-0x1p63L + 1.5L, 2},
        {-0x1p63L - 1.0L, 0},
        {0x1p64L + 5.0L, 0}, // out of range, not wrapped
        {-0x1p64L - 5.0L, 0},
        {0x1p127L, 0},
        {std::numeric_limits<long double>::max(), 0},
        {inf, 0},
        {-inf, 0},
        {std::numeric_limits<long double>::quiet_NaN(), 0},
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

TEST(TrimTest, ReusesTheStorageWhenGivenItsText) {
    std::string text(1000, 'x');
    text += "   ";
    const char* storage = text.data();
    const std::string trimmed = TrimTrailingSpaces(std::move(text));
    EXPECT_EQ(trimmed.size(), 1000u);
    EXPECT_EQ(trimmed.data(), storage);
}

} // namespace
