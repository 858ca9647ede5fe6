// Drives a running Blaterix.exe from outside, as a user would:
//   drive wait                   wait until the main window is up
//   drive click BUTTON           press a button of the main window: about, genera, salva
//   drive geometry WINDOW        print where a window is, as WxH+X+Y: main, about
//   drive close                  close the main window from its close box, wait for the end
//   drive monkey SEED COUNT      send COUNT random clicks and keystrokes into the program
//   drive run EXE [SEED COUNT]   start EXE, monkey it, close it; exit status = EXE's
// Exits 0 on success, 1 when a window does not appear or the program misbehaves.
// The tools ask drive rather than repeat the program's captions and identifiers.
#include "app/app.h"
#include "scoped/scoped.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Generous: in the emulated machine the program starts about ten times slower.
constexpr DWORD kDeadlineMs = 180000;

HWND WaitForWindow(const char* caption, DWORD deadlineMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowA(nullptr, caption);
        if (window != nullptr && IsWindowVisible(window)) {
            return window;
        }
        if (GetTickCount() - start > deadlineMs) {
            return nullptr;
        }
        Sleep(20);
    }
}

// A small generator of our own, so that a seed gives the same run everywhere.
uint32_t MonkeyState = 1;
uint32_t Next(uint32_t bound) {
    MonkeyState = MonkeyState * 1664525u + 1013904223u;
    return (MonkeyState >> 8) % bound;
}

// Closes any window that the program opened over the main one (About, the
// Save dialog, a message box), so that the monkey keeps reaching the main
// window. A popup is closed only once it has been up since the previous
// call, so that it has finished setting itself up, as for a person.
// A popup is told to close once: Wine's file dialog falls over when a
// second cancel reaches it while it is still winding up the first.
HWND PopupSeen = nullptr;
HWND PopupClosed = nullptr;

void CloseOwnedPopups(HWND main) {
    HWND popup = GetLastActivePopup(main);
    if (popup == nullptr || popup == main || !IsWindowVisible(popup)) {
        PopupSeen = nullptr;
        return;
    }
    if (popup != PopupSeen) {
        PopupSeen = popup;
        return;
    }
    if (popup == PopupClosed) {
        return;
    }
    PopupClosed = popup;
    HWND ok = GetDlgItem(popup, kAboutOkButton);
    if (ok != nullptr) {
        PostMessageA(popup, WM_COMMAND, MAKEWPARAM(kAboutOkButton, BN_CLICKED), (LPARAM)ok);
    } else {
        PostMessageA(popup, WM_COMMAND, IDCANCEL, 0);
    }
}

bool Monkey(HWND main, uint32_t seed, int count) {
    MonkeyState = seed;
    const int ids[] = {kHeadingLabel,   kAboutButton, kCountLabel, kCountBox,
                       kGenerateButton, kSaveButton,  kOutputBox};
    const char keys[] = "0123456789abc.-e& \r\t";
    for (int i = 0; i < count; ++i) {
        if (!IsWindow(main)) {
            std::fprintf(stderr, "drive: the main window went away during the monkey run\n");
            return false;
        }
        if (!IsWindowEnabled(main)) {
            // A window of the program is up over the main one: a person's
            // input cannot reach the main window now, so neither does ours.
            CloseOwnedPopups(main);
            Sleep(5);
            continue;
        }
        HWND target = GetDlgItem(main, ids[Next(7)]);
        RECT r{};
        GetClientRect(target, &r);
        const LPARAM at = MAKELPARAM(Next(r.right + 1), Next(r.bottom + 1));
        switch (Next(6)) {
        case 0: {
            PostMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageA(target, WM_LBUTTONUP, 0, at);
            // A click may open a window over the main one; a person's next
            // input would then go there, so wait until the click is handled.
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
            break;
        }
        case 1:
        case 2:
            PostMessageA(target, WM_CHAR, (WPARAM)(unsigned char)keys[Next(sizeof keys - 1)], 1);
            break;
        case 3:
            PostMessageA(target, WM_KEYDOWN, Next(2) ? VK_BACK : VK_TAB, 1);
            break;
        case 4:
            PostMessageA(main, WM_SIZE, SIZE_RESTORED,
                         MAKELPARAM(100 + Next(600), 100 + Next(500)));
            break;
        default:
            if (Next(20) == 0) {
                DWORD_PTR ignored = 0;
                SendMessageTimeoutA(main, WM_COMMAND, MAKEWPARAM(kGenerateButton, BN_CLICKED),
                                    (LPARAM)GetDlgItem(main, kGenerateButton), SMTO_NORMAL, 5000,
                                    &ignored);
            }
            break;
        }
        if (i % 50 == 0) {
            CloseOwnedPopups(main);
            // Let the program catch up, so the queue never overflows.
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
        }
    }
    return true;
}

