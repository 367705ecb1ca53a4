// Loading a book: the cleaning steps on small texts, the user's "trash.txt" and its title, the
// fallbacks, and what LoadBook leaves behind in the pane and the book state.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

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
      {"filter drops, never replaces", "a\xE2\x80\x9Cq\xE2\x80\x9D\x7F\x01z\tb", false, 2, "aqz\tb"},
      {"three breaks leave one blank line", "a\r\n\r\n\r\nb", false, 2, "a\r\n\r\nb"},
      {"four breaks leave one blank line", "a\r\n\r\n\r\n\r\nb", false, 2, "a\r\n\r\nb"},
      {"seven breaks leave one blank line", "a\r\n\r\n\r\n\r\n\r\n\r\n\r\nb", false, 2, "a\r\n\r\nb"},
      {"one blank line stays", "a\r\n\r\nb", false, 2, "a\r\n\r\nb"},
      {"reflow joins the lines of a paragraph", "one\r\ntwo\r\n\r\nthree\r\nfour", true, 2, "one two\r\n\r\nthree four"},
      {"reflow off keeps lines", "one\r\ntwo", false, 2, "one\r\ntwo"},
      {"a heading followed by text is joined", ">>Preamble\r\nWe the People", true, 2, ">>Preamble We the People"},
      {"a heading before a blank line stays", ">>Preamble\r\n\r\nWe the People", true, 2, ">>Preamble\r\n\r\nWe the People"},
      {"lone CR and LF are left alone", "a\rb\nc\n\n\n\nd\r\r\r\re", true, 2, "a\rb\nc\n\n\n\nd\r\r\r\re"},
      {"a CR LF after a lone CR still counts", "a\r\r\n\r\n\r\nb", false, 2, "a\r\r\n\r\nb"},
      {"upper case", ">>Ch 1\r\nabc XYZ <End of Book>", false, 0, ">>CH 1\r\nABC XYZ <END OF BOOK>"},
      {"lower case", "ABC xyz", false, 1, "abc xyz"},
      {"own case", "AbC", false, 2, "AbC"},
      {"a case outside 0 to 2 leaves the text", "AbC", false, 5, "AbC"},
      {"the reflow marker in a text stays", "a ::::;;;;:::: b\r\nc", true, 2, "a ::::;;;;:::: b c"},
  };
  for (const Case& c : cases) EXPECT_EQ(CleanBookText(c.raw, c.reflow, c.caseType), c.expected) << c.name;
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
    chmod((folder / "trash.txt").c_str(), 0644);
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
  EXPECT_EQ(Shown(), "My Own Book\r\nby Me\r\n\r\nText quoted.\r\n");
  EXPECT_EQ(BookText, Shown());
  EXPECT_EQ(LoadedText(), Shown());
  EXPECT_TRUE(LoadedPaneText.empty());  // a plain book is held once
  int start = -1, end = -1;
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 0);
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 0);
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

struct BuiltIn {
  int book;
  const char* title;
  int headings;
  const char* lastLine;
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
  // the embedded text is the book as supplied, byte for byte
  EXPECT_EQ(CleanBookText(BuiltInBookText(b.book), false, 2), text);
  EXPECT_EQ(BuiltInBookText(b.book).find_first_of("{}\\"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Library, BuiltInBooks,
                         ::testing::Values(BuiltIn{0, "Constitution", 8, "<End of Book>"},
                                           BuiltIn{1, "Bible", 66, "<End of Book>"},
                                           BuiltIn{2, "TriPlanetary", 13, "<End of Book>"},
                                           BuiltIn{3, "Tea Cookies", 0, "5. Bake 10 to 12 minutes, until golden at the edges."},
                                           BuiltIn{4, "Treasure Island", 40, "<End of Book>"},
                                           BuiltIn{5, "Little Women", 47, "<End of Book>"}),
                         [](const ::testing::TestParamInfo<BuiltIn>& param) { return "Book" + std::to_string(param.param.book); });

}  // namespace
}  // namespace vt::testing
