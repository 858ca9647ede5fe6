// The main window and the About window, driven in process on the real
// controls: steps run from a thread timer while the window's modal loop runs.
#include "app/app.h"
#include "dialogs/dialogs.h"
#include "random/random.h"
#include "scoped/scoped.h"
#include "tests/gui_harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

SIZE PixelsOf(HWND dialog, int width, int height) {
    RECT r{0, 0, width, height};
    MapDialogRect(dialog, &r);
    return {r.right, r.bottom};
}

SIZE OuterSize(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

using AppTest = MainWindowTest;

TEST_F(AppTest, StartsWithTenAndGeneraFillsTheBoxOnce) {
    std::string expected;
    const int32_t result = RunMainWindow({
        Do([&] {
            EXPECT_EQ(TextOf(Item(Main(), kCountBox)), "10");
            EXPECT_EQ(TextOf(Item(Main(), kOutputBox)), "");
            EXPECT_EQ(TextOf(Main()), kMainCaption);
            expected = ExpectedText(10, 777.0);
            Click(kGenerateButton);
            EXPECT_EQ(TextOf(Item(Main(), kOutputBox)), expected);
        }),
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(expected.size() > 0, true);
}

TEST_F(AppTest, CountBoxTakesThreeDigitsOnly) {
    RunMainWindow({Do([] {
        HWND box = Item(Main(), kCountBox);
        SetWindowTextA(box, "");
        for (char c : std::string("1a2-3.45")) {
            SendMessageA(box, WM_CHAR, static_cast<unsigned char>(c), 1);
        }
        EXPECT_EQ(TextOf(box), "123");
        EXPECT_NE(GetWindowLongA(box, GWL_STYLE) & ES_NUMBER, 0);
    })});
}

TEST_F(AppTest, WhateverTheCountBoxHoldsIsReadAsACount) {
    const struct {
        const char* text;
        int32_t count;
    } cases[] = {{"-5", 0},  {"0", 0},   {"", 0},   {"abc", 0},  {"2.5", 2},
                 {"3.5", 4}, {"&H3", 3}, {" 7", 7}, {"999", 999}};
    std::vector<Step> steps;
    for (const auto& c : cases) {
        steps.push_back(Do([c] {
            SetText(kOutputBox, "previous text");
            SetText(kCountBox, c.text);
            const std::string expected = ExpectedText(c.count, 12345.0);
            Click(kGenerateButton);
            EXPECT_EQ(TextOf(Item(Main(), kOutputBox)), expected) << "count box: " << c.text;
        }));
    }
    RunMainWindow(std::move(steps));
}

TEST_F(AppTest, EachPressReplacesTheTextWithNewSentences) {
    RunMainWindow({Do([] {
        SetText(kCountBox, "3");
        Click(kGenerateButton);
        const std::string first = TextOf(Item(Main(), kOutputBox));
        SetText(kOutputBox, (first + "the user's own words").c_str());
        Click(kGenerateButton);
        const std::string second = TextOf(Item(Main(), kOutputBox));
        EXPECT_NE(second, first);
        EXPECT_EQ(second.find("the user's own words"), std::string::npos);
    })});
}

TEST_F(AppTest, CountsBeyondReasonLeaveTheBoxAlone) {
    RunMainWindow({Do([] {
        for (const char* text : {"10001", "65535", "1e5", "100001", "9e9", "5e9"}) {
            SetText(kOutputBox, "keep me");
            SetText(kCountBox, text);
            const uint32_t state = RandomState();
            Click(kGenerateButton);
            // A wrong result would be thousands of sentences: say so, do not print them.
            EXPECT_TRUE(TextOf(Item(Main(), kOutputBox)) == "keep me") << text;
            EXPECT_EQ(RandomState(), state) << text;
        }
    })});
}

// The cursor shown each time the output box is given a text.
HWND WatchedBox = nullptr;
std::vector<HCURSOR> CursorsAtSetText;

LRESULT CALLBACK WatchSetText(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->hwnd == WatchedBox && call->message == WM_SETTEXT) {
        CursorsAtSetText.push_back(GetCursor());
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(AppTest, LargeCountsShowTheWaitCursorUntilTheBoxHoldsTheText) {
    const HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    const HCURSOR before = LoadCursorA(nullptr, IDC_CROSS);
    const struct {
        const char* text;
        int32_t count; // -1: too many, the box is left alone
        bool waits;
    } cases[] = {{"999", 999, false},
                 {"1000", 1000, true},
                 {"1e4", 10000, true},
                 {"10001", -1, false},
                 {"0", 0, false}};
    const ScopedHook hook = HookThisThread(WH_CALLWNDPROC, WatchSetText);
    ASSERT_NE(hook.Get(), nullptr);
    RunMainWindow({Do([&] {
        WatchedBox = Item(Main(), kOutputBox);
        for (const auto& c : cases) {
            SetText(kOutputBox, "previous text");
            SetText(kCountBox, c.text);
            const std::string expected =
                c.count < 0 ? "previous text" : ExpectedText(c.count, 4242.0);
            CursorsAtSetText.clear();
            SetCursor(before);
            Click(kGenerateButton);
            EXPECT_EQ(GetCursor(), before) << c.text;
            EXPECT_TRUE(TextOf(WatchedBox) == expected) << c.text;
            const std::vector<HCURSOR> expectedCursors =
                c.count < 0 ? std::vector<HCURSOR>{}
                            : std::vector<HCURSOR>{c.waits ? wait : before};
            EXPECT_EQ(CursorsAtSetText, expectedCursors) << c.text;
        }
    })});
}

TEST_F(AppTest, OnlyClicksAndPressesRunACommand) {
    RunMainWindow({Do([] {
        HWND button = Item(Main(), kGenerateButton);
        for (WORD code : {2, 5, BN_SETFOCUS, BN_KILLFOCUS}) {
            SendMessageA(Main(), WM_COMMAND, MAKEWPARAM(kGenerateButton, code), LPARAM(button));
        }
        EXPECT_EQ(TextOf(Item(Main(), kOutputBox)), "");
        SendMessageA(Main(), WM_COMMAND, MAKEWPARAM(kGenerateButton, 1), LPARAM(button));
        EXPECT_NE(TextOf(Item(Main(), kOutputBox)), "");
    })});
}

TEST_F(AppTest, OutputBoxFollowsTheWindowSize) {
    auto checkLayout = [](const char* when) {
        HWND main = Main();
        const DlgSize client = DlgGetClientSize(main, DlgSelf);
        const SIZE expected = PixelsOf(main, client.width - 2, client.height - 44);
        const SIZE actual = OuterSize(Item(main, kOutputBox));
        EXPECT_EQ(actual.cx, expected.cx) << when;
        EXPECT_EQ(actual.cy, expected.cy) << when;
        RECT r{};
        GetWindowRect(Item(main, kOutputBox), &r);
        POINT origin{r.left, r.top};
        ScreenToClient(main, &origin);
        const SIZE at = PixelsOf(main, 0, 40);
        EXPECT_EQ(origin.x, at.cx) << when;
        EXPECT_EQ(origin.y, at.cy) << when;
    };
    std::vector<RECT> others;
    RunMainWindow({
        Do([&] {
            checkLayout("at start");
            for (int id : {kHeadingLabel, kAboutButton, kCountLabel, kCountBox, kGenerateButton,
                           kSaveButton}) {
                RECT r{};
                GetWindowRect(Item(Main(), id), &r);
                others.push_back(r);
            }
            for (SIZE s : {SIZE{700, 600}, SIZE{333, 251}, SIZE{150, 120}, SIZE{901, 707}}) {
                SetWindowPos(Main(), nullptr, 0, 0, s.cx, s.cy,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                checkLayout("after resizing");
            }
        }),
        Do([] { ShowWindow(Main(), SW_MINIMIZE); }),
        Until("the main window is minimised", [] { return IsIconic(Main()) != FALSE; }),
        Do([] { ShowWindow(Main(), SW_RESTORE); }),
        Until("the main window is restored", [] { return IsIconic(Main()) == FALSE; }),
        Do([&] {
            checkLayout("after restoring");
            std::size_t i = 0;
            RECT main{};
            GetWindowRect(Main(), &main);
            for (int id : {kHeadingLabel, kAboutButton, kCountLabel, kCountBox, kGenerateButton,
                           kSaveButton}) {
                RECT r{};
                GetWindowRect(Item(Main(), id), &r);
                // Same size and the same place in the window as before.
                EXPECT_EQ(r.right - r.left, others[i].right - others[i].left) << id;
                EXPECT_EQ(r.bottom - r.top, others[i].bottom - others[i].top) << id;
                ++i;
            }
        }),
    });
}

HWND About() {
    return FindWindowA(nullptr, kAboutCaption);
}

TEST_F(AppTest, AboutOpensOverTheMainWindowAndGivesTheFocusBack) {
    const std::string texts[] = {
        "   Il \"politico-burocratico-sindacalese\" corrente, con abuso dei vari \"in questo "
        "contesto; nella misura in cui; eccetera\" ha suggerito al prof. Vacuini dell'universit\xE0"
        " di Pisa il progetto di una tabella per uso e consumo del bla, bla, bla.",
        "   Essa permette di costruire ben sette milioni di frasi che dicono tutto e niente.",
        "   Baster\xE0"
        " combinare a caso uno dei dieci soggetti della prima colonna facendolo seguire da uno "
        "dei dieci predicati della seconda, quindi nell'ordine un periodo qualsiasi  di ognuna "
        "delle colonne successive.",
        "   Si otterr\xE0"
        " sempre una frase di senso compiuto ma assolutamente priva di contenuti.",
        "   Questo programma permette di generare automaticamente tali frasi usando questo "
        "schema.",
    };
    HWND firstAbout = nullptr;
    auto checkAbout = [&] {
        HWND about = About();
        EXPECT_FALSE(IsWindowEnabled(Main()));
        EXPECT_EQ(GetWindow(about, GW_OWNER), Main());
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(TextOf(Item(about, kAboutText1 + i)), texts[i]) << i;
        }
        EXPECT_EQ(TextOf(Item(about, kAboutOkButton)), "OK");
        EXPECT_EQ(GetWindowLongA(about, GWL_STYLE) & WS_SYSMENU, 0);
        // The credit fits its label on one line.
        HWND credit = Item(about, kAboutCredit);
        const std::string line = TextOf(credit);
        SIZE extent{};
        {
            const ScopedGetDC dc(credit);
            HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(credit, WM_GETFONT, 0, 0)));
            GetTextExtentPoint32A(dc, line.c_str(), int(line.size()), &extent);
            SelectObject(dc, old);
        }
        RECT r{};
        GetClientRect(credit, &r);
        EXPECT_FALSE(line.empty());
        EXPECT_LE(extent.cx, r.right);
        EXPECT_LE(extent.cy, r.bottom);
    };
    auto openAbout = [] {
        HWND button = Item(Main(), kAboutButton);
        SetFocus(button);
        PostMessageA(button, BM_CLICK, 0, 0);
    };
    auto pressOk = [] { PostMessageA(Item(About(), kAboutOkButton), BM_CLICK, 0, 0); };
    auto aboutShown = [] { return About() != nullptr && IsWindowVisible(About()); };
    auto aboutGone = [] { return About() == nullptr && GetFocus() == Item(Main(), kAboutButton); };
    RunMainWindow({
        Do(openAbout),
        Until("the About window shows", aboutShown),
        Do([&] {
            firstAbout = About();
            checkAbout();
            // Escape, Enter and the close command end nothing.
            SendMessageA(About(), WM_COMMAND, IDCANCEL, 0);
            SendMessageA(About(), WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(IsWindow(firstAbout));
            pressOk();
        }),
        Until("the About window is gone and its button has the focus", aboutGone),
        Do([&] {
            EXPECT_TRUE(IsWindowEnabled(Main()));
            EXPECT_FALSE(IsWindow(firstAbout));
        }),
        Do(openAbout),
        Until("the About window shows", aboutShown),
        Do([&] {
            checkAbout();
            pressOk();
        }),
        Until("the About window is gone and its button has the focus", aboutGone),
    });
}

TEST_F(AppTest, CloseBoxEndsTheRunWithZero) {
    EXPECT_EQ(RunMainWindow({}), 0);
}

} // namespace
