// The reader's own books: a file named at start or dropped on the window becomes the seventh book
// with its own reading position, and a file that cannot be read leaves the current book.
#include <string>
#include <vector>

#include "core/bar_messages.h"
#include "platform/pane.h"
#include "reader/book_formats.h"
#include "reader/navigation.h"
#include "reader/own_books.h"
#include "support/event_loop.h"
#include "support/main_window_fixture.h"

using namespace vt;

namespace {

class OwnBooks : public vt_test::MainWindowTest {
 protected:
  std::string MakeBook(const std::string& name) {
    std::string text = "My Notes\r\n\r\n";
    for (int i = 0; i < 400; ++i) text += "Line " + std::to_string(i) + " of my own notes, long enough to wrap.\r\n";
    vt_test::WriteFile(folder / name, text);
    return folder / name;
  }
  static void Drop(const std::string& path) {
    DropFileOnWindow(MainWindow, path);
    ProcessPendingEvents();
  }
  static std::string PaneName() { return PaneAccessibleName(PaneWindow); }
};

TEST_F(OwnBooks, FileNamedAtStartIsTheSeventhBookWithItsOwnPosition) {
  std::string notes = MakeBook("notes.txt");
  OpenAtStart(notes);
  Start("Book=2\r\nBookMark6=5\r\n");
  EXPECT_EQ(Book, 6);
  EXPECT_EQ(EditFileName, "My Notes");
  EXPECT_EQ(PaneName(), "My Notes");  // what a screen reader announces for the pane
  PaneLineScroll(PaneWindow, 30);
  int32_t top = TopVisibleCharIndex();
  ASSERT_GT(top, 0);
  EndMainWindow();
  EXPECT_EQ(BookMark6, 5);  // "trash.txt" keeps its own place
  EXPECT_EQ(vt_test::ReadFile(BookPositionsPath()), "vellumtide-books 2\r\nposition\t" + std::to_string(top) + "\t" + notes +
                                                       "\r\ntitle\t" + notes + "\tMy Notes\r\n");

  ResetProgramState();
  OpenAtStart(notes);
  Start("Book=0\r\n");
  EXPECT_EQ(TopVisibleCharIndex(), top);
}

TEST_F(OwnBooks, UnreadableFileLeavesTheCurrentBookAndSaysSo) {
  Start("Book=3\r\n");
  Drop(folder / "missing.txt");
  EXPECT_EQ(Book, 3);
  EXPECT_EQ(EditFileName, "Tea Cookies");
  EXPECT_EQ(LastBarMessage(), "Cannot read missing.txt");
  EndMainWindow();

  ResetProgramState();
  OpenAtStart(folder / "gone.txt");
  Start("Book=3\r\n");
  EXPECT_TRUE(vt_test::RunUntil([] { return LastBarMessage() == "Cannot read gone.txt"; }, 5));  // once the window shows
  EXPECT_EQ(Book, 3);
}

TEST_F(OwnBooks, EbooksOpenAndForeignFilesAreRefusedInWords) {
  const std::string epub = std::string(TEST_BOOKS_DIR) + "/story3.epub", pdf = folder / "paper.pdf";
  vt_test::WriteFile(pdf, "%PDF-1.4\n1 0 obj << >>\n");
  Start("Book=3\r\n");
  Drop(epub);
  EXPECT_EQ(Book, 6);
  EXPECT_EQ(EditFileName, "Café Stories");
  EXPECT_EQ(BookText.find("PK"), std::string::npos);
  const std::string shown = BookText;
  Drop(pdf);
  EXPECT_EQ(LastBarMessage(), RefusalNotice(BookFormat::Pdf));
  EXPECT_EQ(UserBookPath(), epub);
  EXPECT_EQ(BookText, shown);
  EndMainWindow();

  ResetProgramState();
  OpenAtStart(pdf);
  Start("Book=3\r\nUserBarDelay=2000\r\n");
  EXPECT_TRUE(vt_test::RunUntil([] { return LastBarMessage() == RefusalNotice(BookFormat::Pdf); }, 5));
  EXPECT_EQ(Book, 3);
  EXPECT_TRUE(BarMessageShown());  // still up once the window is on the screen, where it can be read
}

TEST_F(OwnBooks, AGutenbergTextOpensFirstAtItsBookAndWalksItsChapters) {
  const std::string header = "The Project Gutenberg eBook of Tales\r\n\r\nlicence text\r\n\r\n";
  const std::string start = "*** START OF THE PROJECT GUTENBERG EBOOK TALES ***\r\n";
  std::string text = header + start + "\r\nCHAPTER I.\r\n\r\n";
  for (int i = 0; i < 300; ++i) text += "A line of the first chapter, long enough to wrap.\r\n";
  text += "\r\nCHAPTER II.\r\n\r\nThe end.\r\n";
  vt_test::WriteFile(folder / "tales.txt", text);
  Start("Book=0\r\n");
  Drop(folder / "tales.txt");
  int selStart = -1, selEnd = -1;
  PaneGetSelection(PaneWindow, selStart, selEnd);
  const int bookStart = static_cast<int>(header.size() + start.size()) - 5;  // CR LF counts one
  EXPECT_EQ(selStart, bookStart);
  EXPECT_NE(BookText.find("\r\n>>CHAPTER I.\r\n"), std::string::npos);
  EXPECT_NE(BookText.find("\r\n>>CHAPTER II.\r\n"), std::string::npos);
}

TEST_F(OwnBooks, DroppedFileOpensAndTheBookLeftKeepsItsPlace) {
  std::string first = MakeBook("first.txt"), second = MakeBook("second.txt");
  Start("Book=0\r\n");
  PaneLineScroll(PaneWindow, 10);
  int32_t constitution = TopVisibleCharIndex();
  Drop(first);
  EXPECT_EQ(Book, 6);
  EXPECT_EQ(UserBookPath(), first);
  PaneLineScroll(PaneWindow, 20);
  int32_t inFirst = TopVisibleCharIndex();
  Drop(second);
  EXPECT_EQ(UserBookPath(), second);
  EXPECT_EQ(TopVisibleCharIndex(), 0);
  Drop(first);
  EXPECT_EQ(TopVisibleCharIndex(), inFirst);
  EXPECT_EQ(BookMark0, constitution);
}

}  // namespace

