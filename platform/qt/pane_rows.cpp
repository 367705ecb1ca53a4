// Display lines and rows of the reading pane. Exact display lines: after each change of text,
// font or width the view is laid out first, at the reading position, while worker threads count
// the rows of every other block (once the pane's first frame is on the screen); a query that needs
// exact line numbers waits for that count (or lays out the rest itself), in a text of tens of
// megabytes for a moment only, then answers from the layout as far as it has got. Rows of the view
// (the reader's place, the page size, the bookmark) are counted from the top row on screen, so they
// never wait for that count.
// State: which count is current, whether it is in, and the character kept in the top row until it
// is (members of PaneView). The line counter's workers read only the characters they were given;
// their counts are taken over on the user-interface thread (TakeLineCounts). A new count cancels
// the one before, and the pane's end and the application's end stop the workers.
#include "platform/pane.h"
#include "platform/qt/live_objects.h"
#include "platform/qt/pane_view.h"

#include <QAbstractTextDocumentLayout>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>

namespace vt {

namespace {

constexpr int kLongestLayoutWaitMs = 250;         // the most a query waits for the count of a very long text
constexpr qsizetype kLongestExactText = 8 << 20;  // texts up to this many characters are always counted exactly

}  // namespace

QPlainTextDocumentLayout* PaneView::DocLayout() const {
  return static_cast<QPlainTextDocumentLayout*>(document()->documentLayout());
}

void PaneView::EnsureBlock(const QTextBlock& block) const {
  if (block.isValid() && block.layout()->lineCount() == 0) DocLayout()->ensureBlockLayout(block);
}

// Counts every block's rows again (after a change of text, font or width) on worker threads.
// Until the pane's first frame is on the screen the count waits: its workers would take the
// processor from that frame, and the width may still change when the window first shows.
void PaneView::ScheduleLayout() {
  layoutComplete = false;
  ++layoutGeneration;
  countWaiting = true;
  if (paintedOnce) StartCount();
}

void PaneView::StartCount() {
  countWaiting = false;
  const int generation = layoutGeneration;
  qreal width = viewport()->width();  // the width the widget gives its document layout
  if (width <= 0) width = qreal(INT_MAX);
  width -= 2 * document()->documentMargin();
  counter.Start(stored.Holder(), Text(), document()->defaultFont(), document()->defaultTextOption(), width, this,
                [this, generation] { TakeLineCounts(generation); });
}

// Gives each block that the widget has not laid out itself its counted rows; then every line
// number is exact.
void PaneView::TakeLineCounts(int generation, int waitMs) {
  if (layoutComplete || generation != layoutGeneration) return;
  if (waitMs >= 0 && !counter.WaitFor(waitMs)) return;
  const bool counted = counter.Wait();
  const std::vector<int>& counts = counter.Counts();
  QTextDocument* doc = document();
  if (counted && static_cast<size_t>(doc->blockCount()) == stored.BlockParagraphs().size() &&
      std::accumulate(stored.BlockParagraphs().begin(), stored.BlockParagraphs().end(), size_t{0}) == counts.size()) {
    auto paragraph = counts.begin();
    size_t i = 0;
    for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next(), ++i) {
      const int rows = std::accumulate(paragraph, paragraph + stored.BlockParagraphs()[i], 0);
      paragraph += stored.BlockParagraphs()[i];
      if (block.layout()->lineCount() == 0 && block.lineCount() != rows) block.setLineCount(rows);
    }
  } else {
    QSignalBlocker quiet(DocLayout());  // the count was stopped or is out of date: lay out here
    for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next()) EnsureBlock(block);
  }
  layoutComplete = true;
  SyncScrollBar();
  if (anchorChar >= 0) ScrollCharToTopLine(anchorChar);
  anchorChar = -1;
}

// A query that wants exact line numbers waits for the count. In a text so long that the count
// takes seconds (tens of megabytes and more) it waits a moment only and never holds the window:
// the query is answered with the layout as far as it has got, as the widget's own scroll bar
// is, and is exact once the count is in.
void PaneView::EnsureFullLayout() {
  if (countWaiting) StartCount();
  if (layoutComplete) return;
  if (Text().size() < kLongestExactText) return TakeLineCounts(layoutGeneration);
  // the queries of one command share one wait
  const bool waitedJustNow = gaveUpWaiting.isValid() && gaveUpWaiting.elapsed() < 1000;
  TakeLineCounts(layoutGeneration, waitedJustNow ? 0 : kLongestLayoutWaitMs);
  if (!layoutComplete) gaveUpWaiting.start();
}

bool PaneView::LinesCounted() {
  TakeLineCounts(layoutGeneration, 0);
  return layoutComplete;
}

// Lets the widget see the line counts as they are now; its scroll bar then counts display lines
// and its value is the top row.
void PaneView::SyncScrollBar() const { emit DocLayout()->documentSizeChanged(DocLayout()->documentSize()); }

int PaneView::TopLine() const {
  SyncScrollBar();
  return verticalScrollBar()->value();
}

