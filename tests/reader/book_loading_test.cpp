// Loading a book: the cleaning steps on small texts, the user's "trash.txt" and its title, the
// fallbacks, and what LoadBook leaves behind in the pane and the book state.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "reader/book_text.h"
#include "tests/reader/pane_fixture.h"

namespace vt::testing {
namespace {

TEST(BookCleaning, StepsOnSmallTexts) {
  struct Case {
    const char* name;
    std::string raw;
    bool reflow;
    int caseType;
    std::string expected;
  } cases[] = {
      {"controls go, quotes and tabs stay", "a\xE2\x80\x9Cq\xE2\x80\x9D\x7F\x01\xC2\x85z\tb", false, 2, "a\xE2\x80\x9Cq\xE2\x80\x9Dz\tb"},
      {"three breaks leave one blank line", "a\r\n\r\n\r\nb", false, 2, "a\r\n\r\nb"},
      {"four breaks leave one blank line", "a\r\n\r\n\r\n\r\nb", false, 2, "a\r\n\r\nb"},
      {"seven breaks leave one blank line", "a\r\n\r\n\r\n\r\n\r\n\r\n\r\nb", false, 2, "a\r\n\r\nb"},
      {"one blank line stays", "a\r\n\r\nb", false, 2, "a\r\n\r\nb"},
      {"reflow joins the lines of a paragraph", "one\r\ntwo\r\n\r\nthree\r\nfour", true, 2, "one two\r\n\r\nthree four"},
      {"reflow off keeps lines", "one\r\ntwo", false, 2, "one\r\ntwo"},
      {"a heading followed by text is joined", ">>Preamble\r\nWe the People\r\n\r\nI", true, 2, ">>Preamble We the People\r\n\r\nI"},
      {"a heading before a blank line stays", ">>Preamble\r\n\r\nWe the People", true, 2, ">>Preamble\r\n\r\nWe the People"},
      {"lone CR and LF are line ends", "a\rb\nc\n\n\n\nd\r\r\r\re", true, 2, "a b c\r\n\r\nd\r\n\r\ne"},
      {"a lone CR before CR LF is a line end of its own", "a\r\r\n\r\n\r\nb", false, 2, "a\r\n\r\nb"},
      {"without blank lines the lines are the paragraphs", "one\ntwo\r\nthree", true, 2, "one\r\ntwo\r\nthree"},
      {"every letter changes case", "na\xC3\xAFve Zo\xC3\xAB \xC3\x9F", false, 0, "NA\xC3\x8FVE ZO\xC3\x8B \xC3\x9F"},
      {"accented capitals to lower case", "\xC3\x80\xC3\x89\xC3\x8E \xD0\x96", false, 1, "\xC3\xA0\xC3\xA9\xC3\xAE \xD0\xB6"},
      {"upper case", ">>Ch 1\r\nabc XYZ <End of Book>", false, 0, ">>CH 1\r\nABC XYZ <END OF BOOK>"},
      {"lower case", "ABC xyz", false, 1, "abc xyz"},
      {"own case", "AbC", false, 2, "AbC"},
      {"a case outside 0 to 2 leaves the text", "AbC", false, 5, "AbC"},
      {"the reflow marker in a text stays", "a ::::;;;;:::: b\r\nc\r\n\r\nd", true, 2, "a ::::;;;;:::: b c\r\n\r\nd"},
  };
  for (const Case& c : cases) EXPECT_EQ(CleanBookText(c.raw, c.reflow, c.caseType), c.expected) << c.name;
}

// The sample sentence, as UTF-8, and as each encoding a user's file may come in.
const char kSampleUtf8[] = "The caf\xC3\xA9 was na\xC3\xAFve. Se\xC3\xB1or Zo\xC3\xAB ate cr\xC3\xA8me br\xC3\xBBl\xC3\xA9" "e \xE2\x80\x9CIt\xE2\x80\x99s\xE2\x80\x9D \xE2\x80\x94 fine";

std::string Utf16(const std::u16string& text, bool littleEndian) {
  std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
  for (char16_t unit : text) {
    char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes += littleEndian ? std::string{low, high} : std::string{high, low};
  }
  return bytes;
}

TEST(BookDecoding, EveryEncodingGivesTheSameLetters) {
  const std::u16string sample = u"The caf\u00E9 was na\u00EFve. Se\u00F1or Zo\u00EB ate cr\u00E8me br\u00FBl\u00E9" u"e \u201CIt\u2019s\u201D \u2014 fine";
  struct Case {
    const char* name;
    std::string bytes, expected;
  } cases[] = {
      {"UTF-8", kSampleUtf8, kSampleUtf8},
      {"UTF-8 with BOM", std::string("\xEF\xBB\xBF") + kSampleUtf8, kSampleUtf8},
      {"UTF-16LE with BOM", Utf16(sample, true), kSampleUtf8},
      {"UTF-16BE with BOM", Utf16(sample, false), kSampleUtf8},
      {"Windows-1252", "The caf\xE9 was na\xEFve. Se\xF1or Zo\xEB ate cr\xE8me br\xFBl\xE9" "e \x93It\x92s\x94 \x97 fine", kSampleUtf8},
      {"UTF-16 outside the BMP and a lone half", Utf16({u'a', 0xD83D, 0xDE00, u'b', 0xD800, u'c'}, true), "a\xF0\x9F\x98\x80" "b\xEF\xBF\xBD" "c"},
      {"bytes the code page leaves unused go", "x\x81\x8D\x8F\x90\x9Dy\xFF", "xy\xC3\xBF"},
      {"Windows-1252 line ends and controls", "a\r\nb\rc\nd\r\r\n\x01\te\x7F\xE9", "a\r\nb\r\nc\r\nd\r\n\r\n\te\xC3\xA9"},
      {"a cut UTF-8 sequence after a BOM", "\xEF\xBB\xBFok\xE2\x80", "ok\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"a second mark after the first goes too", std::string("\xFE\xFF\xFE\xFF\0o\0k", 8), "ok"},
      {"line ends of every kind", "a\nb\rc\r\nd\xE2\x80\xA8" "e", "a\r\nb\r\nc\r\nd\r\ne"},
      {"a text kept as it is", "\tTab\xC3\xA9s, and more than eight\r\nletters \xF0\x9F\x98\x80\r\n", "\tTab\xC3\xA9s, and more than eight\r\nletters \xF0\x9F\x98\x80\r\n"},
      {"a paragraph separator alone", "one\xE2\x80\xA9two", "one\r\ntwo"},
      {"DEL within plain words", "plain te\x7Fxt in words", "plain text in words"},
      {"a control within plain words", "plain\x01text in words", "plaintext in words"},
      {"a C1 control, a mark and a noncharacter", "plain text\xC2\x85 \xEF\xBB\xBF\xEF\xBF\xBE" "end", "plain text end"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeBookText(c.bytes), c.expected) << c.name;
    EXPECT_EQ(DecodeBookText(std::string(c.bytes)), c.expected) << c.name << ", the bytes taken";
  }
}

// Every letter changes case and no character position moves; a mapping that changes the
// number of bytes (the Kelvin sign to k) rebuilds the text around it.
TEST(LetterCase, EveryLetterChangesAndNoPositionMoves) {
  struct Case {
    const char* text;
    bool upper;
    const char* expected;
  } cases[] = {
      {"caf\xC3\xA9 \xC3\xBF \xCE\xB1\xCF\x89 \xD0\xB6 \xC3\x97 x", true, "CAF\xC3\x89 \xC5\xB8 \xCE\x91\xCE\xA9 \xD0\x96 \xC3\x97 X"},
      {"CAF\xC3\x89 \xC5\xB8 \xCE\x91\xCE\xA9 \xD0\x96", false, "caf\xC3\xA9 \xC3\xBF \xCE\xB1\xCF\x89 \xD0\xB6"},
      {"\xE2\x84\xAA\xC3\x89 \xC3\x89", false, "k\xC3\xA9 \xC3\xA9"},  // after a rebuild
      {"\xC3\xA9 \xE2\x84\xAA \xE1\xBA\x9E \xFF\xC3 end", false, "\xC3\xA9 k \xC3\x9F \xFF\xC3 end"},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    ChangeLetterCase(text, c.upper);
    EXPECT_EQ(text, c.expected) << c.text;
  }
}

TEST(BookDecoding, TheTitleIsTheFirstLineWithoutControls) {
  EXPECT_EQ(TitleLine(DecodeBookText("My Book\nby Me\n")), "My Book");
  EXPECT_EQ(TitleLine(DecodeBookText("A\tB\x01\x1B[0m\x7F\rrest")), "A B[0m");
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
  for (char c : TitleLine(DecodeBookText(binary))) EXPECT_FALSE(static_cast<unsigned char>(c) < 32 || c == 127);
}

std::string WithoutBlanksAndLineEnds(std::string text) {
  std::erase_if(text, [](char c) { return c == ' ' || c == '\r' || c == '\n'; });
  return text;
}

TEST(ParagraphBound, NoParagraphIsLongerThanTheBound) {
  std::string sentences, lines, letters;
  while (sentences.size() < 3 * LongestParagraph) sentences += "In the beginning God created the heaven. ";
  while (lines.size() < 3 * LongestParagraph) lines += "In the beginning God created the heaven\r\n";
  while (letters.size() < 3 * LongestParagraph) letters += "\xC3\xA9";  // no blank, two bytes a letter
  struct Case {
    const char* name;
    std::string raw;
    bool reflow;
    const char* pieceEnd;  // what each piece but the last ends with
  } cases[] = {
      {"one long line splits at sentence ends", sentences, false, "heaven."},
      {"joined lines split at line ends", lines + "\r\n" + lines, true, "heaven"},
      {"no blank splits between letters", letters, false, "\xC3\xA9"},
  };
  for (const Case& c : cases) {
    std::string text = CleanBookText(c.raw, c.reflow, 2);
    size_t pieces = 0;
    for (size_t from = 0, end; (end = text.find("\r\n", from)) != std::string::npos; from = end + 2) {
      if (end == from) continue;  // the blank line
      ++pieces;
      EXPECT_LE(end - from, LongestParagraph) << c.name;
      EXPECT_TRUE(text.substr(from, end - from).ends_with(c.pieceEnd)) << c.name;
    }
    EXPECT_GE(pieces, 2u) << c.name;
    EXPECT_EQ(WithoutBlanksAndLineEnds(text), WithoutBlanksAndLineEnds(c.raw)) << c.name;
  }
}

class BookLoading : public PaneTest {
 protected:
  void SetUp() override {
    PaneTest::SetUp();
    folder = std::filesystem::temp_directory_path() / ("vellumtide-books-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
  }
  void TearDown() override {
    std::filesystem::current_path(previous);
    chmod((folder / "trash.txt").string().c_str(), 0644);
    std::filesystem::remove_all(folder);
  }
  static void WriteTrash(const std::string& bytes) {
    std::ofstream out("trash.txt", std::ios::binary);
    out << bytes;
  }
  std::filesystem::path folder, previous;
};

TEST_F(BookLoading, TheUsersBookIsTitledByItsFirstLine) {
  WriteTrash("My Own Book\r\nby Me\r\n\r\n\r\n\r\nText \xE2\x80\x9Cquoted\xE2\x80\x9D.\r\n");
  Book = UserBook;
  FormatParagraph = 0;
  LoadBook();
  EXPECT_EQ(Book, UserBook);
  EXPECT_EQ(EditFileName, "My Own Book");
  EXPECT_EQ(LastBarMessage(), "Loading My Own Book ...");
  EXPECT_EQ(Shown(), "My Own Book\r\nby Me\r\n\r\nText \xE2\x80\x9Cquoted\xE2\x80\x9D.\r\n");
  EXPECT_EQ(BookText, Shown());
  EXPECT_EQ(LoadedText(), Shown());
  EXPECT_TRUE(LoadedPaneText.empty());  // a plain book is held once
  int start = -1, end = -1;
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 0);
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 0);
}

// The notice names the book before the file is read whole, from its first bytes; here those end
// inside a letter.
TEST_F(BookLoading, AnAccentedTitleIsNamedExactlyInTheNotice) {
  const std::string title = "\xC3\x89loge de l\xE2\x80\x99\xC3\xA9t\xC3\xA9";
  std::string letters;
  for (int i = 0; i < 3000; ++i) letters += "\xC3\xA9";
  WriteTrash(title + "\r\n" + letters + "\r\n");
  Book = UserBook;
  LoadBook();
  EXPECT_EQ(LastBarMessage(), "Loading " + title + " ...");
  EXPECT_EQ(EditFileName, title);
}

TEST_F(BookLoading, AUsersBookWithoutLineBreaksIsAllTitleCutTo259) {
  std::string line(300, 'x');
  WriteTrash(line);
  Book = UserBook;
  FormatParagraph = 1;
  LoadBook();
  EXPECT_EQ(EditFileName, std::string(259, 'x'));
  EXPECT_EQ(Shown(), line);
}

TEST_F(BookLoading, AnEmptyUsersBookGivesAnEmptyTitleAndPane) {
  WriteTrash("");
  Book = UserBook;
  LoadBook();
  EXPECT_EQ(EditFileName, "");
  EXPECT_EQ(LastBarMessage(), "Loading  ...");
  EXPECT_EQ(Shown(), "");
  EXPECT_EQ(Book, UserBook);
}

TEST_F(BookLoading, NoReadableUsersBookFallsBackToTheFirstBook) {
  Book = UserBook;
  LoadBook();
  EXPECT_EQ(Book, 0);
  EXPECT_EQ(EditFileName, "Constitution");

  std::filesystem::create_directory("trash.txt");  // a folder of that name cannot be read
  Book = UserBook;
  LoadBook();
  EXPECT_EQ(Book, 0);
  EXPECT_EQ(EditFileName, "Constitution");
  std::filesystem::remove("trash.txt");

  if (geteuid() != 0) {  // root reads anything
    WriteTrash("Secret\r\n");
    chmod("trash.txt", 0);
    Book = UserBook;
    LoadBook();
    EXPECT_EQ(Book, 0);
  }
}

TEST_F(BookLoading, ABookNumberOutsideTheListKeepsThePreviousText) {
  Book = 3;
  LoadBook();
  std::string tea = Shown();
  Book = 9;
  EditFileName = "From The File";
  LoadBook();
  EXPECT_EQ(Book, 9);
  EXPECT_EQ(EditFileName, "From The File");
  EXPECT_EQ(LastBarMessage(), "Loading From The File ...");
  EXPECT_EQ(Shown(), tea);
}

TEST_F(BookLoading, AtStartUpABookNumberOutsideTheListShowsAnEmptyPane) {
  Book = 9;
  LoadBook();
  EXPECT_EQ(Shown(), "");
}

TEST_F(BookLoading, WideSpacingKeepsTheRichFormInBookText) {
  WriteTrash("Title\r\na {brace} and \\ back\r\n");
  WideSpacing = 1;
  FormatParagraph = 0;
  Book = UserBook;
  LoadBook();
  EXPECT_EQ(BookText.rfind("{\\rtf1\\expndtw360\\expnd72 Title\\par a \\{brace\\} and \\\\ back\\par ", 0), 0u);
  EXPECT_EQ(Shown(), "Title\r\na {brace} and \\ back\r\n");
  EXPECT_EQ(LoadedText(), Shown());
}

TEST_F(BookLoading, TheCaseCycleComesBackToTheLoadedText) {
  CaseType = 2;
  Book = 0;
  LoadBook();
  std::string loaded = Shown();
  CycleTextCase();
  EXPECT_EQ(CaseType, 0);
  EXPECT_EQ(Shown().substr(0, 20), "CONSTITUTION\r\n\r\nTHE ");
  CycleTextCase();
  EXPECT_EQ(CaseType, 1);
  EXPECT_EQ(Shown().substr(0, 12), "constitution");
  CycleTextCase();
  EXPECT_EQ(CaseType, 2);
  EXPECT_EQ(Shown(), loaded);
}

// FNV-1a, 64 bits: a fingerprint of a book's cleaned text.
uint64_t Fingerprint(const std::string& text) {
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

struct BuiltIn {
  int book;
  const char* title;
  int headings;
  const char* lastLine;
  uint64_t asLines, asParagraphs, asUpperCaseParagraphs;  // fingerprints the loader has always given
};

// Names the book in test output instead of dumping the parameter's bytes.
void PrintTo(const BuiltIn& b, std::ostream* os) { *os << "book " << b.book << " (" << b.title << ")"; }

class BuiltInBooks : public PaneTest, public ::testing::WithParamInterface<BuiltIn> {};

TEST_P(BuiltInBooks, LoadWithTheirTitleHeadingsAndEnds) {
  const BuiltIn& b = GetParam();
  Book = b.book;
  FormatParagraph = 0;
  CaseType = 2;
  LoadBook();
  EXPECT_EQ(EditFileName, b.title);
  EXPECT_EQ(BookTitle(b.book), b.title);
  std::string text = Shown();
  EXPECT_EQ(text.substr(0, text.find("\r\n")), b.title);
  int headings = text.rfind(">>", 0) == 0 ? 1 : 0;
  for (size_t at = text.find("\r\n>>"); at != std::string::npos; at = text.find("\r\n>>", at + 1)) ++headings;
  EXPECT_EQ(headings, b.headings);
  std::string body = text.substr(0, text.find_last_not_of("\r\n") + 1);
  EXPECT_EQ(body.substr(body.rfind("\r\n") + 2), b.lastLine);
  // the embedded text is the book as supplied, byte for byte, and needs no decoding
  EXPECT_EQ(CleanBookText(BuiltInBookText(b.book), false, 2), text);
  EXPECT_EQ(DecodeBookText(BuiltInBookText(b.book)), BuiltInBookText(b.book));
  EXPECT_EQ(BuiltInBookText(b.book).find_first_of("{}\\"), std::string::npos);
  EXPECT_EQ(Fingerprint(text), b.asLines);
  EXPECT_EQ(Fingerprint(CleanBookText(BuiltInBookText(b.book), true, 2)), b.asParagraphs);
  EXPECT_EQ(Fingerprint(CleanBookText(BuiltInBookText(b.book), true, 0)), b.asUpperCaseParagraphs);
}

INSTANTIATE_TEST_SUITE_P(Library, BuiltInBooks,
                         ::testing::Values(BuiltIn{0, "Constitution", 8, "<End of Book>", 0xee5c0a68ec7a98abull, 0xa6e2e456406866b4ull, 0x178ee72d3fd0d074ull},
                                           BuiltIn{1, "Bible", 66, "<End of Book>", 0xb40d748f32b10fb0ull, 0xc7b80c7dd1d6be8bull, 0xa3ae1879e9c4f18bull},
                                           BuiltIn{2, "TriPlanetary", 13, "<End of Book>", 0x7a07ba15723538eeull, 0x8b92e36534cc2bf2ull, 0xcb94299a2c1a3bb2ull},
                                           BuiltIn{3, "Tea Cookies", 0, "5. Bake 10 to 12 minutes, until golden at the edges.", 0xd2e389680d466ac8ull, 0xed44725963773100ull, 0x3a61726e64725c40ull},
                                           BuiltIn{4, "Treasure Island", 40, "<End of Book>", 0xaf7d07f1e993964aull, 0x3f5a86d3355f556cull, 0xef0662b0d4680a6cull},
                                           BuiltIn{5, "Little Women", 47, "<End of Book>", 0xdee71e9cf12b2474ull, 0x0bbebc271f060ce1ull, 0xe918193e79af9ec1ull}),
                         [](const ::testing::TestParamInfo<BuiltIn>& param) { return "Book" + std::to_string(param.param.book); });

}  // namespace
}  // namespace vt::testing
