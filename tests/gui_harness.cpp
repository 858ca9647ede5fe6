#include "tests/gui_harness.h"

#include "app/app.h"
#include "dialogs/dialogs.h"
#include "phrases/phrases.h"
#include "random/random.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <sstream>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::seconds kDefaultDeadline{300};
constexpr UINT kTickMilliseconds = 10;

// One scenario while it runs; runs nest when a step or a callback starts another modal loop.
struct Run {
    std::string name;
    std::vector<Step> steps;
    std::size_t next = 0;
    bool inStep = false;
};

std::vector<Run*> Runs;       // outermost first
std::vector<HWND> RunDialogs; // the dialogs of the runs that RunDialog started, innermost last
std::map<HWND, Handler> Handlers;
std::chrono::milliseconds Allowed{0}; // the outermost run's time, from its start
Clock::time_point Deadline;
UINT_PTR Timer = 0;
bool Stopping = false; // the deadline passed or a step failed hard: every window is to go

// Where a run is: "step 2 of 5 of the main window (waiting until ...)", or
// "dialog "Test", which did not end after its 5 steps".
std::string Describe(const Run& run) {
    if (run.next < run.steps.size()) {
        const std::string& what = run.steps[run.next].what;
        return "step " + std::to_string(run.next + 1) + " of " + std::to_string(run.steps.size()) +
               " of " + run.name + (what.empty() ? "" : " (" + what + ")");
    }
    if (run.steps.empty()) {
        return run.name + ", which did not end";
    }
    return run.name + ", which did not end after its " + std::to_string(run.steps.size()) +
           " steps";
}

// Where every run is, innermost first.
std::string Where() {
    std::string where;
    for (auto it = Runs.rbegin(); it != Runs.rend(); ++it) {
        where += (where.empty() ? "" : ", inside ") + Describe(**it);
    }
    return where;
}

BOOL CALLBACK CollectShown(HWND window, LPARAM windows) {
    if (IsWindowVisible(window)) {
        reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    }
    return TRUE;
}

// Destroys the thread's shown top-level windows (owned ones come first) and the running
// dialogs, innermost first, so that every modal loop ends.
void EndEveryWindow() {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectShown, reinterpret_cast<LPARAM>(&windows));
    windows.insert(windows.end(), RunDialogs.rbegin(), RunDialogs.rend());
    for (HWND window : windows) {
        if (IsWindow(window)) {
            DestroyWindow(window);
        }
    }
}

void Stop(const std::string& why) {
    ADD_FAILURE() << why;
    std::fflush(stdout);
    Stopping = true;
}

// Runs the innermost run's steps that are ready; a tick that comes while one of its steps is
// still running (the step runs a modal loop) only watches the deadline.
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (Runs.empty()) {
        return;
    }
    if (!Stopping && Clock::now() >= Deadline) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Allowed).count();
        Stop("timed out after " + std::to_string(seconds) + " s at " + Where());
    }
    if (Stopping) {
        EndEveryWindow();
        return;
    }
    Run& run = *Runs.back();
    while (!run.inStep && !Stopping && run.next < run.steps.size()) {
        run.inStep = true;
        bool done = false;
        try {
            done = run.steps[run.next].done();
        } catch (const std::exception& e) {
            Stop("exception at " + Where() + ": " + e.what());
        } catch (...) {
            Stop("exception at " + Where());
        }
        run.inStep = false;
        if (!done) {
            break;
        }
        ++run.next;
    }
    if (Stopping) {
        EndEveryWindow();
    }
}

LRESULT Forward(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto it = Handlers.find(dialog);
    return it == Handlers.end() ? 0 : it->second(dialog, message, wParam, lParam);
}

MessageLog* SentLog = nullptr;