bool Close(HWND main) {
    const DWORD start = GetTickCount();
    while (IsWindow(main)) {
        if (GetTickCount() - start > kDeadlineMs) {
            return false;
        }
        CloseOwnedPopups(main);
        if (GetLastActivePopup(main) == main) {
            PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        Sleep(100);
    }
    return true;
}

// The buttons that the tools press, by the names they use.
int ButtonId(const std::string& name) {
    if (name == "about") {
        return kAboutButton;
    }
    if (name == "genera") {
        return kGenerateButton;
    }
    if (name == "salva") {
        return kSaveButton;
    }
    return 0;
}

// Prints the window's outer rectangle as X geometry, WxH+X+Y.
bool PrintGeometry(const char* caption) {
    HWND window = WaitForWindow(caption, kDeadlineMs);
    RECT r{};
    if (window == nullptr || !GetWindowRect(window, &r)) {
        std::fprintf(stderr, "drive: no window \"%s\"\n", caption);
        return false;
    }
    std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    return std::fflush(stdout) == 0;
}

int Usage() {
    std::fprintf(stderr, "usage: drive wait | click about|genera|salva | geometry main|about | "
                         "close | monkey SEED COUNT | run EXE [SEED COUNT]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return Usage();
    }
    const std::string command = argv[1];
    if (command == "run" && argc >= 3) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        std::string line = std::string("\"") + argv[2] + "\"";
        if (!CreateProcessA(argv[2], line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process)) {
            std::fprintf(stderr, "drive: cannot start %s (error %lu)\n", argv[2], GetLastError());
            return 1;
        }
        const ScopedHandle program(process.hProcess), programThread(process.hThread);
        const DWORD started = GetTickCount();
        HWND main = WaitForWindow(kMainCaption, kDeadlineMs);
        bool ok = main != nullptr;
        if (ok) {
            std::printf("drive: the main window was visible after %lu ms\n",
                        GetTickCount() - started);
        } else {
            std::fprintf(stderr, "drive: the main window did not appear\n");
        }
        if (ok && argc >= 5) {
            ok = Monkey(main, std::strtoul(argv[3], nullptr, 10), std::atoi(argv[4]));
        }
        if (ok && !Close(main)) {
            std::fprintf(stderr, "drive: the main window did not close\n");
            ok = false;
        }
        if (WaitForSingleObject(program, kDeadlineMs) != WAIT_OBJECT_0) {
            std::fprintf(stderr, "drive: the program did not end\n");
            TerminateProcess(program, 99);
            return 1;
        }
        DWORD code = 1;
        GetExitCodeProcess(program, &code);
        std::printf("drive: the program ended with exit code %lu\n", code);
        return ok && code == 0 ? 0 : 1;
    }
    HWND main = WaitForWindow(kMainCaption, kDeadlineMs);
    if (main == nullptr) {
        std::fprintf(stderr, "drive: the main window did not appear\n");
        return 1;
    }
    if (command == "wait") {
        return 0;
    }
    if (command == "click" && argc == 3 && ButtonId(argv[2]) != 0) {
        const int id = ButtonId(argv[2]);
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(main, id));
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, kDeadlineMs, &ignored);
        return 0;
    }
    if (command == "geometry" && argc == 3) {
        const std::string which = argv[2];
        if (which == "main" || which == "about") {
            return PrintGeometry(which == "main" ? kMainCaption : kAboutCaption) ? 0 : 1;
        }
    }
    if (command == "close") {
        return Close(main) ? 0 : 1;
    }
    if (command == "monkey" && argc == 4) {
        return Monkey(main, std::strtoul(argv[2], nullptr, 10), std::atoi(argv[3])) ? 0 : 1;
    }
    return Usage();
}
