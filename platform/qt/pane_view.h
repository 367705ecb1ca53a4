// The reading pane's widget class, shared by the files of the Qt pane, each of which holds one
// concern of it: pane.cpp the widget, its events and the texts it is given; pane_storage.* the
// document and the plain text over it; pane_rows.cpp display lines, rows of the view and their
// count; pane_finding.cpp searches and word breaks; pane_painting.cpp links, underline marks, the
// caret and colours. Nothing outside the Qt back end sees this class: the program reaches the pane
// through platform/pane.h only, so its members are open to those files.
// Threads: the widget and all of its state belong to the user-interface thread. The line
// counter's workers and a search's worker read only the characters they were given (kept by a
// holder); the pane stops them before those characters change or go.
#pragma once
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextBlock>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/pane.h"
#include "platform/qt/pane_line_count.h"
#include "platform/qt/pane_storage.h"

class QPlainTextDocumentLayout;

namespace vt {

class PaneView : public QPlainTextEdit {
 public:
  explicit PaneView(QWidget* parent);
  ~PaneView() override;

  PaneEvents events;                    // the program's callbacks
  PaneStorage stored;                   // the document's characters as the pane's plain text
  std::map<int, int> underlines;        // underlined ranges, start -> end, merged, not touching
  QFont baseFont;                       // the requested font, without letter spacing
  int spacingTwips = 0;                 // letter spacing of the current text
  int caretWidth = 0, caretHeight = 0;  // the painted caret (0: the widget's own thin caret)
  QRect caretRect;                      // where the painted caret was last drawn
  bool keepAside = false;               // the next new text keeps the one shown aside
  int anchorChar = -1;                  // the character kept in the top row while the layout completes

  QStringView Text() const { return stored.Text(); }
  int TextLength() const { return static_cast<int>(stored.Text().size()); }
  QTextBlock TopBlock() const { return firstVisibleBlock(); }

  // --- texts (pane.cpp) ---------------------------------------------------------------------
  // Shows UTF-8 text; CR LF, a lone CR and a lone LF each end a paragraph.
  void SetUtf8Text(const std::string& utf8, int newSpacingTwips, const LetterMap& letters = LetterMap());
  void ShowFirstScreen(const std::string& utf8, int index, int newSpacingTwips);
  // Shows a document made on another thread, with its storage, in place of the text shown.
  void SetPreparedDocument(QTextDocument* made, PaneStorage& madeStorage, int newSpacingTwips);
  void Respace(int newSpacingTwips);
  void SetRequestedFont(const QFont& font);
  void ApplyFont();
  void SetMargins(int left, int right) { setViewportMargins(left, 0, right, 0); }

  // --- display lines and rows (pane_rows.cpp) ---------------------------------------------
  void ScheduleLayout();
  void StartCount();
  void TakeLineCounts(int generation, int waitMs = -1);
  void EnsureFullLayout();
  bool LinesCounted();
  void SyncScrollBar() const;
  int TopLine() const;
  int CharOfLine(int line) const;
  int TopChar() const { return CharOfLine(TopLine()); }
  int LineOfChar(int index) const;
  void ScrollCharToTopLine(int index);
  void KeepTopChar(int top);

  struct Row {
    QTextBlock block;
    int line;  // the row within the block
  };
  Row TopRow() const;
  Row RowOfChar(int index) const;
  bool NextRow(Row& row) const;
  bool PreviousRow(Row& row) const;
  int RowStart(const Row& row) const;
  int RowEnd(const Row& row) const;
  qreal RowHeight(const Row& row) const;
  qreal TopRowY(const Row& top) const;
  int ScreenRows(bool partlyShown) const;
  int ScreenRowOfChar(int index) const;
  int CharAtScreenRow(int screenRow) const;
  void ScrollCharToScreenRow(int index, int rowsAbove);
  bool layoutComplete = true;  // every block's rows are counted: the line numbers are exact

  // --- a search on a worker (pane_finding.cpp) ---------------------------------------------
  struct FindJob;
  std::shared_ptr<FindJob> findJob;  // the search under way, if any
  std::thread findWorker;
  bool FindLater(std::shared_ptr<FindJob> job, int waitMs);
  void TakeFound(const std::shared_ptr<FindJob>& job);
  void StopFinding(bool tell);  // `tell`: its caller hears that it stopped, once this returns
  static PaneFound FindIn(QStringView text, const QString& term, int from, int to, bool down,
                          const std::atomic<bool>* cancel);

  // --- painting (pane_painting.cpp) ----------------------------------------------------------
  void ShowVisibleLinks();
  void PaintUnderlines(QPainter& painter);
  QRect CaretRect() const;
  void CaretMoved();

 protected:
  void paintEvent(QPaintEvent* e) override;  // pane_painting.cpp
  void wheelEvent(QWheelEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  // A text kept aside (pane.cpp).
  struct Aside {
    QTextDocument* document = nullptr;
    PaneStorage stored;
  };
  void PutAside();
  bool BringBackAside(const std::string& utf8, const LetterMap& letters);
  TextFit TakeInPlace(const std::string& utf8, const LetterMap& letters, bool mayWrite);
  size_t ScreensOfBytes(int screens) const;
  void StartCountAfterFirstFrame();
  QPlainTextDocumentLayout* DocLayout() const;
  void EnsureBlock(const QTextBlock& block) const;

  Aside aside;
  LineCounter counter;
  int layoutGeneration = 0;     // which count of the rows is the current one
  bool countWaiting = false;    // a count is due but waits for the first frame
  bool paintedOnce = false;     // the pane has painted its first frame
  int laidOutWidth = -1;        // the width the first screen was laid out at before the pane showed
  QElapsedTimer gaveUpWaiting;  // since a query last stopped waiting for the line count
  QList<QTextEdit::ExtraSelection> shownLinks;
};

}  // namespace vt
