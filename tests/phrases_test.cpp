#include "phrases/phrases.h"
#include "random/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <limits>
#include <string>
#include <vector>

namespace {

class PhrasesTest : public ::testing::Test {
  protected:
    // No FillPhraseTable here: the table must be usable from the start.
    void SetUp() override { RestoreRandomStartStateForTests(); }
    void TearDown() override { RestoreRandomStartStateForTests(); }
};

bool IsLower(unsigned char c) {
    return (c >= 'a' && c <= 'z') || c == 0xE0 || c == 0xF2 || c == 0xF9;
}
bool IsLetter(unsigned char c) {
    return IsLower(c) || (c >= 'A' && c <= 'Z');
}

TEST_F(PhrasesTest, EveryFragmentIsOneCleanLineOfTheCodePage) {
    for (int column = 1; column <= kPhraseColumns; ++column) {
        for (int row = 1; row <= kPhraseRows; ++row) {
            const std::string_view f = Fragment(column, row);
            SCOPED_TRACE(testing::Message() << "(" << column << ", " << row << ") " << f);
            ASSERT_FALSE(f.empty());
            EXPECT_NE(f.front(), ' ');
            EXPECT_NE(f.back(), ' ');
            EXPECT_EQ(f.find("  "), std::string_view::npos);
            for (unsigned char c : f) {
                const bool ascii = c >= 0x20 && c < 0x7F;
                EXPECT_TRUE(ascii || c == 0xE0 || c == 0xF2 || c == 0xF9) << int(c);
            }
            const unsigned char first = f.front(), last = f.back();
            if (column == 1) {
                EXPECT_TRUE(std::isupper(first));
            } else {
                EXPECT_TRUE(IsLower(first));
            }
            if (column <= 3 || (column == 4 && row == 3)) {
                EXPECT_TRUE(IsLetter(last));
            } else if (column <= 6) {
                EXPECT_EQ(last, ',');
            } else {
                EXPECT_EQ(last, '.');
            }
        }
    }
}

TEST_F(PhrasesTest, AccentedLettersAreSingleBytes) {
    const struct {
        int column, row;
        std::string_view text;
    } cases[] = {
        {4, 5,
         "in una visione organica e ricondotta ad unit\xE0"
         ","},
        {4, 7,
         "al di l\xE0"
         " delle contraddizioni e difficolt\xE0"
         " iniziali,"},
        {6, 2,
         "in un'ottica preventiva e non pi\xF9"
         " curativa,"},
        {6, 7,
         "nella misura in cui ci\xF2"
         " sia fattibile,"},
        {7, 3,
         "un indispensabile salto di qualit\xE0"
         "."},
        {7, 4,
         "una congrua flessibilit\xE0"
         " delle strutture."},
        {4, 3, "al di sopra di interessi e pressioni di parte"},
        {1, 1, "L'utenza potenziale"},
        {7, 10, "la demedicalizzazione del linguaggio."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Fragment(c.column, c.row), c.text) << c.column << "," << c.row;
    }
}

TEST_F(PhrasesTest, OutsideTheTableThereIsNothing) {
    for (auto [column, row] : {std::pair{0, 1}, {8, 1}, {1, 0}, {1, 11}, {-1, -1}}) {
        EXPECT_TRUE(Fragment(column, row).empty()) << column << "," << row;
    }
}

TEST_F(PhrasesTest, TwoSentencesFromSeedZero) {
    RandomSeed(0.0);
    const std::string expected =
        "   L'utenza potenziale si caratterizza per la riconversione ed articolazione periferica "
        "dei servizi al di sopra di interessi e pressioni di parte ipotizzando e perseguendo, "
        "nella misura in cui ci\xF2"
        " sia fattibile, una congrua flessibilit\xE0"
        " delle strutture. \r\n\r\n"
        "   Il bisogno emergente riconduce a sintesi la verifica critica degli obbiettivi e "
        "l'individuazione di fini qualificanti nel primario interesse della popolazione, "
        "fattualizzando e concretizzando, nei tempi brevi anzi brevissimi, l'azione di una "
        "metodologia differenziata. \r\n\r\n";
    EXPECT_EQ(GenerateText(2), expected);
}

TEST_F(PhrasesTest, NoSentencesAndNoDrawsForZeroOrLess) {
    for (int32_t count : {0, -1, -5, std::numeric_limits<int32_t>::min()}) {
        EXPECT_EQ(GenerateText(count), "") << count;
        EXPECT_EQ(RandomState(), 0xFFFFFFFFu) << count;
    }
}

// Rebuilds the expected text from the same draws, fragment by fragment.
std::string ExpectedBlocks(double seed, int count) {
    RandomSeed(seed);
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "   ";
        for (int column = 1; column <= kPhraseColumns; ++column) {
            text += Fragment(column, RandomRange(1, 10));
            text += ' ';
        }
        text += "\r\n\r\n";
    }
    return text;
}

