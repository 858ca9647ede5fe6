// The GUI harness itself: sequences that match or not and what a mismatch says, and runs that
// get stuck, end too early or throw, which must fail the test and never hang.
#include "tests/gui_harness.h"

#include "dialogs/dialogs.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(MatchesSequence, AlignsOptionalEntriesAndNamesTheFirstDifference) {
    struct Case {
        const char* what;
        std::vector<Seen> seen;
        std::vector<Expected> want;
        const char* failure; // a part of the failure message; nullptr when the sequence matches
    };
    const Case cases[] = {
        {"the same",
         {{0, WM_INITDIALOG, 0, 0}, {0, WM_SIZE, 2, 7}},
         {{WM_INITDIALOG}, {WM_SIZE}},
         nullptr},
        {"parameters that are checked",
         {{0, WM_SIZE, 2, 7}},
         {{WM_SIZE, kWParam | kLParam, 2, 7}},
         nullptr},
        {"an optional entry present",
         {{0, WM_INITDIALOG, 0, 0}, {0, WM_SHOWWINDOW, 1, 0}, {0, WM_SIZE, 0, 0}},
         {{WM_INITDIALOG}, {WM_SHOWWINDOW, kOptional}, {WM_SIZE}},
         nullptr},
        {"an optional entry absent",
         {{0, WM_INITDIALOG, 0, 0}, {0, WM_SIZE, 0, 0}},
         {{WM_INITDIALOG}, {WM_SHOWWINDOW, kOptional}, {WM_SIZE}},
         nullptr},
        {"an optional entry leaves the message that a later one needs",
         {{0, WM_INITDIALOG, 0, 0}, {0, WM_SIZE, 0, 0}},
         {{WM_INITDIALOG}, {WM_SIZE, kOptional}, {WM_SIZE}},
         nullptr},
        {"nothing seen, nothing expected", {}, {}, nullptr},
        {"a checked parameter differs",
         {{0, WM_SIZE, 2, 7}},
         {{WM_SIZE, kWParam, 0}},
         "expected entry 1 is WM_SIZE wParam 0x0, but seen message 1 is WM_SIZE wParam 0x2 "
         "lParam 0x7"},
        {"the order differs",
         {{0, WM_CLOSE, 0, 0}, {0, WM_DESTROY, 0, 0}},
         {{WM_DESTROY}, {WM_CLOSE}},
         "expected entry 1 is WM_DESTROY, but seen message 1 is WM_CLOSE"},
        {"a message too many",
         {{0, WM_INITDIALOG, 0, 0}, {0, WM_SIZE, 0, 0}, {0, WM_APP + 2, 0, 0}},
         {{WM_INITDIALOG}, {WM_SIZE}},
         "seen message 3 is WM_APP+2 wParam 0x0 lParam 0x0, after the last expected entry"},
        {"a message missing",
         {{0, WM_INITDIALOG, 0, 0}},
         {{WM_INITDIALOG}, {WM_SHOWWINDOW, kOptional}, {WM_SIZE}},
         "expected entry 3, WM_SIZE, never came"},
        {"an unnamed message", {{0, 0x0401, 0, 0}}, {{0x0402}}, "expected entry 1 is 0x402"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const testing::AssertionResult result = MatchesSequence({{}, nullptr, c.seen}, c.want);
        if (c.failure == nullptr) {
            EXPECT_TRUE(result);
        } else {
            EXPECT_FALSE(result);
            EXPECT_NE(std::string(result.message()).find(c.failure), std::string::npos)
                << result.message();
        }
    }
}

TEST(MessageLog, KeepsOnlyTheMessagesOfInterestToItsWindow) {
    HWND one = reinterpret_cast<HWND>(INT_PTR{0x10});
    HWND other = reinterpret_cast<HWND>(INT_PTR{0x20});
    MessageLog log{{WM_SIZE, WM_CLOSE}, one};
    Record(log, one, WM_SIZE, 1, 2);
    Record(log, one, WM_PAINT, 0, 0);
    Record(log, other, WM_CLOSE, 0, 0);
    Record(log, one, WM_CLOSE, 0, 0);
    EXPECT_TRUE(MatchesSequence(log, {{WM_SIZE, kWParam | kLParam, 1, 2}, {WM_CLOSE}}));
    EXPECT_EQ(log.seen[1].window, one);
}

// Runs whose deadline the test may set (kShort where it waits for one to pass); the
// environment is restored afterwards.
class Runs : public testing::Test {
  protected:
    static constexpr const char* kShort = "2";

    void SetUp() override {
        const char* old = std::getenv("BLATERIX_GUI_DEADLINE");
        saved_ = old != nullptr ? old : "";
        SetDeadline("");
    }
    void TearDown() override { SetDeadline(saved_); }

    static void SetDeadline(const std::string& seconds) {
        _putenv(("BLATERIX_GUI_DEADLINE=" + seconds).c_str());
    }
    static HWND NewDialog(const char* caption, HWND owner = nullptr) {
        return DlgCreate(kDlgUnits, owner, caption, 10, 10, 100, 60, 0, 0);
    }
    static LRESULT Nothing(HWND, UINT, WPARAM, LPARAM) { return 0; }

    std::string saved_;
};

TEST_F(Runs, DeadlineComesFromTheEnvironment) {
    struct Case {
        const char* value;
        long long seconds;
        bool fails;
    };
    const Case cases[] = {
        {"", 300, false},   {"7", 7, false},   {"86400", 86400, false}, {"0", 300, true},
        {"abc", 300, true}, {"5s", 300, true}, {"-3", 300, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        SetDeadline(c.value);
        std::chrono::milliseconds deadline{0};
        if (c.fails) {
            EXPECT_NONFATAL_FAILURE(deadline = GuiDeadline(), "no number of seconds");
        } else {
            deadline = GuiDeadline();
        }
        EXPECT_EQ(deadline, std::chrono::seconds(c.seconds));
    }
}

// The messages below do not depend on how far a slow machine got before the deadline: a step
// is named whether it has been asked yet or not, and a message posted before the loop starts
// comes before any timer tick.

TEST_F(Runs, AStepThatNeverFinishesFailsByNameAndTheDialogGoes) {
    SetDeadline(kShort);
    HWND dialog = NewDialog("Stuck");
    EXPECT_NONFATAL_FAILURE(RunDialog(dialog, 0, Nothing, {Until("never", [] { return false; })}),
                            "timed out after 2 s at step 1 of 1 of dialog \"Stuck\" (waiting "
                            "until never)");
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(Runs, AStepThatRunsAModalLoopIsNotStartedAgainFromIt) {
    SetDeadline(kShort);
    HWND outer = NewDialog("Outer");
    HWND inner = nullptr;
    int started = 0;
    EXPECT_NONFATAL_FAILURE(RunDialog(outer, 0, Nothing, {Do([&] {
                                          ++started;
                                          inner = NewDialog("Inner", outer);
                                          int32_t result = 0;
                                          DlgRunModal(inner, Nothing, &result);
                                      })}),
                            "timed out after 2 s at step 1 of 1 of dialog \"Outer\"");
    // Once here; not at all on a machine too slow to reach the step within the deadline.
    EXPECT_LE(started, 1);
    EXPECT_FALSE(IsWindow(inner));
    EXPECT_FALSE(IsWindow(outer));
}

TEST_F(Runs, ATimeoutInsideANestedRunNamesBothRuns) {
    SetDeadline(kShort);
    HWND outer = NewDialog("Outer");
    HWND inner = nullptr;
    const auto startInner = [&](HWND d, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_INITDIALOG) {
            PostMessageA(d, WM_APP, 0, 0);
        } else if (m == WM_APP) {
            inner = NewDialog("Inner", d);
            RunDialog(inner, 0, Nothing);
        }
        return 0;
    };
    EXPECT_NONFATAL_FAILURE(RunDialog(outer, 0, startInner),
                            "timed out after 2 s at dialog \"Inner\", which did not end, inside "
                            "dialog \"Outer\", which did not end");
    EXPECT_FALSE(IsWindow(inner));
    EXPECT_FALSE(IsWindow(outer));
}

TEST_F(Runs, AStepThatThrowsFailsTheTestAndEndsTheRun) {
    HWND dialog = NewDialog("Thrower");
    bool later = false;
    EXPECT_NONFATAL_FAILURE(
        RunDialog(dialog, 0, Nothing,
                  {Do([] { throw std::runtime_error("oops"); }), Do([&] { later = true; })}),
        "exception at step 1 of 2 of dialog \"Thrower\": oops");
    EXPECT_FALSE(later);
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(Runs, ALoopThatEndsBeforeItsStepsFails) {
    HWND dialog = NewDialog("Early");
    const auto endAtOnce = [](HWND d, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_INITDIALOG) {
            PostMessageA(d, WM_APP, 0, 0);
        } else if (m == WM_APP) {
            DlgEnd(d, 4);
        }
        return 0;
    };
    int32_t result = 0;
    EXPECT_NONFATAL_FAILURE(
        result = RunDialog(dialog, 0, endAtOnce, {Until("never", [] { return false; })}),
        "the modal loop ended before step 1 of 1 of dialog \"Early\" "
        "(waiting until never)");
    EXPECT_EQ(result, 4);
}

} // namespace
