// Reading aloud through the main window: Play, the word marks, Stop, the rate cycle and the limits,
// with the real engine speaking into a private sound server.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/bar_messages.h"
#include "platform/bar.h"
#include "platform/testing.h"
#include "reader/navigation.h"
#include "private_sound_server.h"
#include "reader_window.h"

namespace vt {
namespace {

using Marks = std::vector<std::pair<int, int>>;
using speechtest::MarksUntilIdle;
using speechtest::RunFor;
using speechtest::RunUntil;

TEST(ReadingText, KeepsTheLettersAndMapsBackToPanePositions) {
  struct Case {
    std::string pane;
    int start;
    std::string spoken;
    std::vector<std::pair<int, int>> wordsAndPanePositions;  // spoken byte -> pane position from the start
  };
  const Case cases[] = {
      {"one\r\ntwo", 0, "one\rtwo", {{4, 4}}},                          // the line feed goes, CR stays
      {"a\tb\fc\x7f" "d\x01" "e", 0, "a\tb\fcde", {{5, 6}, {6, 8}}},   // controls and DEL go
      {"caf\xC3\xA9 au lait", 5, "au lait", {{3, 3}}},                    // é is one position
      {"\xE2\x80\x9CIt\xE2\x80\x99s\xE2\x80\x9D go", 0, "\xE2\x80\x9CIt\xE2\x80\x99s\xE2\x80\x9D go", {{3, 1}, {13, 7}}},
      {"\xF0\x9D\x92\x9C x", 0, "\xF0\x9D\x92\x9C x", {{5, 3}}},        // outside the BMP: two positions
      {"\xF0\x9D\x92\x9C x", 3, "x", {{0, 0}}},
      {"short", 5, "", {}},
      {"short", 99, "", {}},
      {"short", -1, "", {}},
  };
  for (const Case& c : cases) {
    ReadingMap map;
    EXPECT_EQ(ReadingText(c.pane, c.start, &map), c.spoken) << c.pane;
    for (auto [byte, position] : c.wordsAndPanePositions) EXPECT_EQ(PanePositionOf(map, byte), position) << c.pane;
  }
  std::string longText(MaxReadingLength + 500, 'x');
  longText[10] = '\x01';  // a dropped character before the start
  EXPECT_EQ(ReadingText(longText, 20).size(), MaxReadingLength);
}

using ReadingAloud = speechtest::ReaderTest;

TEST_F(ReadingAloud, PlayMarksEachWordInOrderAndEndsIdle) {
  OpenReader("The quick brown fox jumps.");
  RunCommand(CmdPlay);
  EXPECT_EQ(IsSpeaking, 1);
  EXPECT_EQ(SpokenText, "The quick brown fox jumps.");
  Marks marks = MarksUntilIdle();
  Marks expected = {{0, 3}, {4, 5}, {10, 5}, {16, 3}, {20, 5}};
  EXPECT_EQ(marks, expected);
  EXPECT_EQ(IsSpeaking, 0);
}

TEST_F(ReadingAloud, AccentsQuotesAndCharactersOutsideTheBmpNeverShiftAMark) {
  // pane positions count UTF-16 units: the script A before "Señor" takes two
  OpenReader("The caf\xC3\xA9 was na\xC3\xAFve. \xF0\x9D\x92\x9C \xE2\x80\x9CSe\xC3\xB1or\xE2\x80\x9D Zo\xC3\xAB ate cr\xC3\xA8me br\xC3\xBBl\xC3\xA9" "e.");
  RunCommand(CmdPlay);
  Marks marks = MarksUntilIdle();
  for (std::pair<int, int> word : Marks{{13, 5}, {24, 5}, {31, 3}, {45, 6}})  // naïve, Señor without its quotes, Zoë, brûlée
    EXPECT_NE(std::find(marks.begin(), marks.end(), word), marks.end()) << word.first;
  EXPECT_EQ(marks.front(), std::make_pair(0, 3));
  EXPECT_EQ(marks.back(), std::make_pair(45, 6));
}

TEST_F(ReadingAloud, StopSilencesAndLaterWordsMarkNothing) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "another sentence to read. ";
  OpenReader(text);
  RunCommand(CmdPlay);
  ASSERT_TRUE(RunUntil([] { return UnderlineLength > 0 && UnderlineStart > 10; }));
  RunCommand(CmdStop);
  EXPECT_EQ(IsSpeaking, 0);
  EXPECT_EQ(SpokenText, "");
  std::pair<int, int> lastMark{UnderlineStart, UnderlineLength};
  RunFor(0.8);
  EXPECT_EQ(std::make_pair(UnderlineStart, UnderlineLength), lastMark);
  EXPECT_EQ(IsSpeaking, 0);
}

TEST_F(ReadingAloud, StopWhileIdleLeavesTheCaret) {
  OpenReader("Nothing is being read.");
  PaneSetSelection(PaneWindow, 8, 8);
  RunCommand(CmdStop);
  RunFor(0.2);  // a stop of the voice would end a reading and move the caret
  int start = -1, end = -1;
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_EQ(start, 8);
  EXPECT_EQ(IsSpeaking, 0);
}

TEST_F(ReadingAloud, AReadingTakesAtMostAMillionCharacters) {
  std::string text;
  while (text.size() < MaxReadingLength + 20000) text += "Words upon words. ";
  OpenReader(text);
  RunCommand(CmdPlay);
  EXPECT_EQ(SpokenText.size(), MaxReadingLength);
  EXPECT_EQ(SpokenText, text.substr(0, MaxReadingLength));
  ASSERT_TRUE(RunUntil([] { return UnderlineLength > 0; })) << "a long reading starts at once";
  RunCommand(CmdStop);
}

TEST_F(ReadingAloud, EmptyTextEndsAtOnce) {
  OpenReader("");
  RunCommand(CmdPlay);
  EXPECT_TRUE(RunUntil([] { return IsSpeaking == 0; }, 2));
}

TEST_F(ReadingAloud, RateCycleStepsThroughTheThreeRates) {
  OpenReader("");
  struct Step {
    int from, to;
  };
  const Step steps[] = {{-3, 0}, {0, 3}, {3, -3}, {7, 7}, {-1, -1}};
  for (const Step& step : steps) {
    vRate = step.from;
    CycleSpeechRate();
    EXPECT_EQ(vRate, step.to) << "from " << step.from;
    EXPECT_EQ(SpeechRate(), step.to);
  }
}

TEST_F(ReadingAloud, RateAnnouncementOnlyWhenIdleAndItMarksNothing) {
  OpenReader("Some words in the pane.");
  vRate = 0;
  PaneSetSelection(PaneWindow, 5, 5);
  size_t from = testsound::RecordedSamples();
  CycleSpeechRate();  // announced, and heard before the call returns
  EXPECT_EQ(vRate, 3);
  EXPECT_EQ(SpokenText, "Fast speech is on!");
  EXPECT_GT(testsound::RecordedSamples() - from, static_cast<size_t>(testsound::kRecordRate / 2));
  RunFor(0.3);
  EXPECT_EQ(UnderlineStart, 0);
  EXPECT_EQ(UnderlineLength, 0);
  int start = -1, end = -1;
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_EQ(start, 5) << "the announcement moved the caret";
  PaneSetSelection(PaneWindow, 0, 0);

  // While reading: no announcement, the reading goes on at the new rate.
  RunCommand(CmdPlay);
  ASSERT_TRUE(RunUntil([] { return UnderlineLength > 0; }));
  CycleSpeechRate();
  EXPECT_EQ(vRate, -3);
  EXPECT_EQ(SpokenText, "Some words in the pane.");
  EXPECT_EQ(IsSpeaking, 1);
  Marks rest = MarksUntilIdle();
  ASSERT_FALSE(rest.empty());
  EXPECT_EQ(rest.back(), std::make_pair(18, 4));

  // A rate of none of the three changes nothing and says nothing.
  vRate = 7;
  CycleSpeechRate();
  EXPECT_EQ(SpokenText, "Some words in the pane.");
}

TEST_F(ReadingAloud, TheFirstReadingAppliesTheChosenVoiceAndRate) {
  OpenReader("Hello.", "MaleVoice=0\r\nvRate=-3\r\n");
  EXPECT_EQ(SpeechStarted, 0);  // the window shows without waiting for the engine
  RunCommand(CmdPlay);
  MarksUntilIdle();
  EXPECT_EQ(SpeechVoiceName(), "en-us+f3");
  EXPECT_EQ(SpeechRate(), -3);
  MaleVoice = 1;
  vRate = 0;
  InitSpeech();
  EXPECT_EQ(SpeechVoiceName(), "en-us+m3");
  EXPECT_EQ(SpeechRate(), 0);
}

// A long text with the caret on a word in the middle of the screen, the view well into it.
static std::string ScrolledLongText() {
  std::string text;
  for (int i = 0; i < 600; ++i) text += "Line " + std::to_string(i) + " of words to read aloud.\r\n";
  return text;
}

static int CaretStart() {
  int start = -1, end = -1;
  PaneGetSelection(PaneWindow, start, end);
  return start;
}

static bool BarShows(int command) {
  for (int i = 0; i < BarButtonCount(BarWindow); ++i)
    if (BarButtonAt(BarWindow, i).command == command) return true;
  return false;
}

TEST_F(ReadingAloud, WithoutASoundServerPlayLeavesTheViewAndTheCaretAndSaysSo) {
  OpenReader(ScrolledLongText());
  PaneLineScroll(PaneWindow, 200);
  int top = TopVisibleCharIndex(), caret = PaneCharAtScreenRow(PaneWindow, 2) + 3;
  PaneSetSelection(PaneWindow, caret, caret);
  testsound::StopPrivateSoundServer();
  RunCommand(CmdPlay);
  EXPECT_TRUE(RunUntil([] { return IsSpeaking == 0; }, 5));
  EXPECT_EQ(TopVisibleCharIndex(), top);
  EXPECT_EQ(CaretStart(), caret);
  EXPECT_EQ(LastBarMessage(), NoSoundOutputNotice);  // the engine's voices are there
  EXPECT_TRUE(BarShows(CmdPlay));
  std::string why;
  ASSERT_TRUE(testsound::StartPrivateSoundServer(&why)) << why;
}

TEST_F(ReadingAloud, LosingTheSoundServerShowsPlayAndTheNoSoundNotice) {
  std::string text;
  while (text.size() < 20000) text += "A long reading that nobody will finish. ";
  OpenReader(text);
  RunCommand(CmdPlay);
  ASSERT_TRUE(RunUntil([] { return UnderlineStart > 0; }, 10));
  testsound::KillPrivateSoundServer();
  EXPECT_TRUE(RunUntil([] { return IsSpeaking == 0; }, 1));
  EXPECT_TRUE(RunUntil([] { return LastBarMessage() == NoSoundOutputNotice; }, 1));
  testsound::StopPrivateSoundServer();
  std::string why;
  ASSERT_TRUE(testsound::StartPrivateSoundServer(&why)) << why;
}

TEST_F(ReadingAloud, WithTheCaretOffScreenPlayStartsAtTheFirstWordOnScreen) {
  OpenReader(ScrolledLongText());
  PaneLineScroll(PaneWindow, 200);  // the caret stays at the start, far above
  int top = TopVisibleCharIndex();
  RunCommand(CmdPlay);
  EXPECT_EQ(SpeakStart, top);
  EXPECT_EQ(TopVisibleCharIndex(), top);
  RunCommand(CmdStop);
}

TEST_F(ReadingAloud, ReplacingThePanesTextStopsTheReadingAndItsMarks) {
  const int commands[] = {CmdBooks, CmdCase, CmdFormatParagraph, CmdWideSpacing, CmdExit};
  for (int command : commands) {
    OpenReader(ScrolledLongText());
    RunCommand(CmdPlay);
    ASSERT_TRUE(RunUntil([] { return UnderlineStart > 10; }));
    if (command == CmdExit)
      EventsOfMainWindow(MainWindow).barRightClick(CmdExit);  // the shortcut list
    else
      RunCommand(command);
    EXPECT_EQ(IsSpeaking, 0) << command;
    EXPECT_TRUE(BarShows(CmdPlay)) << command;
    int caret = CaretStart();
    std::pair<int, int> lastMark{UnderlineStart, UnderlineLength};
    RunFor(0.5);
    EXPECT_EQ(std::make_pair(UnderlineStart, UnderlineLength), lastMark) << command;
    EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 0, PaneTextLength(PaneWindow))) << command;
    EXPECT_EQ(CaretStart(), caret) << command;  // the end of the stopped reading leaves the caret
    EndMainWindow();
    ProcessPendingEvents();
  }
}

