// The dialog engine: builds dialogs and their controls at run time from a description in
// dialog units, runs them modally with a polling message loop, and hands every window message
// to one application callback per dialog. Text is std::string holding Windows-1252 bytes.
//
// Threads. A dialog belongs to the thread that calls DlgCreate for it, and its controls to the
// same thread. DlgAddControl, DlgRunModal and DlgEnd for a dialog run on that thread (the
// platform gives a window's messages, and the right to destroy it, to its thread only), and the
// platform calls DlgProcedure, and through it the dialog's DialogCallback and its controls'
// ControlCallbacks, on that thread only: within DlgCreate, DlgAddControl, DlgRunModal's loop,
// DlgEnd, and any call of that thread that sends the dialog a message. The default dialog font
// is per thread. DlgItemHandle, DlgSendMessage, DlgGetText, DlgSetText, DlgGetClientSize and
// DlgSetSize wrap the platform's window calls and may be made from any thread; a message to a
// window of another thread then waits until that thread takes it.
// The record list is process-wide, guarded by a spin flag of its own; this program makes and
// runs every dialog on its one GUI thread, so the flag is never contended, and it keeps the list
// sound all the same should dialogs run on two threads.
//
// The module instance handle that the engine hands to the platform is GetModuleHandleA(nullptr),
// the executable's own module.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The application routine of one dialog; 0 lets the engine's and the platform's defaults act.
using DialogCallback = LRESULT (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Called for WM_COMMAND, WM_HSCROLL and WM_VSCROLL of one control, with the dialog's handle;
// a non-zero result is the message's result and keeps the message from the DialogCallback.
using ControlCallback = LRESULT (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The number that selects a control's window class and default styles. The table is complete,
// although the program's own windows use push buttons, labels and text boxes only: the engine
// builds whatever control a description names.
enum ControlKind : int32_t {
    kCustomControl = 0,      // class named by the caller, styles exactly as given
    kPushButton = 1,         // "BUTTON"
    kThreeStateBox = 2,      // "BUTTON", BS_AUTO3STATE
    kCheckBox = 3,           // "BUTTON", BS_AUTOCHECKBOX
    kGroupFrame = 4,         // "BUTTON", BS_GROUPBOX
    kLabel = 5,              // "STATIC", SS_LEFT
    kEtchedLine = 6,         // "STATIC", SS_ETCHEDFRAME
    kOptionButton = 7,       // "BUTTON", BS_AUTORADIOBUTTON
    kScrollBar = 8,          // "SCROLLBAR"
    kTextBox = 9,            // "EDIT"
    kImage = 10,             // "STATIC", SS_BITMAP (created without an image)
    kFittedImage = 11,       // "STATIC", SS_BITMAP (created without an image)
    kImageButton = 12,       // "BUTTON", BS_BITMAP (created without an image)
    kFittedImageButton = 13, // "BUTTON", BS_BITMAP (created without an image)
    kGraphic = 14,           // "STATIC", SS_OWNERDRAW (no drawing surface)
    kComboBox = 15,          // "COMBOBOX"
    kListBox = 16,           // "LISTBOX"
};

// Stands for the dialog itself where DlgGetClientSize and DlgSetSize take a control identifier.
constexpr int32_t DlgSelf = static_cast<int32_t>(0x80000000u);

// DlgCreate's unit mode: positions and sizes in dialog units, or in pixels (bit 1 set). The
// program's windows use dialog units; the pixel mode stays, so that the engine builds any
// description, as the full table of control kinds does.
constexpr uint32_t kDlgUnits = 1;
constexpr uint32_t kDlgPixels = 2;

// A width and a height, in the units of the operation that returns it.
struct DlgSize {
    int32_t width;
    int32_t height;
};

// A thread's default dialog font: face name (at most 31 characters, NUL-terminated) and points.
struct DefaultDialogFont {
    char face[32];
    int32_t points;
};

// The program's dialog font: the setting that threads start from, what start-up sets, and the
// face and size of the main window's bold font.
inline constexpr DefaultDialogFont kDialogFont{"MS Sans Serif", 8};

// Sets the calling thread's default dialog font (face cut to 31 characters, or at a NUL byte).
// Called on the start-up thread (the one that ran static initialisation), it also becomes the
// setting that every other thread copies when it first uses the engine; until then that setting
// is kDialogFont.
void DlgSetDefaultFont(const std::string& face, int32_t points);

// The calling thread's default dialog font.
DefaultDialogFont DlgGetDefaultFont();

// Longest caption that a dialog's title holds, and longest face name of a dialog font.
constexpr size_t kMaxCaption = 256;
constexpr size_t kMaxFace = 31;

// Makes a hidden dialog (style 0 = 0x80C000D4; x or y == -1 centres it) and its record; 0 on
// failure.
HWND DlgCreate(uint32_t unitMode, HWND parent, std::string caption, int32_t x, int32_t y,
               int32_t width, int32_t height, uint32_t style, uint32_t exStyle);

// Adds one control of a kind (class name only for kCustomControl) to a DlgCreate dialog, in the
// dialog's units; items (up to the first empty one) fill list and combo boxes. 0 if none made.
HWND DlgAddControl(ControlKind kind, HWND dialog, int32_t id, std::string text,
                   std::span<const std::string> items, int32_t x, int32_t y, int32_t width,
                   int32_t height, uint32_t style, uint32_t exStyle,
                   ControlCallback callback = nullptr, const std::string& className = {});

// Shows the dialog with its owner disabled and runs messages until the dialog is gone; the
// dialog's result, if DlgEnd gives one, is stored in *result (which is otherwise left alone).
void DlgRunModal(HWND dialog, DialogCallback callback, int32_t* result);

// Sends WM_CLOSE, enables the owner, stores the result for DlgRunModal and destroys the dialog.
void DlgEnd(HWND dialog, int32_t result);

// The dialog procedure that every engine dialog runs on; only the platform calls it.
INT_PTR CALLBACK DlgProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// The dialog's child window with that identifier, 0 when there is none.
HWND DlgItemHandle(HWND dialog, int32_t id);

// SendMessageA, result unchanged.
LRESULT DlgSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The window's whole text; empty for a 0 handle or when the text cannot be held.
std::string DlgGetText(HWND window);

// Replaces the window's text (an embedded NUL byte ends it).
void DlgSetText(HWND window, const std::string& text);

// Client size of the control with that id (or the dialog for DlgSelf), in the dialog's units;
// 0 x 0 for an id that names no control; pixels for a window that the engine did not create.
DlgSize DlgGetClientSize(HWND dialog, int32_t id);

// Sets the outer size of the control with that id (or the dialog for DlgSelf), given in the
// dialog's units; the position stays. No effect for an unknown id or a graphic control.
void DlgSetSize(HWND dialog, int32_t id, int32_t width, int32_t height);

// ---------------------------------------------------------------------------------------------
// Test hooks: the program never calls these; each name ends in ForTests.

// A standard DLGTEMPLATE with title, point size and face, and no items: 11 header words, the
// title, the point size and the face, each text NUL-terminated; size counts the words used.
struct alignas(4) DlgTemplate {
    WORD words[11 + (kMaxCaption + 1) + 1 + (kMaxFace + 1)];
    size_t size;
};

// The template that DlgCreate hands to the platform: the effective style, the low 16 bits of the
// position and size, and the caption (cut to 256, " " when empty) and face widened byte by byte.
DlgTemplate DlgBuildTemplateForTests(const std::string& caption, int32_t x, int32_t y,
                                     int32_t width, int32_t height, uint32_t style,
                                     uint32_t exStyle, const DefaultDialogFont& font);

// The rounding by which DlgGetClientSize turns pixels into dialog units: pixels x 1024 / extent
// (the pixels of 1024 dialog units), to the nearest whole number with halves up, except that a
// negative quotient with a remainder is rounded down; 0 if extent <= 0.
int32_t DlgPixelsToUnitsForTests(int32_t pixels, int32_t extent);

// Number of records (dialogs and controls) that the engine holds.
int32_t DlgRecordCountForTests();
