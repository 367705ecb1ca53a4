// The reading pane (filled in by the pane work).
#include "reader/reading_pane.h"

#include "app/main_window.h"
#include "platform/pane.h"

namespace vt {

PaneHandle PaneWindow = nullptr;
int32_t SmallFontSavedSize = 0;

void CreateReadingPane() { PaneWindow = PaneCreate(MainWindow); }
void ApplyPaneColors(PaneHandle) {}
void SetPaneText(PaneHandle, std::string&) {}
int StreamRtfIntoPane(PaneHandle, std::string) { return 0; }
void SetPaneWindowText(PaneHandle pane, const std::string& text) { PaneSetPlainText(pane, text); }
void RefreshPaneText() {}
void SuspendPaneRedraw(PaneHandle) {}
void ResumePaneRedraw(PaneHandle) {}
void ClearPaneUnderline(PaneHandle) {}
void ToggleRangeUnderline(PaneHandle) {}
void ToggleSmallFont() {}

}  // namespace vt
