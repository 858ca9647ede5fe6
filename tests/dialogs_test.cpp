// The dialog engine on real windows: what the platform ends up with after creation, what the
// callbacks see during modal runs, and the size and text operations.
#include "dialogs/dialogs.h"
#include "scoped/scoped.h"
#include "tests/gui_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kMainWindowStyle = 0x94CF00D4; // visible, with system menu and minimise box
constexpr int32_t kUntouched = 77;                // a result value that no test stores

uint32_t StyleOf(HWND w) {
    return static_cast<uint32_t>(GetWindowLongPtrA(w, GWL_STYLE));
}
uint32_t ExStyleOf(HWND w) {
    return static_cast<uint32_t>(GetWindowLongPtrA(w, GWL_EXSTYLE));
}

RECT MapUnits(HWND dialog, LONG left, LONG top, LONG right, LONG bottom) {
    RECT r{left, top, right, bottom};
    EXPECT_TRUE(MapDialogRect(dialog, &r));
    return r;
}

// The window's rectangle in its parent's client coordinates.
RECT PlaceOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE OuterSize(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

SIZE ClientSize(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return {r.right, r.bottom};
}

std::wstring WideTitle(HWND window) {
    wchar_t buffer[1024] = {};
    const int n = GetWindowTextW(window, buffer, 1024);
    return std::wstring(buffer, static_cast<size_t>(std::max(n, 0)));
}

std::string ClassOf(HWND window) {
    char buffer[64] = {};
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

HWND NewDialog(uint32_t style = 0, int32_t width = 200, int32_t height = 120, HWND parent = nullptr,
               const std::string& caption = "Test") {
    return DlgCreate(kDlgUnits, parent, caption, 10, 10, width, height, style, 0);
}

HWND AddControl(ControlKind kind, HWND dialog, int32_t id, int32_t x, int32_t y, int32_t width,
                int32_t height, uint32_t style = 0, uint32_t exStyle = 0,
                ControlCallback callback = nullptr) {
    return DlgAddControl(kind, dialog, id, "", {}, x, y, width, height, style, exStyle, callback);
}

// Styles of the windows created on this thread, as a WH_CBT hook sees them.
struct Created {
    uint32_t style;
    uint32_t exStyle;
};
std::map<HWND, Created> g_created;

LRESULT CALLBACK RecordCreated(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        g_created[reinterpret_cast<HWND>(wParam)] = {static_cast<uint32_t>(cs->style),
                                                     static_cast<uint32_t>(cs->dwExStyle)};
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class Dialogs : public ::testing::Test {
  protected:
    void SetUp() override { baseline_ = DlgRecordCountForTests(); }
    void TearDown() override {
        g_created.clear();
        EXPECT_EQ(DlgRecordCountForTests(), baseline_) << "records left behind";
    }
    int32_t baseline_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Creation

// 300 characters, none repeated within 26.
std::string Caption300() {
    std::string caption;
    for (int i = 0; i < 300; ++i) {
        caption += static_cast<char>('a' + i % 26);
    }
    return caption;
}

// A template read back field by field.
struct ReadTemplate {
    uint32_t style, exStyle;
    WORD items, x, y, cx, cy, menu, windowClass;
    std::wstring title;
    WORD points;
    std::wstring face;
    size_t size;
};

ReadTemplate Read(const DlgTemplate& t) {
    const WORD* w = t.words;
    ReadTemplate r{};
    r.style = w[0] | static_cast<uint32_t>(w[1]) << 16;
    r.exStyle = w[2] | static_cast<uint32_t>(w[3]) << 16;
    r.items = w[4];
    r.x = w[5];
    r.y = w[6];
    r.cx = w[7];
    r.cy = w[8];
    r.menu = w[9];
    r.windowClass = w[10];
    size_t at = 11;
    while (w[at] != 0) {
        r.title += static_cast<wchar_t>(w[at++]);
    }
    r.points = w[++at];
    ++at;
    while (w[at] != 0) {
        r.face += static_cast<wchar_t>(w[at++]);
    }
    r.size = at + 1;
    return r;
}

TEST(DlgBuildTemplate, HoldsEveryFieldAsTheDialogManagerReadsIt) {
    DefaultDialogFont font{"MS Sans Serif", 8};
    const ReadTemplate t = Read(
        DlgBuildTemplateForTests("Blaterix", -2, 70000, 0x12345, 40, 0, WS_EX_TOOLWINDOW, font));
    EXPECT_EQ(t.style, 0x80C000D4u);
    EXPECT_EQ(t.exStyle, static_cast<uint32_t>(WS_EX_TOOLWINDOW));
    EXPECT_EQ(t.items, 0);
    EXPECT_EQ(t.x, 0xFFFE);
    EXPECT_EQ(t.y, 70000 & 0xFFFF);
    EXPECT_EQ(t.cx, 0x2345);
    EXPECT_EQ(t.cy, 40);
    EXPECT_EQ(t.menu, 0);
    EXPECT_EQ(t.windowClass, 0);
    EXPECT_EQ(t.title, L"Blaterix");
    EXPECT_EQ(t.points, 8);
    EXPECT_EQ(t.face, L"MS Sans Serif");
}

TEST(DlgBuildTemplate, CaptionIsCutAndWidenedByteForByte) {
    const std::string long300 = Caption300();
    struct Case {
        std::string caption;
        std::wstring title;
    };
    const Case cases[] = {
        {long300, std::wstring(long300.begin(), long300.begin() + 256)},
        {"", L" "},
        {"Citt\xE0 \x80\x9F\xFF", L"Citt\u00E0 \u0080\u009F\u00FF"}, // no code-page conversion
        {std::string("prima\0dopo", 10), L"prima"},
    };
    DefaultDialogFont font{"Tahoma", 10};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        const DlgTemplate built = DlgBuildTemplateForTests(c.caption, 0, 0, 10, 10, 0, 0, font);
        const ReadTemplate t = Read(built);
        EXPECT_EQ(t.title, c.title);
        EXPECT_EQ(t.points, 10);
        EXPECT_EQ(t.face, L"Tahoma");
        EXPECT_EQ(built.size, t.size);
    }
    // The largest template fits.
    std::memcpy(font.face, std::string(31, 'f').c_str(), 32);
    const DlgTemplate largest = DlgBuildTemplateForTests(long300, 0, 0, 10, 10, 0, 0, font);
    EXPECT_EQ(largest.size, std::size(largest.words));
    EXPECT_EQ(Read(largest).face, std::wstring(31, L'f'));
}

TEST_F(Dialogs, EffectiveDialogStyle) {
    struct Case {
        uint32_t style;
        int32_t x, y;
        uint32_t expected;
    };
    const Case cases[] = {
        {0, 10, 10, 0x80C000D4},                // the default, without system menu
        {kMainWindowStyle, 10, 10, 0x84CF00D4}, // WS_VISIBLE removed
        {0x80C80002, 10, 10, 0x80C80054},       // DS_SYSMODAL removed, 0x54 added
        {0, -1, 10, 0x80C008D4},                // DS_CENTER for -1 in x
        {0, 10, -1, 0x80C008D4},                // or in y
        {0, 0xFFFF, 10, 0x80C000D4},            // but not for 0xFFFF
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << "style 0x" << c.style << " x " << c.x << " y " << c.y);
        EXPECT_EQ(Read(DlgBuildTemplateForTests("Style", c.x, c.y, 100, 60, c.style, 0, {})).style,
                  c.expected);
        ScopedWindow dialog(DlgCreate(kDlgUnits, nullptr, "Style", c.x, c.y, 100, 60, c.style, 0));
        ASSERT_NE(dialog.Get(), nullptr);
        // The platform gives every top-level window WS_CLIPSIBLINGS.
        EXPECT_EQ(StyleOf(dialog) & ~WS_CLIPSIBLINGS, c.expected & ~WS_CLIPSIBLINGS);
        EXPECT_FALSE(IsWindowVisible(dialog));
    }
    ScopedWindow tool(DlgCreate(kDlgUnits, nullptr, "Tool", 10, 10, 100, 60, 0, WS_EX_TOOLWINDOW));
    EXPECT_NE(ExStyleOf(tool) & WS_EX_TOOLWINDOW, 0u);
}

TEST_F(Dialogs, CaptionBecomesTheTitle) {
    const std::string long300 = Caption300();
    // Bytes 0x80..0x9F are left to the template test: Wine turns the title of an ANSI dialog
    // into the ANSI code page and back, Windows shows them as U+0080..U+009F.
    struct Case {
        std::string caption;
        std::wstring expected;
    };
    const Case cases[] = {
        {long300, std::wstring(long300.begin(), long300.begin() + 256)},
        {"", L" "},
        {"Citt\xE0", L"Citt\u00E0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        ScopedWindow dialog(NewDialog(0, 100, 60, nullptr, c.caption));
        ASSERT_NE(dialog.Get(), nullptr);
        EXPECT_EQ(WideTitle(dialog), c.expected);
    }
}

TEST_F(Dialogs, DefaultFontReachesTheDialogAndEveryControl) {
    ScopedWindow dialog(NewDialog());
    const HWND controls[] = {
        AddControl(kLabel, dialog, 1, 5, 5, 50, 10),
        AddControl(kPushButton, dialog, 2, 5, 20, 50, 14),
        AddControl(kTextBox, dialog, 3, 5, 40, 50, 12),
    };
    const auto font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTA logFont{};
    ASSERT_NE(GetObjectA(font, sizeof logFont, &logFont), 0);
    EXPECT_STREQ(logFont.lfFaceName, "MS Sans Serif");
    {
        const ScopedGetDC screen;
        EXPECT_EQ(logFont.lfHeight, -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72));
    }
    for (HWND control : controls) {
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), font);
    }
}

