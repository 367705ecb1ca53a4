// The reading pane's widget: a QPlainTextEdit, which lays out only the blocks it shows, so even
// the longest book at the largest type stays responsive. On top of it the pane keeps:
// - its plain text (one character per paragraph break, so offsets are the widget's positions) for
//   finding, word breaks and reading the text back; the document holds short paragraphs grouped
//   into blocks, joined by line separators, as the widget's cost is per block. That text is a view
//   of the document's own characters, so a book is held once, not twice;
// - exact display lines: after each change of text, font or width the view is laid out first, at
//   the reading position, while worker threads count the rows of every other block (once the
//   pane's first frame is on the screen); a query that needs exact line numbers waits for that
//   count (or lays out the rest itself), in a text of tens of megabytes for a moment only, then
//   answers from the layout as far as it has got;
// - rows of the view (the reader's place, the page size, the bookmark) counted from the top row on
//   screen, so they never wait for that count;
// - underline marks as a set of merged ranges, drawn over the visible rows only, so marking stays
//   cheap over a reading of a million characters; web addresses shown as links;
// - a caret of any size, painted by the pane itself, and the program's callbacks on its events.
// Threads: the widget and all of this state belong to the user-interface thread. The line
// counter's workers read only their own copy of the text and font; their counts are taken over on
// the user-interface thread (TakeLineCounts). A new count cancels the one before, and the pane's
// end and the application's end stop the workers.
#include "platform/pane.h"
#include "platform/first_screen.h"
#include "platform/font_limits.h"
#include "platform/pane_ranges.h"
#include "platform/scheme_colours.h"
#include "platform/text_search.h"
#include "platform/web_addresses.h"
#include "platform/word_breaks.h"
#include "platform/files.h"

#include "platform/qt/accessible_pane.h"
#include "platform/qt/pane_line_count.h"
#include "platform/qt/live_objects.h"
#include "platform/qt/main_widget.h"
#include "platform/testing.h"
#include "platform/rich_text.h"

#include <QAbstractTextDocumentLayout>
#include <QtGui/private/qtextdocument_p.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStringDecoder>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextLayout>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <numeric>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace vt {

