#include "phrases/phrases.h"
#include "random/random.h"

#include <gtest/gtest.h>

#include <cctype>
#include <limits>
#include <string>

namespace {

class PhrasesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FillPhraseTable();
        RandomRestoreStartState();
    }
    void TearDown() override { RandomRestoreStartState(); }
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
    RandomSeed(0.0L);
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
std::string ExpectedBlocks(long double seed, int count) {
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
        const std::string expected = ExpectedBlocks(43200.0L, count);
        const uint32_t stateAfter = RandomState(); // 7 draws per sentence
        RandomSeed(43200.0L);
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
    AppendGeneratedBlocks(block, 1);
    EXPECT_EQ(block.substr(0, 3), "   ");
    EXPECT_NE(block[3], ' ');
    EXPECT_EQ(block.substr(block.size() - 4), "\r\n\r\n");
    EXPECT_LE(block.size(), MaxBlockLength());
}

TEST_F(PhrasesTest, AppendingKeepsWhatIsThere) {
    RandomSeed(0.0L);
    const std::string two = GenerateText(2);
    RandomSeed(0.0L);
    std::string text = "kept";
    AppendGeneratedBlocks(text, 1);
    AppendGeneratedBlocks(text, 0);
    AppendGeneratedBlocks(text, -3);
    AppendGeneratedBlocks(text, 1);
    EXPECT_EQ(text, "kept" + two);
}

TEST_F(PhrasesTest, SuccessiveCallsContinueTheSequence) {
    RandomSeed(0.0L);
    const std::string first = GenerateText(1);
    const std::string second = GenerateText(1);
    EXPECT_NE(first, second);
    RandomSeed(0.0L);
    EXPECT_EQ(GenerateText(2), first + second);
}

} // namespace
