// The reading pane: creating it, what it shows (plain text, or the wide-spacing rich text), its
// colours, the underline marks that follow reading aloud, and the small-font command.
#include "reader/reading_pane.h"

#include <algorithm>

#include "core/bar_messages.h"
#include "core/program_state.h"
#include "core/settings_file.h"
#include "platform/files.h"
#include "platform/pane.h"
#include "platform/rich_text.h"
#include "reader/display_options.h"
#include "reader/navigation.h"
#include "reader/reading_place.h"

namespace vt {


static const char kWideOpener[] = "{\\rtf1\\expndtw360\\expnd72 ";
static const int kWideSpacingTwips = 360;  // the \expndtw360 of kWideOpener
static const char kWideCloser[] = "\\expnd0\\expndtw0}";
static void (*textReplacedHandler)() = nullptr;     // told before the pane's text is replaced
[[maybe_unused]] static const bool resetWithProgram = ResetAlongWithProgramState([] { textReplacedHandler = nullptr; });

static bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

void CreateReadingPane() {
  PaneWindow = PaneCreate(MainWindow);
  PaneSetMargins(PaneWindow, REMargin, REMargin);
  PaneSetEvents(PaneWindow, ReadingPaneEvents(PaneWindow));
}

void ApplyPaneColors(PaneView* pane) { PaneSetColours(pane, TextColor, BGColor); }

std::string WideSpacingText(const std::string& text) {
  // A user's book may hold the characters rich text reserves: they are escaped so they show as themselves.
  std::string out = kWideOpener;
  ReserveLargeText(out, text.size() + text.size() / 16 + 64);
  const std::string_view all = text;
  for (size_t from = 0; from < all.size();) {
    size_t lineEnd = all.find("\r\n", from);
    size_t end = lineEnd == std::string::npos ? all.size() : lineEnd;
    AppendEscapedRichText(out, all.substr(from, end - from));
    if (lineEnd != std::string::npos) out += "\\par ";
    from = lineEnd == std::string::npos ? end : end + 2;
  }
  out += kWideCloser;
  return out;
}

std::string LinesFromWideSpacingText(const std::string& text) {
  if (!StartsWith(text, "{\\rtf")) return text;
  std::string plain = ReadRichText(text).text;
  std::string lines;
  ReserveLargeText(lines, plain.size() + plain.size() / 16);
  for (char c : plain) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  return lines;
}

void OnPaneTextReplaced(void (*handler)()) { textReplacedHandler = handler; }

static void BeforeTextReplaced() {
  if (textReplacedHandler) textReplacedHandler();
}

// Plain text shown widely spaced, as its wide-spacing rich text shows it: the pane spaces the
// letters itself, so no rich text is read, which on a book of hundreds of megabytes takes seconds.
static void ShowWidelySpaced(PaneView* pane, const std::string& plain) {
  PaneSetPlainText(pane, plain, kWideSpacingTwips);
}

void ShowFirstScreen(PaneView* pane, const std::string& plain, int32_t charIndex) {
  PaneShowFirstScreen(pane, plain, charIndex, WideSpacing ? kWideSpacingTwips : 0);
}

void SetPaneText(PaneView* pane, std::string& text) {
  BeforeTextReplaced();
  if (WideSpacing) {
    ShowWidelySpaced(pane, text);
    text = WideSpacingText(text);
  } else {
    if (StartsWith(text, "{\\rtf")) text = LinesFromWideSpacingText(text);
    PaneSetPlainText(pane, text);
  }
}

PaneLetters LettersOfCase(int caseType) {
  return caseType == 0 ? PaneLetters::Capitals : caseType == 1 ? PaneLetters::Small : PaneLetters::AsWritten;
}

void SetPaneTextInCase(PaneView* pane, const std::string& plain, int caseType) {
  BeforeTextReplaced();
  PaneSetPlainTextInCase(pane, plain, WideSpacing ? kWideSpacingTwips : 0, LettersOfCase(caseType));
}

void SetPreparedPaneText(PaneView* pane, std::shared_ptr<PanePreparedText> prepared, const std::string& plain,
                         int caseType) {
  BeforeTextReplaced();
  PaneSetPreparedText(pane, std::move(prepared), plain, WideSpacing ? kWideSpacingTwips : 0, LettersOfCase(caseType));
}

void SetWidePaneText(PaneView* pane, const std::string& plain) {
  BeforeTextReplaced();
  ShowWidelySpaced(pane, plain);
}

void SetPaneWindowText(PaneView* pane, const std::string& text) {
  BeforeTextReplaced();
  if (StartsWith(text, "{\\rtf"))
    PaneStreamInRtf(pane, text);
  else
    PaneSetPlainText(pane, text);
}

// Only the spacing changes: the pane keeps its characters, so nothing is read back or put in again,
// which on a book of hundreds of megabytes saves seconds. The pane shows them as a new text, so a
// reading aloud stops as it does for one.
void RefreshPaneText() {
  KeepPlaceWhileRestyling([] {
    BeforeTextReplaced();
    PaneSetLetterSpacing(PaneWindow, WideSpacing ? kWideSpacingTwips : 0);
  });
}

void SuspendPaneRedraw(PaneView* pane) { PaneSetRedraw(pane, false); }

void ResumePaneRedraw(PaneView* pane) { PaneSetRedraw(pane, true); }

void ClearPaneUnderline(PaneView* pane) {
  SuspendPaneRedraw(pane);
  PaneClearUnderline(pane);
  ResumePaneRedraw(pane);
}

void ToggleRangeUnderline(PaneView* pane) {
  int64_t start = std::max<int64_t>(0, UnderlineStart);
  int64_t end = std::clamp<int64_t>(start + static_cast<int64_t>(UnderlineLength), 0, INT32_MAX);
  if (end < start) std::swap(start, end);
  PaneSetSelection(pane, static_cast<int>(start), static_cast<int>(end));
  // An empty range stands for the word at that place.
  if (start == end) {
    start = PaneIsDelimiter(pane, static_cast<int>(start)) ? start : PaneMoveWordLeft(pane, static_cast<int>(start) + 1);
    end = PaneIsDelimiter(pane, static_cast<int>(start)) ? start : PaneMoveWordRight(pane, static_cast<int>(start));
    while (end > start && PaneIsDelimiter(pane, static_cast<int>(end) - 1)) --end;
  }
  bool underlined = PaneRangeUnderlined(pane, static_cast<int>(start), static_cast<int>(end));
  PaneSetRangeUnderline(pane, static_cast<int>(start), static_cast<int>(end), !underlined);
}

static void SwitchSmallFont() {
  if (FontSize == 12) {
    // At 12 points with no size remembered this run there is nothing to return to: the type stays.
    if (SmallFontSavedSize != 0) ChangeFontSize(SmallFontSavedSize - 12);
  } else {
    SmallFontSavedSize = FontSize;
    ChangeFontSize(static_cast<int32_t>(std::clamp<int64_t>(12 - static_cast<int64_t>(SmallFontSavedSize), INT32_MIN, INT32_MAX)));
  }
  ApplyColors();
}

void ToggleSmallFont() {
  KeepPlaceWhile(SwitchSmallFont);
  ShowBarMessage(std::string("Small Font ") + (FontSize == 12 ? "ON" : "OFF"), 1);
}

}  // namespace vt
