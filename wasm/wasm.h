// The WebAssembly module's C interface: the generator, the count reader and
// blaterix-cli's writers, for JavaScript. Every export returns; none aborts.
#pragma once

#include <cstddef>
#include <cstdint>

// What blx_generate returns.
enum BlxStatus : int32_t {
    kBlxDone = 0,        // every sentence was handed over
    kBlxBadArgument = 1, // a count below 0, an unknown code or a style that cannot be written
    kBlxStopped = 2,     // blx_chunk asked to stop; the sentences handed over are lost to it
};

// Style codes of blx_generate, in the order of blaterix-cli's choices.
enum BlxFormat : int32_t { kBlxText = 0, kBlxHtml = 1, kBlxJson = 2 };
enum BlxLayout : int32_t { kBlxBlocks = 0, kBlxLines = 1, kBlxParagraphs = 2 };
enum BlxEncoding : int32_t { kBlxCp1252 = 0, kBlxUtf8 = 1 };
enum BlxEol : int32_t { kBlxCrLf = 0, kBlxLf = 1 };

extern "C" {

// Imported from JavaScript (module "blaterix", name "chunk"): takes the next size bytes of
// the text at bytes (valid during the call only); returns 1 to go on, 0 to stop.
__attribute__((import_module("blaterix"), import_name("chunk"))) int32_t
blx_chunk(const char* bytes, std::size_t size);

// A buffer of at least size bytes, followed by a zero byte, in which JavaScript puts a text for
// blx_count_of or blx_read_seed; valid until the next call; null when memory runs out.
char* blx_scratch(std::size_t size);

// RoundToWhole(ParseNumber(text)) of size bytes of Windows-1252 text: the count box's reading.
int32_t blx_count_of(const char* text, std::size_t size);

// The seed that a --seed text of size bytes (followed by a zero byte) names; NaN when refused.
float blx_read_seed(const char* text, std::size_t size);

// Seeds the generator with a time of day in seconds, as the program seeds itself from the clock.
void blx_seed(float seconds);

// The generator's state word. JavaScript keeps one per generator and puts it back with
// blx_set_state before each call, so that generators never disturb each other.
uint32_t blx_state();

// Sets the generator's state word, as blx_state returned it.
void blx_set_state(uint32_t state);

// Builds count sentences in a style, as blaterix-cli writes them, and hands them to blx_chunk
// in chunks of at most 64 KiB; perParagraph counts only for the paragraphs layout.
int32_t blx_generate(int32_t count, int32_t format, int32_t layout, int32_t encoding, int32_t eol,
                     int32_t perParagraph);
}
