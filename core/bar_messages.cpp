// Bar messages. A notice hides the bar and puts a white, bordered label of exactly the bar's size
// in its place, in FontName bold at ScaledFontSize(BarFontSize), or smaller so that the whole text
// fits the bar's width (never smaller than the bar's labels; a text too long even then wraps);
// when it ends the label goes and the bar comes back. A notice from a command blocks the window for its delay without running
// the event loop, so no other command and no speech event can run in between; a button name ends
// by a timer and leaves the window usable meanwhile.
//
// At most one label exists. Every message takes a new generation number, and the end of a message
// acts only while its generation is still the newest: an older message ending late never removes
// a newer label, and the bar is shown again only when the last message ends.
#include "core/bar_messages.h"

#include <algorithm>
#include <cstdint>

#include "core/display_rules.h"
#include "core/ids.h"
#include "core/program_state.h"
#include "core/settings_file.h"
#include "platform/bar.h"

namespace vt {

constexpr int kCloseDelayMs = 1000;     // the final notice of CloseBarMessage
constexpr int kLongestDelayMs = 60000;  // a hand-edited UserBarDelay never freezes the window longer
constexpr int kNoticeSideRoom = 24;     // left and right inside the label: the text never touches the border

struct BarMessageState {
  BarLabel* messageLabel = nullptr;  // the label in the bar's place, or null
  std::string lastMessage;           // the text shown last
};
static BarMessageState messages;
static BarLabel*& messageLabel = messages.messageLabel;
static std::string& lastMessage = messages.lastMessage;
[[maybe_unused]] static const bool resetWithProgram = ResetAlongWithProgramState([] { messages = BarMessageState{}; });

// The generation of the newest message. It only grows, across resets too: the end of a message
// from before a reset must never match a message after it.
static unsigned messageGeneration = 0;

std::string LastBarMessage() { return lastMessage; }

bool BarMessageShown() { return BarLabelExists(messageLabel); }

static int UserDelay() { return std::clamp(UserBarDelay, 0, kLongestDelayMs); }

static FontRequest BarMessageFont() { return FontRequest{FontName, FontPixelHeight(ScaledFontSize(BarFontSize)), true}; }

// The bar's area: its width (the window's when there is no bar) and BarHeight.
static Rect BarArea() {
  Rect bar = BarWindowRect(BarWindow);
  int width = bar.right - bar.left;
  if (!BarWindow) {
    int height = 0;
    ClientSize(MainWindow, width, height);
  }
  return Rect{0, 0, width, BarHeight};
}

// The notice's type for text in a label `width` wide: the largest up to BarFontSize with which the
// text fits on one line, never smaller than the bar's labels; `wrap` when even that is too wide.
FontRequest NoticeFont(const std::string& text, int width, bool& wrap) {
  FontRequest font = BarMessageFont();
  const int largest = font.pixelHeight;
  const int smallest = std::min(font.pixelHeight, BarFont.pixelHeight);
  const int room = width - 2 * kNoticeSideRoom;
  int textWidth = TextPixelWidth(font, text);
  if (textWidth > room && textWidth > 0) {
    // Type width grows about in step with its height: start near the answer, then step down.
    font.pixelHeight = std::max(smallest, static_cast<int>(static_cast<int64_t>(font.pixelHeight) * std::max(room, 0) / textWidth));
    while (font.pixelHeight > smallest && TextPixelWidth(font, text) > room) --font.pixelHeight;
    while (font.pixelHeight < largest && TextPixelWidth(FontRequest{font.face, font.pixelHeight + 1, font.bold}, text) <= room)
      ++font.pixelHeight;
  }
  wrap = TextPixelWidth(font, text) > room;
  return font;
}

// Hides the bar and puts a new label with text in its place, painted at once; returns its generation.
static unsigned PutUpMessage(const std::string& text) {
  lastMessage = text;
  unsigned generation = ++messageGeneration;
  if (!IsWindow(MainWindow)) return generation;
  Rect area = BarArea();
  bool wrap = false;
  FontRequest font = NoticeFont(text, area.right - area.left, wrap);
  BarSetVisible(BarWindow, false);
  BarLabelDestroy(messageLabel);
  messageLabel = BarLabelCreate(MainWindow, area, text, font, wrap);
  BarLabelSetText(messageLabel, text);
  BarLabelPaintNow(messageLabel);
  return generation;
}

// Ends the message of that generation, unless a newer one has taken its place.
static void TakeDownMessage(unsigned generation) {
  if (generation != messageGeneration) return;
  BarLabelDestroy(messageLabel);
  messageLabel = nullptr;
  BarSetVisible(BarWindow, true);
}

// Shows text and ends it after the delay by a timer, without blocking.
static void ShowForAWhile(const std::string& text) {
  unsigned generation = PutUpMessage(text);
  RunLater(UserDelay(), [generation] { TakeDownMessage(generation); });
}

void ShowBarMessage(const std::string& text, int autoClose) {
  if (!OnUserInterfaceThread()) {
    // Widgets belong to the user-interface thread: hand the notice over and wait here instead.
    RunLater(0, [text, autoClose] {
      if (autoClose)
        ShowForAWhile(text);
      else
        PutUpMessage(text);
    });
    if (autoClose) SleepMs(UserDelay());
    return;
  }
  unsigned generation = PutUpMessage(text);
  if (autoClose == 0) return;
  // Before the window is first shown (the book loaded at start-up) nobody can read the notice:
  // waiting for it would only keep the reader from appearing.
  if (IsWindowVisible(MainWindow)) SleepMs(UserDelay());
  TakeDownMessage(generation);
}

// Puts the final text up in a label fitted to it and returns the generation that ends it.
static unsigned FinalText(const std::string& text) { return PutUpMessage(text); }

void CloseBarMessage(const std::string& text) {
  if (!OnUserInterfaceThread()) {
    RunLater(0, [text] {
      unsigned generation = FinalText(text);
      RunLater(kCloseDelayMs, [generation] { TakeDownMessage(generation); });
    });
    SleepMs(kCloseDelayMs);
    return;
  }
  unsigned generation = FinalText(text);
  SleepMs(kCloseDelayMs);
  TakeDownMessage(generation);
}

unsigned ShowBarMessageUntilEnded(const std::string& text) { return PutUpMessage(text); }

void EndBarMessage(unsigned message) { TakeDownMessage(message); }

void ShowButtonName(const std::string& longName) { ShowForAWhile(longName); }

void ShowBarMessageForAWhile(const std::string& text) { ShowForAWhile(text); }

}  // namespace vt