LRESULT CALLBACK RecordSent(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && SentLog != nullptr) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        Record(*SentLog, call->hwnd, call->message, call->wParam, call->lParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string Hex(unsigned long long value) {
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}

std::string Describe(const Expected& entry) {
    std::string text = MessageName(entry.message);
    if ((entry.checks & kWParam) != 0) {
        text += " wParam " + Hex(entry.wParam);
    }
    if ((entry.checks & kLParam) != 0) {
        text += " lParam " + Hex(static_cast<unsigned long long>(entry.lParam));
    }
    if ((entry.checks & kOptional) != 0) {
        text += " (optional)";
    }
    return text;
}

std::string Describe(const Seen& seen) {
    return MessageName(seen.message) + " wParam " + Hex(seen.wParam) + " lParam " +
           Hex(static_cast<unsigned long long>(seen.lParam));
}

bool Matches(const Expected& entry, const Seen& seen) {
    return entry.message == seen.message &&
           ((entry.checks & kWParam) == 0 || entry.wParam == seen.wParam) &&
           ((entry.checks & kLParam) == 0 || entry.lParam == seen.lParam);
}

// Lines a seen sequence up with an expected one; remembers the place where the attempt that got
// furthest through what was seen came to a stop.
struct Alignment {
    const std::vector<Expected>& want;
    const std::vector<Seen>& seen;
    std::vector<bool> tried; // (expected entry, seen message) pairs already known not to align
    std::size_t stuckExpected = 0, stuckSeen = 0;
};

// Whether want from i on aligns with seen from j on: each entry matches the next message, or is
// optional and left out. Optional entries are tried both ways, so that one cannot swallow a
// message that a later entry needs.
bool Align(Alignment& a, std::size_t i, std::size_t j) {
    if (i == a.want.size() && j == a.seen.size()) {
        return true;
    }
    const std::size_t at = i * (a.seen.size() + 1) + j;
    if (a.tried[at]) {
        return false;
    }
    a.tried[at] = true;
    if (i < a.want.size() && j < a.seen.size() && Matches(a.want[i], a.seen[j]) &&
        Align(a, i + 1, j + 1)) {
        return true;
    }
    if (i < a.want.size() && (a.want[i].checks & kOptional) != 0 && Align(a, i + 1, j)) {
        return true;
    }
    if (j > a.stuckSeen || (j == a.stuckSeen && i > a.stuckExpected)) {
        a.stuckExpected = i;
        a.stuckSeen = j;
    }
    return false;
}

} // namespace

Step Do(std::function<void()> action) {
    return {"", [action] {
                action();
                return true;
            }};
}

Step Until(std::string what, std::function<bool()> condition) {
    return {"waiting until " + what, std::move(condition)};
}

std::chrono::milliseconds GuiDeadline() {
    const char* text = std::getenv("BLATERIX_GUI_DEADLINE");
    if (text == nullptr || *text == '\0') {
        return kDefaultDeadline;
    }
    char* end = nullptr;
    const long seconds = std::strtol(text, &end, 10);
    if (*end != '\0' || seconds <= 0 || seconds > 24 * 3600) {
        ADD_FAILURE() << "BLATERIX_GUI_DEADLINE=" << text
                      << " is no number of seconds (1 to 86400); taking "
                      << kDefaultDeadline.count();
        return kDefaultDeadline;
    }
    return std::chrono::seconds(seconds);
}

void RunScenario(std::string name, const std::function<void()>& loop, std::vector<Step> steps) {
    Run run{std::move(name), std::move(steps)};
    const bool outermost = Runs.empty();
    if (outermost) {
        Stopping = false;
        Allowed = GuiDeadline();
        Deadline = Clock::now() + Allowed;
        Timer = SetTimer(nullptr, 0, kTickMilliseconds, Tick);
        EXPECT_NE(Timer, 0u) << "no timer for the steps";
    }
    Runs.push_back(&run);
    loop();
    if (!Stopping && run.next < run.steps.size()) {
        ADD_FAILURE() << "the modal loop ended before " << Describe(run);
    }
    Runs.pop_back();
    if (outermost) {
        KillTimer(nullptr, Timer);
        Timer = 0;
        Stopping = false;
    }
}

int32_t RunDialog(HWND dialog, int32_t initial, Handler handler, std::vector<Step> steps) {
    Handlers[dialog] = std::move(handler);
    RunDialogs.push_back(dialog);
    int32_t result = initial;
    RunScenario(
        "dialog \"" + DlgGetText(dialog) + "\"", [&] { DlgRunModal(dialog, Forward, &result); },
        std::move(steps));
    RunDialogs.pop_back();
    Handlers.erase(dialog);
    return result;
}

