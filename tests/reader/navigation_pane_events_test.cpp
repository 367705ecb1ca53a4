// The pane's own events: the wheel scrolls whole lines or zooms, gaining the focus removes the
// selection, the first focused paint puts the wide caret, and the word at the caret.
#include <QApplication>
#include <QFocusEvent>
#include <QPlainTextEdit>
#include <QWheelEvent>

#include "platform/testing.h"
#include "platform/pane.h"
#include "reader/navigation.h"
#include "reader/reading_pane.h"
#include "support/main_window_fixture.h"

using namespace vt;

namespace {

class PaneEvents : public vt_test::MainWindowTest {
 protected:
  // Many paragraphs, each wrapped onto several display lines by the large type.
  void StartWithLongText() {
    Start("FontSize=64\r\n");
    std::string text;
    for (int paragraph = 0; paragraph < 600; ++paragraph)
      text += "Paragraph " + std::to_string(paragraph) + " runs on for a while, so that the type wraps it.\r\n";
    SetPaneWindowText(PaneWindow, text);
    ProcessPendingEvents();
  }
  // The main window's pane (a pane of the pane tests may be about, on its own).
  static QPlainTextEdit* PaneWidget() {
    for (QWidget* widget : QApplication::allWidgets())
      if (auto* edit = qobject_cast<QPlainTextEdit*>(widget); edit && edit->isVisible() && !edit->isWindow()) return edit;
    return nullptr;
  }
  // One notch of the mouse wheel over the pane.
  static void TurnWheel(int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* viewport = PaneWidget()->viewport();
    QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
    QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
    ProcessPendingEvents();
  }
  static std::pair<int, int> Selection() {
    int start = 0, end = 0;
    PaneGetSelection(PaneWindow, start, end);
    return {start, end};
  }
};

TEST_F(PaneEvents, OneWheelNotchScrollsOneOrThreeLinesAndLeavesTheCaret) {
  StartWithLongText();
  ASSERT_NE(PaneWidget(), nullptr);
  PaneSetSelection(PaneWindow, 7, 7);
  ScrollCharToTop(PaneLineIndex(PaneWindow, 100));
  for (const auto& [setting, lines] : {std::pair{1, 1}, {0, 3}, {2, 3}}) {
    SingleLineScroll = setting;
    int first = PaneFirstVisibleLine(PaneWindow);
    TurnWheel(-120);
    EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), first + lines) << "SingleLineScroll " << setting;
    TurnWheel(120);
    EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), first) << "SingleLineScroll " << setting;
    TurnWheel(-720);  // a large turn in one event is still one step
    EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), first + lines) << "SingleLineScroll " << setting;
  }
  EXPECT_EQ(Selection(), std::make_pair(7, 7));
}

TEST_F(PaneEvents, CtrlWheelZoomsAndNeverScrolls) {
  StartWithLongText();
  TurnWheel(120, Qt::ControlModifier);
  EXPECT_EQ(FontSize, 68);
  TurnWheel(-120, Qt::ControlModifier);
  TurnWheel(-120, Qt::ControlModifier);
  EXPECT_EQ(FontSize, 60);
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 0);
}

TEST_F(PaneEvents, TheFirstFocusedPaintOfTheRunPutsTheWideCaret) {
  CaretShownOnPaint = 0;
  StartWithLongText();
  PaneSetFocus(PaneWindow);
  PaneWidget()->viewport()->repaint();
  EXPECT_EQ(CaretShownOnPaint, 1);
}

TEST_F(PaneEvents, GainingTheFocusRemovesTheSelectionAndKeepsTheCaret) {
  StartWithLongText();
  PaneSetSelection(PaneWindow, 5, 9);
  QFocusEvent focusIn(QEvent::FocusIn, Qt::OtherFocusReason);
  QApplication::sendEvent(PaneWidget(), &focusIn);
  EXPECT_EQ(Selection(), std::make_pair(9, 9));
}

TEST_F(PaneEvents, SelectWordAtCaretTakesTheWordAndWhatFollowsIt) {
  Start();
  SetPaneWindowText(PaneWindow, "Hello, world  again.");
  struct Case {
    int caret, start, end;
  } const cases[] = {
      {0, 0, 5}, {2, 0, 5},     // inside a word: from its start; punctuation ends it
      {5, 5, 7},                // on punctuation: the comma is a word of its own, with its blank
      {6, 7, 14}, {12, 14, 19}, // on blanks: the next word, with the blanks after it
      {19, 19, 20},             // the full stop at the end
      {20, 20, 20},             // at the text's end: nothing more to take
  };
  for (const Case& c : cases) {
    PaneSetSelection(PaneWindow, c.caret, c.caret + (c.caret == 2 ? 5 : 0));  // a selection counts from its start
    EXPECT_EQ(SelectWordAtCaret(PaneWindow), c.start) << "caret " << c.caret;
    EXPECT_EQ(Selection(), std::make_pair(c.start, c.end)) << "caret " << c.caret;
  }
}

}  // namespace
