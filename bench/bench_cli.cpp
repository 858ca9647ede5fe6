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
constexpr double kSeed = 43200.0;

// Unbuffered, as blaterix-cli makes its standard output: one write per chunk.
std::FILE* DevNull() {
    static std::FILE* file = [] {
        std::FILE* f = std::fopen("/dev/null", "wb");
        std::setvbuf(f, nullptr, _IONBF, 0);
        return f;
    }();
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

CliStyle Style(CliEncoding encoding, CliEol eol, CliLayout layout, CliFormat format) {
    CliStyle style;
    style.encoding = encoding;
    style.eol = eol;
    style.layout = layout;
    style.format = format;
    return style;
}

// The default into a file or a pipe: Windows-1252, CR LF, blocks.
void BM_CliWrite(benchmark::State& state) {
    WriteStyle(state, CliStyle{}, "BM_PlainWrite");
}

BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliWrite)->Unit(benchmark::kMillisecond);

// The other encodings, layouts and formats against the default, in the same run.
const struct {
    const char* name;
    CliStyle style;
} kOtherStyles[] = {
    {"BM_CliUtf8Lf", Style(CliEncoding::Utf8, CliEol::Lf, CliLayout::Blocks, CliFormat::Text)},
    {"BM_CliLines", Style(CliEncoding::Cp1252, CliEol::CrLf, CliLayout::Lines, CliFormat::Text)},
    {"BM_CliParagraphs",
     Style(CliEncoding::Cp1252, CliEol::CrLf, CliLayout::Paragraphs, CliFormat::Text)},
    {"BM_CliHtml", Style(CliEncoding::Utf8, CliEol::Lf, CliLayout::Blocks, CliFormat::Html)},
    {"BM_CliJson", Style(CliEncoding::Utf8, CliEol::Lf, CliLayout::Lines, CliFormat::Json)},
};

const bool kOthersRegistered = [] {
    for (const auto& other : kOtherStyles) {
        benchmark::RegisterBenchmark(other.name, [style = other.style](benchmark::State& state) {
            WriteStyle(state, style, "BM_CliWrite");
        })->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace
