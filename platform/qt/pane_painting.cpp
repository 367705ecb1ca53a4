// Painting the reading pane: web addresses shown as links, underline marks kept as a set of
// merged ranges and drawn over the visible rows only (so marking stays cheap over a reading of a
// million characters), a caret of any size painted by the pane itself, and the pane's colours.
// The first frame painted starts the line count (see pane_rows.cpp).
// State: the marks, the caret's size and place, the links shown (members of PaneView); all on the
// user-interface thread.
#include "platform/pane.h"
#include "platform/scheme_colours.h"
#include "platform/web_addresses.h"
#include "platform/qt/live_objects.h"
#include "platform/qt/pane_view.h"

#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace vt {

namespace {

QColor FromColourRef(int32_t ref) {
  auto v = static_cast<uint32_t>(ref);
  return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

uint32_t ToColourRef(const QColor& c) { return static_cast<uint32_t>(c.red() | c.green() << 8 | c.blue() << 16); }

QColor LinkColour(const QColor& background, const QColor& text) {
  return FromColourRef(static_cast<int32_t>(SchemeColours(ToColourRef(text), ToColourRef(background)).link));
}

// The web addresses in a stretch of whole paragraphs, start and end, in text order.
std::vector<std::pair<int, int>> AddressesIn(QStringView paragraphs) {
  return WebAddressesIn(std::u16string_view(reinterpret_cast<const char16_t*>(paragraphs.utf16()),
                                            static_cast<std::size_t>(paragraphs.size())));
}

}  // namespace

// Web addresses are looked for in the blocks on screen only, when they come into view: a book of
// hundreds of megabytes is never searched whole, and an address never spans two blocks.
void PaneView::ShowVisibleLinks() {
  QList<QTextEdit::ExtraSelection> wanted;
  const int first = firstVisibleBlock().position();
  const QTextBlock last = cursorForPosition(QPoint(viewport()->width(), viewport()->height())).block();
  const int end = std::min(last.position() + last.length(), TextLength());
  const QColor colour = LinkColour(palette().color(QPalette::Base), palette().color(QPalette::Text));
  for (auto [start, stop] : AddressesIn(Text().mid(first, std::max(0, end - first)))) {
    QTextEdit::ExtraSelection s;
    s.cursor = QTextCursor(document());
    s.cursor.setPosition(first + start);
    s.cursor.setPosition(first + stop, QTextCursor::KeepAnchor);
    s.format.setForeground(colour);
    s.format.setFontUnderline(true);
    wanted.push_back(s);
  }
  if (wanted.size() != shownLinks.size() ||
      !std::equal(wanted.begin(), wanted.end(), shownLinks.begin(), [](const auto& a, const auto& b) {
        return a.cursor == b.cursor && a.format == b.format;
      })) {
    shownLinks = wanted;
    setExtraSelections(wanted);
  }
}

// Draws the underline marks of the visible rows: the selected part in the selection's colour.
void PaneView::PaintUnderlines(QPainter& painter) {
  if (underlines.empty()) return;
  QTextCursor cursor = textCursor();
  int selStart = cursor.selectionStart(), selEnd = cursor.selectionEnd();
  QFontMetricsF metrics(font());
  qreal thickness = std::max<qreal>(1.0, std::round(metrics.lineWidth()));
  QPointF offset = contentOffset();
  QTextBlock block = firstVisibleBlock();
  const qreal bottom = viewport()->height();
  while (block.isValid()) {
    QRectF geometry = blockBoundingGeometry(block).translated(offset);
    if (geometry.top() > bottom) break;
    const int bStart = block.position();
    QTextLayout* layout = block.layout();
    for (int i = 0; i < layout->lineCount(); ++i) {
      QTextLine line = layout->lineAt(i);
      qreal top = geometry.top() + line.y();
      if (top + line.height() < 0) continue;
      if (top > bottom) break;
      int lStart = bStart + line.textStart(), lEnd = lStart + line.textLength();
      qreal y = top + line.ascent() + std::max<qreal>(1.0, metrics.underlinePos());
      auto segment = [&](int from, int to, const QColor& colour) {
        if (from >= to) return;
        qreal x1 = geometry.left() + line.cursorToX(from - bStart);
        qreal x2 = geometry.left() + line.cursorToX(to - bStart);
        painter.fillRect(QRectF(x1, y, x2 - x1, thickness), colour);
      };
      auto it = underlines.upper_bound(lStart);
      if (it != underlines.begin() && std::prev(it)->second > lStart) --it;
      for (; it != underlines.end() && it->first < lEnd; ++it) {
        int a = std::max(it->first, lStart), b = std::min(it->second, lEnd);
        segment(a, b, palette().color(QPalette::Text));
        segment(std::max(a, selStart), std::min(b, selEnd), palette().color(QPalette::HighlightedText));
      }
    }
    block = block.next();
  }
}

QRect PaneView::CaretRect() const {
  QRect r = cursorRect();
  return QRect(r.left(), r.top(), caretWidth, caretHeight);
}

void PaneView::CaretMoved() {
  if (caretWidth <= 0) return;
  viewport()->update(caretRect);
  caretRect = CaretRect();
  viewport()->update(caretRect);
}

void PaneView::paintEvent(QPaintEvent* e) {
  ShowVisibleLinks();
  QPlainTextEdit::paintEvent(e);
  QPainter painter(viewport());
  PaintUnderlines(painter);
  if (caretWidth > 0 && caretHeight > 0 && hasFocus()) {
    caretRect = CaretRect();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(caretRect, Qt::white);
  }
  painter.end();
  if (!paintedOnce) StartCountAfterFirstFrame();
  if (events.painted) events.painted();
}

// The first frame goes to the screen when this paint returns; the count starts after it.
void PaneView::StartCountAfterFirstFrame() {
  paintedOnce = true;
  QTimer::singleShot(0, this, [this] {
    if (countWaiting) StartCount();
  });
}

void PaneSetColours(PaneView* pane, int32_t textColour, int32_t backgroundColour) {
  if (!Live(pane)) return;
  const PaneColours scheme = SchemeColours(static_cast<uint32_t>(textColour), static_cast<uint32_t>(backgroundColour));
  QColor text = FromColourRef(static_cast<int32_t>(scheme.text)), background = FromColourRef(static_cast<int32_t>(scheme.background));
  QPalette palette = pane->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Text, text);
    palette.setColor(group, QPalette::Base, background);
    palette.setColor(group, QPalette::Window, background);
    // the selection shows in inverse video, focused or not
    palette.setColor(group, QPalette::Highlight, FromColourRef(static_cast<int32_t>(scheme.selectionBackground)));
    palette.setColor(group, QPalette::HighlightedText, FromColourRef(static_cast<int32_t>(scheme.selectionText)));
  }
  pane->setPalette(palette);
  // The scroll bar in the same two colours, its handle in the text colour on the pane's
  // background (the desktop's light grey is faint on blue). Its width stays what the style gives,
  // so the text keeps its width and its display lines.
  QScrollBar* bar = pane->verticalScrollBar();
  static const int barWidth = bar->sizeHint().width();
  bar->setStyleSheet(QString("QScrollBar:vertical { background: %1; width: %3px; margin: 0; border: 0; }"
                             "QScrollBar::handle:vertical { background: %2; min-height: %4px; }"
                             "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }")
                         .arg(background.name(), text.name())
                         .arg(barWidth)
                         .arg(4 * barWidth));  // a handle tall enough to find
  pane->viewport()->update();
}

