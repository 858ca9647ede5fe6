#include "tests/gui_harness.h"

#include "app/app.h"
#include "phrases/phrases.h"
#include "random/random.h"

#include <gtest/gtest.h>

namespace {

std::vector<Step> Steps;
std::size_t NextStep = 0;
DWORD Deadline = 0;
bool TimedOut = false;

BOOL CALLBACK DestroyThreadWindow(HWND window, LPARAM) {
    DestroyWindow(window);
    return TRUE;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (TimedOut) {
        return;
    }
    if (GetTickCount() - Deadline < 0x80000000u) {
        // The scenario is stuck: end every window so that the test can fail.
        TimedOut = true;
        EnumThreadWindows(GetCurrentThreadId(), DestroyThreadWindow, 0);
        return;
    }
    while (NextStep < Steps.size() && Steps[NextStep]()) {
        ++NextStep;
    }
}

} // namespace

Step Do(std::function<void()> action) {
    return [action] {
        action();
        return true;
    };
}

HWND Main() {
    return FindWindowA(nullptr, kMainCaption);
}
HWND Item(HWND dialog, int id) {
    return GetDlgItem(dialog, id);
}

std::string TextOf(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), int(text.size()))));
    return text;
}

void Click(int id) {
    SendMessageA(Item(Main(), id), BM_CLICK, 0, 0);
}
void SetText(int id, const std::string& text) {
    SetWindowTextA(Item(Main(), id), text.c_str());
}

std::string ExpectedText(int32_t count, long double seed) {
    RandomSeed(seed);
    std::string text = GenerateText(count);
    RandomSeed(seed);
    return text;
}

int32_t RunMainWindow(std::vector<Step> steps) {
    Steps = std::move(steps);
    Steps.push_back(Do([] { PostMessageA(Main(), WM_SYSCOMMAND, SC_CLOSE, 0); }));
    NextStep = 0;
    TimedOut = false;
    Deadline = GetTickCount() + 60000;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, Tick);
    const int32_t result = ShowMainWindow(nullptr);
    KillTimer(nullptr, timer);
    EXPECT_FALSE(TimedOut) << "stuck at step " << NextStep;
    EXPECT_EQ(NextStep, Steps.size());
    EXPECT_EQ(Main(), nullptr);
    return result;
}
