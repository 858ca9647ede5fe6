// Reading the count box's text as a number, rounding it to a whole count, and
// trimming spaces. All four functions are pure and never fail.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Reads text as a decimal or &-radix number, 0 (or -0) when it holds none; always finite.
long double ParseNumber(std::string_view text);

// Rounds x to nearest, ties to even, and keeps the low 32 bits; 0 outside the signed 64-bit range.
int32_t RoundToWhole(long double x);

// Returns text without the spaces (byte 32) at its start; moves text through when there are none.
std::string TrimLeadingSpaces(std::string text);

// Returns text without the spaces (byte 32) at its end; moves text through when there are none.
std::string TrimTrailingSpaces(std::string text);
