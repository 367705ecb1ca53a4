// The window the pane benchmarks measure in: one 1920 x 1080 main window with the reading pane
// below where the bar would be, made once for the whole run, whose paints are counted.
#pragma once
#include <chrono>

namespace bench {

using Clock = std::chrono::steady_clock;

// Milliseconds since `from`.
double MsSince(Clock::time_point from);

// Makes the window and its pane on the first call; later calls do nothing.
void ShowPaneWindow();

// Runs the event loop until the pane has painted once more, or `limitMs` have passed.
void WaitForPanePaint(int limitMs);

}  // namespace bench
