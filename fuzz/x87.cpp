#include "fuzz/x87.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

static_assert(std::numeric_limits<long double>::digits == 64 && LDBL_MAX_EXP == 16384,
              "the hardware comparison needs the x87's 80-bit long double");

namespace {

constexpr uint64_t kIntegerBit = uint64_t{1} << 63;

Extended FromLongDouble(long double x) {
    Extended out;
    unsigned char bytes[sizeof x];
    std::memcpy(bytes, &x, sizeof x);
    std::memcpy(&out.significand, bytes, 8);
    std::memcpy(&out.signExponent, bytes + 8, 2);
    return out;
}

bool SameBits(Extended a, Extended b) {
    return a.significand == b.significand && a.signExponent == b.signExponent;
}

std::string Hex(Extended x) {
    char out[24];
    std::snprintf(out, sizeof out, "%04X:%016llX", x.signExponent,
                  static_cast<unsigned long long>(x.significand));
    return out;
}

// Counts one operation; when software and hardware disagree, prints describe()'s line.
template <typename Describe> void Count(X87Tally& tally, bool same, Describe describe) {
    ++tally.compared;
    if (!same) {
        ++tally.differences;
        std::fprintf(stderr, "difference: %s\n", describe().c_str());
    }
}

// Counts one value; what() names the operation and its operands, for the printed line.
template <typename What>
void CountValue(X87Tally& tally, What what, Extended software, long double x87) {
    const Extended hardware = FromLongDouble(x87);
    Count(tally, SameBits(software, hardware),
          [&] { return what() + ": software " + Hex(software) + ", x87 " + Hex(hardware); });
}

const char* OrderName(std::partial_ordering order) {
    return order < 0 ? "less" : order > 0 ? "greater" : order == 0 ? "equal" : "unordered";
}

// The reference reading: the count reader's rules written out once more, with
// the arithmetic of the old long double reader (the powers of ten as the C
// library reads them, nearest to the exact ones).

const std::array<long double, 10> kPowersOfTen = [] {
    std::array<long double, 10> powers{};
    for (std::size_t j = 0; j < powers.size(); ++j) {
        powers[j] = std::strtold(("1e" + std::to_string(8 << j)).c_str(), nullptr);
    }
    return powers;
}();

long double ReferenceScale(uint64_t m, int64_t e) {
    const int64_t magnitude = e < 0 ? -e : e;
    const int64_t k = magnitude > 4096 ? magnitude - 4096 : magnitude;
    long double power = 1;
    for (int64_t i = 0; i < k % 8; ++i) {
        power *= 10;
    }
    for (std::size_t j = 0; j < 10; ++j) {
        power *= ((k >> (j + 3)) & 1) != 0 ? kPowersOfTen[j] : 1;
    }
    if (magnitude > 4096) {
        power *= kPowersOfTen[9];
    }
    const auto mantissa = static_cast<long double>(m);
    return e < 0 ? mantissa / power : mantissa * power;
}

long double ReferenceDecimal(std::string_view s) {
    const bool negative = s.starts_with('-');
    if (negative || s.starts_with('+')) {
        s.remove_prefix(1);
    }
    std::string digits;
    std::size_t point = std::string::npos; // how many digits stand before the point
    std::size_t at = 0;
    for (; at < s.size(); ++at) {
        if (s[at] >= '0' && s[at] <= '9') {
            digits += s[at];
        } else if (s[at] != '.' || point != std::string::npos) {
            break;
        } else {
            point = digits.size();
        }
    }
    int64_t x = 0;
    if (at < s.size() && std::string_view("EeDd").find(s[at]) != std::string_view::npos) {
        const std::string_view tail = s.substr(at + 1);
        const bool below = tail.starts_with('-');
        const std::size_t from = below || tail.starts_with('+') ? 1 : 0;
        for (std::size_t i = from; i < tail.size() && tail[i] >= '0' && tail[i] <= '9'; ++i) {
            x = std::min<int64_t>(x * 10 + (tail[i] - '0'), 9999);
        }
        x = below ? -x : x;
    }
    const std::size_t first = digits.find_first_not_of('0');
    long double value = 0;
    if (first != std::string::npos) {
        const std::string significant = digits.substr(first);
        const auto p =
            static_cast<int64_t>(std::min(point, digits.size())) - static_cast<int64_t>(first);
        const std::size_t kept = std::min<std::size_t>(significant.size(), 18);
        if (p + x >= 4933) {
            value = 0x1p127L;
        } else if (p + x > -4933) {
            value = ReferenceScale(std::stoull(significant.substr(0, kept)),
                                   p + x - static_cast<int64_t>(kept));
        }
    }
    return negative ? -value : value;
}

long double ReferenceRadix(std::string_view s) { // s follows the "&"
    unsigned bits = 3;
    if (!s.empty()) {
        const char letter = s[0];
        bits = letter == 'H' || letter == 'h' ? 4 : letter == 'B' || letter == 'b' ? 1 : 3;
        if (std::string_view("HhOoQqBb").find(letter) != std::string_view::npos) {
            s.remove_prefix(1);
        }
    }
    const std::string_view kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string digits;
    for (const char c : s) {
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        const std::size_t value = kDigits.find(lower);
        if (value >= (std::size_t{1} << bits)) {
            break;
        }
        digits += static_cast<char>(value);
    }
    if (digits.empty()) {
        return 0;
    }
    const std::string_view suffix = s.substr(digits.size());
    // V keeps its low 64 bits; more than 64 significant bits read as 0.
    uint64_t v = 0;
    for (const char d : digits) {
        v = (v << bits) | static_cast<unsigned char>(d);
    }
    const std::size_t lead = digits.find_first_not_of('\0');
    const std::size_t width =
        lead == std::string::npos
            ? 0
            : (digits.size() - lead - 1) * bits +
                  static_cast<std::size_t>(std::bit_width(static_cast<unsigned>(digits[lead])));
    const bool unsignedSuffix = suffix.starts_with('?');
    if (width > 64 || (unsignedSuffix && v >= kIntegerBit)) {
        return 0;
    }
    const auto asSigned64 = static_cast<long double>(static_cast<int64_t>(v));
    if (unsignedSuffix) {
        return asSigned64;
    }
    if (digits[0] == 0 || v > 0xFFFFFFFFu || suffix.starts_with("&&")) {
        return asSigned64;
    }
    if (v >= 0x10000u) {
        return static_cast<int32_t>(static_cast<uint32_t>(v));
    }
    return suffix.starts_with('&') ? static_cast<long double>(v)
                                   : static_cast<int16_t>(static_cast<uint16_t>(v));
}

long double ReferenceParse(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\n");
    if (start == std::string_view::npos) {
        return 0;
    }
    text.remove_prefix(start);
    return text[0] == '&' ? ReferenceRadix(text.substr(1)) : ReferenceDecimal(text);
}

} // namespace