// The first character of a display line, with the layout as far as it has got.
int PaneView::CharOfLine(int line) const {
  QTextBlock block = document()->findBlockByLineNumber(std::max(0, line));
  if (!block.isValid()) return static_cast<int>(Text().size());
  EnsureBlock(block);
  QTextLayout* layout = block.layout();
  int row = std::clamp(line - block.firstLineNumber(), 0, std::max(0, layout->lineCount() - 1));
  return block.position() + (layout->lineCount() > 0 ? layout->lineAt(row).textStart() : 0);
}

// The display line of a character with the layout as far as it has got.
int PaneView::LineOfChar(int index) const {
  index = std::clamp(index, 0, static_cast<int>(Text().size()));
  QTextBlock block = document()->findBlock(index);
  if (!block.isValid()) block = document()->lastBlock();
  EnsureBlock(block);
  QTextLine line = block.layout()->lineForTextPosition(index - block.position());
  int inBlock = line.isValid() ? line.lineNumber() : std::max(0, block.layout()->lineCount() - 1);
  return block.firstLineNumber() + inBlock;
}

// Makes the row holding a character the top row, laying out that block and the view first.
void PaneView::ScrollCharToTopLine(int index) {
  QTextBlock block = document()->findBlock(std::clamp(index, 0, static_cast<int>(Text().size())));
  EnsureBlock(block);
  SyncScrollBar();
  verticalScrollBar()->setValue(LineOfChar(index));
}

// --- rows of the view: each found from the top row on screen, never from the line count -------

PaneView::Row PaneView::TopRow() const {
  QTextBlock block = firstVisibleBlock();
  EnsureBlock(block);
  int line = TopLine() - block.firstLineNumber();
  return {block, std::clamp(line, 0, std::max(0, block.layout()->lineCount() - 1))};
}

PaneView::Row PaneView::RowOfChar(int index) const {
  QTextBlock block = document()->findBlock(std::clamp(index, 0, static_cast<int>(Text().size())));
  if (!block.isValid()) block = document()->lastBlock();
  EnsureBlock(block);
  QTextLine line = block.layout()->lineForTextPosition(index - block.position());
  return {block, line.isValid() ? line.lineNumber() : std::max(0, block.layout()->lineCount() - 1)};
}

bool PaneView::NextRow(Row& row) const {
  if (row.line + 1 < row.block.layout()->lineCount()) {
    ++row.line;
    return true;
  }
  QTextBlock next = row.block.next();
  if (!next.isValid()) return false;
  EnsureBlock(next);
  row = {next, 0};
  return true;
}

bool PaneView::PreviousRow(Row& row) const {
  if (row.line > 0) {
    --row.line;
    return true;
  }
  QTextBlock previous = row.block.previous();
  if (!previous.isValid()) return false;
  EnsureBlock(previous);
  row = {previous, std::max(0, previous.layout()->lineCount() - 1)};
  return true;
}

int PaneView::RowStart(const Row& row) const {
  QTextLayout* layout = row.block.layout();
  return row.block.position() + (row.line < layout->lineCount() ? layout->lineAt(row.line).textStart() : 0);
}

// One past the row's last position: a block's last row holds its paragraph break (or the text's end).
int PaneView::RowEnd(const Row& row) const {
  QTextLayout* layout = row.block.layout();
  if (row.line + 1 >= layout->lineCount()) return row.block.position() + row.block.length();
  QTextLine line = layout->lineAt(row.line);
  return row.block.position() + line.textStart() + line.textLength();
}

// The height of a row (rows of one font are all equally high) and the top of the top row.
qreal PaneView::RowHeight(const Row& row) const {
  QTextLayout* layout = row.block.layout();
  qreal height = row.line < layout->lineCount() ? layout->lineAt(row.line).height() : 0;
  return height > 0 ? height : QFontMetricsF(font()).lineSpacing();
}

qreal PaneView::TopRowY(const Row& top) const {
  QTextLayout* layout = top.block.layout();
  qreal inBlock = top.line < layout->lineCount() ? layout->lineAt(top.line).y() : 0;
  return blockBoundingGeometry(top.block).translated(contentOffset()).top() + inBlock;
}

// The rows on screen: whole ones, or with the partly shown one at the bottom.
int PaneView::ScreenRows(bool partlyShown) const {
  Row top = TopRow();
  qreal rows = (viewport()->height() - TopRowY(top)) / RowHeight(top);
  if (rows <= 0) return 0;
  return static_cast<int>(partlyShown ? std::ceil(rows - 1e-6) : std::floor(rows + 1e-6));
}

int PaneView::ScreenRowOfChar(int index) const {
  Row row = TopRow();
  if (index < RowStart(row)) return -1;
  const int shown = ScreenRows(true);
  for (int r = 0; r < shown; ++r) {
    if (index < RowEnd(row)) return r;
    if (!NextRow(row)) return -1;
  }
  return -1;
}

