// The reading pane: the one large read-only text area, what it shows and how its characters look.
#pragma once
#include <cstdint>
#include <string>

namespace vt {

class PaneView;
using PaneHandle = PaneView*;

extern PaneHandle PaneWindow;
extern int32_t SmallFontSavedSize;

void CreateReadingPane();
void ApplyPaneColors(PaneHandle pane);
void SetPaneText(PaneHandle pane, std::string& text);
int StreamRtfIntoPane(PaneHandle pane, std::string rtf);
// Replaces the pane's window text: a text that begins with "{\rtf" is read as rich text.
void SetPaneWindowText(PaneHandle pane, const std::string& text);
void RefreshPaneText();
void SuspendPaneRedraw(PaneHandle pane);
void ResumePaneRedraw(PaneHandle pane);
void ClearPaneUnderline(PaneHandle pane);
void ToggleRangeUnderline(PaneHandle pane);
void ToggleSmallFont();

}  // namespace vt
