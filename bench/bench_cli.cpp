// blaterix-cli's generate-and-write path against writing the same bytes from
// a ready buffer, both to /dev/null in the same chunk size.
#include "cli/cli.h"
#include "phrases/phrases.h"
#include "random/random.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

constexpr int32_t kSentences = 1000000;

std::FILE* DevNull() {
    static std::FILE* file = std::fopen("/dev/null", "wb");
    return file;
}

void BM_CliWrite(benchmark::State& state) {
    RandomSeed(43200.0L);
    for (auto _ : state) {
        if (!WriteGeneratedText(kSentences, false, DevNull())) {
            state.SkipWithError("write failed");
        }
    }
    state.SetLabel("baseline=BM_PlainWrite");
}

void BM_PlainWrite(benchmark::State& state) {
    RandomSeed(43200.0L);
    const std::string text = GenerateText(kSentences);
    for (auto _ : state) {
        for (std::size_t at = 0; at < text.size(); at += kCliChunkSize) {
            const std::size_t n = std::min(kCliChunkSize, text.size() - at);
            if (std::fwrite(text.data() + at, 1, n, DevNull()) != n) {
                state.SkipWithError("write failed");
            }
        }
        std::fflush(DevNull());
    }
}

BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliWrite)->Unit(benchmark::kMillisecond);

} // namespace
