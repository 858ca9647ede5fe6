#include "cli/cli.h"

#include "random/random.h"
#include "text/text.h"

#include <getopt.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#ifndef BLATERIX_VERSION
#define BLATERIX_VERSION "unknown"
#endif

namespace {

constexpr const char* kProgram = "blaterix-cli";

// What --help writes.
std::string UsageText() {
    const std::string count = std::to_string(kCliDefaultCount);
    const std::string perParagraph = std::to_string(kCliDefaultPerParagraph);
    return "Usage: blaterix-cli [OPTION]... [COUNT]\n"
           "Write COUNT sentences of Italian bureaucratic jargon (default " +
           count +
           ").\n"
           "\n"
           "  -n, --count=N          how many sentences, as COUNT\n"
           "  -s, --seed=S           start the generator from S seconds after midnight\n"
           "                         (default: the local time of day)\n"
           "      --print-seed       write the seed used to standard error, as a number\n"
           "                         that --seed takes back\n"
           "      --encoding=ENC     cp1252 (or windows-1252) or utf-8 (or utf8)\n"
           "      --eol=EOL          crlf or lf\n"
           "      --utf8             the same as --encoding=utf-8 --eol=lf\n"
           "      --layout=LAYOUT    blocks: the program's own, three spaces, the sentence,\n"
           "                           a space and an empty line;\n"
           "                         lines: one sentence per line;\n"
           "                         paragraphs: sentences joined by spaces, an empty line\n"
           "                           between paragraphs\n"
           "      --sentences-per-paragraph=K\n"
           "                         sentences in a paragraph (default " +
           perParagraph +
           ")\n"
           "      --format=FORMAT    text; html: one <p> element per sentence, or per\n"
           "                         paragraph; json: JSON Lines, one object per sentence\n"
           "                         with its text and its seven rows; it takes no\n"
           "                         --layout but lines\n"
           "  -h, --help             show this help and exit\n"
           "  -V, --version          show the version and exit\n"
           "\n"
           "COUNT is read as Blaterix reads its count box: leading blanks are skipped,\n"
           "2.5 gives 2 and 3.5 gives 4 (halves go to the even number), 1e3 and 1D3\n"
           "give 1000, and digits after the first 18 significant ones count as zeros.\n"
           "&H, &O (or &Q, or & before a digit) and &B start hexadecimal, octal and\n"
           "binary numbers, which may end in %, &, &&, ?, ?? or ???: &H10 gives 16;\n"
           "&HFFFF is -1 (a signed 16-bit number, so refused), while &HFFFF& and\n"
           "&H0FFFF are 65535. It must come to a whole number from 0 to 2147483647,\n"
           "with nothing after the number.\n"
           "\n"
           "The seed is a time of day in seconds, which the generator keeps as a 32-bit\n"
           "float: -0 and 0 differ, 86400 and fractions count, and seeds that round to\n"
           "the same float give the same sentences.\n"
           "\n"
           "On a terminal the default is UTF-8 with LF line ends; into a file or a pipe\n"
           "it is the program's own bytes, Windows-1252 with CR LF, as \"Salva\" writes\n"
           "them after \"Genera\". html and json are always UTF-8, with LF line ends\n"
           "unless --eol says otherwise. The same seed gives the same sentences in every\n"
           "layout and format.\n"
           "\n"
           "Exit status: 0 on success, 1 when the output cannot be written, 2 for a\n"
           "wrong command line.\n";
}

// What --version adds after the name and version.
constexpr const char* kLicence = "Copyright (c) 2026 The Blaterix developers\n"
                                 "License: MIT <https://opensource.org/licenses/MIT>\n";

enum LongOnly : int {
    kPrintSeed = 256,
    kEncoding,
    kEol,
    kUtf8,
    kLayout,
    kPerParagraph,
    kFormat,
};

constexpr option kOptions[] = {
    {"count", required_argument, nullptr, 'n'},
    {"seed", required_argument, nullptr, 's'},
    {"print-seed", no_argument, nullptr, kPrintSeed},
    {"encoding", required_argument, nullptr, kEncoding},
    {"eol", required_argument, nullptr, kEol},
    {"utf8", no_argument, nullptr, kUtf8},
    {"layout", required_argument, nullptr, kLayout},
    {"sentences-per-paragraph", required_argument, nullptr, kPerParagraph},
    {"format", required_argument, nullptr, kFormat},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// ":" first: a missing value is reported as ':' and getopt itself prints nothing.
constexpr const char* kShortOptions = ":n:s:hV";

// A usage error: one line that names the problem, one with the hint.
struct Usage {
    std::string problem;
};

int Report(std::FILE* err, const Usage& usage) {
    std::fprintf(err, "%s: %s\nTry '%s --help' for more information.\n", kProgram,
                 usage.problem.c_str(), kProgram);
    return 2;
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// A setting that the command line may give more than once, but only with one value. Values
// compare bit for bit, so -0 and 0 are different seeds.
template <class T> struct Setting {
    static_assert(std::is_scalar_v<T>, "no padding bits to compare");
    const char* kind; // what a conflict calls two of them: "options", "counts", "seeds"
    std::optional<T> value{};
    std::string given{}; // how it was given, for messages

    std::optional<Usage> Set(T v, std::string how) {
        if (value && std::memcmp(&*value, &v, sizeof v) != 0) {
            return Usage{std::string("conflicting ") + kind + " " + Quoted(given) + " and " +
                         Quoted(how)};
        }
        value = v;
        given = std::move(how);
        return std::nullopt;
    }
};

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// The choice among names (any letter case) that text names, or nothing.
template <class T, std::size_t N>
std::optional<T> Choose(std::string_view text, const std::pair<std::string_view, T> (&names)[N]) {
    for (const auto& [name, value] : names) {
        if (SameLetters(text, name)) {
            return value;
        }
    }
    return std::nullopt;
}

// The names that each choice goes by, the first one shown in messages.
constexpr std::pair<std::string_view, CliEncoding> kEncodings[] = {
    {"cp1252", CliEncoding::Cp1252},
    {"windows-1252", CliEncoding::Cp1252},
    {"utf-8", CliEncoding::Utf8},
    {"utf8", CliEncoding::Utf8}};
constexpr std::pair<std::string_view, CliEol> kEols[] = {{"crlf", CliEol::CrLf},
                                                         {"lf", CliEol::Lf}};
constexpr std::pair<std::string_view, CliLayout> kLayouts[] = {
    {"blocks", CliLayout::Blocks},
    {"lines", CliLayout::Lines},
    {"paragraphs", CliLayout::Paragraphs}};
constexpr std::pair<std::string_view, CliFormat> kFormats[] = {
    {"text", CliFormat::Text}, {"html", CliFormat::Html}, {"json", CliFormat::Json}};

// -0.5 and 2^31 - 0.5: a count below the first rounds below 0, and one from the
// second on above 2^31 - 1 (each half goes to its even neighbour, 0 and 2^31).
constexpr Extended kMinusHalf = {0x8000000000000000, 0xBFFE};
constexpr Extended kLargestCountAndAHalf = {0xFFFFFFFF00000000, 0x401D};

// The count as the count box reads it, refused when the text is not wholly
// a number or when the number is not a count from 0 to 2^31 - 1.
std::optional<int32_t> ReadCount(std::string_view text, std::string& problem) {
    const NumberReading reading = ReadNumber(text);
    const std::string quoted = Quoted(text);
    if (reading.length == 0) {
        problem = "invalid count " + quoted + ": not a number";
    } else if (reading.length < text.size()) {
        problem = "invalid count " + quoted + ": " + Quoted(text.substr(reading.length)) +
                  " after the number";
    } else if (reading.value < kMinusHalf) { // -0.5 still rounds to 0
        problem = "invalid count " + quoted + ": below 0";
    } else if (reading.overflow || reading.value >= kLargestCountAndAHalf) {
        problem = "invalid count " + quoted + ": above 2147483647";
    } else {
        return RoundToWhole(reading.value);
    }
    return std::nullopt;
}

// The text that std::to_chars gives a float, from printf and strtof: the fewest
// significant digits that read back as value (of those, the nearest to it), in
// fixed or scientific notation, whichever is shorter (fixed on a tie); fixed
// notation writes an integer's exact digits.
std::string PrintfSeedText(float value) {
    const std::string sign = std::signbit(value) ? "-" : "";
    const float magnitude = std::fabs(value);
    const double exact = magnitude;
    if (magnitude == 0 || !std::isfinite(magnitude)) {
        return sign + (magnitude == 0 ? "0" : std::isnan(magnitude) ? "nan" : "inf");
    }
    std::string digits; // without trailing zeros; the first one stands for 10^exponent
    int exponent = 0;
    char text[64];
    for (int n = 1; n <= 9 && digits.empty(); ++n) {
        // The nearest n-digit decimal, m * 10^scale; failing that, its neighbour on
        // the other side of value may still read back.
        std::snprintf(text, sizeof text, "%.*e", n - 1, exact);
        char* const e = std::strchr(text, 'e');
        const int scale = std::atoi(e + 1) - (n - 1);
        *e = '\0';
        if (text[1] == '.') {
            std::memmove(text + 1, text + 2, std::strlen(text + 1));
        }
        const long long nearest = std::atoll(text);
        const auto valueOf = [&](long long m) {
            std::snprintf(text, sizeof text, "%llde%d", m, scale);
            return std::strtod(text, nullptr);
        };
        long long m = nearest;
        if (static_cast<float>(valueOf(m)) != magnitude) {
            m = valueOf(nearest) < exact ? nearest + 1 : nearest - 1;
            if (static_cast<float>(valueOf(m)) != magnitude) {
                continue;
            }
        }
        digits = std::to_string(m);
        exponent = scale + static_cast<int>(digits.size()) - 1;
        digits.erase(digits.find_last_not_of('0') + 1);
    }
    const int length = static_cast<int>(digits.size());
    std::snprintf(text, sizeof text, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    const std::string scientific =
        digits.substr(0, 1) + (length > 1 ? "." + digits.substr(1) : "") + text;
    std::string fixed;
    if (exponent < 0) {
        fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else if (length > exponent + 1) {
        const auto point = static_cast<std::size_t>(exponent + 1);
        fixed = digits.substr(0, point) + "." + digits.substr(point);
    } else {
        std::snprintf(text, sizeof text, "%.0f", exact);
        fixed = text;
    }
    return sign + (fixed.size() <= scientific.size() ? fixed : scientific);
}

// Floating std::to_chars: libstdc++ has it from 11 on, libc++ from 14 on.
#if defined(__cpp_lib_to_chars) || (defined(_LIBCPP_VERSION) && _LIBCPP_VERSION >= 14000)
#define BLATERIX_FLOAT_TO_CHARS 1
#endif

// The shortest decimal text that reads back as the same binary32.
std::string SeedText(float seed) {
#ifdef BLATERIX_FLOAT_TO_CHARS
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, seed);
    return std::string(text, result.ptr);
#else
    return PrintfSeedText(seed);
#endif
}

std::optional<int32_t> ReadPositive(std::string_view text) {
    int32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text[0] == '-' || text[0] == '+' || result.ec != std::errc() ||
        result.ptr != text.data() + text.size() || value < 1) {
        return std::nullopt;
    }
    return value;
}

// The one line for an option that getopt_long refused (code '?' or ':'). optopt is 0
// for a long option that is unknown or ambiguous, the option's code for a long one
// whose argument is wrong, the letter for a short one. element is the command line's
// element before optind: a refused long option's own, while a refused short one may
// still be inside the element at optind, after a long option.
Usage RefusedOption(int code, std::string_view element) {
    const bool isLong = element.starts_with("--");
    if (isLong && optopt == 0) {
        const std::string_view name = element.substr(2, element.find('=') - 2);
        // getopt_long found no exact name and no unique abbreviation: the name
        // is ambiguous when it begins two or more, unknown otherwise.
        std::string possibilities;
        int matches = 0;
        for (const option* o = kOptions; o->name != nullptr && !name.empty(); ++o) {
            if (std::string_view(o->name).starts_with(name)) {
                possibilities += " '--" + std::string(o->name) + "'";
                ++matches;
            }
        }
        if (matches > 1) {
            return {"option " + Quoted(element) + " is ambiguous; possibilities:" + possibilities};
        }
        return {"unrecognized option " + Quoted(element)};
    }
    for (const option* o = kOptions; isLong && o->name != nullptr; ++o) {
        if (o->val == optopt) {
            const std::string full = Quoted("--" + std::string(o->name));
            return {"option " + full +
                    (o->has_arg == no_argument ? " doesn't allow an argument"
                                               : " requires an argument")};
        }
    }
    const char letter = static_cast<char>(optopt);
    return {(code == ':' ? "option requires an argument -- " : "invalid option -- ") +
            Quoted(std::string_view(&letter, 1))};
}

// What the command line asks for.
struct Request {
    enum class Action { Write, Help, Version } action = Action::Write;
    Setting<int32_t> count{.kind = "counts"};
    Setting<float> seed{.kind = "seeds"};
    bool printSeed = false;
    Setting<CliEncoding> encoding{.kind = "options"};
    Setting<CliEol> eol{.kind = "options"};
    Setting<CliLayout> layout{.kind = "options"};
    Setting<CliFormat> format{.kind = "options"};
    Setting<int32_t> perParagraph{.kind = "options"};
};

std::optional<Usage> SetCount(Request& request, const char* text) {
    std::string problem;
    const std::optional<int32_t> count = ReadCount(text, problem);
    if (!count) {
        return Usage{problem};
    }
    return request.count.Set(*count, text);
}

template <class T, std::size_t N>
std::optional<Usage> SetChoice(Setting<T>& setting, const char* name, const char* text,
                               const std::pair<std::string_view, T> (&names)[N]) {
    const std::optional<T> value = Choose(text, names);
    if (!value) {
        std::string valid; // the first name of each choice
        for (std::size_t i = 0; i < N; ++i) {
            if (i == 0 || names[i].second != names[i - 1].second) {
                valid += (valid.empty() ? "" : ", ") + std::string(names[i].first);
            }
        }
        return Usage{"invalid argument " + Quoted(text) + " for '--" + name + "' (valid: " + valid +
                     ")"};
    }
    return setting.Set(*value, "--" + std::string(name) + "=" + text);
}

std::optional<Usage> ParseOption(Request& request, int code, const char* value) {
    switch (code) {
    case 'n':
        return SetCount(request, value);
    case 's': {
        const std::optional<float> seed = ReadSeed(value);
        if (!seed) {
            return Usage{"invalid seed " + Quoted(value) +
                         ": not a decimal number of seconds within the range of a 32-bit float"};
        }
        return request.seed.Set(*seed, value);
    }
    case kPrintSeed:
        request.printSeed = true;
        return std::nullopt;
    case kEncoding:
        return SetChoice(request.encoding, "encoding", value, kEncodings);
    case kEol:
        return SetChoice(request.eol, "eol", value, kEols);
    case kUtf8:
        if (auto problem = request.encoding.Set(CliEncoding::Utf8, "--utf8")) {
            return problem;
        }
        return request.eol.Set(CliEol::Lf, "--utf8");
    case kLayout:
        return SetChoice(request.layout, "layout", value, kLayouts);
    case kFormat:
        return SetChoice(request.format, "format", value, kFormats);
    case kPerParagraph: {
        const std::optional<int32_t> k = ReadPositive(value);
        if (!k) {
            return Usage{"invalid argument " + Quoted(value) +
                         " for '--sentences-per-paragraph' (a whole number from 1 to 2147483647)"};
        }
        return request.perParagraph.Set(*k, std::string("--sentences-per-paragraph=") + value);
    }
    default:
        return Usage{"unexpected option"}; // every code in kOptions is handled above
    }
}

// Makes getopt start afresh, also when it has run before in this process:
// glibc, musl and MinGW restart at optind 0, the BSDs and macOS on optreset.
void RestartGetopt() {
#if defined(__APPLE__) || defined(__FreeBSD__) || defined(__NetBSD__) || defined(__OpenBSD__) ||   \
    defined(__DragonFly__)
    optreset = 1;
    optind = 1;
#else
    optind = 0;
#endif
}

// Reads argv into request; a usage problem, if any.
std::optional<Usage> ParseCommandLine(int argc, char** argv, Request& request) {
    opterr = 0;
    RestartGetopt();
    for (;;) {
        const int code = getopt_long(argc, argv, kShortOptions, kOptions, nullptr);
        if (code == -1) {
            break;
        }
        if (code == '?' || code == ':') {
            return RefusedOption(code, optind >= 2 && optind <= argc ? argv[optind - 1] : "");
        }
        if (code == 'h') {
            request.action = Request::Action::Help;
            return std::nullopt;
        }
        if (code == 'V') {
            request.action = Request::Action::Version;
            return std::nullopt;
        }
        if (auto problem = ParseOption(request, code, optarg)) {
            return problem;
        }
    }
    for (int i = optind; i < argc; ++i) {
        if (i > optind) {
            return Usage{"extra operand " + Quoted(argv[i])};
        }
        if (auto problem = SetCount(request, argv[i])) {
            return problem;
        }
    }
    return std::nullopt;
}

// The style that the request asks for, with the defaults for where out goes.
std::optional<Usage> StyleFor(const Request& request, bool terminal, CliStyle& style) {
    const CliStyle defaults;
    const CliFormat format = request.format.value.value_or(defaults.format);
    const CliLayout layout = request.layout.value.value_or(defaults.layout);
    if (format != CliFormat::Text && request.encoding.value == CliEncoding::Cp1252) {
        return Usage{Quoted(request.format.given) + " writes UTF-8 only, not " +
                     Quoted(request.encoding.given)};
    }
    // json has one layout of its own: any other, or a paragraph's size, is refused.
    const std::string& notForJson = request.layout.value && layout != CliLayout::Lines
                                        ? request.layout.given
                                        : request.perParagraph.given;
    if (format == CliFormat::Json && !notForJson.empty()) {
        return Usage{Quoted(request.format.given) + " writes one sentence per line; it takes no " +
                     Quoted(notForJson)};
    }
    if (request.perParagraph.value && layout != CliLayout::Paragraphs) {
        return Usage{Quoted(request.perParagraph.given) + " needs '--layout=paragraphs'"};
    }
    const bool text = format == CliFormat::Text;
    style.format = format;
    style.layout = layout;
    style.perParagraph = request.perParagraph.value.value_or(defaults.perParagraph);
    style.encoding = request.encoding.value.value_or(terminal || !text ? CliEncoding::Utf8
                                                                       : CliEncoding::Cp1252);
    style.eol = request.eol.value.value_or(terminal || !text ? CliEol::Lf : CliEol::CrLf);
    return std::nullopt;
}

#ifdef _WIN32
// The console behind a stream, or null when it goes elsewhere (a file, a pipe, NUL).
HANDLE ConsoleOf(std::FILE* file) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

bool IsTerminal(std::FILE* file) {
    return ConsoleOf(file) != nullptr;
}

// Windows reports a reader that has gone as one of several pipe errors that
// the C library turns into EINVAL (Wine gives ERROR_PIPE_NOT_CONNECTED); it is
// a broken pipe all the same.
void NameBrokenPipe() {
    const unsigned long error = _doserrno;
    if (error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA || error == ERROR_PIPE_NOT_CONNECTED) {
        errno = EPIPE;
    }
}

// A console shows UTF-16: the bytes are turned into it from their code page.
bool WriteConsoleText(HANDLE console, const char* bytes, std::size_t size, UINT codePage) {
    constexpr std::size_t kPiece = 1 << 14;
    std::unique_ptr<wchar_t[]> wide(new wchar_t[kPiece * 2]);
    while (size > 0) {
        // Whole sentences reach here, so a piece may cut a UTF-8 sequence only
        // when it is cut at a byte count: step back to the start of one.
        std::size_t n = size < kPiece ? size : kPiece;
        std::size_t start = n;
        while (codePage == CP_UTF8 && start < size && start > 0 &&
               (static_cast<unsigned char>(bytes[start]) & 0xC0) == 0x80) {
            --start;
        }
        if (start > 0) {
            n = start;
        }
        const int length = MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(n), wide.get(),
                                               static_cast<int>(kPiece * 2));
        for (int at = 0; at < length;) {
            DWORD written = 0;
            if (!WriteConsoleW(console, wide.get() + at, static_cast<DWORD>(length - at), &written,
                               nullptr) ||
                written == 0) {
                errno = EIO;
                return false;
            }
            at += static_cast<int>(written);
        }
        bytes += n;
        size -= n;
    }
    return true;
}
#else
bool IsTerminal(std::FILE* file) {
    return isatty(fileno(file)) == 1;
}

void NameBrokenPipe() {}
#endif

// Where the sentences go: a stream, or on Windows a console.
struct Sink {
    std::FILE* file;
#ifdef _WIN32
    HANDLE console = nullptr;
    UINT codePage = CP_UTF8;
#endif
};

bool Emit(const Sink& sink, const char* bytes, std::size_t size) {
#ifdef _WIN32
    if (sink.console != nullptr) {
        return WriteConsoleText(sink.console, bytes, size, sink.codePage);
    }
#endif
    if (std::fwrite(bytes, 1, size, sink.file) != size) {
        NameBrokenPipe();
        return false;
    }
    return true;
}

// Builds count sentences a chunk at a time and hands them on. A stream gets
// whole chunks, cut anywhere; a console gets whole sentences.
bool WriteTo(const Sink& sink, int32_t count, const TextShape& shape) {
    std::unique_ptr<char[]> buffer(new char[ChunkBufferSize(shape)]);
    ChunkSink chunks{};
    chunks.take = [](const void* context, const char* bytes, std::size_t size) {
        return Emit(*static_cast<const Sink*>(context), bytes, size);
    };
    chunks.context = &sink;
#ifdef _WIN32
    chunks.wholeSentences = sink.console != nullptr;
#endif
    if (!WriteChunks(count, shape, buffer.get(), chunks)) {
        return false;
    }
    if (std::fflush(sink.file) != 0 || std::ferror(sink.file)) {
        NameBrokenPipe();
        return false;
    }
    return true;
}

// Writes text to out and makes sure that it got there.
bool WriteAll(std::FILE* out, const std::string& text) {
    const bool ok =
        std::fputs(text.c_str(), out) >= 0 && std::fflush(out) == 0 && !std::ferror(out);
    if (!ok) {
        NameBrokenPipe();
    }
    return ok;
}

int WriteError(std::FILE* err) {
    std::fprintf(err, "%s: write error: %s\n", kProgram, std::strerror(errno));
    return 1;
}

} // namespace

bool WriteSentences(int32_t count, const TextShape& shape, std::FILE* out) {
    return WriteTo(Sink{out}, count, shape);
}

int RunCli(int argc, char** argv, std::FILE* out, std::FILE* err) {
    Request request;
    if (const std::optional<Usage> problem = ParseCommandLine(argc, argv, request)) {
        return Report(err, *problem);
    }
    if (request.action == Request::Action::Help) {
        return WriteAll(out, UsageText()) ? 0 : WriteError(err);
    }
    if (request.action == Request::Action::Version) {
        return WriteAll(out, std::string(kProgram) + " " + BLATERIX_VERSION + "\n" + kLicence)
                   ? 0
                   : WriteError(err);
    }

    const bool terminal = IsTerminal(out);
    CliStyle style;
    if (const std::optional<Usage> problem = StyleFor(request, terminal, style)) {
        return Report(err, *problem);
    }

    const float seed =
        request.seed.value ? *request.seed.value : static_cast<float>(ClockSeconds());
    RandomSeed(seed);
    // A seed that does not get there fails the run like any other write: it could
    // not be repeated. Nothing has been written to out then.
    if (request.printSeed && !WriteAll(err, SeedText(seed) + "\n")) {
        return WriteError(err);
    }

    // The writer hands over whole chunks; a stream buffer would only split
    // each of them into two writes. Nothing has been written to out yet.
    std::setvbuf(out, nullptr, _IONBF, 0);
    Sink sink{out};
#ifdef _WIN32
    sink.console = ConsoleOf(out);
    sink.codePage =
        style.encoding == CliEncoding::Cp1252 && style.format == CliFormat::Text ? 1252 : CP_UTF8;
#endif
    if (!WriteTo(sink, request.count.value.value_or(kCliDefaultCount), ShapeOf(style))) {
        return WriteError(err);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Test hooks

std::string PrintfSeedTextForTests(float seed) {
    return PrintfSeedText(seed);
}
