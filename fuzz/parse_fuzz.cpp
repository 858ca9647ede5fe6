// Feeds arbitrary bytes to the count reader and checks what must hold for every text.
#include "fuzz/x87.h"
#include "text/text.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

bool SameBits(Extended a, Extended b) {
    return a.significand == b.significand && a.signExponent == b.signExponent;
}

// The rounding rule written out another way: compare 2x with the midpoint
// 2 * floor(x) + 1 (both exact below 2^63), then reduce modulo 2^32 in
// floating point.
int32_t ReferenceCount(long double x) {
    if (std::isnan(x) || std::fabs(x) > 0x1p64L) {
        return 0;
    }
    const long double lo = std::floor(x);
    if (std::fabs(lo) > 0x1p63L) {
        return 0;
    }
    const long double twice = 2 * x;
    const long double middle = 2 * lo + 1;
    long double rounded = lo;
    if (twice > middle || (twice == middle && std::fmod(lo, 2.0L) != 0)) {
        rounded = lo + 1;
    }
    if (rounded >= 0x1p63L || rounded < -0x1p63L) {
        return 0; // held as -2^63, whose low 32 bits are 0
    }
    long double low = std::fmod(rounded, 0x1p32L); // exact, sign of rounded
    if (low < 0) {
        low += 0x1p32L;
    }
    if (low >= 0x1p31L) {
        low -= 0x1p32L;
    }
    return static_cast<int32_t>(low);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const Extended value = ParseNumber(text);
    Check((value.signExponent & 0x7FFF) != 0x7FFF); // finite
    Check(RoundToWhole(value) == ReferenceCount(ToLongDouble(value)));

    // The reading agrees with ParseNumber, and the part it took reads the same on its own.
    const NumberReading reading = ReadNumber(text);
    Check(SameBits(reading.value, value));
    Check(reading.length <= size);
    if (reading.length == 0) {
        Check(value == Extended{0, 0} && !reading.overflow);
    } else {
        const NumberReading prefix = ReadNumber(text.substr(0, reading.length));
        Check(SameBits(prefix.value, value));
        Check(prefix.length == reading.length && prefix.overflow == reading.overflow);
    }

    // Leading blanks are skipped.
    const std::string padded = " \t\n" + std::string(text);
    Check(SameBits(ParseNumber(padded), value));
    Check(ReadNumber(padded).length == (reading.length == 0 ? 0 : reading.length + 3));

    // A minus sign in front of a plain decimal text negates it, zero included.
    std::size_t start = 0;
    while (start < size && (text[start] == ' ' || text[start] == '\t' || text[start] == '\n')) {
        ++start;
    }
    const char first = start < size ? text[start] : '\0';
    if (first != '+' && first != '-' && first != '&') {
        const std::string negated = "-" + std::string(text.substr(start));
        Check(SameBits(ParseNumber(negated), -value));
    }

    // The trims drop only spaces, and only at their end.
    const std::string leading = TrimLeadingSpaces(std::string(text));
    Check(leading.empty() || leading.front() != ' ');
    Check(text.ends_with(leading));
    Check(text.substr(0, size - leading.size()).find_first_not_of(' ') == std::string_view::npos);
    const std::string trailing = TrimTrailingSpaces(std::string(text));
    Check(trailing.empty() || trailing.back() != ' ');
    Check(text.starts_with(trailing));
    Check(text.substr(trailing.size()).find_first_not_of(' ') == std::string_view::npos);

    // Any extended value, not just those that texts give.
    if (size >= 10) {
        const Extended x = ValidEncodingOfBytes(data);
        Check(RoundToWhole(x) == ReferenceCount(ToLongDouble(x)));
    }
    return 0;
}