std::string FaceOfDialogFont(HWND dialog) {
    LOGFONTA logFont{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof logFont,
               &logFont);
    return logFont.lfFaceName;
}

TEST_F(Dialogs, EachThreadStartsFromTheStartUpThreadsFont) {
    const DefaultDialogFont original = DlgGetDefaultFont();
    EXPECT_STREQ(original.face, "MS Sans Serif");
    EXPECT_EQ(original.points, 8);

    DlgSetDefaultFont("Arial", 10);
    DefaultDialogFont seenFirst{};
    std::string faceInThread;
    std::thread first([&] {
        seenFirst = DlgGetDefaultFont();
        DlgSetDefaultFont("Courier New", 9);
        HWND dialog = NewDialog();
        faceInThread = FaceOfDialogFont(dialog);
        DestroyWindow(dialog);
    });
    first.join();
    DefaultDialogFont seenSecond{};
    std::thread second([&] { seenSecond = DlgGetDefaultFont(); });
    second.join();

    EXPECT_STREQ(seenFirst.face, "Arial");
    EXPECT_EQ(seenFirst.points, 10);
    EXPECT_EQ(faceInThread, "Courier New");
    // Another thread's change stays in that thread.
    EXPECT_STREQ(seenSecond.face, "Arial");
    EXPECT_STREQ(DlgGetDefaultFont().face, "Arial");

    DlgSetDefaultFont(std::string(40, 'x'), 8);
    EXPECT_EQ(std::string(DlgGetDefaultFont().face), std::string(31, 'x'));

    DlgSetDefaultFont(original.face, original.points);
    ScopedWindow dialog(NewDialog());
    EXPECT_EQ(FaceOfDialogFont(dialog), "MS Sans Serif");
}

