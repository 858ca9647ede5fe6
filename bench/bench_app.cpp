// Under Wine: "Genera" (count read, text built, box replaced) for 999 and for
// 10,000 sentences, the largest count it makes, each against putting the same
// sentences into the same output box, measured alternately in the same run.
// Prints medians and their ratios.
#include "app/app.h"
#include "phrases/phrases.h"
#include "random/random.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

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

// Times "Genera" for count sentences and setting the box to the same sentences, alternately.
void Compare(HWND main, int32_t count, int rounds) {
    HWND output = GetDlgItem(main, kOutputBox);
    HWND genera = GetDlgItem(main, kGenerateButton);
    SetWindowTextA(GetDlgItem(main, kCountBox), std::to_string(count).c_str());
    std::vector<double> generate, replace;
    for (int i = 0; i < rounds; ++i) {
        // Both measurements replace the same text with the same sentences,
        // so they differ only in the work that "Genera" does on top.
        const std::string before = GenerateText(count);
        RandomSeed(static_cast<double>(i));
        const std::string sentences = GenerateText(count);
        RandomSeed(static_cast<double>(i));

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
    std::printf("Genera %6d sentences   %10.3f ms (median of %d)\n", count, g * 1e3, rounds);
    std::printf("set text of that length  %10.3f ms (median of %d)\n", r * 1e3, rounds);
    std::printf("ratio Genera/%d %.3f x set text\n", count, g / r);
}

void CALLBACK Measure(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND main = FindWindowA(nullptr, kMainCaption);
    Compare(main, 999, 41);
    Compare(main, kMaxGeneratedCount, 5);
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
