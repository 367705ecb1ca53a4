// The book library: the six built-in books, embedded in the program, and the user's "trash.txt".
// LoadBook reads the current book, keeps only plain printable text, collapses runs of blank
// lines, joins the lines of each paragraph when asked, applies the letter case and shows it.
// It owns BookText (the book as put into the pane) and LoadedPaneText (the pane's text after loading).
#include "reader/book_library.h"

#include "bar/bar_messages.h"
#include "platform/files.h"
#include "platform/pane.h"
#include "platform/pane_resources.h"
#include "reader/navigation.h"
#include "reader/reading_pane.h"
#include "settings/settings_file.h"

namespace vt {

std::string BookText;
std::string LoadedPaneText;

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

bool IsCrLf(const std::string& s, size_t i) { return i + 1 < s.size() && s[i] == '\r' && s[i + 1] == '\n'; }

// Keeps TAB, LF, CR and the printable characters 32 ... 126; every other byte is dropped.
std::string FilterText(const std::string& raw) {
  std::string out;
  out.reserve(raw.size());
  for (char c : raw) {
    auto b = static_cast<unsigned char>(c);
    if (b == 9 || b == 10 || b == 13 || (b >= 32 && b <= 126)) out += c;
  }
  return out;
}

// Rewrites every run of consecutive CR LF pairs: `shorten(n)` gives what a run of n pairs becomes.
template <typename Shorten>
std::string RewriteLineBreakRuns(const std::string& text, Shorten shorten) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (!IsCrLf(text, i)) {
      out += text[i++];
      continue;
    }
    size_t pairs = 0;
    while (IsCrLf(text, i)) {
      ++pairs;
      i += 2;
    }
    out += shorten(pairs);
  }
  return out;
}

std::string Repeat(const char* piece, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

// Three or more line breaks in a row leave exactly one blank line.
std::string CollapseBlankLines(const std::string& text) {
  return RewriteLineBreakRuns(text, [](size_t pairs) { return Repeat("\r\n", pairs >= 3 ? 2 : pairs); });
}

// Each pair of line breaks stays a paragraph break; a single line break left over becomes a blank.
std::string ReflowParagraphs(const std::string& text) {
  return RewriteLineBreakRuns(text, [](size_t pairs) {
    return Repeat("\r\n\r\n", pairs / 2) + (pairs % 2 ? " " : "");
  });
}

void ApplyCase(std::string& text, int caseType) {
  if (caseType == 0) {
    for (char& c : text)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  } else if (caseType == 1) {
    for (char& c : text)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
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
  std::string text = CollapseBlankLines(FilterText(raw));
  if (formatParagraph) text = ReflowParagraphs(text);
  ApplyCase(text, caseType);
  return text;
}

void LoadBook() {
  std::string raw = ChooseSource();
  ShowBarMessage("Loading " + EditFileName + " ...", 1);
  BookText = CleanBookText(raw, FormatParagraph != 0, CaseType);
  SetPaneText(PaneWindow, BookText);
  LoadedPaneText = PaneGetPlainText(PaneWindow);
  PaneSetSelection(PaneWindow, 0, 0);
  ScrollCharToTop(0);
  PaneSetFocus(PaneWindow);
}

}  // namespace vt
