#include "cli/cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ios>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Everything written to a temporary stream.
std::string Contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        text.append(buffer, n);
    }
    return text;
}

struct Outcome {
    int status;
    std::string out, err;
};

Outcome RunWith(std::vector<std::string> args) {
    args.insert(args.begin(), "blaterix-cli");
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_NE(out, nullptr);
    EXPECT_NE(err, nullptr);
    Outcome run{RunCli(static_cast<int>(args.size()), argv.data(), out, err), Contents(out),
                Contents(err)};
    std::fclose(out);
    std::fclose(err);
    return run;
}

TEST(RunCliTest, EachRunReadsItsOwnCommandLine) {
    // getopt keeps its place between calls; every run must start afresh.
    const Outcome first = RunWith({"--layout=lines", "-s0", "2"});
    const Outcome second = RunWith({"-s", "0", "--layout", "lines", "-n2"});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, first.out);
    EXPECT_EQ(std::count(first.out.begin(), first.out.end(), '\n'), 2);

    const Outcome wrong = RunWith({"-s0", "--bogus"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(wrong.out.empty());
    EXPECT_NE(wrong.err.find("unrecognized option '--bogus'"), std::string::npos) << wrong.err;
    EXPECT_EQ(RunWith({"-s0", "-n2", "--layout=lines"}).out, first.out);
}

TEST(SeedTextTest, PrintfFormIsToCharsForm) {
    // The seeds that the process tests print, and the places where the two
    // notations, the shortest digits or an integer's digits are easy to get wrong.
    const std::pair<float, const char*> cases[] = {
        {0.1f, "0.1"},
        {86400.0f, "86400"},
        {-0.0f, "-0"},
        {0.0f, "0"},
        {1e-45f, "1e-45"},
        {3.4e38f, "3.4e+38"},
        {-3.4e38f, "-3.4e+38"},
        {34215.25f, "34215.25"},
        {43200.5f, "43200.5"},
        {1e10f, "1e+10"},
        {123456792.0f, "123456792"},
        {0.001f, "0.001"},
        {1e-5f, "1e-05"},
        {16777216.0f, "16777216"},
        {2e-44f, "2e-44"},
    };
    for (const auto& [seed, text] : cases) {
        EXPECT_EQ(PrintfSeedTextForTests(seed), text) << std::hexfloat << seed;
    }
#if defined(__cpp_lib_to_chars) || (defined(_LIBCPP_VERSION) && _LIBCPP_VERSION >= 14000)
    // Where the library has floating to_chars, the two agree on every power of
    // two, its neighbours and random bit patterns.
    std::vector<float> seeds;
    for (int e = -149; e <= 127; ++e) {
        const float power = std::ldexp(1.0f, e);
        seeds.insert(seeds.end(),
                     {power, std::nextafter(power, 0.0f), std::nextafter(power, INFINITY), -power});
    }
    std::mt19937 bits(20260101);
    while (seeds.size() < 20000) {
        const uint32_t pattern = bits();
        float seed;
        std::memcpy(&seed, &pattern, sizeof seed);
        if (std::isfinite(seed)) {
            seeds.push_back(seed);
        }
    }
    int differences = 0;
    for (const float seed : seeds) {
        char text[64];
        const auto end = std::to_chars(text, text + sizeof text, seed).ptr;
        const std::string expected(text, end);
        if (PrintfSeedTextForTests(seed) != expected && ++differences <= 10) {
            ADD_FAILURE() << std::hexfloat << seed << ": " << PrintfSeedTextForTests(seed)
                          << ", to_chars " << expected;
        }
    }
    EXPECT_EQ(differences, 0);
#endif
}

TEST(ShapeOfTest, EveryStyleHasAShape) {
    for (CliEncoding encoding : {CliEncoding::Cp1252, CliEncoding::Utf8}) {
        for (CliEol eol : {CliEol::CrLf, CliEol::Lf}) {
            for (CliLayout layout : {CliLayout::Blocks, CliLayout::Lines, CliLayout::Paragraphs}) {
                for (CliFormat format : {CliFormat::Text, CliFormat::Html, CliFormat::Json}) {
                    CliStyle style{encoding, eol, layout, format, 3};
                    const TextShape shape = ShapeOf(style);
                    EXPECT_GE(shape.perGroup, 1);
                    const bool lf = eol == CliEol::Lf;
                    const std::string_view close(shape.close.bytes, shape.close.size);
                    EXPECT_TRUE(close.ends_with(lf ? "\n" : "\r\n"));
                    EXPECT_EQ(close.ends_with("\r\n"), !lf);
                    if (format != CliFormat::Text) {
                        EXPECT_NE(shape.form, PhraseForm::Cp1252);
                    }
                }
            }
        }
    }
}

} // namespace
