// The two services every command uses: the layout of the main window after a change of size,
// font or bar, and the command click.
#pragma once

namespace vt {

// BarHeight from the bar as it is now (0 when there is none).
void MeasureBarHeight();

// Places the pane right below the bar, 5 pixels in from the sides and the bottom.
void LayoutMainWindow();

// The command click: 250 Hz for 300 ms when sBeepOn is non-zero; returns when it has ended.
void CommandBeep();

}  // namespace vt
