// The shelf as a user meets it in the running window: Ctrl+O shows the books read lately, the most
// recent first; the keys choose one, which opens at its place; leaving gives the book back at its
// place; a book whose file is gone can be removed.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/pane.h"
#include "reader/navigation.h"
#include "reader/own_books.h"
#include "reader/shelf.h"
#include "support/event_loop.h"
#include "support/main_window_fixture.h"

using namespace vt;

namespace {

class Shelf : public vt_test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    const char* home = std::getenv("HOME");
    realHome = home ? home : "";
    std::filesystem::create_directory(folder / "home");
    setenv("HOME", (folder / "home").c_str(), 1);  // the usual folders are looked through from here
  }
  void TearDown() override {
    vt_test::RunUntil([] { return !ShelfSearching(); }, 5);  // no worker outlives the test
    MainWindowTest::TearDown();
    setenv("HOME", realHome.c_str(), 1);
  }
  std::string MakeBook(const std::string& name, const std::string& title) {
    std::string text = title + "\r\n\r\n";
    for (int i = 0; i < 300; ++i) text += "Line " + std::to_string(i) + " of " + title + ", long enough to wrap once.\r\n";
    vt_test::WriteFile(folder / name, text);
    return folder / name;
  }
  static std::vector<std::string> ShelfPaths() {
    std::vector<std::string> paths;
    for (const ShelfBook& book : ShelfBooks())
      if (book.read) paths.push_back(book.path);
    return paths;
  }
  static std::string PaneName() { return PaneAccessibleName(PaneWindow); }
  std::string realHome;
};

TEST_F(Shelf, ListsTheBooksReadMostRecentFirstAndOpensTheChosenOneAtItsPlace) {
  const std::string a = MakeBook("a.txt", "Book A"), b = MakeBook("b.txt", "Book B"), c = MakeBook("c.txt", "Book C");
  const std::string old = MakeBook("old.txt", "Old Book");
  // A positions file as the reader wrote it before it kept titles.
  vt_test::WriteFile(BookPositionsPath(), "vellumtide-books 2\r\nposition\t5\t" + old + "\r\n");
  Start("Book=0\r\n");
  OpenBookFile(a);
  OpenBookFile(b);
  PaneLineScroll(PaneWindow, 30);
  const int32_t placeInB = TopVisibleCharIndex();
  ASSERT_GT(placeInB, 0);
  OpenBookFile(c);

  Press("O", vt::kCtrlHeld);
  ASSERT_EQ(ShelfShown, 1);
  EXPECT_EQ(PaneName(), "Shelf of books");
  EXPECT_EQ(ShelfPaths(), (std::vector<std::string>{c, b, a, old}));
  EXPECT_NE(PaneGetPlainText(PaneWindow).find("Book B - b.txt"), std::string::npos);
  EXPECT_EQ(ShelfMarkedBook(), 0);
  Press("Down");
  EXPECT_EQ(ShelfMarkedBook(), 1);
  int start = -1, end = -1;
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_TRUE(PaneRangeUnderlined(PaneWindow, start, start + 6));  // the marked line, from the caret on

  Press("Return");
  EXPECT_EQ(ShelfShown, 0);
  EXPECT_EQ(UserBookFile, b);
  EXPECT_EQ(EditFileName, "Book B");
  EXPECT_EQ(TopVisibleCharIndex(), placeInB);
  EXPECT_EQ(RecentBooks().front().path, b);
}

TEST_F(Shelf, LeavingGivesTheBookBackAtItsPlaceAndAGoneBookCanBeRemoved) {
  const std::string a = MakeBook("a.txt", "Book A"), b = MakeBook("b.txt", "Book B");
  Start("Book=0\r\n");
  OpenBookFile(a);
  OpenBookFile(b);
  RunCommand(CmdBooks);  // from the seventh book to the shelf
  ASSERT_EQ(ShelfShown, 1);
  RunCommand(CmdBooks);  // and on to the first book
  EXPECT_EQ(Book, 0);
  PaneLineScroll(PaneWindow, 20);
  const int32_t top = TopVisibleCharIndex();
  const std::string text = PaneGetPlainText(PaneWindow);

  std::filesystem::remove(a);
  Press("O", vt::kCtrlHeld);
  ASSERT_TRUE(vt_test::RunUntil([] { return !ShelfSearching(); }, 5));
  // the shelf shows what the worker found
  ASSERT_TRUE(vt_test::RunUntil([] { return ShelfBooks().size() > 1 && ShelfBooks()[1].missing; }, 5));
  ASSERT_EQ(ShelfPaths(), (std::vector<std::string>{b, a}));
  EXPECT_TRUE(ShelfBooks()[1].missing);
  Press("End");
  Press("Return");  // a gone book does not open: the shelf stays
  EXPECT_EQ(ShelfShown, 1);
  Press("Delete");
  EXPECT_EQ(ShelfPaths(), (std::vector<std::string>{b}));
  Press("O", vt::kCtrlHeld);  // reached by its key, it gives back the book it covered
  EXPECT_EQ(ShelfShown, 0);
  EXPECT_EQ(Book, 0);
  EXPECT_EQ(TopVisibleCharIndex(), top);
  EXPECT_EQ(PaneGetPlainText(PaneWindow), text);
  EXPECT_EQ(RecentBooks().size(), 1u);
}

}  // namespace
