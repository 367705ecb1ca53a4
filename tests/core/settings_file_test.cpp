// The settings file: number text both ways, key lookup, defaults, the written file and its
// order, and the safety of a save (fallback folder, interrupted save).
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "app/main_window.h"
#include "platform/files.h"
#include "platform/window.h"
#include "core/bar_messages.h"
#include "core/program_state.h"
#include "core/settings_file.h"
#include "platform/testing.h"
#include "support/temp_folder.h"

using namespace vt;
using vt_test::ReadFile;
using vt_test::WriteFile;

namespace {

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSettingsLocationForTesting(folder.path(), folder / "config/");
    ResetProgramState();
  }
  void TearDown() override {
    CloseWindow();
    SetSettingsLocationForTesting("", "");
  }
  void WriteSettings(const std::string& text) { WriteFile(SettingsPath(), text); }
  void OpenWindow(int x, int y, int width, int height) {
    MainWindow = CreateMainWidget(Rect{x, y, x + width, y + height}, "test", MainWindowEvents{});
  }
  void CloseWindow() {
    if (MainWindow && IsWindow(MainWindow)) DestroyMainWidget(MainWindow);
    ProcessPendingEvents();
  }
  std::vector<std::string> SavedLines() {
    std::vector<std::string> lines;
    std::string text = ReadFile(SettingsPath());
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }
  // The value a save would write for `key` (the keys the program does not use are seen only so).
  static std::string WrittenValue(const std::string& key) {
    const std::string text = SettingsText();
    size_t at = text.find("\r\n" + key + "=");
    if (at == std::string::npos) return "(absent)";
    at += key.size() + 3;
    return text.substr(at, text.find("\r\n", at) - at);
  }
  vt_test::TempFolder folder;
};

TEST(SettingsNumberText, ReadsAsTheFileMeansIt) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"72.5", 72.5}, {" \t\r\n 1900", 1900}, {"-3", -3},     {"12abc", 12},   {"abc", 0},
      {"", 0},        {"&HFFFF", 65535},      {"&hff", 255},  {"&B101", 5},    {"&O17", 15},
      {"&q17", 15},   {"&17", 15},            {"&Z1", 0},     {"1e3", 1000},   {"2.5E-1", 0.25},
      {"1e", 1},      {".5", 0.5},            {"+7", 7},      {"-", 0},        {"1d2", 100},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(ReadNumberText(c.text), c.value) << c.text;
}

TEST(SettingsNumberText, IntegersRoundHalfToEvenAndClamp) {
  EXPECT_EQ(RoundHalfEven(72.5), 72);
  EXPECT_EQ(RoundHalfEven(73.5), 74);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(0.4999), 0);
  EXPECT_EQ(RoundHalfEven(1e30), 2147483647);
  EXPECT_EQ(RoundHalfEven(-1e30), -2147483647 - 1);
}

TEST(SettingsNumberText, WritesABlankBeforeNonNegativeValuesAndNoLeadingZero) {
  EXPECT_EQ(NumberText(1900), " 1900");
  EXPECT_EQ(NumberText(-3), "-3");
  EXPECT_EQ(NumberText(0), " 0");
  EXPECT_EQ(NumberText(0.7f, 7), " .7");
  EXPECT_EQ(NumberText(-0.25, 7), "-.25");
  EXPECT_EQ(NumberText(16711680), " 16711680");
  EXPECT_EQ(NumberText(-2147483648.0), "-2147483648");
  EXPECT_EQ(NumberText(1.5, 7), " 1.5");
}

TEST_F(SettingsFile, MissingFileGivesEveryDefaultAndAMaximizedWindow) {
  PersistSettings("get");
  EXPECT_EQ(FontSize, 64);
  EXPECT_EQ(FontName, "Tahoma");
  EXPECT_EQ(EditFileName, "files\\book.txt");
  EXPECT_EQ(SearchTerm, "searchterm");
  EXPECT_EQ(TextColor, 65535);
  EXPECT_EQ(BGColor, 16711680);
  EXPECT_EQ(WrittenValue("True_TextColor"), " 16777215");
  EXPECT_EQ(DisableShortCuts, 1);
  EXPECT_EQ(CaseType, 2);
  EXPECT_EQ(SlowRate, -3);
  EXPECT_EQ(FastRate, 3);
  EXPECT_EQ(WrittenValue("AR"), " .7");
  EXPECT_EQ(UserBarDelay, 2000);
  OpenWindow(0, 0, 1920, 1080);
  ApplyWindowGeometry();
  EXPECT_EQ(PendingShowState(MainWindow), ShowState::Maximised);
  Rect work = WorkArea();
  Rect r = WindowNormalRect(MainWindow);
  EXPECT_EQ(r.right - r.left, std::min(1900, work.right - work.left));
  EXPECT_EQ(r.bottom - r.top, std::min(1000, work.bottom - work.top));
}

