// The reading pane: the one large read-only text area, what it shows and how its characters look.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/program_state.h"
#include "platform/pane.h"

namespace vt {


// Creates the pane below the bar's place, read-only, with REMargin margins and the program's hook.
void CreateReadingPane();

// Background BGColor, all text TextColor.
void ApplyPaneColors(PaneView* pane);

// Shows text as plain text, or with WideSpacing as widely spaced rich text; leaves in `text` the form used.
void SetPaneText(PaneView* pane, std::string& text);

// Replaces the pane's window text: a text that begins with "{\rtf" is read as rich text.
void SetPaneWindowText(PaneView* pane, const std::string& text);

// Shows plain text as its wide-spacing rich text would show it.
void SetWidePaneText(PaneView* pane, const std::string& plain);

// Shows plain text in a letter case (0 upper case, 1 lower case, anything else as it is), spaced as
// WideSpacing says, as SetPaneText shows the text after ApplyTextCase, without a cased copy of it.
void SetPaneTextInCase(PaneView* pane, const std::string& plain, int caseType);

// The pane's letters for a letter case (0 upper case, 1 lower case, anything else as written).
PaneLetters LettersOfCase(int caseType);

// SetPaneTextInCase, taking the text as the loading worker prepared it when it was made of this
// very string in these letters.
void SetPreparedPaneText(PaneView* pane, std::shared_ptr<PanePreparedText> prepared, const std::string& plain,
                         int caseType);

// Shows only the first screen of plain text from the row of character `charIndex` on, spaced as
// WideSpacing says; the text set next replaces it.
void ShowFirstScreen(PaneView* pane, const std::string& plain, int32_t charIndex);

// Runs `handler` each time, before the pane's text is replaced (reading aloud stops there).
void OnPaneTextReplaced(void (*handler)());

// Shows the pane's current text again according to WideSpacing, at the reader's place.
void RefreshPaneText();

// Bracket a formatting change: no repaint and no notifications in between.
void SuspendPaneRedraw(PaneView* pane);
void ResumePaneRedraw(PaneView* pane);

// Removes every underline mark.
void ClearPaneUnderline(PaneView* pane);

// Selects UnderlineStart ... UnderlineStart + UnderlineLength and flips its underline.
void ToggleRangeUnderline(PaneView* pane);

// The small-font command: 12-point type and back to the remembered size.
void ToggleSmallFont();

// The wide-spacing rich text of a plain text: opener, the text with "\par " for each CR LF, closer.
std::string WideSpacingText(const std::string& text);

// Turns a wide-spacing rich text back into lines (CR LF); any other text is returned as it is.
std::string LinesFromWideSpacingText(const std::string& text);

}  // namespace vt