TEST_F(Dialogs, PixelModeGivesTheClientSizeAndPosition) {
    ScopedWindow placed(DlgCreate(kDlgPixels, nullptr, "Pixels", 40, 50, 300, 200, 0, 0));
    ASSERT_NE(placed.Get(), nullptr);
    EXPECT_EQ(ClientSize(placed).cx, 300);
    EXPECT_EQ(ClientSize(placed).cy, 200);
    RECT r{};
    GetWindowRect(placed, &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 50);

    ScopedWindow centred(DlgCreate(kDlgPixels, nullptr, "Centred", -1, 0, 300, 200, 0, 0));
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(centred, &r);
    EXPECT_EQ(r.left, (work.left + work.right - (r.right - r.left)) / 2);
    EXPECT_EQ(r.top, (work.top + work.bottom - (r.bottom - r.top)) / 2);
    EXPECT_EQ(ClientSize(centred).cx, 300);

    ScopedWindow kept(DlgCreate(kDlgPixels, nullptr, "Kept", 0x8000, 0x8000, 260, 140, 0, 0));
    EXPECT_EQ(ClientSize(kept).cx, 260);
    EXPECT_EQ(ClientSize(kept).cy, 140);

    // Controls and sizes of a pixel-mode dialog are pixels too.
    HWND label = AddControl(kLabel, placed, 7, 7, 9, 33, 15);
    r = PlaceOf(label);
    EXPECT_EQ(r.left, 7);
    EXPECT_EQ(r.top, 9);
    EXPECT_EQ(r.right - r.left, 33);
    EXPECT_EQ(r.bottom - r.top, 15);
    DlgSetSize(placed, 7, 51, 21);
    EXPECT_EQ(OuterSize(label).cx, 51);
    EXPECT_EQ(DlgGetClientSize(placed, 7).height, 21);
    EXPECT_EQ(DlgGetClientSize(placed, DlgSelf).width, 300);
}

TEST_F(Dialogs, PlatformRefusalGivesNoDialog) {
    const int32_t before = DlgRecordCountForTests();
    HWND notAWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
    EXPECT_EQ(DlgCreate(kDlgUnits, notAWindow, "Orphan", 0, 0, 50, 50, 0, 0), nullptr);
    EXPECT_EQ(DlgRecordCountForTests(), before);
}

// ---------------------------------------------------------------------------------------------
// Controls

TEST_F(Dialogs, ControlStylesFollowTheKindTable) {
    struct Case {
        ControlKind kind;
        uint32_t style;
        uint32_t exStyle;
        const char* windowClass;
        uint32_t expected;
        bool clientEdge;
    };
    const Case cases[] = {
        {kPushButton, 0, 0, "Button", 0x50010000, false},
        {kThreeStateBox, 0, 0, "Button", 0x50010006, false},
        {kThreeStateBox, 0x00CF00FF, 0, "Button", 0x50030036, false},
        {kCheckBox, 0, 0, "Button", 0x50010003, false},
        {kCheckBox, 0x00CF00FF, 0, "Button", 0x50030033, false},
        {kGroupFrame, 0, 0, "Button", 0x50000007, false},
        {kGroupFrame, 0x0003D0FF, 0, "Button", 0x50000007, false},
        {kLabel, 0, 0, "Static", 0x50000000, false},
        {kLabel, SS_CENTER, 0, "Static", 0x50000001, false},
        {kEtchedLine, 0, 0, "Static", 0x50000012, false},
        {kOptionButton, 0, 0, "Button", 0x50010009, false},
        {kOptionButton, 0x01CF00FF, 0, "Button", 0x50030039, false},
        {kTextBox, 0, 0, "Edit", 0x50010080, true},
        {kTextBox, 0x50012080, 0, "Edit", 0x50012080, false},
        {kTextBox, ES_MULTILINE, WS_EX_STATICEDGE, "Edit", 0x50000004, false},
        {kImage, 0, 0, "Static", 0x5000000E, false},
        {kFittedImage, 0, 0, "Static", 0x5000000E, false},
        {kImageButton, 0, 0, "Button", 0x50010080, false},
        {kFittedImageButton, 0, 0, "Button", 0x50010080, false},
        {kFittedImageButton, BS_FLAT, 0, "Button", 0x50008080, false},
        {kGraphic, 0, 0, "Static", 0x5000000D, false},
        {kGraphic, SS_NOTIFY, 0, "Static", 0x5000010D, false},
        {kFittedImage, SS_NOTIFY, 0, "Static", 0x5000010E, false},
        {kComboBox, 0, 0, "ComboBox", 0x50010102, false},
        {kListBox, 0, 0, "ListBox", 0x50210003, true},
        {kListBox, LBS_SORT, 0, "ListBox", 0x50000003, false},
        {kCustomControl, 0x40000001, WS_EX_CLIENTEDGE, "Static", 0x40000001, true},
    };
    ScopedWindow dialog(NewDialog(0, 300, 200));
    const ScopedHook hook = HookThisThread(WH_CBT, RecordCreated);
    int32_t id = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << std::hex << " style 0x" << c.style);
        HWND control = DlgAddControl(c.kind, dialog, ++id, "", {}, 5, 5, 40, 12, c.style, c.exStyle,
                                     nullptr, c.kind == kCustomControl ? "STATIC" : "");
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(GetParent(control), dialog.Get());
        EXPECT_EQ(GetDlgCtrlID(control), id);
        EXPECT_STRCASEEQ(ClassOf(control).c_str(), c.windowClass);
        // What the platform was asked for, and what the window keeps: a list box shows and
        // hides its own scroll bar.
        ASSERT_EQ(g_created.count(control), 1u);
        EXPECT_EQ(g_created[control].style, c.expected);
        EXPECT_EQ(g_created[control].exStyle, c.exStyle | (c.clientEdge ? WS_EX_CLIENTEDGE : 0));
        const uint32_t managed = c.kind == kListBox ? WS_VSCROLL : 0;
        EXPECT_EQ(StyleOf(control) | managed, c.expected | managed);
        EXPECT_EQ((ExStyleOf(control) & WS_EX_CLIENTEDGE) != 0, c.clientEdge);
        if (c.exStyle == WS_EX_STATICEDGE) {
            EXPECT_NE(ExStyleOf(control) & WS_EX_STATICEDGE, 0u);
        }
    }
}

