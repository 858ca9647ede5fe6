#include "cli/cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
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