namespace {

// Short paragraphs are grouped into blocks of at most this many characters, more in a longer text
// (see BlockCharacters).
constexpr qsizetype kFewestBlockCharacters = 2048, kMostBlockCharacters = 16384;
constexpr int kLongestLayoutWaitMs = 250;         // the most a query waits for the count of a very long text
constexpr qsizetype kLongestExactText = 8 << 20;  // texts up to this many characters are always counted exactly

// The word-break kind of a character, by Qt's Unicode tables; a line feed is white space.
CharKind KindOf(QChar c) {
  if (c == u'\n' || c.isSpace()) return CharKind::Space;
  if (c.isLetterOrNumber()) return CharKind::LetterOrDigit;
  return CharKind::Punctuation;
}

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

QColor FromColourRef(int32_t ref) {
  auto v = static_cast<uint32_t>(ref);
  return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

uint32_t ToColourRef(const QColor& c) { return static_cast<uint32_t>(c.red() | c.green() << 8 | c.blue() << 16); }

QColor LinkColour(const QColor& background, const QColor& text) {
  return FromColourRef(static_cast<int32_t>(SchemeColours(ToColourRef(text), ToColourRef(background)).link));
}

// Each character in capitals or in small letters, as ChangeLetterCase maps it: a mapping that
// would take another number of UTF-16 units leaves the character as it is. The characters below
// U+10000 are mapped from a table made once, a look-up each instead of a question to Qt's tables.
class LetterMap {
 public:
  explicit LetterMap(PaneLetters letters) : upper(letters == PaneLetters::Capitals) {
    if (letters != PaneLetters::AsWritten) table = upper ? Table<true>() : Table<false>();
  }

  bool Active() const { return table != nullptr; }

  // What each character below U+10000 becomes, as a table (characters as they are when inactive).
  const char16_t* Units() const { return table ? table : Identity(); }

  char32_t operator()(char32_t code) const {
    if (!table) return code;
    if (code < 0x10000) return table[code];
    const char32_t mapped = upper ? QChar::toUpper(code) : QChar::toLower(code);
    return mapped >= 0x10000 ? mapped : code;
  }

  // Maps UTF-16 text in place.
  void MapUnits(QChar* begin, QChar* end) const {
    for (QChar* c = begin; c < end; ++c) {
      if (!c->isHighSurrogate() || c + 1 == end || !c[1].isLowSurrogate()) {
        *c = QChar(table[c->unicode()]);
        continue;
      }
      const char32_t mapped = (*this)(QChar::surrogateToUcs4(c[0], c[1]));
      c[0] = QChar(QChar::highSurrogate(mapped));
      c[1] = QChar(QChar::lowSurrogate(mapped));
      ++c;
    }
  }

 private:
  template <bool kUpper>
  static const char16_t* Table() {
    static const std::vector<char16_t> table = [] {
      std::vector<char16_t> t(0x10000);
      for (char32_t c = 0; c < 0x10000; ++c) {
        const char32_t mapped = kUpper ? QChar::toUpper(c) : QChar::toLower(c);
        t[c] = static_cast<char16_t>(mapped < 0x10000 && !QChar::isSurrogate(c) ? mapped : c);
      }
      return t;
    }();
    return table.data();
  }

  static const char16_t* Identity() {
    static const std::vector<char16_t> same = [] {
      std::vector<char16_t> t(0x10000);
      std::iota(t.begin(), t.end(), char16_t{0});
      return t;
    }();
    return same.data();
  }

  const char16_t* table = nullptr;
  bool upper;
};

}  // namespace

class PaneView : public QPlainTextEdit {
 public:
  explicit PaneView(QWidget* parent) : QPlainTextEdit(parent) {
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

  ~PaneView() override {
    MarkGone(this);
    counter.Stop();
    StopFinding(false);
  }

  PaneEvents events;                   // the program's callbacks
  QStringView text;                    // the plain text, a line or paragraph separator at each paragraph break
  QString textStore;                   // what `text` views: the document's own characters, or a copy
  std::vector<int> blockParagraphs;    // how many paragraphs of `text` each block of the document holds
  std::map<int, int> underlines;       // underlined ranges, start -> end, merged, not touching
  QFont baseFont;                      // the requested font, without letter spacing
  int spacingTwips = 0;                // letter spacing of the current text
  int caretWidth = 0, caretHeight = 0; // the painted caret (0: the widget's own thin caret)

  void SetMargins(int left, int right) { setViewportMargins(left, 0, right, 0); }
  QRect caretRect;                     // where the painted caret was last drawn

  // --- text ---------------------------------------------------------------------------------

  // Shows UTF-8 text; CR LF, a lone CR and a lone LF each end a paragraph.
  void SetUtf8Text(const std::string& utf8, int newSpacingTwips, LetterMap letters = LetterMap(PaneLetters::AsWritten)) {
    StopFinding(true);  // it reads the characters that may be written over here
    const bool keepShownAside = std::exchange(keepAside, false);
    // A page over a text kept aside (the shelf made anew) replaces the page; the kept text stays.
    const bool newPage = keepShownAside && aside.document;
    if (!newPage && (BringBackAside(utf8, letters) == Back::Same || SameAsShown(utf8, letters)))
      return Respace(newSpacingTwips);
    // A text kept aside is never written over: its own letters come back with it.
    if (!keepShownAside && Reletter(utf8, letters)) return Respace(newSpacingTwips);  // else the document is built anew
    underlines.clear();
    counter.Stop();
    if (keepShownAside && !newPage && !text.isEmpty()) {
      PutAside();
    } else {  // the old text goes before the new document is made, so that at most one book is held
      text = QStringView();
      textStore = QString();
      QPlainTextEdit::setPlainText(QString());
    }
    if (newSpacingTwips != spacingTwips) {  // the font changes while the pane is empty: the book is laid out once
      spacingTwips = newSpacingTwips;
      ApplyFont();
    }
    FillDocument(utf8, letters);
    AdoptDocumentCharacters();
    anchorChar = -1;
    ScheduleLayout();
  }

  // True when the UTF-8 text is the text shown (wide spacing switched puts the same text in
  // again): comparing costs far less than converting it.
  bool SameAsShown(const std::string& utf8, const LetterMap& letters) const {
    if (text.isEmpty()) return false;
    const char16_t* shown = text.utf16();
    qsizetype at = 0;
    return ForEachPiece(utf8, letters,
                        [&](const char16_t* units, qsizetype n) {
                          if (n > text.size() - at) return false;
                          if (std::memcmp(shown + at, units, static_cast<size_t>(n) * sizeof(char16_t)) == 0) return at += n, true;
                          char16_t differ = 0;
                          for (qsizetype k = 0; k < n; ++k) differ |= (IsBreakUnit(shown[at + k]) ? kBreak : shown[at + k]) ^ units[k];
                          at += n;
                          return differ == 0;
                        }) &&
           at == text.size();
  }

  // The text with CR LF at each paragraph break, as reading the pane back gives it. It is made
  // afresh on each request: the few commands that read the text back do not justify keeping a
  // second copy of the book.
  std::string CrLfText() const {
    const auto breaks = std::count_if(text.begin(), text.end(), IsParagraphBreak);
    std::string out;
    ReserveLargeText(out, static_cast<size_t>(text.size() + breaks));
    out.resize(static_cast<size_t>(text.size() + breaks));
    char* to = out.data();
    for (QChar c : text) {
      char16_t unit = c.unicode();
      if (IsParagraphBreak(c)) {
        *to++ = '\r';
        unit = u'\n';
      } else if (unit >= 0x80) {
        QString copy = text.toString();
        for (QChar& b : copy)
          if (IsParagraphBreak(b)) b = u'\n';
        return CrLfTextOfUtf8(copy.toUtf8());
      }
      *to++ = static_cast<char>(unit);
    }
    return out;
  }

  static std::string CrLfTextOfUtf8(const QByteArray& utf8) {
    std::string out;
    out.reserve(static_cast<size_t>(utf8.size()) + static_cast<size_t>(utf8.size()) / 16);
    for (char c : utf8) {
      if (c == '\n') out += '\r';
      out += c;
    }
    return out;
  }

  // Puts UTF-8 text into the empty document block by block, each block converted on its own, so
  // no converted copy of the whole text is ever made: a book of hundreds of megabytes is held in
  // UTF-16 once, by the document. The widget's cost is per block (a book of millions of short lines
  // took seconds to show and hundreds of bytes a line), so short paragraphs are grouped into blocks
  // of up to BlockCharacters, joined by line separators; rows and positions are the same as with a
  // block each. Notes in blockParagraphs how many paragraphs each block holds.
  void FillDocument(const std::string& utf8, const LetterMap& letters) {
    const qsizetype blockCharacters = BlockCharacters(static_cast<qsizetype>(utf8.size()));
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString block, paragraph;
    int paragraphs = 0;
    blockParagraphs.clear();
    QSignalBlocker quiet(this);  // the caret moves along with the insertion; it goes back to the start below
    QTextCursor end(document());
    end.beginEditBlock();
    ForEachParagraph(utf8, [&](std::string_view bytes) {
      paragraph.resize(decoder.requiredSpace(static_cast<qsizetype>(bytes.size())));
      paragraph.truncate(decoder.appendToBuffer(paragraph.data(), bytes) - paragraph.constData());
      if (letters.Active()) letters.MapUnits(paragraph.data(), paragraph.data() + paragraph.size());
      if (paragraphs > 0 && block.size() + 1 + paragraph.size() > blockCharacters) {
        end.insertText(block);
        end.insertBlock();
        blockParagraphs.push_back(paragraphs);
        block.resize(0);
        paragraphs = 0;
      }
      if (paragraphs++ > 0) block += QChar::LineSeparator;
      block += paragraph;
    });
    end.insertText(block);
    blockParagraphs.push_back(paragraphs);
    end.endEditBlock();
    setTextCursor(QTextCursor(document()));
  }

  // Calls `take` with the bytes of each paragraph of UTF-8 text, which ends at CR LF, a lone CR, a
  // lone LF, a line or paragraph separator, or a frame mark (which the document would take for one).
  template <typename Take>
  static void ForEachParagraph(std::string_view utf8, Take take) {
    size_t start = 0;
    for (size_t i = 0; i < utf8.size();) {
      const size_t breakLength = BreakLengthAt(utf8, i);
      if (breakLength == 0) {
        ++i;
        continue;
      }
      take(utf8.substr(start, i - start));
      i += breakLength;
      start = i;
    }
    take(utf8.substr(start));
  }

  static size_t BreakLengthAt(std::string_view utf8, size_t i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c > '\r' && c < 0xE2) return 0;  // most of a text, told at once
    if (c == '\n') return 1;
    if (c == '\r') return utf8.substr(i, 2) == "\r\n" ? 2 : 1;
    const std::string_view three = utf8.substr(i, 3);
    return three == "\u2028" || three == "\u2029" || three == "\uFDD0" || three == "\uFDD1" ? 3 : 0;
  }

