// The rules both back ends draw and route by, tested once without any toolkit: the scheme's
// colours, web addresses, key routing, the download's slowness watch and the font limits.
#include <gtest/gtest.h>

#include <string>

#include "platform/download_watch.h"
#include "platform/font_limits.h"
#include "platform/key_routing.h"
#include "platform/scheme_colours.h"
#include "platform/web_addresses.h"

namespace vt {
namespace {

TEST(SchemeColours, EveryPartReadsAtSevenToOneInEveryScheme) {
  const std::pair<std::uint32_t, std::uint32_t> schemes[] = {
      {0x000000, 0xFFFFFF}, {0xFFFFFF, 0x000000}, {0x00FFFF, 0xFF0000}, {0x000000, 0x00FFFF}};
  for (auto [text, background] : schemes) {
    PaneColours c = SchemeColours(text, background);
    EXPECT_GE(ContrastRatio(c.text, c.background), kLeastContrast) << std::hex << text;
    EXPECT_GE(ContrastRatio(c.selectionText, c.selectionBackground), kLeastContrast) << std::hex << text;
    EXPECT_GE(ContrastRatio(c.link, c.background), kLeastContrast) << std::hex << text;
    EXPECT_NE(c.link, c.text) << std::hex << text;             // links stand out from the text
    EXPECT_NE(c.selectionBackground, c.background) << std::hex << text;
  }
  // No candidate reads on mid grey: links take the text's colour.
  EXPECT_EQ(SchemeColours(0x123456, 0x777777).link, 0x123456u);
  EXPECT_NEAR(ContrastRatio(0x000000, 0xFFFFFF), 21.0, 1e-9);
}

TEST(WebAddresses, AreFoundAsBothSystemsShowThem) {
  struct Case {
    std::u16string text;
    std::vector<std::pair<int, int>> found;
  } cases[] = {
      {u"see https://example.org/a?b=c.", {{4, 29}}},       // the full stop ends the sentence
      {u"(www.gutenberg.org) and HTTP://X.Y", {{1, 18}, {24, 34}}},
      {u"mailto:a@b.c\u2028ftp://f", {{0, 12}, {13, 20}}},  // a line separator ends one
      {u"xhttp://no wwwhat www. http://", {}},              // inside a word, or a beginning alone
      {u"<http://a>\"http://b\"", {{1, 9}, {11, 19}}},
      {u"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(WebAddressesIn(c.text), c.found) << std::string(c.text.begin(), c.text.end());
}

TEST(KeyRouting, TakesHelpShortcutsAndEscBeforeTheWidgets) {
  const std::vector<Shortcut> table = {{"P", 507}, {"Space", 507}, {"F3", 530}, {"Ctrl+O", 540}};
  struct Case {
    KeyPress key;
    KeyAction action;
    int command;
  } cases[] = {
      {{"P", true, false, false}, KeyAction::Command, 507},
      {{"P", false, false, false}, KeyAction::None, 0},        // with Shift, Ctrl or Alt
      {{"Q", true, false, false}, KeyAction::None, 0},         // not in the table
      {{"F3", true, true, false}, KeyAction::Command, 530},    // a held key repeats its command
      {{"Space", true, true, false}, KeyAction::Swallow, 0},   // but a held Space does not
      {{"Space", true, false, true}, KeyAction::None, 0},      // a focused button's own key
      {{"P", true, false, true}, KeyAction::Command, 507},
      {{"F1", true, false, false}, KeyAction::Help, 0},
      {{"F1", false, false, false}, KeyAction::None, 0},
      {{"Escape", false, false, true}, KeyAction::Cancel, 0},  // whatever the modifiers
      {{"", true, false, false}, KeyAction::None, 0},
      {{"O", false, false, false, true}, KeyAction::Command, 540},  // Ctrl alone with a letter
      {{"O", false, false, false, false}, KeyAction::None, 0},      // Ctrl with Shift or Alt too
      {{"P", false, false, false, true}, KeyAction::None, 0},       // a letter whose Ctrl form is no shortcut
  };
  for (const auto& c : cases) {
    KeyRoute route = RouteKey(c.key, table);
    EXPECT_EQ(route.action, c.action) << c.key.name << c.key.plain << c.key.repeated << c.key.onFocusedButton;
    EXPECT_EQ(route.command, c.command) << c.key.name;
  }
  int ran = 0;
  MainWindowEvents events;
  events.command = [&](int command) { ran = command; };
  EXPECT_TRUE(RunKeyRoute({KeyAction::Command, 530}, events));
  EXPECT_EQ(ran, 530);
  EXPECT_TRUE(RunKeyRoute({KeyAction::Help, 0}, events));  // no handler: taken all the same
  EXPECT_FALSE(RunKeyRoute({KeyAction::None, 0}, events));
}

TEST(SlowDownloadWatch, GivesUpOnATrickleInAnyWindowAndOnTheTotal) {
  DownloadLimits limits;
  limits.slowWindowSeconds = 1;
  limits.slowWindowBytes = 100;
  limits.totalSeconds = 5;
  using namespace std::chrono_literals;
  // Bytes received by each tenth of a second; the watch must give up at `givesUpAt` (-1: never).
  struct Case {
    const char* name;
    std::uint64_t bytesPerTick;
    int burstTick;  // all of a large burst arrives at this tick (-1: none)
    int givesUpAt;
  } cases[] = {
      {"steady", 20, -1, -1},          // 200 bytes a window
      {"stalled", 0, -1, 10},          // nothing for a whole window
      {"trickle", 5, -1, 10},          // 50 bytes a window
      {"burst, then nothing", 0, 2, 12},  // the window slides past the burst
  };
  for (const auto& c : cases) {
    auto start = SlowDownloadWatch::Clock::now();
    SlowDownloadWatch watch(limits, start);
    std::uint64_t received = 0;
    int gaveUp = -1;
    for (int tick = 1; tick <= 45 && gaveUp < 0; ++tick) {
      received += c.bytesPerTick + (tick == c.burstTick ? 100000 : 0);
      if (watch.GivesUp(received, start + tick * 100ms)) gaveUp = tick;
    }
    EXPECT_EQ(gaveUp, c.givesUpAt) << c.name;
  }
  auto start = SlowDownloadWatch::Clock::now();
  SlowDownloadWatch watch(limits, start);
  EXPECT_TRUE(watch.GivesUp(1 << 30, start + 5100ms)) << "too long in all";
}

TEST(FontLimits, HoldHandEditedSizesToWhatAScreenShows) {
  const std::pair<std::int64_t, int> pane[] = {{0, kDefaultPanePixels}, {-64, 64}, {85, 85}, {100000, kLargestPanePixels},
                                               {INT64_MIN + 1, kLargestPanePixels}};
  for (auto [asked, shown] : pane) EXPECT_EQ(PanePixelHeight(asked), shown) << asked;
  EXPECT_EQ(LabelPixelHeight(0), 1);
  EXPECT_EQ(LabelPixelHeight(1 << 30), kLargestFontPixels);
  EXPECT_EQ(PaneMarginShown(-5), 0);
  EXPECT_EQ(PaneMarginShown(1 << 30), kLargestPaneMargin);
}

}  // namespace
}  // namespace vt
