// The count reader against the C library's strtod on the same texts: counts as
// the count box holds them, and texts that scale far up or down (where the
// software extended arithmetic does the most work).
#include "text/text.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::vector<std::string>& Texts(int64_t set) {
    static const std::vector<std::string> kCounts = {"10", "999", "2.5", "1e3", "&H10", "007"};
    static const std::vector<std::string> kScaled = {
        "123456789012345678901", "1e-4932", "0.000001234", "9.87654321e4000", "1e41", "3e-300"};
    return set == 0 ? kCounts : kScaled;
}

void BM_ParseNumber(benchmark::State& state) {
    const std::vector<std::string>& texts = Texts(state.range(0));
    for (auto _ : state) {
        for (const std::string& text : texts) {
            benchmark::DoNotOptimize(ParseNumber(text));
        }
    }
    state.SetLabel("baseline=BM_Strtod/" + std::to_string(state.range(0)));
}

void BM_Strtod(benchmark::State& state) {
    const std::vector<std::string>& texts = Texts(state.range(0));
    for (auto _ : state) {
        for (const std::string& text : texts) {
            benchmark::DoNotOptimize(std::strtod(text.c_str(), nullptr));
        }
    }
}

// Argument 0: counts as typed; 1: texts scaled by large powers of ten.
BENCHMARK(BM_Strtod)->Arg(0)->Arg(1);
BENCHMARK(BM_ParseNumber)->Arg(0)->Arg(1);

} // namespace
