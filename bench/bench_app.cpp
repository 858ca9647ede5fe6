// Under Wine: "Genera" for 999 sentences (count read, text built, box
// replaced) against putting the same sentences into the same output box,
// measured alternately in the same run. Prints medians and their ratio.
#include "app/app.h"
#include "phrases/phrases.h"
#include "random/random.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRounds = 41;

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void CALLBACK Measure(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND main = FindWindowA(nullptr, kMainCaption);
    HWND count = GetDlgItem(main, kCountBox);
    HWND output = GetDlgItem(main, kOutputBox);
    HWND genera = GetDlgItem(main, kGenerateButton);
    SetWindowTextA(count, "999");
    std::vector<double> generate, replace;
    for (int i = 0; i < kRounds; ++i) {
        // Both measurements replace the same text with the same sentences,
        // so they differ only in the work that "Genera" does on top.
        const std::string before = GenerateText(999);
        RandomSeed(static_cast<long double>(i));
        const std::string sentences = GenerateText(999);
        RandomSeed(static_cast<long double>(i));

        SetWindowTextA(output, before.c_str());
        double start = Now();
        // The button's notification, through the dialog engine and the callback.
        SendMessageA(main, WM_COMMAND, MAKEWPARAM(kGenerateButton, BN_CLICKED), LPARAM(genera));
        generate.push_back(Now() - start);

        SetWindowTextA(output, before.c_str());
        start = Now();
        SetWindowTextA(output, sentences.c_str());
        replace.push_back(Now() - start);
    }
    const double g = Median(generate), r = Median(replace);
    std::printf("Genera 999 sentences      %9.3f ms (median of %d)\n", g * 1e3, kRounds);
    std::printf("set text of that length   %9.3f ms (median of %d)\n", r * 1e3, kRounds);
    std::printf("ratio Genera/999 %.3f x set text\n", g / r);
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
}

} // namespace

int main() {
    SetFpuMode();
    PrepareThread();
    FillPhraseTable();
    SetTimer(nullptr, 0, 50, Measure);
    ShowMainWindow(nullptr);
    return 0;
}
