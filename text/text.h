// Reading the count box's text as a number, rounding it to a whole count, and
// trimming spaces. All of them are pure and never fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/extended.h"

// Reads text as a decimal or &-radix number, 0 (or -0) when it holds none; always finite.
Extended ParseNumber(std::string_view text);

// What ReadNumber finds at the start of a text.
struct NumberReading {
    Extended value;     // what ParseNumber returns for the text
    std::size_t length; // the bytes the number took, leading blanks included; 0 when there is none
    bool overflow; // the number is beyond the reader's range; value is its stand-in, 0 or 2^127
};

// Reads text as ParseNumber does, and tells how much of it the number took.
NumberReading ReadNumber(std::string_view text);

// Rounds x to nearest, ties to even, and keeps the low 32 bits; 0 outside the signed 64-bit range.
int32_t RoundToWhole(Extended x);

// Returns text without the spaces (byte 32) at its start; moves text through when there are none.
std::string TrimLeadingSpaces(std::string text);

// Returns text without the spaces (byte 32) at its end; moves text through when there are none.
std::string TrimTrailingSpaces(std::string text);
