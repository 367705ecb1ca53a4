// The book library: the six built-in books, embedded in the program, and the user's own book
// ("trash.txt", or a file given to the program).
// LoadBook reads and decodes the current book, keeps every printable character, collapses runs of
// blank lines, joins the lines of each paragraph when asked (never past the pane's paragraph
// bound), and shows it in the letter case chosen: the pane puts the letters in their case as it
// takes the text, except for a first screen at start-up, for which the worker cases the book.
// Reading, decoding and shaping run on a short-lived worker thread while the loading notice stands
// (which names the book from the first bytes of its file); the worker touches only its own copy of
// the text.
// It owns Book (which book is shown), BookText (the book as put into the pane) and LoadedPaneText
// (the plain text loaded, kept only where it differs from BookText).
#include "reader/book_library.h"

#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <new>
#include <system_error>
#include <utility>

#include "core/bar_messages.h"
#include "platform/bar.h"
#include "platform/files.h"
#include "platform/pane.h"
#include "platform/pane_positions.h"
#include "platform/pane_resources.h"
#include "platform/window.h"
#include "reader/book_formats.h"
#include "reader/book_text.h"
#include "reader/navigation.h"
#include "reader/own_books.h"
#include "reader/reading_pane.h"
#include "core/settings_file.h"

namespace vt {

namespace {

struct BuiltInBook {
  const char* title;
  const char* file;
};

const BuiltInBook kBooks[BuiltInBookCount] = {
    {"Constitution", "constitution.txt"},   {"Bible", "bible.txt"},
    {"TriPlanetary", "triplanetary.txt"},   {"Tea Cookies", "tea-cookies.txt"},
    {"Treasure Island", "treasure-island.txt"}, {"Little Women", "little-women.txt"},
};

// Rewrites, in place, every run of consecutive CR LF pairs: `write(pairs, out, next)` writes what a
// run of that many pairs becomes (never more bytes than the run had) and returns the new end;
// `next` is where the text after the run starts in the input.
template <typename Write>
void RewriteLineBreakRuns(std::string& text, Write write) {
  char* out = text.data();
  const char* in = text.data();
  const char* end = in + text.size();
  while (in < end) {
    // the text up to the next CR moves as one piece: a book of hundreds of megabytes is mostly that
    const char* carriageReturn = static_cast<const char*>(std::memchr(in, '\r', static_cast<size_t>(end - in)));
    const char* pieceEnd = carriageReturn ? carriageReturn : end;
    if (out != in) std::memmove(out, in, static_cast<size_t>(pieceEnd - in));
    out += pieceEnd - in;
    in = pieceEnd;
    if (in == end) break;
    if (!(in + 1 < end && in[1] == '\n')) {
      *out++ = *in++;
      continue;
    }
    size_t pairs = 0;
    while (in + 1 < end && in[0] == '\r' && in[1] == '\n') {
      ++pairs;
      in += 2;
    }
    out = write(pairs, out, in);
  }
  text.resize(static_cast<size_t>(out - text.data()));
}

char* WriteLineBreaks(size_t count, char* out) {
  for (size_t i = 0; i < count; ++i) {
    *out++ = '\r';
    *out++ = '\n';
  }
  return out;
}

// Three or more line breaks in a row leave exactly one blank line.
void CollapseBlankLines(std::string& text) {
  if (text.find("\r\n\r\n\r\n") == std::string::npos) return;  // nothing to collapse: the text is not walked
  RewriteLineBreakRuns(text, [](size_t pairs, char* out, const char*) { return WriteLineBreaks(pairs >= 3 ? 2 : pairs, out); });
}

// The length of the line that starts at text[from], up to its CR LF or the end.
size_t LineLength(const std::string& text, size_t from) {
  size_t end = text.find("\r\n", from);
  return (end == std::string::npos ? text.size() : end) - from;
}

// Each pair of line breaks stays a paragraph break; a single line break left over becomes a blank,
// unless the paragraph would grow past the pane's bound: then it stays, so a long paragraph ends at
// a line end. A book without any blank line has no paragraphs to join: its lines are kept.
void ReflowParagraphs(std::string& text) {
  if (text.find("\r\n\r\n") == std::string::npos) return;
  const char* paragraph = text.data();  // where the paragraph being joined starts, in the output
  const char* const input = text.data();
  RewriteLineBreakRuns(text, [&](size_t pairs, char* out, const char* next) {
    out = WriteLineBreaks(pairs / 2 * 2, out);
    if (pairs >= 2) paragraph = out;
    if (pairs % 2) {
      const size_t joined = static_cast<size_t>(out - paragraph) + 1 + LineLength(text, static_cast<size_t>(next - input));
      if (joined > LongestParagraph) {
        out = WriteLineBreaks(1, out);
        paragraph = out;
      } else {
        *out++ = ' ';
      }
    }
    return out;
  });
}

// The user's book at `path`, read once and made into the reader's own format; its format, or why
// it is not shown. Its size is checked before a byte is read.
BookFormat ReadUserBook(const std::string& path, std::string& text) {
  uint64_t size = 0;
  if (RegularFileSize(path, size) && size > LargestBook) return BookFormat::TooLarge;
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return IsRegularFile(path) ? BookFormat::Unreadable : BookFormat::Missing;
  return ConvertBook(std::move(bytes), path.substr(path.find_last_of("/\\") + 1), text);
}

// The format of the user's book at `path`, told from its size and first bytes, and when it is a
// book its title for the loading notice; its exact title comes from the whole text.
BookFormat ReadUserBookTitle(const std::string& path, std::string& title) {
  const BookFormat format = BookFileFormat(path);
  if (IsBookFormat(format)) title = BookFileTitle(path, format);
  return format;
}

// A user's book that exists but cannot be shown is named in a notice; a missing one is not.
void TellWhyNotShown(BookFormat format) {
  if (const char* notice = RefusalNotice(format)) ShowBarMessage(notice, 1);
}

// Where the current book's text comes from: the user's file, a built-in book, or the text at hand.
struct BookSource {
  std::string path;  // the user's book, when not empty
  int builtIn = -1;  // else this built-in book, when not -1
  std::string text;  // else this text
};

// The pane's position of the byte at `offset` of shaped text.
int32_t PanePosition(const std::string& text, size_t offset) {
  return PanePositionsOf(std::string_view(text).substr(0, offset));
}

bool StartedBookTitle(const std::string& path, std::string& title);

// Which book to load (the previous text when Book names no book), and its title for the
// loading notice. The file is read and decoded on the loading worker.
BookSource ChooseSource() {
  if (Book == UserBook) {
    if (StartedBookTitle(UserBookPath(), EditFileName)) return {UserBookPath(), -1, std::string()};
    BookFormat result = ReadUserBookTitle(UserBookPath(), EditFileName);
    if (IsBookFormat(result)) return {UserBookPath(), -1, std::string()};
    TellWhyNotShown(result);
    Book = 0;  // no book to show from the user's file: the first book instead
  }
  if (Book >= 0 && Book < BuiltInBookCount) {
    EditFileName = kBooks[Book].title;
    return {std::string(), Book, std::string()};
  }
  return {std::string(), -1, BookText};
}

// The decoded text of the source; for the user's book, also its title, or why it cannot be read.
BookFormat ReadSource(const BookSource& source, std::string& text, std::string& title) {
  if (source.path.empty()) {
    // The built-in books are embedded decoded already: one copy of the Bible less at start-up.
    text = source.builtIn >= 0 ? BuiltInBookText(source.builtIn) : DecodeBookText(source.text);
    return BookFormat::Text;
  }
  BookFormat result = ReadUserBook(source.path, text);
  if (IsBookFormat(result)) title = TitleLine(text);
  return result;
}

// The book read and shaped for the pane: its plain text, and with wide spacing on the rich text
// that shows it; its title when it is the user's book.
struct ShapedBook {
  BookFormat read = BookFormat::Text;
  bool widelySpaced = false;  // `wide` was made
  std::string plain, wide, title;
  int32_t opensAt = 0;  // where a book never read before opens: a Gutenberg text's first line after its header
  int letterCase = 2;   // the letter case `plain` and `wide` are in (CaseType's values)
  std::shared_ptr<PanePreparedText> prepared;  // `plain` made ready for the pane, where it can be
};

// Books from this size on are made ready for the pane on the worker: a smaller one takes the
// window's thread a few milliseconds, and may be the text shown already, which the pane then keeps.
constexpr size_t kPreparedBookBytes = 64 * 1024;

// How a book is shaped: the settings the worker shapes it with. A book shown whole at once is
// shaped as written: the pane puts the letters in their case as it takes the text, which costs a
// walk less on the worker than a cased copy (seconds for hundreds of megabytes). Only a first
// screen, which the pane shows before the rest, needs the book cased beforehand.
struct Shaping {
  bool formatParagraph = false;
  int caseType = 2;
  bool wide = false;
  int shownCase = 2;  // the letter case the pane shows now, which the pane's copy is made in
  // The pane's copy is made on the worker: for another book than the one shown. The book shown,
  // reloaded in another paragraph form, often keeps its shape, and the pane then keeps its document;
  // it is made ready only where that form moves its line ends.
  bool prepare = true;
  bool prepareIfReflowMoves = false;
};

// Letter case as CaseType keeps it: 0 capitals, 1 small letters, anything else as written.
int LetterCaseOf(int caseType) { return caseType == 0 || caseType == 1 ? caseType : 2; }

Shaping ShapingNow(bool cased) {
  return {FormatParagraph != 0, cased ? LetterCaseOf(CaseType) : 2, WideSpacing != 0, LetterCaseOf(CaseType)};
}

// A book shaped as `made` serves where `wanted` is asked for when its letters are those asked for,
// or, where the pane may case them, those now chosen.
bool Serves(const Shaping& made, const Shaping& wanted) {
  return made.formatParagraph == wanted.formatParagraph && made.wide == wanted.wide &&
         (made.caseType == wanted.caseType || (wanted.caseType == 2 && made.caseType == LetterCaseOf(CaseType)));
}

// Whether joining a text's lines into paragraphs moves any of its line ends: the text has a blank
// line, so paragraphs to join, and a line end that is not part of one, so lines to join.
bool ReflowMovesLineEnds(const std::string& text) {
  if (text.find("\r\n\r\n") == std::string::npos) return false;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
    const bool afterOne = at >= 2 && text.compare(at - 2, 2, "\r\n") == 0;
    const bool beforeOne = text.compare(at + 2, 2, "\r\n") == 0;
    if (!afterOne && !beforeOne) return true;
  }
  return false;
}

// Reads, decodes and shapes (and makes wide) the book on a worker that owns its source.
std::future<ShapedBook> StartShaping(BookSource source, Shaping shaping) {
  return std::async(std::launch::async, [source = std::move(source), shaping] {
    ShapedBook book;
    std::string text;
    book.read = ReadSource(source, text, book.title);
    if (!IsBookFormat(book.read)) return book;
    const bool prepare = shaping.prepare || (shaping.prepareIfReflowMoves && ReflowMovesLineEnds(text));
    book.plain = ShapeBookText(std::move(text), shaping.formatParagraph, shaping.caseType);
    book.letterCase = shaping.caseType;
    if (!source.path.empty() && book.read == BookFormat::Text) book.opensAt = PanePosition(book.plain, GutenbergStart(book.plain));
    book.widelySpaced = shaping.wide;
    const bool prepared = prepare && book.plain.size() >= kPreparedBookBytes && book.plain.rfind("{\\rtf", 0) != 0;
    // The wide text is made beside the pane's copy, which leaves a core half idle (or after it,
    // when no thread is to be had).
    std::future<std::string> wide;
    if (shaping.wide) {
      try {
        wide = std::async(prepared ? std::launch::async : std::launch::deferred, WideSpacingText, std::cref(book.plain));
      } catch (const std::system_error&) {
        wide = std::async(std::launch::deferred, WideSpacingText, std::cref(book.plain));
      }
    }
    if (prepared) book.prepared = PanePrepareText(book.plain, LettersOfCase(shaping.caseType == shaping.shownCase ? 2 : shaping.shownCase));
    if (wide.valid()) book.wide = wide.get();
    return book;
  });
}

// The book started at start-up, before the window was made; taken by the first ShowBook when it
// asks for the same book shaped the same way.
struct StartedBook {
  std::string path;
  std::string title;  // the user's book's title for the loading notice, told as it was started
  int builtIn = -1;
  Shaping shaping;
  std::future<ShapedBook> shaped;
};
StartedBook startedBook;
// A book still being shaped is waited for and dropped.
[[maybe_unused]] const bool resetWithProgram = ResetAlongWithProgramState([] { startedBook = StartedBook(); });

// The title of the user's book started at start-up from `path`: the file is not looked at again.
bool StartedBookTitle(const std::string& path, std::string& title) {
  if (!startedBook.shaped.valid() || startedBook.path.empty() || startedBook.path != path) return false;
  title = startedBook.title;
  return true;
}

// Which book the pane shows: the user's file or the built-in book it was read from.
struct ShownBook {
  std::string path;
  int builtIn = -1;
  bool any = false;
  bool formatParagraph = false;  // the paragraph form it was shaped in
};
ShownBook shownBook;
[[maybe_unused]] const bool resetShownWithProgram = ResetAlongWithProgramState([] { shownBook = ShownBook(); });

bool IsShownBook(const BookSource& source) {
  return shownBook.any && source.text.empty() && source.path == shownBook.path && source.builtIn == shownBook.builtIn;
}

std::future<ShapedBook> TakeOrStartShaping(BookSource source, bool cased) {
  StartedBook started = std::exchange(startedBook, StartedBook());
  if (started.shaped.valid() && source.text.empty() && started.path == source.path &&
      started.builtIn == source.builtIn && Serves(started.shaping, ShapingNow(cased)))
    return std::move(started.shaped);
  Shaping shaping = ShapingNow(cased);
  shaping.prepare = !IsShownBook(source);
  shaping.prepareIfReflowMoves = !shaping.prepare && shaping.formatParagraph != shownBook.formatParagraph;
  return StartShaping(std::move(source), shaping);
}

// The shaped book goes into the pane, shown from its start.
void PutIntoPane(ShapedBook& book) {
  // A plain text whose every line ends in CR LF reads back from the pane as it went in: the book
  // is then not held a second time, and a wide one reads back as its plain text.
  // A book shaped as written is cased by the pane as it takes it, unless it looks like rich text.
  const bool paneCases = book.letterCase != LetterCaseOf(CaseType);
  if (paneCases && !book.widelySpaced && book.plain.rfind("{\\rtf", 0) == 0) {
    ApplyTextCase(book.plain, CaseType);
    book.letterCase = LetterCaseOf(CaseType);
    return PutIntoPane(book);
  }
  // The document the worker made is taken when it holds the letters shown now.
  const int shownCase = paneCases ? CaseType : 2;
  if (book.widelySpaced) {
    BookText = std::move(book.wide);
    SetPreparedPaneText(PaneWindow, std::move(book.prepared), book.plain, shownCase);
    LoadedPaneText = std::move(book.plain);
  } else {
    BookText = std::move(book.plain);
    if (paneCases || book.prepared)
      SetPreparedPaneText(PaneWindow, std::move(book.prepared), BookText, shownCase);
    else
      SetPaneText(PaneWindow, BookText);
    LoadedPaneText = std::string();
  }
  PaneSetSelection(PaneWindow, 0, 0);
  ScrollCharToTop(0);
  PaneSetFocus(PaneWindow);
  PaneSetAccessibleName(PaneWindow, EditFileName);
}

bool ShowBook(BookSource source, bool firstScreenFirst = false);

// The bar back in its place and drawn now, unless a notice stands there (its end brings the bar).
void ShowBarNow() {
  if (BarMessageShown()) return;
  BarSetVisible(BarWindow, true);
  BarPaintNow(BarWindow);
}

// Runs `show`; when the book is too large for this machine's memory, what was made of it goes, and
// the first book is shown instead.
template <typename Show>
void WithinMemory(Show show) {
  try {
    show();
  } catch (const std::bad_alloc&) {
    BookText.clear();
    BookText.shrink_to_fit();
    PaneSetPlainText(PaneWindow, "");
    ShowBarMessage(BookTooLargeNotice, 1);
    Book = 0;
    ShowBook(ChooseSource());
  }
}

// Loads the chosen book and shows it. The book is read, decoded and shaped (and made wide) on a worker while the notice
// stands, so a large book costs the reader no more wait than the notice itself. With
// `firstScreenFirst` (start-up) the pane shows the screen at the bookmark at once, and the whole
// book goes in, with the caret at the bookmark, once that screen is on the display: then true.
bool ShowBook(BookSource source, bool firstScreenFirst) {
  const bool fromFile = !source.path.empty();
  const ShownBook shown{source.path, source.builtIn, source.text.empty(), FormatParagraph != 0};
  std::future<ShapedBook> shaped = TakeOrStartShaping(std::move(source), firstScreenFirst);
  ShowBarMessage("Loading " + EditFileName + " ...", 1);
  auto book = std::make_shared<ShapedBook>(shaped.get());
  if (!IsBookFormat(book->read)) {  // the file went, or changed, after its start was read
    TellWhyNotShown(book->read);
    Book = 0;
    return ShowBook(ChooseSource(), firstScreenFirst);
  }
  if (fromFile) EditFileName = book->title;
  if (fromFile) OpenUnreadBookAt(book->opensAt);
  shownBook = shown;
  if (!firstScreenFirst) {
    PutIntoPane(*book);
    return false;
  }
  const int32_t* mark = ReadingPositionOf(Book);
  BarSetVisible(BarWindow, false);  // drawing its buttons would hold the first frame up
  ShowFirstScreen(PaneWindow, book->plain, mark ? std::max(0, *mark) : 0);
  PaneSetFocus(PaneWindow);
  RunAfterFirstFrame(MainWindow, [book] {
    ShowBarNow();  // before the whole book goes in, which takes long on a slow system
    WithinMemory([book] { PutIntoPane(*book); });
    RestoreBookmark();
  });
  return true;
}

}  // namespace

