// The reading pane's widget: a QPlainTextEdit, which lays out only the blocks it shows, so even
// the longest book at the largest type stays responsive. This file holds the widget itself, its
// events (the widget's handling, then the program's callback), the texts it is given and the
// platform calls for them; the other concerns have files of their own (see pane_view.h).
// A new text is shown in the cheapest way that gives the same screen: the same text again keeps
// its document; the same text in other letters has them written in place; a book kept aside while
// the shortcut list shows comes back without being built anew; anything else builds a document.
// State: the pane's widget and its document, and a document kept aside, on the user-interface
// thread only. A new text stops the line count and a search first, as they read its characters.
#include "platform/pane.h"
#include "platform/first_screen.h"
#include "platform/font_limits.h"
#include "platform/pane_ranges.h"
#include "platform/rich_text.h"
#include "platform/testing.h"
#include "platform/qt/accessible_pane.h"
#include "platform/qt/live_objects.h"
#include "platform/qt/main_widget.h"
#include "platform/qt/pane_view.h"

#include <QCoreApplication>
#include <QTextDocument>
#include <QThread>
#include <QKeyEvent>
#include <QPlainTextDocumentLayout>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>
#include <memory>
#include <utility>

namespace vt {

namespace {

// The keys the program tells apart; the rest are PaneKey::Other.
PaneKey KeyOf(const QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Left: return PaneKey::Left;
    case Qt::Key_Right: return PaneKey::Right;
    case Qt::Key_Up: return PaneKey::Up;
    case Qt::Key_Down: return PaneKey::Down;
    case Qt::Key_Home: return PaneKey::Home;
    case Qt::Key_End: return PaneKey::End;
    case Qt::Key_PageUp: return PaneKey::PageUp;
    case Qt::Key_PageDown: return PaneKey::PageDown;
    case Qt::Key_Return: case Qt::Key_Enter: return PaneKey::Enter;
    case Qt::Key_Delete: return PaneKey::Delete;
    case Qt::Key_Backspace: return PaneKey::Backspace;
    default: return PaneKey::Other;
  }
}

// The printable character a key press produced, or 0.
char32_t TypedCharacter(const QKeyEvent* e) {
  const QList<uint> typed = e->text().toUcs4();
  if (typed.isEmpty() || typed.front() < 0x20 || typed.front() == 0x7F) return 0;
  return static_cast<char32_t>(typed.front());
}

}  // namespace

PaneView::PaneView(QWidget* parent) : QPlainTextEdit(parent) {
  MarkLive(this);
  setReadOnly(true);
  setUndoRedoEnabled(false);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setAutoFillBackground(true);
  setAcceptDrops(false);  // a file dropped on the text goes to the window, which opens it
  viewport()->setAcceptDrops(false);
  QObject::connect(this, &QPlainTextEdit::cursorPositionChanged, [this] { CaretMoved(); });
  QObject::connect(verticalScrollBar(), &QScrollBar::actionTriggered, [this](int) { anchorChar = -1; });
  // no count may still be running while the application shuts down
  QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
    counter.Stop();
    StopFinding(false);
  });
}

PaneView::~PaneView() {
  MarkGone(this);
  counter.Stop();
  StopFinding(false);
}

// --- texts ------------------------------------------------------------------------------------