int PaneView::CharAtScreenRow(int screenRow) const {
  Row row = TopRow();
  for (int r = 0; r < screenRow; ++r)
    if (!NextRow(row)) return -1;
  return RowStart(row);
}

// The row `rowsAbove` rows above the one holding the character becomes the top row.
void PaneView::ScrollCharToScreenRow(int index, int rowsAbove) {
  Row row = RowOfChar(index);
  for (int r = 0; r < rowsAbove; ++r)
    if (!PreviousRow(row)) break;
  int top = RowStart(row);
  ScrollCharToTopLine(top);
  anchorChar = layoutComplete ? -1 : top;
}

// After a change that relays out the text: the same character stays in the top row, at once,
// and again once every line has been counted.
void PaneView::KeepTopChar(int top) {
  ScheduleLayout();
  if (Text().isEmpty()) return;
  ScrollCharToTopLine(top);
  anchorChar = top;
}

// --- display lines ----------------------------------------------------------------------------

int PaneFirstVisibleLine(PaneView* pane) {
  if (!Live(pane)) return 0;
  pane->EnsureFullLayout();
  return pane->TopLine();
}

int PaneLineFromChar(PaneView* pane, int charIndex) {
  if (!Live(pane)) return 0;
  pane->EnsureFullLayout();
  if (charIndex < 0) charIndex = pane->textCursor().selectionStart();
  return pane->LineOfChar(charIndex);
}

int PaneLineIndex(PaneView* pane, int line) {
  if (!Live(pane)) return 0;
  pane->EnsureFullLayout();
  if (line < 0) line = pane->LineOfChar(pane->textCursor().position());
  if (line >= pane->document()->lineCount()) return -1;
  return pane->CharOfLine(line);
}

int PaneLineCount(PaneView* pane) {
  if (!Live(pane)) return 0;
  pane->EnsureFullLayout();
  return std::max(1, pane->document()->lineCount());
}

// Counted from the top row on screen, so the wheel never waits for the line count.
void PaneLineScroll(PaneView* pane, int lines) {
  if (!Live(pane) || lines == 0) return;
  PaneView::Row row = pane->TopRow();
  for (int i = 0; i < std::abs(lines); ++i)
    if (!(lines > 0 ? pane->NextRow(row) : pane->PreviousRow(row))) break;
  const int top = pane->RowStart(row);
  pane->ScrollCharToTopLine(top);
  pane->anchorChar = pane->layoutComplete ? -1 : top;
}

void PaneScrollCharToTop(PaneView* pane, int charIndex) {
  if (!Live(pane)) return;
  int index = std::clamp(charIndex, 0, pane->TextLength());
  pane->ScrollCharToTopLine(index);
  pane->anchorChar = pane->layoutComplete ? -1 : index;
}

int PaneScreenRows(PaneView* pane) { return Live(pane) ? pane->ScreenRows(false) : 0; }

int PaneScreenRowOfChar(PaneView* pane, int charIndex) {
  if (!Live(pane) || charIndex < 0 || charIndex > PaneTextLength(pane)) return -1;
  return pane->ScreenRowOfChar(charIndex);
}

int PaneCharAtScreenRow(PaneView* pane, int row) {
  if (!Live(pane) || row < 0) return -1;
  return pane->CharAtScreenRow(row);
}

void PaneScrollCharToScreenRow(PaneView* pane, int charIndex, int row) {
  if (Live(pane)) pane->ScrollCharToScreenRow(std::clamp(charIndex, 0, PaneTextLength(pane)), std::max(0, row));
}

bool PanePosFromChar(PaneView* pane, int charIndex, int& x, int& y) {
  x = y = 0;
  if (!Live(pane) || charIndex < 0 || charIndex > PaneTextLength(pane)) return false;
  pane->EnsureFullLayout();
  QPoint viewportOrigin = pane->viewport()->geometry().topLeft();
  int line = pane->LineOfChar(charIndex);
  int top = pane->TopLine();
  QTextCursor cursor(pane->document());
  cursor.setPosition(charIndex);
  if (std::abs(line - top) <= 400) {
    QRect r = pane->cursorRect(cursor);
    x = r.left() + viewportOrigin.x();
    y = r.top() + viewportOrigin.y();
    return true;
  }
  // far from the view: rows of one font are all equally high
  QTextBlock block = cursor.block();
  QTextLine row = block.layout()->lineForTextPosition(charIndex - block.position());
  qreal height = row.isValid() ? row.height() : QFontMetricsF(pane->font()).height();
  QRect topRect = pane->cursorRect(QTextCursor(pane->TopBlock()));
  x = static_cast<int>(row.isValid() ? row.cursorToX(charIndex - block.position()) : 0) +
      static_cast<int>(pane->document()->documentMargin()) + viewportOrigin.x();
  y = static_cast<int>(topRect.top() + (line - top) * height) + viewportOrigin.y();
  return true;
}

void PaneScrollCaret(PaneView* pane) {
  if (Live(pane)) pane->ensureCursorVisible();
}

}  // namespace vt
