// Drives real windows in process: a modal loop runs (a dialog of the engine, or the main window)
// while a scenario's steps run from a thread timer, all under one deadline; the messages that a
// window's callback sees can be recorded and checked against a declared sequence.
#pragma once

#include <windows.h>

#include "scoped/scoped.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Runs and steps

// One step of a scenario: done() acts and returns true when the step is over, false to be
// asked again on the next tick (for waiting on a condition); what names it in failures.
struct Step {
    std::string what;
    std::function<bool()> done;
};

// A step that acts once.
Step Do(std::function<void()> action);

// A step that waits until the condition holds; what says what it waits for.
Step Until(std::string what, std::function<bool()> condition);

// How long one run may take: BLATERIX_GUI_DEADLINE seconds, 300 when unset (an unusable value
// fails the test and takes 300). Generous: the tests also run on a much slower machine.
std::chrono::milliseconds GuiDeadline();

// Calls loop (which runs a modal message loop) while the steps run in order from a thread timer.
// When the deadline passes, fails the test naming the run (name) and the step it was at, and
// destroys the thread's windows so that the loop ends; a run inside another one shares the
// outer run's deadline.
void RunScenario(std::string name, const std::function<void()>& loop, std::vector<Step> steps);

// A dialog's callback in a run: any callable, unlike the engine's plain function pointer.
using Handler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// Runs an engine dialog modally with handler as its callback, and the steps; returns the result
// variable, which starts as initial.
int32_t RunDialog(HWND dialog, int32_t initial, Handler handler, std::vector<Step> steps = {});

// Runs the main window with the steps, then closes it from its close box; fails the test when
// the steps do not finish or the window stays. Returns what ShowMainWindow returned.
int32_t RunMainWindow(std::vector<Step> steps);

// A hook of type on this thread's windows, removed when the holder goes; fails the test when
// the platform refuses it.
ScopedHook HookThisThread(int type, HOOKPROC procedure);

// ---------------------------------------------------------------------------------------------
// Message sequences

// One message as a window saw it.
struct Seen {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The messages of interest that a window saw, in order.
struct MessageLog {
    std::vector<UINT> interest; // the messages recorded; all of them when empty
    HWND window = nullptr;      // the window whose messages are recorded; every one when 0
    std::vector<Seen> seen = {};
};

// Appends the message to the log when it is of interest.
void Record(MessageLog& log, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A handler that records each message into log, then runs then (when given) and returns its
// result (0 without it).
Handler Recording(MessageLog& log, Handler then = nullptr);

// What an entry of an expected sequence checks beyond the message, and whether it may be absent.
enum : unsigned {
    kWParam = 1,   // wParam must be equal
    kLParam = 2,   // lParam must be equal
    kOptional = 4, // the entry may be missing from what was seen
};

// One entry of an expected sequence.
struct Expected {
    UINT message;
    unsigned checks = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Whether the log holds exactly the expected messages in order, optional entries present or not;
// on failure, says where the closest alignment first differs and lists both sequences.
testing::AssertionResult MatchesSequence(const MessageLog& log, const std::vector<Expected>& want);

// A message's name for failure output (WM_SIZE, WM_APP+2, or its number).
std::string MessageName(UINT message);

// Records every message sent to a window of this thread into log while it lives (a
// WH_CALLWNDPROC hook); one at a time.
struct SentMessages {
    ScopedHook hook;
    explicit SentMessages(MessageLog& log);
    ~SentMessages();
    SentMessages(const SentMessages&) = delete;
    SentMessages& operator=(const SentMessages&) = delete;
};

// ---------------------------------------------------------------------------------------------
// The main window

// Prepares the process as the program's start-up does: FPU mode, dialog font, phrase table.
class MainWindowTest : public testing::Test {
  protected:
    static void SetUpTestSuite();
};

// The main window while it runs (0 when there is none), and a control of a dialog.
HWND Main();
HWND Item(HWND dialog, int id);

// A window's whole text.
std::string TextOf(HWND window);

// Presses a button of the main window; replaces the text of a control of the main window.
void Click(int id);
void SetText(int id, const std::string& text);

// What "Genera" produces for count sentences from the seed; leaves the generator at that seed.
std::string ExpectedText(int32_t count, double seed);
