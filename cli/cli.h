// blaterix-cli: the generator for terminals and scripts.
#pragma once

#include "phrases/phrases.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// How many bytes the writer hands to the stream at a time.
constexpr std::size_t kCliChunkSize = 1 << 16;

enum class CliEncoding { Cp1252, Utf8 };
enum class CliEol { CrLf, Lf };
enum class CliLayout { Blocks, Lines, Paragraphs };
enum class CliFormat { Text, Html, Json };

// Everything that decides the bytes around the sentences.
struct CliStyle {
    CliEncoding encoding = CliEncoding::Cp1252;
    CliEol eol = CliEol::CrLf;
    CliLayout layout = CliLayout::Blocks;
    CliFormat format = CliFormat::Text;
    int32_t perParagraph = 5;
};

// The shape in which a style lays out its sentences (html and json are always UTF-8).
TextShape ShapeOf(const CliStyle& style);

// Writes count sentences in shape to out as they are built, in constant memory;
// false on a write error (errno tells why).
bool WriteSentences(int32_t count, const TextShape& shape, std::FILE* out);

// The whole command line: parses argv, writes to out and err, returns the exit status.
int RunCli(int argc, char** argv, std::FILE* out, std::FILE* err);

// ---------------------------------------------------------------------------------------------
// Test hooks: the program never calls these; each name ends in ForTests.

// The seed's text as --print-seed writes it where the C++ library has no floating
// std::to_chars; where it has one, the two must agree.
std::string PrintfSeedTextForTests(float seed);