TEST(BookPositionsFile, AnyPathComesBackExactly) {
  const std::vector<BookFilePosition> entries = {
      {"/books/line\nbreak.txt", 1}, {"/books/tab\there.txt", 2},   {"/books/100%.txt", 3},
      {"/books/\xFF\xFE latin1.txt", 4}, {"/books/caf\xC3\xA9.txt", 5}, {"/books/cr\r.txt", 6}};
  std::string text = BookPositionsText(entries);
  EXPECT_NE(text.find("caf\xC3\xA9.txt"), std::string::npos);  // valid UTF-8 stays readable
  std::vector<BookFilePosition> back = ReadBookPositionsText(text, false);
  ASSERT_EQ(back.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(back[i].path, entries[i].path);
    EXPECT_EQ(back[i].position, entries[i].position);
  }
}

// Titles are kept on lines of their own, which a reader of positions alone skips: the positions
// read the same with or without them, and a title comes back only with its own entry.
TEST(BookPositionsFile, TitlesComeBackWithTheirEntriesAndLeaveThePositionsAlone) {
  const std::vector<BookFilePosition> entries = {{"/a.txt", 1, "Caf\xC3\xA9\tand 100%"}, {"/b.txt", 2}};
  const std::string text = BookPositionsText(entries);
  EXPECT_EQ(text, "vellumtide-books 2\r\nposition\t1\t/a.txt\r\ntitle\t/a.txt\tCaf\xC3\xA9%09and 100%25\r\n"
                  "position\t2\t/b.txt\r\n");
  const std::vector<BookFilePosition> back = ReadBookPositionsText(text, false);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].title, entries[0].title);
  EXPECT_EQ(back[1].title, "");
  EXPECT_EQ(back[1].position, 2);
}

TEST(BookPositionsFile, OldFilesLoadAndUnknownOrOversizedEntriesAreDropped) {
  const std::string longPath = "/" + std::string(5000, 'x');
  struct Case {
    const char* name;
    std::string bytes;
    bool cut;
    std::vector<std::string> paths;
  } cases[] = {
      {"first version", "12\t/a.txt\r\n7\t/b c.txt\n", false, {"/a.txt", "/b c.txt"}},
      {"unknown type", "vellumtide-books 2\r\nlater\t/a.txt\tA\r\nposition\t1\t/b.txt\r\n", false, {"/b.txt"}},
      {"title of no entry", "vellumtide-books 2\r\ntitle\t/a.txt\tA\r\nposition\t1\t/b.txt\r\n", false, {"/b.txt"}},
      {"damaged escape", "vellumtide-books 2\r\nposition\t1\t/a%4\r\nposition\t1\t/b%41\r\n", false, {"/bA"}},
      {"oversized path", "vellumtide-books 2\r\nposition\t1\t" + longPath + "\r\nposition\t2\t/b\r\n", false, {"/b"}},
      {"first version oversized", "1\t" + longPath + "\n", false, {}},
      {"cut at the cap", "vellumtide-books 2\r\nposition\t1\t/a\r\nposition\t2\t/b-cut", true, {"/a"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> paths;
    for (const BookFilePosition& p : ReadBookPositionsText(c.bytes, c.cut)) paths.push_back(p.path);
    EXPECT_EQ(paths, c.paths) << c.name;
  }
  EXPECT_EQ(BookPositionsText({{longPath, 1}}), "vellumtide-books 2\r\n");  // never written back
}
