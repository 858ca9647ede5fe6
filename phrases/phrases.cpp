// The program's own entry points, which write Windows-1252 only. The other
// forms' entry points are in forms.cpp, an object of its own that only their
// users pull in: the linker keeps every function of an object it takes, since
// their unwind entries are kept, so the program would otherwise carry their
// tables and loops.
#include "phrases/phrases.h"

#include "phrases/writer.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kIndent = "   ";
constexpr std::string_view kBlockEnd = " \r\n\r\n";

// The longest sentence of a form with its last space.
constexpr std::size_t LongestSentence(PhraseForm form) {
    std::size_t length = 0;
    for (int column = 0; column < kPhraseColumns; ++column) {
        std::size_t longest = 0;
        for (const std::string_view fragment : kFragments[column]) {
            longest = std::max(longest, Encode(nullptr, fragment, form));
        }
        length += longest + 1;
    }
    return length;
}

constexpr std::size_t kLongestBlock =
    kIndent.size() + LongestSentence(PhraseForm::Cp1252) + kBlockEnd.size() - 1;

} // namespace

// The table and its slots are constant data, made when the program is compiled.
void FillPhraseTable() {}

std::string_view Fragment(int column, int row) {
    return ViewAt(kViews<PhraseForm::Cp1252>, column, row);
}

TextPiece MakePiece(std::string_view a, std::string_view b) {
    TextPiece piece{};
    if (a.size() + b.size() > sizeof piece.bytes) {
        throw std::length_error("a text piece holds at most 16 bytes");
    }
    // std::copy, not memcpy: an empty view may have no data at all.
    std::copy(b.begin(), b.end(), std::copy(a.begin(), a.end(), piece.bytes));
    piece.size = a.size() + b.size();
    return piece;
}

TextShape BlockShape() {
    TextShape shape{};
    shape.form = PhraseForm::Cp1252;
    shape.open = MakePiece(kIndent);
    shape.close = MakePiece(kBlockEnd);
    shape.perGroup = 1;
    return shape;
}

std::string BuildPhrase() {
    TextShape shape{};
    shape.form = PhraseForm::Cp1252;
    shape.close = MakePiece(" ");
    shape.perGroup = 1;
    std::string sentence;
    AppendShapedAs<PhraseForm::Cp1252>(sentence, shape, 1);
    return sentence;
}

std::string GenerateText(int32_t count) {
    std::string text;
    AppendShapedAs<PhraseForm::Cp1252>(text, BlockShape(), count);
    return text;
}

// ---------------------------------------------------------------------------------------------
// Test hooks

std::size_t MaxBlockLengthForTests() {
    return kLongestBlock;
}
