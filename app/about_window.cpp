// The About window: how the sentences are made.
#include "app/app.h"

#include "dialogs/dialogs.h"

namespace {

// The control that had the focus when an About window last lost activation.
HWND AboutFocusSaved = nullptr;

constexpr const char* kAboutTexts[] = {
    "   Il \"politico-burocratico-sindacalese\" corrente, con abuso dei vari \"in questo "
    "contesto; nella misura in cui; eccetera\" ha suggerito al prof. Vacuini dell'universit\xE0"
    " di Pisa il progetto di una tabella per uso e consumo del bla, bla, bla.",
    "   Essa permette di costruire ben sette milioni di frasi che dicono tutto e niente.",
    "   Baster\xE0"
    " combinare a caso uno dei dieci soggetti della prima colonna facendolo seguire da uno dei "
    "dieci predicati della seconda, quindi nell'ordine un periodo qualsiasi  di ognuna delle "
    "colonne successive.",
    "   Si otterr\xE0"
    " sempre una frase di senso compiuto ma assolutamente priva di contenuti.",
    "   Questo programma permette di generare automaticamente tali frasi usando questo schema.",
};

} // namespace

int32_t ShowAboutWindow(HWND owner) {
    HWND dialog = DlgCreate(kDlgUnits, owner, kAboutCaption, 151, 99, 218, 195, 0, 0);
    if (dialog == nullptr) {
        return 0;
    }
    const ControlSpec controls[] = {
        {kLabel, kAboutText1, kAboutTexts[0], 3, 18, 210, 36},
        {kLabel, kAboutText1 + 1, kAboutTexts[1], 3, 56, 205, 16},
        {kLabel, kAboutText1 + 2, kAboutTexts[2], 3, 76, 210, 36},
        {kLabel, kAboutText1 + 3, kAboutTexts[3], 3, 116, 210, 20},
        {kLabel, kAboutText5, kAboutTexts[4], 3, 139, 210, 20},
        {kPushButton, kAboutOkButton, "OK", 90, 168, 35, 12},
        {kLabel, kAboutCredit, "\xA9 Blaterix", 85, 184, 45, 8},
    };
    AddControls(dialog, controls);
    int32_t result = 0;
    DlgRunModal(dialog, AboutCallback, &result);
    return result;
}

LRESULT AboutCallback(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_NCACTIVATE:
        KeepFocusAcrossActivation(AboutFocusSaved, wParam);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == kAboutOkButton && IsButtonNotification(wParam)) {
            DlgEnd(dialog, 0);
        }
        break;
    }
    return 0;
}