  // After the document took the text: `text` views the document's own characters. The document
  // appended each block's characters, then its separator, to one buffer after its first block's
  // separator, so the text is that buffer from its second character on, with paragraph separators
  // between blocks; a few sampled blocks confirm it. The buffer is reached through the private
  // header of the Qt the program is built with; should a Qt keep it otherwise, the samples differ
  // and the pane keeps a copy of the document's text instead. The characters are shared, not
  // copied: the read-only document never writes to them, and would copy them first if it did.
  void AdoptDocumentCharacters() {
    const QTextDocument* doc = document();
    const qsizetype n = doc->characterCount() - 1;
    QString buffer = QTextDocumentPrivate::get(doc)->buffer();
    bool same = buffer.size() > n;
    const int lastBlock = doc->blockCount() - 1;
    for (int sample = 0; same && sample <= 64; ++sample) {
      const QTextBlock block = doc->findBlockByNumber(static_cast<int>(int64_t{lastBlock} * sample / 64));
      const QString characters = block.text();
      const QStringView shared = QStringView(buffer).mid(1 + block.position(), characters.size() + 1);
      same = shared.startsWith(characters) &&
             (block.blockNumber() == lastBlock || shared.endsWith(QChar::ParagraphSeparator));
    }
    textStore = same ? std::move(buffer) : doc->toRawText();
    text = QStringView(textStore).mid(same ? 1 : 0, n);
  }

  // The document's buffer starts with its first block's separator: a text that views it starts
  // one character in, a copy of its own at its start.
  bool SharesDocument() const { return !text.isEmpty() && text.data() == textStore.constData() + 1; }

  // A paragraph break as the pieces of ForEachPiece give it: the line separator, which joins the
  // paragraphs within a block, so that most pieces of a text shown are byte for byte its own.
  static constexpr char16_t kBreak = u'\u2028';
  static bool IsBreakUnit(char16_t unit) { return unit == u'\u2028' || unit == u'\u2029'; }

  // Walks UTF-8 text as the pane holds it, a piece of a few thousand UTF-16 units at a time:
  // `take(units, n)` gets each piece in its letters, every paragraph break (CR LF, CR, LF, the line
  // and paragraph separators, a frame mark) as one kBreak, and returns false to stop. False when it
  // stopped, or at the first bytes that are not well-formed UTF-8. Printable ASCII and two-byte
  // characters, nearly all of any text, are told apart without a jump, so that even a text of
  // random letters is walked at a few cycles a character (a jump each took seconds on 200 MB).
  template <typename Take>
  static bool ForEachPiece(const std::string& utf8, const LetterMap& letters, Take take) {
    constexpr qsizetype kPieceUnits = 4096;  // on the stack, and small enough to stay in the cache
    char16_t piece[kPieceUnits + 2];         // a character may take two units
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.c_str());  // ends in a NUL: bytes[i + 1] may be read
    const char16_t* const map = letters.Units();
    const size_t size = utf8.size();
    for (size_t i = 0; i < size;) {
      qsizetype n = 0;
      while (n < kPieceUnits && i < size) {
        uint64_t word;  // eight printable ASCII bytes at a time: most of a book in Latin letters
        if (n + 8 <= kPieceUnits && i + 8 <= size &&
            (std::memcpy(&word, bytes + i, 8), ((word | (word - 0x2020202020202020ull)) & 0x8080808080808080ull) == 0)) {
          for (int k = 0; k < 8; ++k) piece[n + k] = map[bytes[i + k]];
          n += 8;
          i += 8;
          continue;
        }
        const unsigned lead = bytes[i], next = bytes[i + 1];
        const unsigned pair = static_cast<unsigned>(lead - 0xC2u < 0x1Eu) & static_cast<unsigned>((next & 0xC0u) == 0x80u);
        const unsigned ascii = lead - 0x20u < 0x60u;
        if (ascii + pair != 0) {  // never both; a sum, which the compiler does not split into two jumps
          const unsigned pairMask = 0u - pair;  // all ones for a two-byte character: chosen by masks, not a jump
          piece[n++] = map[(lead & ~pairMask) | (((lead & 0x1Fu) << 6 | (next & 0x3Fu)) & pairMask)];
          i += 1 + pair;
          continue;
        }
        const size_t length = Utf8SequenceLength(utf8, i);
        if (length == 0) return false;
        char32_t code = DecodeUtf8(utf8, i, length);
        i += length;
        if (code == '\r' || code == '\n' || code == 0x2028 || code == 0x2029 || code == 0xFDD0 || code == 0xFDD1) {
          if (code == '\r' && bytes[i] == '\n') ++i;
          piece[n++] = kBreak;
        } else if ((code = letters(code)) >= 0x10000) {
          piece[n++] = QChar::highSurrogate(code);
          piece[n++] = QChar::lowSurrogate(code);
        } else {
          piece[n++] = static_cast<char16_t>(code);
        }
      }
      if (!take(piece, n)) return false;
    }
    return true;
  }

