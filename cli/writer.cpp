// The parts of blaterix-cli that need no command line: the shape of each
// style, the seed's syntax and the chunked writer. The WebAssembly module
// builds on them too, so nothing here may throw for the styles it is given.
#include "cli/cli.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

// A decimal number of seconds: optional sign, digits with at most one point,
// optional exponent; nothing else. Its value rounded to the nearest binary32,
// which must be finite.
std::optional<float> ReadSeed(const char* text) {
    const char* p = text;
    if (*p == '+' || *p == '-') {
        ++p;
    }
    bool digits = false;
    while (*p >= '0' && *p <= '9') {
        ++p;
        digits = true;
    }
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9') {
            ++p;
            digits = true;
        }
    }
    if (!digits) {
        return std::nullopt;
    }
    if (*p == 'e' || *p == 'E') {
        ++p;
        if (*p == '+' || *p == '-') {
            ++p;
        }
        if (!(*p >= '0' && *p <= '9')) {
            return std::nullopt;
        }
        while (*p >= '0' && *p <= '9') {
            ++p;
        }
    }
    if (*p != '\0') {
        return std::nullopt;
    }
    // One rounding, from the decimal text straight to binary32 (an underflow
    // to zero or a subnormal is still a seed).
    const float value = std::strtof(text, nullptr);
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

namespace {

// piece without its CRs: CR LF becomes LF.
TextPiece WithoutCr(const TextPiece& piece) {
    TextPiece lf{};
    for (std::size_t i = 0; i < piece.size; ++i) {
        if (piece.bytes[i] != '\r') {
            lf.bytes[lf.size++] = piece.bytes[i];
        }
    }
    return lf;
}

} // namespace

TextShape ShapeOf(const CliStyle& style) {
    const bool crlf = style.eol == CliEol::CrLf;
    const std::string_view eol = crlf ? "\r\n" : "\n";
    const bool paragraphs = style.layout == CliLayout::Paragraphs;
    TextShape shape{};
    shape.perGroup = paragraphs ? style.perParagraph : 1;
    shape.join = MakePiece(" ");
    switch (style.format) {
    case CliFormat::Text:
        shape.form = style.encoding == CliEncoding::Cp1252 ? PhraseForm::Cp1252 : PhraseForm::Utf8;
        if (style.layout == CliLayout::Blocks) {
            const TextShape blocks = BlockShape();
            shape.open = blocks.open;
            shape.close = crlf ? blocks.close : WithoutCr(blocks.close);
        } else {
            shape.close = MakePiece(eol);
            if (paragraphs) {
                shape.between = MakePiece(eol);
            }
        }
        break;
    case CliFormat::Html:
        shape.form = PhraseForm::Html;
        shape.open = MakePiece("<p>");
        shape.close = MakePiece("</p>", eol);
        break;
    case CliFormat::Json:
        shape.form = PhraseForm::Json;
        shape.perGroup = 1;
        shape.open = MakePiece("{\"text\": \"");
        shape.rows = MakePiece("\", \"rows\": [");
        shape.close = MakePiece("]}", eol);
        break;
    }
    return shape;
}

std::size_t ChunkBufferSize(const TextShape& shape) {
    return kCliChunkSize + ShapedRoom(shape);
}

bool WriteChunks(int32_t count, const TextShape& shape, char* buffer, const ChunkSink& sink) {
    char* const chunkEnd = buffer + kCliChunkSize;
    TextRun run{count};
    char* p = buffer;
    while (run.done < run.count) {
        p = WriteShaped(p, chunkEnd - 1, shape, run);
        if (p >= chunkEnd) {
            const std::size_t n =
                sink.wholeSentences ? static_cast<std::size_t>(p - buffer) : kCliChunkSize;
            if (!sink.take(sink.context, buffer, n)) {
                return false;
            }
            std::memmove(buffer, buffer + n, static_cast<std::size_t>(p - buffer) - n);
            p -= n;
        }
    }
    return p == buffer || sink.take(sink.context, buffer, static_cast<std::size_t>(p - buffer));
}