std::string BookTitle(int book) { return book >= 0 && book < BuiltInBookCount ? kBooks[book].title : ""; }

std::string BuiltInBookText(int book) {
  std::string bytes;
  if (book >= 0 && book < BuiltInBookCount) ReadEmbeddedBook(kBooks[book].file, bytes);
  return bytes;
}

std::string ShapeBookText(std::string text, bool formatParagraph, int caseType) {
  CollapseBlankLines(text);
  if (formatParagraph) ReflowParagraphs(text);
  SplitLongParagraphs(text);
  ApplyTextCase(text, caseType);
  return text;
}

std::string CleanBookText(const std::string& raw, bool formatParagraph, int caseType) {
  return ShapeBookText(DecodeBookText(raw), formatParagraph, caseType);
}

void SelectNextBook() { Book = Book + 1 > 6 ? 0 : Book + 1; }

void SelectUserBookFile(const std::string& path) {
  UseUserBookFile(path);
  Book = UserBook;
}

void LoadBook() {
  WithinMemory([] { ShowBook(ChooseSource()); });
}

void StartLoadingBook() {
  BookSource source;
  std::string title;
  if (Book == UserBook && IsBookFormat(ReadUserBookTitle(UserBookPath(), title)))
    source.path = UserBookPath();
  else if (Book >= 0 && Book < BuiltInBookCount)
    source.builtIn = Book;
  else
    return;
  startedBook = {source.path, title, source.builtIn, ShapingNow(true), StartShaping(source, ShapingNow(true))};
}