TEST_F(SettingsFile, ValuesAreReadByKindAndKeyCaseDoesNotMatter) {
  WriteSettings(
      "[all]\r\nfontsize=72.5\r\nBARFONTSIZE=73.5\r\nIconSize=abc\r\nTextColor=&HFFFF\r\n"
      "SearchTerm=  whale  \r\nPassWord=\"quoted\"\r\nUserBarDelay=\r\nFontSize=99\r\n");
  PersistSettings("get");
  EXPECT_EQ(FontSize, 72);  // the first of two equal keys wins
  EXPECT_EQ(BarFontSize, 74);
  EXPECT_EQ(IconSize, 0);
  EXPECT_EQ(TextColor, 65535);
  EXPECT_EQ(SearchTerm, "whale");
  EXPECT_EQ(WrittenValue("PassWord"), "quoted");
  EXPECT_EQ(UserBarDelay, 0);  // present but empty is not absent
  EXPECT_EQ(FastRate, 3);      // absent keys take their defaults
}

TEST_F(SettingsFile, KeysOutsideSectionAllAreNotRead) {
  WriteSettings("FontSize=10\r\n[Other]\r\nFontSize=20\r\n[ All ]\r\nBook=3\r\n");
  PersistSettings("get");
  EXPECT_EQ(FontSize, 64);
  EXPECT_EQ(Book, 3);
}

TEST_F(SettingsFile, TextValuesAreCutTo259Characters) {
  WriteSettings("[All]\r\nSearchTerm=" + std::string(300, 'x') + "\r\nFontName=" + std::string(258, 'y') +
                "\xF0\x9F\x98\x80\r\n");
  PersistSettings("get");
  EXPECT_EQ(SearchTerm, std::string(259, 'x'));
  EXPECT_EQ(FontName, std::string(258, 'y'));  // a character of two units does not fit in one
}

TEST_F(SettingsFile, HostileFilesReadAsDefaultsWithoutHarm) {
  std::string junk;
  junk.reserve(10u << 20);
  for (size_t i = 0; i < (10u << 20); ++i) junk += static_cast<char>((i * 7919) % 251);
  WriteSettings(junk);
  PersistSettings("get");
  EXPECT_EQ(Book, 0);

  WriteSettings(std::string("[All]\r\nFontSize=9\0 2\r\nFontName=Ta\0homa\r\n", 36));
  PersistSettings("get");
  EXPECT_EQ(FontSize, 9);
  EXPECT_EQ(FontName, "Ta");

  std::filesystem::remove(SettingsPath());
  std::filesystem::create_directory(SettingsPath());
  PersistSettings("get");
  EXPECT_EQ(FontSize, 64);
  OpenWindow(0, 0, 800, 600);
  ApplyWindowGeometry();
  EXPECT_EQ(PendingShowState(MainWindow), ShowState::Maximised);  // a folder is not a settings file
}

TEST_F(SettingsFile, SampleFileComesOutByteForByte) {
  EditFileName = "Constitution";
  OpenWindow(10, 20, 1900, 1000);
  ShowWithState(MainWindow, ShowState::Maximised);
  ProcessPendingEvents();
  PersistSettings("save");
  std::string expected =
      "[All]\r\nLeft= 10\r\nTop= 20\r\nWidth= 1900\r\nHeight= 1000\r\nSearchTerm=searchterm\r\n"
      "PassWord=\r\nFontName=Tahoma\r\nEditFileName=Constitution\r\nMinimized= 0\r\nMaximized= 1\r\n"
      "DisableShortCuts= 1\r\nREMargin= 20\r\nAR= .7\r\nCaseType= 2\r\n";
  std::string saved = ReadFile(SettingsPath());
  EXPECT_EQ(saved.substr(0, expected.size()), expected);
  EXPECT_NE(saved.find("\r\nSlowRate=-3\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\r\nFastRate= 3\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\r\nZoomed= 3\r\n"), std::string::npos);
}

