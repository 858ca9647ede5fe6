// blaterix-cli's generate-and-write path against writing the same bytes from
// a ready buffer, both to /dev/null in the same chunk size; and each of the
// other encodings, layouts and formats against the default path.
#include "cli/cli.h"
#include "phrases/phrases.h"
#include "random/random.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr int32_t kSentences = 1000000;
constexpr long double kSeed = 43200.0L;

std::FILE* DevNull() {
    static std::FILE* file = std::fopen("/dev/null", "wb");
    return file;
}

void BM_PlainWrite(benchmark::State& state) {
    RandomSeed(kSeed);
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

void WriteStyle(benchmark::State& state, const CliStyle& style, const char* baseline) {
    const TextShape shape = ShapeOf(style);
    for (auto _ : state) {
        RandomSeed(kSeed);
        if (!WriteSentences(kSentences, shape, DevNull())) {
            state.SkipWithError("write failed");
        }
    }
    state.SetLabel(std::string("baseline=") + baseline);
}

// The default into a file or a pipe: Windows-1252, CR LF, blocks.
void BM_CliWrite(benchmark::State& state) {
    WriteStyle(state, CliStyle{}, "BM_PlainWrite");
}

void BM_CliUtf8Lf(benchmark::State& state) {
    CliStyle style;
    style.encoding = CliEncoding::Utf8;
    style.eol = CliEol::Lf;
    WriteStyle(state, style, "BM_CliWrite");
}

void BM_CliLines(benchmark::State& state) {
    CliStyle style;
    style.layout = CliLayout::Lines;
    WriteStyle(state, style, "BM_CliWrite");
}

void BM_CliParagraphs(benchmark::State& state) {
    CliStyle style;
    style.layout = CliLayout::Paragraphs;
    WriteStyle(state, style, "BM_CliWrite");
}

void BM_CliHtml(benchmark::State& state) {
    CliStyle style;
    style.format = CliFormat::Html;
    style.encoding = CliEncoding::Utf8;
    style.eol = CliEol::Lf;
    WriteStyle(state, style, "BM_CliWrite");
}

void BM_CliJson(benchmark::State& state) {
    CliStyle style;
    style.format = CliFormat::Json;
    style.encoding = CliEncoding::Utf8;
    style.eol = CliEol::Lf;
    WriteStyle(state, style, "BM_CliWrite");
}

BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliUtf8Lf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliParagraphs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliHtml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliJson)->Unit(benchmark::kMillisecond);

} // namespace