TEST_F(Dialogs, ScrollBarOrientationFollowsThePixelSize) {
    ScopedWindow dialog(NewDialog(0, 300, 200));
    struct Case {
        int32_t width, height;
        uint32_t style;
    };
    const Case cases[] = {
        {60, 10, 0}, {10, 60, 0}, {40, 40, 0}, {41, 37, 0}, {10, 60, WS_CHILD},
    };
    int32_t id = 200;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " style " << c.style);
        HWND bar = AddControl(kScrollBar, dialog, ++id, 3, 3, c.width, c.height, c.style);
        ASSERT_NE(bar, nullptr);
        const RECT pixels = MapUnits(dialog, 3, 3, 3 + c.width, 3 + c.height);
        const bool vertical =
            c.style == 0 && pixels.right - pixels.left < pixels.bottom - pixels.top;
        EXPECT_EQ(StyleOf(bar), vertical ? 0x50000001u : 0x50000000u);
    }
}

TEST_F(Dialogs, DefaultPushButtonBecomesTheDialogsDefault) {
    struct Case {
        ControlKind kind;
        uint32_t style;
        bool makesDefault;
    };
    const Case cases[] = {
        {kPushButton, 0x50010001, true},
        {kImageButton, 0x50010081, true},
        {kFittedImageButton, BS_DEFPUSHBUTTON, true},
        {kPushButton, 0, false},
        {kCheckBox, 0x50010003, false}, // bit 0 set, but not a push button kind
    };
    MessageLog sent{{DM_SETDEFID}};
    SentMessages recorder(sent);
    int32_t id = 300;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind);
        ScopedWindow dialog(NewDialog());
        sent.window = dialog;
        sent.seen.clear();
        ASSERT_NE(AddControl(c.kind, dialog, ++id, 5, 5, 50, 14, c.style), nullptr);
        if (c.makesDefault) {
            EXPECT_TRUE(MatchesSequence(sent, {{DM_SETDEFID, kWParam, static_cast<WPARAM>(id)}}));
            EXPECT_EQ(SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELONG(id, DC_HASDEFID));
        } else {
            EXPECT_TRUE(MatchesSequence(sent, {}));
        }
    }
}

