#include "random/random.h"

#include <algorithm>
#include <array>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#endif

namespace {

constexpr uint32_t kStartState = 0xFFFFFFFFu;
constexpr uint32_t kMultiplier = 134775813u; // 0x08088405
constexpr uint32_t kIncrement = 1u;

uint32_t State = kStartState;

// The k-step map: k steps take the state s to mul * s + add (mod 2^32).
struct Jump {
    uint32_t mul, add;
};
constexpr std::size_t kMaxJump = 8;
constexpr std::array<Jump, kMaxJump + 1> kJumps = [] {
    std::array<Jump, kMaxJump + 1> jumps{};
    jumps[0] = {1u, 0u};
    for (std::size_t k = 1; k <= kMaxJump; ++k) {
        jumps[k] = {jumps[k - 1].mul * kMultiplier, jumps[k - 1].add * kMultiplier + kIncrement};
    }
    return jumps;
}();
static_assert(kJumps[1].mul == kMultiplier && kJumps[1].add == kIncrement);

// The draw that a step to state makes in [lo, lo + count).
int32_t DrawFrom(uint32_t state, int64_t lo, uint64_t count) {
    const uint64_t k = state >> 1; // below 2^31
    // k * count < 2^63, so the product never overflows.
    return static_cast<int32_t>(lo + static_cast<int64_t>((k * count) >> 31));
}

} // namespace

void RandomSeed(double x) {
    // The conversion rounds to nearest, ties to even, in the default rounding mode.
    const float f = static_cast<float>(x);
    static_assert(sizeof f == sizeof State, "binary32 must be 32 bits");
    std::memcpy(&State, &f, sizeof State);
}

int32_t RandomRange(int32_t a, int32_t b) {
    const int64_t lo = a < b ? a : b;
    const int64_t hi = a < b ? b : a;
    const uint64_t count = static_cast<uint64_t>(hi - lo + 1); // 1 .. 2^32, exact
    State = State * kMultiplier + kIncrement;                  // wraps mod 2^32
    return DrawFrom(State, lo, count);
}

void RandomRanges(int32_t a, int32_t b, std::span<int32_t> out) {
    const int64_t lo = a < b ? a : b;
    const int64_t hi = a < b ? b : a;
    const uint64_t count = static_cast<uint64_t>(hi - lo + 1);
    // Each state of a group comes straight from the group's first one, so
    // the draws do not wait for each other.
    uint32_t state = State;
    for (std::size_t at = 0; at < out.size();) {
        const std::size_t n = std::min(kMaxJump, out.size() - at);
        BLATERIX_UNROLL(8)
        for (std::size_t k = 1; k <= n; ++k) {
            out[at + k - 1] = DrawFrom(kJumps[k].mul * state + kJumps[k].add, lo, count);
        }
        state = kJumps[n].mul * state + kJumps[n].add;
        at += n;
    }
    State = state;
}

double ClockSeconds() {
    long hour, minute, second, milli;
#ifdef _WIN32
    SYSTEMTIME t;
    GetLocalTime(&t);
    hour = t.wHour;
    minute = t.wMinute;
    second = t.wSecond;
    milli = t.wMilliseconds;
#else
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    hour = local.tm_hour;
    minute = local.tm_min;
    second = local.tm_sec > 59 ? 59 : local.tm_sec; // a leap second stays within the day
    milli = now.tv_nsec / 1000000;
#endif
    const long n = hour * 3600000L + minute * 60000L + second * 1000L + milli;
    return static_cast<double>(n) / 1000.0;
}

uint32_t RandomState() {
    return State;
}

void RandomSetState(uint32_t state) {
    State = state;
}

// ---------------------------------------------------------------------------------------------
// Test hooks

void RestoreRandomStartStateForTests() {
    State = kStartState;
}
