// Drives the real main window in process: a scenario's steps run from a
// thread timer while the window's modal loop runs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One step of a scenario; returns true when it is done, false to be asked
// again on the next tick (for waiting on a condition).
using Step = std::function<bool()>;

// A step that acts once.
Step Do(std::function<void()> action);

// Runs the main window with the steps, then closes it from its close box;
// fails the test when the steps do not finish within a minute. Returns what
// ShowMainWindow returned.
int32_t RunMainWindow(std::vector<Step> steps);

// The main window while it runs (0 when there is none), and a control of a dialog.
HWND Main();
HWND Item(HWND dialog, int id);

// A window's whole text.
std::string TextOf(HWND window);

// Presses a button of the main window; replaces the text of a control of the main window.
void Click(int id);
void SetText(int id, const std::string& text);

// What "Genera" produces for count sentences from the seed; leaves the generator at that seed.
std::string ExpectedText(int32_t count, long double seed);