TEST_F(PhrasesTest, BlocksFollowTheDrawsInColumnOrder) {
    for (int count : {1, 7, 999}) {
        const std::string expected = ExpectedBlocks(43200.0, count);
        const uint32_t stateAfter = RandomState(); // 7 draws per sentence
        RandomSeed(43200.0);
        const std::string text = GenerateText(count);
        EXPECT_EQ(text, expected) << count;
        EXPECT_EQ(RandomState(), stateAfter) << count;
        EXPECT_EQ(text.substr(text.size() - 6), ". \r\n\r\n");
    }
}

TEST_F(PhrasesTest, SentenceAndBlockShapes) {
    const std::string sentence = BuildPhrase();
    EXPECT_TRUE(std::isupper(static_cast<unsigned char>(sentence.front())));
    EXPECT_EQ(sentence.substr(sentence.size() - 2), ". ");
    EXPECT_EQ(sentence.find('\r'), std::string::npos);

    std::string block;
    AppendShaped(block, BlockShape(), 1);
    EXPECT_EQ(block.substr(0, 3), "   ");
    EXPECT_NE(block[3], ' ');
    EXPECT_EQ(block.substr(block.size() - 4), "\r\n\r\n");
    EXPECT_LE(block.size(), MaxBlockLengthForTests());
}

TEST_F(PhrasesTest, AppendingKeepsWhatIsThere) {
    RandomSeed(0.0);
    const std::string two = GenerateText(2);
    RandomSeed(0.0);
    std::string text = "kept";
    AppendShaped(text, BlockShape(), 1);
    AppendShaped(text, BlockShape(), 0);
    AppendShaped(text, BlockShape(), -3);
    AppendShaped(text, BlockShape(), 1);
    EXPECT_EQ(text, "kept" + two);
}

TEST_F(PhrasesTest, SuccessiveCallsContinueTheSequence) {
    RandomSeed(0.0);
    const std::string first = GenerateText(1);
    const std::string second = GenerateText(1);
    EXPECT_NE(first, second);
    RandomSeed(0.0);
    EXPECT_EQ(GenerateText(2), first + second);
}

// The UTF-8 form of the three accented letters that the table uses.
std::string AccentsToUtf8(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (static_cast<unsigned char>(c)) {
        case 0xE0:
            out += "\xC3\xA0";
            break;
        case 0xF2:
            out += "\xC3\xB2";
            break;
        case 0xF9:
            out += "\xC3\xB9";
            break;
        default:
            out += c;
        }
    }
    return out;
}

TEST_F(PhrasesTest, EveryFormComesFromTheSameFragments) {
    for (int column = 1; column <= kPhraseColumns; ++column) {
        for (int row = 1; row <= kPhraseRows; ++row) {
            SCOPED_TRACE(testing::Message() << "(" << column << ", " << row << ")");
            const std::string utf8 = AccentsToUtf8(Fragment(column, row));
            EXPECT_EQ(FragmentIn(PhraseForm::Cp1252, column, row), Fragment(column, row));
            EXPECT_EQ(FragmentIn(PhraseForm::Utf8, column, row), utf8);
            // No fragment holds a character that HTML or JSON would escape.
            EXPECT_EQ(FragmentIn(PhraseForm::Html, column, row), utf8);
            EXPECT_EQ(FragmentIn(PhraseForm::Json, column, row), utf8);
        }
    }
    EXPECT_TRUE(FragmentIn(PhraseForm::Utf8, 8, 1).empty());
}

struct Drawn {
    std::vector<int32_t> rows;          // seven per sentence
    std::vector<std::string> sentences; // without their last space
};

Drawn DrawSentences(double seed, int count, PhraseForm form) {
    RandomSeed(seed);
    Drawn drawn;
    for (int i = 0; i < count; ++i) {
        std::string sentence;
        for (int column = 1; column <= kPhraseColumns; ++column) {
            const int32_t row = RandomRange(1, 10);
            drawn.rows.push_back(row);
            sentence += FragmentIn(form, column, row);
            sentence += ' ';
        }
        sentence.pop_back();
        drawn.sentences.push_back(sentence);
    }
    return drawn;
}

TextShape Shape(PhraseForm form, std::string_view open, std::string_view join,
                std::string_view close, std::string_view between, int32_t perGroup,
                std::string_view rows = {}) {
    return {form,
            MakePiece(open),
            MakePiece(join),
            MakePiece(close),
            MakePiece(between),
            MakePiece(rows),
            perGroup};
}

