// The entry points that take a form (UTF-8, HTML, JSON besides the program's
// own Windows-1252), for blaterix-cli. They live in an object of their own so
// that the program, which calls none of them, does not carry these forms'
// tables and loops (see phrases.cpp).
#include "phrases/phrases.h"

#include "phrases/writer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Returns use<Form>() for the given form: the one place where a form chooses
// its table and writer. A value outside the enumeration gets the program's own
// form. The calls stay direct, so that they can be inlined.
template <class Use> auto InForm(PhraseForm form, Use use) {
    switch (form) {
    case PhraseForm::Cp1252:
        break;
    case PhraseForm::Utf8:
        return use.template operator()<PhraseForm::Utf8>();
    case PhraseForm::Html:
        return use.template operator()<PhraseForm::Html>();
    case PhraseForm::Json:
        return use.template operator()<PhraseForm::Json>();
    }
    return use.template operator()<PhraseForm::Cp1252>();
}

} // namespace

std::string_view FragmentIn(PhraseForm form, int column, int row) {
    return InForm(form, [&]<PhraseForm Form>() { return ViewAt(kViews<Form>, column, row); });
}

char* WriteShaped(char* p, const char* limit, const TextShape& shape, TextRun& run) {
    return InForm(shape.form,
                  [&]<PhraseForm Form>() { return WriteShapedAs<Form>(p, limit, shape, run); });
}

std::size_t ShapedRoom(const TextShape& shape) {
    return InForm(shape.form, []<PhraseForm Form>() { return ShapedRoomOf(Form); });
}

void AppendShaped(std::string& out, const TextShape& shape, int32_t count) {
    InForm(shape.form, [&]<PhraseForm Form>() { AppendShapedAs<Form>(out, shape, count); });
}