void LoadBookAtStartUp() {
  bool later = false;
  WithinMemory([&later] { later = ShowBook(ChooseSource(), !Minimized); });
  if (!later) RestoreBookmark();
}

const std::string& LoadedText() { return LoadedPaneText.empty() ? BookText : LoadedPaneText; }

void ShowLoadedBook() {
  // The pane puts the letters in their case as it takes the text: a book of hundreds of megabytes
  // is not copied, cased and walked again. A plain text that looks like rich text goes the long way.
  if (WideSpacing || LoadedText().rfind("{\\rtf", 0) != 0) return SetPaneTextInCase(PaneWindow, LoadedText(), CaseType);
  std::string text;
  ReserveLargeText(text, LoadedText().size());
  text = LoadedText();
  ApplyTextCase(text, CaseType);
  // the rich text SetPaneText would leave in `text` is not wanted here: it is not made
  if (WideSpacing)
    SetWidePaneText(PaneWindow, text);
  else
    SetPaneText(PaneWindow, text);
}

void ApplyTextCase(std::string& text, int caseType) {
  if (caseType == 0 || caseType == 1) ChangeLetterCase(text, caseType == 0);
}

const char* const BookTooLargeNotice = "Book too large to show!";
const char* const BookUnreadableNotice = "Book could not be read!";

}  // namespace vt
