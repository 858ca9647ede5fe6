#include "cli/cli.h"
#include "random/random.h"

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

TEST(RunCliTest, TakesTheCountsThatRoundToZero) {
    // -0.5 goes to the even 0; the next extended value below it would round to -1.
    const Outcome half = RunWith({"-s0", "--", "-0.5"});
    EXPECT_EQ(half.status, 0) << half.err;
    EXPECT_TRUE(half.out.empty());
    const Outcome below = RunWith({"-s0", "--", "-0.500000000000000001"});
    EXPECT_EQ(below.status, 2);
    EXPECT_NE(below.err.find("invalid count '-0.500000000000000001': below 0"), std::string::npos)
        << below.err;
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

// The bytes that the README gives for a style, built from the table for the
// sentences drawn as rows (seven to a sentence).
std::string Documented(const CliStyle& style, const std::vector<std::vector<int32_t>>& drawn) {
    const std::string end = style.eol == CliEol::Lf ? "\n" : "\r\n";
    const bool text = style.format == CliFormat::Text;
    const bool blocks = text && style.layout == CliLayout::Blocks;
    const bool paragraphs =
        style.layout == CliLayout::Paragraphs && style.format != CliFormat::Json;
    const PhraseForm form =
        text && style.encoding == CliEncoding::Cp1252 ? PhraseForm::Cp1252 : PhraseForm::Utf8;
    const std::size_t perGroup = paragraphs ? static_cast<std::size_t>(style.perParagraph) : 1;
    std::string out;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        std::string sentence, rows;
        for (int column = 1; column <= kPhraseColumns; ++column) {
            const int32_t row = drawn[i][column - 1];
            sentence += std::string(FragmentIn(form, column, row)) + " ";
            rows += std::to_string(row) + ",";
        }
        sentence.pop_back();
        rows.pop_back();
        if (i % perGroup == 0) { // a block, a line, a paragraph or an element begins
            if (i > 0 && text && paragraphs) {
                out += end; // an empty line between paragraphs
            }
            out += style.format == CliFormat::Html   ? "<p>"
                   : style.format == CliFormat::Json ? "{\"text\": \""
                   : blocks                          ? "   "
                                                     : "";
        }
        out += sentence;
        if (i % perGroup != perGroup - 1 && i + 1 < drawn.size()) {
            out += " "; // the next sentence of the paragraph follows
        } else if (style.format == CliFormat::Html) {
            out += "</p>" + end;
        } else if (style.format == CliFormat::Json) {
            out += "\", \"rows\": [" + rows + "]}" + end;
        } else {
            out += blocks ? " " + end + end : end;
        }
    }
    return out;
}

// Every style that the command line accepts: the same sentences for the same
// seed, and around them the bytes that the README gives. The fixtures hold
// some of these styles; this covers the rest too (lines and paragraphs with
// either end of line, html with CR LF or in paragraphs, json as lines).
TEST(ShapeOfTest, EveryStyleLaysOutTheSameSentences) {
    RandomSeed(0.0);
    std::vector<std::vector<int32_t>> drawn(7);
    for (std::vector<int32_t>& rows : drawn) {
        for (int column = 1; column <= kPhraseColumns; ++column) {
            rows.push_back(RandomRange(1, 10));
        }
    }
    std::vector<CliStyle> styles;
    for (CliEol eol : {CliEol::CrLf, CliEol::Lf}) {
        for (CliLayout layout : {CliLayout::Blocks, CliLayout::Lines, CliLayout::Paragraphs}) {
            // Paragraphs of three: the last one is short.
            styles.push_back({CliEncoding::Cp1252, eol, layout, CliFormat::Text, 3});
            styles.push_back({CliEncoding::Utf8, eol, layout, CliFormat::Text, 3});
            styles.push_back({CliEncoding::Utf8, eol, layout, CliFormat::Html, 3});
        }
        // json with no --layout, or with the one it takes.
        styles.push_back({CliEncoding::Utf8, eol, CliLayout::Blocks, CliFormat::Json, 3});
        styles.push_back({CliEncoding::Utf8, eol, CliLayout::Lines, CliFormat::Json, 3});
    }
    for (const CliStyle& style : styles) {
        SCOPED_TRACE(testing::Message()
                     << "format " << static_cast<int>(style.format) << ", encoding "
                     << static_cast<int>(style.encoding) << ", layout "
                     << static_cast<int>(style.layout) << ", eol " << static_cast<int>(style.eol));
        std::FILE* out = std::tmpfile();
        ASSERT_NE(out, nullptr);
        RandomSeed(0.0);
        EXPECT_TRUE(WriteSentences(static_cast<int32_t>(drawn.size()), ShapeOf(style), out));
        EXPECT_EQ(Contents(out), Documented(style, drawn));
        std::fclose(out);
    }
}

} // namespace