bool PaneRangeUnderlined(PaneView* pane, int start, int end) {
  if (!Live(pane)) return false;
  if (start > end) std::swap(start, end);
  auto it = pane->underlines.upper_bound(start);
  if (it == pane->underlines.begin()) return false;
  --it;
  if (start == end) return it->second > start;
  return it->first <= start && it->second >= end;
}

void PaneSetRangeUnderline(PaneView* pane, int start, int end, bool on) {
  if (!Live(pane)) return;
  if (start > end) std::swap(start, end);
  start = std::clamp(start, 0, PaneTextLength(pane));
  end = std::clamp(end, 0, PaneTextLength(pane));
  if (start == end) return;
  std::map<int, int>& marks = pane->underlines;
  // the ranges that touch [start, end] are taken out, then what remains of them is put back
  auto it = marks.upper_bound(start);
  if (it != marks.begin() && std::prev(it)->second >= start) --it;
  int newStart = start, newEnd = end;
  std::vector<std::pair<int, int>> keep;
  while (it != marks.end() && it->first <= end) {
    if (on) {
      newStart = std::min(newStart, it->first);
      newEnd = std::max(newEnd, it->second);
    } else {
      if (it->first < start) keep.emplace_back(it->first, start);
      if (it->second > end) keep.emplace_back(end, it->second);
    }
    it = marks.erase(it);
  }
  if (on) marks[newStart] = newEnd;
  for (auto& [a, b] : keep)
    if (a < b) marks[a] = b;
  pane->viewport()->update();
}

void PaneClearUnderline(PaneView* pane) {
  if (!Live(pane)) return;
  pane->underlines.clear();
  pane->viewport()->update();
}

void PaneSetRedraw(PaneView* pane, bool on) {
  if (!Live(pane)) return;
  pane->viewport()->setUpdatesEnabled(on);
  if (on) pane->viewport()->repaint();
}

void PaneShowCaret(PaneView* pane, int width, int height) {
  if (!Live(pane)) return;
  pane->viewport()->update(pane->caretRect);
  pane->caretWidth = std::clamp(width, 0, 1000);
  pane->caretHeight = std::clamp(height, 0, 2000);
  pane->setCursorWidth(pane->caretWidth > 0 ? 0 : 1);
  pane->caretRect = pane->CaretRect();
  pane->viewport()->update(pane->caretRect);
}

void PaneDestroyCaret(PaneView* pane) {
  if (!Live(pane)) return;
  pane->viewport()->update(pane->caretRect);
  pane->caretWidth = pane->caretHeight = 0;
  pane->setCursorWidth(1);
}

}  // namespace vt