TEST_F(SettingsFile, SaveWritesAll45KeysInOrderAndDropsEverythingElse) {
  WriteSettings("[All]\r\nStranger=1\r\n[Extra]\r\nKey=2\r\n");
  PersistSettings("get");
  OpenWindow(0, 0, 800, 600);
  PersistSettings("save");
  const char* order[] = {
      "Left", "Top", "Width", "Height", "SearchTerm", "PassWord", "FontName", "EditFileName", "Minimized",
      "Maximized", "DisableShortCuts", "REMargin", "AR", "CaseType", "BarFontSize", "Book", "BookMark0",
      "BookMark1", "BookMark2", "BookMark3", "BookMark4", "BookMark5", "BookMark6", "MaleVoice", "WideMenu",
      "FormatParagraph", "WideSpacing", "IconSize", "TBText", "UserBarDelay", "True_TextColor",
      "True_BGColor", "FontSize", "FontAttr", "Zoomed", "ReversePrint", "PrintWrap", "PrintFontAdjust",
      "sBeepOn", "TextColor", "BGColor", "SingleLineScroll", "vRate", "SlowRate", "FastRate"};
  std::vector<std::string> lines = SavedLines();
  ASSERT_EQ(lines.size(), 46u);
  EXPECT_EQ(lines[0], "[All]");
  for (size_t i = 0; i < 45; ++i) EXPECT_EQ(lines[i + 1].substr(0, lines[i + 1].find('=')), order[i]);
}

TEST_F(SettingsFile, RoundTripKeepsEveryValue) {
  ReadSettingsText("[All]\r\nPassWord=\"\"in quotes\"\"\r\nAR=2.5\r\n");  // kept only to be written back
  FontSize = 40;
  Book = 5;
  SearchTerm = "caf\xC3\xA9 & more";
  BookMark5 = 123456;
  OpenWindow(0, 0, 800, 600);
  PersistSettings("save");
  ResetSettingsToDefaults();
  PersistSettings("get");
  EXPECT_EQ(FontSize, 40);
  EXPECT_EQ(Book, 5);
  EXPECT_EQ(SearchTerm, "caf\xC3\xA9 & more");
  EXPECT_EQ(WrittenValue("PassWord"), "\"\"in quotes\"\"");
  EXPECT_EQ(BookMark5, 123456);
  EXPECT_EQ(WrittenValue("AR"), " 2.5");
}

TEST_F(SettingsFile, HandEditedValuesOutOfRangeAreClamped) {
  struct Case {
    const char* line;
    int32_t fontSize, book;
  } cases[] = {{"FontSize=0", 8, 0},      {"FontSize=-40", 8, 0},   {"FontSize=7", 8, 0},
               {"FontSize=8", 8, 0},      {"FontSize=400", 400, 0}, {"FontSize=99999", 400, 0},
               {"Book=6", 64, 6},         {"Book=7", 64, 0},        {"Book=-1", 64, 0}};
  for (const Case& c : cases) {
    WriteSettings(std::string("[All]\r\n") + c.line + "\r\n");
    PersistSettings("get");
    EXPECT_EQ(FontSize, c.fontSize) << c.line;
    EXPECT_EQ(Book, c.book) << c.line;
  }
}

TEST_F(SettingsFile, ALineBreakInsideATextValueCannotForgeKeys) {
  EditFileName = "Title\nFontSize=1\r\nBook=5";
  OpenWindow(0, 0, 800, 600);
  PersistSettings("save");
  EXPECT_EQ(SavedLines().size(), 46u);
  ResetSettingsToDefaults();
  PersistSettings("get");
  EXPECT_EQ(EditFileName, "Title FontSize=1  Book=5");
  EXPECT_EQ(FontSize, 64);
  EXPECT_EQ(Book, 0);
}

TEST_F(SettingsFile, SaveWhileMinimizedKeepsTheRestoredSize) {
  OpenWindow(30, 40, 700, 500);
  ShowWithState(MainWindow, ShowState::Normal);
  ProcessPendingEvents();
  ShowWithState(MainWindow, ShowState::Minimised);
  ProcessPendingEvents();
  PersistSettings("save");
  std::string saved = ReadFile(SettingsPath());
  EXPECT_NE(saved.find("\r\nMinimized= 1\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\r\nWidth= 700\r\nHeight= 500\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\r\nZoomed= 2\r\n"), std::string::npos);
}

TEST_F(SettingsFile, StoredGeometryPlacesTheWindowWithinTheWorkArea) {
  WriteSettings("[All]\r\nWidth=5000\r\nHeight=500\r\nLeft=15\r\nTop=25\r\nZoomed=3\r\n");
  PersistSettings("get");
  OpenWindow(0, 0, 1920, 1080);
  ApplyWindowGeometry();
  Rect work = WorkArea();
  Rect r = WindowNormalRect(MainWindow);
  EXPECT_EQ(r.right - r.left, work.right - work.left);
  EXPECT_EQ(r.bottom - r.top, 500);
  EXPECT_EQ(r.left, 15);
  EXPECT_EQ(r.top, 25);
  EXPECT_EQ(PendingShowState(MainWindow), ShowState::Normal);  // "Zoomed" is never read
}