void PaneView::SetUtf8Text(const std::string& utf8, int newSpacingTwips, const LetterMap& letters) {
  StopFinding(true);  // it reads the characters that may be written over here
  const bool keepShownAside = std::exchange(keepAside, false);
  // A page over a text kept aside (the shelf made anew) replaces the page; the kept text stays.
  const bool newPage = keepShownAside && aside.document;
  // A text kept aside is never written over: its own letters come back with it.
  if (!newPage && (BringBackAside(utf8, letters) || TakeInPlace(utf8, letters, !keepShownAside) != TextFit::Differs))
    return Respace(newSpacingTwips);
  underlines.clear();
  counter.Stop();
  if (keepShownAside && !newPage && !Text().isEmpty()) {
    PutAside();
  } else {  // the old text goes before the new document is made, so that at most one book is held
    stored.Clear();
    QPlainTextEdit::setPlainText(QString());
  }
  if (newSpacingTwips != spacingTwips) {  // the font changes while the pane is empty: the book is laid out once
    spacingTwips = newSpacingTwips;
    ApplyFont();
  }
  {
    QSignalBlocker quiet(this);  // the caret moves along with the insertion; it goes back to the start below
    stored.Fill(document(), utf8, letters);
  }
  setTextCursor(QTextCursor(document()));
  anchorChar = -1;
  ScheduleLayout();
}

// The text shown, when the new one is that text (wide spacing switched puts the same text in
// again) or, `mayWrite`, has its shape: then its letters are written over the document's (another
// letter case, or back to the letters it was loaded with), which on a book of hundreds of
// megabytes saves a second or more. Comparing costs far less than converting.
TextFit PaneView::TakeInPlace(const std::string& utf8, const LetterMap& letters, bool mayWrite) {
  if (mayWrite) counter.Stop();  // its workers read these characters
  return stored.Match(document(), utf8, letters, mayWrite);
}

// A document made on another thread needs no comparing: the text it replaces, and a text kept
// aside that it does not bring back, go; the text shown goes aside when asked to.
void PaneView::SetPreparedDocument(QTextDocument* made, PaneStorage& madeStorage, int newSpacingTwips) {
  StopFinding(true);
  const bool keepShownAside = std::exchange(keepAside, false);
  const bool newPage = keepShownAside && aside.document;
  if (!newPage) delete std::exchange(aside, Aside()).document;
  underlines.clear();
  counter.Stop();
  QTextDocument* shown = document();
  bool ours = shown->parent() == this;
  if (keepShownAside && !newPage && !Text().isEmpty()) {
    shown->setParent(this);
    aside = Aside{shown, std::exchange(stored, PaneStorage())};
    ours = false;
  }
  made->setDocumentLayout(new QPlainTextDocumentLayout(made));
  made->setParent(this);
  made->setDefaultFont(font());
  setDocument(made);
  if (ours) delete shown;
  stored = std::move(madeStorage);
  Respace(newSpacingTwips);
}

// --- a text kept aside ------------------------------------------------------------------------
// The shortcut list shows over a book, and the book comes back after it: the book's document is
// kept aside meanwhile, so that it comes back at once instead of being built anew, which for a
// book of hundreds of megabytes takes seconds. The documents the pane makes for that are its own
// children; the widget's first document belongs to the widget, which deletes it when replaced.

// The shown text and its document go aside; the pane shows a new, empty document.
void PaneView::PutAside() {
  QTextDocument* kept = document();
  kept->setParent(this);
  aside = Aside{kept, std::exchange(stored, PaneStorage())};
  auto* fresh = new QTextDocument(this);
  fresh->setDocumentLayout(new QPlainTextDocumentLayout(fresh));
  fresh->setUndoRedoEnabled(false);
  fresh->setDefaultFont(font());
  setDocument(fresh);
}

// At a new text: the text kept aside comes back when the new one is that text, or has its shape
// (other letters, written in as it is compared); else it goes.
bool PaneView::BringBackAside(const std::string& utf8, const LetterMap& letters) {
  if (!aside.document) return false;
  Aside kept = std::exchange(aside, Aside());
  if (kept.stored.Match(kept.document, utf8, letters, true) == TextFit::Differs) {
    delete kept.document;
    return false;
  }
  counter.Stop();
  QTextDocument* shown = document();
  const bool ours = shown->parent() == this;
  kept.document->setDefaultFont(font());
  setDocument(kept.document);
  if (ours) delete shown;
  stored = std::move(kept.stored);
  return true;
}

