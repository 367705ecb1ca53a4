// The search of the user's folders for books, over a fake home folder: which books it finds, in
// which order, and where it stops; and the shelf's text with the place of each book's line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "reader/shelf.h"
#include "support/temp_folder.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

class FakeHome {
 public:
  FakeHome() {
    Book("Books/b.txt", "Bravo\r\n\r\nText.");
    Book("Books/A.html", "<html><head><title>Alpha</title></head><body><p>x</p></body></html>");
    Book("Books/notes.md", "Not a book name");
    Book("Books/picture.txt", std::string("\x89PNG\r\n\x1a\n\0\0\0", 12));
    Book("Books/one/two/three/deep.txt", "Deep\r\n");
    Book("Books/one/two/three/four/deeper.txt", "Deeper\r\n");
    Book("Books/.hidden/secret.txt", "Secret\r\n");
    Book("Books/.dot.txt", "Dot\r\n");
    Book("Outside/far.txt", "Far\r\n");
    fs::create_directory_symlink(home / "Books", home / "Books/loop");
    fs::create_directory_symlink(home / "Outside", home / "Books/outside");
    fs::create_symlink(home / "Outside/far.txt", home / "Books/far-link.txt");
    Book("Locked/inside.txt", "Inside\r\n");
    fs::permissions(home / "Locked", fs::perms::none);
    Book("Many/keep.txt", "Keep\r\n");
    for (int i = 0; i < 2000; ++i) Book("Many/m" + std::to_string(10000 + i) + ".txt", "M\r\n");
  }
  ~FakeHome() { fs::permissions(home / "Locked", fs::perms::owner_all); }
  std::string operator/(const std::string& name) const { return home / name; }

 private:
  void Book(const std::string& name, const std::string& bytes) {
    fs::create_directories(fs::path(home / name).parent_path());
    vt_test::WriteFile(home / name, bytes);
  }
  vt_test::TempFolder home;
};

struct Search {
  std::vector<std::string> found, unreadable;
};

Search SearchFrom(const std::vector<std::string>& folders, const std::vector<std::string>& known, FolderSearchLimits limits) {
  Search result;
  FolderSearchReport report;
  report.found = [&](const ShelfBook& book) { result.found.push_back(book.title + " " + fs::path(book.path).filename().string()); };
  report.unreadable = [&](const std::string& folder) { result.unreadable.push_back(fs::path(folder).filename().string()); };
  report.stop = [] { return false; };
  SearchFoldersForBooks(folders, known, limits, report);
  return result;
}

TEST(ShelfFolderSearch, FindsReadableBooksWithinItsLimits) {
  const FakeHome home;
  const bool root = geteuid() == 0;  // the superuser reads a folder whatever its permissions
  const FolderSearchLimits usual = kFolderSearchLimits;
  const FolderSearchLimits few{3, 2, std::chrono::milliseconds(2000)}, none{3, 5, std::chrono::milliseconds(0)};
  struct Case {
    const char* name;
    std::vector<std::string> folders, known;
    FolderSearchLimits limits;
    std::vector<std::string> found, unreadable;
  } cases[] = {
      // Files by name before the folders below, breadth first; no hidden entry, no link, nothing
      // deeper than three levels, nothing that is not a book inside.
      {"books", {home / "Books"}, {}, usual, {"Alpha A.html", "Bravo b.txt", "Deep deep.txt"}, {}},
      {"known once", {home / "Books", home / "Books/one/two/three"}, {home / "Books/b.txt"}, usual,
       {"Alpha A.html", "Deep deep.txt", "Deeper deeper.txt"}, {}},
      {"missing and unreadable folders", {home / "Nowhere", home / "Books/b.txt", home / "Locked"}, {}, usual,
       root ? std::vector<std::string>{"Inside inside.txt"} : std::vector<std::string>{}, root ? std::vector<std::string>{"b.txt"} : std::vector<std::string>{"b.txt", "Locked"}},
      {"most books", {home / "Books"}, {}, few, {"Alpha A.html", "Bravo b.txt"}, {}},
      {"no time", {home / "Books"}, {}, none, {}, {}},
  };
  for (const Case& c : cases) {
    const Search result = SearchFrom(c.folders, c.known, c.limits);
    EXPECT_EQ(result.found, c.found) << c.name;
    EXPECT_EQ(result.unreadable, c.unreadable) << c.name;
  }
  // Two thousand files: the search stops at its thousandth book, in name order.
  const Search many = SearchFrom({home / "Many"}, {}, usual);
  ASSERT_EQ(many.found.size(), usual.mostBooks);
  EXPECT_EQ(many.found.front(), "Keep keep.txt");
  EXPECT_EQ(many.found.back(), "M m10998.txt");
}

TEST(ShelfText, EachBookIsOneLineAndItsPlaceIsKnown) {
  setenv("HOME", "/home/ann", 1);
  const std::vector<ShelfBook> books = {{"/home/ann/Books/caf\xC3\xA9.epub", "Caf\xC3\xA9 \xF0\x9F\x93\x96", true, false},
                                        {"/media/old.txt", "", true, true},
                                        {"/home/ann/Downloads/x.txt", "Ex", false, false},
                                        {"/d/caf\xE9\nnew.txt", "", false, false}};
  std::vector<ShelfLine> lines;
  const std::string text = ShelfText(books, true, lines);
  EXPECT_EQ(text,
            "Shelf: Up, Down, Enter\r\nRead lately:\r\n"
            "Caf\xC3\xA9 \xF0\x9F\x93\x96 - caf\xC3\xA9.epub, in ~/Books\r\n"
            "Missing: old.txt, in /media (Delete removes it)\r\n"
            "In your folders:\r\nEx - x.txt\r\ncaf\xC3\xA9?new.txt\r\nLooking for more...");
  // Pane positions: a line break counts one, a character beyond U+FFFF two.
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].start, 23 + 13);
  EXPECT_EQ(lines[0].end, lines[0].start + 31);
  EXPECT_EQ(lines[1].start, lines[0].end + 1);
  EXPECT_EQ(lines[2].end, lines[2].start + 10);
  EXPECT_EQ(ShelfText({}, false, lines), "Shelf: Up, Down, Enter\r\nRead lately:\r\nNo book read yet\r\nIn your folders:\r\nNo other book found");
  EXPECT_TRUE(lines.empty());
}

}  // namespace