  // The same text in other letters (another letter case, or back to the letters it was loaded
  // with): when every character takes the place of one of the text shown, and every paragraph
  // break stays where it is, the new letters are written over the document's own characters.
  // No document is built anew, which on a book of hundreds of megabytes saves a second or more;
  // the document lays out again what it shows, and the rest is as for a new text. The characters
  // written are the document's buffer, which the pane's text views: the line count that reads them
  // is stopped first, and the document is told that they changed. They are written as the shape is
  // checked, in one pass: where the shape turns out to differ, the caller builds a new document,
  // and the letters written so far go with the old one.
  bool Reletter(const std::string& utf8, const LetterMap& map) {
    if (!SharesDocument()) return false;
    counter.Stop();  // its workers read these characters
    auto* letters = const_cast<char16_t*>(text.utf16());
    qsizetype at = 0;
    const bool sameShape = ForEachPiece(utf8, map, [&](const char16_t* units, qsizetype n) {
      if (n > text.size() - at) return false;
      char16_t* shown = letters + at;
      unsigned moved = 0;  // not 0 where a break of one text meets a character of the other
      auto step = [&](qsizetype k) {
        const char16_t was = shown[k], now = units[k];
        const unsigned shownBreak = static_cast<char16_t>(was - u'\u2028') < 2, newBreak = now == kBreak;
        moved |= shownBreak ^ newBreak;
        shown[k] = shownBreak | newBreak ? was : now;  // a break is never written, nor written over
      };
      qsizetype k = 0;
      for (; k + 16 <= n; k += 16)  // sixteen at a time: a count the compiler does in vector registers
        for (int j = 0; j < 16; ++j) step(k + j);
      for (; k < n; ++k) step(k);
      at += n;
      return moved == 0;
    });
    if (!sameShape || at != text.size()) return false;
    document()->markContentsDirty(0, static_cast<int>(text.size()));
    underlines.clear();
    setTextCursor(QTextCursor(document()));
    anchorChar = -1;
    ScheduleLayout();
    viewport()->update();
    return true;
  }

  // --- a text kept aside --------------------------------------------------------------------
  // The shortcut list shows over a book, and the book comes back after it: the book's document is
  // kept aside meanwhile, so that it comes back at once instead of being built anew, which for a
  // book of hundreds of megabytes takes seconds. The documents the pane makes for that are its own
  // children; the widget's first document belongs to the widget, which deletes it when replaced.

  struct Aside {
    QTextDocument* document = nullptr;
    QString textStore;
    QStringView text;
    std::vector<int> blockParagraphs;
  };
  Aside aside;
  bool keepAside = false;  // the next new text keeps the one shown aside

  // The shown text and its document go aside; the pane shows a new, empty document.
  void PutAside() {
    QTextDocument* kept = document();
    kept->setParent(this);
    aside = {kept, std::move(textStore), text, std::move(blockParagraphs)};
    text = QStringView();
    auto* fresh = new QTextDocument(this);
    fresh->setDocumentLayout(new QPlainTextDocumentLayout(fresh));
    fresh->setUndoRedoEnabled(false);
    fresh->setDefaultFont(font());
    setDocument(fresh);
  }

  enum class Back { None, Same, Shape };

  // At a new text: the text kept aside comes back when the new one is that text (Same), or has its
  // shape (Shape: other letters, which are then written in); else it goes. One walk tells both.
  Back BringBackAside(const std::string& utf8, const LetterMap& letters) {
    if (!aside.document) return Back::None;
    Aside kept = std::exchange(aside, Aside());
    qsizetype at = 0;
    bool same = true;
    const char16_t* old = kept.text.utf16();
    const bool shape = ForEachPiece(utf8, letters,
                                    [&](const char16_t* units, qsizetype n) {
                                      if (n > kept.text.size() - at) return false;
                                      if (std::memcmp(old + at, units, static_cast<size_t>(n) * sizeof(char16_t)) == 0) return at += n, true;
                                      bool sameShape = true;
                                      char16_t differ = 0;
                                      for (qsizetype k = 0; k < n; ++k) {
                                        const bool oldBreak = IsBreakUnit(old[at + k]);
                                        sameShape &= oldBreak == (units[k] == kBreak);
                                        differ |= (oldBreak ? kBreak : old[at + k]) ^ units[k];
                                      }
                                      same = same && differ == 0;
                                      at += n;
                                      return sameShape;
                                    }) &&
                       at == kept.text.size();
    if (!shape) {
      delete kept.document;
      return Back::None;
    }
    counter.Stop();
    QTextDocument* shown = document();
    const bool ours = shown->parent() == this;
    kept.document->setDefaultFont(font());
    setDocument(kept.document);
    if (ours) delete shown;
    textStore = std::move(kept.textStore);
    text = kept.text;
    blockParagraphs = std::move(kept.blockParagraphs);
    underlines.clear();
    anchorChar = -1;
    ScheduleLayout();
    return same ? Back::Same : Back::Shape;
  }

  // The whole paragraphs within a few screens of the character: their rows are those the whole
  // text gives them, since each paragraph starts a row of its own.
  void ShowFirstScreen(const std::string& utf8, int index, int newSpacingTwips) {
    const FirstScreenPart part = FirstScreenPartOf(utf8, index, ScreensOfBytes(4));
    // A pane not shown yet lays its text out at its own width only once it shows: rows are needed
    // now, and when it shows at that width they stay.
    if (!isVisible()) {
      QResizeEvent sized(size(), QSize(-1, -1));
      QPlainTextEdit::resizeEvent(&sized);
      laidOutWidth = width();
    }
    SetUtf8Text(utf8.substr(part.from, part.to - part.from), newSpacingTwips);
    const int top = static_cast<int>(std::clamp<int64_t>(part.top, 0, text.size()));
    QTextCursor caret(document());
    caret.setPosition(top);
    setTextCursor(caret);
    ScrollCharToTopLine(top);
    anchorChar = top;  // kept at the top when the window shows at another width
  }