// The whole paragraphs within a few screens of the character: their rows are those the whole
// text gives them, since each paragraph starts a row of its own.
void PaneView::ShowFirstScreen(const std::string& utf8, int index, int newSpacingTwips) {
  const FirstScreenPart part = FirstScreenPartOf(utf8, index, ScreensOfBytes(4));
  // A pane not shown yet lays its text out at its own width only once it shows: rows are needed
  // now, and when it shows at that width they stay.
  if (!isVisible()) {
    QResizeEvent sized(size(), QSize(-1, -1));
    QPlainTextEdit::resizeEvent(&sized);
    laidOutWidth = width();
  }
  SetUtf8Text(utf8.substr(part.from, part.to - part.from), newSpacingTwips);
  const int top = static_cast<int>(std::clamp<int64_t>(part.top, 0, TextLength()));
  QTextCursor caret(document());
  caret.setPosition(top);
  setTextCursor(caret);
  ScrollCharToTopLine(top);
  anchorChar = top;  // kept at the top when the window shows at another width
}

// At least as many bytes of text as `screens` full panes show (no fewer than a few thousand).
size_t PaneView::ScreensOfBytes(int screens) const {
  const QFontMetrics metrics(font());
  const size_t columns = static_cast<size_t>(viewport()->width() / std::max(1, metrics.averageCharWidth()) + 1);
  const size_t rows = static_cast<size_t>(viewport()->height() / std::max(1, metrics.lineSpacing()) + 1);
  return std::max<size_t>(4096, static_cast<size_t>(screens) * columns * rows * 3);  // three bytes a character at most
}

// The same text again, perhaps with other spacing (wide spacing switched): the document stays,
// which on a book of hundreds of megabytes saves seconds; the rest is as for a new text.
void PaneView::Respace(int newSpacingTwips) {
  underlines.clear();
  setTextCursor(QTextCursor(document()));
  if (newSpacingTwips != spacingTwips) {
    spacingTwips = newSpacingTwips;
    ApplyFont();
  }
  anchorChar = -1;
  ScheduleLayout();
  viewport()->update();
}

void PaneView::SetRequestedFont(const QFont& font) {
  int top = anchorChar >= 0 ? anchorChar : TopChar();
  baseFont = font;
  ApplyFont();
  KeepTopChar(top);
}

void PaneView::ApplyFont() {
  QFont font = baseFont;
  double dpi = logicalDpiY() > 0 ? logicalDpiY() : 96.0;
  double spacing = std::clamp(spacingTwips / 20.0 * dpi / 72.0, -100.0, 400.0);
  font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
  setFont(font);
}

// --- events -----------------------------------------------------------------------------------

// The program scrolls by display lines itself: a vertical turn goes to it instead of the widget.
void PaneView::wheelEvent(QWheelEvent* e) {
  const int delta = e->angleDelta().y();
  const bool control = e->modifiers() & Qt::ControlModifier;
  if (events.wheel && delta != 0) {
    events.wheel(delta, control);
    return;
  }
  anchorChar = -1;
  if (!control) QPlainTextEdit::wheelEvent(e);  // the widget's own zoom would bypass the pane font
}

void PaneView::keyPressEvent(QKeyEvent* e) {
  anchorChar = -1;
  QPlainTextEdit::keyPressEvent(e);
  if (events.keyPressed) events.keyPressed(KeyOf(e));
  if (char32_t typed = TypedCharacter(e); typed && events.typed) events.typed(typed);
}

void PaneView::mousePressEvent(QMouseEvent* e) {
  QPlainTextEdit::mousePressEvent(e);
  if (e->button() == Qt::LeftButton && events.clicked) events.clicked();
}

void PaneView::mouseReleaseEvent(QMouseEvent* e) {
  QPlainTextEdit::mouseReleaseEvent(e);
  if (e->button() == Qt::LeftButton && events.clicked) events.clicked();
}