// ---- the marks and the caret in the pane itself ----

TEST_F(ReadingAloud, WordsStayUnderlinedUntilTheEndThenTheCaretIsBehindTheLast) {
  OpenReader("The quick brown fox jumps.");
  RunCommand(CmdPlay);
  ASSERT_TRUE(RunUntil([] { return UnderlineStart == 10; }));
  EXPECT_TRUE(PaneRangeUnderlined(PaneWindow, 0, 3));
  EXPECT_TRUE(PaneRangeUnderlined(PaneWindow, 4, 9));
  int start = -1, end = -1;
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_EQ(start, 10);
  EXPECT_EQ(end, 15);
  ASSERT_TRUE(RunUntil([] { return IsSpeaking == 0; }));
  EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 0, 3));
  EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 20, 25));
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_EQ(start, 25);
  EXPECT_EQ(end, 25);
  EXPECT_TRUE(PaneHasFocus(PaneWindow));
}

TEST_F(ReadingAloud, ACaretInsideAWordStartsAtItsFirstCharacter) {
  OpenReader("alpha beta gamma");
  PaneSetSelection(PaneWindow, 8, 8);  // inside "beta"
  RunCommand(CmdPlay);
  EXPECT_EQ(SpeakStart, 6);
  EXPECT_EQ(SpokenText, "beta gamma");
  Marks marks = MarksUntilIdle();
  Marks expected = {{6, 4}, {11, 5}};
  EXPECT_EQ(marks, expected);
}

