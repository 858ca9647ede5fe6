// The program's own 32-bit linear congruential generator: one process-wide
// state word, seeded once from the time of day.
#pragma once

#include <cstdint>
#include <span>

// Hints for the core's hot loops (random/ and phrases/), in GCC's and Clang's
// spelling; other compilers go without them.
#if defined(__GNUC__)
#define BLATERIX_PRAGMA(text) _Pragma(#text)
#define BLATERIX_UNROLL(n) BLATERIX_PRAGMA(GCC unroll n)
#else
#define BLATERIX_UNROLL(n)
#endif
#if __has_cpp_attribute(gnu::flatten)
#define BLATERIX_FLATTEN [[gnu::flatten]]
#else
#define BLATERIX_FLATTEN
#endif

// Sets the state to the IEEE binary32 bit pattern of x (rounded to nearest, ties to even).
void RandomSeed(double x);

// Advances the state one step and returns a value in [min(a, b), max(a, b)].
int32_t RandomRange(int32_t a, int32_t b);

// Fills out with out.size() draws, exactly as that many RandomRange(a, b) calls would.
void RandomRanges(int32_t a, int32_t b, std::span<int32_t> out);

// Seconds since local midnight, millisecond resolution (local wall clock).
double ClockSeconds();

// The state word, for RandomSetState to put back: several sequences can take turns.
uint32_t RandomState();

// Sets the state word to one that RandomState returned (or any other).
void RandomSetState(uint32_t state);

// ---------------------------------------------------------------------------------------------
// Test hooks: the program never calls these; each name ends in ForTests.

// Puts the state back to its start-up value 0xFFFFFFFF.
void RestoreRandomStartStateForTests();
