// The book library: the six built-in books, embedded in the program, and the user's "trash.txt".
// LoadBook reads the current book, keeps only plain printable text, collapses runs of blank
// lines, joins the lines of each paragraph when asked, applies the letter case and shows it.
// It owns BookText (the book as put into the pane) and LoadedPaneText (the pane's text after
// loading, kept only where it differs from BookText).
#include "reader/book_library.h"

#include "core/bar_messages.h"
#include "platform/files.h"
#include "platform/pane.h"
#include "platform/pane_resources.h"
#include "reader/navigation.h"
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

const char kUserBookFile[] = "trash.txt";

// Keeps TAB, LF, CR and the printable characters 32 ... 126; every other byte is dropped.
std::string FilterText(const std::string& raw) {
  std::string out(raw.size(), '\0');
  size_t n = 0;
  for (char c : raw) {
    auto b = static_cast<unsigned char>(c);
    if ((b >= 32 && b <= 126) || b == 9 || b == 10 || b == 13) out[n++] = c;
  }
  out.resize(n);
  return out;
}

// Rewrites, in place, every run of consecutive CR LF pairs: `write(pairs, out)` writes what a
// run of that many pairs becomes (never more bytes than the run had) and returns the new end.
template <typename Write>
void RewriteLineBreakRuns(std::string& text, Write write) {
  char* out = text.data();
  const char* in = text.data();
  const char* end = in + text.size();
  while (in < end) {
    if (!(in[0] == '\r' && in + 1 < end && in[1] == '\n')) {
      *out++ = *in++;
      continue;
    }
    size_t pairs = 0;
    while (in + 1 < end && in[0] == '\r' && in[1] == '\n') {
      ++pairs;
      in += 2;
    }
    out = write(pairs, out);
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
  RewriteLineBreakRuns(text, [](size_t pairs, char* out) { return WriteLineBreaks(pairs >= 3 ? 2 : pairs, out); });
}

// Each pair of line breaks stays a paragraph break; a single line break left over becomes a blank.
void ReflowParagraphs(std::string& text) {
  RewriteLineBreakRuns(text, [](size_t pairs, char* out) {
    out = WriteLineBreaks(pairs / 2 * 2, out);
    if (pairs % 2) *out++ = ' ';
    return out;
  });
}


// The user's book: its title is its first line. False when there is no readable file.
bool ReadUserBook(std::string& raw) {
  if (!ReadWholeFile(kUserBookFile, raw)) return false;
  size_t lineEnd = raw.find("\r\n");
  std::string title = raw.substr(0, lineEnd == std::string::npos ? raw.size() : lineEnd);
  EditFileName = CutToUtf16Units(BytesToUtf8(title), 259);
  return true;
}

// Step 1: the raw text of the current book; the previous text when Book names no book.
std::string ChooseSource() {
  std::string raw;
  if (Book == UserBook && ReadUserBook(raw)) return raw;
  if (Book == UserBook) Book = 0;  // no readable "trash.txt": the first book instead
  if (Book >= 0 && Book < BuiltInBookCount) {
    EditFileName = kBooks[Book].title;
    return BuiltInBookText(Book);
  }
  return BookText;
}

}  // namespace

std::string BookTitle(int book) { return book >= 0 && book < BuiltInBookCount ? kBooks[book].title : ""; }

std::string BuiltInBookText(int book) {
  std::string bytes;
  if (book >= 0 && book < BuiltInBookCount) ReadEmbeddedBook(kBooks[book].file, bytes);
  return bytes;
}

std::string CleanBookText(const std::string& raw, bool formatParagraph, int caseType) {
  std::string text = FilterText(raw);
  CollapseBlankLines(text);
  if (formatParagraph) ReflowParagraphs(text);
  ApplyTextCase(text, caseType);
  return text;
}

void SelectNextBook() { Book = Book + 1 > 6 ? 0 : Book + 1; }

void LoadBook() {
  std::string raw = ChooseSource();
  ShowBarMessage("Loading " + EditFileName + " ...", 1);
  BookText = CleanBookText(raw, FormatParagraph != 0, CaseType);
  std::string().swap(raw);  // the file's bytes are not kept while the pane makes its copies
  SetPaneText(PaneWindow, BookText);
  std::string shown = PaneGetPlainText(PaneWindow);
  LoadedPaneText = shown == BookText ? std::string() : std::move(shown);
  PaneSetSelection(PaneWindow, 0, 0);
  ScrollCharToTop(0);
  PaneSetFocus(PaneWindow);
}

const std::string& LoadedText() { return LoadedPaneText.empty() ? BookText : LoadedPaneText; }

void ApplyTextCase(std::string& text, int caseType) {
  if (caseType == 0) {
    for (char& c : text)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  } else if (caseType == 1) {
    for (char& c : text)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
}

}  // namespace vt
