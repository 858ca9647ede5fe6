#include "dialogs/dialogs.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <new>

namespace {

// ---------------------------------------------------------------------------------------------
// Records

// Record flags.
constexpr uint32_t kFlagUnits = 0x1;  // sizes in dialog units
constexpr uint32_t kFlagPixels = 0x2; // sizes in pixels
constexpr uint32_t kFlagUnitMask = 0x7;
constexpr uint32_t kFlagControl = 0x2000;
constexpr uint32_t kFlagDialog = 0x4000;

// One dialog or control that the engine created.
struct DlgRecord {
    DlgRecord* next;
    HWND window;
    HWND parent; // the owner given to DlgCreate, or a control's dialog
    uint32_t flags;
    int32_t showCommand;
    HFONT font;
    DialogCallback callback; // a control's ControlCallback has the same shape
    int32_t* result;
    ControlKind kind;
};

// All records, newest first. The busy word is a spin flag taken around each walk or change of
// the list only: never across a platform call or a callback. The one GUI thread never finds it
// taken; it is there so that the list stays sound whichever threads run dialogs.
struct DlgRecordList {
    DlgRecord* head;
    std::atomic<int32_t> busy;
};

DlgRecordList g_records{nullptr, 0};

void TakeList() {
    while (g_records.busy.exchange(-1, std::memory_order_acquire) != 0) {
    }
}

void ReleaseList() {
    g_records.busy.store(0, std::memory_order_release);
}

DlgRecord* FindLocked(HWND window) {
    for (DlgRecord* r = g_records.head; r != nullptr; r = r->next) {
        if (r->window == window) {
            return r;
        }
    }
    return nullptr;
}

// Copies the record of window into out; false when the window has none.
bool ReadRecord(HWND window, DlgRecord& out) {
    TakeList();
    const DlgRecord* r = FindLocked(window);
    if (r != nullptr) {
        out = *r;
    }
    ReleaseList();
    return r != nullptr;
}

// Links a new record at the head; false (and nothing linked) when its window already has one.
bool LinkRecord(DlgRecord* record) {
    TakeList();
    const bool taken = FindLocked(record->window) != nullptr;
    if (!taken) {
        record->next = g_records.head;
        g_records.head = record;
    }
    ReleaseList();
    return !taken;
}

// The window of the first control record whose parent is window, or 0.
HWND FirstControlOf(HWND window) {
    HWND found = nullptr;
    TakeList();
    for (const DlgRecord* r = g_records.head; r != nullptr; r = r->next) {
        if ((r->flags & kFlagControl) != 0 && r->parent == window) {
            found = r->window;
            break;
        }
    }
    ReleaseList();
    return found;
}

DlgRecord* UnlinkRecord(HWND window) {
    TakeList();
    DlgRecord* found = nullptr;
    for (DlgRecord** link = &g_records.head; *link != nullptr; link = &(*link)->next) {
        if ((*link)->window == window) {
            found = *link;
            *link = found->next;
            break;
        }
    }
    ReleaseList();
    return found;
}

// Deletes the records of window: first those of its controls, then its own. Brushes, images
// and drawing surfaces are never made, so the storage is all that a record owns.
void DeleteRecords(HWND window) {
    for (HWND control = FirstControlOf(window); control != nullptr;
         control = FirstControlOf(window)) {
        DeleteRecords(control);
    }
    delete UnlinkRecord(window);
}

// Stores the callback and the result address in a dialog's record; false if it has none.
bool TakeOverDialog(HWND dialog, DialogCallback callback, int32_t* result, int32_t& showCommand) {
    TakeList();
    DlgRecord* r = FindLocked(dialog);
    const bool ok = r != nullptr && (r->flags & kFlagControl) == 0;
    if (ok) {
        r->callback = callback;
        r->result = result;
        showCommand = r->showCommand;
    }
    ReleaseList();
    return ok;
}

bool InDialogUnits(const DlgRecord& r) {
    return (r.flags & kFlagPixels) == 0;
}

// ---------------------------------------------------------------------------------------------
// Default dialog font: a process-wide start-up setting and a copy of it per thread.

const DWORD g_startupThread = GetCurrentThreadId();
SRWLOCK g_startupFontLock = SRWLOCK_INIT;
DefaultDialogFont g_startupFont = kDialogFont;

DefaultDialogFont StartupFont() {
    AcquireSRWLockShared(&g_startupFontLock);
    const DefaultDialogFont copy = g_startupFont;
    ReleaseSRWLockShared(&g_startupFontLock);
    return copy;
}

thread_local DefaultDialogFont t_font = StartupFont();

// ---------------------------------------------------------------------------------------------
// Control kinds

struct KindInfo {
    const char* className;
    uint32_t defaultStyle;
    uint32_t alwaysSet;
    uint32_t alwaysCleared;
};

// Every control is a visible child of its dialog, whatever style the caller gives.
constexpr uint32_t kChildStyle = WS_CHILD | WS_VISIBLE;

// A button style bit that has no name of its own; group frames clear it.
constexpr uint32_t kUnnamedButtonBit = 0x10;

// What the check, option and group buttons always clear: every other button type (the low four
// bits then hold the kind's own), icons and bitmaps, and the styles of a top-level window.
constexpr uint32_t ButtonCleared(uint32_t type) {
    return WS_POPUP | WS_MINIMIZE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_MAXIMIZE | WS_BORDER |
           WS_DLGFRAME | WS_VSCROLL | WS_HSCROLL | WS_SYSMENU | WS_THICKFRAME | BS_ICON |
           BS_BITMAP | (BS_TYPEMASK & ~type);
}

// By kind number: the class, the default style, the bits always set and those always cleared.
constexpr KindInfo kKinds[17] = {
    // 0 custom control: class and styles exactly as the caller gives them
    {nullptr, 0, 0, 0},
    // 1 push button
    {"BUTTON", kChildStyle | WS_TABSTOP | BS_PUSHBUTTON, kChildStyle, 0},
    // 2 three-state check box
    {"BUTTON", kChildStyle | WS_TABSTOP | BS_AUTO3STATE, kChildStyle | BS_AUTO3STATE,
     ButtonCleared(BS_AUTO3STATE)},
    // 3 check box
    {"BUTTON", kChildStyle | WS_TABSTOP | BS_AUTOCHECKBOX, kChildStyle | BS_AUTOCHECKBOX,
     ButtonCleared(BS_AUTOCHECKBOX)},
    // 4 group frame: never a tab stop, and none of the push-like looks
    {"BUTTON", kChildStyle | BS_GROUPBOX, kChildStyle | BS_GROUPBOX,
     ButtonCleared(BS_GROUPBOX) | WS_GROUP | WS_TABSTOP | BS_FLAT | BS_NOTIFY | BS_PUSHLIKE |
         BS_LEFTTEXT | kUnnamedButtonBit},
    // 5 label
    {"STATIC", kChildStyle | SS_LEFT, kChildStyle, 0},
    // 6 etched line
    {"STATIC", kChildStyle | SS_ETCHEDFRAME, kChildStyle, 0},
    // 7 option button
    {"BUTTON", kChildStyle | WS_TABSTOP | BS_AUTORADIOBUTTON, kChildStyle | BS_AUTORADIOBUTTON,
     ButtonCleared(BS_AUTORADIOBUTTON)},
    // 8 scroll bar
    {"SCROLLBAR", kChildStyle | SBS_HORZ, kChildStyle, 0},
    // 9 text box
    {"EDIT", kChildStyle | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kChildStyle, 0},
    // 10 image, 11 fitted image
    {"STATIC", kChildStyle | SS_BITMAP, kChildStyle | SS_BITMAP, 0},
    {"STATIC", kChildStyle | SS_BITMAP, kChildStyle | SS_BITMAP, 0},
    // 12 image button, 13 fitted image button
    {"BUTTON", kChildStyle | WS_TABSTOP | BS_BITMAP, kChildStyle | BS_BITMAP, 0},
    {"BUTTON", kChildStyle | WS_TABSTOP | BS_BITMAP, kChildStyle | BS_BITMAP, 0},
    // 14 graphic
    {"STATIC", kChildStyle | SS_OWNERDRAW, kChildStyle | SS_OWNERDRAW, 0},
    // 15 combo box
    {"COMBOBOX", kChildStyle | WS_TABSTOP | CBS_DROPDOWN | CBS_SORT, kChildStyle, 0},
    // 16 list box
    {"LISTBOX", kChildStyle | WS_VSCROLL | WS_BORDER | WS_TABSTOP | LBS_NOTIFY | LBS_SORT,
     kChildStyle | LBS_NOTIFY, 0},
};

// ---------------------------------------------------------------------------------------------
// Helpers

// The style of a dialog created with style 0: a popup with a title bar and a modal frame.
constexpr uint32_t kDefaultDialogStyle =
    WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;
static_assert(kDefaultDialogStyle == 0x80C000D4);
// Every dialog gets these: the template carries a font, creation goes on when a control fails.
constexpr uint32_t kAlwaysSetDialogStyle = DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;
static_assert(kAlwaysSetDialogStyle == 0x54);
// No dialog gets these: it stays hidden until DlgRunModal, and is never system-modal.
constexpr uint32_t kNeverDialogStyle = WS_VISIBLE | DS_SYSMODAL;
static_assert(kNeverDialogStyle == 0x10000002);
constexpr int32_t kKeepPosition = 0x8000;

HINSTANCE ModuleInstance() {
    return GetModuleHandleA(nullptr);
}

// Writes bytes as 16-bit characters of the same value, up to limit or a NUL byte, plus a NUL.
size_t PutWide(WORD* out, const char* bytes, size_t length, size_t limit) {
    size_t n = 0;
    while (n < length && n < limit && bytes[n] != '\0') {
        out[n] = static_cast<unsigned char>(bytes[n]);
        ++n;
    }
    out[n] = 0;
    return n + 1;
}

// A callback call that lets nothing escape into the platform; an exception counts as 0.
LRESULT CallSafely(DialogCallback callback, HWND dialog, UINT message, WPARAM wParam,
                   LPARAM lParam) noexcept {
    try {
        return callback(dialog, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

HWND FindTarget(HWND dialog, int32_t id) {
    return id == DlgSelf ? dialog : GetDlgItem(dialog, id);
}

LONG WrappingSum(int32_t a, int32_t b) {
    return static_cast<LONG>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// pixels x 1024 / extent, to the nearest whole number with halves up, except that a negative
// quotient with a remainder is rounded down; 0 if extent <= 0.
int32_t PixelsToUnits(int32_t pixels, int32_t extent) {
    if (extent <= 0) {
        return 0;
    }
    const int64_t n = static_cast<int64_t>(pixels) * 1024;
    int64_t q = n / extent;
    const int64_t rest = n % extent;
    if (rest < 0) {
        --q; // a negative quotient with a remainder goes down
    } else if (n >= 0 && 2 * rest >= extent) {
        ++q; // halves up
    }
    return static_cast<int32_t>(q);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Default font

void DlgSetDefaultFont(const std::string& face, int32_t points) {
    DefaultDialogFont font{};
    const size_t length = std::min(std::strlen(face.c_str()), kMaxFace);
    std::memcpy(font.face, face.data(), length);
    font.points = points;
    t_font = font;
    if (GetCurrentThreadId() == g_startupThread) {
        AcquireSRWLockExclusive(&g_startupFontLock);
        g_startupFont = font;
        ReleaseSRWLockExclusive(&g_startupFontLock);
    }
}

DefaultDialogFont DlgGetDefaultFont() {
    return t_font;
}

// ---------------------------------------------------------------------------------------------
// Creation

namespace {

// The template that DlgCreate hands to the platform.
DlgTemplate BuildTemplate(const std::string& caption, int32_t x, int32_t y, int32_t width,
                          int32_t height, uint32_t style, uint32_t exStyle,
                          const DefaultDialogFont& font) {
    uint32_t effective = style == 0 ? kDefaultDialogStyle : style;
    effective = (effective | kAlwaysSetDialogStyle) & ~kNeverDialogStyle;
    if (x == -1 || y == -1) {
        effective |= DS_CENTER;
    }

    DlgTemplate t{};
    WORD* words = t.words;
    size_t at = 0;
    words[at++] = LOWORD(effective);
    words[at++] = HIWORD(effective);
    words[at++] = LOWORD(exStyle);
    words[at++] = HIWORD(exStyle);
    words[at++] = 0; // no items: controls are added one by one
    words[at++] = static_cast<WORD>(x);
    words[at++] = static_cast<WORD>(y);
    words[at++] = static_cast<WORD>(width);
    words[at++] = static_cast<WORD>(height);
    words[at++] = 0; // no menu
    words[at++] = 0; // the predefined dialog class
    // The title ends at a NUL byte: what followed it would be read as the font.
    if (caption.empty() || caption[0] == '\0') {
        at += PutWide(words + at, " ", 1, kMaxCaption);
    } else {
        at += PutWide(words + at, caption.data(), caption.size(), kMaxCaption);
    }
    words[at++] = static_cast<WORD>(font.points);
    at += PutWide(words + at, font.face, strnlen(font.face, sizeof font.face), kMaxFace);
    t.size = at;
    return t;
}

} // namespace

HWND DlgCreate(uint32_t unitMode, HWND parent, std::string caption, int32_t x, int32_t y,
               int32_t width, int32_t height, uint32_t style, uint32_t exStyle) {
    const bool pixels = (unitMode & kFlagPixels) != 0;
    const DlgTemplate t = BuildTemplate(caption, x, y, width, height, style, exStyle, t_font);

    HWND dialog = CreateDialogIndirectParamA(
        ModuleInstance(), reinterpret_cast<LPCDLGTEMPLATEA>(t.words), parent, DlgProcedure, 0);
    if (dialog == nullptr) {
        return nullptr;
    }

    if (pixels) {
        RECT window{};
        RECT client{};
        GetWindowRect(dialog, &window);
        GetClientRect(dialog, &client);
        const int32_t outerWidth = WrappingSum(width, (window.right - window.left) - client.right);
        const int32_t outerHeight =
            WrappingSum(height, (window.bottom - window.top) - client.bottom);
        UINT flags = SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOCOPYBITS |
                     SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
        if (x == kKeepPosition || y == kKeepPosition) {
            flags |= SWP_NOMOVE;
        } else if (x == -1 || y == -1) {
            RECT work{};
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
            x = (work.left + work.right - outerWidth) / 2;
            y = (work.top + work.bottom - outerHeight) / 2;
        }
        SetWindowPos(dialog, nullptr, x, y, outerWidth, outerHeight, flags);
    }

    DlgRecord* record = new (std::nothrow) DlgRecord{};
    if (record == nullptr) {
        return nullptr;
    }
    record->window = dialog;
    record->parent = parent;
    record->flags = kFlagDialog | (pixels ? kFlagPixels : kFlagUnits);
    record->kind = kCustomControl;
    if ((style & WS_MAXIMIZE) != 0) {
        record->showCommand = SW_MAXIMIZE;
    } else if ((style & WS_MINIMIZE) != 0) {
        record->showCommand = SW_MINIMIZE;
    } else {
        record->showCommand = SW_SHOW;
    }
    record->font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (!LinkRecord(record)) {
        delete record;
        return nullptr;
    }
    return dialog;
}

HWND DlgAddControl(ControlKind kind, HWND dialog, int32_t id, std::string text,
                   std::span<const std::string> items, int32_t x, int32_t y, int32_t width,
                   int32_t height, uint32_t style, uint32_t exStyle, ControlCallback callback,
                   const std::string& className) {
    if (kind < kCustomControl || kind > kListBox) {
        return nullptr;
    }
    DlgRecord owner{};
    if (!ReadRecord(dialog, owner) || (owner.flags & kFlagControl) != 0) {
        return nullptr;
    }
    const uint32_t flags = (owner.flags & kFlagUnitMask) | kFlagControl;

    // Both corners are mapped, so a control's pixel width depends on where it stands.
    RECT box{x, y, WrappingSum(x, width), WrappingSum(y, height)};
    if (InDialogUnits(owner)) {
        MapDialogRect(dialog, &box);
    }
    const int32_t pixelWidth = box.right - box.left;
    const int32_t pixelHeight = box.bottom - box.top;

    const char* windowClass = className.c_str();
    if (kind != kCustomControl) {
        const KindInfo& info = kKinds[kind];
        windowClass = info.className;
        if (style == 0) {
            style = info.defaultStyle;
            if (kind == kScrollBar && pixelWidth < pixelHeight) {
                style |= SBS_VERT;
            }
            if ((kind == kTextBox || kind == kComboBox || kind == kListBox) &&
                (style & WS_BORDER) != 0) {
                style &= ~WS_BORDER;
                exStyle |= WS_EX_CLIENTEDGE;
            }
        }
        style = (style | info.alwaysSet) & ~info.alwaysCleared;
    }
    // Image kinds name an image rather than carry text; this program has no images to load.
    const bool imageKind = kind >= kImage && kind <= kFittedImageButton;

    HWND control = CreateWindowExA(exStyle, windowClass, imageKind ? nullptr : text.c_str(), style,
                                   box.left, box.top, pixelWidth, pixelHeight, dialog,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   ModuleInstance(), nullptr);
    if (control == nullptr) {
        return nullptr;
    }
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(owner.font), TRUE);

    DlgRecord* record = new (std::nothrow) DlgRecord{};
    if (record != nullptr) {
        record->window = control;
        record->parent = dialog;
        record->flags = flags;
        record->kind = kind;
        record->callback = callback;
        if (!LinkRecord(record)) {
            delete record;
        }
    }

    const UINT addString = kind == kComboBox ? CB_ADDSTRING : LB_ADDSTRING;
    for (const std::string& item : items) {
        if (item.empty()) {
            break;
        }
        SendMessageA(control, addString, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }

    if ((kind == kPushButton || kind == kImageButton || kind == kFittedImageButton) &&
        (style & BS_DEFPUSHBUTTON) != 0) {
        SendMessageA(dialog, DM_SETDEFID, static_cast<WPARAM>(id), 0);
    }
    return control;
}

// ---------------------------------------------------------------------------------------------
// Runtime

void DlgRunModal(HWND dialog, DialogCallback callback, int32_t* result) {
    if (callback != nullptr) {
        CallSafely(callback, dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(dialog), 0);
        DlgRecord record{};
        WPARAM sizeType = SIZE_RESTORED;
        if (ReadRecord(dialog, record)) {
            if (record.showCommand == SW_MAXIMIZE) {
                sizeType = SIZE_MAXIMIZED;
            } else if (record.showCommand == SW_MINIMIZE) {
                sizeType = SIZE_MINIMIZED;
            }
        }
        RECT client{};
        GetClientRect(dialog, &client);
        CallSafely(callback, dialog, WM_SIZE, sizeType,
                   static_cast<LPARAM>(MAKELPARAM(client.right, client.bottom)));
    }

    int32_t showCommand = SW_SHOW;
    if (!TakeOverDialog(dialog, callback, result, showCommand)) {
        return;
    }

    HWND owner = reinterpret_cast<HWND>(GetWindowLongPtrA(dialog, GWLP_HWNDPARENT));
    bool ownerWasEnabled = false;
    if (owner != nullptr) {
        SendMessageA(owner, WM_CANCELMODE, 0, 0);
        ownerWasEnabled = EnableWindow(owner, FALSE) == 0;
    }
    ShowWindow(dialog, showCommand);

    // Polls, sleeping 1 ms between empty polls, rather than waiting in GetMessage: a message
    // sent from another thread or process can end the dialog without putting anything in the
    // queue, and a blocking wait would not notice until the next one came. The owner is not
    // sent WM_ENTERIDLE, which none of our windows acts on. WM_QUIT is dispatched like any other
    // message and so is lost: a dialog ends only through DlgEnd or by being destroyed.
    // The dialog may already be gone before the first poll (a callback ended it while it was
    // shown), hence the test at the top.
    while (IsWindow(dialog)) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(1);
            continue;
        }
        if (IsWindow(dialog) && IsDialogMessageA(dialog, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    if (owner != nullptr) {
        // A dialog destroyed without DlgEnd leaves its owner disabled; give it back.
        if (ownerWasEnabled && IsWindow(owner) && !IsWindowEnabled(owner)) {
            EnableWindow(owner, TRUE);
        }
        SetFocus(owner);
    }
}

void DlgEnd(HWND dialog, int32_t result) {
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    HWND owner = reinterpret_cast<HWND>(GetWindowLongPtrA(dialog, GWLP_HWNDPARENT));
    bool ownerWasDisabled = false;
    if (owner != nullptr) {
        ownerWasDisabled = EnableWindow(owner, TRUE) != 0;
    }
    DlgRecord record{};
    if (ReadRecord(dialog, record) && record.result != nullptr) {
        *record.result = result;
    }
    if (!DestroyWindow(dialog) && ownerWasDisabled) {
        EnableWindow(owner, FALSE);
    }
}

INT_PTR CALLBACK DlgProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    // Activation is the windows' own business: taken here, it keeps the platform's dialog
    // manager from moving the focus, and the windows that keep their focus across activation
    // do so on WM_NCACTIVATE.
    if (message == WM_ACTIVATE) {
        return 1;
    }

    LRESULT r = 0;

    // The control's own callback comes first. Our dialogs have no menus, so a command whose
    // identifier names no child goes to the dialog's callback only.
    HWND control = nullptr;
    if (message == WM_COMMAND) {
        control = GetDlgItem(dialog, LOWORD(wParam));
    } else if (message == WM_HSCROLL || message == WM_VSCROLL) {
        control = reinterpret_cast<HWND>(lParam);
    }
    DlgRecord record{};
    if (control != nullptr && ReadRecord(control, record) && record.callback != nullptr) {
        r = CallSafely(record.callback, dialog, message, wParam, lParam);
    }

    if (r == 0) {
        const bool known = ReadRecord(dialog, record);
        if (known) {
            if (record.callback != nullptr) {
                r = CallSafely(record.callback, dialog, message, wParam, lParam);
            }
            if (message == WM_NCDESTROY) {
                DeleteRecords(dialog);
            } else if (message == WM_DRAWITEM) {
                // Only a graphic control with a drawing surface would be drawn here.
                return 0;
            }
        }
        if (r == 0) {
            if (message == WM_SYSCOMMAND && LOWORD(wParam) == SC_CLOSE) {
                DlgEnd(dialog, 0);
                return 1;
            }
            return 0;
        }
    }

    if (GetWindowLongPtrA(dialog, DWLP_MSGRESULT) == 0) {
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, r);
    }
    return static_cast<INT_PTR>(r);
}

HWND DlgItemHandle(HWND dialog, int32_t id) {
    return GetDlgItem(dialog, id);
}

LRESULT DlgSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(window, message, wParam, lParam);
}

std::string DlgGetText(HWND window) {
    if (window == nullptr) {
        return {};
    }
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) {
        return {};
    }
    try {
        std::string text(static_cast<size_t>(length) + 1, '\0');
        const int copied = GetWindowTextA(window, text.data(), length + 1);
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        return text;
    } catch (...) {
        return {};
    }
}

void DlgSetText(HWND window, const std::string& text) {
    SetWindowTextA(window, text.c_str());
}

DlgSize DlgGetClientSize(HWND dialog, int32_t id) {
    HWND window = FindTarget(dialog, id);
    if (window == nullptr) {
        return {0, 0};
    }
    RECT client{};
    GetClientRect(window, &client);
    DlgSize size{client.right, client.bottom};
    DlgRecord record{};
    if (ReadRecord(window, record) && InDialogUnits(record)) {
        RECT extent{0, 0, 1024, 1024};
        if (!MapDialogRect(dialog, &extent)) {
            return {0, 0};
        }
        size.width = PixelsToUnits(size.width, extent.right);
        size.height = PixelsToUnits(size.height, extent.bottom);
    }
    return size;
}

void DlgSetSize(HWND dialog, int32_t id, int32_t width, int32_t height) {
    HWND window = FindTarget(dialog, id);
    if (window == nullptr) {
        return;
    }
    DlgRecord record{};
    if (ReadRecord(window, record)) {
        if ((record.flags & kFlagControl) != 0 && record.kind == kGraphic) {
            return;
        }
        if (InDialogUnits(record)) {
            RECT size{0, 0, width, height};
            if (MapDialogRect(dialog, &size)) {
                width = size.right;
                height = size.bottom;
            } else {
                width = 0;
                height = 0;
            }
        }
    }
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

// ---------------------------------------------------------------------------------------------
// Test hooks

DlgTemplate DlgBuildTemplateForTests(const std::string& caption, int32_t x, int32_t y,
                                     int32_t width, int32_t height, uint32_t style,
                                     uint32_t exStyle, const DefaultDialogFont& font) {
    return BuildTemplate(caption, x, y, width, height, style, exStyle, font);
}

int32_t DlgPixelsToUnitsForTests(int32_t pixels, int32_t extent) {
    return PixelsToUnits(pixels, extent);
}

int32_t DlgRecordCountForTests() {
    int32_t count = 0;
    TakeList();
    for (const DlgRecord* r = g_records.head; r != nullptr; r = r->next) {
        ++count;
    }
    ReleaseList();
    return count;
}
