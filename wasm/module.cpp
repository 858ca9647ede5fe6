// The WebAssembly module: blaterix-cli's writer and the count box's reader
// behind a small C interface. This target has no exceptions: a throw would
// trap, so every size is checked before anything that could throw is called.
#include "wasm/wasm.h"

#include "cli/cli.h"
#include "random/random.h"
#include "text/text.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#define BLX_EXPORT(name) extern "C" __attribute__((export_name(#name)))

namespace {

// The text that JavaScript hands in, grown on demand.
char* Scratch = nullptr;
std::size_t ScratchSize = 0;

// The writer's buffer: one chunk and the room that a last sentence may need.
alignas(16) char ChunkBuffer[kCliChunkSize + 1024];

bool Within(int32_t code, int32_t last) {
    return code >= 0 && code <= last;
}

// The style that the codes name, or false when they name none that can be written.
bool StyleOf(int32_t format, int32_t layout, int32_t encoding, int32_t eol, int32_t perParagraph,
             CliStyle& style) {
    if (!Within(format, kBlxJson) || !Within(layout, kBlxParagraphs) ||
        !Within(encoding, kBlxUtf8) || !Within(eol, kBlxLf) || perParagraph < 1) {
        return false;
    }
    style.format = static_cast<CliFormat>(format);
    style.layout = static_cast<CliLayout>(layout);
    style.encoding = static_cast<CliEncoding>(encoding);
    style.eol = static_cast<CliEol>(eol);
    style.perParagraph = perParagraph;
    // As blaterix-cli refuses them: html and json are UTF-8, json is one sentence a line.
    return (style.format == CliFormat::Text || style.encoding == CliEncoding::Utf8) &&
           (style.format != CliFormat::Json || style.layout == CliLayout::Lines);
}

bool TakeChunk(const void*, const char* bytes, std::size_t size) {
    return blx_chunk(bytes, size) != 0;
}

} // namespace

// A throw cannot be caught on this target; these make one trap at once
// (nothing in the module may reach them).
extern "C" void* __cxa_allocate_exception(std::size_t) {
    __builtin_trap();
}
extern "C" void __cxa_throw(void*, void*, void (*)(void*)) {
    __builtin_trap();
}

BLX_EXPORT(blx_scratch) char* blx_scratch(std::size_t size) {
    if (size >= std::numeric_limits<std::size_t>::max() / 2) {
        return nullptr;
    }
    if (size + 1 > ScratchSize) {
        char* grown = static_cast<char*>(std::realloc(Scratch, size + 1));
        if (grown == nullptr) {
            return nullptr;
        }
        Scratch = grown;
        ScratchSize = size + 1;
    }
    Scratch[size] = '\0';
    return Scratch;
}

BLX_EXPORT(blx_count_of) int32_t blx_count_of(const char* text, std::size_t size) {
    return RoundToWhole(ParseNumber(std::string_view(text, size)));
}

BLX_EXPORT(blx_read_seed) float blx_read_seed(const char* text, std::size_t size) {
    // A zero byte inside would end the text early: such a text is refused.
    if (text[size] != '\0' || std::memchr(text, '\0', size) != nullptr) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    const std::optional<float> seed = ReadSeed(text);
    return seed ? *seed : std::numeric_limits<float>::quiet_NaN();
}

BLX_EXPORT(blx_seed) void blx_seed(float seconds) {
    RandomSeed(seconds);
}

BLX_EXPORT(blx_state) uint32_t blx_state() {
    return RandomState();
}

BLX_EXPORT(blx_set_state) void blx_set_state(uint32_t state) {
    RandomSetState(state);
}

BLX_EXPORT(blx_generate)
int32_t blx_generate(int32_t count, int32_t format, int32_t layout, int32_t encoding, int32_t eol,
                     int32_t perParagraph) {
    CliStyle style;
    if (count < 0 || !StyleOf(format, layout, encoding, eol, perParagraph, style)) {
        return kBlxBadArgument;
    }
    const TextShape shape = ShapeOf(style);
    if (ChunkBufferSize(shape) > sizeof ChunkBuffer) {
        return kBlxBadArgument; // no shape of the table comes near it
    }
    return WriteChunks(count, shape, ChunkBuffer, ChunkSink{TakeChunk, nullptr}) ? kBlxDone
                                                                                 : kBlxStopped;
}