uint16_t PrepareX87() {
    uint16_t found = 0;
    __asm__ volatile("fnstcw %0" : "=m"(found));
    // Precision control (bits 8-9) 11: 64 bits; rounding (bits 10-11) 00: nearest;
    // bits 0-5 set: every exception masked.
    const auto wanted = static_cast<uint16_t>((found & ~0x0F00u) | 0x0300u | 0x003Fu);
    if (wanted != found) {
        __asm__ volatile("fldcw %0" : : "m"(wanted));
    }
    return found;
}

long double ToLongDouble(Extended x) {
    long double out = 0;
    unsigned char bytes[sizeof out] = {};
    std::memcpy(bytes, &x.significand, 8);
    std::memcpy(bytes + 8, &x.signExponent, 2);
    std::memcpy(&out, bytes, sizeof out);
    return out;
}

Extended ValidEncoding(uint64_t significand, uint16_t signExponent) {
    const bool subnormal = (signExponent & 0x7FFF) == 0;
    return {subnormal ? significand & ~kIntegerBit : significand | kIntegerBit, signExponent};
}

Extended ValidEncodingOfBytes(const uint8_t* bytes) {
    uint64_t significand;
    uint16_t signExponent;
    std::memcpy(&significand, bytes, 8);
    std::memcpy(&signExponent, bytes + 8, 2);
    return ValidEncoding(significand, signExponent);
}

void CompareArithmetic(Extended a, Extended b, X87Tally& tally) {
    const long double x = ToLongDouble(a), y = ToLongDouble(b);
    const auto operands = [&] { return Hex(a) + " and " + Hex(b); };
    CountValue(
        tally, [&] { return "product of " + operands(); }, a * b, x * y);
    CountValue(
        tally, [&] { return "quotient of " + operands(); }, a / b, x / y);
    CountValue(
        tally, [&] { return "negation of " + Hex(a); }, -a, -x);

    const std::partial_ordering software = a <=> b;
    const std::partial_ordering hardware = x < y    ? std::partial_ordering::less
                                           : x > y  ? std::partial_ordering::greater
                                           : x == y ? std::partial_ordering::equivalent
                                                    : std::partial_ordering::unordered;
    Count(tally, software == hardware && (a == b) == (x == y), [&] {
        return "order of " + operands() + ": software " + OrderName(software) +
               (a == b ? " (==)" : "") + ", x87 " + OrderName(hardware) + (x == y ? " (==)" : "");
    });

    if (x >= -0x1p63L && x < 0x1p63L) {
        const auto truncated = static_cast<int64_t>(x);
        const int64_t whole = TruncateToInt64(a);
        Count(tally, whole == truncated, [&] {
            return "truncation of " + Hex(a) + ": software " + std::to_string(whole) + ", x87 " +
                   std::to_string(truncated);
        });
        CountValue(
            tally, [&] { return "fraction of " + Hex(a); }, FractionPart(a),
            x - static_cast<long double>(truncated));
    }
}

void CompareConversions(int64_t n, X87Tally& tally) {
    const auto n32 = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(n)));
    const auto n16 = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(n)));
    CountValue(
        tally, [&] { return "int64 " + std::to_string(n); }, ExtendedFromInt(n),
        static_cast<long double>(n));
    CountValue(
        tally, [&] { return "int32 " + std::to_string(n32); }, ExtendedFromInt(n32),
        static_cast<long double>(n32));
    CountValue(
        tally, [&] { return "int16 " + std::to_string(n16); }, ExtendedFromInt(n16),
        static_cast<long double>(n16));
}

void CompareParse(std::string_view text, X87Tally& tally) {
    const auto shown = [&] { // the text, its bytes outside printable ASCII escaped
        std::string out = "ParseNumber(\"";
        for (const char c : text) {
            char escaped[8];
            const auto byte = static_cast<unsigned char>(c);
            std::snprintf(escaped, sizeof escaped, byte < 32 || byte > 126 ? "\\x%02X" : "%c",
                          byte);
            out += escaped;
        }
        return out + "\")";
    };
    CountValue(tally, shown, ParseNumber(text), ReferenceParse(text));
}