TEST_F(PhrasesTest, ShapesLayOutTheSameSentences) {
    const Drawn d = DrawSentences(0.0, 7, PhraseForm::Utf8);
    const auto& s = d.sentences;
    std::string rows1 = "1,1,9,3,3,7,4", rows2 = "2,4,5,1,5,1,9";
    const struct {
        const char* name;
        TextShape shape;
        int32_t count;
        std::string expected;
    } cases[] = {
        {"one per line", Shape(PhraseForm::Utf8, "", "", "\n", "", 1), 3,
         s[0] + "\n" + s[1] + "\n" + s[2] + "\n"},
        {"groups of three, the last one short", Shape(PhraseForm::Utf8, "", " ", "\n", "\n", 3), 7,
         s[0] + " " + s[1] + " " + s[2] + "\n\n" + s[3] + " " + s[4] + " " + s[5] + "\n\n" + s[6] +
             "\n"},
        {"one whole group", Shape(PhraseForm::Utf8, "<p>", " ", "</p>\n", "", 5), 2,
         "<p>" + s[0] + " " + s[1] + "</p>\n"},
        {"rows after each sentence",
         Shape(PhraseForm::Utf8, "{\"text\": \"", "", "]}\n", "", 1, "\", \"rows\": ["), 2,
         "{\"text\": \"" + s[0] + "\", \"rows\": [" + rows1 + "]}\n{\"text\": \"" + s[1] +
             "\", \"rows\": [" + rows2 + "]}\n"},
        {"none", Shape(PhraseForm::Utf8, "<p>", " ", "</p>\n", "", 5), 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RandomSeed(0.0);
        std::string text = "kept";
        AppendShaped(text, c.shape, c.count);
        EXPECT_EQ(text, "kept" + c.expected);
        // Seven draws per sentence, whatever the shape.
        RandomSeed(0.0);
        for (int i = 0; i < 7 * c.count; ++i) {
            RandomRange(1, 10);
        }
        const uint32_t after = RandomState();
        RandomSeed(0.0);
        AppendShaped(text, c.shape, c.count);
        EXPECT_EQ(RandomState(), after);
    }
}

TEST_F(PhrasesTest, RowsOfTenAreWrittenInFull) {
    const Drawn d = DrawSentences(43200.0, 40, PhraseForm::Json);
    const TextShape shape = Shape(PhraseForm::Json, "", "", ";", "", 1, "|");
    RandomSeed(43200.0);
    std::string text;
    AppendShaped(text, shape, 40);
    std::string expected;
    bool sawTen = false;
    for (std::size_t i = 0; i < d.sentences.size(); ++i) {
        expected += d.sentences[i] + "|";
        for (std::size_t k = 0; k < kPhraseColumns; ++k) {
            const int32_t row = d.rows[i * kPhraseColumns + k];
            sawTen = sawTen || row == 10;
            expected += std::to_string(row) + (k + 1 < kPhraseColumns ? "," : ";");
        }
    }
    EXPECT_TRUE(sawTen);
    EXPECT_EQ(text, expected);
}

TEST_F(PhrasesTest, WritingInSmallStepsGivesTheSameBytes) {
    // Every form, and every kind of piece: groups, pieces between them, rows.
    const TextShape shapes[] = {
        Shape(PhraseForm::Cp1252, "", " ", "\r\n", "\r\n", 4),
        Shape(PhraseForm::Utf8, "   ", "", " \n\n", "", 1),
        Shape(PhraseForm::Html, "<p>", " ", "</p>\n", "\n", 3),
        Shape(PhraseForm::Json, "{\"text\": \"", "", "]}\n", "", 1, "\", \"rows\": ["),
    };
    constexpr char kUntouched = '\x7F';
    for (const TextShape& shape : shapes) {
        SCOPED_TRACE(testing::Message() << "form " << static_cast<int>(shape.form));
        RandomSeed(1.0);
        std::string whole;
        AppendShaped(whole, shape, 50);

        // A limit at the start lets exactly one sentence through per call, and
        // the call touches no byte beyond ShapedRoom from there.
        RandomSeed(1.0);
        const std::size_t room = ShapedRoom(shape);
        std::vector<char> buffer(whole.size() + room);
        char* const end = buffer.data() + buffer.size();
        TextRun run{50};
        char* p = buffer.data();
        int calls = 0;
        while (run.done < run.count) {
            char* const limit = p;
            std::fill(limit, end, kUntouched);
            p = WriteShaped(p, limit, shape, run);
            ++calls;
            ASSERT_EQ(std::count(limit + room, end, kUntouched), end - (limit + room)) << calls;
        }
        EXPECT_EQ(calls, 50);
        EXPECT_EQ(std::string(buffer.data(), p), whole);
    }
}

TEST_F(PhrasesTest, PiecesHoldSixteenBytes) {
    EXPECT_EQ(MakePiece("0123456789", "abcdef").size, 16u);
    EXPECT_THROW(MakePiece("0123456789", "abcdefg"), std::length_error);
}

} // namespace