TEST_F(SettingsFile, UnusableStoredGeometryStartsAUsableWindowOnTheScreen) {
  Rect work = WorkArea();
  struct Case {
    const char* geometry;
    bool maximized;  // nothing usable stored: as on a first start
    int left, top;   // else the place the window gets
  } cases[] = {
      {"Width=0\r\nHeight=0", true, work.left, work.top},
      {"Width=-800\r\nHeight=-600\r\nLeft=100", true, work.left, work.top},
      {"Width=639\r\nHeight=700", true, work.left, work.top},
      {"Width=700\r\nHeight=399", true, work.left, work.top},
      {"Width=700\r\nHeight=500\r\nLeft=30000\r\nTop=20", false, work.right - 700, 20},
      {"Width=700\r\nHeight=500\r\nLeft=10\r\nTop=-30000", false, 10, work.top},
  };
  for (const Case& c : cases) {
    WriteSettings(std::string("[All]\r\n") + c.geometry + "\r\n");
    PersistSettings("get");
    OpenWindow(0, 0, 1920, 1080);
    ApplyWindowGeometry();
    Rect r = WindowNormalRect(MainWindow);
    EXPECT_EQ(PendingShowState(MainWindow) == ShowState::Maximised, c.maximized) << c.geometry;
    EXPECT_GE(r.right - r.left, std::min(640, work.right - work.left)) << c.geometry;
    EXPECT_GE(r.bottom - r.top, std::min(400, work.bottom - work.top)) << c.geometry;
    EXPECT_EQ(r.left, c.left) << c.geometry;
    EXPECT_EQ(r.top, c.top) << c.geometry;
    CloseWindow();
  }
  // Mostly on the screen: the place is kept.
  WriteSettings("[All]\r\nWidth=700\r\nHeight=500\r\nTop=40\r\nLeft=" + std::to_string(work.right - 660) + "\r\n");
  PersistSettings("get");
  OpenWindow(0, 0, 1920, 1080);
  ApplyWindowGeometry();
  EXPECT_EQ(WindowNormalRect(MainWindow).left, work.right - 660);
}

// A new file left by an interrupted save is removed at the next start; a save that cannot be
// written keeps the old file and tells the reader.
TEST_F(SettingsFile, LeftOversAreRemovedAndAFailedSaveSaysSo) {
  WriteSettings("[All]\r\nFontSize=50\r\n");
  WriteFile(SettingsPath() + ".new", "[All]\r\nFontSize=9\r\n");
  PersistSettings("get");
  EXPECT_EQ(FontSize, 50);
  EXPECT_FALSE(std::filesystem::exists(SettingsPath() + ".new"));

  std::filesystem::create_directory(SettingsPath() + ".new");  // the new file cannot be written
  FontSize = 60;
  PersistSettings("save");
  EXPECT_EQ(ReadFile(SettingsPath()), "[All]\r\nFontSize=50\r\n");
  EXPECT_EQ(LastBarMessage(), "Settings could not be saved!");
}

TEST_F(SettingsFile, AnUnwritableProgramFolderUsesTheUserConfigFolder) {
  SetSettingsLocationForTesting("/proc/", folder / "config/");
  EXPECT_EQ(SettingsPath(), folder / "config/" + ProgramBaseName() + ".ini");
  FontSize = 80;
  PersistSettings("save");
  ResetSettingsToDefaults();
  PersistSettings("get");
  EXPECT_EQ(FontSize, 80);
}

TEST_F(SettingsFile, AnInterruptedSaveLeavesTheOldFileIntact) {
  FontSize = 50;
  PersistSettings("save");
  std::string before = ReadFile(SettingsPath());
  FontSize = 90;
  std::string temporary = WriteSettingsTemporary();  // the save stops before the rename
  ASSERT_FALSE(temporary.empty());
  EXPECT_EQ(ReadFile(SettingsPath()), before);
  EXPECT_TRUE(CommitSettingsTemporary(temporary));
  EXPECT_NE(ReadFile(SettingsPath()).find("FontSize= 90"), std::string::npos);
  EXPECT_FALSE(IsRegularFile(temporary));
}

TEST_F(SettingsFile, OtherActionsDoNothing) {
  PersistSettings("Save");
  PersistSettings("GET");
  EXPECT_FALSE(IsRegularFile(SettingsPath()));
}

}  // namespace
