#include "phrases/phrases.h"

#include "random/random.h"

#include <algorithm>
#include <cstring>
#include <new>

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

// The process-wide table, empty until FillPhraseTable runs.
std::string_view PhraseTable[kPhraseColumns][kPhraseRows];

// The same fragments with their trailing space, each in a fixed-size slot so
// that a block is put together from whole-slot copies of constant size (the
// bytes after a fragment's length are overwritten by what follows it).
constexpr std::size_t kSlotSize = 80;
struct Slot {
    char bytes[kSlotSize];
    std::size_t length;
};
Slot Slots[kPhraseColumns][kPhraseRows];

constexpr std::string_view kIndent = "   ";
constexpr std::string_view kSeparator = "\r\n\r\n";
// Room that WriteBlock may scribble on past the end of a block.
constexpr std::size_t kOvershoot = kSlotSize;

// How many bytes to copy for a fragment of a column: its longest fragment
// and the space, rounded up to whole 16-byte pieces.
constexpr std::size_t CopySize(int column) {
    std::size_t longest = 0;
    for (const auto& fragment : kFragments[column]) {
        longest = std::max(longest, fragment.size() + 1);
    }
    return (longest + 15) / 16 * 16;
}

template <int Column> char* PutFragment(char* p) {
    static_assert(CopySize(Column) <= kSlotSize, "every fragment and its space fit a slot");
    // The draw for a column comes just before its fragment.
    const Slot& slot = Slots[Column][RandomRange(1, kPhraseRows) - 1];
    std::memcpy(p, slot.bytes, CopySize(Column));
    return p + slot.length;
}

// Writes one block at p and returns its end; needs MaxBlockLength() + kOvershoot bytes.
char* WriteBlock(char* p) {
    static_assert(kPhraseColumns == 7, "one PutFragment per column");
    std::memcpy(p, kIndent.data(), kIndent.size());
    p += kIndent.size();
    p = PutFragment<0>(p);
    p = PutFragment<1>(p);
    p = PutFragment<2>(p);
    p = PutFragment<3>(p);
    p = PutFragment<4>(p);
    p = PutFragment<5>(p);
    p = PutFragment<6>(p);
    std::memcpy(p, kSeparator.data(), kSeparator.size());
    return p + kSeparator.size();
}

std::size_t LongestBlock() {
    std::size_t length = kIndent.size() + kSeparator.size();
    for (const auto& column : kFragments) {
        std::size_t longest = 0;
        for (const auto& fragment : column) {
            longest = std::max(longest, fragment.size());
        }
        length += longest + 1;
    }
    return length;
}

// The expected block length, in 1/1000 bytes, over uniform draws.
std::size_t MeanBlockMillis() {
    std::size_t total = (kIndent.size() + kSeparator.size()) * 1000;
    for (const auto& column : kFragments) {
        for (const auto& fragment : column) {
            total += (fragment.size() + 1) * 1000 / kPhraseRows;
        }
    }
    return total;
}

} // namespace

void FillPhraseTable() {
    for (int column = 0; column < kPhraseColumns; ++column) {
        for (int row = 0; row < kPhraseRows; ++row) {
            const std::string_view fragment = kFragments[column][row];
            PhraseTable[column][row] = fragment;
            Slot& slot = Slots[column][row];
            std::memset(slot.bytes, ' ', kSlotSize);
            std::memcpy(slot.bytes, fragment.data(), fragment.size());
            slot.length = fragment.size() + 1;
        }
    }
}

std::string_view Fragment(int column, int row) {
    if (column < 1 || column > kPhraseColumns || row < 1 || row > kPhraseRows) {
        return {};
    }
    return PhraseTable[column - 1][row - 1];
}

std::string BuildPhrase() {
    std::string sentence;
    sentence.resize_and_overwrite(MaxBlockLength() + kOvershoot, [](char* data, std::size_t) {
        char* end = WriteBlock(data);
        // Keep only the sentence: drop the indent and the separator.
        const std::size_t length =
            static_cast<std::size_t>(end - data) - kIndent.size() - kSeparator.size();
        std::memmove(data, data + kIndent.size(), length);
        return length;
    });
    return sentence;
}

void AppendGeneratedBlocks(std::string& out, int32_t count) {
    if (count <= 0) {
        return;
    }
    const std::size_t block = MaxBlockLength() + kOvershoot;
    int32_t done = 0;
    while (done < count) {
        // Room for the expected length of what is left plus a little: far
        // beyond the spread of the draws. Should they still run past it, the
        // text grows and the loop goes on.
        const std::size_t size = out.size();
        const std::size_t left = static_cast<std::size_t>(count - done);
        if (left > (out.max_size() - size) / block) {
            throw std::bad_alloc(); // more than this address space can hold
        }
        const std::size_t expected =
            left / 1000 * MeanBlockMillis() + left % 1000 * MeanBlockMillis() / 1000;
        const std::size_t room = size + expected + expected / 100 + 2 * block;
        out.resize_and_overwrite(std::max({room, size + size / 2, size + block}),
                                 [&](char* data, std::size_t capacity) {
                                     char* p = data + size;
                                     char* const last = data + capacity - block;
                                     while (done < count && p <= last) {
                                         p = WriteBlock(p);
                                         ++done;
                                     }
                                     return static_cast<std::size_t>(p - data);
                                 });
    }
}

std::size_t MeanBlockLength() { return MeanBlockMillis() / 1000; }

std::size_t MaxBlockLength() {
    static const std::size_t longest = LongestBlock();
    return longest;
}

std::string GenerateText(int32_t count) {
    std::string text;
    AppendGeneratedBlocks(text, count);
    return text;
}