  // At least as many bytes of text as `screens` full panes show (no fewer than a few thousand).
  size_t ScreensOfBytes(int screens) const {
    const QFontMetrics metrics(font());
    const size_t columns = static_cast<size_t>(viewport()->width() / std::max(1, metrics.averageCharWidth()) + 1);
    const size_t rows = static_cast<size_t>(viewport()->height() / std::max(1, metrics.lineSpacing()) + 1);
    return std::max<size_t>(4096, static_cast<size_t>(screens) * columns * rows * 3);  // three bytes a character at most
  }

  // The same text again, perhaps with other spacing (wide spacing switched): the document stays,
  // which on a book of hundreds of megabytes saves seconds; the rest is as for a new text.
  void Respace(int newSpacingTwips) {
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

  // The first screen lays out each block it shows in full, so blocks stay short (the Bible at its
  // bookmark shows 10 ms sooner than with blocks of 16 kB); in a text of tens of megabytes they
  // grow up to 16 kB, so that even the largest book has only some ten thousand blocks to set up.
  static qsizetype BlockCharacters(qsizetype textSize) {
    return std::clamp(textSize / 4096, kFewestBlockCharacters, kMostBlockCharacters);
  }

  // The web addresses in a stretch of whole paragraphs, start and end, in text order.
  static std::vector<std::pair<int, int>> AddressesIn(QStringView paragraphs) {
    return WebAddressesIn(std::u16string_view(reinterpret_cast<const char16_t*>(paragraphs.utf16()),
                                              static_cast<std::size_t>(paragraphs.size())));
  }

  // --- a search on a worker -----------------------------------------------------------------
  // A search that takes long runs on a worker over the pane's text, which stays as it is meanwhile:
  // every new text stops the search first. Its answer comes back to this thread queued.

  struct FindJob {
    QString holder;  // keeps the characters of `text`
    QStringView text;
    QString term;
    int from, to;
    bool down;
    std::atomic<bool> cancel{false}, finished{false};
    PaneFound found;
    std::function<void(PaneFound)> done;
  };
  std::shared_ptr<FindJob> findJob;  // the search under way, if any
  std::thread findWorker;

  bool FindLater(std::shared_ptr<FindJob> job, int waitMs) {
    StopFinding(true);
    findJob = job;
    findWorker = std::thread([this, job] {
      job->found = FindIn(job->text, job->term, job->from, job->to, job->down, &job->cancel);
      job->finished = true;
      QMetaObject::invokeMethod(this, [this, job] { TakeFound(job); }, Qt::QueuedConnection);
    });
    QElapsedTimer waited;
    waited.start();
    while (!job->finished && waited.elapsed() < waitMs) QThread::msleep(1);
    if (!job->finished) return false;
    TakeFound(job);
    return true;
  }

  void TakeFound(const std::shared_ptr<FindJob>& job) {
    if (job != findJob) return;  // stopped, or answered already
    findWorker.join();
    findJob.reset();
    if (job->done) job->done(job->found);
  }

  // Ends the search under way; `tell`: its caller hears that it stopped, once this returns.
  void StopFinding(bool tell) {
    if (!findJob) return;
    findJob->cancel = true;
    findWorker.join();
    auto job = std::exchange(findJob, nullptr);
    if (tell && job->done) QTimer::singleShot(0, this, [done = job->done] { done(PaneFound{-1, -1, true}); });
  }

  static PaneFound FindIn(QStringView text, const QString& term, int from, int to, bool down,
                          const std::atomic<bool>* cancel);

  // --- fonts --------------------------------------------------------------------------------

  void SetRequestedFont(const QFont& font) {
    int top = anchorChar >= 0 ? anchorChar : TopChar();
    baseFont = font;
    ApplyFont();
    KeepTopChar(top);
  }

  void ApplyFont() {
    QFont font = baseFont;
    double dpi = logicalDpiY() > 0 ? logicalDpiY() : 96.0;
    double spacing = std::clamp(spacingTwips / 20.0 * dpi / 72.0, -100.0, 400.0);
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    setFont(font);
  }

  // --- layout -------------------------------------------------------------------------------

  QPlainTextDocumentLayout* DocLayout() const {
    return static_cast<QPlainTextDocumentLayout*>(document()->documentLayout());
  }

  void EnsureBlock(const QTextBlock& block) const {
    if (block.isValid() && block.layout()->lineCount() == 0) DocLayout()->ensureBlockLayout(block);
  }

  // Counts every block's rows again (after a change of text, font or width) on worker threads.
  // Until the pane's first frame is on the screen the count waits: its workers would take the
  // processor from that frame, and the width may still change when the window first shows.
  void ScheduleLayout() {
    layoutComplete = false;
    ++layoutGeneration;
    countWaiting = true;
    if (paintedOnce) StartCount();
  }

  void StartCount() {
    countWaiting = false;
    const int generation = layoutGeneration;
    qreal width = viewport()->width();  // the width the widget gives its document layout
    if (width <= 0) width = qreal(INT_MAX);
    width -= 2 * document()->documentMargin();
    counter.Start(textStore, text, document()->defaultFont(), document()->defaultTextOption(), width, this,
                  [this, generation] { TakeLineCounts(generation); });
  }

  // Gives each block that the widget has not laid out itself its counted rows; then every line
  // number is exact.
  void TakeLineCounts(int generation, int waitMs = -1) {
    if (layoutComplete || generation != layoutGeneration) return;
    if (waitMs >= 0 && !counter.WaitFor(waitMs)) return;
    const bool counted = counter.Wait();
    const std::vector<int>& counts = counter.Counts();
    QTextDocument* doc = document();
    if (counted && static_cast<size_t>(doc->blockCount()) == blockParagraphs.size() &&
        std::accumulate(blockParagraphs.begin(), blockParagraphs.end(), size_t{0}) == counts.size()) {
      auto paragraph = counts.begin();
      size_t i = 0;
      for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next(), ++i) {
        const int rows = std::accumulate(paragraph, paragraph + blockParagraphs[i], 0);
        paragraph += blockParagraphs[i];
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
  void EnsureFullLayout() {
    if (countWaiting) StartCount();
    if (layoutComplete) return;
    if (text.size() < kLongestExactText) return TakeLineCounts(layoutGeneration);
    // the queries of one command share one wait
    const bool waitedJustNow = gaveUpWaiting.isValid() && gaveUpWaiting.elapsed() < 1000;
    TakeLineCounts(layoutGeneration, waitedJustNow ? 0 : kLongestLayoutWaitMs);
    if (!layoutComplete) gaveUpWaiting.start();
  }

  bool LinesCounted() {
    TakeLineCounts(layoutGeneration, 0);
    return layoutComplete;
  }

  // Lets the widget see the line counts as they are now; its scroll bar then counts display lines
  // and its value is the top row.
  void SyncScrollBar() const { emit DocLayout()->documentSizeChanged(DocLayout()->documentSize()); }

  int TopLine() const {
    SyncScrollBar();
    return verticalScrollBar()->value();
  }

  // The first character of a display line, with the layout as far as it has got.
  int CharOfLine(int line) const {
    QTextBlock block = document()->findBlockByLineNumber(std::max(0, line));
    if (!block.isValid()) return static_cast<int>(text.size());
    EnsureBlock(block);
    QTextLayout* layout = block.layout();
    int row = std::clamp(line - block.firstLineNumber(), 0, std::max(0, layout->lineCount() - 1));
    return block.position() + (layout->lineCount() > 0 ? layout->lineAt(row).textStart() : 0);
  }

  // The first character of the top row of the view.
  int TopChar() const { return CharOfLine(TopLine()); }

  // The display line of a character with the layout as far as it has got.
  int LineOfChar(int index) const {
    index = std::clamp(index, 0, static_cast<int>(text.size()));
    QTextBlock block = document()->findBlock(index);
    if (!block.isValid()) block = document()->lastBlock();
    EnsureBlock(block);
    QTextLine line = block.layout()->lineForTextPosition(index - block.position());
    int inBlock = line.isValid() ? line.lineNumber() : std::max(0, block.layout()->lineCount() - 1);
    return block.firstLineNumber() + inBlock;
  }

  // Makes the row holding a character the top row, laying out that block and the view first.
  void ScrollCharToTopLine(int index) {
    QTextBlock block = document()->findBlock(std::clamp(index, 0, static_cast<int>(text.size())));
    EnsureBlock(block);
    SyncScrollBar();
    verticalScrollBar()->setValue(LineOfChar(index));
  }

  // --- rows of the view: each found from the top row on screen, never from the line count -------

  struct Row {
    QTextBlock block;
    int line;  // the row within the block
  };

  Row TopRow() const {
    QTextBlock block = firstVisibleBlock();
    EnsureBlock(block);
    int line = TopLine() - block.firstLineNumber();
    return {block, std::clamp(line, 0, std::max(0, block.layout()->lineCount() - 1))};
  }

  Row RowOfChar(int index) const {
    QTextBlock block = document()->findBlock(std::clamp(index, 0, static_cast<int>(text.size())));
    if (!block.isValid()) block = document()->lastBlock();
    EnsureBlock(block);
    QTextLine line = block.layout()->lineForTextPosition(index - block.position());
    return {block, line.isValid() ? line.lineNumber() : std::max(0, block.layout()->lineCount() - 1)};
  }

  bool NextRow(Row& row) const {
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

  bool PreviousRow(Row& row) const {
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

  int RowStart(const Row& row) const {
    QTextLayout* layout = row.block.layout();
    return row.block.position() + (row.line < layout->lineCount() ? layout->lineAt(row.line).textStart() : 0);
  }

  // One past the row's last position: a block's last row holds its paragraph break (or the text's end).
  int RowEnd(const Row& row) const {
    QTextLayout* layout = row.block.layout();
    if (row.line + 1 >= layout->lineCount()) return row.block.position() + row.block.length();
    QTextLine line = layout->lineAt(row.line);
    return row.block.position() + line.textStart() + line.textLength();
  }

  // The height of a row (rows of one font are all equally high) and the top of the top row.
  qreal RowHeight(const Row& row) const {
    QTextLayout* layout = row.block.layout();
    qreal height = row.line < layout->lineCount() ? layout->lineAt(row.line).height() : 0;
    return height > 0 ? height : QFontMetricsF(font()).lineSpacing();
  }

  qreal TopRowY(const Row& top) const {
    QTextLayout* layout = top.block.layout();
    qreal inBlock = top.line < layout->lineCount() ? layout->lineAt(top.line).y() : 0;
    return blockBoundingGeometry(top.block).translated(contentOffset()).top() + inBlock;
  }

  // The rows on screen: whole ones, or with the partly shown one at the bottom.
  int ScreenRows(bool partlyShown) const {
    Row top = TopRow();
    qreal rows = (viewport()->height() - TopRowY(top)) / RowHeight(top);
    if (rows <= 0) return 0;
    return static_cast<int>(partlyShown ? std::ceil(rows - 1e-6) : std::floor(rows + 1e-6));
  }

  int ScreenRowOfChar(int index) const {
    Row row = TopRow();
    if (index < RowStart(row)) return -1;
    const int shown = ScreenRows(true);
    for (int r = 0; r < shown; ++r) {
      if (index < RowEnd(row)) return r;
      if (!NextRow(row)) return -1;
    }
    return -1;
  }

  int CharAtScreenRow(int screenRow) const {
    Row row = TopRow();
    for (int r = 0; r < screenRow; ++r)
      if (!NextRow(row)) return -1;
    return RowStart(row);
  }

  // The row `rowsAbove` rows above the one holding the character becomes the top row.
  void ScrollCharToScreenRow(int index, int rowsAbove) {
    Row row = RowOfChar(index);
    for (int r = 0; r < rowsAbove; ++r)
      if (!PreviousRow(row)) break;
    int top = RowStart(row);
    ScrollCharToTopLine(top);
    anchorChar = layoutComplete ? -1 : top;
  }

  // After a change that relays out the text: the same character stays in the top row, at once,
  // and again once every line has been counted.
  void KeepTopChar(int top) {
    ScheduleLayout();
    if (text.isEmpty()) return;
    ScrollCharToTopLine(top);
    anchorChar = top;
  }

  // --- painting -----------------------------------------------------------------------------

  // Web addresses are looked for in the blocks on screen only, when they come into view: a book of
  // hundreds of megabytes is never searched whole, and an address never spans two blocks.
  void ShowVisibleLinks() {
    QList<QTextEdit::ExtraSelection> wanted;
    const int first = firstVisibleBlock().position();
    const QTextBlock last = cursorForPosition(QPoint(viewport()->width(), viewport()->height())).block();
    const int end = std::min(last.position() + last.length(), static_cast<int>(text.size()));
    const QColor colour = LinkColour(palette().color(QPalette::Base), palette().color(QPalette::Text));
    for (auto [start, stop] : AddressesIn(text.mid(first, std::max(0, end - first)))) {
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
  void PaintUnderlines(QPainter& painter) {
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

  QRect CaretRect() const {
    QRect r = cursorRect();
    return QRect(r.left(), r.top(), caretWidth, caretHeight);
  }

  void CaretMoved() {
    if (caretWidth <= 0) return;
    viewport()->update(caretRect);
    caretRect = CaretRect();
    viewport()->update(caretRect);
  }

 protected:
  // --- events: the widget's handling, then the program's callback -------------------------

  void paintEvent(QPaintEvent* e) override {
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
  void StartCountAfterFirstFrame() {
    paintedOnce = true;
    QTimer::singleShot(0, this, [this] {
      if (countWaiting) StartCount();
    });
  }

  // The program scrolls by display lines itself: a vertical turn goes to it instead of the widget.
  void wheelEvent(QWheelEvent* e) override {
    const int delta = e->angleDelta().y();
    const bool control = e->modifiers() & Qt::ControlModifier;
    if (events.wheel && delta != 0) {
      events.wheel(delta, control);
      return;
    }
    anchorChar = -1;
    if (!control) QPlainTextEdit::wheelEvent(e);  // the widget's own zoom would bypass the pane font
  }

  void keyPressEvent(QKeyEvent* e) override {
    anchorChar = -1;
    QPlainTextEdit::keyPressEvent(e);
    if (events.keyPressed) events.keyPressed(KeyOf(e));
    if (char32_t typed = TypedCharacter(e); typed && events.typed) events.typed(typed);
  }

  void mousePressEvent(QMouseEvent* e) override {
    QPlainTextEdit::mousePressEvent(e);
    if (e->button() == Qt::LeftButton && events.clicked) events.clicked();
  }

  void mouseReleaseEvent(QMouseEvent* e) override {
    QPlainTextEdit::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && events.clicked) events.clicked();
  }

  void focusInEvent(QFocusEvent* e) override {
    QPlainTextEdit::focusInEvent(e);
    if (events.focusGained) events.focusGained();
  }

  void focusOutEvent(QFocusEvent* e) override {
    QPlainTextEdit::focusOutEvent(e);
    viewport()->update(caretRect);
    if (events.focusLost) events.focusLost();
  }

  void resizeEvent(QResizeEvent* e) override {
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

 private:
  LineCounter counter;
  int layoutGeneration = 0;     // which count of the rows is the current one
  bool layoutComplete = true;   // every block's rows are counted: the line numbers are exact
  bool countWaiting = false;    // a count is due but waits for the first frame
  bool paintedOnce = false;     // the pane has painted its first frame
  int anchorChar = -1;          // the character kept in the top row while the layout completes
  int laidOutWidth = -1;        // the width the first screen was laid out at before the pane showed
  QElapsedTimer gaveUpWaiting;  // since a query last stopped waiting for the line count
  QList<QTextEdit::ExtraSelection> shownLinks;

  friend int PaneFirstVisibleLine(PaneView*);
  friend int PaneLineCount(PaneView*);
  friend int PaneLineFromChar(PaneView*, int);
  friend int PaneLineIndex(PaneView*, int);
  friend void PaneLineScroll(PaneView*, int);
  friend void PaneScrollCharToTop(PaneView*, int);
  friend bool PanePosFromChar(PaneView*, int, int&, int&);
};

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

void PaneSetPlainText(PaneView* pane, const std::string& utf8, int letterSpacingTwips) {
  if (Live(pane)) pane->SetUtf8Text(utf8, letterSpacingTwips);
}

void PaneSetPlainTextInCase(PaneView* pane, const std::string& utf8, int letterSpacingTwips, PaneLetters letters) {
  if (Live(pane)) pane->SetUtf8Text(utf8, letterSpacingTwips, LetterMap(letters));
}

std::string PaneGetPlainText(PaneView* pane) { return Live(pane) ? pane->CrLfText() : std::string(); }

int PaneStreamInRtf(PaneView* pane, const std::string& rtf) {
  if (!Live(pane)) return 0;
  RichText read = ReadRichText(rtf);
  pane->SetUtf8Text(read.text, read.letterSpacingTwips);
  return static_cast<int>(pane->text.size());
}

int PaneTextLength(PaneView* pane) { return Live(pane) ? static_cast<int>(pane->text.size()) : 0; }

void PaneSetLetterSpacing(PaneView* pane, int twips) {
  if (Live(pane)) pane->Respace(twips);
}

void PaneKeepTextAside(PaneView* pane) {
  if (Live(pane)) pane->keepAside = true;
}

void PaneShowFirstScreen(PaneView* pane, const std::string& utf8, int charIndex, int letterSpacingTwips) {
  if (Live(pane)) pane->ShowFirstScreen(utf8, charIndex, letterSpacingTwips);
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
  int index = std::clamp(charIndex, 0, static_cast<int>(pane->text.size()));
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
  QRect topRect = pane->cursorRect(QTextCursor(pane->firstVisibleBlock()));
  x = static_cast<int>(row.isValid() ? row.cursorToX(charIndex - block.position()) : 0) +
      static_cast<int>(pane->document()->documentMargin()) + viewportOrigin.x();
  y = static_cast<int>(topRect.top() + (line - top) * height) + viewportOrigin.y();
  return true;
}

void PaneScrollCaret(PaneView* pane) {
  if (Live(pane)) pane->ensureCursorVisible();
}

// --- selection --------------------------------------------------------------------------------

void PaneGetSelection(PaneView* pane, int& start, int& end) {
  start = end = 0;
  if (!Live(pane)) return;
  QTextCursor cursor = pane->textCursor();
  start = cursor.selectionStart();
  end = cursor.selectionEnd();
}

void PaneSetSelection(PaneView* pane, int start, int end) {
  if (!Live(pane)) return;
  if (start < 0) {
    PaneRemoveSelection(pane);
    return;
  }
  const CharRange range = SelectionWithin(start, end, PaneTextLength(pane));
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

namespace {

// True when the text holds a character with another case (a letter of most scripts).
bool HasCase(QStringView text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.toLower() != c || c.toUpper() != c; });
}

// Finding a term without regard to case, as the control does: characters match when their case
// folds match. Qt's own search folds every character it passes (a second and more over a book of
// 200 MB); here the characters a match may start with are scanned for, many characters at a time,
// and a place that starts with one is compared whole. A term without letters of two cases (">>"
// of a chapter mark, "1984", a dash) is the same either way and has one such character.
class TermFinder {
 public:
  TermFinder(QStringView haystack, QStringView needle, const std::atomic<bool>* stop)
      : text(haystack), term(needle), cased(HasCase(needle)), cancel(stop) {
    QChar first = cased ? needle.front().toCaseFolded() : needle.front();
    starts.push_back(first);
    if (!cased) return;
    // The few characters that fold to the same as the first (k: K and the Kelvin sign), found once.
    for (char32_t u = 0; u < 0x10000; ++u)
      if (QChar(static_cast<char16_t>(u)).toCaseFolded() == first && u != first.unicode())
        starts.push_back(QChar(static_cast<char16_t>(u)));
  }

  // Each character a match may start with is scanned for on its own; the nearest place is tried.
  qsizetype Forward(qsizetype from) const {
    if (term.front().isSurrogate()) return text.indexOf(term, from, Qt::CaseInsensitive);  // rare: Qt's own way
    std::vector<qsizetype> next;
    for (QChar c : starts) next.push_back(text.indexOf(c, from));
    for (;;) {
      size_t nearest = 0;
      for (size_t i = 1; i < next.size(); ++i)
        if (next[i] >= 0 && (next[nearest] < 0 || next[i] < next[nearest])) nearest = i;
      const qsizetype at = next[nearest];
      if (at < 0 || at + term.size() > text.size() || Cancelled()) return -1;
      if (Matches(at)) return at;
      next[nearest] = text.indexOf(starts[nearest], at + 1);
    }
  }

  qsizetype Backward(qsizetype from) const {
    if (term.front().isSurrogate()) return text.lastIndexOf(term, from, Qt::CaseInsensitive);
    for (qsizetype at = std::min(from, text.size() - term.size()); at >= 0; --at) {
      if (std::find(starts.begin(), starts.end(), text[at]) != starts.end() && Matches(at)) return at;
      if (at % kCancelCheckEvery == 0 && Cancelled()) return -1;
    }
    return -1;
  }

 private:
  static constexpr qsizetype kCancelCheckEvery = 1 << 16;  // characters: a stop is heard within a millisecond or so

  bool Cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }

  bool Matches(qsizetype at) const {
    return text.sliced(at, term.size()).compare(term, cased ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
  }

  QStringView text, term;
  bool cased;
  std::vector<QChar> starts;  // every character a match may start with: the first folded, and its kin
  const std::atomic<bool>* cancel;  // set when the search is to stop
};

}  // namespace

PaneFound PaneView::FindIn(QStringView text, const QString& needle, int from, int to, bool down,
                           const std::atomic<bool>* cancel) {
  const int size = static_cast<int>(needle.size());
  const SearchSpan span = SpanOfSearch(static_cast<int>(text.size()), from, to, down);
  if (needle.isEmpty() || span.end - span.begin < size) return {};
  const TermFinder finder(text, needle, cancel);
  const qsizetype at = down ? finder.Forward(span.begin) : finder.Backward(span.end - size);
  if (at < span.begin || at + size > span.end) return {};
  return {static_cast<int>(at), static_cast<int>(at) + size, false};
}

int PaneFindText(PaneView* pane, const std::string& term, int from, int to, bool down, int& foundStart,
                 int& foundEnd) {
  foundStart = foundEnd = -1;
  if (!Live(pane) || term.empty()) return -1;
  const QString needle = QString::fromUtf8(term.data(), static_cast<qsizetype>(term.size()));
  const PaneFound found = PaneView::FindIn(pane->text, needle, from, to, down, nullptr);
  foundStart = found.start;
  foundEnd = found.end;
  return foundStart;
}

bool PaneFindTextLater(PaneView* pane, const std::string& term, int from, int to, bool down, int waitMs,
                       std::function<void(PaneFound)> done) {
  if (!Live(pane) || term.empty()) {
    if (done) done(PaneFound{});
    return true;
  }
  auto job = std::make_shared<PaneView::FindJob>();
  job->holder = pane->textStore;
  job->text = pane->text;
  job->term = QString::fromUtf8(term.data(), static_cast<qsizetype>(term.size()));
  job->from = from;
  job->to = to;
  job->down = down;
  job->done = std::move(done);
  return pane->FindLater(std::move(job), std::max(0, waitMs));
}

bool PaneFinding(PaneView* pane) { return Live(pane) && pane->findJob != nullptr; }

void PaneStopFinding(PaneView* pane) {
  if (Live(pane)) pane->StopFinding(true);
}

// --- word breaks ------------------------------------------------------------------------------

WordText WordsOfPane(PaneView* pane) {
  if (!Live(pane)) return WordText{0, nullptr};
  const QStringView text = pane->text;
  return WordText{static_cast<int>(text.size()), [text](int i) { return KindOf(text.at(i)); }};
}

// --- looks ------------------------------------------------------------------------------------

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