int32_t RunMainWindow(std::vector<Step> steps) {
    steps.push_back({"closing the main window from its close box", [] {
                         PostMessageA(Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
                         return true;
                     }});
    int32_t result = -1;
    RunScenario(
        "the main window", [&] { result = ShowMainWindow(nullptr); }, std::move(steps));
    EXPECT_EQ(Main(), nullptr) << "the main window outlived its run";
    return result;
}

ScopedHook HookThisThread(int type, HOOKPROC procedure) {
    ScopedHook hook(SetWindowsHookExA(type, procedure, nullptr, GetCurrentThreadId()));
    EXPECT_NE(hook.Get(), nullptr) << "no hook of type " << type;
    return hook;
}

void Record(MessageLog& log, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (log.window != nullptr && log.window != window) {
        return;
    }
    if (log.interest.empty() ||
        std::find(log.interest.begin(), log.interest.end(), message) != log.interest.end()) {
        log.seen.push_back({window, message, wParam, lParam});
    }
}

Handler Recording(MessageLog& log, Handler then) {
    return [&log, then](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        Record(log, window, message, wParam, lParam);
        return then ? then(window, message, wParam, lParam) : 0;
    };
}

testing::AssertionResult MatchesSequence(const MessageLog& log, const std::vector<Expected>& want) {
    const std::vector<Seen>& seen = log.seen;
    Alignment alignment{want, seen, std::vector<bool>((want.size() + 1) * (seen.size() + 1))};
    if (Align(alignment, 0, 0)) {
        return testing::AssertionSuccess();
    }
    const std::size_t i = alignment.stuckExpected, j = alignment.stuckSeen;
    std::string problem;
    if (i == want.size()) {
        problem = "seen message " + std::to_string(j + 1) + " is " + Describe(seen[j]) +
                  ", after the last expected entry";
    } else if (j == seen.size()) {
        problem =
            "expected entry " + std::to_string(i + 1) + ", " + Describe(want[i]) + ", never came";
    } else {
        problem = "expected entry " + std::to_string(i + 1) + " is " + Describe(want[i]) +
                  ", but seen message " + std::to_string(j + 1) + " is " + Describe(seen[j]);
    }
    testing::AssertionResult failure = testing::AssertionFailure();
    failure << "message sequence differs: " << problem << "\n  expected:";
    for (std::size_t k = 0; k < want.size(); ++k) {
        failure << "\n    " << k + 1 << " " << Describe(want[k]);
    }
    failure << "\n  seen:";
    for (std::size_t k = 0; k < seen.size(); ++k) {
        failure << "\n    " << k + 1 << " " << Describe(seen[k]);
    }
    return failure;
}

std::string MessageName(UINT message) {
#define BLATERIX_NAME(m)                                                                           \
    { m, #m }
    static const std::map<UINT, const char*> names = {
        BLATERIX_NAME(WM_CREATE),
        BLATERIX_NAME(WM_DESTROY),
        BLATERIX_NAME(WM_MOVE),
        BLATERIX_NAME(WM_SIZE),
        BLATERIX_NAME(WM_ACTIVATE),
        BLATERIX_NAME(WM_SETFOCUS),
        BLATERIX_NAME(WM_KILLFOCUS),
        BLATERIX_NAME(WM_ENABLE),
        BLATERIX_NAME(WM_SETTEXT),
        BLATERIX_NAME(WM_GETTEXT),
        BLATERIX_NAME(WM_PAINT),
        BLATERIX_NAME(WM_CLOSE),
        BLATERIX_NAME(WM_QUIT),
        BLATERIX_NAME(WM_ERASEBKGND),
        BLATERIX_NAME(WM_SHOWWINDOW),
        BLATERIX_NAME(WM_ACTIVATEAPP),
        BLATERIX_NAME(WM_SETCURSOR),
        BLATERIX_NAME(WM_SETFONT),
        BLATERIX_NAME(WM_GETFONT),
        BLATERIX_NAME(WM_WINDOWPOSCHANGING),
        BLATERIX_NAME(WM_WINDOWPOSCHANGED),
        BLATERIX_NAME(WM_NCCREATE),
        BLATERIX_NAME(WM_NCDESTROY),
        BLATERIX_NAME(WM_NCACTIVATE),
        BLATERIX_NAME(WM_GETDLGCODE),
        BLATERIX_NAME(WM_KEYDOWN),
        BLATERIX_NAME(WM_CHAR),
        BLATERIX_NAME(WM_INITDIALOG),
        BLATERIX_NAME(WM_COMMAND),
        BLATERIX_NAME(WM_SYSCOMMAND),
        BLATERIX_NAME(WM_TIMER),
        BLATERIX_NAME(WM_HSCROLL),
        BLATERIX_NAME(WM_VSCROLL),
        BLATERIX_NAME(WM_CTLCOLORSTATIC),
        BLATERIX_NAME(WM_CANCELMODE),
        BLATERIX_NAME(DM_GETDEFID),
        BLATERIX_NAME(DM_SETDEFID),
    };
#undef BLATERIX_NAME
    const auto it = names.find(message);
    if (it != names.end()) {
        return it->second;
    }
    if (message >= WM_APP && message <= 0xBFFF) {
        return message == WM_APP ? "WM_APP" : "WM_APP+" + std::to_string(message - WM_APP);
    }
    return Hex(message);
}

SentMessages::SentMessages(MessageLog& log) : hook(HookThisThread(WH_CALLWNDPROC, RecordSent)) {
    EXPECT_EQ(SentLog, nullptr) << "sent messages are already being recorded";
    SentLog = &log;
}

SentMessages::~SentMessages() {
    SentLog = nullptr;
}

void MainWindowTest::SetUpTestSuite() {
    SetFpuMode();
    PrepareThread();
    FillPhraseTable();
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

std::string ExpectedText(int32_t count, double seed) {
    RandomSeed(seed);
    std::string text = GenerateText(count);
    RandomSeed(seed);
    return text;
}
