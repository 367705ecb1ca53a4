// The pane operations the reader builds on, through the platform's pane alone, so that every back
// end is held to them: text in and out, finding within a range, selections and underline marks.
#include <chrono>
#include <optional>
#include <thread>

#include "platform/files.h"
#include "tests/reader/pane_fixture.h"

namespace vt::testing {
namespace {

using PaneOperations = PaneTest;

TEST_F(PaneOperations, TextComesBackAsItWentIn) {
  const struct {
    bool rich;
    std::string in, shown;
  } cases[] = {
      {false, "one\r\ntwo\rthree\nfour", "one\r\ntwo\r\nthree\r\nfour"},
      {false, "caf\xC3\xA9 na\xC3\xAFve", "caf\xC3\xA9 na\xC3\xAFve"},
      {true, "{\\rtf1\\expndtw360\\expnd72 caf\xC3\xA9\\par \\{x\\}\\expnd0\\expndtw0}", "caf\xC3\xA9\r\n{x}"},
  };
  for (const auto& c : cases) {
    if (c.rich)
      PaneStreamInRtf(PaneWindow, c.in);
    else
      PaneSetPlainText(PaneWindow, c.in);
    EXPECT_EQ(Shown(), c.shown) << c.in;
    int start = -1, end = -1;
    PaneGetSelection(PaneWindow, start, end);
    EXPECT_EQ(start, 0) << "a new text starts with the caret at its start";
    EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 0);
  }
}

TEST_F(PaneOperations, FindsWithoutCaseWithinTheRangeEitherWay) {
  PaneSetPlainText(PaneWindow, "Tea and tea\r\nand TEA");
  const struct {
    int from, to;
    bool down;
    int found;
  } cases[] = {{0, -1, true, 0}, {1, -1, true, 8}, {1, 10, true, -1}, {19, 0, false, 16},
               {15, 0, false, 8}, {15, 9, false, -1}};
  for (const auto& c : cases) {
    int start = -1, end = -1;
    EXPECT_EQ(PaneFindText(PaneWindow, "tea", c.from, c.to, c.down, start, end), c.found)
        << c.from << " to " << c.to << (c.down ? " down" : " up");
    EXPECT_EQ(end, c.found >= 0 ? c.found + 3 : -1);
  }
}

// A long search answers as a quick one does, at once or later on the user-interface thread; one
// still under way stops when told to or when a new text comes, and says so.
TEST_F(PaneOperations, ALongSearchAnswersLaterOrSaysItStopped) {
  std::string book = "Tea";
  for (int i = 0; i < 120000; ++i) book += "\r\n" + std::string(70, 'a');
  PaneSetPlainText(PaneWindow, book);
  enum class Then { Wait, Stop, NewText };
  for (Then then : {Then::Wait, Then::Stop, Then::NewText}) {
    std::optional<PaneFound> answer;
    const int end = PaneTextLength(PaneWindow);
    const bool atOnce = PaneFindTextLater(PaneWindow, "tea", end, 0, false, 0, [&](PaneFound found) { answer = found; });
    EXPECT_EQ(atOnce, answer.has_value());
    EXPECT_EQ(PaneFinding(PaneWindow), !atOnce);
    if (!atOnce && then == Then::Stop) PaneStopFinding(PaneWindow);
    if (!atOnce && then == Then::NewText) PaneSetPlainText(PaneWindow, book);
    for (int waited = 0; !answer && waited < 20000; ++waited) {
      ProcessPendingEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(answer.has_value());
    const bool stopped = !atOnce && then != Then::Wait;
    EXPECT_EQ(answer->stopped, stopped);
    EXPECT_EQ(answer->start, stopped ? -1 : 0);
    EXPECT_EQ(answer->end, stopped ? -1 : 3);
    EXPECT_FALSE(PaneFinding(PaneWindow));
  }
}

// A text shown in a letter case is the text that ChangeLetterCase makes, whatever was shown before:
// another text, the same in other letters (written over the letters shown), or one kept aside.
TEST_F(PaneOperations, ShowsATextInEitherCaseAsItsCasedCopy) {
  // accents, letters whose other case is another letter's (µ, long s, Kelvin), sharp s, three-byte
  // letters (the euro sign, a full-width A) and letters beyond U+FFFF
  const std::string sample = "Caf\xC3\xA9 \xC2\xB5 \xC5\xBF \xE2\x84\xAA Stra\xC3\x9F" "e \xE2\x82\xAC\xEF\xBC\xA1\xE0\xA4\x85"
                             "\r\n\xF0\x90\x90\x80 \xF0\x90\x90\xA8 End";
  // texts longer than the pieces the pane compares at a time; the second has a line end moved far in
  std::string longTail;
  for (int i = 1; i < 3000; ++i) longTail += i % 700 == 0 ? "\r\n" : "\xC3\xA9t\xC3\xA9 ";
  std::string moved = longTail;
  moved.replace(moved.find("\r\n"), 2, "  ");
  moved.replace(moved.find(" ", 5000), 1, "\r\n");
  for (const std::string& text : {sample, sample + "\r\n" + longTail + "\r\nend", sample + "\r\n" + moved + "\r\nend"}) {
    auto cased = [&](PaneLetters letters) {
      std::string copy = text;
      if (letters != PaneLetters::AsWritten) ChangeLetterCase(copy, letters == PaneLetters::Capitals);
      return copy;
    };
    for (bool aside : {false, true})
      for (PaneLetters letters : {PaneLetters::AsWritten, PaneLetters::Capitals, PaneLetters::Small,
                                  PaneLetters::AsWritten, PaneLetters::Small, PaneLetters::Capitals}) {
        if (aside) {
          PaneKeepTextAside(PaneWindow);
          PaneSetPlainText(PaneWindow, "A list\r\nof keys");
        }
        PaneSetPlainTextInCase(PaneWindow, text, 0, letters);
        EXPECT_EQ(Shown(), cased(letters)) << static_cast<int>(letters) << (aside ? " after a text kept aside" : "") << " "
                                           << text.size();
      }
  }
  // a book large enough to be compared in two halves at once
  std::string book;
  while (book.size() < (9u << 20)) book += sample + "\r\n";
  for (PaneLetters letters : {PaneLetters::AsWritten, PaneLetters::Capitals, PaneLetters::Small}) {
    PaneSetPlainTextInCase(PaneWindow, book, 0, letters);
    std::string cased = book;
    if (letters != PaneLetters::AsWritten) ChangeLetterCase(cased, letters == PaneLetters::Capitals);
    EXPECT_TRUE(Shown() == cased) << static_cast<int>(letters);
  }
}

TEST_F(PaneOperations, MarksUnderlineRangesWithoutMovingTheSelection) {
  PaneSetPlainText(PaneWindow, "one two three four");
  PaneSetSelection(PaneWindow, 4, 7);
  PaneSetRangeUnderline(PaneWindow, 8, 13, true);
  EXPECT_TRUE(PaneRangeUnderlined(PaneWindow, 8, 13));
  EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 0, 3));
  PaneSetRangeUnderline(PaneWindow, 8, 10, false);
  EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 8, 13));
  EXPECT_TRUE(PaneRangeUnderlined(PaneWindow, 10, 13));
  PaneClearUnderline(PaneWindow);
  EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 10, 13));
  int start = -1, end = -1;
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_EQ(start, 4);
  EXPECT_EQ(end, 7);
}

}  // namespace
}  // namespace vt::testing