void PaneView::focusInEvent(QFocusEvent* e) {
  QPlainTextEdit::focusInEvent(e);
  if (events.focusGained) events.focusGained();
}

void PaneView::focusOutEvent(QFocusEvent* e) {
  QPlainTextEdit::focusOutEvent(e);
  viewport()->update(caretRect);
  if (events.focusLost) events.focusLost();
}

void PaneView::resizeEvent(QResizeEvent* e) {
  // The viewport has its new size already; the widget relays the text out (forgetting every
  // block's lines) when the width in the event changed, a first resize at showing included.
  if (e->oldSize().width() < 0 && e->size().width() == std::exchange(laidOutWidth, -1)) {
    QResizeEvent same(e->size(), e->size());  // laid out at this width for the first screen
    return QPlainTextEdit::resizeEvent(&same);
  }
  int top = anchorChar >= 0 ? anchorChar : TopChar();
  QPlainTextEdit::resizeEvent(e);
  if (e->oldSize().width() != e->size().width()) KeepTopChar(top);
}
// --- the widget -------------------------------------------------------------------------------

PaneView* PaneCreate(MainWidget* parent) {
  auto* pane = new PaneView(IsWindow(parent) ? static_cast<QWidget*>(parent) : nullptr);
  MakePaneAccessible(pane);
  pane->setGeometry(0, 0, 0, 0);
  pane->show();
  return pane;
}

void PaneSetEvents(PaneView* pane, PaneEvents events) {
  if (Live(pane)) pane->events = std::move(events);
}

void PaneSetGeometry(PaneView* pane, int x, int y, int width, int height) {
  if (!Live(pane)) return;
  const QSize before = pane->size();
  pane->setGeometry(x, y, std::max(0, width), std::max(0, height));
  if (pane->isVisible() || !pane->testAttribute(Qt::WA_PendingResizeEvent)) return;
  // A hidden pane would learn its size only when the window shows, and lay its text out once for
  // nothing before then: it takes the size now, so the book is laid out once, at its real width.
  QResizeEvent resize(pane->size(), before);
  QCoreApplication::sendEvent(pane, &resize);
  pane->setAttribute(Qt::WA_PendingResizeEvent, false);
}

bool PaneExists(PaneView* pane) { return Live(pane) != nullptr; }

bool PaneLinesCounted(PaneView* pane) { return Live(pane) && pane->LinesCounted(); }

int PaneHeight(PaneView* pane) { return Live(pane) ? pane->height() : 0; }

void PaneSetFocus(PaneView* pane) {
  if (Live(pane)) pane->setFocus(Qt::OtherFocusReason);
}

bool PaneHasFocus(PaneView* pane) { return Live(pane) && pane->hasFocus(); }

