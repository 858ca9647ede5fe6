// The program itself: start-up, the main window with its commands, and the
// About window.
#pragma once

#include <windows.h>

#include "dialogs/dialogs.h"

#include <cstdint>
#include <span>
#include <string>

// Control identifiers of the main window and of the About window.
enum : int32_t {
    kHeadingLabel = 1001,
    kAboutButton = 1002,
    kCountLabel = 1003,
    kCountBox = 1004,
    kGenerateButton = 1005,
    kSaveButton = 1006,
    kOutputBox = 1007,
    kAboutText1 = 1008,
    kAboutText5 = 1012,
    kAboutOkButton = 1013,
    kAboutCredit = 1014,
};

// Captions, by which tests and tools find the windows.
inline constexpr const char* kMainCaption = "Zed uvorozad i rarov ir irarer";
inline constexpr const char* kAboutCaption = "About Blaterix .....";

// The largest count that "Genera" produces; above it the output box stays as
// it is and the platform's warning beep sounds. The box takes seconds to show
// that many (blaterix-cli writes any number).
constexpr int32_t kMaxGeneratedCount = 10000;

// How many characters the count box takes (EM_LIMITTEXT); it takes digits only.
constexpr int32_t kCountBoxDigits = 3;

// The largest count that the count box takes from the keyboard, all its digits
// nines; above it "Genera" shows the wait cursor until the box holds the text.
constexpr int32_t kMaxTypedCount = [] {
    int32_t largest = 0;
    for (int32_t digit = 0; digit < kCountBoxDigits; ++digit) {
        largest = largest * 10 + 9;
    }
    return largest;
}();

// Sets the x87 control word to 0x133F: 80-bit extended precision, rounding to
// nearest, all exceptions masked. Start-up runs it before any other code of
// ours, so that the program's threads compute in the one mode it was made for;
// the count reader does not depend on it (its arithmetic is the extended
// format's, done in software).
void SetFpuMode();

// Gives the start-up thread its default dialog font, kDialogFont.
void PrepareThread();

// Fills the table, seeds the generator from the clock, sets the save name and
// runs the main window until it is closed; returns 0.
int32_t ProgramMain();

// Builds the main window under owner (0 for none), runs it modally, returns its result.
int32_t ShowMainWindow(HWND owner);

// The main window's callback: focus across activation, output box sizing, commands.
LRESULT MainCallback(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Reads the count box, builds that many sentences and replaces the output box's text.
void GenerateCommand(HWND dialog);

// Builds the About window over owner, runs it modally, returns its result (0 after "OK").
int32_t ShowAboutWindow(HWND owner);

// The About window's callback: focus across activation, "OK" ends the window.
LRESULT AboutCallback(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Saves the output box's text to a file the user chooses.
void SaveCommand(HWND mainWindow);

// The platform's Save dialog: title (empty: the default), fileName in and out
// (the proposal; the name the dialog left, confirmed or not), initial
// directory (empty: the current one), filter of "description|pattern" pairs,
// default extension without a dot (empty: none), flags in and out. Returns
// GetSaveFileNameA's result: non-zero when the user confirmed a name.
int32_t AskSaveFileName(HWND owner, std::string title, std::string& fileName,
                        std::string initialDirectory, std::string filter,
                        std::string defaultExtension, uint32_t& flags);

// The file name that the next "Salva" proposes.
const std::string& SaveFileName();

// Replaces the file name that the next "Salva" proposes.
void SetSaveFileName(std::string name);

// ---------------------------------------------------------------------------------------------
// What both windows build with

// One control of a window's description, in dialog units; style 0 takes the kind's default.
struct ControlSpec {
    ControlKind kind;
    int32_t id;
    const char* text;
    int32_t x, y, width, height;
    uint32_t style = 0, exStyle = 0;
};

// Adds the controls to the dialog in order (the order is the tab order).
void AddControls(HWND dialog, std::span<const ControlSpec> controls);

// On deactivation (active 0) stores the focused control in saved; on
// activation gives it the focus back and clears saved. The windows call it on
// WM_NCACTIVATE: the dialog engine takes WM_ACTIVATE, on which the platform's
// dialog manager would do this itself.
void KeepFocusAcrossActivation(HWND& saved, WPARAM active);

// True for the notification codes that run a button's command (0 and 1) in a WM_COMMAND's wParam.
bool IsButtonNotification(WPARAM wParam);
