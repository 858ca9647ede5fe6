#include "random/random.h"

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

} // namespace

void RandomSeed(long double x) {
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
    const uint64_t k = State >> 1;                             // below 2^31
    // k * count < 2^63, so the product never overflows.
    return static_cast<int32_t>(lo + static_cast<int64_t>((k * count) >> 31));
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

void RandomRestoreStartState() {
    State = kStartState;
}