TEST_F(ReadingAloud, AccentedCharactersBeforeTheCaretNeverMoveTheStart) {
  OpenReader("\xC3\xA9\xC3\xA9 alpha beta gamma");
  PaneSetSelection(PaneWindow, 4, 4);  // in "alpha"
  RunCommand(CmdPlay);
  EXPECT_EQ(SpeakStart, 3);
  EXPECT_EQ(SpokenText, "alpha beta gamma");
  StopSpeaking();
}

TEST_F(ReadingAloud, StopLeavesTheMarksUntilItsEndEventClearsThem) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "another sentence to read. ";
  OpenReader(text);
  RunCommand(CmdPlay);
  ASSERT_TRUE(RunUntil([] { return UnderlineStart > 10; }));
  int behind = UnderlineStart + UnderlineLength;
  RunCommand(CmdStop);
  RunFor(0.3);
  EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 0, behind));
  int start = -1, end = -1;
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_EQ(start, behind);
  EXPECT_EQ(end, behind);
}


// The view follows the voice without the engine: each word of the first pages is reported as heard.
class ReadingView : public vt_test::MainWindowTest {};

TEST_F(ReadingView, SpokenWordStaysInTheUpperHalfAndEachRowMovesTheViewAtMostOnce) {
  Start("Book=0\r\n");
  PaneSetGeometry(PaneWindow, 5, BarHeight, 1200, 900);
  SpokenPane = PaneWindow;
  SpokenText = "the reading";
  SpeakStart = 0;
  int scrolls = 0, lastScrolledRow = -1;
  int rows = 0;
  for (int start = 0; start < 6000; start = PaneMoveWordRight(PaneWindow, start)) {
    int top = PaneFirstVisibleLine(PaneWindow);
    MarkSpokenWord(SpokenWord{start, PaneMoveWordRight(PaneWindow, start) - start, 0});
    int line = PaneLineFromChar(PaneWindow, start);
    int x = 0, y = 0;
    ASSERT_TRUE(PanePosFromChar(PaneWindow, start, x, y));
    EXPECT_GE(y, 0) << start;
    EXPECT_LT(y, PaneHeight(PaneWindow) / 2) << start;
    if (PaneFirstVisibleLine(PaneWindow) != top) {
      ++scrolls;
      EXPECT_NE(line, lastScrolledRow) << "a second move on one row, at " << start;
      EXPECT_EQ(line - PaneFirstVisibleLine(PaneWindow), 1) << start;
      lastScrolledRow = line;
    }
    rows = line;
  }
  EXPECT_GT(scrolls, 3);
  EXPECT_LT(scrolls, rows);
}

}  // namespace
}  // namespace vt
