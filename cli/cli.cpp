#include "cli/cli.h"

#include "phrases/phrases.h"
#include "random/random.h"
#include "text/text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#ifndef BLATERIX_VERSION
#define BLATERIX_VERSION "unknown"
#endif

namespace {

constexpr const char* kProgram = "blaterix-cli";

constexpr const char* kUsage =
    "Usage: blaterix-cli [COUNT] [--seed SECONDS] [--utf8]\n"
    "       blaterix-cli --help | --version\n"
    "\n"
    "Writes COUNT sentences of Italian bureaucratic jargon to standard output,\n"
    "exactly as Blaterix lays them out: three spaces, the sentence, CR LF CR LF,\n"
    "in Windows-1252.\n"
    "\n"
    "  COUNT           how many sentences (default 10), read as the program reads\n"
    "                  its count box: 2.5 gives 2, &H10 gives 16, text without a\n"
    "                  number or a negative count gives nothing\n"
    "  --seed SECONDS  seed the generator as a clock reading of SECONDS after\n"
    "                  midnight would (default: the local time of day)\n"
    "  --utf8          write UTF-8 with LF line ends, for terminals\n"
    "  --help          show this help and exit\n"
    "  --version       show the version and exit\n"
    "\n"
    "A COUNT that starts with '-' followed by a digit or '.', or any argument\n"
    "after '--', is a count, not an option.\n";

// The code points of Windows-1252 bytes 0x80..0x9F; 0 where the byte is unassigned.
constexpr uint16_t kHigh1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendCodePoint(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool Flush(std::string& buffer, std::FILE* out) {
    if (!buffer.empty() && std::fwrite(buffer.data(), 1, buffer.size(), out) != buffer.size()) {
        return false;
    }
    buffer.clear();
    return true;
}

// A decimal number of seconds: optional sign, digits with at most one point,
// optional exponent; nothing else.
std::optional<long double> ParseSeconds(const char* text) {
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
    errno = 0;
    const long double value = std::strtold(text, nullptr);
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

int UsageError(std::FILE* err, const std::string& problem) {
    std::fprintf(err, "%s: %s\nTry '%s --help' for more information.\n", kProgram, problem.c_str(),
                 kProgram);
    return 2;
}

bool LooksLikeCount(std::string_view arg) {
    return arg.size() >= 2 && arg[0] == '-' && ((arg[1] >= '0' && arg[1] <= '9') || arg[1] == '.');
}

} // namespace

void AppendAsUtf8(std::string& out, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue; // CR LF becomes LF
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0xA0) {
            const uint16_t cp = kHigh1252[c - 0x80];
            AppendCodePoint(out, cp != 0 ? cp : 0xFFFD);
        } else {
            AppendCodePoint(out, c); // 0xA0..0xFF are Latin-1
        }
    }
}

bool WriteGeneratedText(int32_t count, bool utf8, std::FILE* out) {
    // Whole blocks, about one chunk at a time, so any count runs in constant memory.
    const int32_t perChunk = static_cast<int32_t>(kCliChunkSize / (MaxBlockLength() * 3 / 4));
    std::string chunk, converted;
    for (int32_t done = 0; done < count;) {
        const int32_t n = count - done < perChunk ? count - done : perChunk;
        chunk.clear();
        AppendShaped(chunk, BlockShape(), n);
        done += n;
        std::string* bytes = &chunk;
        if (utf8) {
            converted.clear();
            AppendAsUtf8(converted, chunk);
            bytes = &converted;
        }
        if (!Flush(*bytes, out)) {
            return false;
        }
    }
    return std::fflush(out) == 0;
}

int RunCli(int argc, char** argv, std::FILE* out, std::FILE* err) {
    std::optional<std::string> countText;
    std::optional<long double> seed;
    bool utf8 = false;
    bool onlyCounts = false;

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool option = !onlyCounts && arg.size() > 1 && arg[0] == '-' && !LooksLikeCount(arg);
        if (!option) {
            if (countText) {
                return UsageError(err, "extra argument '" + std::string(arg) + "'");
            }
            countText = std::string(arg);
        } else if (arg == "--") {
            onlyCounts = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, out);
            return std::fflush(out) == 0 ? 0 : 1;
        } else if (arg == "--version") {
            std::fprintf(out, "%s %s\n", kProgram, BLATERIX_VERSION);
            return std::fflush(out) == 0 ? 0 : 1;
        } else if (arg == "--utf8") {
            utf8 = true;
        } else if (arg == "--seed" || arg.rfind("--seed=", 0) == 0) {
            const char* value = nullptr;
            if (arg == "--seed") {
                if (i + 1 >= argc) {
                    return UsageError(err, "option '--seed' needs a number of seconds");
                }
                value = argv[++i];
            } else {
                value = argv[i] + std::strlen("--seed=");
            }
            seed = ParseSeconds(value);
            if (!seed) {
                return UsageError(err, "'" + std::string(value) +
                                           "' is not a decimal number of seconds");
            }
        } else {
            return UsageError(err, "unknown option '" + std::string(arg) + "'");
        }
    }

    FillPhraseTable();
    RandomSeed(seed ? *seed : static_cast<long double>(ClockSeconds()));
    const int32_t count = countText ? RoundToWhole(ParseNumber(*countText)) : 10;
    if (!WriteGeneratedText(count, utf8, out)) {
        if (errno == EPIPE) {
            return 0; // the reader has gone, as with any Unix filter
        }
        std::fprintf(err, "%s: write error: %s\n", kProgram, std::strerror(errno));
        return 1;
    }
    return 0;
}
