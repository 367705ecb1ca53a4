// The reading pane: the one large read-only text area, and every operation the program uses on
// it. Positions are 0-based characters in which a paragraph break counts as one (as the text
// widget counts them); lines are display lines, the rows a person sees after word wrap. Every
// operation accepts a null pane and then does nothing (or returns 0 / an empty text).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/window.h"

namespace vt {

class PaneView;

// The keys the program tells apart after the pane has handled them; every other key is Other.
enum class PaneKey { Left, Right, Up, Down, Home, End, PageUp, PageDown, Enter, Delete, Backspace, Other };

// What the pane tells the program. Each callback runs once the widget has handled the event
// itself, except `wheel`: while it is set, the program scrolls or zooms and the widget does not.
struct PaneEvents {
  std::function<void(int delta, bool ctrl)> wheel;  // a vertical turn, 120 a notch, positive away from the user
  std::function<void()> focusGained;
  std::function<void()> focusLost;
  std::function<void()> painted;
  std::function<void()> clicked;             // the left button went down, and again when it came up
  std::function<void(PaneKey)> keyPressed;
  std::function<void(char32_t)> typed;       // a printable character a key press produced, after keyPressed
};

// The pane's font: a face name as the program knows it, a pixel height and the style bits.
struct PaneFontRequest {
  std::string face;
  int pixelHeight;
  bool bold, italic, underline, strikeout;
};

// Creates the read-only pane as a child of the main window, without a usable size yet.
PaneView* PaneCreate(MainWidget* parent);
void PaneSetEvents(PaneView* pane, PaneEvents events);
void PaneSetGeometry(PaneView* pane, int x, int y, int width, int height);
int PaneHeight(PaneView* pane);
void PaneSetFocus(PaneView* pane);
bool PaneHasFocus(PaneView* pane);

// The name screen readers announce for the pane (the book's title); its text, caret and caret
// moves are exposed as the text widget exposes them.
void PaneSetAccessibleName(PaneView* pane, const std::string& utf8);

// Tells assistive technology that the word at `start` is being spoken: it is reported as the caret
// (a caret-following magnifier keeps it in view) until a start of -1 reports the real caret again.
void PaneReportSpokenWord(PaneView* pane, int start);

// Text. Plain text: CR LF, a lone CR or a lone LF each start a new paragraph; its letters are
// spaced by the font, and `letterSpacingTwips` more.
void PaneSetPlainText(PaneView* pane, const std::string& utf8, int letterSpacingTwips = 0);
// The letters of a text in capitals or in small letters, each character mapped on its own as
// ChangeLetterCase maps it, so no position moves.
enum class PaneLetters { AsWritten, Capitals, Small };
// PaneSetPlainText of the text with its letters in that case; no cased copy of the text is made.
void PaneSetPlainTextInCase(PaneView* pane, const std::string& utf8, int letterSpacingTwips, PaneLetters letters);
// A text made ready for the pane on another thread (a book on its loading worker), so that showing
// it costs the window's thread little: a hint, which only the speed shows. Made on any thread; null
// where the pane cannot make one. It holds a converted copy of the text until it is shown or goes.
struct PanePreparedText;
std::shared_ptr<PanePreparedText> PanePrepareText(const std::string& utf8, PaneLetters letters);
// PaneSetPlainTextInCase, which takes the prepared text when it was made of this very string (not
// changed since) in these letters, and shows the text as given otherwise.
void PaneSetPreparedText(PaneView* pane, std::shared_ptr<PanePreparedText> prepared, const std::string& utf8,
                         int letterSpacingTwips, PaneLetters letters);
std::string PaneGetPlainText(PaneView* pane);  // CR LF at each paragraph break
int PaneStreamInRtf(PaneView* pane, const std::string& rtf);  // the characters read
int PaneTextLength(PaneView* pane);
// The same text shown with other letter spacing (in twips; 0: the font's own), as a new text is
// shown: from its start, without underline marks. Nothing is read back or put in again.
void PaneSetLetterSpacing(PaneView* pane, int twips);
// A hint, which only the speed shows: keeps the text shown aside while the next text shows (the
// shortcut list over a book): when the text after that has its shape (the book again, perhaps in
// other letters or spacing), it comes back without being built anew; any other text lets it go.
// Asked again while a text is kept, the text shown (a page over the kept one) is replaced and the
// kept one stays. A pane that cannot keeps nothing and builds the book anew.
void PaneKeepTextAside(PaneView* pane);
// Shows, of UTF-8 text, only the part around the character at `charIndex` (counted as the pane
// counts its text: a paragraph break is one character), with that character's row at the top and
// the caret on it: the first screen of a long book, shown before the whole book is put in. The
// pane answers for that part only; the text set next replaces it. A pane that cannot does nothing.
void PaneShowFirstScreen(PaneView* pane, const std::string& utf8, int charIndex, int letterSpacingTwips = 0);

// Display lines.
int PaneFirstVisibleLine(PaneView* pane);
int PaneLineFromChar(PaneView* pane, int charIndex);  // -1: the line of the selection start
int PaneLineIndex(PaneView* pane, int line);          // first character of a line; -1 beyond the last
int PaneLineCount(PaneView* pane);
void PaneLineScroll(PaneView* pane, int lines);       // scroll by lines (negative: up), as far as possible
bool PanePosFromChar(PaneView* pane, int charIndex, int& x, int& y);  // client coordinates of a character
void PaneScrollCaret(PaneView* pane);                 // the caret scrolled into view
// Makes the row that holds the character the top row, as far as the pane can scroll. It never
// waits for the line count: until the count is in, the character is kept at the top.
void PaneScrollCharToTop(PaneView* pane, int charIndex);

// Rows of the view: row 0 is the top row on screen. None of these waits for the line count.
int PaneScreenRows(PaneView* pane);                      // whole rows the pane shows at once
int PaneScreenRowOfChar(PaneView* pane, int charIndex);  // the row showing it (even in part), or -1
int PaneCharAtScreenRow(PaneView* pane, int row);        // first character of a row; -1 below the text
// Scrolls so that the row holding the character is screen row `row`, as far as the pane can scroll;
// until the line count is in, that place is kept.
void PaneScrollCharToScreenRow(PaneView* pane, int charIndex, int row);

// Selection: start may be above end; start -1 removes the selection and leaves the caret.
void PaneGetSelection(PaneView* pane, int& start, int& end);
void PaneSetSelection(PaneView* pane, int start, int end);
void PaneRemoveSelection(PaneView* pane);

// Finds term without regard to case in [from, to] (to -1: the end); downward from `from`, or
// upward from `from` towards `to`. Returns the match start (and its range) or -1.
int PaneFindText(PaneView* pane, const std::string& term, int from, int to, bool down, int& foundStart,
                 int& foundEnd);

// What a search found: the match's range, or -1 and -1; `stopped` when it ended before it knew.
struct PaneFound {
  int start = -1, end = -1;
  bool stopped = false;
};
// PaneFindText for a search that may take long. It waits up to `waitMs` for the answer: then
// `done` has it before this returns true. Else this returns false, the search goes on on a worker
// thread, and `done` gets the answer on this thread later, or `stopped` when PaneStopFinding, a new
// search or a new text ends it first (a pane that goes ends it without a word). A pane that cannot
// search on a worker answers at once, always returning true: the wait is a hint.
bool PaneFindTextLater(PaneView* pane, const std::string& term, int from, int to, bool down, int waitMs,
                       std::function<void(PaneFound)> done);
bool PaneFinding(PaneView* pane);  // a search of PaneFindTextLater is still under way (never, where it answers at once)
void PaneStopFinding(PaneView* pane);

// Word breaks as the rich-text control makes them: white space delimits; a word is a run of
// letters and digits, a run of punctuation is a word of its own.
bool PaneIsDelimiter(PaneView* pane, int position);
int PaneWordBreakRight(PaneView* pane, int position);  // the next non-delimiter at or after position
int PaneMoveWordLeft(PaneView* pane, int position);    // the start of the word before position
int PaneMoveWordRight(PaneView* pane, int position);   // the start of the next word, after white space

// Looks: colours as 0x00BBGGRR references; fonts; margins; underline marks of ranges.
void PaneSetColours(PaneView* pane, int32_t textColour, int32_t backgroundColour);
bool PaneSetFont(PaneView* pane, const PaneFontRequest& font);  // false: the pane keeps its font
void PaneSetMargins(PaneView* pane, int left, int right);
bool PaneRangeUnderlined(PaneView* pane, int start, int end);
void PaneSetRangeUnderline(PaneView* pane, int start, int end, bool on);
void PaneClearUnderline(PaneView* pane);
void PaneSetRedraw(PaneView* pane, bool on);  // off: no repaint and no notifications until on again

// The caret: the pane paints a solid caret of this size at the cursor while it has the focus.
void PaneShowCaret(PaneView* pane, int width, int height);
void PaneDestroyCaret(PaneView* pane);

}  // namespace vt
