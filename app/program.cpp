// Start-up and the program's main routine.
#include "app/app.h"

#include "dialogs/dialogs.h"
#include "phrases/phrases.h"
#include "random/random.h"

namespace {

// 80-bit extended precision, rounding to nearest (ties to even), all
// exceptions masked.
constexpr unsigned short kFpuControlWord = 0x133F;

} // namespace

void SetFpuMode() {
    const unsigned short word = kFpuControlWord;
    __asm__ volatile("fldcw %0" : : "m"(word));
}

void PrepareThread() {
    DlgSetDefaultFont(kDialogFont.face, kDialogFont.points);
}

int32_t ProgramMain() {
    FillPhraseTable();
    RandomSeed(ClockSeconds());
    SetSaveFileName("FrasiGenerate.txt");
    ShowMainWindow(nullptr);
    return 0;
}
