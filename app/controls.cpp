// What the main window and the About window both build with: their controls from a
// description, the focus across activation, and which notifications run a button's command.
#include "app/app.h"

#include "dialogs/dialogs.h"

void AddControls(HWND dialog, std::span<const ControlSpec> controls) {
    for (const ControlSpec& c : controls) {
        DlgAddControl(c.kind, dialog, c.id, c.text, {}, c.x, c.y, c.width, c.height, c.style,
                      c.exStyle);
    }
}

void KeepFocusAcrossActivation(HWND& saved, WPARAM active) {
    if (active == 0) {
        saved = GetFocus();
    } else if (saved != nullptr) {
        SetFocus(saved);
        saved = nullptr;
    }
}

bool IsButtonNotification(WPARAM wParam) {
    const WORD code = HIWORD(wParam);
    return code == 0 || code == 1;
}
