// blaterix-cli: the generator for terminals and scripts.
#pragma once

#include "phrases/phrases.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// How many bytes the writer hands to the stream at a time.
constexpr std::size_t kCliChunkSize = 1 << 16;

// How many sentences blaterix-cli writes when no count is given: as many as the
// program's count box starts with.
constexpr int32_t kCliDefaultCount = 10;

// How many sentences make a paragraph when --sentences-per-paragraph is not given.
constexpr int32_t kCliDefaultPerParagraph = 5;

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
    int32_t perParagraph = kCliDefaultPerParagraph;
};

// The shape in which a style lays out its sentences (html and json are always UTF-8); the
// blocks of text are the program's own (BlockShape) with the style's line ends.
TextShape ShapeOf(const CliStyle& style);

// The seed that a --seed text names: a decimal number of seconds (sign, digits with at most one
// point, exponent), rounded once to binary32; nothing when the text is not one or not finite.
std::optional<float> ReadSeed(const char* text);

// Where WriteChunks hands its bytes: take(context, bytes, size) returns false to stop.
struct ChunkSink {
    bool (*take)(const void* context, const char* bytes, std::size_t size);
    const void* context;
    bool wholeSentences = false; // hand over whole sentences, not chunks cut anywhere
};

// The bytes that WriteChunks needs as its buffer for shape.
std::size_t ChunkBufferSize(const TextShape& shape);

// Builds count sentences in shape into buffer, kCliChunkSize bytes at a time, and hands each
// chunk to sink; false when the sink stopped. Allocates nothing and never throws.
bool WriteChunks(int32_t count, const TextShape& shape, char* buffer, const ChunkSink& sink);

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
