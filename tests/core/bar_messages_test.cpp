// Bar messages: the label in the bar's place, its font and text, the wait, button names, and
// messages that overlap.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QWidget>

#include <thread>

#include "platform/testing.h"
#include "bar/bar_test_window.h"

namespace vt::testing {
namespace {

// The notice's label is checked as Qt draws it, on Linux.
QWidget* MainQWidget() { return reinterpret_cast<QWidget*>(MainWindow); }

class BarMessage : public BarWindowTest {
 protected:
  // The label now standing in the bar's place, or null.
  static QLabel* Label() {
    QLabel* found = nullptr;
    for (QLabel* label : MainQWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
      if (!label->isHidden()) {
        EXPECT_EQ(found, nullptr) << "more than one label";
        found = label;
      }
    return found;
  }
  static Rect Of(const QLabel* label) {
    QRect r = label->geometry();
    return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  }
  static void ExpectBarBack() {
    EXPECT_EQ(Label(), nullptr);
    EXPECT_FALSE(BarMessageShown());
    EXPECT_TRUE(BarIsVisible(BarWindow));
  }
};

bool SameRect(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A notice's type shrinks until the whole text fits the width, down to the labels' size, then wraps.
TEST_F(BarMessage, NoticeTypeShrinksToFitThenWraps) {
  const int largest = FontPixelHeight(ScaledFontSize(BarFontSize));
  for (int width : {1024, 1280, 1900})
    for (const std::string& text : {std::string("Page: 1 of 298"), std::string(" Page: 23,283 of 29,001"),
                                    std::string("Paragraph Formating : OFF"), std::string("Male Vs Female Voice"),
                                    std::string(60, 'W')}) {
      bool wrap = false;
      FontRequest font = NoticeFont(text, width, wrap);
      std::string where = text + " at " + std::to_string(width);
      EXPECT_LE(font.pixelHeight, largest) << where;
      EXPECT_GE(font.pixelHeight, BarFont.pixelHeight) << where;
      EXPECT_EQ(wrap, TextPixelWidth(font, text) > width - 48) << where;  // 24 px kept free each side
      EXPECT_TRUE(wrap || font.pixelHeight == largest || TextPixelWidth({font.face, font.pixelHeight + 1, font.bold}, text) > width - 48)
          << where << ": the largest type that fits";
    }
  bool wrap = false;
  EXPECT_EQ(NoticeFont("Page: 1 of 298", 1024, wrap).pixelHeight < largest, true);  // cut at 1024 before
  EXPECT_FALSE(wrap);
}

TEST_F(BarMessage, LabelCoversExactlyTheBarInItsPlace) {
  Rect bar = BarWindowRect(BarWindow);
  ShowBarMessage(std::string(400, 'W'), 0);  // far too long: wrapped and clipped, never resized
  ASSERT_NE(Label(), nullptr);
  EXPECT_TRUE(SameRect(Of(Label()), bar));
  EXPECT_TRUE(Label()->wordWrap());
  ShowBarMessage("Updating ... ", 0);
  QLabel* label = Label();
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(SameRect(Of(label), bar));
  EXPECT_EQ(label->text().toStdString(), "Updating ... ");
  EXPECT_EQ(label->textFormat(), Qt::PlainText);
  EXPECT_EQ(label->alignment(), Qt::AlignCenter);
  EXPECT_EQ(label->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::black));
  EXPECT_NE(label->frameShape(), QFrame::NoFrame);
  EXPECT_FALSE(BarIsVisible(BarWindow));
  EXPECT_EQ(LastBarMessage(), "Updating ... ");
}

TEST_F(BarMessage, FontIsTheReadingFaceBoldAtTheScaledBarFontSize) {
  FontName = "Courier New";
  BarFontSize = 48;
  ShowBarMessage("Small Font ON", 0);
  ASSERT_NE(Label(), nullptr);
  QFont font = Label()->font();
  EXPECT_EQ(font.family().toStdString(), "Courier New");
  EXPECT_TRUE(font.bold());
  EXPECT_EQ(font.pixelSize(), FontPixelHeight(ScaledFontSize(48)));
  BarFontSize = 0;  // an edited file: still a usable font
  ShowBarMessage("x", 0);
  EXPECT_GE(Label()->font().pixelSize(), 1);
}

TEST_F(BarMessage, AutoClosingMessageReturnsWithTheBarBack) {
  ShowBarMessage("No match found!", 1);
  ExpectBarBack();
  EXPECT_EQ(LastBarMessage(), "No match found!");
  UserBarDelay = -5;  // an edited file: no wait at all
  ShowBarMessage("Page", 1);
  ExpectBarBack();
}

TEST_F(BarMessage, BlockingWaitRunsNothingElseInBetween) {
  UserBarDelay = 40;
  bool otherWorkRan = false, speechReportRan = false;
  RunLater(0, [&otherWorkRan] { otherWorkRan = true; });
  // The way the voice reports a word: a call queued on the application.
  QMetaObject::invokeMethod(qApp, [&speechReportRan] { speechReportRan = true; }, Qt::QueuedConnection);
  QElapsedTimer clock;
  clock.start();
  ShowBarMessage(" Page: 3 of 9", 1);
  EXPECT_GE(clock.elapsed(), 40);
  EXPECT_FALSE(otherWorkRan);
  EXPECT_FALSE(speechReportRan);
  ExpectBarBack();
  ProcessPendingEvents();
  EXPECT_TRUE(otherWorkRan);
  EXPECT_TRUE(speechReportRan);
}

TEST_F(BarMessage, ANoticeBeforeTheWindowIsShownDoesNotKeepItFromAppearing) {
  ShowWithState(MainWindow, ShowState::Normal);
  DestroyMainWidget(MainWindow);
  MainWindow = CreateMainWidget(Rect{0, 0, 1920, 1080}, MainWindowTitle(), RecordingEvents());
  BuildIconBar();
  UserBarDelay = 5000;
  QElapsedTimer clock;
  clock.start();
  ShowBarMessage("Loading Bible ...", 1);
  EXPECT_LT(clock.elapsed(), 4000);
  EXPECT_EQ(LastBarMessage(), "Loading Bible ...");
  ExpectBarBack();
}

TEST_F(BarMessage, CloseBarMessageShowsItsTextThenBringsTheBarBack) {
  ShowBarMessage("Updating ... ", 0);
  QElapsedTimer clock;
  clock.start();
  CloseBarMessage("");
  EXPECT_GE(clock.elapsed(), 1000);
  EXPECT_EQ(LastBarMessage(), "");
  ExpectBarBack();
}

TEST_F(BarMessage, RebuildDuringAMessageKeepsTheNewBarHiddenUntilTheEnd) {
  ShowBarMessage("Loading ...", 0);
  RunCommand(CmdWideMenu);
  EXPECT_FALSE(BarIsVisible(BarWindow));
  ASSERT_NE(Label(), nullptr);
  ShowBarMessage("Single Line Scroll On", 1);
  ExpectBarBack();
  EXPECT_EQ(BarButtonCount(BarWindow), 10);
}

TEST_F(BarMessage, MessageFromAWorkerThreadIsShownByTheInterfaceThread) {
  std::thread worker([] { ShowBarMessage("Update failed!", 0); });
  worker.join();
  ProcessPendingEvents();
  ASSERT_NE(Label(), nullptr);
  EXPECT_EQ(Label()->text().toStdString(), "Update failed!");
  ShowBarMessage("", 1);
  ExpectBarBack();
}

TEST_F(BarMessage, LabelIsOnTheScreenBeforeTheCallReturns) {
  InitialiseAndShow(MainWindow);
  ProcessPendingEvents();
  Rect bar = BarWindowRect(BarWindow);
  auto screenAt = [](int x, int y) {
    return QGuiApplication::primaryScreen()->grabWindow(MainQWidget()->winId()).toImage().pixelColor(x, y);
  };
  QColor before = screenAt(BarRightEdge() + 20, bar.bottom / 2);
  ASSERT_NE(before, QColor(Qt::white));  // the bar's face
  ShowBarMessage("MMMM", 0);  // no event is handled after this
  EXPECT_EQ(screenAt(BarRightEdge() + 20, bar.bottom / 2), QColor(Qt::white));
  QImage screen = QGuiApplication::primaryScreen()->grabWindow(MainQWidget()->winId()).toImage();
  int black = 0;
  for (int x = 0; x < bar.right; ++x) black += screen.pixelColor(x, bar.bottom / 2).lightness() < 60;
  EXPECT_GT(black, 20);                                   // the letters cross the middle line
  EXPECT_LT(screen.pixelColor(0, 0).lightness(), 60);     // the border
}

class ButtonName : public BarMessage {};

TEST_F(ButtonName, RightClickShowsTheNameWithoutBlockingThenTheBarReturns) {
  UserBarDelay = 60;
  ClickButton("Next", MouseButton::Right);
  ASSERT_NE(Label(), nullptr);  // shown at once, and the click has already returned
  EXPECT_EQ(Label()->text().toStdString(), "Next Chapter");
  EXPECT_EQ(CommandLongName(CmdVoice), "Male Vs Female Voice");
  EXPECT_EQ(CommandLongName(CmdSpeed), "Change Speech Rate");
  EXPECT_FALSE(BarIsVisible(BarWindow));
  RunCommand(CmdWideMenu);  // the window stays usable meanwhile
  EXPECT_EQ(WideMenu, 1);
  vt_test::RunTimersDueWithin(UserBarDelay);
  ExpectBarBack();
}

TEST_F(ButtonName, RightClickOnPrevShowsItsLongName) {
  UserBarDelay = 60;
  Rect bar = BarWindowRect(BarWindow);
  ClickButton("Prev", MouseButton::Right);
  ASSERT_NE(Label(), nullptr);
  EXPECT_EQ(Label()->text().toStdString(), "Previous Chapter");
  EXPECT_TRUE(SameRect(Of(Label()), bar));
  vt_test::RunTimersDueWithin(UserBarDelay);
  ExpectBarBack();
}

TEST_F(ButtonName, OverlappingNamesLeaveTheBarAndNoLabelBehind) {
  UserBarDelay = 80;
  ShowButtonName("Next Chapter");
  UserBarDelay = 0;
  ShowButtonName("Scroll To Top");  // ends first
  vt_test::RunTimersDueWithin(0);
  ExpectBarBack();
  vt_test::RunTimersDueWithin(80);  // the older name's end comes late and changes nothing
  ExpectBarBack();
}

TEST_F(ButtonName, AnOlderNamesEndDoesNotRemoveANewerOne) {
  UserBarDelay = 0;
  ShowButtonName("Next Chapter");
  UserBarDelay = 60000;
  ShowButtonName("Scroll To Top");
  vt_test::RunTimersDueWithin(0);  // the older name's end
  ASSERT_NE(Label(), nullptr);
  EXPECT_EQ(Label()->text().toStdString(), "Scroll To Top");
  EXPECT_FALSE(BarIsVisible(BarWindow));
  UserBarDelay = 0;
  ShowBarMessage("Version: 1.8", 1);  // a newer notice takes over and ends everything
  ExpectBarBack();
  EXPECT_EQ(LastBarMessage(), "Version: 1.8");
}

}  // namespace
}  // namespace vt::testing