void PaneSetAccessibleName(PaneView* pane, const std::string& utf8) {
  if (Live(pane)) pane->setAccessibleName(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

// --- text -------------------------------------------------------------------------------------

// A document made and filled on the thread that prepared it, without a layout (which the pane
// gives it), then handed to the user-interface thread, where it is shown or deleted.
struct PanePreparedText {
  QTextDocument* document = nullptr;
  PaneStorage stored;
  const char* source = nullptr;  // the string it was made of, and its size and letters
  std::size_t size = 0;
  PaneLetters letters = PaneLetters::AsWritten;
  ~PanePreparedText() {  // where it is not shown: at once on its own thread, else once that thread gets to it
    if (document && document->thread() == QThread::currentThread())
      delete document;
    else if (document)
      document->deleteLater();
  }
};

std::shared_ptr<PanePreparedText> PanePrepareText(const std::string& utf8, PaneLetters letters) {
  auto prepared = std::make_shared<PanePreparedText>();
  auto document = std::make_unique<QTextDocument>();
  document->setUndoRedoEnabled(false);
  prepared->stored.Fill(document.get(), utf8, LetterMap(letters));
  document->moveToThread(QCoreApplication::instance()->thread());
  prepared->document = document.release();
  prepared->source = utf8.data();
  prepared->size = utf8.size();
  prepared->letters = letters;
  return prepared;
}

void PaneSetPreparedText(PaneView* pane, std::shared_ptr<PanePreparedText> prepared, const std::string& utf8,
                         int letterSpacingTwips, PaneLetters letters) {
  if (!Live(pane)) return;
  if (!prepared || !prepared->document || prepared->source != utf8.data() || prepared->size != utf8.size() ||
      prepared->letters != letters)
    return pane->SetUtf8Text(utf8, letterSpacingTwips, LetterMap(letters));
  pane->SetPreparedDocument(std::exchange(prepared->document, nullptr), prepared->stored, letterSpacingTwips);
}

void PaneSetPlainText(PaneView* pane, const std::string& utf8, int letterSpacingTwips) {
  if (Live(pane)) pane->SetUtf8Text(utf8, letterSpacingTwips);
}

void PaneSetPlainTextInCase(PaneView* pane, const std::string& utf8, int letterSpacingTwips, PaneLetters letters) {
  if (Live(pane)) pane->SetUtf8Text(utf8, letterSpacingTwips, LetterMap(letters));
}

std::string PaneGetPlainText(PaneView* pane) { return Live(pane) ? pane->stored.CrLfText() : std::string(); }

int PaneStreamInRtf(PaneView* pane, const std::string& rtf) {
  if (!Live(pane)) return 0;
  RichText read = ReadRichText(rtf);
  pane->SetUtf8Text(read.text, read.letterSpacingTwips);
  return pane->TextLength();
}

int PaneTextLength(PaneView* pane) { return Live(pane) ? pane->TextLength() : 0; }

void PaneSetLetterSpacing(PaneView* pane, int twips) {
  if (Live(pane)) pane->Respace(twips);
}

void PaneKeepTextAside(PaneView* pane) {
  if (Live(pane)) pane->keepAside = true;
}

void PaneShowFirstScreen(PaneView* pane, const std::string& utf8, int charIndex, int letterSpacingTwips) {
  if (Live(pane)) pane->ShowFirstScreen(utf8, charIndex, letterSpacingTwips);
}

// --- fonts and margins ------------------------------------------------------------------------

bool PaneSetFont(PaneView* pane, const PaneFontRequest& request) {
  if (!Live(pane)) return false;
  int height = PanePixelHeight(request.pixelHeight);
  QFont font(QString::fromUtf8(request.face.data(), static_cast<qsizetype>(request.face.size())).left(31));
  font.setPixelSize(height);
  font.setWeight(request.bold ? QFont::Bold : QFont::Normal);
  font.setItalic(request.italic);
  font.setUnderline(request.underline);
  font.setStrikeOut(request.strikeout);
  pane->SetRequestedFont(font);
  return true;
}

void PaneSetMargins(PaneView* pane, int left, int right) {
  if (Live(pane)) pane->SetMargins(PaneMarginShown(left), PaneMarginShown(right));
}

// --- selection --------------------------------------------------------------------------------

void PaneGetSelection(PaneView* pane, int& start, int& end) {
  start = end = 0;
  if (!Live(pane)) return;
  QTextCursor cursor = pane->textCursor();
  start = cursor.selectionStart();
  end = cursor.selectionEnd();
}

void PaneSelectWithin(PaneView* pane, CharRange range) {
  if (!Live(pane)) return;
  QTextCursor cursor = pane->textCursor();
  cursor.setPosition(range.start);
  cursor.setPosition(range.end, QTextCursor::KeepAnchor);
  pane->setTextCursor(cursor);
}

void PaneRemoveSelection(PaneView* pane) {
  if (!Live(pane)) return;
  QTextCursor cursor = pane->textCursor();
  cursor.clearSelection();
  pane->setTextCursor(cursor);
}

}  // namespace vt
