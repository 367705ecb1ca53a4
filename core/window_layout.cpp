// The main window's layout: the bar across the top, the pane below it. Owns BarHeight.
#include "core/window_layout.h"

#include <algorithm>

#include "core/program_state.h"
#include "core/settings_file.h"
#include "platform/sound.h"

namespace vt {

void MeasureBarHeight() {
  Rect bar = BarWindowRect(BarWindow);
  BarHeight = bar.bottom - bar.top;
}

void LayoutMainWindow() {
  if (!IsWindow(MainWindow)) return;
  MeasureBarHeight();
  int width = 0, height = 0;
  ClientSize(MainWindow, width, height);
  // A window smaller than the margins gets an empty pane rather than a negative size.
  PaneSetGeometry(PaneWindow, 5, BarHeight, std::max(0, width - 10), std::max(0, height - BarHeight - 5));
}

void CommandBeep() {
  if (sBeepOn) PlayTone(250, 300);
}

}  // namespace vt
