// GenerateText against the floor it cannot beat: copying the same number of
// bytes into freshly allocated memory.
#include "phrases/phrases.h"
#include "random/random.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

void BM_GenerateText(benchmark::State& state) {
    RandomSeed(43200.0);
    const auto count = static_cast<int32_t>(state.range(0));
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = GenerateText(count);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.SetLabel("baseline=BM_CopyBytes/" + std::to_string(count));
}

void BM_CopyBytes(benchmark::State& state) {
    RandomSeed(43200.0);
    const std::string source = GenerateText(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        std::unique_ptr<char[]> copy(new char[source.size()]);
        std::memcpy(copy.get(), source.data(), source.size());
        benchmark::DoNotOptimize(copy.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
}

BENCHMARK(BM_CopyBytes)->Arg(999)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenerateText)->Arg(999)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace
