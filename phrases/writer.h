// Private to phrases/, included only by its two sources: the fragment table in
// each of its forms and the writer that lays sentences out from it. phrases.cpp
// builds the program's own form from it, forms.cpp the other forms for
// blaterix-cli. Everything here has internal linkage, so that each of the two
// objects holds only the forms and loops that its own functions use, and the
// program, which takes phrases.cpp's object alone, carries none of the others.
#pragma once

#include "phrases/phrases.h"
#include "random/random.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <version>

namespace {

// Accented letters are single Windows-1252 bytes: \xE0 a-grave, \xF2 o-grave,
// \xF9 u-grave. Every escape ends its literal so that no following hex digit
// can be swallowed into it.
constexpr std::string_view kFragments[kPhraseColumns][kPhraseRows] = {
    {
        "L'utenza potenziale",
        "Il bisogno emergente",
        "Il quadro normativo",
        "La valenza epidemiologica",
        "Il nuovo soggetto sociale",
        "L'approccio programmatorio",
        "L'assetto politico istituzionale",
        "Il criterio metodologico",
        "Il modello di sviluppo",
        "Il metodo partecipativo",
    },
    {
        "si caratterizza per",
        "privilegia",
        "prefigura",
        "riconduce a sintesi",
        "persegue",
        "estrinseca",
        "si propone",
        "presuppone",
        "porta avanti",
        "auspica",
    },
    {
        "il ribaltamento della logica assistenziale preesistente",
        "il superamento di ogni ostacolo e resistenza passiva",
        "un organico collegamento interdisciplinare ed una prassi di lavoro di gruppo",
        "la puntuale corrispondenza tra obbiettivi e risorse",
        "la verifica critica degli obbiettivi e l'individuazione di fini qualificanti",
        "il riorientamento delle linee di tendenza in atto",
        "l'accorpamento delle funzioni e il decentramento decisionale",
        "la ricognizione del bisogno emergente e della domanda non soddisfatta",
        "la riconversione ed articolazione periferica dei servizi",
        "un corretto rapporto fra struttura e sovrastrutture",
    },
    {
        "nel primario interesse della popolazione,",
        "senza pregiudicare l'attuale livello delle prestazioni,",
        "al di sopra di interessi e pressioni di parte",
        "secondo un modello di interdipendenza orizzontale,",
        "in una visione organica e ricondotta ad unit\xE0"
        ",",
        "con criteri non dirigistici,",
        "al di l\xE0"
        " delle contraddizioni e difficolt\xE0"
        " iniziali,",
        "in maniera articolata e non totalizzante,",
        "attraverso i meccanismi della partecipazione,",
        "senza precostituzione delle risposte,",
    },
    {
        "sostanziando e vitalizzando,",
        "recuperando ovvero rivalutando,",
        "ipotizzando e perseguendo,",
        "non assumendo mai come implicito,",
        "fattualizzando e concretizzando,",
        "non sottacendo ma anzi puntualizzando,",
        "potenziando e incrementando,",
        "non dando certo per scontato,",
        "evidenziando ed esplicando,",
        "attivando ed implementando,",
    },
    {
        "nei tempi brevi anzi brevissimi,",
        "in un'ottica preventiva e non pi\xF9"
        " curativa,",
        "in un ambito territoriale omogeneo, ai diversi livelli,",
        "nel rispetto della normativa esistente,",
        "nel contesto di un sistema integrato,",
        "quale sua premessa indispensabile e condizionante,",
        "nella misura in cui ci\xF2"
        " sia fattibile,",
        "con le dovute imprescindibili sottolineature,",
        "in termini di efficacia e di efficenza,",
        "a monte e a valle della situazione contingente,",
    },
    {
        "la trasparenza di ogni atto decisionale.",
        "la non sanitarizzazione delle risposte.",
        "un indispensabile salto di qualit\xE0"
        ".",
        "una congrua flessibilit\xE0"
        " delle strutture.",
        "l'annullamento di ogni ghettizzazione.",
        "il coinvolgimento attivo di operatori e utenti.",
        "l'appianamento di discrepanze e discrasie esistenti.",
        "la ridefinizione di una nuova figura professionale.",
        "l'azione di una metodologia differenziata.",
        "la demedicalizzazione del linguaggio.",
    },
};

// Every other form of the table is derived from this list at compile time.

// The code points of Windows-1252 bytes 0x80..0x9F; 0 where the byte is unassigned.
constexpr uint16_t kHigh1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Puts text at out when out is not null; returns its length either way.
constexpr std::size_t Put(char* out, std::string_view text) {
    if (out != nullptr) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            out[i] = text[i];
        }
    }
    return text.size();
}

constexpr std::size_t PutUtf8(char* out, uint32_t cp) {
    char bytes[3] = {};
    std::size_t n = 0;
    if (cp < 0x80) {
        bytes[n++] = static_cast<char>(cp);
    } else if (cp < 0x800) {
        bytes[n++] = static_cast<char>(0xC0 | (cp >> 6));
        bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        bytes[n++] = static_cast<char>(0xE0 | (cp >> 12));
        bytes[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return Put(out, std::string_view(bytes, n));
}

// How one Windows-1252 byte is written in a form, at out when out is not null; returns the length.
constexpr std::size_t EncodeByte(char* out, unsigned char c, PhraseForm form) {
    if (form == PhraseForm::Cp1252) {
        if (out != nullptr) {
            *out = static_cast<char>(c);
        }
        return 1;
    }
    if (form == PhraseForm::Html) {
        switch (c) {
        case '&':
            return Put(out, "&amp;");
        case '<':
            return Put(out, "&lt;");
        case '>':
            return Put(out, "&gt;");
        default:
            break;
        }
    }
    if (form == PhraseForm::Json) {
        constexpr char kHex[] = "0123456789abcdef";
        if (c == '"' || c == '\\') {
            const char escaped[2] = {'\\', static_cast<char>(c)};
            return Put(out, std::string_view(escaped, 2));
        }
        if (c < 0x20) {
            const char escaped[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
            return Put(out, std::string_view(escaped, 6));
        }
    }
    if (c >= 0x80 && c < 0xA0) {
        const uint16_t cp = kHigh1252[c - 0x80];
        return PutUtf8(out, cp != 0 ? cp : 0xFFFD);
    }
    return PutUtf8(out, c); // ASCII, and 0xA0..0xFF as in Latin-1
}

// A Windows-1252 text in a form, at out when out is not null; returns the length.
constexpr std::size_t Encode(char* out, std::string_view text, PhraseForm form) {
    std::size_t n = 0;
    for (const char c : text) {
        n += EncodeByte(out != nullptr ? out + n : nullptr, static_cast<unsigned char>(c), form);
    }
    return n;
}

constexpr bool EncodesAs(std::string_view text, PhraseForm form, std::string_view expected) {
    char out[64] = {};
    const std::size_t n = Encode(out, text, form);
    return std::string_view(out, n) == expected;
}
static_assert(EncodesAs("ci\xF2", PhraseForm::Utf8, "ci\xC3\xB2"));
static_assert(EncodesAs("\x80\x81", PhraseForm::Utf8, "\xE2\x82\xAC\xEF\xBF\xBD"));
static_assert(EncodesAs("a<b&c>\"", PhraseForm::Html, "a&lt;b&amp;c&gt;\""));
static_assert(EncodesAs("\"\\\n\xE0", PhraseForm::Json, "\\\"\\\\\\u000a\xC3\xA0"));
static_assert(EncodesAs("\xE0<", PhraseForm::Cp1252, "\xE0<"));

// The bytes that a fragment and its space take in a column's slots: the
// longest fragment of the column and the space, rounded up to whole 16-byte
// pieces. A block is put together from whole-slot copies of this constant
// size; the bytes after a fragment's own length are overwritten by what
// follows it.
constexpr std::size_t SlotSize(PhraseForm form, int column) {
    std::size_t longest = 0;
    for (const std::string_view fragment : kFragments[column]) {
        longest = std::max(longest, Encode(nullptr, fragment, form) + 1);
    }
    return (longest + 15) / 16 * 16;
}

template <PhraseForm Form, int Column> struct ColumnSlots {
    alignas(16) char bytes[kPhraseRows][SlotSize(Form, Column)];
    uint8_t length[kPhraseRows]; // the fragment and its space
};

template <PhraseForm Form, int Column> constexpr ColumnSlots<Form, Column> MakeSlots() {
    ColumnSlots<Form, Column> slots{};
    for (int row = 0; row < kPhraseRows; ++row) {
        for (char& c : slots.bytes[row]) {
            c = ' ';
        }
        const std::size_t n = Encode(slots.bytes[row], kFragments[Column][row], Form);
        slots.length[row] = static_cast<uint8_t>(n + 1);
    }
    return slots;
}

template <PhraseForm Form, int Column>
constexpr ColumnSlots<Form, Column> kSlots = MakeSlots<Form, Column>();

using FragmentViews = std::array<std::array<std::string_view, kPhraseRows>, kPhraseColumns>;

// Views of the slots without the space: what Fragment returns is what the writer copies.
template <PhraseForm Form> constexpr FragmentViews MakeViews() {
    FragmentViews views{};
    [&]<std::size_t... Columns>(std::index_sequence<Columns...>) {
        (
            [&] {
                constexpr int kColumn = static_cast<int>(Columns);
                for (int row = 0; row < kPhraseRows; ++row) {
                    views[kColumn][row] = std::string_view(kSlots<Form, kColumn>.bytes[row],
                                                           kSlots<Form, kColumn>.length[row] - 1u);
                }
            }(),
            ...);
    }
    (std::make_index_sequence<kPhraseColumns>{});
    return views;
}

template <PhraseForm Form> constexpr FragmentViews kViews = MakeViews<Form>();

static_assert(kViews<PhraseForm::Cp1252>[3][4] == "in una visione organica e ricondotta ad unit\xE0"
                                                  ",");
static_assert(kViews<PhraseForm::Utf8>[6][2] == "un indispensabile salto di qualit\xC3\xA0"
                                                ".");

// The fragment at (column 1..7, row 1..10) of a form's views; empty outside that range.
constexpr std::string_view ViewAt(const FragmentViews& views, int column, int row) {
    if (column < 1 || column > kPhraseColumns || row < 1 || row > kPhraseRows) {
        return {};
    }
    return views[column - 1][row - 1];
}

// The sum of a form's slot sizes: what the seven copies of a sentence may touch.
constexpr std::size_t SentenceReach(PhraseForm form) {
    std::size_t reach = 0;
    for (int column = 0; column < kPhraseColumns; ++column) {
        reach += SlotSize(form, column);
    }
    return reach;
}

// A form's expected sentence length with its last space over uniform draws, in 1/1000 bytes.
constexpr std::size_t MeanSentenceMillis(PhraseForm form) {
    std::size_t total = 0;
    for (const auto& column : kFragments) {
        for (const std::string_view fragment : column) {
            total += (Encode(nullptr, fragment, form) + 1) * 1000 / kPhraseRows;
        }
    }
    return total;
}

// The text of a row in the rows list, with the comma that follows it.
struct RowText {
    char bytes[4];
    std::size_t size;
};
constexpr RowText kRowTexts[kPhraseRows + 1] = {
    {"", 0},   {"1,", 2}, {"2,", 2}, {"3,", 2}, {"4,", 2},  {"5,", 2},
    {"6,", 2}, {"7,", 2}, {"8,", 2}, {"9,", 2}, {"10,", 3},
};

char* PutPiece(char* p, const TextPiece& piece) {
    std::memcpy(p, piece.bytes, sizeof piece.bytes);
    return p + piece.size;
}

template <PhraseForm Form, int Column> char* PutFragment(char* p, int32_t row) {
    const auto& slots = kSlots<Form, Column>;
    std::memcpy(p, slots.bytes[row - 1], sizeof slots.bytes[0]);
    return p + slots.length[row - 1];
}

// Seven fragments, each with its space, for rows 1..10; touches SentenceReach(Form) bytes.
template <PhraseForm Form> char* PutSentence(char* p, const int32_t (&rows)[kPhraseColumns]) {
    [&]<std::size_t... Columns>(std::index_sequence<Columns...>) {
        ((p = PutFragment<Form, static_cast<int>(Columns)>(p, rows[Columns])), ...);
    }
    (std::make_index_sequence<kPhraseColumns>{});
    return p;
}

// The rows of a sentence after the rows piece, "1,1,9,3,3,7,4".
char* PutRows(char* p, const TextPiece& piece, const int32_t (&rows)[kPhraseColumns]) {
    p = PutPiece(p, piece);
    BLATERIX_UNROLL(7)
    for (const int32_t row : rows) {
        std::memcpy(p, kRowTexts[row].bytes, sizeof kRowTexts[row].bytes);
        p += kRowTexts[row].size;
    }
    return p - 1; // no comma after the last row
}

// The loops below are flattened so that the draws, the copies and the pieces
// become one loop body. The shape and the counters are copied in: stores
// through p could otherwise alias them, and they would be read again from
// memory for every sentence.

// Sentences each in a group of its own, nothing between groups: the layouts
// with one sentence per block or line.
template <PhraseForm Form, bool Rows>
BLATERIX_FLATTEN char* WriteSingles(char* p, const char* limit, const TextShape& given,
                                    TextRun& progress) {
    const TextPiece open = given.open, close = given.close, rowsPiece = given.rows;
    int32_t done = progress.done;
    const int32_t count = progress.count;
    for (; done < count && p <= limit; ++done) {
        p = PutPiece(p, open);
        // The draw for a column comes before its fragment, seven in column order.
        int32_t rows[kPhraseColumns];
        RandomRanges(1, kPhraseRows, rows);
        p = PutSentence<Form>(p, rows) - 1; // the pieces say what follows the last fragment
        if constexpr (Rows) {
            p = PutRows(p, rowsPiece, rows);
        }
        p = PutPiece(p, close);
    }
    progress.done = done;
    return p;
}

// Any shape: groups of several sentences, pieces between groups.
template <PhraseForm Form>
BLATERIX_FLATTEN char* WriteGroups(char* p, const char* limit, const TextShape& given,
                                   TextRun& progress) {
    const TextShape shape = given;
    TextRun run = progress;
    while (run.done < run.count && p <= limit) {
        if (run.inGroup == 0) {
            if (run.done > 0) {
                p = PutPiece(p, shape.between);
            }
            p = PutPiece(p, shape.open);
        }
        int32_t rows[kPhraseColumns];
        RandomRanges(1, kPhraseRows, rows);
        p = PutSentence<Form>(p, rows) - 1;
        if (shape.rows.size != 0) {
            p = PutRows(p, shape.rows, rows);
        }
        ++run.done;
        if (++run.inGroup == shape.perGroup || run.done == run.count) {
            run.inGroup = 0;
            p = PutPiece(p, shape.close);
        } else {
            p = PutPiece(p, shape.join);
        }
    }
    progress = run;
    return p;
}

// WriteShaped for Form, which is shape.form: the loop that fits the shape.
template <PhraseForm Form>
char* WriteShapedAs(char* p, const char* limit, const TextShape& shape, TextRun& run) {
    if (shape.perGroup != 1 || shape.between.size != 0) {
        return WriteGroups<Form>(p, limit, shape, run);
    }
    return shape.rows.size != 0 ? WriteSingles<Form, true>(p, limit, shape, run)
                                : WriteSingles<Form, false>(p, limit, shape, run);
}

// How many bytes from its limit on the writer may touch in a form: the two
// pieces before a sentence, its seven slot copies, the rows piece, the rows and
// the piece after it; each piece copy writes 16 bytes, each row 4.
constexpr std::size_t ShapedRoomOf(PhraseForm form) {
    return 2 * sizeof(TextPiece::bytes) + SentenceReach(form) + sizeof(TextPiece::bytes) +
           kPhraseColumns * 3 + 4 + sizeof(TextPiece::bytes);
}

// Resizes out to size bytes, lets write(data, size) fill them from where it
// wants and cuts out to the length that write returns. C++23's
// resize_and_overwrite leaves the new bytes unset; without it, resize sets them
// first, which takes a pass over the memory.
template <class Write> void ResizeAndOverwrite(std::string& out, std::size_t size, Write write) {
#ifdef __cpp_lib_string_resize_and_overwrite
    out.resize_and_overwrite(size, write);
#else
    out.resize(size);
    out.resize(write(out.data(), size));
#endif
}

// Appends count sentences in shape to out, Form being shape.form; nothing for count <= 0.
template <PhraseForm Form>
void AppendShapedAs(std::string& out, const TextShape& shape, int32_t count) {
    if (count <= 0) {
        return;
    }
    constexpr std::size_t room = ShapedRoomOf(Form);
    const std::size_t pieces = shape.open.size + shape.close.size + shape.between.size +
                               shape.join.size + shape.rows.size + kPhraseColumns * 3;
    constexpr std::size_t kSentenceMillis = MeanSentenceMillis(Form);
    const std::size_t meanMillis = kSentenceMillis + pieces * 1000;
    TextRun run{count};
    while (run.done < run.count) {
        // Room for the expected length of what is left plus a little: far
        // beyond the spread of the draws. Should they still run past it, the
        // text grows and the loop goes on.
        const std::size_t size = out.size();
        const std::size_t left = static_cast<std::size_t>(run.count - run.done);
        if (left > (out.max_size() - size) / room) {
            throw std::bad_alloc(); // more than this address space can hold
        }
        const std::size_t expected = left / 1000 * meanMillis + left % 1000 * meanMillis / 1000;
        const std::size_t wanted = size + expected + expected / 100 + 2 * room;
        ResizeAndOverwrite(out, std::max({wanted, size + size / 2, size + room}),
                           [&](char* data, std::size_t capacity) {
                               char* const end = WriteShapedAs<Form>(
                                   data + size, data + capacity - room, shape, run);
                               return static_cast<std::size_t>(end - data);
                           });
    }
}

} // namespace
