// The main window: count box, "Genera", "Salva", "About" and the output box.
#include "app/app.h"

#include "dialogs/dialogs.h"
#include "phrases/phrases.h"
#include "scoped/scoped.h"
#include "text/text.h"

namespace {

// The control that had the focus when the main window last lost activation.
HWND MainFocusSaved = nullptr;

// A sizeable top-level window with a title bar, its system menu and both size boxes.
constexpr uint32_t kMainStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU |
                                WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_MODALFRAME |
                                DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;
static_assert(kMainStyle == 0x94CF00D4u);
constexpr uint32_t kMainExStyle = WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE;
static_assert(kMainExStyle == 0x00010100u);

// The count box: digits only, its text right-aligned and scrolling sideways.
constexpr uint32_t kCountBoxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL;
static_assert(kCountBoxStyle == 0x50012080u);
constexpr uint32_t kCountBoxExStyle = WS_EX_RIGHT | WS_EX_CLIENTEDGE;
static_assert(kCountBoxExStyle == 0x00001200u);

// The output box: many lines, Enter starts a new one, a vertical scroll bar.
constexpr uint32_t kOutputBoxStyle =
    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_WANTRETURN | ES_MULTILINE;
static_assert(kOutputBoxStyle == 0x50211004u);
constexpr uint32_t kOutputBoxExStyle = WS_EX_CLIENTEDGE;
static_assert(kOutputBoxExStyle == 0x00000200u);

// The screen's dots per inch, vertically.
int ScreenDpiY() {
    const ScopedGetDC screen;
    return GetDeviceCaps(screen, LOGPIXELSY);
}

// The dialog font in bold, for the heading, the count box and the output box.
ScopedFont CreateDialogFont() {
    LOGFONTA description{};
    description.lfHeight = -(kDialogFont.points * ScreenDpiY()) / 72;
    description.lfWeight = FW_BOLD;
    description.lfCharSet = ANSI_CHARSET;
    lstrcpynA(description.lfFaceName, kDialogFont.face, LF_FACESIZE);
    return ScopedFont(CreateFontIndirectA(&description));
}

void FollowWindowSize(HWND dialog) {
    const DlgSize client = DlgGetClientSize(dialog, DlgSelf);
    DlgSetSize(dialog, kOutputBox, client.width - 2, client.height - 44);
}

} // namespace

int32_t ShowMainWindow(HWND owner) {
    HWND dialog =
        DlgCreate(kDlgUnits, owner, kMainCaption, 207, 101, 301, 269, kMainStyle, kMainExStyle);
    if (dialog == nullptr) {
        return 0;
    }
    const ControlSpec controls[] = {
        {kLabel, kHeadingLabel, "Blaterix che dicono tutto e niente ....", 0, 4, 265, 12, 0, 0},
        {kPushButton, kAboutButton, "About", 270, 4, 30, 12, 0, 0},
        {kLabel, kCountLabel, "Numero di frasi da generare :", 0, 21, 95, 8, 0, 0},
        {kTextBox, kCountBox, "10", 100, 20, 35, 11, kCountBoxStyle, kCountBoxExStyle},
        {kPushButton, kGenerateButton, "Genera", 140, 20, 40, 12, 0, 0},
        {kPushButton, kSaveButton, "Salva", 270, 20, 30, 12, 0, 0},
        {kTextBox, kOutputBox, "", 0, 40, 300, 226, kOutputBoxStyle, kOutputBoxExStyle},
    };
    AddControls(dialog, controls);

    // Deleted when ShowMainWindow returns, after the modal run: the controls use it until then.
    const ScopedFont dialogFont = CreateDialogFont();
    for (int32_t id : {kHeadingLabel, kCountBox, kOutputBox}) {
        DlgSendMessage(DlgItemHandle(dialog, id), WM_SETFONT,
                       reinterpret_cast<WPARAM>(dialogFont.Get()), 0);
    }
    DlgSendMessage(DlgItemHandle(dialog, kCountBox), EM_LIMITTEXT, kCountBoxDigits, 0);

    int32_t result = 0;
    DlgRunModal(dialog, MainCallback, &result);
    return result;
}

LRESULT MainCallback(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    try {
        switch (message) {
        case WM_NCACTIVATE:
            KeepFocusAcrossActivation(MainFocusSaved, wParam);
            break;
        case WM_SIZE:
            FollowWindowSize(dialog);
            break;
        case WM_COMMAND:
            if (!IsButtonNotification(wParam)) {
                break;
            }
            switch (LOWORD(wParam)) {
            case kAboutButton:
                ShowAboutWindow(dialog);
                break;
            case kGenerateButton:
                GenerateCommand(dialog);
                break;
            case kSaveButton:
                SaveCommand(dialog);
                break;
            }
            break;
        }
    } catch (...) {
        // A command that could not finish (the text of "Genera" did not fit in memory, say)
        // did nothing; the beep tells the user so.
        MessageBeep(MB_ICONWARNING);
    }
    return 0;
}

void GenerateCommand(HWND dialog) {
    const std::string countText = DlgGetText(DlgItemHandle(dialog, kCountBox));
    const int32_t count = RoundToWhole(ParseNumber(countText));
    if (count > kMaxGeneratedCount) {
        // Far more than the box can show: leave it as it is and say so.
        MessageBeep(MB_ICONWARNING);
        return;
    }
    // Thousands of sentences keep the box busy for seconds: show that the
    // program is at work. Should the text not fit in memory, the cursor comes
    // back, MainCallback's handler beeps and the box stays as it was.
    const ScopedWaitCursor wait(count > kMaxTypedCount);
    DlgSetText(DlgItemHandle(dialog, kOutputBox), GenerateText(count));
}