TEST_F(Dialogs, ItemsFillListAndComboBoxesUpToTheFirstEmptyOne) {
    ScopedWindow dialog(NewDialog());
    const std::string items[] = {"pera", "mela", "", "fico"};
    HWND list = DlgAddControl(kListBox, dialog, 1, "", items, 5, 5, 80, 60, 0, 0);
    HWND combo = DlgAddControl(kComboBox, dialog, 2, "", items, 90, 5, 80, 60, 0, 0);
    HWND empty = DlgAddControl(kListBox, dialog, 3, "", {}, 5, 70, 80, 40, 0, 0);
    char text[16] = {};
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    SendMessageA(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "mela"); // sorted by the default style
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
    SendMessageA(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "pera");
    EXPECT_EQ(SendMessageA(empty, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(Dialogs, ControlsAreMadeOnlyForEngineDialogs) {
    ScopedWindow foreign(CreateWindowExA(0, "STATIC", "foreign", WS_POPUP, 0, 0, 100, 100, nullptr,
                                         nullptr, GetModuleHandleA(nullptr), nullptr));
    ASSERT_NE(foreign.Get(), nullptr);
    ScopedWindow dialog(NewDialog());
    HWND label = AddControl(kLabel, dialog, 1, 5, 5, 50, 10);
    const int32_t before = DlgRecordCountForTests();

    EXPECT_EQ(AddControl(kLabel, foreign, 2, 5, 5, 50, 10), nullptr);
    EXPECT_EQ(GetWindow(foreign, GW_CHILD), nullptr);
    EXPECT_EQ(AddControl(kLabel, label, 3, 5, 5, 50, 10), nullptr); // a control is no dialog
    EXPECT_EQ(GetWindow(label, GW_CHILD), nullptr);
    EXPECT_EQ(DlgAddControl(kCustomControl, dialog, 4, "", {}, 5, 5, 50, 10, WS_CHILD, 0, nullptr,
                            "NoSuchClassHere"),
              nullptr);
    EXPECT_EQ(DlgRecordCountForTests(), before);
}

TEST_F(Dialogs, BothCornersAreMappedAtCreationButOnlyTheSizeOnResizing) {
    ScopedWindow dialog(NewDialog(0, 300, 100));
    constexpr int32_t kWidth = 25, kHeight = 9;
    const RECT resized = MapUnits(dialog, 0, 0, kWidth, kHeight);
    int32_t id = 0;
    for (int32_t x : {0, 1, 2, 3, 5, 7, 11, 13}) {
        SCOPED_TRACE(testing::Message() << "x " << x);
        HWND label = AddControl(kLabel, dialog, ++id, x, 4, kWidth, kHeight);
        const RECT expected = MapUnits(dialog, x, 4, x + kWidth, 4 + kHeight);
        const RECT actual = PlaceOf(label);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right, expected.right);
        EXPECT_EQ(actual.bottom, expected.bottom);
        if (x == 0) {
            EXPECT_EQ(actual.right - actual.left, resized.right);
        }
        DlgSetSize(dialog, id, kWidth, kHeight);
        EXPECT_EQ(OuterSize(label).cx, resized.right);
        EXPECT_EQ(OuterSize(label).cy, resized.bottom);
        EXPECT_EQ(PlaceOf(label).left, expected.left); // the position stays
    }
}

TEST_F(Dialogs, RecordsGoWithTheirDialog) {
    const int32_t before = DlgRecordCountForTests();
    HWND first = NewDialog();
    AddControl(kLabel, first, 1, 5, 5, 50, 10);
    AddControl(kTextBox, first, 2, 5, 20, 50, 12);
    HWND second = NewDialog();
    AddControl(kPushButton, second, 1, 5, 5, 50, 14);
    EXPECT_EQ(DlgRecordCountForTests(), before + 5);

    DestroyWindow(first);
    EXPECT_EQ(DlgRecordCountForTests(), before + 2);
    // The second dialog still has its records: its controls can still be added to.
    EXPECT_NE(AddControl(kLabel, second, 2, 5, 30, 50, 10), nullptr);
    DestroyWindow(second);
    EXPECT_EQ(DlgRecordCountForTests(), before);
    EXPECT_EQ(AddControl(kLabel, second, 3, 5, 5, 50, 10), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Modal runs

TEST_F(Dialogs, CloseBoxEndsTheRunWithResultZero) {
    constexpr int32_t kWidth = 180, kHeight = 90;
    HWND dialog = NewDialog(kMainWindowStyle, kWidth, kHeight);
    ASSERT_NE(dialog, nullptr);
    const RECT pixels = MapUnits(dialog, 0, 0, kWidth, kHeight);
    MessageLog log{
        {WM_INITDIALOG, WM_SIZE, WM_ACTIVATE, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}};
    MessageLog sent{{WM_ACTIVATE}, dialog};
    DlgSize sizeAtFirstWmSize{-1, -1};
    SentMessages recorder(sent);
    const int32_t result = RunDialog(dialog, kUntouched,
                                     Recording(log, [&](HWND d, UINT m, WPARAM, LPARAM) -> LRESULT {
                                         if (m == WM_INITDIALOG) {
                                             PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);
                                         } else if (m == WM_SIZE && sizeAtFirstWmSize.width < 0) {
                                             sizeAtFirstWmSize = DlgGetClientSize(d, DlgSelf);
                                         }
                                         return 0;
                                     }));

    EXPECT_EQ(result, 0);
    EXPECT_FALSE(IsWindow(dialog));
    // The two direct calls come first: WM_INITDIALOG once, then WM_SIZE in pixels. The
    // platform's activation never reaches the callback.
    EXPECT_TRUE(MatchesSequence(
        log,
        {
            {WM_INITDIALOG, kWParam | kLParam, reinterpret_cast<WPARAM>(dialog), 0},
            {WM_SIZE, kWParam | kLParam, SIZE_RESTORED, MAKELPARAM(pixels.right, pixels.bottom)},
            {WM_SYSCOMMAND, kWParam, SC_CLOSE},
            {WM_CLOSE},
            {WM_DESTROY},
            {WM_NCDESTROY},
        }));
    EXPECT_EQ(sizeAtFirstWmSize.width, kWidth);
    EXPECT_EQ(sizeAtFirstWmSize.height, kHeight);
    ASSERT_FALSE(sent.seen.empty()) << "the platform did not activate the dialog";
    EXPECT_NE(LOWORD(sent.seen[0].wParam), WA_INACTIVE);
}

TEST_F(Dialogs, CallbackKeepsTheDialogOpenByHandlingTheCloseCommand) {
    HWND dialog = NewDialog(kMainWindowStyle);
    MessageLog log{{WM_SYSCOMMAND, WM_APP, WM_CLOSE}};
    bool aliveAfterClose = false;
    const int32_t result = RunDialog(dialog, kUntouched,
                                     Recording(log, [&](HWND d, UINT m, WPARAM, LPARAM) -> LRESULT {
                                         switch (m) {
                                         case WM_INITDIALOG:
                                             PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);
                                             PostMessageA(d, WM_APP, 0, 0);
                                             return 0;
                                         case WM_SYSCOMMAND:
                                             return 1;
                                         case WM_APP:
                                             aliveAfterClose = IsWindow(d) != 0;
                                             DlgEnd(d, 5);
                                             return 0;
                                         default:
                                             return 0;
                                         }
                                     }));
    EXPECT_TRUE(aliveAfterClose);
    EXPECT_EQ(result, 5);
    // The only WM_CLOSE is the one that DlgEnd sends.
    EXPECT_TRUE(MatchesSequence(log, {{WM_SYSCOMMAND, kWParam, SC_CLOSE}, {WM_APP}, {WM_CLOSE}}));
}

TEST_F(Dialogs, NonZeroCallbackResultsReachTheSender) {
    HWND dialog = NewDialog();
    LRESULT plain = -1, custom = -1, none = -1;
    RunDialog(dialog, kUntouched, [&](HWND d, UINT m, WPARAM, LPARAM) -> LRESULT {
        switch (m) {
        case WM_INITDIALOG:
            PostMessageA(d, WM_APP, 0, 0);
            return 0;
        case WM_APP:
            plain = SendMessageA(d, WM_APP + 1, 0, 0);
            custom = SendMessageA(d, WM_APP + 2, 0, 0);
            none = SendMessageA(d, WM_APP + 3, 0, 0);
            DlgEnd(d, 0);
            return 0;
        case WM_APP + 1:
            return 42;
        case WM_APP + 2:
            SetWindowLongPtrA(d, DWLP_MSGRESULT, 7); // the callback's own result value wins
            return 1;
        default:
            return 0;
        }
    });
    EXPECT_EQ(plain, 42);
    EXPECT_EQ(custom, 7);
    EXPECT_EQ(none, 0);
}

TEST_F(Dialogs, EscapeAndEnterEndNothing) {
    HWND dialog = NewDialog(kMainWindowStyle);
    HWND box = AddControl(kTextBox, dialog, 1001, 5, 5, 80, 12);
    std::vector<WORD> commands;
    bool aliveAfterKeys = false;
    const int32_t result =
        RunDialog(dialog, kUntouched, [&](HWND d, UINT m, WPARAM w, LPARAM) -> LRESULT {
            if (m == WM_INITDIALOG) {
                PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
                PostMessageA(box, WM_KEYDOWN, VK_RETURN, 0x001C0001);
                PostMessageA(d, WM_COMMAND, IDOK, 0);
                PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
                PostMessageA(d, WM_APP, 0, 0);
            } else if (m == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
                commands.push_back(LOWORD(w));
            } else if (m == WM_APP) {
                aliveAfterKeys = IsWindow(d) != 0;
                DlgEnd(d, 8);
            }
            return 0;
        });
    EXPECT_TRUE(aliveAfterKeys);
    EXPECT_EQ(result, 8);
    // Escape and Enter arrive as commands 2 and 1, then the two posted ones.
    EXPECT_EQ(commands, (std::vector<WORD>{IDCANCEL, IDOK, IDOK, IDCANCEL}));
}

TEST_F(Dialogs, QuitMessageIsLostAndTheDialogRunsOn) {
    HWND dialog = NewDialog();
    bool aliveAfterQuit = false;
    const int32_t result = RunDialog(
        dialog, kUntouched,
        [](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
            if (m == WM_INITDIALOG) {
                PostQuitMessage(3);
            }
            return 0;
        },
        {
            // The steps run from a timer, and timers come after WM_QUIT.
            Until("the loop has taken WM_QUIT",
                  [] {
                      MSG pending;
                      return !PeekMessageA(&pending, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
                  }),
            Do([&] {
                aliveAfterQuit = IsWindow(dialog) != 0;
                DlgEnd(dialog, 9);
            }),
        });
    EXPECT_TRUE(aliveAfterQuit);
    EXPECT_EQ(result, 9);
    MSG quit;
    EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(Dialogs, NestedRunDisablesTheOwnerAndGivesItBackInOrder) {
    HWND outer = NewDialog(kMainWindowStyle, 200, 120);
    bool ownerEnabledWhileInnerRuns = true;
    bool ownerEnabledAtInnerDestroy = false;
    bool ownerEnabledAfter = false;
    HWND focusAfter = nullptr;
    int32_t innerResult = 0;

    const int32_t outerResult =
        RunDialog(outer, kUntouched, [&](HWND d, UINT m, WPARAM, LPARAM) -> LRESULT {
            if (m == WM_INITDIALOG) {
                PostMessageA(d, WM_APP, 0, 0);
            } else if (m == WM_APP) {
                HWND inner = NewDialog(0, 100, 60, d, "Inner");
                innerResult = RunDialog(inner, kUntouched, [&](HWND i, UINT im, WPARAM, LPARAM) {
                    if (im == WM_INITDIALOG) {
                        PostMessageA(i, WM_APP, 0, 0);
                    } else if (im == WM_APP) {
                        ownerEnabledWhileInnerRuns = IsWindowEnabled(d) != 0;
                        DlgEnd(i, 3);
                    } else if (im == WM_DESTROY) {
                        ownerEnabledAtInnerDestroy = IsWindowEnabled(d) != 0;
                    }
                    return LRESULT{0};
                });
                ownerEnabledAfter = IsWindowEnabled(d) != 0;
                focusAfter = GetFocus();
                DlgEnd(d, 4);
            }
            return 0;
        });

    EXPECT_FALSE(ownerEnabledWhileInnerRuns);
    EXPECT_TRUE(ownerEnabledAtInnerDestroy);
    EXPECT_TRUE(ownerEnabledAfter);
    EXPECT_EQ(focusAfter, outer);
    EXPECT_EQ(innerResult, 3);
    EXPECT_EQ(outerResult, 4);
}

TEST_F(Dialogs, DialogDestroyedWithoutDlgEndLeavesTheResultAndFreesTheOwner) {
    ScopedWindow owner(NewDialog());
    ShowWindow(owner, SW_SHOW);
    HWND dialog = NewDialog(0, 100, 60, owner);
    bool ownerDisabled = false;
    const int32_t result =
        RunDialog(dialog, kUntouched, [&](HWND d, UINT m, WPARAM, LPARAM) -> LRESULT {
            if (m == WM_INITDIALOG) {
                PostMessageA(d, WM_APP, 0, 0);
            } else if (m == WM_APP) {
                ownerDisabled = !IsWindowEnabled(owner);
                DestroyWindow(d);
            }
            return 0;
        });
    EXPECT_TRUE(ownerDisabled);
    EXPECT_EQ(result, kUntouched);
    // The platform could not activate the disabled owner when the dialog went; the run ends
    // by enabling it and giving it the focus.
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetFocus(), owner.Get());
}

TEST_F(Dialogs, DialogEndedWhileBeingShownEndsTheRun) {
    HWND dialog = NewDialog();
    const int32_t result =
        RunDialog(dialog, kUntouched, [](HWND d, UINT m, WPARAM w, LPARAM) -> LRESULT {
            if (m == WM_SHOWWINDOW && w != 0) {
                DlgEnd(d, 2);
            }
            return 0;
        });
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(Dialogs, RunOfAWindowWithoutRecordOnlyMakesTheDirectCalls) {
    ScopedWindow foreign(CreateWindowExA(0, "STATIC", "foreign", WS_POPUP, 0, 0, 100, 100, nullptr,
                                         nullptr, GetModuleHandleA(nullptr), nullptr));
    MessageLog log; // every message
    const int32_t result = RunDialog(foreign, kUntouched, Recording(log));
    EXPECT_EQ(result, kUntouched);
    EXPECT_TRUE(MatchesSequence(log, {{WM_INITDIALOG}, {WM_SIZE}}));
    EXPECT_FALSE(IsWindowVisible(foreign));
}

TEST_F(Dialogs, ShowCommandFollowsTheCallersStyle) {
    struct Case {
        uint32_t style;
        WPARAM sizeType;
        int show; // what the shown dialog is
    };
    const Case cases[] = {
        {0, SIZE_RESTORED, SW_SHOWNORMAL},
        {0x80C000D4 | WS_MINIMIZE, SIZE_MINIMIZED, SW_SHOWMINIMIZED},
        {0x80C000D4 | WS_MAXIMIZE, SIZE_MAXIMIZED, SW_SHOWMAXIMIZED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "style 0x" << c.style);
        HWND dialog = NewDialog(c.style);
        MessageLog log{{WM_INITDIALOG, WM_SIZE, WM_APP}};
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        DlgSize size{-1, -1};
        RunDialog(dialog, kUntouched,
                  Recording(log, [&](HWND d, UINT m, WPARAM, LPARAM) -> LRESULT {
                      if (m == WM_INITDIALOG) {
                          PostMessageA(d, WM_APP, 0, 0);
                      } else if (m == WM_APP) {
                          GetWindowPlacement(d, &placement);
                          size = DlgGetClientSize(d, DlgSelf);
                          DlgEnd(d, 0);
                      }
                      return 0;
                  }));
        EXPECT_TRUE(
            MatchesSequence(log, {{WM_INITDIALOG}, {WM_SIZE, kWParam, c.sizeType}, {WM_APP}}));
        EXPECT_EQ(placement.showCmd, static_cast<UINT>(c.show));
        if (c.show == SW_SHOWMINIMIZED) {
            EXPECT_EQ(size.width, 0);
            EXPECT_EQ(size.height, 0);
        }
    }
}

TEST_F(Dialogs, CallbackExceptionsStayInsideTheEngine) {
    HWND dialog = NewDialog();
    const int32_t result =
        RunDialog(dialog, kUntouched, [&](HWND d, UINT m, WPARAM, LPARAM) -> LRESULT {
            if (m == WM_INITDIALOG) {
                PostMessageA(d, WM_APP, 0, 0);
                PostMessageA(d, WM_APP + 1, 0, 0);
                throw std::runtime_error("from the direct call");
            }
            if (m == WM_APP) {
                throw std::runtime_error("from the dialog procedure");
            }
            if (m == WM_APP + 1) {
                DlgEnd(d, 6);
            }
            return 0;
        });
    EXPECT_EQ(result, 6);
}

// Control callbacks: the first command is taken, later ones are passed on.
MessageLog g_controlCalls;

LRESULT TakeFirstCommand(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    Record(g_controlCalls, dialog, message, wParam, lParam);
    return g_controlCalls.seen.size() == 1 ? 1 : 0;
}

TEST_F(Dialogs, ControlCallbackComesBeforeTheDialogsCallback) {
    g_controlCalls = {};
    HWND dialog = NewDialog();
    HWND button = AddControl(kPushButton, dialog, 1001, 5, 5, 50, 14, 0, 0, TakeFirstCommand);
    HWND bar = AddControl(kScrollBar, dialog, 1002, 5, 30, 80, 10, 0, 0, TakeFirstCommand);
    MessageLog log{{WM_COMMAND, WM_HSCROLL}};
    const WPARAM click = MAKEWPARAM(1001, BN_CLICKED);
    LRESULT firstResult = -1;
    RunDialog(dialog, kUntouched, Recording(log, [&](HWND d, UINT m, WPARAM, LPARAM) -> LRESULT {
                  if (m == WM_INITDIALOG) {
                      PostMessageA(d, WM_APP, 0, 0);
                  } else if (m == WM_APP) {
                      firstResult = SendMessageA(d, WM_COMMAND, click, LPARAM(button));
                      SendMessageA(d, WM_COMMAND, click, LPARAM(button));
                      SendMessageA(d, WM_HSCROLL, SB_LINERIGHT, LPARAM(bar));
                      DlgEnd(d, 0);
                  }
                  return 0;
              }));
    EXPECT_TRUE(MatchesSequence(g_controlCalls, {{WM_COMMAND, kWParam, click},
                                                 {WM_COMMAND, kWParam, click},
                                                 {WM_HSCROLL, kWParam, SB_LINERIGHT}}));
    for (const Seen& call : g_controlCalls.seen) {
        EXPECT_EQ(call.window, dialog); // the dialog's handle, not the control's
    }
    EXPECT_EQ(firstResult, 1);
    // The taken command stops there; the others reach the dialog's callback.
    EXPECT_TRUE(MatchesSequence(log, {{WM_COMMAND, kWParam, click}, {WM_HSCROLL}}));
}

// ---------------------------------------------------------------------------------------------
// Sizes and text

TEST(DlgPixelsToUnits, RoundsHalvesUpAndNegativeQuotientsDown) {
    struct Case {
        int32_t pixels, extent, expected;
    };
    const Case cases[] = {
        {0, 1536, 0},   {3, 3072, 1},   {1, 2048, 1},       {1, 2049, 0},   {5, 4096, 1},
        {7, 4096, 2},   {3, 2048, 2},   {1536, 1536, 1024}, {-4, 2048, -2}, {-3, 2048, -2},
        {-1, 4096, -1}, {-5, 4096, -2}, {100, 0, 0},        {100, -5, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DlgPixelsToUnitsForTests(c.pixels, c.extent), c.expected)
            << c.pixels << " px over " << c.extent;
    }
}

TEST_F(Dialogs, SizesAreSetOuterAndReadAsClientInDialogUnits) {
    ScopedWindow dialog(NewDialog(0, 200, 120));
    HWND label = AddControl(kLabel, dialog, 1, 5, 5, 30, 10);
    HWND box = AddControl(kTextBox, dialog, 2, 5, 20, 30, 12);
    HWND graphic = AddControl(kGraphic, dialog, 3, 5, 40, 30, 12);
    HWND plain = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, dialog,
                                 reinterpret_cast<HMENU>(INT_PTR{4}), nullptr, nullptr);

    DlgSize size = DlgGetClientSize(dialog, DlgSelf);
    EXPECT_EQ(size.width, 200);
    EXPECT_EQ(size.height, 120);

    const RECT pixels = MapUnits(dialog, 0, 0, 40, 12);
    DlgSetSize(dialog, 1, 40, 12);
    EXPECT_EQ(OuterSize(label).cx, pixels.right);
    EXPECT_EQ(OuterSize(label).cy, pixels.bottom);
    size = DlgGetClientSize(dialog, 1);
    EXPECT_EQ(size.width, 40);
    EXPECT_EQ(size.height, 12);

    // The text box's client edge lies inside the size that was set.
    DlgSetSize(dialog, 2, 40, 12);
    EXPECT_EQ(OuterSize(box).cx, pixels.right);
    size = DlgGetClientSize(dialog, 2);
    EXPECT_LT(size.width, 40);
    EXPECT_LT(size.height, 12);

    const RECT dialogPixels = MapUnits(dialog, 0, 0, 150, 90);
    DlgSetSize(dialog, DlgSelf, 150, 90);
    EXPECT_EQ(OuterSize(dialog).cx, dialogPixels.right);
    EXPECT_EQ(OuterSize(dialog).cy, dialogPixels.bottom);

    // Negative sizes go to the platform as they are, which makes them empty.
    DlgSetSize(dialog, 1, -20, -8);
    EXPECT_EQ(OuterSize(label).cx, 0);
    EXPECT_EQ(OuterSize(label).cy, 0);
    size = DlgGetClientSize(dialog, 1);
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(size.height, 0);

    // A graphic control keeps its size; a window of the platform's own is measured in pixels.
    const SIZE graphicBefore = OuterSize(graphic);
    DlgSetSize(dialog, 3, 60, 30);
    EXPECT_EQ(OuterSize(graphic).cx, graphicBefore.cx);
    DlgSetSize(dialog, 4, 33, 17);
    EXPECT_EQ(OuterSize(plain).cx, 33);
    size = DlgGetClientSize(dialog, 4);
    EXPECT_EQ(size.width, 33);
    EXPECT_EQ(size.height, 17);

    // An identifier that names no control.
    size = DlgGetClientSize(dialog, 999);
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(size.height, 0);
    DlgSetSize(dialog, 999, 10, 10);
    EXPECT_EQ(DlgItemHandle(dialog, 999), nullptr);
    EXPECT_EQ(DlgItemHandle(dialog, 2), box);
}

TEST_F(Dialogs, TextIsReadAndWrittenAsBytes) {
    ScopedWindow dialog(NewDialog());
    HWND box = AddControl(kTextBox, dialog, 1, 5, 5, 80, 40, 0x50010004); // multi-line
    HWND label = AddControl(kLabel, dialog, 2, 5, 50, 80, 10);

    EXPECT_EQ(DlgGetText(nullptr), "");
    EXPECT_EQ(DlgGetText(box), "");
    DlgSetText(box, "uno\r\ndue\r\n");
    EXPECT_EQ(DlgGetText(box), "uno\r\ndue\r\n");
    DlgSetText(box, std::string("prima\0dopo", 10));
    EXPECT_EQ(DlgGetText(box), "prima");

    const std::string longText(70000, 'z');
    DlgSetText(label, longText);
    EXPECT_EQ(DlgGetText(label), longText);

    EXPECT_EQ(DlgSendMessage(box, EM_LIMITTEXT, 3, 0), 0);
    EXPECT_EQ(DlgSendMessage(box, EM_GETLIMITTEXT, 0, 0), 3);
}

} // namespace
