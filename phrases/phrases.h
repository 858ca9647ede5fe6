// The phrase table (seven columns of ten fragments, Windows-1252 bytes) and the
// composition of sentences and of the generated text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr int kPhraseColumns = 7;
constexpr int kPhraseRows = 10;

// The forms in which the table is kept; all of them come from the one list of fragments.
enum class PhraseForm {
    Cp1252, // the program's own bytes
    Utf8,   // the same text in UTF-8
    Html,   // UTF-8, escaped for the content of an HTML element
    Json,   // UTF-8, escaped for a JSON string
};

// Called first at start-up. Has nothing to do, since the table is built into the program and
// usable from the start; keeping the function and that call is deliberate.
void FillPhraseTable();

// The fragment at (column 1..7, row 1..10); empty outside that range.
std::string_view Fragment(int column, int row);

// The fragment at (column 1..7, row 1..10) in the given form; empty outside that range.
std::string_view FragmentIn(PhraseForm form, int column, int row);

// One sentence: seven fragments in column order, each followed by one space; seven draws.
std::string BuildPhrase();

// count blocks ("   ", a sentence, CR LF CR LF), seven draws each; none for count <= 0;
// throws std::bad_alloc when the text cannot be held.
std::string GenerateText(int32_t count);

// A short text that the writer puts around sentences.
struct TextPiece {
    char bytes[16];
    std::size_t size;
};

// The piece a followed by b; throws std::length_error when that exceeds 16 bytes.
TextPiece MakePiece(std::string_view a, std::string_view b = {});

// How sentences are laid out: in groups of perGroup, each group opened and closed by a piece.
// A sentence's own last space is left out; the pieces say what follows it.
struct TextShape {
    PhraseForm form;
    TextPiece open;    // before the first sentence of a group
    TextPiece join;    // between two sentences of a group
    TextPiece close;   // after the last sentence of a group
    TextPiece between; // between two groups
    TextPiece rows;    // if not empty: after each sentence, followed by its rows as "1,1,9,3,3,7,4"
    int32_t perGroup;  // sentences in a group, 1 or more
};

// The program's own layout: "   ", the sentence with its last space, CR LF CR LF.
TextShape BlockShape();

// How far a writer has come through count sentences.
struct TextRun {
    int32_t count = 0;   // sentences in all
    int32_t done = 0;    // sentences written so far
    int32_t inGroup = 0; // of those, the ones in the group under way
};

// Writes the run's next sentences from p on while p <= limit, seven draws each; returns the end.
char* WriteShaped(char* p, const char* limit, const TextShape& shape, TextRun& run);

// How many bytes from limit on WriteShaped may touch when it writes in shape's form.
std::size_t ShapedRoom(const TextShape& shape);

// Appends count sentences in the given shape to out; throws std::bad_alloc when they cannot be
// held.
void AppendShaped(std::string& out, const TextShape& shape, int32_t count);

// ---------------------------------------------------------------------------------------------
// Test hooks: the program never calls these; each name ends in ForTests.

// The longest block that GenerateText can produce, in bytes.
std::size_t MaxBlockLengthForTests();
